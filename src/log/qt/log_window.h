#pragma once
// "General Log Setup": which fields a log record carries and which file it goes
// to. Not modal. OK stores the choice and saves the configuration; Cancel and the
// close box discard it.
#include <QWidget>
#include <array>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace scandeck {

class ClickLabel;
class MainCore;
struct LogSetupForm;

class Log final : public QWidget {
  Q_OBJECT
 public:
  Log(MainCore& core, QWidget* parent = nullptr);

  // Fills the window from the settings (as "&Setup General Log" does) and shows it.
  void SetupLog();
  void OkCmd_Click();
  void CancelCmd_Click() { close(); }

 private:
  LogSetupForm form() const;

  MainCore& core_;
  QCheckBox* LogEnableChk;
  QCheckBox* DateChk;
  QCheckBox* TimeChk;
  QCheckBox* FrequencyChk;
  QCheckBox* FreqTypeChk;
  QCheckBox* FreqNameChk;
  QCheckBox* IDChk;
  QCheckBox* IDTypeChk;
  QCheckBox* IDNameChk;
  std::array<QCheckBox*, 9> checks_{};  // in flag order
  QRadioButton* Option1;
  QRadioButton* Option2;
  QLineEdit* FileNameBox;
  ClickLabel* OkCmd;
  ClickLabel* CancelCmd;
};

}  // namespace scandeck
