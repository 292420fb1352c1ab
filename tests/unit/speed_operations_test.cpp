// The speed control utility's three operations against the simulated drive:
// what goes to the drive, byte for byte, and what the window is told.
#include "speed/speed_operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "drive/program_profile.h"
#include "fakes/fake_speed_view.h"
#include "fakes/program_rows.h"
#include "fakes/sim_kit.h"
#include "sim/model/direct_transport.h"
#include "sim/model/sim_timer.h"
#include "speed/speed_choices.h"
#include "speed/speed_messages.h"

namespace kestrel {
namespace {

using testing::FakeSpeedView;

constexpr Language kEnglish{437};
constexpr Language kJapanese{932};

// Commands as the drive saw them.
const char* const kTestUnitReady = "00 00 00 00 00 00";
const char* const kRequestSense18 = "03 00 00 00 12 00";
const char* const kRequestSense24 = "03 00 00 00 18 00";
const char* const kInquiry = "12 00 00 00 60 00";
const char* const kModeSense = "5a 08 2a 00 00 00 00 00 22 00";
const char* const kStopDisc = "1b 00 00 00 00 00";
const char* const kSetMaximum = "bb 00 ff ff 00 00 00 00 00 00 00 00";

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  for (uint8_t b : bytes) {
    char two[4];
    std::snprintf(two, sizeof two, "%02x", b);
    if (!text.empty()) text += ' ';
    text += two;
  }
  return text;
}

sim::DriveConfig Drive320(const sim::SpeedSetup& speed = {}) {
  sim::DriveConfig config = sim::KestrelDrive("DRV-320");
  config.speed = speed;
  return config;
}

// BECK9X with one drive at adapter 0 target 0, or BECK2K with it as drive E.
class SpeedRig {
 public:
  explicit SpeedRig(sim::DriveConfig drive, Language language = kEnglish,
                    Program utility = Program::Beck9x)
      : transport_(bus_, utility == Program::Beck9x ? -1 : 2),
        kit_(utility == Program::Beck9x, transport_, timer_, testing::ProfileOf(utility)),
        context_(kit_.Context()) {
    context_.language = language;
    if (utility == Program::Beck9x) {
      bus_.AddAdapter("intelata").AddTarget(0, drive);
      drive_ = bus_.DriveAt(0, 0);
      list_.Add(DriveEntry{"ID=0 : KESTREL DVD-ROM DRV-320  1.10", AspiAddress{0, 0}});
    } else {
      drive_ = &bus_.AddLetter('E', drive);
      list_.Add(DriveEntry{"E: KESTREL DVD-ROM DRV-320  1.10", AspiAddress{}});
    }
    view_.items = {list_.At(0)->text};
    view_.selection = 0;
    operations_ = std::make_unique<SpeedOperations>(context_, view_, list_, kit_.Access());
  }

  SpeedOperations& Operations() { return *operations_; }
  // The three buttons with the items chosen in the speed and mode lists.
  SpeedResult ChangeSpeed(int speedItem = 0) {
    return operations_->ChangeSpeed({view_.selection, SpeedChoice(speedItem)});
  }
  SpeedResult ReportSpeed() { return operations_->ReportSpeed(view_.selection); }
  SpeedResult ChangeDriveMode(int mode = 0) {
    return operations_->ChangeDriveMode({view_.selection, mode});
  }
  FakeSpeedView& View() { return view_; }
  sim::Drive& Drive() { return *drive_; }
  sim::DirectTransport& Transport() { return transport_; }
  DriveList& List() { return list_; }
  // The CDBs that reached the drive since the last call.
  std::vector<std::string> Sent() {
    std::vector<std::string> cdbs;
    for (const auto& e : bus_.GetTrace().Entries()) {
      if (e.kind == sim::TraceEntry::Kind::Command) cdbs.push_back(Hex(e.cdb));
    }
    bus_.GetTrace().Clear();
    return cdbs;
  }
  const std::vector<sim::TraceEntry>& Entries() { return bus_.GetTrace().Entries(); }
  // The text appended last; "" before any.
  std::string LastLog() const { return view_.appended.empty() ? "" : view_.appended.back(); }
  std::string Message(size_t index) const {
    return Pick(speed_text::kSpeedMessages[index], context_.language);
  }

