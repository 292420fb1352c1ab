#include "drive/discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "drive/drive_messages.h"
#include "fakes/fake_drive_list_view.h"
#include "fakes/marking_ansi_decoder.h"
#include "fakes/program_rows.h"
#include "shell/printf_specifiers.h"
#include "sim/model/bus.h"
#include "sim/model/direct_transport.h"
#include "sim/model/passthrough_device_port.h"
#include "transport/aspi/aspi_discovery.h"
#include "transport/aspi/aspi_drive_access.h"
#include "transport/passthrough/letter_discovery.h"
#include "transport/passthrough/letter_drive_access.h"
#include "transport/passthrough/passthrough_transport.h"

namespace kestrel {
namespace {

// A 96-byte INQUIRY reply with space-padded fields.
std::array<uint8_t, 96> Inquiry(uint8_t type, const std::string& vendor, const std::string& product,
                                const std::string& revision = "1.10", char byte36 = 'A',
                                const std::string& date = "2003/05/12") {
  std::array<uint8_t, 96> reply{};
  reply[0] = type;
  auto put = [&](size_t at, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i)
      reply[at + i] = static_cast<uint8_t>(i < text.size() ? text[i] : ' ');
  };
  put(8, vendor, 8);
  put(16, product, 16);
  put(32, revision, 4);
  reply[36] = static_cast<uint8_t>(byte36);
  put(37, date, 10);
  return reply;
}

const auto kKestrel = Inquiry(5, "KESTREL", "DVD-ROM DRV-320", "1.10", 'A', "2003/05/12");
const auto kOtherDvd = Inquiry(5, "OTHERCO", "DVD-ROM XJ-1", "2.00", 'x', "          ");
const auto kCdRom = Inquiry(5, "OTHERCO", "CD-ROM CR-52", "1.00");
const auto kKestrelDisk = Inquiry(0, "KESTREL", "DVD-ROM DRV-320");
const auto kMixedCase = Inquiry(5, "Kestrel", "DVD-ROM DRV-320");

TEST(EntryTextRules, Tarn9xShowsTheMakersDateAndPadsOthers) {
  EXPECT_EQ(Tarn9xEntryText(kKestrel.data(), kKestrel.size(), "ID=0 : "),
            "ID=0 : KESTREL DVD-ROM DRV-320  1.10A 2003/05/12");
  // Another maker's DVD device is listed, with eleven spaces instead of the date.
  EXPECT_EQ(Tarn9xEntryText(kOtherDvd.data(), kOtherDvd.size(), "ID=1 : "),
            "ID=1 : OTHERCO DVD-ROM XJ-1     2.00 " + std::string(11, ' '));
  // Both forms keep the same width, so the list lines up.
  const auto makers = Tarn9xEntryText(kKestrel.data(), 96, "");
  const auto others = Tarn9xEntryText(kOtherDvd.data(), 96, "");
  ASSERT_TRUE(makers.has_value());
  ASSERT_TRUE(others.has_value());
  EXPECT_EQ(makers->size(), others->size());
}

TEST(EntryTextRules, NineXRulesNeedAnOpticalDvdDevice) {
  for (auto rule : {Tarn9xEntryText, Mere9xEntryText}) {
    EXPECT_FALSE(rule(kCdRom.data(), kCdRom.size(), "ID=0 : "));
    EXPECT_FALSE(rule(kKestrelDisk.data(), kKestrelDisk.size(), "ID=0 : "));
    const auto worm = Inquiry(4, "OTHERCO", "DVD-R W1");
    EXPECT_TRUE(rule(worm.data(), worm.size(), "ID=0 : "));
  }
  EXPECT_EQ(Mere9xEntryText(kKestrel.data(), 96, "ID=2 : "), "ID=2 : KESTREL DVD-ROM DRV-320  ");
}

TEST(EntryTextRules, MakerOnlyRules) {
  // BECK9X does not look at the device type.
  EXPECT_EQ(Beck9xEntryText(kKestrelDisk.data(), 96, "ID=0 : "),
            "ID=0 : KESTREL DVD-ROM DRV-320  1.10");
  EXPECT_FALSE(Beck9xEntryText(kOtherDvd.data(), 96, "ID=0 : "));
  // TARN2K does.
  EXPECT_EQ(Tarn2kEntryText(kKestrel.data(), 96, "E: "), "E: KESTREL DVD-ROM DRV-320  1.10");
  EXPECT_FALSE(Tarn2kEntryText(kKestrelDisk.data(), 96, "E: "));
  EXPECT_FALSE(Tarn2kEntryText(kOtherDvd.data(), 96, "E: "));
  // Mixed-case vendor: MERE2K lists it, TARN2K does not.
  EXPECT_EQ(Mere2kEntryText(kMixedCase.data(), 96, "F: "), "F: Kestrel DVD-ROM DRV-320 ");
  EXPECT_FALSE(Tarn2kEntryText(kMixedCase.data(), 96, "F: "));
  EXPECT_EQ(Mere2kEntryText(kKestrelDisk.data(), 96, "F: "), "F: KESTREL DVD-ROM DRV-320 ");
  EXPECT_FALSE(Mere2kEntryText(kCdRom.data(), 96, "F: "));
}

TEST(EntryTextRules, ShortRepliesAreNotListedAndNeverReadPastTheirEnd) {
  // Each rule gets exactly the bytes it is given; anything cut short of the
  // fields it shows is refused (ASan would catch a read beyond).
  for (auto rule :
       {Tarn9xEntryText, Mere9xEntryText, Beck9xEntryText, Tarn2kEntryText, Mere2kEntryText}) {
    EXPECT_TRUE(rule(kKestrel.data(), 96, "")) << "full reply";
    for (size_t length : {0, 10, 18, 31}) {
      std::vector<uint8_t> cut(kKestrel.begin(), kKestrel.begin() + length);
      EXPECT_FALSE(rule(cut.data(), cut.size(), "")) << length;
    }
  }
  std::vector<uint8_t> upToDate(kKestrel.begin(), kKestrel.begin() + 40);
  EXPECT_FALSE(Tarn9xEntryText(upToDate.data(), upToDate.size(), ""));
  EXPECT_TRUE(Tarn2kEntryText(upToDate.data(), upToDate.size(), ""));
  EXPECT_FALSE(Tarn9xEntryText(nullptr, 96, ""));
}

TEST(EntryTextRules, AZeroByteEndsTheText) {
  auto reply = kKestrel;
  reply[20] = 0;  // inside the product identification
  EXPECT_EQ(Beck9xEntryText(reply.data(), 96, "ID=0 : "), "ID=0 : KESTREL DVD-");
}

TEST(DriveMessages, EveryPairTakesTheSameArgumentsInBothLanguages) {
  ASSERT_GT(drive_messages::kAllPairCount, 0u);
  for (size_t i = 0; i < drive_messages::kAllPairCount; ++i) {
    const MessagePair& pair = *drive_messages::kAllPairs[i];
    ASSERT_NE(pair.english, nullptr);
    ASSERT_NE(pair.japanese, nullptr);
    EXPECT_NE(std::string(pair.english), "");
    EXPECT_NE(std::string(pair.japanese), "");
    EXPECT_EQ(PrintfSpecifiers(pair.english), PrintfSpecifiers(pair.japanese)) << pair.english;
    // A line break at the end of one text goes with one at the end of the other.
    const std::string en = pair.english, ja = pair.japanese;
    EXPECT_EQ(en.size() >= 2 && en.compare(en.size() - 2, 2, "\r\n") == 0,
              ja.size() >= 2 && ja.compare(ja.size() - 2, 2, "\r\n") == 0)
        << pair.english;
  }
}

// --- The ASPI walk -----------------------------------------------------------

using testing::FakeDriveListView;

constexpr Language kJapanese{932};

std::vector<std::pair<int, int>> InquiryAddresses(sim::Bus& bus) {
  std::vector<std::pair<int, int>> out;
  for (const auto& e : bus.GetTrace().Commands(sim::op::kInquiry))
    out.emplace_back(e.adapter, e.target);
  return out;
}

class AspiWalkTest : public ::testing::Test {
 protected:
  void Discover(Program utility, Language language = Language{}) {
    transport.InitDriveAccess();
    context.emplace(transport, testing::ProfileOf(utility));
    context->language = language;
    AspiDiscovery discovery(*context, transport);
    discovery.Discover(view, list, DiscoveryOccasion::WindowSetUp);
  }
  std::vector<std::string> EntryTexts() const {
    std::vector<std::string> texts;
    for (size_t i = 0; i < list.Size(); ++i) {
      const DriveEntry* entry = list.At(static_cast<int>(i));
      EXPECT_NE(entry, nullptr) << "no entry at " << i << " of " << list.Size();
      texts.push_back(entry != nullptr ? entry->text : "<no entry>");
    }
    return texts;
  }

