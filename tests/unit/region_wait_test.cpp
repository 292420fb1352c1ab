// The readiness wait always ends, and a change never decides from a REPORT
// KEY reply that did not come.
#include <gtest/gtest.h>

#include "fakes/program_rows.h"

#include <algorithm>
#include <string>
#include <vector>

#include "region_rig.h"

namespace kestrel {
namespace {

using testing::RegionDrive;
using testing::RegionRig;
using Words = std::vector<std::string>;

const sim::DiscContent kAllSix = sim::CssDisc(0xC0);

void FailTestUnitReady(sim::Drive& drive, int count, sim::Sense sense) {
  sim::CommandFault fault;
  fault.opcode = 0x00;
  fault.count = count;
  fault.sense = sense;
  drive.AddFault(fault);
}

size_t Count(const Words& words, const std::string& word) {
  return static_cast<size_t>(std::count(words.begin(), words.end(), word));
}

TEST(ReadinessWait, OtherSenseEndsTheAttemptWithUnknownError) {
  for (sim::Sense sense : {sim::Sense{0x02, 0x04, 0x00}, sim::Sense{0x03, 0x11, 0x00}}) {
    RegionRig rig(Program::Mere9x, RegionDrive(0xFE, 4, 1, &kAllSix));
    rig.Report();
    ASSERT_TRUE(rig.view.ClickRegion(2));
    FailTestUnitReady(rig.Drive(), 1, sense);
    rig.Mark();
    EXPECT_EQ(rig.Change(), ChangeOutcome::NotReady);
    EXPECT_EQ(rig.Commands().at(1), "SENSE");
    EXPECT_EQ(rig.SendKeys(), 0u);
    EXPECT_EQ(rig.NewLog(),
              "Unknown error is occurred.\r\nDrive's region is 1.\r\n"
              "This disc is allowed region 1 2 3 4 5 6\r\n");
  }
}

TEST(ReadinessWait, UnknownErrorInJapaneseHasNoLineBreak) {
  RegionRig rig(Program::Mere2k, RegionDrive(0xFE, 4, 1, &kAllSix), Language{932});
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(2));
  FailTestUnitReady(rig.Drive(), 1, sim::kHardwareError);
  rig.Mark();
  rig.Change();
  EXPECT_EQ(rig.NewLog().substr(0, rig.NewLog().find("\r\n")),
            "不明なエラーが発生しました。ドライブのリージョンコードは１です.");
}

TEST(ReadinessWait, SenseThatCannotBeFetchedIsNotTakenForNoDisc) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFF, 4, 0, nullptr));
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(2));
  rig.Drive().FailCommand(0x03, 1, sim::kHardwareError);
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::NotReady);
  EXPECT_EQ(rig.Commands().at(0), "TUR !02/3a/00");
  EXPECT_EQ(rig.Commands().at(1), "SENSE !04/44/00");
  EXPECT_TRUE(rig.view.questions.empty());
}

TEST(ReadinessWait, TenUnitAttentionsInARowAreWaitedOutAndTheEleventhEndsIt) {
  for (int attentions : {10, 11}) {
    SCOPED_TRACE(attentions);
    RegionRig rig(Program::Mere2k, RegionDrive(0xFE, 4, 1, &kAllSix));
    rig.Report();
    ASSERT_TRUE(rig.view.ClickRegion(2));
    FailTestUnitReady(rig.Drive(), attentions, sim::Sense{0x06, 0x29, 0x00});
    rig.Mark();
    const ChangeOutcome outcome = rig.Change();
    const Words commands = rig.Commands();
    EXPECT_EQ(Count(commands, "TUR !06/29/00"), static_cast<size_t>(attentions));
    if (attentions == 10) {
      EXPECT_EQ(outcome, ChangeOutcome::Changed);
      EXPECT_EQ(Count(commands, "TUR"), 1u);
    } else {
      EXPECT_EQ(outcome, ChangeOutcome::NotReady);
      EXPECT_EQ(rig.SendKeys(), 0u);
    }
    EXPECT_TRUE(rig.timer.Sleeps().empty());
  }
}

