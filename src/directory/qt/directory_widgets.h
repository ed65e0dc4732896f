#pragma once
// The pieces both directory windows are built from: the grid, the picture
// buttons, the framed choices and the selected-entry panel's rows.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "directory/core/batch_read.h"

namespace scandeck::directory_ui {

// A grid of whole rows, one selected at a time; `twips` gives each column's
// width, 0 hiding it, a negative width keeping the default.
QTableWidget* MakeGrid(QWidget* parent, const char* name, const char* accessible, const std::vector<int>& twips);
void SetHeader(QTableWidget* grid, const std::vector<std::string_view>& header);
// Refills the grid in one redraw: the rows, then one empty last row.
template <std::size_t N>
void FillGrid(QTableWidget* grid, const std::vector<std::array<std::string, N>>& rows);
void FillGridRows(QTableWidget* grid, const std::vector<std::vector<std::string>>& rows, int columns);

// A bank list: editable, items "1" to "10", labelled for a screen reader.
QComboBox* MakeBankList(QWidget* parent, const char* name, const QString& caption);
// The type list: editable, the 17 codes in order.
QComboBox* MakeTypeList(QWidget* parent);
QToolButton* MakePictureButton(QWidget* parent, const char* name, const QString& caption, bool save);
// "Data from" ("Scanner*" / "File", File chosen) and "Data to " ("File" ticked,
// "Scanner" disabled), the progress label, the fixed note and OK / Cancel.
struct DirectoryControls {
  QGroupBox* from;
  QRadioButton* Option1;
  QRadioButton* Option2;
  QGroupBox* to;
  QCheckBox* WriteFileChk;
  QCheckBox* WriteScannerChk;
  QLabel* WaitLbl;
  QLabel* note;
  QPushButton* OkCmd;
  QPushButton* CancelCmd;
};
DirectoryControls MakeDirectoryControls(QWidget* parent, const char* wait_caption);

// A read of many banks: its button, its progress bar and its own Cancel, in one row.
struct BatchControls {
  QPushButton* ReadAllCmd = nullptr;
  QProgressBar* ReadAllBar = nullptr;
  QPushButton* CancelReadCmd = nullptr;
  QHBoxLayout* row = nullptr;
};
BatchControls MakeBatchControls(QWidget* parent, const QString& caption);
// The batch's state: which bank and how far, and which button may be pressed
// (`reading`: a read of one bank is under way).
void ShowBatch(const BatchControls& c, const BatchRead& batch, bool reading);

// A caption label for `buddy`, so that the field's accessible name carries it.
QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent);

template <std::size_t N>
void FillGrid(QTableWidget* grid, const std::vector<std::array<std::string, N>>& rows) {
  std::vector<std::vector<std::string>> plain;
  plain.reserve(rows.size());
  for (const auto& row : rows) plain.emplace_back(row.begin(), row.end());
  FillGridRows(grid, plain, static_cast<int>(N));
}

}  // namespace scandeck::directory_ui
