#include "shell/printf_specifiers.h"

#include <cstring>

namespace kestrel {

std::vector<std::string> PrintfSpecifiers(std::string_view format) {
  std::vector<std::string> found;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (i + 1 < format.size() && format[i + 1] == '%') {
      ++i;
      continue;
    }
    size_t end = i + 1;
    // flags, width, precision and length modifiers up to the conversion letter
    while (end < format.size() && std::strchr("-+ #0123456789.*hlLqjzt", format[end]) != nullptr) {
      ++end;
    }
    if (end < format.size()) ++end;  // the conversion itself
    found.emplace_back(format.substr(i, end - i));
    i = end - 1;
  }
  return found;
}

}  // namespace kestrel
