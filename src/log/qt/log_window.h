#pragma once
// "General Log Setup": which fields a log record carries and which file it goes
// to. Not modal. OK stores the choice and saves the configuration; Cancel and the
// close box discard it.
#include <QWidget>
#include <array>
#include <functional>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace scandeck {

class ClickLabel;
struct LogSettings;
struct LogSetupForm;

class Log final : public QWidget {
  Q_OBJECT
 public:
  // `confirm` takes the window's choice when OK is pressed.
  Log(const LogSettings& settings, std::function<void(const LogSetupForm&)> confirm, QWidget* parent = nullptr);

  // Fills the window from the settings (as "&Setup General Log" does) and shows it.
  void SetupLog();
  void OkCmd_Click();
  void CancelCmd_Click() { close(); }

 private:
  LogSetupForm form() const;

  const LogSettings& settings_;
  std::function<void(const LogSetupForm&)> confirm_;
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