  sim::Bus bus;
  sim::DirectTransport transport{bus};
  std::optional<DriveContext> context;
  FakeDriveListView view;
  DriveList list;
};

const std::string kDrv320Item = "KESTREL DVD-ROM DRV-320  1.10  2003/05/12";

TEST_F(AspiWalkTest, DriveTextsAreShownThroughTheAnsiCodePage) {
  bus.AddAdapter("intelata").AddTarget(0, sim::KestrelDrive("DRV-320", "1.1\xB5", "2003/05/12"));
  const testing::MarkingAnsiDecoder ansi;
  Language language;
  language.ansi = &ansi;
  Discover(Program::Tarn9x, language);
  ASSERT_EQ(view.items.size(), 1u);
  EXPECT_EQ(view.items[0], "ID=0 : KESTREL DVD-ROM DRV-320  1.1<b5>  2003/05/12");
  // The list keeps the drive's own bytes; only what is shown is decoded.
  ASSERT_NE(list.At(0), nullptr);
  EXPECT_EQ(list.At(0)->text, "ID=0 : KESTREL DVD-ROM DRV-320  1.1\xB5  2003/05/12");
}

TEST_F(AspiWalkTest, IntelataMachinesExamineOnlyAtapiAdaptersAtTwoTargets) {
  bus.AddAdapter("intelata")
      .AddTarget(0, sim::KestrelDrive("DRV-320"))
      .AddTarget(2, sim::KestrelDrive("DRV-321"));
  bus.AddAdapter("intelata").AddTarget(1, sim::KestrelDrive("DRV-331", "2.00", "2004/02/03"));
  bus.AddAdapter("AHA-2940").AddTarget(0, sim::KestrelDrive("DRV-320"));
  Discover(Program::Tarn9x);
  EXPECT_EQ(InquiryAddresses(bus), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}}));
  EXPECT_EQ(view.items,
            (std::vector<std::string>{"ID=0 : " + kDrv320Item,
                                      "ID=1 : KESTREL DVD-ROM DRV-331  2.00  2004/02/03"}));
  EXPECT_EQ(EntryTexts(), view.items);
  ASSERT_NE(list.At(1), nullptr);
  EXPECT_EQ(list.At(1)->address.adapter, 1);
  EXPECT_EQ(list.At(1)->address.target, 1);
  EXPECT_EQ(view.selection, 0);
  EXPECT_EQ(transport.CurrentAddress().adapter, 0);
  EXPECT_EQ(transport.CurrentAddress().target, 0);
  EXPECT_FALSE(view.closed);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(AspiWalkTest, WithoutIntelataOtherAdaptersGetSevenTargets) {
  bus.AddAdapter("ESDI_506")
      .AddTarget(0, sim::KestrelDrive("DRV-320"))
      .AddTarget(2, sim::KestrelDrive("DRV-321"));
  bus.AddAdapter("AHA-2940")
      .AddTarget(6, sim::KestrelDrive("DRV-331"))
      .AddTarget(7, sim::KestrelDrive("DRV-321"));
  Discover(Program::Beck9x);
  EXPECT_EQ(InquiryAddresses(bus), (std::vector<std::pair<int, int>>{{0, 0}, {1, 6}}));
  EXPECT_EQ(view.items, (std::vector<std::string>{"ID=0 : KESTREL DVD-ROM DRV-320  1.10",
                                                  "ID=6 : KESTREL DVD-ROM DRV-331  1.10"}));
}

