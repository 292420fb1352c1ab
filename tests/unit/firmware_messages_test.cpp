// The firmware utility's own message pairs.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "firmware/firmware_messages.h"
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
  for (int id = 175; id <= 182; ++id) EXPECT_EQ(ids.count(id), 1u) << id;
}

}  // namespace
}  // namespace kestrel
