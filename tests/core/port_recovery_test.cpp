// The reopen schedule on a fake clock: nothing while the port is open or was never
// opened, then one try a second after the loss and every second after that.
#include <gtest/gtest.h>

#include <vector>

#include "link/core/port_recovery.h"
#include "support/fake_port.h"

using namespace scandeck;
using std::chrono::milliseconds;

TEST(PortRecovery, TriesTheLostPortEverySecondUntilItOpens) {
  scandeck::testing::FakePort device;
  PagCom port{device};
  PortRecovery recovery;
  // Start-up could not open it: the setup window deals with that, not the schedule.
  device.fail_open = true;
  for (int t = 0; t <= 5000; t += 50) EXPECT_FALSE(recovery.tick(port, milliseconds{t}));
  EXPECT_EQ(device.open_calls, 0);

  device.fail_open = false;
  Failure f;
  ASSERT_TRUE(port.open(f));
  device.open_calls = 0;
  EXPECT_FALSE(recovery.tick(port, milliseconds{5000}));
  device.is_open = false;  // the cable comes out
  device.fail_open = true;
  std::vector<int> tries;
  for (int t = 5050; t <= 8000; t += 50) {
    const int before = device.open_calls;
    EXPECT_FALSE(recovery.tick(port, milliseconds{t}));
    if (device.open_calls > before) tries.push_back(t);
  }
  EXPECT_EQ(tries, (std::vector<int>{6050, 7050}));
  device.fail_open = false;  // plugged back
  EXPECT_TRUE(recovery.tick(port, milliseconds{8050})) << "came back: the caller restarts the poll once";
  EXPECT_FALSE(recovery.tick(port, milliseconds{8100}));

  recovery.stop();  // the program closed it itself
  port.close();
  device.open_calls = 0;
  for (int t = 8100; t <= 12000; t += 50) recovery.tick(port, milliseconds{t});
  EXPECT_EQ(device.open_calls, 0);
}
