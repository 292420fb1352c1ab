// ReportRegion against the simulated drive: what the drive's RPC state and
// the disc's region information turn into (log lines, buttons, check boxes,
// count label), and the commands each report sends.
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

const sim::DiscContent kUnprotected = sim::UnprotectedDisc();

TEST(ReportRegion, EachSingleRegionMaskEnablesAndChecksOnlyItsButton) {
  for (int region = 1; region <= 6; ++region) {
    SCOPED_TRACE(region);
    const uint8_t mask = static_cast<uint8_t>(0xFF & ~(1u << (region - 1)));
    RegionRig rig(Program::Mere9x, RegionDrive(mask, 3, 1, &kUnprotected));
    rig.Report();

    const std::string line = "Drive's region is " + std::to_string(region) + ".\r\n";
    EXPECT_EQ(rig.view.LogText(),
              line + "No copyright protrction disc.\r\nAll region is allowed.\r\n");
    std::string only(6, '.');
    only[region - 1] = static_cast<char>('0' + region);
    EXPECT_EQ(rig.view.EnabledButtons(), only);
    EXPECT_EQ(rig.view.CheckedButtons(), only);
    EXPECT_TRUE(rig.view.controls.regionButtons[region - 1].pressed);
    EXPECT_EQ(rig.view.controls.countLabel, "Regional code can be changed 3time(s)");
    EXPECT_EQ(rig.Commands(), (Words{"REPORT KEY", "READ DVD STRUCTURE"}));
  }
}

TEST(ReportRegion, NoRegionEnablesAllSixButtonsAndChecksNone) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFF, 5, 0, &kUnprotected));
  rig.Report();
  EXPECT_EQ(rig.view.LogText(),
            "Drive has no region.\r\nNo copyright protrction disc.\r\n"
            "All region is allowed.\r\n");
  EXPECT_EQ(rig.view.EnabledButtons(), "123456");
  EXPECT_EQ(rig.view.CheckedButtons(), "......");
  // No blank between the number and the word.
  EXPECT_EQ(rig.view.controls.countLabel, "Regional code can be changed 5time(s)");
}

TEST(ReportRegion, MasksWithoutMeaningAreInvalidInLowerCaseHex) {
  // 7Fh is region 8, BFh region 7, FCh two regions at once.
  for (uint8_t mask : {0x7F, 0xBF, 0xFC, 0x00}) {
    RegionRig rig(Program::Mere9x, RegionDrive(mask, 2, 1, &kUnprotected));
    rig.Report();
    char line[64];
    std::snprintf(line, sizeof line, "Invalid or Unknown region (%02xh).\r\n", mask);
    EXPECT_EQ(rig.view.LogText(), std::string(line) +
                                      "No copyright protrction disc.\r\n"
                                      "All region is allowed.\r\n");
    EXPECT_EQ(rig.view.EnabledButtons(), "......") << std::hex << int{mask};
  }
}

TEST(ReportRegion, SchemeOtherThanRpc2ChangesOnlyTheLabel) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFB, 4, 1, &kUnprotected, 0));
  rig.Report();
  EXPECT_EQ(rig.view.controls.countLabel, "This drive does not support RPC2");
  EXPECT_EQ(rig.view.logUpdates.at(0).log, "Drive's region is 3.\r\n");
  EXPECT_EQ(rig.view.CheckedButtons(), "..3...");
}

TEST(ReportRegion, ProtectedDiscListsItsRegionsAndEnablesTheirButtons) {
  // 3Eh: region 1 only (bits 1-5 set); the drive is region 2.
  const sim::DiscContent region1 = sim::CssDisc(0x3E);
  RegionRig rig(Program::Mere9x, RegionDrive(0xFD, 4, 1, &region1));
  rig.Report();
  EXPECT_EQ(rig.view.LogText(), "Drive's region is 2.\r\nThis disc is allowed region 1\r\n");
  EXPECT_EQ(rig.view.CheckedDiscBoxes(), "1.....");
  EXPECT_EQ(rig.view.EnabledButtons(), "12....");
  EXPECT_EQ(rig.view.CheckedButtons(), ".2....") << "the disc does not check a button";

  // C0h: regions 7 and 8 forbidden, never mentioned; all six listed in order.
  rig.Drive().Region().SetDisc(sim::CssDisc(0xC0));
  rig.Mark();
  rig.Report();
  EXPECT_EQ(rig.NewLog(), "Drive's region is 2.\r\nThis disc is allowed region 1 2 3 4 5 6\r\n");
  EXPECT_EQ(rig.view.CheckedDiscBoxes(), "123456");

  // CPRM counts as protected too; a disc for no region of the six.
  rig.Drive().Region().SetDisc(sim::DiscContent{2, 0x3F});
  rig.Mark();
  rig.Report();
  EXPECT_EQ(rig.NewLog(), "Drive's region is 2.\r\nThis disc is allowed region\r\n");
  EXPECT_EQ(rig.view.CheckedDiscBoxes(), "......");
}

