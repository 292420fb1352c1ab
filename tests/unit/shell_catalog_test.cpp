#include "shell/shell_catalog.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <utility>

#include "fakes/program_rows.h"
#include "shell/printf_specifiers.h"
#include "shell/utf8.h"
#include "ui/firmware_window_texts.h"

namespace kestrel {
namespace {

// The shell row of every program of the program table.
const auto kAllPrograms = [] {
  std::array<const ShellTraits*, std::size(testing::kAllProgramRows)> shells{};
  for (size_t i = 0; i < shells.size(); ++i) shells[i] = &testing::kAllProgramRows[i]->shell;
  return shells;
}();

constexpr Language kEnglish{437};
constexpr Language kJapanese{932};

void ExpectSoundPair(const MessagePair& pair) {
  ASSERT_NE(pair.english, nullptr);
  ASSERT_NE(pair.japanese, nullptr);
  SCOPED_TRACE(pair.english);
  EXPECT_STRNE(pair.english, "");
  EXPECT_STRNE(pair.japanese, "");
  EXPECT_EQ(PrintfSpecifiers(pair.english), PrintfSpecifiers(pair.japanese));
  // A text crosses the UTF-16 edge unchanged only when it is valid UTF-8.
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(pair.japanese)), pair.japanese);
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(pair.english)), pair.english);
  // The two halves are two different string-table entries.
  EXPECT_NE(pair.englishId, pair.japaneseId);
}

TEST(ShellCatalog, EveryPairIsCompleteAndTakesTheSameArgumentsInBothLanguages) {
  const ShellPairList shell = AllShellPairs();
  ASSERT_GT(shell.count, 0u);
  for (size_t i = 0; i < shell.count; ++i) ExpectSoundPair(*shell.pairs[i]);
  for (size_t i = 0; i < firmware_window::kAllPairCount; ++i) {
    ExpectSoundPair(*firmware_window::kAllPairs[i]);
  }
}

TEST(ShellCatalog, FirmwareProgramsMenuItems) {
  const ShellTraits& tarn9x = kTarn9xShell;
  EXPECT_EQ(tarn9x.aboutItem.englishId, 101);
  EXPECT_EQ(tarn9x.aboutItem.japaneseId, 14);
  EXPECT_STREQ(Pick(tarn9x.aboutItem, kEnglish), "&About TARN9X.EXE");
  EXPECT_STREQ(Pick(tarn9x.aboutItem, kJapanese), "TARN9Xについて(&A)");

  const ShellTraits& tarn2k = kTarn2kShell;
  EXPECT_STREQ(Pick(tarn2k.aboutItem, kEnglish), "&About TARN2K...");
  EXPECT_STREQ(Pick(tarn2k.aboutItem, kJapanese), "TARN2Kについて(&A)");

  for (const ShellTraits* traits : {&tarn9x, &tarn2k}) {
    SCOPED_TRACE(traits->name);
    EXPECT_EQ(traits->helpItem.englishId, 103);
    EXPECT_EQ(traits->helpItem.japaneseId, 15);
    EXPECT_STREQ(Pick(traits->helpItem, kEnglish), "&Help (Firmware Update)");
    // Full-width parentheses after an ordinary space.
    EXPECT_STREQ(Pick(traits->helpItem, kJapanese), "ヘルプ \xEF\xBC\x88&H\xEF\xBC\x89");
    EXPECT_STREQ(traits->helpTopic, "UpdateUtility.htm");
    EXPECT_EQ(traits->aboutTextControlId, 1000);
  }
}

TEST(ShellCatalog, OtherProgramsRows) {
  const ShellTraits& mere9x = kMere9xShell;
  EXPECT_STREQ(mere9x.helpItem.japanese, "ヘルプ(&H)");
  EXPECT_EQ(mere9x.helpItem.japaneseId, 110);
  EXPECT_EQ(mere9x.aboutTextControlId, 1025);

  const ShellTraits& mere2k = kMere2kShell;
  EXPECT_EQ(mere2k.aboutItem.japaneseId, 104);
  EXPECT_STREQ(mere2k.aboutItem.japanese, "リージョン設定ユーティリティについて(&A)");
  EXPECT_EQ(mere2k.helpItem.japaneseId, 103);
  EXPECT_EQ(mere2k.aboutTextControlId, 1023);

  const ShellTraits& beck9x = kBeck9xShell;
  EXPECT_STREQ(beck9x.aboutItem.english, "&About BECK2K...");
  EXPECT_STREQ(beck9x.helpItem.english, "&Help Speed Control");
  EXPECT_STREQ(beck9x.helpTopic, "SpeedControl.htm");
  EXPECT_EQ(beck9x.aboutTextControlId, 1002);

  EXPECT_STREQ(kFell32Shell.helpTopic, "HELPINDEX.htm");
  EXPECT_EQ(kFell32Shell.helpItem.englishId, 105);

  std::set<std::string> names;
  std::set<Program> programs;
  for (const ShellTraits* row : kAllPrograms) {
    programs.insert(row->program);
    names.insert(row->name);
  }
  EXPECT_EQ(programs.size(), std::size(kAllPrograms));
  EXPECT_EQ(names.size(), std::size(kAllPrograms));
}