TEST_F(AspiWalkTest, AnotherMakersDriveFirstIsSelectedButTheMakersDriveIsCurrent) {
  bus.AddAdapter("intelata")
      .AddTarget(0, sim::OtherDrive("OTHERCO", "DVD-ROM XJ-1", "2.00"))
      .AddTarget(1, sim::KestrelDrive("DRV-320"));
  Discover(Program::Tarn9x);
  ASSERT_EQ(view.items.size(), 2u);
  EXPECT_EQ(view.items[0], "ID=0 : OTHERCO DVD-ROM XJ-1     2.00 " + std::string(11, ' '));
  EXPECT_EQ(view.selection, 0);
  EXPECT_EQ(transport.CurrentAddress().target, 1);
  ASSERT_TRUE(list.FirstMakerDrive());
  EXPECT_EQ(list.FirstMakerDrive()->target, 1);
  EXPECT_FALSE(view.closed);
}

TEST_F(AspiWalkTest, CdRomDrivesAreNeverListedByTheNineXUtilities) {
  bus.AddAdapter("intelata")
      .AddTarget(0, sim::OtherDrive("OTHERCO", "CD-ROM CR-52", "1.00"))
      .AddTarget(1, sim::KestrelDrive("DRV-320"));
  view.items = {"stale"};
  Discover(Program::Mere9x);
  EXPECT_EQ(view.items, (std::vector<std::string>{"ID=1 : KESTREL DVD-ROM DRV-320  "}));
  Discover(Program::Tarn9x);
  EXPECT_EQ(view.items, (std::vector<std::string>{"ID=1 : " + kDrv320Item}));
  EXPECT_EQ(list.Size(), 1u);
}

