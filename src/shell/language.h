// Language choice and English/Japanese message pairs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrel {

// The system's ANSI code page: the bytes of drive and image texts (INQUIRY
// fields, identification records) are shown through it, as any narrow string
// of a Win32 program is.
class AnsiDecoder {
 public:
  virtual ~AnsiDecoder() = default;
  virtual std::string ToUtf8(const uint8_t* bytes, size_t length) const = 0;
};

// The code pages read once when a main window is set up.
struct Language {
  int32_t oemCodePage = 437;
  const AnsiDecoder* ansi = nullptr;  // none: bytes from 80h up are Latin-1
  bool Japanese() const { return oemCodePage == 932; }
};

// Drive or image bytes as UTF-8 text, through the ANSI code page.
std::string AnsiText(const Language& language, const uint8_t* bytes, size_t length);
inline std::string AnsiText(const Language& language, const std::string& bytes) {
  return AnsiText(language, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

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
