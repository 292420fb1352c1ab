// ChangeRegion against the simulated drive: the permanent test, the
// never-set shortcut, the readiness wait and its box, SEND KEY and the
// closing report, with the exact commands each path sends.
#include <gtest/gtest.h>

#include "fakes/program_rows.h"

#include <string>
#include <vector>

#include "region_rig.h"

namespace kestrel {
namespace {

using testing::RegionDrive;
using testing::RegionRig;
using Words = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

const sim::DiscContent kUnprotected = sim::UnprotectedDisc();
const sim::DiscContent kAllSix = sim::CssDisc(0xC0);

TEST(ChangeRegion, NeverSetDriveTakesItsFirstRegionWithoutADisc) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFF, 5, 0, nullptr));
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(3));
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::Changed);

  EXPECT_EQ(rig.Commands(),
            (Words{"SEND KEY", "REPORT KEY", "READ DVD STRUCTURE !02/3a/00", "SENSE"}));
  EXPECT_EQ(rig.ParameterLists(), (std::vector<Bytes>{{0x00, 0x06, 0x00, 0x00, 0xFB, 0, 0, 0}}));
  EXPECT_EQ(rig.NewLog(),
            "Success to set regional code.\r\nDrive's region is 3.\r\n"
            "Get disc region is failed.\r\n");
  EXPECT_EQ(rig.view.controls.countLabel, "Regional code can be changed 4time(s)");
  EXPECT_EQ(rig.Drive().Region().Rpc(), (sim::RpcState{1, 4, 4, 0xFB, 1}));
}

TEST(ChangeRegion, EachRegionSendsItsOwnMask) {
  for (int region = 1; region <= 6; ++region) {
    RegionRig rig(Program::Mere2k, RegionDrive(0xFF, 5, 0, &kUnprotected));
    rig.Report();
    ASSERT_TRUE(rig.view.ClickRegion(region));
    rig.Change();
    const uint8_t mask = static_cast<uint8_t>(0xFF & ~(1u << (region - 1)));
    ASSERT_EQ(rig.ParameterLists().size(), 1u);
    EXPECT_EQ(rig.ParameterLists()[0], (Bytes{0x00, 0x06, 0x00, 0x00, mask, 0, 0, 0}));
    EXPECT_EQ(rig.Drive().Region().Rpc().regionMask, mask);
  }
}

TEST(ChangeRegion, FourChangesLeftAndNoDiscAsksForOneAndCancels) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFF, 4, 0, nullptr));
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(2));
  rig.Mark();
  rig.view.answers = {testing::BoxAnswer::Cancel};
  EXPECT_EQ(rig.Change(), ChangeOutcome::Cancelled);

  EXPECT_EQ(rig.Commands(), (Words{"TUR !02/3a/00", "SENSE", "REPORT KEY",
                                   "READ DVD STRUCTURE !02/3a/00", "SENSE"}));
  ASSERT_EQ(rig.view.questions.size(), 1u);
  EXPECT_EQ(rig.view.questions[0].text, "Disc is not present !\r\nPlease insert approproiate disc");
  EXPECT_EQ(rig.view.questions[0].caption, "Attention");
  EXPECT_EQ(rig.view.questions[0].icon, BoxIcon::Exclamation);
  EXPECT_EQ(rig.NewLog(),
            "Operation is canceled.\r\nDrive has no region.\r\n"
            "Get disc region is failed.\r\n");
  EXPECT_EQ(rig.Drive().Region().Rpc().userChanges, 4);
}

TEST(ChangeRegion, OkWaitsForTheDiscAndAUnitAttentionIsTestedAgainAtOnce) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFF, 4, 0, nullptr));
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(2));
  rig.Mark();
  rig.view.answers = {testing::BoxAnswer::Ok, testing::BoxAnswer::Ok};
  rig.view.onQuestion = [&] {
    if (rig.view.questions.size() == 2) rig.Drive().InsertDisc();  // after the first OK
  };
  EXPECT_EQ(rig.Change(), ChangeOutcome::Changed);

  EXPECT_EQ(rig.Commands(),
            (Words{"TUR !02/3a/00", "SENSE", "TUR !02/3a/00", "SENSE", "TUR !06/28/00", "SENSE",
                   "TUR", "SEND KEY", "REPORT KEY", "READ DVD STRUCTURE"}));
  EXPECT_EQ(rig.view.questions.size(), 2u);
  EXPECT_TRUE(rig.timer.Sleeps().empty()) << "no pause for a unit attention";
  EXPECT_EQ(rig.Drive().Region().Rpc().userChanges, 3);
}

