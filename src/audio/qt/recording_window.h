#pragma once
// "Recording": whether, from which input and what to record, where and within which
// bounds, with the input's live level for setting the line-in gain and a status
// line. Not modal; OK hands the settings on (saved to recording.ini and used at
// once), Cancel and Escape close it unchanged.
#include <QDialog>
#include <QStringList>
#include <functional>
#include <optional>

#include "audio/core/level_meter.h"
#include "audio/core/recording_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

namespace scandeck {

class RecordingWindow final : public QDialog {
  Q_OBJECT
 public:
  struct Callbacks {
    std::function<QString(const RecordingSettings&)> apply;  // why it failed, or empty
    std::function<QString()> status;                         // the status line
    std::function<std::optional<Level>()> level;             // nothing while no input is open
    std::function<QStringList()> inputs;                     // the sound inputs' descriptions
  };
  RecordingWindow(const RecordingSettings& settings, Callbacks callbacks, QWidget* parent = nullptr);

  // Fills the controls from the settings and shows the window.
  void ShowRecording();
  void OkCmd_Click();
  void BrowseCmd_Click();
  void refresh();
  RecordingSettings form() const;

 private:
  const RecordingSettings& settings_;
  Callbacks callbacks_;
  QString apply_error_;
  QCheckBox* RecordChk;
  QComboBox* InputCmb;
  QProgressBar* PeakBar;
  QLabel* PeakLbl;
  QProgressBar* RmsBar;
  QLabel* RmsLbl;
  QRadioButton* WhatAllOpt;
  QRadioButton* WhatMarkedOpt;
  QRadioButton* WhatUnnamedOpt;
  QRadioButton* WhatOffOpt;
  QComboBox* FormatCmb;
  QLineEdit* FolderBox;
  QPushButton* BrowseCmd;
  QSpinBox* PrerollBox;
  QSpinBox* HangBox;
  QSpinBox* MinBox;
  QSpinBox* MaxBox;
  QSpinBox* QuotaBox;
  QSpinBox* KeepBox;
  QSpinBox* MinFreeBox;
  QLabel* StatusLbl;
  QPushButton* OkCmd;
  QPushButton* CancelCmd;
  QTimer* refresh_;
};

}  // namespace scandeck
