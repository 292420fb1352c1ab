#include "firmware/hex_image.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "firmware/firmware_messages.h"

namespace kestrel {
namespace {

// The value of every pair of characters read as two hexadecimal digits,
// indexed by first + 256 * second; 100h marks a pair that is not two digits,
// so that OR-ing the values of a field tells at once whether one was bad.
constexpr uint32_t kNotHexPair = 0x100;
class HexPairTable {
 public:
  HexPairTable() {
    int digit[256];
    for (int c = 0; c < 256; ++c) digit[c] = -1;
    for (int c = '0'; c <= '9'; ++c) digit[c] = c - '0';
    for (int c = 'A'; c <= 'F'; ++c) digit[c] = c - 'A' + 10;
    for (int c = 'a'; c <= 'f'; ++c) digit[c] = c - 'a' + 10;
    for (int first = 0; first < 256; ++first) {
      for (int second = 0; second < 256; ++second) {
        const bool valid = digit[first] >= 0 && digit[second] >= 0;
        values_[first + 256 * second] =
            valid ? static_cast<uint16_t>(digit[first] * 16 + digit[second]) : kNotHexPair;
      }
    }
  }
  uint32_t operator()(const uint8_t* digits) const { return values_[digits[0] | (digits[1] << 8)]; }

 private:
  uint16_t values_[65536];
};

const HexPairTable& PairTable() {
  static const HexPairTable table;
  return table;
}

#if defined(__SSE2__)
// The nibble values of 16 characters; `valid` marks the hexadecimal digits.
inline __m128i Nibbles(__m128i c, __m128i& valid) {
  const __m128i isDigit = _mm_and_si128(_mm_cmpgt_epi8(c, _mm_set1_epi8('0' - 1)),
                                        _mm_cmplt_epi8(c, _mm_set1_epi8('9' + 1)));
  const __m128i lower = _mm_or_si128(c, _mm_set1_epi8(0x20));
  const __m128i isLetter = _mm_and_si128(_mm_cmpgt_epi8(lower, _mm_set1_epi8('a' - 1)),
                                         _mm_cmplt_epi8(lower, _mm_set1_epi8('f' + 1)));
  valid = _mm_or_si128(isDigit, isLetter);
  const __m128i digitValue = _mm_sub_epi8(c, _mm_set1_epi8('0'));
  const __m128i letterValue = _mm_sub_epi8(lower, _mm_set1_epi8('a' - 10));
  return _mm_or_si128(_mm_and_si128(isDigit, digitValue), _mm_andnot_si128(isDigit, letterValue));
}

// 16 bytes from 32 digits at once; false when a character is not a digit.
inline bool Decode16(const uint8_t* digits, uint8_t* out, uint32_t& sum) {
  __m128i validLow, validHigh;
  const __m128i low = Nibbles(_mm_loadu_si128(reinterpret_cast<const __m128i*>(digits)), validLow);
  const __m128i high =
      Nibbles(_mm_loadu_si128(reinterpret_cast<const __m128i*>(digits + 16)), validHigh);
  // Each 16-bit lane holds the first digit's value low, the second's high.
  const __m128i mask = _mm_set1_epi16(0x00FF);
  const __m128i lowBytes =
      _mm_or_si128(_mm_slli_epi16(_mm_and_si128(low, mask), 4), _mm_srli_epi16(low, 8));
  const __m128i highBytes =
      _mm_or_si128(_mm_slli_epi16(_mm_and_si128(high, mask), 4), _mm_srli_epi16(high, 8));
  const __m128i bytes = _mm_packus_epi16(lowBytes, highBytes);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
  const __m128i sums = _mm_sad_epu8(bytes, _mm_setzero_si128());
  sum += static_cast<uint32_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
  return _mm_movemask_epi8(_mm_and_si128(validLow, validHigh)) == 0xFFFF;
}
#endif

// Decodes `count` bytes from 2 * count hexadecimal digits and adds them to
// `sum`; false when a character is not a digit. This is most of a load's
// time: 16 bytes at a time where the processor allows, else one table lookup
// a byte.
inline bool DecodeHexBytes(const HexPairTable& table, const char* text, size_t count, uint8_t* out,
                           uint32_t& sum) {
  const auto* digits = reinterpret_cast<const uint8_t*>(text);
  bool good = true;
#if defined(__SSE2__)
  for (; count >= 16; count -= 16, digits += 32, out += 16) good &= Decode16(digits, out, sum);
#endif
  uint32_t bad = 0;
  uint32_t total = sum;
  for (size_t i = 0; i < count; ++i, digits += 2) {
    const uint32_t value = table(digits);
    bad |= value;
    out[i] = static_cast<uint8_t>(value);
    total += value;
  }
  sum = total;
  return good && (bad & kNotHexPair) == 0;
}

constexpr EditionLabel kEditionLabels[] = {
    {"KST", "KESTREL Model"}, {"LRC", "LARCH Model"}, {"RWN", "ROWAN Model"},
    {"ALD", "ALDER Model"},   {"HZL", "HAZEL Model"}, {"MPL", "MAPLE Model"},
    {"CDR", "CEDAR Model"},   {"BRC", "BIRCH Model"}, {"SPR", "SPRUCE Model"},
};

constexpr uint8_t kRecordData = 0x00;
constexpr uint8_t kRecordEndOfFile = 0x01;
constexpr uint8_t kRecordSegment = 0x02;
constexpr uint32_t kSegmentRemappedFrom = 0x50000;

// Bytes of a record line: ':' , count, offset (2), type, data, checksum.
constexpr size_t kHeaderChars = 9;

std::string FormatLineMessage(const MessagePair& pair, Language language, uint32_t line) {
  char text[160];
  std::snprintf(text, sizeof text, Pick(pair, language), static_cast<int>(line));
  return text;
}

bool HasSignature(const uint8_t* image, uint32_t offset) {
  return std::memcmp(image + offset, kMakerSignature, kMakerSignatureLength) == 0;
}

}  // namespace

const EditionLabel* EditionLabelTable(size_t& count) {
  count = std::size(kEditionLabels);
  return kEditionLabels;
}

const char* EditionLabelFor(const uint8_t* code) {
  for (const EditionLabel& row : kEditionLabels) {
    if (std::memcmp(row.code, code, 3) == 0) return row.label;
  }
  return nullptr;
}

namespace {

// The parser over any line source; instantiated for the memory source too, so
// that the common in-memory case reads its lines without a virtual call.
template <class Source>
HexLoadResult ParseRecords(Source& source, uint8_t* dataBuffer) {
  std::memset(dataBuffer, kUncoveredImageByte, kImageLoadSize);
  const HexPairTable& table = PairTable();
  HexLoadResult result;
  uint32_t segmentBase = 0;
  uint32_t lineNumber = 0;
  bool previousEndedLine = true;
  // Header (4 bytes) and the data of records that do not go to DataBuffer.
  uint8_t header[4];
  uint8_t scratch[256];
  TextLine line;
  for (;;) {
    const LineSource::Status status = source.ReadLine(line);
    if (status == LineSource::Status::EndOfFile) {
      // A file must close with its end-of-file record: one that stops short
      // was cut off, and its image is not to be trusted.
      result.end = HexLoadEnd::MissingEndRecord;
      result.lineNumber = lineNumber;
      return result;
    }
    if (status == LineSource::Status::Error) {
      result.end = HexLoadEnd::FileError;
      result.fileErrorCause = source.ErrorCause();
      result.lineNumber = lineNumber + (previousEndedLine ? 1 : 0);
      return result;
    }
    // The remainder of an overlong line is still the same line of the file.
    if (previousEndedLine) ++lineNumber;
    previousEndedLine = line.endsLine;
    result.lineNumber = lineNumber;

    if (line.length == 0 || line.text[0] != ':') {
      result.end = HexLoadEnd::BadStartCharacter;
      return result;
    }
    uint32_t sum = 0;
    if (line.length < kHeaderChars || !DecodeHexBytes(table, line.text + 1, 4, header, sum)) {
      result.end = HexLoadEnd::InvalidRecord;
      return result;
    }
    const uint32_t count = header[0];
    const uint32_t loadOffset = (static_cast<uint32_t>(header[1]) << 8) | header[2];
    const uint8_t type = header[3];
    if (line.length < kHeaderChars + 2 * count + 2) {
      result.end = HexLoadEnd::InvalidRecord;  // the record runs past its line
      return result;
    }
    // Data that fits DataBuffer is decoded in place: a record that then
    // fails its checks ends the load, and DataBuffer never reaches the image
    // unless the load ends normally.
    const uint32_t target = segmentBase + loadOffset;
    const bool stored = type == kRecordData && target + count <= kDataBufferSize;
    uint8_t* data = stored ? dataBuffer + target : scratch;
    uint8_t checksum = 0;
    if (!DecodeHexBytes(table, line.text + kHeaderChars, count, data, sum) ||
        !DecodeHexBytes(table, line.text + kHeaderChars + 2 * count, 1, &checksum, sum)) {
      result.end = HexLoadEnd::InvalidRecord;
      return result;
    }
    if ((sum & 0xFF) != 0) {
      result.end = HexLoadEnd::ChecksumError;
      return result;
    }

    if (type == kRecordData) {
      if (!stored) {
        result.end = HexLoadEnd::AddressOutOfRange;
        return result;
      }
      result.loadedByteCount += count;
      if (result.loadedByteCount >= kImageLoadSize) return result;  // the image is full
    } else if (type == kRecordEndOfFile) {
      return result;
    } else if (type == kRecordSegment) {
      if (count != 2) {
        result.end = HexLoadEnd::InvalidRecord;
        return result;
      }
      segmentBase = ((static_cast<uint32_t>(scratch[0]) << 8) | scratch[1]) << 4;
      // The second CPU's trailer is kept in the 4 KB after the first's.
      if (segmentBase == kSegmentRemappedFrom) segmentBase = kSecondTrailerOffset;
    }
    // Other record types, extended linear addresses included, change nothing.
  }
}

}  // namespace

HexLoadResult ParseHexRecords(LineSource& source, uint8_t* dataBuffer) {
  if (auto* memory = dynamic_cast<MemoryLineSource*>(&source))
    return ParseRecords(*memory, dataBuffer);
  return ParseRecords(source, dataBuffer);
}

HexLoadResult LoadHexImage(LineSource& source, WorkBuffers& buffers, Language language,
                           std::string& log) {
  const HexLoadResult result = ParseHexRecords(source, buffers.data);
  if (result.normal()) {
    std::memcpy(buffers.image, buffers.data, kImageLoadSize);
    AppendImageDescription(buffers.image, language, log);
  } else {
    AppendLoadFailure(result, language, log);
  }
  return result;
}

void AppendImageDescription(const uint8_t* image, const Language& language, std::string& log) {
  ImageTypeBlock type;
  std::memcpy(&type, image + kImageTypeBlockOffset, sizeof type);
  log += firmware_text::kLoadSuccess;
  log += firmware_text::kFileTypePrefix;
  if (type.interfaceLetter == 'A') {
    log += firmware_text::kInterfaceAtapi;
  } else if (type.interfaceLetter == 'S') {
    log += firmware_text::kInterfaceScsi;
  }
  if (type.mechanismLetter == 'T') {
    log += firmware_text::kMechanismTray;
  } else if (type.mechanismLetter == 'S') {
    log += firmware_text::kMechanismSlot;
  }
  if (const char* label = EditionLabelFor(reinterpret_cast<const uint8_t*>(type.editionCode))) {
    log += label;
  }
  // "\r\nVersion : %.4s\r\n"
  log += "\r\nVersion : ";
  AppendImageText(log, reinterpret_cast<const uint8_t*>(type.version), sizeof type.version,
                  language);
  log += "\r\n";
}

void AppendLoadFailure(const HexLoadResult& result, Language language, std::string& log) {
  switch (result.end) {
    case HexLoadEnd::Normal:
      break;
    case HexLoadEnd::BadStartCharacter:
      log += firmware_text::kStartCharacterMissing;
      break;
    case HexLoadEnd::ChecksumError:
      log += FormatLineMessage(firmware_text::kChecksumError, language, result.lineNumber);
      break;
    case HexLoadEnd::InvalidRecord:
      log += FormatLineMessage(firmware_text::kInvalidRecord, language, result.lineNumber);
      break;
    case HexLoadEnd::AddressOutOfRange:
      log += FormatLineMessage(firmware_text::kAddressOutOfRange, language, result.lineNumber);
      break;
    case HexLoadEnd::MissingEndRecord:
      log += Pick(firmware_text::kMissingEndRecord, language);
      break;
    case HexLoadEnd::FileError:
      AppendFileException(result.fileErrorCause, log);
      break;
  }
}

void AppendFileException(int cause, std::string& log) {
  char text[48];
  std::snprintf(text, sizeof text, firmware_text::kFileExceptionFormat,
                static_cast<unsigned>(cause));
  log += text;
  log += firmware_text::FileErrorCauseText(cause);
}

void AppendImageText(std::string& out, const uint8_t* bytes, size_t maxLength,
                     const Language& language) {
  size_t length = 0;
  while (length < maxLength && bytes[length] != 0) ++length;
  out += AnsiText(language, bytes, length);
}

std::string ImageFields(const uint8_t* record, std::initializer_list<ImageField> fields,
                        const Language& language) {
  std::string text;
  for (const ImageField& field : fields) {
    if (&field != fields.begin()) text += ' ';
    AppendImageText(text, record + field.offset, field.maxLength, language);
  }
  return text;
}

int32_t CheckImageSignature(ImageRecord& records, const uint8_t* image) {
  int32_t parts = 0;
  uint32_t blockOffset = 0;
  if (HasSignature(image, 0x1000)) {
    blockOffset = 0x1010;
    parts = HasSignature(image, 0x21000) ? 2 : 1;
  } else if (HasSignature(image, 0x100)) {
    blockOffset = 0x110;
    parts = 1;
  } else if (HasSignature(image, 0x2000)) {
    blockOffset = 0x2010;
    parts = 1;
  }
  records.imageCpuName.fill(0);
  records.imageSecondCpuName.fill(0);
  if (parts >= 1) {
    std::memcpy(records.imageCpuName.data(), image + blockOffset, 16);
    std::memcpy(records.imageFirmwareId.data(), image + blockOffset - 16, 16);
  }
  if (parts == 2) {
    std::memcpy(records.imageSecondCpuName.data(), image + blockOffset + kSecondPartOffset, 16);
  }
  return parts;
}

}  // namespace kestrel
