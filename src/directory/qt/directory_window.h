#pragma once
// What the two directory windows do alike: the read timer, the read-only box that
// answers a click with "Coming soon...", and closing, which ends a read in
// progress and brings the main window back.
#include <QTimer>
#include <QWidget>
#include <string>

namespace scandeck {

class Desktop;

class DirectoryWindow : public QWidget {
  Q_OBJECT
 protected:
  DirectoryWindow(Desktop& desktop, QWidget* main_window, const char* name, const QString& title,
                  const char* timer_name);

  // A click on `box` warns that it cannot be changed yet, with `text`.
  void ComingSoon(QWidget* box, std::string text);
  // Starts the read timer at its tick when the core has begun a read.
  void StartReading(bool reading);
  // Ends a read in progress; the poll comes back.
  virtual void endRead() = 0;

  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  Desktop& desktop_;
  QWidget* main_window_;
  QTimer readTimer_;
  // Closing hides the window, and the bank list's focus-out would then count as a choice.
  bool closing_ = false;

 private:
  QWidget* coming_soon_box_ = nullptr;
  std::string coming_soon_text_;
};

}  // namespace scandeck
