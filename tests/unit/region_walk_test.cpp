// A region change is spent only when the user asks for it: a walk through
// start-up, Get Region, selection changes, the no-disc box and every failure
// path, counting the SEND KEYs each step sends. Also the window set-up of
// both programs.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fakes/program_rows.h"
#include "region_rig.h"

namespace kestrel {
namespace {

using testing::RegionDrive;
using testing::RegionRig;

const sim::DiscContent kUnprotected = sim::UnprotectedDisc();

TEST(RegionWalk, SendKeyOnlyBySetRegionWithACheckedButtonOncePerPress) {
  // 0: never set, no disc; 1: no region, four changes, no disc; 2: invalid
  // mask, a disc; 3: permanent.
  RegionRig rig(Program::Mere9x,
                {RegionDrive(0xFF, 5, 0, nullptr), RegionDrive(0xFF, 4, 0, nullptr),
                 RegionDrive(0x7F, 4, 1, &kUnprotected), RegionDrive(0xFB, 0, 3, &kUnprotected)});
  auto select = [&](int index) {
    rig.view.SelectListItem(index);
    rig.Report();  // the list's selection change
  };

  struct Step {
    const char* what;
    std::function<void()> run;
    size_t sendKeys;
  };
  const std::vector<Step> steps = {
      {"start-up", [&] { rig.SetUp(rig.kit->Discovery()); }, 0},
      {"Get Region", [&] { rig.Report(); }, 0},
      {"select 1", [&] { select(1); }, 0},
      {"no disc, Cancel",
       [&] {
         rig.view.answers = {testing::BoxAnswer::Cancel};
         rig.Change();
       },
       0},
      {"no disc, OK then Cancel",
       [&] {
         rig.view.answers = {testing::BoxAnswer::Ok, testing::BoxAnswer::Cancel};
         rig.Change();
       },
       0},
      {"unknown sense",
       [&] {
         rig.Drive(1).FailCommand(0x00, 1, sim::kHardwareError);
         rig.Change();
       },
       0},
      {"select 2, nothing checkable", [&] { select(2); }, 0},
      {"no region checked", [&] { rig.Change(); }, 0},
      {"select 3, permanent", [&] { select(3); }, 0},
      {"permanent", [&] { rig.Change(); }, 0},
      {"nothing selected",
       [&] {
         rig.view.selection = -1;
         rig.Change();
       },
       0},
      {"select 0, Get Region twice",
       [&] {
         select(0);
         rig.Report();
       },
       0},
      {"Set Region, region 4",
       [&] {
         ASSERT_TRUE(rig.view.ClickRegion(4));
         rig.Change();
       },
       1},
      {"again: the drive's own region, nothing spent", [&] { rig.Change(); }, 0},
      {"select 1, refused by the drive",
       [&] {
         select(1);
         rig.Drive(1).InsertDisc();
         rig.Drive(1).FailCommand(0xA3, 1, sim::Sense{0x05, 0x6F, 0x05});
         ASSERT_TRUE(rig.view.ClickRegion(2));
         rig.Change();
       },
       1},
      {"select 1 once more, accepted",
       [&] {
         ASSERT_TRUE(rig.view.ClickRegion(2));
         rig.Change();
       },
       1},
      {"its own region again, nothing spent", [&] { rig.Change(); }, 0},
  };

  size_t before = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.run();
    EXPECT_EQ(rig.SendKeys() - before, step.sendKeys);
    before = rig.SendKeys();
  }
  EXPECT_EQ(rig.view.questions.size(), 3u);
  EXPECT_EQ(rig.Drive(0).Region().Rpc().regionMask, 0xF7);
  EXPECT_EQ(rig.Drive(1).Region().Rpc().userChanges, 3);
}

TEST(RegionSetUp, Mere9xWithoutAMakerDriveEndsAfterItsBox) {
  RegionRig rig(Program::Mere9x, std::vector<sim::DriveConfig>{});
  rig.bus.AddAdapter("intelata").AddTarget(0, sim::OtherDrive("PIONEER ", "DVD-ROM DVD-106"));
  rig.aspi->InitDriveAccess();  // the inventory with the adapter
  rig.SetUp(rig.kit->Discovery());
  ASSERT_EQ(rig.view.messages.size(), 1u);
  EXPECT_EQ(rig.view.messages[0].caption, "Supported drive did not found");
  EXPECT_TRUE(rig.view.closed);
  EXPECT_EQ(rig.SendKeys(), 0u);
}

TEST(RegionSetUp, Mere9xReportsTheFirstEntryAtTheEnd) {
  const sim::DiscContent region2 = sim::CssDisc(0x3D);
  RegionRig rig(Program::Mere9x, RegionDrive(0xFF, 5, 0, &region2));
  rig.SetUp(rig.kit->Discovery());
  ASSERT_EQ(rig.view.items.size(), 1u);
  EXPECT_EQ(rig.view.selection, 0);
  EXPECT_EQ(rig.view.LogText(), "Drive has no region.\r\nThis disc is allowed region 2\r\n");
  EXPECT_EQ(rig.view.EnabledButtons(), "123456");
  EXPECT_EQ(rig.view.CheckedDiscBoxes(), ".2....");
}

TEST(RegionSetUp, Mere2kWithNoDriveStaysOpenWithAnEmptyList) {
  RegionRig rig(Program::Mere2k, std::vector<sim::DriveConfig>{});
  rig.SetUp(rig.kit->Discovery());
  EXPECT_TRUE(rig.view.items.empty());
  EXPECT_FALSE(rig.view.closed);
  EXPECT_TRUE(rig.view.messages.empty());
  EXPECT_EQ(rig.view.LogText(), "");
  EXPECT_FALSE(rig.view.controls.countLabel.has_value()) << "the template's text stays";

  rig.Report();
  EXPECT_EQ(rig.view.LogText(), "Don't select the valid item.");
}

}  // namespace
}  // namespace kestrel
