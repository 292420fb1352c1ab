// UpdateFirmware against the simulated drive on a virtual clock: the checks
// that guard the transfer, the messages, the programming wait of both builds
// and what follows an attempt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "drive/program_profile.h"
#include "fakes/fake_firmware_view.h"
#include "fakes/marking_ansi_decoder.h"
#include "fakes/program_rows.h"
#include "fakes/sim_kit.h"
#include "firmware/firmware_loader.h"
#include "firmware/update_procedure.h"
#include "sim/model/direct_transport.h"
#include "sim/model/sim_timer.h"
#include "tests/support/firmware_image_builder.h"
#include "tests/support/memory_file_system.h"

namespace kestrel {
namespace {

using testing::FakeFirmwareView;
using testing::FirmwareImageSetup;

constexpr uint8_t kWriteBuffer = 0x3B;
constexpr int kProgramId = 0x42;

// One program with one Kestrel drive: TARN9X reaches it at adapter 0 target
// 0, TARN2K as drive E.
class UpdateRig {
 public:
  UpdateRig(Program utility, sim::DriveConfig drive)
      : tarn9x_(utility == Program::Tarn9x),
        transport_(bus_, tarn9x_ ? -1 : 2),
        kit_(tarn9x_, transport_, simTimer_, testing::ProfileOf(utility)),
        context_(kit_.Context()),
        log_(view_) {
    if (tarn9x_) {
      bus_.AddAdapter("intelata").AddTarget(0, drive);
      drive_ = bus_.DriveAt(0, 0);
      list_.Add(DriveEntry{"ID=0 : KESTREL DVD-ROM DRV-320", AspiAddress{0, 0}});
    } else {
      drive_ = &bus_.AddLetter('E', drive);
      list_.Add(DriveEntry{"E: KESTREL DVD-ROM DRV-320  1.10", AspiAddress{}});
    }
    const DriveEntry* entry = list_.At(0);
    if (entry == nullptr) {
      ADD_FAILURE() << "the rig's drive is not in the list";
      return;
    }
    view_.items = {entry->text};
    view_.selection = 0;
  }

  void LoadImage(const std::vector<uint8_t>& image) {
    std::memcpy(transport_.Buffers().image, image.data(), image.size());
  }
  UpdateOutcome Run() {
    return UpdateFirmware(context_, image_, view_, log_, list_, {view_.selection}, kit_.Update())
        .outcome;
  }
  size_t Writes(int bufferId = -1) { return bus_.GetTrace().CountCommands(kWriteBuffer, bufferId); }
  // The view's events between the wait's progress range and its closing.
  std::vector<std::string> WaitEvents() const {
    auto begin = std::find(view_.events.begin(), view_.events.end(), "range:0-30/1");
    auto end = std::find(begin, view_.events.end(), "progress-close");
    return {begin, end};
  }
  std::vector<std::string> Labels() const {
    std::vector<std::string> labels;
    for (const auto& e : WaitEvents()) {
      if (e.rfind("label:", 0) == 0 && (labels.empty() || labels.back() != e.substr(6))) {
        labels.push_back(e.substr(6));
      }
    }
    return labels;
  }
  int Steps() const {
    const auto events = WaitEvents();
    return static_cast<int>(std::count(events.begin(), events.end(), "step"));
  }
  const std::vector<uint8_t> Flash() const { return drive_->Flash(); }

