// UTF-8 inside, UTF-16 at the Windows edge. Malformed input never reads past
// its end; each bad sequence becomes U+FFFD.
#pragma once
#include <string>
#include <string_view>

namespace kestrel {

std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace kestrel
