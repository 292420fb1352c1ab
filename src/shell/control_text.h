// The Japanese texts of a main window's labelled controls.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kestrel {

// A control whose English template text is replaced by a Japanese string
// when the language is Japanese.
struct ControlText {
  uint16_t stringId;
  int controlId;
  const char* japanese;
};

struct ControlTextTable {
  const ControlText* rows;
  size_t count;
};

}  // namespace kestrel