TEST(ChangeRegion, PermanentRegionSendsNothingBeyondTheReport) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFE, 0, 3, &kAllSix));
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(2));
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::Permanent);
  EXPECT_EQ(rig.Commands(), (Words{"REPORT KEY", "READ DVD STRUCTURE"}));
  EXPECT_EQ(rig.NewLog(),
            "Drive regional code is already permanent state.\r\n"
            "Drive's region is 1.\r\nThis disc is allowed region 1 2 3 4 5 6\r\n");
}

TEST(ChangeRegion, TheDriveCountsAndTheFifthChangeIsTheLast) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFF, 5, 0, &kAllSix));
  rig.Report();
  for (int change = 1; change <= 5; ++change) {
    SCOPED_TRACE(change);
    ASSERT_TRUE(rig.view.ClickRegion(change));
    EXPECT_EQ(rig.Change(), ChangeOutcome::Changed);
    EXPECT_EQ(rig.view.controls.countLabel,
              "Regional code can be changed " + std::to_string(5 - change) + "time(s)");
    EXPECT_EQ(rig.view.CheckedButtons()[change - 1], static_cast<char>('0' + change));
  }
  EXPECT_EQ(rig.Drive().Region().Rpc().typeCode, 3);

  ASSERT_TRUE(rig.view.ClickRegion(6));
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::Permanent);
  EXPECT_EQ(rig.SendKeys(), 5u);
  EXPECT_EQ(rig.Drive().Region().Rpc().regionMask, 0xEF);
}

TEST(ChangeRegion, RefusalOfTheDriveIsAFailedChange) {
  // A strict drive refuses a region the CSS disc in the tray does not allow.
  const sim::DiscContent region1 = sim::CssDisc(0x3E);
  sim::DriveConfig config = RegionDrive(0xFF, 4, 0, &region1);
  config.region.strict = true;
  RegionRig rig(Program::Mere9x, config);
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(2));
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::Refused);
  EXPECT_EQ(rig.Commands(),
            (Words{"TUR", "SEND KEY !05/6f/04", "SENSE", "REPORT KEY", "READ DVD STRUCTURE"}));
  EXPECT_EQ(rig.NewLog(),
            "Failed to set regional code.\r\nDrive has no region.\r\n"
            "This disc is allowed region 1\r\n");
  EXPECT_EQ(rig.Drive().Region().Rpc().userChanges, 4);
}

TEST(ChangeRegion, NoCheckedRegionAfterTheWait) {
  RegionRig rig(Program::Mere9x, RegionDrive(0x7F, 4, 1, &kUnprotected), Language{932});
  rig.Report();
  ASSERT_EQ(rig.view.EnabledButtons(), "......");
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::RegionNotSelected);
  EXPECT_EQ(rig.Commands(), (Words{"TUR", "REPORT KEY", "READ DVD STRUCTURE"}));
  EXPECT_EQ(rig.NewLog().substr(0, rig.NewLog().find("ドライブ")),
            "適切なリージョンが選択されていません。\r\n");
}

TEST(ChangeRegion, NoSelectionIsToldTwice) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFF, 5, 0, nullptr));
  rig.view.selection = -1;
  EXPECT_EQ(rig.Change(), ChangeOutcome::NoSelection);
  EXPECT_EQ(rig.view.LogText(), "Don't select the valid item.Don't select the valid item.");
  EXPECT_TRUE(rig.Commands().empty());
}

TEST(ChangeRegion, AnotherSelectionIsReportedAndNothingSent) {
  RegionRig rig(Program::Mere9x,
                {RegionDrive(0xFF, 5, 0, nullptr), RegionDrive(0xEF, 2, 1, &kUnprotected)});
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(2));
  rig.view.SelectListItem(1);  // without the list's own report
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::OtherDriveReported);
  // Drive 1's report checks its own region 5; the user sees it and chooses.
  EXPECT_EQ(rig.Commands(), (Words{"REPORT KEY", "READ DVD STRUCTURE"}));
  EXPECT_EQ(rig.NewLog(),
            "Drive's region is 5.\r\nNo copyright protrction disc.\r\nAll region is allowed.\r\n");
  EXPECT_EQ(rig.Drive(1).Region().Rpc().userChanges, 2);
  EXPECT_EQ(rig.Drive(0).Region().Rpc().userChanges, 5);
}