 private:
  sim::Bus bus_;
  sim::DirectTransport transport_;
  sim::SimTimer timer_{bus_};
  testing::SimKit kit_;
  DriveContext& context_;
  DriveList list_{kBeck9xDriveEntryCapacity};
  FakeSpeedView view_;
  std::unique_ptr<SpeedOperations> operations_;
  sim::Drive* drive_ = nullptr;
};

// --- Set speed ---------------------------------------------------------------

TEST(ChangeSpeedTest, MaximumSpeedSendsFFFFhAndLogsTheMaximumLine) {
  for (Language language : {kEnglish, kJapanese}) {
    SpeedRig rig(Drive320(), language);
    rig.ChangeSpeed(0);
    EXPECT_EQ(rig.Sent(), std::vector<std::string>{kSetMaximum});
    const std::string line =
        language.Japanese() ? "設定速度 : 最高速度\r\n" : "Speed : Maximum speed\r\n";
    EXPECT_EQ(rig.View().appended,
              std::vector<std::string>{rig.Message(speed_text::kSpeedChanged) + line});
    EXPECT_TRUE(rig.View().messages.empty());
    EXPECT_EQ(rig.Drive().Speed().SelectedReadSpeed(), 0xFFFF);
  }
}

TEST(ChangeSpeedTest, EachChoiceSendsItsSpeedBigEndianWithoutDataAndNamesItsMultiple) {
  struct Case {
    int index;
    const char* cdb;
    const char* line;
  };
  const Case cases[] = {
      {1, "bb 00 02 c0 00 00 00 00 00 00 00 00", "Speed : 704kbytes/s (4X).\r\n"},
      {2, "bb 00 05 80 00 00 00 00 00 00 00 00", "Speed : 1408kbytes/s (8X).\r\n"},
      {3, "bb 00 06 e0 00 00 00 00 00 00 00 00", "Speed : 1760kbytes/s (10X).\r\n"},
      {4, "bb 00 08 40 00 00 00 00 00 00 00 00", "Speed : 2112kbytes/s (12X).\r\n"},
      {5, "bb 00 0b 00 00 00 00 00 00 00 00 00", "Speed : 2816kbytes/s (16X).\r\n"},
      {-1, kSetMaximum, "Speed : Maximum speed\r\n"},  // no selection: the maximum
  };
  SpeedRig rig(Drive320());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    rig.ChangeSpeed(c.index);
    ASSERT_EQ(rig.Entries().size(), 1u);
    EXPECT_EQ(rig.Entries()[0].direction, DataDirection::None);
    EXPECT_EQ(rig.Entries()[0].transferLength, 0u);
    EXPECT_EQ(rig.Sent(), std::vector<std::string>{c.cdb});
    EXPECT_EQ(rig.LastLog(), rig.Message(speed_text::kSpeedChanged) + c.line);
  }
  // The log only grows.
  EXPECT_EQ(rig.View().appended.size(), std::size(cases));
}

TEST(ChangeSpeedTest, FourXIsFourInTheSpeedLineAndCd399InTheReport) {
  SpeedRig rig(Drive320(), kJapanese);
  rig.ChangeSpeed(1);
  EXPECT_EQ(rig.LastLog(),
            rig.Message(speed_text::kSpeedChanged) + "設定速度 : 704kbytes/s (4X).\r\n");
  rig.ReportSpeed();
  EXPECT_EQ(rig.LastLog(),
            "ドライブは現在パフォーマンスモードです。\r\n"
            "\r\nCurrent Speed = 704kbytes/s(CD 3.99X, DVD 0.51X)\r\n"
            "Maximum Speed = 7056kbytes/s(CD 39.98X, DVD 5.09X)\r\n");
}

