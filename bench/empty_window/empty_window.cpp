// The yardstick of bench/cpu_ratio.sh: a window whose 50 ms timer shows a new number
// each time, as little as a display that follows a poll can do.
#include <QApplication>
#include <QLabel>
#include <QTimer>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QLabel window("0");
  window.resize(200, 60);
  window.show();
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { window.setNum(++ticks); });
  timer.start(50);
  return app.exec();
}