TEST_F(AspiWalkTest, OnlyOtherMakersDrivesEndTheProgram) {
  bus.AddAdapter("intelata").AddTarget(0, sim::OtherDrive("OTHERCO", "DVD-ROM XJ-1"));
  Discover(Program::Mere9x, kJapanese);
  EXPECT_EQ(view.items.size(), 1u);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "サポートしているドライブが見つかりませんでした。");
  EXPECT_EQ(view.messages[0].caption, "Supported drive did not found");
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(view.CountEvents("select:0"), 0);
}

TEST_F(AspiWalkTest, NoAdapterShowsBothMessagesAndCloses) {
  Discover(Program::Tarn9x);
  EXPECT_EQ(view.items, (std::vector<std::string>{"No I/F adapter"}));
  EXPECT_TRUE(list.Empty());
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[0].text, "No ATAPI I/F found.");
  EXPECT_EQ(view.messages[0].caption, "TARN9X");
  EXPECT_EQ(view.messages[1].text, "Supported drive was not found.");
  EXPECT_EQ(view.messages[1].caption, "Supported drive did not found");
  ASSERT_FALSE(view.events.empty());
  EXPECT_EQ(view.events.back(), "close");
}

TEST_F(AspiWalkTest, NoAdapterOnBeck9xInJapanese) {
  Discover(Program::Beck9x, kJapanese);
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[0].text, "ATAPI I/Fが見つかりませんでした。");
  EXPECT_EQ(view.messages[0].caption, "BECK9X");
  EXPECT_EQ(view.messages[1].text, "サポートしているドライブが見つかりませんでした。\r\n");
  EXPECT_TRUE(view.closed);
}

TEST_F(AspiWalkTest, AdaptersBeyondTheLabelTableAreIgnored) {
  for (int a = 0; a < 40; ++a) {
    bus.AddAdapter("SCSI" + std::to_string(a)).AddTarget(0, sim::KestrelDrive("DRV-320"));
  }
  Discover(Program::Tarn9x);
  EXPECT_EQ(list.Size(), 16u);
  EXPECT_EQ(view.items.size(), 16u);
  for (const auto& [adapter, target] : InquiryAddresses(bus)) EXPECT_LT(adapter, 16);
  ASSERT_NE(list.At(15), nullptr);
  EXPECT_EQ(list.At(15)->address.adapter, 15);
}

TEST_F(AspiWalkTest, TheEntryTableNeverOverflows) {
  // More accepted devices than a small table holds: the excess is ignored.
  bus.AddAdapter("AHA-2940");
  ASSERT_NE(bus.GetAdapter(0), nullptr);
  for (uint8_t t = 0; t < 7; ++t) bus.GetAdapter(0)->AddTarget(t, sim::KestrelDrive("DRV-320"));
  list = DriveList(3);
  Discover(Program::Tarn9x);
  EXPECT_EQ(list.Size(), 3u);
  EXPECT_EQ(view.items.size(), 3u);
  EXPECT_EQ(view.selection, 0);
}

TEST_F(AspiWalkTest, EmptyingStopsAtAFailedDeletion) {
  bus.AddAdapter("intelata").AddTarget(0, sim::KestrelDrive("DRV-320"));
  view.items = {"a", "b", "c"};
  view.failDeletionAfter = 1;
  Discover(Program::Tarn9x);
  EXPECT_EQ(view.deletions, 1);
  EXPECT_EQ(view.items.size(), 3u);  // "b", "c" and the new drive
}