// The drive's own region checked: nothing is sent and no change spent, as
// long as the last report of this drive read its state.
TEST(ChangeRegion, TheDrivesOwnRegionSpendsNoChange) {
  const struct {
    Program utility;
    Language language;
    const char* line;
  } cases[] = {
      {Program::Mere9x, Language{},
       "Drive's region is already 3. Regional code is not changed.\r\n"},
      {Program::Mere2k, Language{932},
       "ドライブのリージョンコードはすでに３です。変更は行われません。\r\n"},
  };
  for (const auto& c : cases) {
    RegionRig rig(c.utility, RegionDrive(0xFB, 1, 1, &kAllSix), c.language);
    rig.Report();
    ASSERT_EQ(rig.view.CheckedButtons(), "..3...");
    const std::string report = rig.view.LogText();
    rig.Mark();
    EXPECT_EQ(rig.Change(), ChangeOutcome::AlreadySet);
    EXPECT_EQ(rig.Commands(), (Words{"REPORT KEY", "READ DVD STRUCTURE"}));
    EXPECT_EQ(rig.NewLog(), c.line + report);
    EXPECT_EQ(rig.Drive().Region().Rpc(), (sim::RpcState{1, 1, 4, 0xFB, 1}));
    ASSERT_TRUE(rig.view.ClickRegion(4));  // another region still changes
    EXPECT_EQ(rig.Change(), ChangeOutcome::Changed);
    EXPECT_EQ(rig.Drive().Region().Rpc().regionMask, 0xF7);
  }
  // Without a reply to the last REPORT KEY the drive decides.
  RegionRig rig(Program::Mere9x, RegionDrive(0xFB, 4, 1, &kAllSix));
  rig.Report();
  rig.Drive().FailCommand(0xA4, 1, sim::kHardwareError);
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(3));
  EXPECT_EQ(rig.Change(), ChangeOutcome::Changed);
  EXPECT_EQ(rig.SendKeys(), 1u);
}

TEST(ChangeRegionMere2k, EveryReportAndChangeOpensAndClosesTheDrive) {
  RegionRig rig(Program::Mere2k, RegionDrive(0xFF, 4, 0, nullptr), Language{932});
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(6));
  rig.Mark();
  rig.view.answers = {testing::BoxAnswer::Cancel};
  EXPECT_EQ(rig.Change(), ChangeOutcome::Cancelled);
  // The sense data comes back with the failed request: no REQUEST SENSE.
  EXPECT_EQ(rig.Commands(), (Words{"TUR !02/3a/00", "REPORT KEY", "READ DVD STRUCTURE !02/3a/00"}));
  ASSERT_EQ(rig.view.questions.size(), 1u);
  EXPECT_EQ(rig.view.questions[0].text,
            "ディスクがありません\r\n適切なディスクを挿入してください。");
  EXPECT_EQ(rig.view.questions[0].caption, "注意");
  EXPECT_EQ(rig.NewLog(),
            "処理は中断されました。\r\n"
            "ドライブのリージョンコードは未設定です.\r\n"
            "ディスクのリージョンコードの取得に失敗しました。\r\n");
  EXPECT_EQ(rig.letterPort->OpenCount(), 3);  // report, change, closing report
  EXPECT_EQ(rig.letterPort->OpenHandleCount(), 0u);

  // A never-set drive: SEND KEY at once, the drive closed at the end.
  rig.Drive().Region().SetRpc(sim::RpcState{0, 5, 4, 0xFF, 1});
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(6));
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::Changed);
  EXPECT_EQ(rig.Commands(), (Words{"SEND KEY", "REPORT KEY", "READ DVD STRUCTURE !02/3a/00"}));
  EXPECT_EQ(rig.passThrough->LastRequest().sptd.CdbLength, 12);
  EXPECT_EQ(rig.letterPort->OpenHandleCount(), 0u);
  EXPECT_EQ(rig.view.controls.countLabel, "リージョンコードはあと4回変更可能です。");
}

TEST(ChangeRegionMere2k, DriveThatCannotBeOpened) {
  RegionRig rig(Program::Mere2k, RegionDrive(0xFF, 5, 0, nullptr));
  rig.Report();
  ASSERT_TRUE(rig.view.ClickRegion(1));
  rig.bus.Letter('E')->refuseOpen = true;
  rig.Mark();
  EXPECT_EQ(rig.Change(), ChangeOutcome::OpenFailed);
  EXPECT_EQ(rig.NewLog(), "Device open API is failed.Device open API is failed.");
  EXPECT_TRUE(rig.Commands().empty());
}

}  // namespace
}  // namespace kestrel
