#pragma once
// "SmartView Mode - ScanDeck": the compact status window that stays above the
// others while the main window is hidden. It renders CompactView; it decides nothing.
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <optional>

#include "status/core/compact_view.h"

namespace scandeck {

class ClickLabel;

class SmartView final : public QWidget {
  Q_OBJECT
 public:
  explicit SmartView(QWidget* parent = nullptr);

  void render(const CompactView& view);
  void TimeTimer_Timer();
  QTimer& timeTimer() { return TimeTimer; }

 signals:
  void HoldCmd_Click();
  void PopUpLbl_Click();
  // Escape or the close box: the caller runs the unload order.
  void unloaded();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void keepOnAScreen();

  QLabel* NameLbl;
  QLabel* TypeLbl;
  QLabel* IDNameLbl;
  QLabel* IDTypeLbl;
  QLabel* ModeLbl;
  QLabel* TimeAndDateLbl;
  ClickLabel* HoldCmd;
  ClickLabel* PopUpLbl;
  QTimer TimeTimer;
  std::optional<QPoint> place_;
};

}  // namespace scandeck