TEST(ReportRegion, UnprotectedAndUnknownDiscsEnableNoRegionButton) {
  RegionRig rig(Program::Mere9x, RegionDrive(0x7F, 4, 1, &kUnprotected));
  rig.Report();
  EXPECT_EQ(rig.view.CheckedDiscBoxes(), "123456");
  EXPECT_EQ(rig.view.EnabledButtons(), "......");

  rig.Drive().Region().SetDisc(sim::UnknownProtectionDisc(3));
  rig.Mark();
  rig.Report();
  EXPECT_EQ(rig.NewLog(),
            "Invalid or Unknown region (7fh).\r\nThis DVD has the unknown copyright protection "
            "type.\r\n");
  EXPECT_EQ(rig.view.CheckedDiscBoxes(), "......");
  EXPECT_EQ(rig.view.EnabledButtons(), "......");
}

TEST(ReportRegion, ASecondDiscLeavesNoMarkOfTheFirst) {
  const sim::DiscContent allSix = sim::CssDisc(0xC0);
  RegionRig rig(Program::Mere9x, RegionDrive(0xFF, 3, 1, &allSix));
  rig.Report();
  ASSERT_EQ(rig.view.CheckedDiscBoxes(), "123456");

  rig.Drive().InsertDisc();
  rig.Drive().Region().SetDisc(sim::CssDisc(0x3B));  // region 3 only
  rig.Drive().ClearPendingSense();
  rig.Mark();
  rig.Report();  // the unit attention of the change meets REPORT KEY
  EXPECT_TRUE(rig.operations->Session().rpcStateValid);
  rig.Report();
  EXPECT_EQ(rig.Commands(), (Words{"REPORT KEY !06/28/00", "SENSE", "REPORT KEY",
                                   "READ DVD STRUCTURE", "REPORT KEY", "READ DVD STRUCTURE"}));
  EXPECT_EQ(rig.view.CheckedDiscBoxes(), "..3...");

  rig.Drive().RemoveDisc();
  rig.Drive().ClearPendingSense();
  rig.Report();
  rig.Mark();
  rig.Report();
  EXPECT_EQ(rig.view.CheckedDiscBoxes(), "......");
  EXPECT_EQ(rig.NewLog(), "Drive has no region.\r\nGet disc region is failed.\r\n");
}

TEST(ReportRegion, NoDiscStillShowsTheDriveFirst) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFE, 4, 1, nullptr));
  rig.Report();
  EXPECT_EQ(rig.view.LogText(), "Drive's region is 1.\r\nGet disc region is failed.\r\n");
  // The drive line is in the log (caret at its end) before the disc is read.
  ASSERT_EQ(rig.view.logUpdates.size(), 2u);
  EXPECT_EQ(rig.view.logUpdates[0].log, "Drive's region is 1.\r\n");
  EXPECT_TRUE(rig.view.logUpdates[0].caretToEnd);
  // MERE9X asks for the sense data of every failed command.
  EXPECT_EQ(rig.Commands(), (Words{"REPORT KEY", "READ DVD STRUCTURE !02/3a/00", "SENSE"}));
  EXPECT_EQ(rig.view.CheckedButtons(), "1.....");
}

TEST(ReportRegion, FailedReportKeyClearsTheLabelAndStillReadsTheDisc) {
  const sim::DiscContent region4 = sim::CssDisc(0x37);
  RegionRig rig(Program::Mere9x, RegionDrive(0xFE, 2, 1, &region4));
  rig.Report();
  ASSERT_EQ(rig.view.controls.countLabel, "Regional code can be changed 2time(s)");

  rig.Drive().FailCommand(0xA4, 1, sim::kHardwareError);
  rig.Mark();
  rig.Report();
  EXPECT_EQ(rig.NewLog(), "Get drive region is failed.\r\nThis disc is allowed region 4\r\n");
  EXPECT_EQ(rig.view.controls.countLabel, "");
  EXPECT_EQ(rig.view.EnabledButtons(), "...4..") << "only the disc's region";
  EXPECT_EQ(rig.view.CheckedButtons(), "......");
  EXPECT_EQ(rig.Commands(), (Words{"REPORT KEY !04/44/00", "SENSE", "READ DVD STRUCTURE"}));
  EXPECT_FALSE(rig.operations->Session().rpcStateValid);
}

