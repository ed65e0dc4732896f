#pragma once
// "About ScanDeck...": modal; it beeps when it opens, and closes on a double-click
// on the window or the text, or a click on the credit or the picture. Three of its
// labels open their links.
#include <QDialog>

class QPlainTextEdit;

namespace scandeck {

class ClickLabel;
class Desktop;

class About final : public QDialog {
  Q_OBJECT
 public:
  About(Desktop& desktop, QWidget* parent = nullptr);

  void Label2_Click();
  void Label3_Click();
  void Label4_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Desktop& desktop_;
  ClickLabel* Picture1;
  QPlainTextEdit* Text1;
  ClickLabel* Label1;
  ClickLabel* Label2;
  ClickLabel* Label3;
  ClickLabel* Label4;
  ClickLabel* Label5;
};

}  // namespace scandeck
