// The speed control utility's message pairs.
#include "speed/speed_messages.h"

#include <gtest/gtest.h>

#include <set>

#include "shell/printf_specifiers.h"

namespace kestrel {
namespace {

TEST(SpeedMessagesTest, PairsTakeTheSameArgumentsAndIdsAreUnique) {
  size_t count = 0;
  const MessagePair* const* pairs = speed_text::AllPairs(count);
  ASSERT_GT(count, 0u);
  std::set<int> ids;
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(pairs[i]->english);
    EXPECT_EQ(PrintfSpecifiers(pairs[i]->english), PrintfSpecifiers(pairs[i]->japanese));
    if (pairs[i]->englishId != 0) {
      EXPECT_TRUE(ids.insert(pairs[i]->englishId).second);
      EXPECT_TRUE(ids.insert(pairs[i]->japaneseId).second);
    }
  }
}

}  // namespace
}  // namespace kestrel