TEST(ChangeSpeedTest, FailureShowsTheSenseInAnEnglishErrorBoxAndLogsTheSameText) {
  for (Language language : {kEnglish, kJapanese}) {
    SpeedRig rig(Drive320(), language);
    rig.Drive().FailCommand(0xBB, 1, sim::Sense{0x05, 0x24, 0x00});
    rig.ChangeSpeed(2);
    EXPECT_EQ(rig.Sent(),
              (std::vector<std::string>{"bb 00 05 80 00 00 00 00 00 00 00 00", kRequestSense18}));
    const std::string text = "Failed to change the CD-DA extraction speed. (05-24-00)\r\n";
    ASSERT_EQ(rig.View().messages.size(), 1u);
    EXPECT_EQ(rig.View().messages[0].text, text);
    EXPECT_EQ(rig.View().messages[0].caption, "Error");
    EXPECT_EQ(rig.View().appended, std::vector<std::string>{text});
    // The box is closed before the text reaches the log.
    EXPECT_EQ(rig.View().events, (std::vector<std::string>{"pump", "pump", "box:Error", "log"}));
  }
}

// --- Drive Information -------------------------------------------------------

TEST(ReportSpeedTest, WorkedExampleGivesTheModeLineAndBothSpeedLines) {
  sim::SpeedSetup speed;
  speed.maximumCdSpeed = 7056;
  speed.selectedReadSpeed = 2816;
  const std::string speeds =
      "\r\nCurrent Speed = 2816kbytes/s(CD 15.95X, DVD 2.03X)\r\n"
      "Maximum Speed = 7056kbytes/s(CD 39.98X, DVD 5.09X)\r\n";
  for (Language language : {kEnglish, kJapanese}) {
    SpeedRig rig(Drive320(speed), language);
    rig.ReportSpeed();
    EXPECT_EQ(rig.Sent(), (std::vector<std::string>{kModeSense, kInquiry}));
    const std::string modeLine = language.Japanese()
                                     ? "ドライブは現在パフォーマンスモードです。\r\n"
                                     : "Now drive is the performance mode.\r\n";
    EXPECT_EQ(rig.View().appended, std::vector<std::string>{modeLine + speeds});
  }
}

TEST(ReportSpeedTest, ModeSenseAsksForThirtyFourBytesIntoItsOwnReply) {
  SpeedRig rig(Drive320());
  rig.ReportSpeed();
  ASSERT_FALSE(rig.Entries().empty());
  const sim::TraceEntry& modeSense = rig.Entries()[0];
  EXPECT_EQ(modeSense.direction, DataDirection::In);
  EXPECT_EQ(modeSense.transferLength, 34u);
  EXPECT_EQ(modeSense.transferred, 34u);
  const CapabilitiesPage page = *DecodeCapabilitiesPage(rig.Operations().capabilitiesReply().data(),
                                                        kCapabilitiesReplyLength);
  EXPECT_EQ(page.maximumReadSpeed, 7056);
  EXPECT_EQ(page.currentReadSpeed, 7056);
  EXPECT_EQ(page.mediumType, 0x01);
}

TEST(ReportSpeedTest, ZeroSpeedsSayTheFieldsAreNotSupportedWithoutAskingTheModel) {
  sim::SpeedSetup noMaximum;
  noMaximum.maximumCdSpeed = 0;
  sim::SpeedSetup noCurrent;
  noCurrent.selectedReadSpeed = 0;
  for (const sim::SpeedSetup& speed : {noMaximum, noCurrent}) {
    SpeedRig rig(Drive320(speed));
    rig.ReportSpeed();
    EXPECT_EQ(rig.Sent(), std::vector<std::string>{kModeSense});
    EXPECT_EQ(rig.View().appended,
              std::vector<std::string>{rig.Message(speed_text::kSpeedFieldsNotSupported)});
  }
}

