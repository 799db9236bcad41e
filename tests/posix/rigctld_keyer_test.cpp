#include "platform/posix/keying/rigctld_keyer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/posix/release_registry.h"
#include "tests/support/keying/fake_rigctld.h"

namespace tv::test {
namespace {

using Commands = std::vector<std::string>;

std::int64_t msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

// Waits for the daemon's thread to have taken in `count` commands.
Commands awaitCommands(const FakeRigctld& rig, std::size_t count) {
  for (int i = 0; i < 200 && rig.commands().size() < count; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return rig.commands();
}

TEST(RigctldKeyer, KeysWithTheChosenCommandAndCountsOnlyWhatItReadsBack) {
  for (int command : {1, 3}) {
    SCOPED_TRACE(command);
    FakeRigctld rig;
    RigctldKeyer keyer(rig.address(), command);
    ASSERT_TRUE(keyer.setPtt(true).ok());
    EXPECT_EQ(rig.ptt(), command);
    ASSERT_TRUE(keyer.setPtt(false).ok());
    EXPECT_EQ(rig.commands(), (Commands{"T " + std::to_string(command), "t", "T 0", "t"}));
    EXPECT_EQ(rig.connections(), 1);  // one connection for everything
  }
}

TEST(RigctldKeyer, ARigThatReadsTheOtherStateBackHasNotKeyed) {
  FakeRigctld rig;
  RigctldKeyer keyer(rig.address(), 1);
  ASSERT_TRUE(keyer.open().ok());
  rig.setMode(FakeRigctld::Mode::refuse);
  const Result<void> keyed = keyer.setPtt(true);
  ASSERT_FALSE(keyed.ok());
  EXPECT_NE(keyed.error().message.find("RPRT -1"), std::string::npos) << keyed.error().message;
  // Refused is not lost: the connection stays for the release.
  EXPECT_TRUE(keyer.isOpen());
}

TEST(RigctldKeyer, ReadsTheOperatorsKeyingAndTellsAnUnreadablePttApart) {
  FakeRigctld rig;
  RigctldKeyer keyer(rig.address(), 1);
  ASSERT_FALSE(*keyer.readPtt());
  rig.setPtt(1);  // the operator's microphone
  EXPECT_TRUE(*keyer.readPtt());
  rig.setPtt(2);
  EXPECT_TRUE(*keyer.readPtt());
}

TEST(RigctldKeyer, ADaemonThatNeverAnswersFailsWithinItsLimitAndIsLetGo) {
  FakeRigctld rig;
  rig.setMode(FakeRigctld::Mode::silent);
  RigctldKeyer keyer(rig.address(), 1);
  const auto start = std::chrono::steady_clock::now();
  const Result<void> keyed = keyer.setPtt(true);
  const std::int64_t took = msSince(start);
  ASSERT_FALSE(keyed.ok());
  EXPECT_NE(keyed.error().message.find("no answer"), std::string::npos) << keyed.error().message;
  EXPECT_GE(took, RigctldKeyer::kStepMs - 50);
  EXPECT_LT(took, 1000);
  // Its late answer must not be read as the answer to the next command.
  EXPECT_FALSE(keyer.isOpen());
}

TEST(RigctldKeyer, ALostConnectionFailsAndTheNextCallConnectsAgain) {
  FakeRigctld rig;
  RigctldKeyer keyer(rig.address(), 1);
  ASSERT_TRUE(keyer.setPtt(false).ok());
  rig.setMode(FakeRigctld::Mode::hangUp);
  const Result<void> keyed = keyer.setPtt(true);
  ASSERT_FALSE(keyed.ok());
  EXPECT_FALSE(keyer.isOpen());

  rig.stop();
  const Result<void> refused = keyer.open();
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.error().message.find(rig.address()), std::string::npos);

  rig.setMode(FakeRigctld::Mode::answer);
  rig.start();
  ASSERT_TRUE(keyer.setPtt(true).ok());
  EXPECT_EQ(rig.ptt(), 1);
}

TEST(RigctldKeyer, WhileConnectedTheRegistryHoldsTheReleaseLine) {
  FakeRigctld rig;
  {
    RigctldKeyer keyer(rig.address(), 3);
    ASSERT_TRUE(keyer.setPtt(true).ok());
    int fds[release::kMaxEntries];
    ASSERT_EQ(release::liveDescriptors(fds, release::kMaxEntries), 1u);

    // What a termination signal's handler does.
    release::runAll();
    EXPECT_EQ(awaitCommands(rig, 3).back(), "T 0");
    EXPECT_EQ(rig.ptt(), 0);
  }
  int fds[release::kMaxEntries];
  EXPECT_EQ(release::liveDescriptors(fds, release::kMaxEntries), 0u);
}

TEST(RigctldKeyer, NothingKeysOnceTheProgramIsEnding) {
  FakeRigctld rig;
  RigctldKeyer keyer(rig.address(), 1);
  release::markEnding();
  EXPECT_FALSE(keyer.setPtt(true).ok());
  EXPECT_TRUE(keyer.setPtt(false).ok());
  release::resetEndingForTests();
  EXPECT_EQ(rig.commands(), (Commands{"T 0", "t"}));
}

TEST(RigctldKeyer, ReadsItsReports) {
  EXPECT_EQ(rigctldReport("RPRT 0"), 0);
  EXPECT_EQ(rigctldReport("RPRT -11"), -11);
  for (const char* odd : {"RPRT", "RPRT ", "RPRT x", "RPRT 0x", "rprt 0", "0"})
    EXPECT_FALSE(rigctldReport(odd).has_value()) << odd;
}

}  // namespace
}  // namespace tv::test
