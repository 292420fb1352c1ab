// Language choice and English/Japanese message pairs.
#pragma once
#include <cstdint>

namespace kestrel {

// The OEM code page read once when a main window is set up.
struct Language {
  int32_t oemCodePage = 437;
  bool Japanese() const { return oemCodePage == 932; }
};

// One message in both languages (UTF-8). Ids are the string-table ids of the
// English and the Japanese entry; 0 where the text lives in program data.
struct MessagePair {
  uint16_t englishId;
  uint16_t japaneseId;
  const char* english;
  const char* japanese;
};

inline const char* Pick(const MessagePair& pair, Language language) {
  return language.Japanese() ? pair.japanese : pair.english;
}

}  // namespace kestrel