TEST(ReportSpeedTest, TheModeThresholdDependsOnTheMediumType) {
  struct Case {
    uint8_t medium;
    uint16_t maximum;
    bool quiet;
  };
  const Case cases[] = {
      {0x01, 7039, true},   {0x01, 7040, false},   // CD
      {0x41, 21599, true},  {0x41, 21600, false},  // DVD media: 40h-4Fh
      {0x30, 21599, false},                        // not DVD media
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.medium) + "/" + std::to_string(c.maximum));
    sim::SpeedSetup speed;
    speed.mediumType = c.medium;
    speed.maximumCdSpeed = c.maximum;
    speed.maximumDvdSpeed = c.maximum;
    SpeedRig rig(Drive320(speed));
    rig.ReportSpeed();
    ASSERT_EQ(rig.View().appended.size(), 1u);
    const std::string& text = rig.View().appended[0];
    const std::string modeLine =
        c.quiet ? "Now drive is the quiet mode.\r\n" : "Now drive is the performance mode.\r\n";
    EXPECT_EQ(text.substr(0, modeLine.size()), modeLine);
    EXPECT_NE(text.find("Maximum Speed = " + std::to_string(c.maximum) + "kbytes/s"),
              std::string::npos);
  }
}

TEST(ReportSpeedTest, QuietModeOfTheDriveIsReportedAsQuiet) {
  sim::SpeedSetup speed;
  speed.permanentMode = sim::DriveMode::Quiet;
  SpeedRig rig(Drive320(speed), kJapanese);
  rig.ReportSpeed();
  EXPECT_EQ(rig.View().appended,
            std::vector<std::string>{"ドライブは現在静穏モードです。\r\n"
                                     "\r\nCurrent Speed = 4234kbytes/s(CD 23.99X, DVD 3.06X)\r\n"
                                     "Maximum Speed = 4234kbytes/s(CD 23.99X, DVD 3.06X)\r\n"});
}

TEST(ReportSpeedTest, NoModeLineForAnUnsupportedModelOrAFailedInquiry) {
  const std::string speeds =
      "\r\nCurrent Speed = 7056kbytes/s(CD 39.98X, DVD 5.09X)\r\n"
      "Maximum Speed = 7056kbytes/s(CD 39.98X, DVD 5.09X)\r\n";
  {
    SpeedRig rig(sim::KestrelDrive("DRV-999"));
    rig.ReportSpeed();
    EXPECT_EQ(rig.Sent(), (std::vector<std::string>{kModeSense, kInquiry}));
    EXPECT_EQ(rig.View().appended, std::vector<std::string>{speeds});
  }
  {
    SpeedRig rig(Drive320());
    rig.Drive().FailCommand(0x12, 1, sim::kHardwareError);
    rig.ReportSpeed();
    EXPECT_EQ(rig.Sent(), (std::vector<std::string>{kModeSense, kInquiry}));
    EXPECT_EQ(rig.View().appended, std::vector<std::string>{speeds});
  }
}

TEST(ReportSpeedTest, FailureLogsTheSenseLineAndShowsNoBox) {
  for (Language language : {kEnglish, kJapanese}) {
    SpeedRig rig(Drive320(), language);
    rig.Drive().FailCommand(0x5A, 1, sim::Sense{0x02, 0x3A, 0x00});
    rig.ReportSpeed();
    EXPECT_EQ(rig.Sent(), (std::vector<std::string>{kModeSense, kRequestSense18}));
    const std::string first = language.Japanese()
                                  ? "ドライブの速度情報の取得に失敗しました。\r\n"
                                  : "Failed to get mechanism status & capabilities page.\r\n";
    EXPECT_EQ(rig.View().appended, std::vector<std::string>{first + "(02-3a-00)\r\n"});
    EXPECT_TRUE(rig.View().messages.empty());
    rig.Drive().FailCommand(0x5A, 1, sim::kHardwareError);
    rig.Drive().FailCommand(0x03, 1, sim::kHardwareError);  // no codes of the failure before
    rig.ReportSpeed();
    EXPECT_EQ(rig.LastLog(), first + "(00-00-00)\r\n");
  }
}

TEST(ReportSpeedTest, AReplyWithoutTheWholePageIsAFailedReport) {
  SpeedRig rig(Drive320());
  rig.Drive().ShortReply(0x5A, 1, 23);  // a byte of the current speed missing
  rig.Drive().GarbageReply(0x5A, 2);
  rig.Drive().BlankReply(0x5A, 3);  // page code 00h
  for (int report = 0; report < 3; ++report) {
    rig.ReportSpeed();
    EXPECT_EQ(rig.LastLog(),
              "Failed to get mechanism status & capabilities page.\r\n(00-00-00)\r\n");
  }
  uint8_t reply[32] = {0, 0, 0, 0, 0, 0, 0, 8};  // 8 bytes of block descriptors
  reply[16] = 0xAA;                              // page 2Ah with the PS bit
  reply[31] = 0x58;                              // current speed, page byte 15
  EXPECT_EQ(DecodeCapabilitiesPage(reply, 32)->currentReadSpeed, 0x58);
  EXPECT_FALSE(DecodeCapabilitiesPage(reply, 31));
}

