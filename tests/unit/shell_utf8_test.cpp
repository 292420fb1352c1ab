#include <gtest/gtest.h>

#include "shell/printf_specifiers.h"
#include "shell/utf8.h"

namespace kestrel {
namespace {

TEST(Utf8, WellFormedTextRoundTrips) {
  EXPECT_EQ(Utf8ToUtf16("Exit"), u"Exit");
  EXPECT_EQ(Utf8ToUtf16("終了"), u"終了");
  // Half-width katakana and a full-width parenthesis of the window texts.
  EXPECT_EQ(Utf8ToUtf16("ﾊﾞｰｼﾞｮﾝ（"), u"ﾊﾞｰｼﾞｮﾝ（");
  // Outside the basic plane: a surrogate pair.
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x92\xBF"), std::u16string(u"\xD83D\xDCBF"));
  EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xDCBF"), "\xF0\x9F\x92\xBF");
  EXPECT_EQ(Utf16ToUtf8(u"ファイル\r\n"), "ファイル\r\n");
  EXPECT_EQ(Utf8ToUtf16(""), u"");
}

TEST(Utf8, MalformedBytesBecomeReplacementCharacters) {
  const char16_t bad = 0xFFFD;
  // Lone continuation byte, invalid lead bytes.
  EXPECT_EQ(Utf8ToUtf16("a\x80"
                        "b"),
            (std::u16string{u'a', bad, u'b'}));
  EXPECT_EQ(Utf8ToUtf16("\xFF\xC0"), (std::u16string{bad, bad}));
  // Overlong "/" and an encoded surrogate.
  EXPECT_EQ(Utf8ToUtf16("\xE0\x80\xAF"), (std::u16string{bad}));
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), (std::u16string{bad}));
  // Beyond U+10FFFF.
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), (std::u16string{bad}));
  // A sequence cut short by the end or by an ASCII byte keeps what follows.
  EXPECT_EQ(Utf8ToUtf16("\xE7\xB5"), (std::u16string{bad}));
  EXPECT_EQ(Utf8ToUtf16("\xE7\xB5"
                        "A"),
            (std::u16string{bad, u'A'}));
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00}), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xD83D}), "a\xEF\xBF\xBD");
}

TEST(PrintfSpecifiers, FindsEachConversionInOrder) {
  using V = std::vector<std::string>;
  EXPECT_EQ(PrintfSpecifiers("Remaining time to complete about %d sec"), V{"%d"});
  EXPECT_EQ(PrintfSpecifiers("%.8s %.16s %.5s %.10s"), (V{"%.8s", "%.16s", "%.5s", "%.10s"}));
  EXPECT_EQ(PrintfSpecifiers("Sense Code : %02x-%02x-%02x"), (V{"%02x", "%02x", "%02x"}));
  EXPECT_EQ(PrintfSpecifiers("%.02lf x %-5ld"), (V{"%.02lf", "%-5ld"}));
  EXPECT_EQ(PrintfSpecifiers("100%% done"), V{});
  EXPECT_EQ(PrintfSpecifiers("no conversions"), V{});
  // A differing order is a different argument list.
  EXPECT_NE(PrintfSpecifiers("%d %s"), PrintfSpecifiers("%s %d"));
  // A trailing percent sign is reported, so that a stray one shows up.
  EXPECT_EQ(PrintfSpecifiers("50%"), V{"%"});
}

}  // namespace
}  // namespace kestrel