// --- The drive-letter walk ---------------------------------------------------

class LetterWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.AddLetter('D', sim::KestrelDrive("DRV-320"));
    ASSERT_NE(bus.Letter('D'), nullptr);
    bus.Letter('D')->refuseOpen = true;
    bus.AddLetter('E', sim::KestrelDrive("DRV-320"));
    ASSERT_NE(bus.Letter('E'), nullptr);
    bus.Letter('E')->refuseAddress = true;
    bus.AddLetter('F', sim::KestrelDrive("DRV-320"));
    bus.AddLetter('G', sim::OtherDrive("OTHERCO", "DVD-ROM XJ-1"));
    bus.AddLetter('H', sim::OtherDrive("Kestrel", "DVD-ROM DRV-321"));
    transport.InitDriveAccess();
  }
  void Discover(Program utility, DiscoveryOccasion occasion = DiscoveryOccasion::WindowSetUp) {
    context.emplace(transport, testing::ProfileOf(utility));
    LetterDiscovery discovery(*context, transport);
    discovery.Discover(view, list, occasion);
  }
  std::vector<char> InquiryLetters() {
    std::vector<char> out;
    for (const auto& e : bus.GetTrace().Commands(sim::op::kInquiry)) out.push_back(e.letter);
    return out;
  }

  sim::Bus bus;
  sim::PassThroughDevicePort port{bus};
  PassThroughTransport transport{port};
  std::optional<DriveContext> context;
  FakeDriveListView view;
  DriveList list;
};

TEST_F(LetterWalkTest, Tarn2kListsTheMakersDrivesAndClosesEveryLetter) {
  bus.AddLetter('Z',
                sim::KestrelDrive("DRV-331", "1.20"));  // the last letter, left open by nothing
  bus.Letter('G')->drive->ShortReply(sim::op::kInquiry, 1, 6);  // right after F's whole reply
  Discover(Program::Tarn2k);
  EXPECT_EQ(view.items, (std::vector<std::string>{"F: KESTREL DVD-ROM DRV-320  1.10",
                                                  "Z: KESTREL DVD-ROM DRV-331  1.20"}));
  ASSERT_NE(list.At(0), nullptr);
  ASSERT_NE(list.At(1), nullptr);
  EXPECT_EQ(list.At(0)->Letter(), 'F');
  EXPECT_EQ(list.At(1)->Letter(), 'Z');
  EXPECT_EQ(view.selection, 0);
  EXPECT_EQ(InquiryLetters(), (std::vector<char>{'F', 'G', 'H', 'Z'}));
  EXPECT_FALSE(transport.DriveOpen());
  EXPECT_EQ(port.OpenHandleCount(), 0u);
  EXPECT_EQ(port.BadCloseCount(), 0);
  EXPECT_FALSE(view.closed);
}

TEST_F(LetterWalkTest, Mere2kAlsoListsMixedCase) {
  Discover(Program::Mere2k);
  EXPECT_EQ(view.items, (std::vector<std::string>{"F: KESTREL DVD-ROM DRV-320 ",
                                                  "H: Kestrel DVD-ROM DRV-321 "}));
  ASSERT_NE(list.At(1), nullptr);
  EXPECT_EQ(list.At(1)->Letter(), 'H');
}

TEST_F(LetterWalkTest, ProgressMovesBeforeEachLetterAndKeepsPainting) {
  Discover(Program::Tarn2k);
  std::vector<std::string> expected = {"progress-open", "range:0-23/1"};
  for (int n = 1; n <= 23; ++n) {
    expected.push_back("step");
    expected.push_back("label:Now checking device No." + std::to_string(n));
    expected.push_back("pump");
  }
  expected.push_back("add:F: KESTREL DVD-ROM DRV-320  1.10");
  expected.push_back("progress-close");
  expected.push_back("select:0");
  // The item is added while letter F (n = 3) is examined.
  std::vector<std::string> events = view.events;
  auto add = std::find(events.begin(), events.end(), "add:F: KESTREL DVD-ROM DRV-320  1.10");
  ASSERT_NE(add, events.end());
  EXPECT_EQ(add - events.begin(), 2 + 3 * 3);
  events.erase(add);
  expected.erase(expected.end() - 3);
  EXPECT_EQ(events, expected);
}