// --- Set mode ----------------------------------------------------------------

TEST(ChangeDriveModeTest, WithASpinningDiscTheUserIsAskedAndOnOkTheDiscStopsFirst) {
  struct Case {
    int index;
    const char* cdb;
    sim::DriveMode mode;
    bool permanent;
  };
  const Case cases[] = {
      {0, "bb 03 ff ff 00 00 00 00 00 00 00 00", sim::DriveMode::Performance, true},
      {1, "bb 01 ff ff 00 00 00 00 00 00 00 00", sim::DriveMode::Performance, false},
      {2, "bb 03 00 00 00 00 00 00 00 00 00 00", sim::DriveMode::Quiet, true},
      {3, "bb 01 00 00 00 00 00 00 00 00 00 00", sim::DriveMode::Quiet, false},
  };
  for (Language language : {kEnglish, kJapanese}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.index);
      // Start in the other mode so that every change shows.
      sim::SpeedSetup speed;
      speed.permanentMode =
          c.mode == sim::DriveMode::Quiet ? sim::DriveMode::Performance : sim::DriveMode::Quiet;
      SpeedRig rig(Drive320(speed), language);
      rig.ChangeDriveMode(c.index);
      EXPECT_EQ(rig.Sent(), (std::vector<std::string>{kTestUnitReady, kStopDisc, c.cdb}));
      ASSERT_EQ(rig.View().questions.size(), 1u);
      EXPECT_EQ(rig.View().questions[0].text, language.Japanese()
                                                  ? "安全のためディスクの回転を停止します。"
                                                  : "For safety, the spindle is stoped.");
      EXPECT_EQ(rig.View().questions[0].caption, "Attention");
      const size_t success = c.mode == sim::DriveMode::Quiet ? speed_text::kQuietModeSet
                                                             : speed_text::kPerformanceModeSet;
      EXPECT_EQ(rig.View().appended, std::vector<std::string>{rig.Message(success)});
      EXPECT_EQ(rig.View().events,
                (std::vector<std::string>{"pump", "ask:Attention", "pump", "pump", "log"}));
      EXPECT_TRUE(rig.Drive().Speed().Stopped());  // not started again
      EXPECT_EQ(rig.Drive().Speed().ActiveMode(), c.mode);
      // A temporary mode ends with the power; a permanent one stays.
      rig.Drive().PowerCycle();
      EXPECT_EQ(rig.Drive().Speed().ActiveMode() == c.mode, c.permanent);
    }
  }
}

TEST(ChangeDriveModeTest, CancelAtTheSafetyQuestionSendsOnlyTestUnitReady) {
  for (Language language : {kEnglish, kJapanese}) {
    SpeedRig rig(Drive320(), language);
    rig.View().answerOk = false;
    rig.ChangeDriveMode(2);
    EXPECT_EQ(rig.Sent(), std::vector<std::string>{kTestUnitReady});
    EXPECT_EQ(rig.View().appended,
              std::vector<std::string>{language.Japanese() ? "操作はキャンセルされました。\r\n"
                                                           : "Operation was caceled.\r\n"});
    EXPECT_FALSE(rig.Drive().Speed().Stopped());
    EXPECT_EQ(rig.Drive().Speed().ActiveMode(), sim::DriveMode::Performance);
  }
}

