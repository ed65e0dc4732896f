#pragma once
// "Integrations": the now-playing template, the stream ScanDeck sends, and the three ways other programs hear
// about the scanner. Not modal. Apply hands the settings on (they are saved and
// take effect at once); the status line says what each part is doing.
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "integrations/core/integration_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class QVBoxLayout;

namespace scandeck {

class IntegrationsWindow final : public QWidget {
  Q_OBJECT
 public:
  struct Callbacks {
    std::function<QString(const IntegrationSettings&)> apply;  // why it failed, or empty
    std::function<QString()> status;                           // the status line
    std::function<QString()> nowPlaying;
  };
  IntegrationsWindow(const IntegrationSettings& settings, Callbacks callbacks, QWidget* parent = nullptr);

  // Fills the boxes from the settings and shows the window.
  void ShowIntegrations();
  void ApplyCmd_Click();
  void refresh();
  // A part of the window kept by a folder above this one (MQTT): placed before the
  // status line and after the last field in Tab order; Apply calls `apply` too
  // (why it failed, or empty) and `refresh` runs with the window's.
  void addPart(QWidget* part, std::function<QString()> apply, std::function<void()> refresh);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  IntegrationSettings form() const;

  const IntegrationSettings& settings_;
  Callbacks callbacks_;
  QString apply_error_;
  QLineEdit* TemplateBox;
  QLineEdit* IdleBox;
  QLabel* NowPlayingLbl;
  QCheckBox* IcecastChk;
  QLineEdit* IcecastHostBox;
  QSpinBox* IcecastPortBox;
  QLineEdit* IcecastMountBox;
  QLineEdit* IcecastUserBox;
  QLineEdit* IcecastPasswordBox;
  QSpinBox* IcecastDelayBox;
  QCheckBox* OverlayChk;
  QLineEdit* OverlayFileBox;
  QCheckBox* RigChk;
  QLineEdit* RigAddressBox;
  QSpinBox* RigPortBox;
  QCheckBox* StreamChk;
  QLineEdit* StreamHostBox;
  QSpinBox* StreamPortBox;
  QLineEdit* StreamMountBox;
  QLineEdit* StreamUserBox;
  QLineEdit* StreamPasswordBox;
  QComboBox* StreamFormatBox;
  QComboBox* StreamBitrateBox;
  QLineEdit* StreamNameBox;
  QLineEdit* StreamGenreBox;
  QLineEdit* StreamDescriptionBox;
  QCheckBox* StreamPublicChk;
  QCheckBox* StreamCallsOnlyChk;
  QLabel* StatusLbl;
  QVBoxLayout* parts_column_;  // the groups, in a scrolled area
  bool sized_ = false;
  QPushButton* ApplyCmd;
  QPushButton* CloseCmd;
  QTimer* refresh_;
  std::vector<std::pair<std::function<QString()>, std::function<void()>>> parts_;
};

}  // namespace scandeck