TEST(ShellCatalog, AboutTextsCarryTheirVersions) {
  EXPECT_EQ(AboutText(kTarn9xShell),
            "Firmware Version-Up Utility\r\nfor Windows9x/Me (Version 1.03)");
  EXPECT_EQ(AboutText(kTarn2kShell), "Firmware Upgrade Utility\r\nfor Windows2000 (Version 1.01)");
  EXPECT_EQ(AboutText(kMere2kShell), "Region Setting Utility Version 1.03");
  EXPECT_EQ(AboutText(kBeck9xShell), "Speed Control Utility Version 1.03");
  EXPECT_EQ(AboutText(kFell32Shell), "DVD-ROM Utility Launcher Version 1.03");
  for (const ShellTraits* row : kAllPrograms) {
    const ShellTraits& traits = *row;
    EXPECT_EQ(PrintfSpecifiers(traits.aboutFormat), (std::vector<std::string>{"%d", "%02d"}))
        << traits.name;
  }
}

TEST(ShellCatalog, HelpPathFollowsTheLanguage) {
  const ShellTraits& tarn9x = kTarn9xShell;
  EXPECT_EQ(HelpPath(tarn9x, kJapanese), ".\\opthelpj.chm::/UpdateUtility.htm");
  EXPECT_EQ(HelpPath(tarn9x, kEnglish), ".\\opthelp.chm::/UpdateUtility.htm");
  // Other double-byte code pages are English.
  EXPECT_EQ(HelpPath(tarn9x, Language{936}), ".\\opthelp.chm::/UpdateUtility.htm");
  EXPECT_EQ(HelpPath(tarn9x, Language{949}), ".\\opthelp.chm::/UpdateUtility.htm");
  EXPECT_EQ(HelpPath(kMere2kShell, kJapanese), ".\\opthelpj.chm::/RegionUtility.htm");
}

TEST(ShellCatalog, HelpFailureMessage) {
  const MessagePair& usual = kTarn9xShell.helpMissing;
  EXPECT_EQ(usual.englishId, 134);
  EXPECT_EQ(usual.japaneseId, 135);
  EXPECT_STREQ(Pick(usual, kEnglish), "Help file is not found.");
  EXPECT_STREQ(Pick(usual, kJapanese), "ヘルプファイルが見つかりません。");
  EXPECT_STREQ(kErrorCaption, "Error");

  const MessagePair& beck = kBeck9xShell.helpMissing;
  EXPECT_EQ(beck.englishId, 136);
  EXPECT_EQ(beck.japaneseId, 137);
  EXPECT_EQ(std::string(beck.english), std::string(usual.english) + "\r\n");
  EXPECT_EQ(std::string(beck.japanese), std::string(usual.japanese) + "\r\n");
}

TEST(ShellCatalog, AboutIsMatchedWithoutItsLowBitsHelpOnlyExactly) {
  EXPECT_EQ(ClassifySysCommand(0x10), ShellCommand::About);
  EXPECT_EQ(ClassifySysCommand(0x1F), ShellCommand::About);
  EXPECT_EQ(ClassifySysCommand(0x20), ShellCommand::Help);
  EXPECT_EQ(ClassifySysCommand(0x2A), ShellCommand::Other);
  EXPECT_EQ(ClassifySysCommand(0x10010), ShellCommand::Other);
  EXPECT_EQ(ClassifySysCommand(0x30), ShellCommand::Other);
  EXPECT_EQ(ClassifySysCommand(0x00), ShellCommand::Other);
  EXPECT_EQ(ClassifySysCommand(0xF060), ShellCommand::Other);  // SC_CLOSE
  EXPECT_EQ(ClassifySysCommand(0xF012), ShellCommand::Other);  // a move by the caption
}

TEST(ShellCatalog, MenuItemsAreAddedOnlyTogether) {
  EXPECT_TRUE(ShouldAppendMenuItems("&About", "&Help"));
  EXPECT_FALSE(ShouldAppendMenuItems("", "&Help"));
  EXPECT_FALSE(ShouldAppendMenuItems("&About", ""));
  EXPECT_FALSE(ShouldAppendMenuItems("", ""));
}

TEST(FirmwareWindowTexts, JapaneseControlTexts) {
  const ControlTextTable table = FirmwareWindowControlTexts();
  const std::vector<std::pair<int, int>> expected = {{7, 1014},  {8, 1016},  {9, 1017}, {10, 1015},
                                                     {16, 1009}, {11, 1010}, {12, 1011}};
  ASSERT_EQ(table.count, expected.size());
  for (size_t i = 0; i < table.count; ++i) {
    EXPECT_EQ(std::make_pair(int{table.rows[i].stringId}, table.rows[i].controlId), expected[i]);
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(table.rows[i].japanese)), table.rows[i].japanese);
  }
  EXPECT_STREQ(table.rows[0].japanese, "対象となるドライブ");
  EXPECT_STREQ(table.rows[4].japanese, "終了");
  EXPECT_STREQ(table.rows[6].japanese, "アップデート");
}

TEST(FirmwareWindowTexts, ConfirmationTexts) {
  using firmware_window::kConfirmQuestion;
  using firmware_window::kConfirmWarning;
  EXPECT_EQ(kConfirmQuestion.englishId, 159);
  EXPECT_EQ(kConfirmQuestion.japaneseId, 160);
  EXPECT_EQ(kConfirmWarning.englishId, 173);
  EXPECT_EQ(kConfirmWarning.japaneseId, 174);
  const std::string english = kConfirmWarning.english;
  EXPECT_EQ(english.find("If you do not have disabled \"Auto insert notification\",\r\nwhen"), 0u);
  // Five lines in both languages, joined by CR LF, with no line break at the end.
  for (const std::string text : {english, std::string(kConfirmWarning.japanese)}) {
    size_t breaks = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
      ++breaks;
    }
    EXPECT_EQ(breaks, 4u);
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
  }
}

}  // namespace
}  // namespace kestrel
