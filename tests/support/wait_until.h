#pragma once
// Lets the event loop run (timers, the serial port) until `done` or `ms` pass.
#include <QElapsedTimer>
#include <QTest>
#include <functional>

namespace scandeck::testing {

inline bool WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QTest::qWait(20);
  return done();
}

}  // namespace scandeck::testing
