// The one place where UTF-8 texts become UTF-16 for the W functions, and
// back, with the shell's UTF-8 codec.
#pragma once
#include <string>

namespace kestrel {

std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

}  // namespace kestrel