TEST(ReportRegion, JapaneseLines) {
  const sim::DiscContent region1 = sim::CssDisc(0x3E);
  RegionRig rig(Program::Mere9x, RegionDrive(0xFE, 4, 1, &region1), Language{932});
  rig.Report();
  EXPECT_EQ(rig.view.LogText(),
            "ドライブのリージョンコードは１です.\r\n"
            "このディスクは地域 1での視聴が許可されています。\r\n");
  EXPECT_EQ(rig.view.controls.countLabel, "リージョンコードはあと4回変更可能です。");

  rig.Drive().Region().SetRpc(sim::RpcState{1, 4, 4, 0x7F, 0});
  rig.Drive().Region().SetDisc(sim::UnprotectedDisc());
  rig.Mark();
  rig.Report();
  EXPECT_EQ(rig.view.controls.countLabel, "このドライブはRPC2をサポートしていません。");
  EXPECT_EQ(rig.NewLog(),
            "ドライブのリージョンコードは不正な値(7fh)です.\r\n"
            "このディスクにはコピープロテクトがありません.\r\n"
            "全ての地域での視聴が許可されています.\r\n");

  rig.Drive().Region().SetRpc(sim::RpcState{0, 5, 4, 0xFF, 1});
  rig.Drive().Region().SetDisc(sim::UnknownProtectionDisc(7));
  rig.Mark();
  rig.Report();
  EXPECT_EQ(rig.NewLog(),
            "ドライブのリージョンコードは未設定です.\r\n"
            "このディスクは不明なコピープロテクト方式を持っています。\r\n");
  rig.Drive().RemoveDisc();
  rig.Drive().FailCommand(0xA4, 1, sim::kHardwareError);
  rig.Mark();
  rig.Report();
  EXPECT_EQ(rig.NewLog(),
            "リージョンコードの取得に失敗しました。\r\n"
            "ディスクのリージョンコードの取得に失敗しました。\r\n");
}

TEST(ReportRegion, NothingSelectedSendsNothing) {
  RegionRig rig(Program::Mere9x, RegionDrive(0xFE, 4, 1, &kUnprotected));
  rig.Report();
  const RegionControls before = rig.view.controls;
  rig.view.selection = -1;  // text typed into the list's edit field
  rig.Mark();
  rig.Report();
  EXPECT_EQ(rig.NewLog(), "Don't select the valid item.");
  EXPECT_TRUE(rig.Commands().empty());
  EXPECT_EQ(rig.view.controls.regionButtons, before.regionButtons);
  EXPECT_EQ(rig.operations->Session().lastReportedIndex, 0);
}

TEST(ReportRegion, SelectionChoosesTheDrive) {
  const sim::DiscContent region5 = sim::CssDisc(0x2F);
  RegionRig rig(Program::Mere9x,
                {RegionDrive(0xFE, 4, 1, &kUnprotected), RegionDrive(0xEF, 1, 1, &region5)});
  rig.view.SelectListItem(1);
  rig.Report();
  EXPECT_EQ(rig.view.LogText(), "Drive's region is 5.\r\nThis disc is allowed region 5\r\n");
  EXPECT_EQ(rig.operations->Session().lastReportedIndex, 1);
  EXPECT_EQ(rig.bus.GetTrace().Entries().back().target, 1);
}

// MERE2K: each report opens the entry's drive letter and closes it at its end.
TEST(ReportRegionMere2k, OpensAndClosesTheDriveAndAsksNoSense) {
  RegionRig rig(Program::Mere2k, RegionDrive(0xFB, 4, 1, nullptr));
  rig.Report();
  EXPECT_EQ(rig.view.LogText(), "Drive's region is 3.\r\nGet disc region is failed.\r\n");
  EXPECT_EQ(rig.Commands(), (Words{"REPORT KEY", "READ DVD STRUCTURE !02/3a/00"}));
  EXPECT_EQ(rig.letterPort->OpenCount(), 1);
  EXPECT_EQ(rig.letterPort->OpenHandleCount(), 0u);
  EXPECT_EQ(rig.bus.GetTrace().Entries().back().letter, 'E');
}

TEST(ReportRegionMere2k, DriveThatCannotBeOpenedClearsTheControls) {
  const sim::DiscContent region1 = sim::CssDisc(0x3E);
  RegionRig rig(Program::Mere2k, RegionDrive(0xFE, 4, 1, &region1), Language{932});
  rig.Report();
  ASSERT_EQ(rig.view.CheckedButtons(), "1.....");

  rig.bus.Letter('E')->refuseOpen = true;
  rig.Mark();
  rig.Report();
  EXPECT_EQ(rig.NewLog(), "デバイスのオープンに失敗しました。");
  EXPECT_TRUE(rig.Commands().empty());
  EXPECT_EQ(rig.view.EnabledButtons(), "......");
  EXPECT_EQ(rig.view.CheckedButtons(), "......");
  EXPECT_EQ(rig.view.CheckedDiscBoxes(), "......");
  EXPECT_FALSE(rig.operations->Session().rpcStateValid);
}

}  // namespace
}  // namespace kestrel