// Only a drive that says it has no medium is taken to have no disc turning; a
// unit attention is tested again at once, a bounded number of times.
TEST(ChangeDriveModeTest, OnlyNoMediumSkipsTheQuestion) {
  const sim::Sense unitAttention{0x06, 0x28, 0x00};
  const struct {
    const char* what;
    bool disc;
    sim::Sense sense;
    int failures;  // TEST UNIT READYs that fail with `sense` first
    size_t tests;
    bool asked;
  } cases[] = {
      {"no medium", false, {}, 0, 1, false},
      {"unit attention, then no medium", false, unitAttention, 1, 2, false},
      {"ten unit attentions, then ready", true, unitAttention, 10, 11, true},
      {"unit attentions past the limit", true, unitAttention, 11, 11, true},
      {"becoming ready", true, {0x02, 0x04, 0x01}, 1, 1, true},
      {"hardware error", true, {0x04, 0x44, 0x00}, 1, 1, true},
  };
  for (Program utility : {Program::Beck9x, Program::Beck2k}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      sim::DriveConfig config = Drive320();
      config.discPresent = c.disc;
      SpeedRig rig(config, kEnglish, utility);
      sim::CommandFault fault;  // TEST UNIT READY
      fault.count = c.failures;
      fault.sense = c.sense;
      if (c.failures > 0) rig.Drive().AddFault(fault);
      rig.ChangeDriveMode(3);
      const std::vector<std::string> sent = rig.Sent();
      EXPECT_EQ(static_cast<size_t>(std::count(sent.begin(), sent.end(), kTestUnitReady)), c.tests);
      EXPECT_EQ(rig.View().questions.size(), c.asked ? 1u : 0u);
      EXPECT_EQ(std::count(sent.begin(), sent.end(), kStopDisc), c.asked ? 1 : 0);
      EXPECT_EQ(sent.back(), "bb 01 00 00 00 00 00 00 00 00 00 00");
      EXPECT_EQ(rig.View().appended,
                std::vector<std::string>{rig.Message(speed_text::kQuietModeSet)});
    }
  }
}

TEST(ChangeDriveModeTest, AFailedStopOrModeChangeLogsTheSenseLine) {
  for (Language language : {kEnglish, kJapanese}) {
    const std::string failed = language.Japanese() ? "ドライブの動作モード変更に失敗しました。\r\n"
                                                   : "Failed to change the drive mode.\r\n";
    {
      SpeedRig rig(Drive320(), language);
      rig.Drive().FailCommand(0x1B, 1, sim::Sense{0x04, 0x44, 0x00});
      rig.ChangeDriveMode();
      EXPECT_EQ(rig.Sent(), (std::vector<std::string>{kTestUnitReady, kStopDisc, kRequestSense18}));
      EXPECT_EQ(rig.View().appended, std::vector<std::string>{failed + "(04-44-00)\r\n"});
    }
    {
      SpeedRig rig(Drive320(), language);
      rig.Drive().FailCommand(0xBB, 1, sim::Sense{0x05, 0x24, 0x00});
      rig.ChangeDriveMode(1);
      EXPECT_EQ(rig.Sent(),
                (std::vector<std::string>{kTestUnitReady, kStopDisc,
                                          "bb 01 ff ff 00 00 00 00 00 00 00 00", kRequestSense18}));
      EXPECT_EQ(rig.View().appended, std::vector<std::string>{failed + "(05-24-00)\r\n"});
      EXPECT_TRUE(rig.View().messages.empty());
    }
  }
}

// --- Selections --------------------------------------------------------------

TEST(SpeedSelectionTest, WithoutASelectionNothingIsSentAndTheOperationSaysWhichIsMissing) {
  SpeedRig rig(Drive320());
  rig.View().selection = -1;
  rig.ChangeSpeed();
  rig.ReportSpeed();
  rig.ChangeDriveMode();
  rig.View().selection = 0;
  rig.ChangeDriveMode(-1);
  EXPECT_TRUE(rig.Sent().empty());
  EXPECT_EQ(rig.View().appended, (std::vector<std::string>{
                                     rig.Message(speed_text::kNoValidItem),
                                     rig.Message(speed_text::kNoValidItem),
                                     rig.Message(speed_text::kNoAvailableDrive),
                                     rig.Message(speed_text::kNoValidItem),
                                 }));
}

