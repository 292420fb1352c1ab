// The firmware utility's own message pairs.
#include "firmware/firmware_messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "shell/printf_specifiers.h"

namespace kestrel {
namespace {

TEST(FirmwareMessagesTest, PairsTakeTheSameArgumentsAndIdsAreUnique) {
  size_t count = 0;
  const MessagePair* pairs = firmware_text::AllPairs(count);
  ASSERT_GT(count, 0u);
  std::set<int> ids;
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(pairs[i].english);
    EXPECT_EQ(PrintfSpecifiers(pairs[i].english), PrintfSpecifiers(pairs[i].japanese));
    if (pairs[i].englishId != 0) {
      EXPECT_TRUE(ids.insert(pairs[i].englishId).second);
      EXPECT_TRUE(ids.insert(pairs[i].japaneseId).second);
    }
  }
  // The loader's refusals of damaged files take ids the string table has free.
  for (int id = 175; id <= 186; ++id) EXPECT_EQ(ids.count(id), 1u) << id;
}

TEST(FirmwareMessagesTest, TheOpenErrorBoxSpeaksTheLanguageAndKeepsTheCause) {
  const std::string path = "C:\\FIRM\\DRV320.HEX";
  EXPECT_EQ(firmware_text::FileOpenErrorText(path, 5, Language{437}),
            "The file cannot be opened:\r\nC:\\FIRM\\DRV320.HEX\r\n\r\nFile access denied");
  EXPECT_EQ(firmware_text::FileOpenErrorText(path, 2, Language{932}),
            "ファイルを開くことができません:\r\nC:\\FIRM\\DRV320.HEX\r\n\r\nFile not found");
  // A cause the file layer has no text for is shown by its number.
  EXPECT_EQ(firmware_text::FileOpenErrorText(path, 99, Language{437}).substr(path.size() + 32),
            "File error 99");
}

}  // namespace
}  // namespace kestrel