TEST_F(LetterWalkTest, NothingFound) {
  ASSERT_NE(bus.Letter('F'), nullptr);
  ASSERT_NE(bus.Letter('H'), nullptr);
  bus.Letter('F')->refuseOpen = true;
  bus.Letter('H')->refuseOpen = true;
  Discover(Program::Mere2k);
  EXPECT_TRUE(view.items.empty());
  EXPECT_TRUE(view.messages.empty());
  EXPECT_FALSE(view.closed);

  Discover(Program::Tarn2k, DiscoveryOccasion::AfterUpdate);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_FALSE(view.closed);

  Discover(Program::Tarn2k, DiscoveryOccasion::WindowSetUp);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "Supported drive was not found.");
  EXPECT_EQ(view.messages[0].caption, "Initialize Error");
  EXPECT_TRUE(view.closed);
  ASSERT_FALSE(view.events.empty());
  EXPECT_EQ(view.events.back(), "close");
  EXPECT_FALSE(view.progressOpen);
  EXPECT_EQ(port.OpenHandleCount(), 0u);
}

// --- CheckSelectedDrive ------------------------------------------------------

TEST_F(AspiWalkTest, CheckSelectedDriveOnAspi) {
  bus.AddAdapter("intelata")
      .AddTarget(0, sim::OtherDrive("OTHERCO", "DVD-ROM XJ-1"))
      .AddTarget(1, sim::KestrelDrive("DRV-331"));
  Discover(Program::Tarn9x);
  AspiDriveAccess access(transport);

  view.selection = -1;
  SelectionCheck check = CheckSelectedDrive(*context, view.selection, list, access);
  EXPECT_EQ(check.result, -1);
  EXPECT_EQ(check.logText, "Don't select the avialable drive.");

  view.selection = 0;
  check = CheckSelectedDrive(*context, view.selection, list, access);
  EXPECT_EQ(check.result, -1);
  EXPECT_EQ(check.logText, "Selected drive is not supported by this program.");
  EXPECT_EQ(list.SelectedIndex(), 0);

  view.selection = 1;
  check = CheckSelectedDrive(*context, view.selection, list, access);
  EXPECT_EQ(check.result, 0);
  EXPECT_EQ(check.logText, "");
  EXPECT_EQ(list.SelectedIndex(), 1);
  EXPECT_EQ(transport.CurrentAddress().target, 1);
  EXPECT_EQ(context->records.driveGeneration, 7);
  const auto inquiries = bus.GetTrace().Commands(sim::op::kInquiry);
  ASSERT_FALSE(inquiries.empty());
  EXPECT_EQ(inquiries.back().target, 1);

  // An item that stands for no drive counts as no selection.
  view.selection = 5;
  context->language = kJapanese;
  check = CheckSelectedDrive(*context, view.selection, list, access);
  EXPECT_EQ(check.logText, "有効なドライブが選択されていません。");
}

TEST_F(LetterWalkTest, CheckSelectedDriveOpensAndLeavesTheDriveOpen) {
  bus.AddLetter('I', sim::KestrelDrive("DRV-310"));  // listed, but not in TARN2K's table
  Discover(Program::Tarn2k);
  ASSERT_EQ(view.items.size(), 2u);
  LetterDriveAccess access(transport);

  view.selection = 0;
  SelectionCheck check = CheckSelectedDrive(*context, view.selection, list, access);
  EXPECT_EQ(check.result, 0);
  EXPECT_TRUE(transport.DriveOpen());
  EXPECT_EQ(port.OpenHandleCount(), 1u);

  view.selection = 1;
  check = CheckSelectedDrive(*context, view.selection, list, access);
  EXPECT_EQ(check.result, -1);
  EXPECT_EQ(check.logText, "Selected drive is not supported by this program.\r\n");
  EXPECT_EQ(port.OpenHandleCount(), 1u) << "the previous selection's drive is not leaked";

  ASSERT_NE(bus.Letter('F'), nullptr);
  bus.Letter('F')->refuseOpen = true;
  view.selection = 0;
  context->language = kJapanese;
  check = CheckSelectedDrive(*context, view.selection, list, access);
  EXPECT_EQ(check.result, -1);
  EXPECT_EQ(check.logText, "デバイスのオープンに失敗しました。");
  EXPECT_EQ(port.OpenHandleCount(), 0u);
  EXPECT_EQ(port.BadCloseCount(), 0);
}

}  // namespace
}  // namespace kestrel
