// Shows each byte from 80h up by its value, so a test sees which texts went
// through the system's ANSI code page.
#pragma once
#include <cstdio>
#include <string>

#include "shell/language.h"

namespace kestrel::testing {

class MarkingAnsiDecoder final : public AnsiDecoder {
 public:
  std::string ToUtf8(const uint8_t* bytes, size_t length) const override {
    std::string text;
    for (size_t i = 0; i < length; ++i) {
      char mark[8];
      std::snprintf(mark, sizeof mark, bytes[i] < 0x80 ? "%c" : "<%02x>", bytes[i]);
      text += mark;
    }
    return text;
  }
};

}  // namespace kestrel::testing