TEST(ReadinessWait, BecomingReadyPausesWithTheWindowPaintedAndGoesOn) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFE, 4, 1, &kAllSix));
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(2));
  rig.Drive().InsertDisc(3500);
  rig.Drive().ClearPendingSense();
  rig.Mark();
  const size_t eventsBefore = rig.view.events.size();
  EXPECT_EQ(rig.Change(), ChangeOutcome::Changed);

  EXPECT_EQ(rig.Commands(),
            (Words{"TUR !06/28/00", "SENSE", "TUR !02/04/01", "SENSE", "TUR !02/04/01", "SENSE",
                   "TUR !02/04/01", "SENSE", "TUR !02/04/01", "SENSE", "TUR", "SEND KEY",
                   "REPORT KEY", "READ DVD STRUCTURE"}));
  EXPECT_EQ(rig.NewLog(),
            "Now toc read in progress...\r\nNow toc read in progress...\r\n"
            "Now toc read in progress...\r\nNow toc read in progress...\r\n"
            "Success to set regional code.\r\nDrive's region is 2.\r\n"
            "This disc is allowed region 1 2 3 4 5 6\r\n");
  // The progress lines leave the caret where it was, and the window is
  // pumped all through each pause, never asleep for long.
  const std::vector<std::string> events(rig.view.events.begin() + eventsBefore,
                                        rig.view.events.end());
  EXPECT_EQ(std::count(events.begin(), events.end(), "log:keep"), 4);
  uint32_t slept = 0;
  for (uint32_t ms : rig.timer.Sleeps()) {
    EXPECT_LE(ms, 50u);
    slept += ms;
  }
  EXPECT_EQ(slept, 4000u);
  EXPECT_GE(static_cast<size_t>(std::count(events.begin(), events.end(), "pump")),
            rig.timer.Sleeps().size());
}

TEST(ReadinessWait, BecomingReadyForMoreThanAMinuteEndsIt) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFE, 4, 1, &kAllSix));
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(2));
  rig.Drive().InsertDisc(10 * 60 * 1000);
  rig.Drive().ClearPendingSense();
  const uint64_t start = rig.bus.NowMs();
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::NotReady);
  EXPECT_EQ(rig.SendKeys(), 0u);
  EXPECT_GT(rig.bus.NowMs() - start, 60000u);
  EXPECT_LT(rig.bus.NowMs() - start, 63000u);
  const std::string log = rig.NewLog();
  EXPECT_NE(log.find("Now toc read in progress...\r\nUnknown error is occurred.\r\n"
                     "Drive's region is 1.\r\nGet disc region is failed.\r\n"),
            std::string::npos);
}

// After a failed REPORT KEY the change takes no shortcut: it waits for the
// drive and lets the drive decide.
TEST(UnknownRpcState, StalePermanenceOfAnotherDriveIsNotBelieved) {
  const sim::DiscContent regions12 = sim::CssDisc(0xFC);
  RegionRig rig(Program::Mere9x,
                {RegionDrive(0xFE, 0, 3, &kAllSix), RegionDrive(0xFF, 5, 0, &regions12)});
  rig.Report();  // drive 0: permanent
  rig.Drive(1).FailCommand(0xA4, 1, sim::kHardwareError);
  rig.view.SelectListItem(1);
  rig.Report();  // the selection change; REPORT KEY fails
  ASSERT_TRUE(rig.view.ClickRegion(2));
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::Changed);
  EXPECT_EQ(rig.Commands(), (Words{"TUR", "SEND KEY", "REPORT KEY", "READ DVD STRUCTURE"}));
  EXPECT_EQ(rig.Drive(1).Region().Rpc().regionMask, 0xFD);
}

TEST(UnknownRpcState, NoNeverSetShortcutAndThePermanentDriveRefuses) {
  const sim::DiscContent regions12 = sim::CssDisc(0xFC);
  RegionRig rig(Program::Mere9x,
                {RegionDrive(0xFF, 5, 0, nullptr), RegionDrive(0xFE, 0, 3, &regions12)});
  rig.Report();  // drive 0: never set
  rig.Drive(1).FailCommand(0xA4, 1, sim::kHardwareError);
  rig.view.SelectListItem(1);
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(2));
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::Refused);
  EXPECT_EQ(rig.Commands(),
            (Words{"TUR", "SEND KEY !05/6f/05", "SENSE", "REPORT KEY", "READ DVD STRUCTURE"}));
  EXPECT_EQ(rig.NewLog(),
            "Failed to set regional code.\r\nDrive's region is 1.\r\n"
            "This disc is allowed region 1 2\r\n");
}

}  // namespace
}  // namespace kestrel