TEST(SpeedSelectionTest, AModeTextOfAnotherLanguageIsNoValidItem) {
  SpeedRig rig(Drive320(), kEnglish);
  // The window names the mode by the item's text.
  rig.ChangeDriveMode(DriveModeIndex(Pick(speed_text::kDriveModeLabels[0], kJapanese), kEnglish));
  EXPECT_TRUE(rig.Sent().empty());
  EXPECT_EQ(rig.View().appended, std::vector<std::string>{rig.Message(speed_text::kNoValidItem)});
}

TEST(SpeedSelectionTest, TheSelectedEntryIsTheDriveThatIsAsked) {
  sim::Bus bus;
  bus.AddAdapter("intelata").AddTarget(0, sim::KestrelDrive("DRV-320"));
  bus.AddAdapter("ESDI_506").AddTarget(1, sim::KestrelDrive("DRV-331"));
  sim::DirectTransport transport(bus);
  sim::SimTimer timer(bus);
  AspiKit kit(transport, timer, testing::ProfileOf(Program::Beck9x));
  DriveList list(kBeck9xDriveEntryCapacity);
  list.Add({"ID=0 : KESTREL DVD-ROM DRV-320", {0, 0}});
  list.Add({"ID=1 : KESTREL DVD-ROM DRV-331", {1, 1}});
  FakeSpeedView view;
  SpeedOperations operations(kit.context, view, list, kit.access);
  operations.ReportSpeed(1);
  ASSERT_EQ(bus.GetTrace().Entries().size(), 2u);
  for (const auto& e : bus.GetTrace().Entries()) {
    EXPECT_EQ(e.adapter, 1);
    EXPECT_EQ(e.target, 1);
  }
}

// --- BECK2K: the same operations over drive letters ----------------------------

TEST(Beck2kSpeedTest, EachOperationOpensTheSelectedLetterAndClosesItAtItsEnd) {
  SpeedRig rig(Drive320(), kEnglish, Program::Beck2k);
  rig.ChangeSpeed(2);
  EXPECT_EQ(rig.Transport().OpenLetter(), 0);
  rig.ReportSpeed();
  EXPECT_EQ(rig.Transport().OpenLetter(), 0);
  rig.ChangeDriveMode();
  EXPECT_EQ(rig.Transport().OpenLetter(), 0);
  for (const auto& e : rig.Entries()) EXPECT_EQ(e.letter, 'E');
  EXPECT_EQ(rig.Sent(), (std::vector<std::string>{"bb 00 05 80 00 00 00 00 00 00 00 00", kModeSense,
                                                  kInquiry, kTestUnitReady, kStopDisc,
                                                  "bb 03 ff ff 00 00 00 00 00 00 00 00"}));
  EXPECT_EQ(rig.View().appended,
            (std::vector<std::string>{
                rig.Message(speed_text::kSpeedChanged) + "Speed : 1408kbytes/s (8X).\r\n",
                "Now drive is the performance mode.\r\n"
                "\r\nCurrent Speed = 1408kbytes/s(CD 7.98X, DVD 1.02X)\r\n"
                "Maximum Speed = 7056kbytes/s(CD 39.98X, DVD 5.09X)\r\n",
                rig.Message(speed_text::kPerformanceModeSet)}));
}

TEST(Beck2kSpeedTest, FailuresAskForTwentyFourBytesOfSenseAndAnUnopenedLetterSaysSo) {
  SpeedRig rig(Drive320(), kEnglish, Program::Beck2k);
  rig.Drive().FailCommand(0xBB, 1, sim::Sense{0x05, 0x24, 0x00});
  rig.ChangeSpeed();
  EXPECT_EQ(rig.Sent(), (std::vector<std::string>{kSetMaximum, kRequestSense24}));
  EXPECT_EQ(rig.LastLog(), "Failed to change the CD-DA extraction speed. (05-24-00)\r\n");
  EXPECT_EQ(rig.Transport().OpenLetter(), 0);

  rig.List().Add({"F: KESTREL DVD-ROM DRV-320  1.10", {}});  // no such drive
  rig.View().selection = 1;
  rig.ReportSpeed();
  EXPECT_TRUE(rig.Sent().empty());
  EXPECT_EQ(rig.LastLog(), "Device open API is failed.\r\n");
}

}  // namespace
}  // namespace kestrel