  bool tarn9x_;
  sim::Bus bus_;
  sim::DirectTransport transport_;
  sim::SimTimer simTimer_{bus_};
  testing::SimKit kit_;
  DriveContext& context_;
  ImageRecord image_;
  FakeFirmwareView view_;
  StatusLog log_;
  DriveList list_;
  sim::Drive* drive_ = nullptr;
};

sim::DriveConfig Drv320() {
  return sim::KestrelDrive("DRV-320", "1.10", "2003/05/12", "HITACHI H8_3062A");
}

std::string Label(int seconds) {
  return "Remaining time to complete about " + std::to_string(seconds) + " sec";
}

std::vector<std::string> CountdownLabels() {
  std::vector<std::string> labels;
  for (int s = 29; s >= 1; --s) labels.push_back(Label(s));
  return labels;
}

bool SamePart(const std::vector<uint8_t>& flash, const uint8_t* part) {
  // The drive keeps bytes 400h-44Fh of its own.
  return std::memcmp(flash.data(), part, 0x400) == 0 &&
         std::memcmp(flash.data() + 0x450, part + 0x450, 0x20000 - 0x450) == 0;
}

class UpdateBuildTest : public ::testing::TestWithParam<Program> {
 protected:
  UpdateRig rig{GetParam(), Drv320()};
  FirmwareImageSetup setup;
  std::vector<uint8_t> image = testing::BuildFirmwareImage(setup);
};

TEST_P(UpdateBuildTest, ASuccessfulUpdateProgramsTheDriveAndReportsIt) {
  ASSERT_NE(rig.drive_, nullptr);
  rig.LoadImage(image);
  EXPECT_EQ(rig.Run(), UpdateOutcome::Updated);

  EXPECT_TRUE(SamePart(rig.Flash(), image.data()));
  EXPECT_EQ(rig.drive_->ProgrammingCount(), 1);
  ASSERT_EQ(rig.view_.confirmations.size(), 1u);
  EXPECT_EQ(rig.view_.confirmations[0].first, "KESTREL DVD-ROM DRV-320  1.10  2003/05/12");
  EXPECT_EQ(rig.view_.confirmations[0].second, "KESTREL DVD-ROM DRV-320  1.20  2003/07/15");

  EXPECT_EQ(rig.log_.text(),
            "Start update !\r\nSuccess to verify new firmware.\r\nUpdate operation completed "
            "successfully.\r\n");
  // Logged, shown from the top, logged; TARN2K then scrolls to the end again.
  std::vector<bool> scrolls;
  for (const auto& update : rig.view_.statusUpdates) scrolls.push_back(update.scrollToEnd);
  const std::vector<bool> expected = rig.tarn9x_ ? std::vector<bool>{true, false, true}
                                                 : std::vector<bool>{true, false, true, true};
  EXPECT_EQ(scrolls, expected);

  // The wait: 30 steps of range, the label counting down 29 to 1, 29 steps,
  // the windows pumped all along, the raised timer period given back.
  EXPECT_EQ(rig.Labels(), CountdownLabels());
  EXPECT_EQ(rig.Steps(), 29);
  EXPECT_GT(std::count(rig.view_.events.begin(), rig.view_.events.end(), "pump"), 29 * 10);
  EXPECT_FALSE(rig.view_.progressOpen);
  EXPECT_EQ(rig.simTimer_.BegunPeriods(), std::vector<uint32_t>{1});
  EXPECT_EQ(rig.simTimer_.EndedPeriods(), std::vector<uint32_t>{1});
  // No pause is long enough to freeze the windows.
  for (uint32_t sleep : rig.simTimer_.Sleeps()) EXPECT_LE(sleep, kPumpSliceMs);
  EXPECT_EQ(rig.transport_.OverlapCount(), 0);
}

TEST_P(UpdateBuildTest, TheSessionIsHeldFromTheFirstWriteToTheEndOfTheVerification) {
  std::vector<std::pair<size_t, size_t>> atHold;  // WRITE BUFFERs and read-backs so far
  rig.view_.onSessionHold = [&] {
    atHold.emplace_back(rig.Writes(), rig.bus_.GetTrace().CountCommands(0x3C, 0x80));
  };
  rig.LoadImage(image);
  rig.Run();
  ASSERT_EQ(atHold.size(), 2u);
  EXPECT_EQ(atHold[0].first, 0u);
  EXPECT_EQ(atHold[1].first, rig.Writes());
  EXPECT_EQ(atHold[1].second - atHold[0].second, 4u);  // the whole verification
  EXPECT_EQ(
      rig.view_.CountEvents("hold:Updating the drive's firmware. Do not switch off the computer."),
      1);
}

TEST_P(UpdateBuildTest, TheWaitLastsThirtySecondsOfTheClock) {
  rig.LoadImage(image);
  const uint64_t before = rig.bus_.NowMs();
  rig.Run();
  const uint64_t waited = rig.bus_.NowMs() - before;
  EXPECT_GE(waited, 30000u);
  EXPECT_LT(waited, 31200u);
}

TEST_P(UpdateBuildTest, TheWaitLastsThirtySecondsAcrossTheCounterWrap) {
  // The millisecond counter passes 2^32 ten seconds into the wait.
  rig.simTimer_.SetBaseMs(0xFFFFFFFFu - 10000u + 1u);
  rig.LoadImage(image);
  const uint64_t before = rig.bus_.NowMs();
  EXPECT_EQ(rig.Run(), UpdateOutcome::Updated);
  const uint64_t waited = rig.bus_.NowMs() - before;
  EXPECT_GE(waited, 30000u);
  EXPECT_LT(waited, 31200u);
  EXPECT_EQ(rig.Labels(), CountdownLabels());
}

TEST_P(UpdateBuildTest, NothingIsWrittenUntilEveryCheckAndTheUserAgree) {
  struct Case {
    const char* name;
    std::function<void(UpdateRig&, std::vector<uint8_t>&)> arrange;
    UpdateOutcome outcome;
    std::string log;
    bool shownFromTop;
  };
  const std::string notSupported = std::string("Selected drive is not supported by this program.") +
                                   (GetParam() == Program::Tarn2k ? "\r\n" : "");
  const std::vector<Case> cases = {
      {"no selection", [](UpdateRig& r, auto&) { r.view_.selection = -1; }, UpdateOutcome::NoDrive,
       "Don't select the avialable drive.", false},
      {"listed drive's INQUIRY fails",
       [](UpdateRig& r, auto&) { r.drive_->FailCommand(0x12, 1, sim::kHardwareError); },
       UpdateOutcome::NoDrive, notSupported, false},
      {"never loaded", [](UpdateRig&, auto& img) { img.assign(img.size(), 0); },
       UpdateOutcome::ImageNotAvailable, "This file is not available.", true},
      {"CPU id unreadable",
       [](UpdateRig& r, auto&) { r.drive_->FailCommand(0x3C, 1, sim::kHardwareError, 0x80); },
       UpdateOutcome::CpuReadFailed, "", false},
      {"other CPU",
       [](UpdateRig&, auto& img) { std::memcpy(&img[0x1010], "HITACHI H8_3048F", 16); },
       UpdateOutcome::CpuMismatch, "CPU type of HEX File does not match with internal CPU. ", true},
      {"other model", [](UpdateRig&, auto& img) { std::memcpy(&img[0x1008], "DRV-331 ", 8); },
       UpdateOutcome::DriveMismatch, "Selected file is inappropriate to this drive.", true},
      {"cancelled", [](UpdateRig& r, auto&) { r.view_.confirmAnswer = false; },
       UpdateOutcome::Cancelled, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UpdateRig r(GetParam(), Drv320());
    ASSERT_NE(r.drive_, nullptr);
    std::vector<uint8_t> img = image;
    c.arrange(r, img);
    r.LoadImage(img);
    const auto flashBefore = r.Flash();
    EXPECT_EQ(r.Run(), c.outcome);
    EXPECT_EQ(r.Writes(), 0u);
    EXPECT_EQ(r.Flash(), flashBefore);
    EXPECT_EQ(r.log_.text(), c.log);
    if (!c.log.empty()) {
      ASSERT_EQ(r.view_.statusUpdates.size(), 1u);
      EXPECT_EQ(r.view_.statusUpdates[0].scrollToEnd, !c.shownFromTop);
    } else {
      EXPECT_TRUE(r.view_.statusUpdates.empty());
    }
    EXPECT_EQ(r.view_.CountEvents("confirm"), c.outcome == UpdateOutcome::Cancelled ? 1 : 0);
    // Only the failed CPU read reports itself, by its sense code.
    EXPECT_EQ(r.view_.messages.size(), c.outcome == UpdateOutcome::CpuReadFailed ? 1u : 0u);
    EXPECT_EQ(r.view_.CountEvents("progress-open"), 0);
  }
}

TEST_P(UpdateBuildTest, AnUnsupportedDriveIsRefusedBeforeAnyReadBuffer) {
  UpdateRig r(GetParam(), sim::KestrelDrive("DRV-999"));
  r.LoadImage(image);
  EXPECT_EQ(r.Run(), UpdateOutcome::NoDrive);
  EXPECT_EQ(r.bus_.GetTrace().CountCommands(0x3C), 0u);
  EXPECT_EQ(r.Writes(), 0u);
  EXPECT_EQ(r.log_.text().find("Selected drive is not supported by this program."), 0u);
}

TEST_P(UpdateBuildTest, ARefusedBlockStopsTheTransferBeforeProgramming) {
  ASSERT_NE(rig.drive_, nullptr);
  rig.drive_->RefuseDownloadBlock(2);
  rig.LoadImage(image);
  EXPECT_EQ(rig.Run(), UpdateOutcome::DownloadFailed);
  EXPECT_EQ(rig.Writes(0xFF), 3u);  // blocks 0, 1 and the refused 2
  EXPECT_EQ(rig.Writes(kProgramId), 0u);
  EXPECT_EQ(rig.drive_->ProgrammingCount(), 0);
  EXPECT_EQ(rig.log_.text(), "Start update !\r\n");
  EXPECT_EQ(rig.view_.CountEvents("release"), 1);
  ASSERT_EQ(rig.view_.messages.size(), 1u);
  EXPECT_EQ(rig.view_.messages[0].text, "Sense Code : 05-24-00");
  EXPECT_EQ(rig.view_.CountEvents("progress-open"),
            rig.tarn9x_ ? 0 : 1);  // TARN2K: rediscovery only
}

TEST_P(UpdateBuildTest, AFailedVerificationIsShownThenLogged) {
  ASSERT_NE(rig.drive_, nullptr);
  rig.drive_->CorruptReadBack(0x9000);
  rig.LoadImage(image);
  EXPECT_EQ(rig.Run(), UpdateOutcome::VerifyFailed);
  EXPECT_EQ(rig.log_.text(),
            "Start update !\r\nFailed to verify new firmware.\r\nUpdate operation failed.\r\n");
  ASSERT_GE(rig.view_.statusUpdates.size(), 3u);
  EXPECT_FALSE(rig.view_.statusUpdates[1].scrollToEnd);
  EXPECT_TRUE(rig.view_.statusUpdates[2].scrollToEnd);
}

TEST_P(UpdateBuildTest, AReadBackBlockThatMovesNoDataFailsVerification) {
  // The loader leaves its own copy of the image in DataBuffer, where the
  // read-back lands: a block that never arrives must not pass for equal.
  rig.LoadImage(image);
  std::memcpy(rig.transport_.Buffers().data, image.data(), 0x20000);
  rig.drive_->EmptyReadBack(1);
  EXPECT_EQ(rig.Run(), UpdateOutcome::VerifyFailed);
  EXPECT_EQ(rig.log_.text(),
            "Start update !\r\nFailed to verify new firmware.\r\nUpdate operation failed.\r\n");
  // The flash itself was programmed; only the check could not see it.
  EXPECT_TRUE(SamePart(rig.Flash(), image.data()));
  const auto reads = rig.bus_.GetTrace().CountCommands(0x3C, 0x80);
  EXPECT_EQ(reads, 1u + 4u);  // the CPU block, then the four read-back blocks
}

TEST_P(UpdateBuildTest, TheConfirmationShowsDriveAndFileBytesAlike) {
  // One byte from 80h up in both revisions: both lines decode it the same way.
  UpdateRig r(GetParam(), sim::KestrelDrive("DRV-320", "1.1\xB5", "2003/05/12"));
  FirmwareImageSetup marked;
  marked.first.revision = "1.2\xB5";
  const testing::MarkingAnsiDecoder ansi;
  r.context_.language.ansi = &ansi;
  r.view_.confirmAnswer = false;
  r.LoadImage(testing::BuildFirmwareImage(marked));
  EXPECT_EQ(r.Run(), UpdateOutcome::Cancelled);
  ASSERT_EQ(r.view_.confirmations.size(), 1u);
  EXPECT_NE(r.view_.confirmations[0].first.find("1.1<b5>"), std::string::npos);
  EXPECT_NE(r.view_.confirmations[0].second.find("1.2<b5>"), std::string::npos);
}

TEST_P(UpdateBuildTest, MessagesFollowTheLanguage) {
  rig.context_.language.oemCodePage = 932;
  rig.LoadImage(image);
  rig.Run();
  EXPECT_EQ(rig.log_.text(),
            "バージョンアップを開始しました。\r\nファームウェアのベリファイは成功しました。\r\n"
            "アップデート操作は正常に終了しました。\r\n");
  ASSERT_FALSE(rig.Labels().empty());
  EXPECT_EQ(rig.Labels().front(), "バージョンアップが完了するまで残り約29秒です");
}

INSTANTIATE_TEST_SUITE_P(Builds, UpdateBuildTest,
                         ::testing::Values(Program::Tarn9x, Program::Tarn2k),
                         [](const ::testing::TestParamInfo<Program>& info) {
                           return info.param == Program::Tarn9x ? "Tarn9x" : "Tarn2k";
                         });

// TARN9X: the programming command is polled once per pause.
TEST(PolledWaitTest, FinishedWithFewerThanFiveSecondsLeftEndsTheWaitAtOnce) {
  struct Case {
    uint64_t programmingMs;
    int lastLabel;  // seconds left on the last label
    int steps;
    int pings;
  };
  // The pause and the clock reading take 1001 ms of the virtual clock, so a
  // command taking 26000 ms is first seen finished when 26 s have passed:
  // the wait ends before showing that second. At 25 s it runs on.
  for (const Case c : {Case{26000, 5, 25, 0}, Case{29500, 1, 29, 0}, Case{25000, 1, 29, 1},
                       Case{5000, 1, 29, 1}}) {
    SCOPED_TRACE(c.programmingMs);
    UpdateRig r(Program::Tarn9x, Drv320());
    ASSERT_NE(r.drive_, nullptr);
    r.drive_->SetProgrammingMs(c.programmingMs);
    r.LoadImage(testing::BuildFirmwareImage(FirmwareImageSetup()));
    r.Run();
    ASSERT_FALSE(r.Labels().empty());
    EXPECT_EQ(r.Labels().front(), Label(29));
    EXPECT_EQ(r.Labels().back(), Label(c.lastLabel));
    EXPECT_EQ(r.Steps(), c.steps);
    EXPECT_EQ(r.transport_.PingCount(), c.pings);
  }
}

TEST(PolledWaitTest, TheLabelIsSetAgainAfterEachPause) {
  UpdateRig r(Program::Tarn9x, Drv320());
  r.LoadImage(testing::BuildFirmwareImage(FirmwareImageSetup()));
  r.Run();
  // Each countdown value is set once with the steps and once after the pause;
  // nothing is set before the first whole second.
  const auto events = r.WaitEvents();
  EXPECT_EQ(std::count(events.begin(), events.end(), "label:" + Label(29)), 2);
  EXPECT_EQ(std::count(events.begin(), events.end(), "label:" + Label(1)), 2);
  const auto firstLabel = std::find_if(
      events.begin(), events.end(), [](const std::string& e) { return e.rfind("label:", 0) == 0; });
  ASSERT_NE(firstLabel, events.end());
  ASSERT_NE(firstLabel, events.begin());
  EXPECT_EQ(*(firstLabel - 1), "step");
}

TEST(ContinuousWaitTest, Tarn2kReadsTheClockContinuouslyAndNeverPolls) {
  UpdateRig r(Program::Tarn2k, Drv320());
  r.LoadImage(testing::BuildFirmwareImage(FirmwareImageSetup()));
  r.Run();
  EXPECT_EQ(r.transport_.PingCount(), 0);
  // Far more readings than seconds: no one-second pauses.
  EXPECT_GT(r.simTimer_.Readings(), 1000);
  for (uint32_t sleep : r.simTimer_.Sleeps()) EXPECT_EQ(sleep, kContinuousYieldMs);
}

TEST(PolledWaitTest, ProgrammingStillRunningAfterThirtySecondsIsWaitedForAtMostNinetyMore) {
  // Programming time, outcome, seconds waited.
  for (const auto& [ms, outcome, waited] : {std::tuple{60000, UpdateOutcome::Updated, 60},
                                            std::tuple{200000, UpdateOutcome::VerifyFailed, 120}}) {
    UpdateRig r(Program::Tarn9x, Drv320());
    ASSERT_NE(r.drive_, nullptr);
    r.drive_->SetProgrammingMs(ms);
    r.LoadImage(testing::BuildFirmwareImage(FirmwareImageSetup()));
    const uint64_t before = r.bus_.NowMs();
    EXPECT_EQ(r.Run(), outcome);
    EXPECT_EQ((r.bus_.NowMs() - before) / 1000, static_cast<uint64_t>(waited));
    const auto labels = r.Labels();  // the window stays open, with our label
    EXPECT_EQ(std::count(labels.begin(), labels.end(),
                         "The drive is still writing the new firmware: please wait at most 90 sec"),
              1);
    EXPECT_EQ(r.transport_.OverlapCount(), 0);  // nothing sent into the running command
  }
}

TEST(ContinuousWaitTest, AFailedProgrammingCommandIsWaitedOutAndTheVerificationDecides) {
  UpdateRig r(Program::Tarn2k, Drv320());
  ASSERT_NE(r.drive_, nullptr);
  r.drive_->FailCommand(kWriteBuffer, 1, sim::kHardwareError, kProgramId);
  r.LoadImage(testing::BuildFirmwareImage(FirmwareImageSetup()));
  EXPECT_EQ(r.Run(), UpdateOutcome::VerifyFailed);
  EXPECT_EQ(r.Labels(), CountdownLabels());
  EXPECT_EQ(r.log_.text(),
            "Start update !\r\nFailed to verify new firmware.\r\nUpdate operation failed.\r\n");
}

TEST(AfterUpdateTest, Tarn2kClosesTheDriveAndListsItsNewRevision) {
  UpdateRig r(Program::Tarn2k, Drv320());
  r.LoadImage(testing::BuildFirmwareImage(FirmwareImageSetup()));
  r.Run();
  EXPECT_EQ(r.transport_.OpenLetter(), 0);
  ASSERT_EQ(r.view_.items.size(), 1u);
  EXPECT_EQ(r.view_.items[0], "E: KESTREL DVD-ROM DRV-320  1.20");
  ASSERT_FALSE(r.view_.statusUpdates.empty());
  EXPECT_TRUE(r.view_.statusUpdates.back().scrollToEnd);
  // Rediscovery comes after the wait's window has closed.
  const auto wait = std::find(r.view_.events.begin(), r.view_.events.end(), "range:0-30/1");
  const auto rediscovery = std::find(r.view_.events.begin(), r.view_.events.end(), "range:0-23/1");
  ASSERT_NE(wait, r.view_.events.end());
  ASSERT_NE(rediscovery, r.view_.events.end());
  EXPECT_LT(wait, rediscovery);
}

TEST(AfterUpdateTest, Tarn2kLeavesTheDriveOpenWhenAStopComesBeforeTheTransfer) {
  UpdateRig r(Program::Tarn2k, Drv320());
  r.view_.confirmAnswer = false;
  r.LoadImage(testing::BuildFirmwareImage(FirmwareImageSetup()));
  r.Run();
  EXPECT_EQ(r.transport_.OpenLetter(), 'E');
  EXPECT_EQ(r.view_.CountEvents("range:0-23/1"), 0);
}

// Which part and trailer reach the drive.
struct PartCase {
  const char* model;
  const char* driveCpu;
  bool twoParts;
  uint32_t sentPart;
  uint32_t trailer;
};

class PartChoiceTest : public ::testing::TestWithParam<PartCase> {};

TEST_P(PartChoiceTest, PartAndTrailerFitGenerationAndCpu) {
  const PartCase& c = GetParam();
  FirmwareImageSetup setup;
  setup.first.firmwareTag = std::string(c.model) + " ";
  setup.first.product = std::string("DVD-ROM ") + c.model;
  if (c.twoParts) {
    setup.second = setup.first;
    setup.second->cpuName = "HITACHI H8_3062R";
    setup.second->fillSeed = 99;
  }
  const auto image = testing::BuildFirmwareImage(setup);
  UpdateRig r(Program::Tarn9x, sim::KestrelDrive(c.model, "1.10", "2003/05/12", c.driveCpu));
  ASSERT_NE(r.drive_, nullptr);
  r.LoadImage(image);
  ASSERT_EQ(r.Run(), UpdateOutcome::Updated);
  EXPECT_EQ(r.image_.imageBase, c.sentPart);
  EXPECT_TRUE(SamePart(r.Flash(), image.data() + c.sentPart));
  // The trailer block was sent from here: its marker follows it in the image.
  EXPECT_EQ(0, std::memcmp(r.transport_.Buffers().image + c.trailer + 0x1000, "WIN2", 4));
}

INSTANTIATE_TEST_SUITE_P(
    Drives, PartChoiceTest,
    ::testing::Values(PartCase{"DRV-310", "HITACHI H8_3062R", true, 0x20000, 0x41000},
                      PartCase{"DRV-310", "HITACHI H8_3062A", true, 0x00000, 0x40000},
                      PartCase{"DRV-320", "HITACHI H8_3062A", false, 0x00000, 0x20000},
                      PartCase{"DRV-331", "HITACHI H8_3062R", true, 0x00000, 0x20000}),
    [](const ::testing::TestParamInfo<PartCase>& info) {
      const PartCase& c = info.param;
      std::string name =
          std::string(c.model) + "_" + (c.driveCpu + 12) + (c.twoParts ? "_TwoParts" : "_OnePart");
      std::replace(name.begin(), name.end(), '-', '_');
      return name;
    });

// File, then Update, as the window runs them: an image stays in ImageBuffer
// after a failed load, but it is not the file the user chose last.
class ReloadTest : public ::testing::TestWithParam<Program> {
 protected:
  ReloadTest() {
    FirmwareImageSetup older;
    older.first.revision = "1.05";
    older.first.fillSeed = 7;
    files.files["A.HEX"].text = testing::BuildFirmwareHex(FirmwareImageSetup());
    files.files["B.HEX"].text = testing::BuildFirmwareHex(older);
  }
  void Load(const std::optional<std::string>& path) { loader.LoadFirmwareFile(path); }
  UpdateRig rig{GetParam(), Drv320()};
  testing::MemoryFileSystem files;
  FirmwareLoader loader{
      rig.context_, rig.image_,
      rig.view_,    rig.log_,
      files,        GetParam() == Program::Tarn9x ? kTarn9xFirmwareTraits : kTarn2kFirmwareTraits};
};

TEST_P(ReloadTest, AFailedLoadWithdrawsTheEarlierImageUntilALoadSucceeds) {
  const std::string b = files.files["B.HEX"].text;
  struct Case {
    const char* name;
    std::function<void(testing::MemoryFileSystem::File&)> spoil;
  } const cases[] = {
      {"bad checksum",
       [&](auto& f) {
         f.text = b;
         f.text[f.text.find(":10") + 9] ^= 1;
       }},
      {"no end record", [&](auto& f) { f.text = b.substr(0, b.rfind(":00000001FF")); }},
      // Folded over the low 64 KB, this byte would leave every check passing.
      {"upper linear address",
       [&](auto& f) {
         f.text = b;
         f.text.insert(f.text.rfind(":00000001FF"), testing::LinearAddressRecord(1) + "\r\n" +
                                                        testing::HexRecord(0, 0x5000, {1}) +
                                                        "\r\n");
       }},
      {"bad start character",
       [&](auto& f) {
         f.text = b;
         f.text[f.text.find(":10")] = ';';
       }},
      {"read error", [&](auto& f) { f.text = b, f.failAfterLines = 20; }},
      {"cannot be opened", [&](auto& f) { f.openCause = kFileAccessDenied; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::MemoryFileSystem::File spoiled;
    c.spoil(spoiled);
    files.files["B.HEX"] = spoiled;
    Load("A.HEX");
    ASSERT_FALSE(rig.image_.imageLoadFailed);
    Load("B.HEX");
    const size_t writesBefore = rig.Writes();
    EXPECT_EQ(rig.Run(), UpdateOutcome::ImageNotAvailable);
    EXPECT_EQ(rig.Writes(), writesBefore);
    const std::string& log = rig.log_.text();
    ASSERT_GE(log.size(), 27u);
    EXPECT_EQ(log.substr(log.size() - 27), "This file is not available.");
  }
  // Cancel in the dialog changes nothing; the good file loaded again is sent.
  Load(std::nullopt);
  EXPECT_EQ(rig.Run(), UpdateOutcome::ImageNotAvailable);
  Load("A.HEX");
  Load(std::nullopt);
  EXPECT_EQ(rig.Run(), UpdateOutcome::Updated);
  EXPECT_EQ(rig.drive_->Revision(), "1.20");
}

INSTANTIATE_TEST_SUITE_P(Builds, ReloadTest, ::testing::Values(Program::Tarn9x, Program::Tarn2k),
                         [](const ::testing::TestParamInfo<Program>& info) {
                           return info.param == Program::Tarn9x ? "Tarn9x" : "Tarn2k";
                         });

TEST(CpuCheckTest, AOnePartImageNeverMatchesOnItsMissingSecondName) {
  // A drive whose ROM reports a CPU name of zeros must not pass against the
  // zeros that stand for a one-part image's missing second name.
  sim::DriveConfig drive = Drv320();
  drive.cpuName = std::string(16, '\0');
  UpdateRig r(Program::Tarn9x, drive);
  FirmwareImageSetup setup;
  r.LoadImage(testing::BuildFirmwareImage(setup));
  EXPECT_EQ(r.Run(), UpdateOutcome::CpuMismatch);
  EXPECT_EQ(r.Writes(), 0u);
}

}  // namespace
}  // namespace kestrel
