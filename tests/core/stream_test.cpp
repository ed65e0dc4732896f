// The stream sender's rules without a network: the queue, the titles on the
// capture's timeline, the reconnection delays and the status line.
#include <gtest/gtest.h>

#include <vector>

#include "stream/core/stream_link.h"

using namespace scandeck;

namespace {

AudioBlock Block(std::uint64_t first, std::size_t count) {
  std::vector<std::int16_t> samples(count);
  for (std::size_t i = 0; i < count; ++i) samples[i] = static_cast<std::int16_t>(first + i);
  return {first, 16000, samples};
}

}  // namespace

TEST(ReconnectDelay, TwoSecondsDoublingToAMinuteAndBackAfterASuccess) {
  ReconnectDelay delay;
  std::vector<long> got;
  for (int i = 0; i < 8; ++i) got.push_back(static_cast<long>(delay.next().count()));
  EXPECT_EQ(got, (std::vector<long>{2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));
  delay.reset();
  EXPECT_EQ(delay.next().count(), 2000);
}

// Each title is handed at the sample it was stamped on, the audio cut there, the
// samples kept in order whatever the block sizes.
TEST(StreamQueue, TitlesCutTheAudioWhereTheyWereStamped) {
  struct Case {
    const char* what;
    std::vector<std::uint64_t> titles;  // positions, in order
    std::vector<std::size_t> pieces;    // the audio sizes handed out
    std::vector<int> changed;           // index of the title with each piece, -1 for none
  };
  const Case cases[] = {
      {"inside a block", {150}, {100, 50, 50, 100}, {-1, -1, 0, -1}},
      {"at a block's start", {100}, {100, 100, 100}, {-1, 0, -1}},
      {"before the audio", {0, 20}, {20, 80, 100, 100}, {0, 1, -1, -1}},
      {"two in one block", {110, 130}, {100, 10, 20, 70, 100}, {-1, -1, 0, 1, -1}},
  };
  for (const Case& c : cases) {
    StreamQueue queue(10000);
    for (std::uint64_t first : {0, 100, 200}) queue.push(Block(first, 100));
    for (std::size_t i = 0; i < c.titles.size(); ++i) queue.title({c.titles[i], "t" + std::to_string(i), true});
    std::vector<std::size_t> pieces;
    std::vector<int> changed;
    std::uint64_t next = 0;
    while (auto piece = queue.take()) {
      pieces.push_back(piece->audio.samples.size());
      changed.push_back(piece->changed ? std::stoi(piece->changed->text.substr(1)) : -1);
      if (piece->changed) {
        EXPECT_GE(next, piece->changed->position) << c.what;
      }
      for (std::int16_t s : piece->audio.samples) EXPECT_EQ(static_cast<std::uint64_t>(s), next++) << c.what;
    }
    EXPECT_EQ(pieces, c.pieces) << c.what;
    EXPECT_EQ(changed, c.changed) << c.what;
    EXPECT_EQ(queue.samples(), 0u) << c.what;
  }
}

TEST(StreamQueue, BoundedByDroppingTheOldestAudioKeepingTheNewestTitle) {
  StreamQueue queue(250);
  queue.title({50, "first", true});
  queue.title({150, "second", false});
  for (std::uint64_t first : {0, 100, 200, 300}) queue.push(Block(first, 100));
  EXPECT_EQ(queue.samples(), 200u);
  EXPECT_EQ(queue.dropped(), 200u);
  auto piece = queue.take();
  ASSERT_TRUE(piece);
  ASSERT_TRUE(piece->changed) << "the title of the audio that went";
  EXPECT_EQ(piece->changed->text, "second");
  EXPECT_EQ(piece->audio.first, 200u);

  // A server away: everything waiting goes, the newest title is what the next connection shows.
  queue.push(Block(400, 100));
  queue.title({450, "third", true});
  queue.dropAudio();
  EXPECT_EQ(queue.samples(), 0u);
  EXPECT_FALSE(queue.take());
  queue.push(Block(900, 10));
  piece = queue.take();
  ASSERT_TRUE(piece && piece->changed);
  EXPECT_EQ(piece->changed->text, "third");
  EXPECT_EQ(piece->audio.samples.size(), 10u);
}

TEST(StreamQueue, ACaptureStartedAgainDoesNotStrandItsTitles) {
  StreamQueue queue(10000);
  queue.title({5000, "old timeline", true});
  queue.title({10, "new timeline", true});  // the capture counts from zero again
  queue.push(Block(0, 100));
  auto piece = queue.take();
  ASSERT_TRUE(piece);
  EXPECT_EQ(piece->audio.samples.size(), 10u);
  piece = queue.take();
  ASSERT_TRUE(piece && piece->changed);
  EXPECT_EQ(piece->changed->text, "new timeline");
}

// The status line changes once when a loss starts and once when it ends, however
// the tries in between fail; a refusal is said plainly.
TEST(StreamHealth, ALossToldOnceWhenItStartsAndOnceWhenItEnds) {
  struct Step {
    StreamFault fault;  // None: connected
    bool told;
    const char* says;
  };
  const std::vector<Step> steps = {
      {StreamFault::Unreachable, true, "cannot reach h:8000/m (down)"},
      {StreamFault::Unreachable, false, nullptr},
      {StreamFault::None, true, "sending to h:8000/m"},
      {StreamFault::Lost, true, "was lost (down)"},
      {StreamFault::Unreachable, false, nullptr},
      {StreamFault::Lost, false, nullptr},
      {StreamFault::Refused, true, "refused the user name or password"},
      {StreamFault::Refused, false, nullptr},
      {StreamFault::Unreachable, false, nullptr},
      {StreamFault::MountInUse, true, "is in use by another source"},
      {StreamFault::None, true, "connected again to h:8000/m"},
      {StreamFault::None, false, nullptr},
  };
  StreamHealth health("h:8000/m");
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    const bool told = step.fault == StreamFault::None ? health.connected() : health.failed(step.fault, "down");
    EXPECT_EQ(told, step.told) << i;
    if (step.says) {
      EXPECT_NE(health.text().find(step.says), std::string::npos) << i << ": " << health.text();
    }
  }
}

TEST(StreamHealth, LibshoutsLoginFailureToldApartByWhatTheServerSaid) {
  EXPECT_EQ(ClassifyOpenFailure(true, "Login failed"), StreamFault::Refused);
  EXPECT_EQ(ClassifyOpenFailure(true, "403 the mount is in use"), StreamFault::MountInUse);
  EXPECT_EQ(ClassifyOpenFailure(false, "Couldn't connect"), StreamFault::Unreachable);
}
