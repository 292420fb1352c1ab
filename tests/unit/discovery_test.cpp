#include "drive/discovery.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "drive/drive_messages.h"
#include "shell/printf_specifiers.h"

namespace kestrel {
namespace {

// A 96-byte INQUIRY reply with space-padded fields.
std::array<uint8_t, 96> Inquiry(uint8_t type, const std::string& vendor, const std::string& product,
                                const std::string& revision = "1.10", char byte36 = 'A',
                                const std::string& date = "2003/05/12") {
  std::array<uint8_t, 96> reply{};
  reply[0] = type;
  auto put = [&](size_t at, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) reply[at + i] = static_cast<uint8_t>(i < text.size() ? text[i] : ' ');
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
  EXPECT_EQ(Tarn9xEntryText(kKestrel.data(), 96, "")->size(), Tarn9xEntryText(kOtherDvd.data(), 96, "")->size());
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
  EXPECT_EQ(Beck9xEntryText(kKestrelDisk.data(), 96, "ID=0 : "), "ID=0 : KESTREL DVD-ROM DRV-320  1.10");
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
  for (auto rule : {Tarn9xEntryText, Mere9xEntryText, Beck9xEntryText, Tarn2kEntryText, Mere2kEntryText}) {
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

TEST(DiscoveryRules, PerUtilityMessagesAndCapacity) {
  EXPECT_EQ(DiscoveryRuleFor(Utility::Beck9x).entryCapacity, 255u);
  EXPECT_EQ(DiscoveryRuleFor(Utility::Tarn9x).entryCapacity, 256u);
  EXPECT_STREQ(DiscoveryRuleFor(Utility::Beck9x).noInterface->japanese, "ATAPI I/Fが見つかりませんでした。");
  EXPECT_STREQ(DiscoveryRuleFor(Utility::Mere9x).noInterface->japanese, "ATAPI I/Fは見つかりませんでした。");
  EXPECT_STREQ(DiscoveryRuleFor(Utility::Beck9x).notFound->english, "Supported drive was not found.\r\n");
  EXPECT_STREQ(DiscoveryRuleFor(Utility::Tarn9x).notFound->english, "Supported drive was not found.");
  EXPECT_STREQ(DiscoveryRuleFor(Utility::Tarn2k).notSupported->english,
               "Selected drive is not supported by this program.\r\n");
  EXPECT_STREQ(DiscoveryRuleFor(Utility::Tarn9x).notSupported->english,
               "Selected drive is not supported by this program.");
  EXPECT_TRUE(DiscoveryRuleFor(Utility::Tarn2k).closeWhenNoneFoundAtSetUp);
  EXPECT_FALSE(DiscoveryRuleFor(Utility::Mere2k).closeWhenNoneFoundAtSetUp);
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

}  // namespace
}  // namespace kestrel
