#include "firmware/hex_image.h"

#include <cstdio>
#include <cstring>
#include <iterator>

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

// Made at the first load, on the heap: its 128 KB need not be in the
// programs' files, however the linker lays out their zero-filled data.
const HexPairTable& PairTable() {
  static const HexPairTable* const table = new HexPairTable;
  return *table;
}

// Decodes `count` bytes from 2 * count hexadecimal digits and adds them to
// `sum`; false when a character is not a digit. This is much of a load's
// time: one table lookup a byte. There is one decoder for every build, so
// that the programs run the very code the tests, the fuzzer and the benchmark
// run.
inline bool DecodeHexBytes(const HexPairTable& table, const char* text, size_t count, uint8_t* out,
                           uint32_t& sum) {
  const auto* digits = reinterpret_cast<const uint8_t*>(text);
  uint32_t bad = 0;
  uint32_t total = sum;
  for (size_t i = 0; i < count; ++i, digits += 2) {
    const uint32_t value = table(digits);
    bad |= value;
    out[i] = static_cast<uint8_t>(value);
    total += value;
  }
  sum = total;
  return (bad & kNotHexPair) == 0;
}

constexpr EditionLabel kEditionLabels[] = {
    {"KST", "KESTREL Model"}, {"LRC", "LARCH Model"}, {"RWN", "ROWAN Model"},
    {"ALD", "ALDER Model"},   {"HZL", "HAZEL Model"}, {"MPL", "MAPLE Model"},
    {"CDR", "CEDAR Model"},   {"BRC", "BIRCH Model"}, {"SPR", "SPRUCE Model"},
};

constexpr uint8_t kRecordData = 0x00;
constexpr uint8_t kRecordEndOfFile = 0x01;
constexpr uint8_t kRecordSegment = 0x02;
constexpr uint8_t kRecordLinearAddress = 0x04;
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
  // The data of records that do not go to DataBuffer.
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
    if (line.length < kHeaderChars) {
      result.end = HexLoadEnd::InvalidRecord;
      return result;
    }
    // The four header bytes are used as values, never stored: a store read
    // back at once as a wider value stalls the processor.
    const auto* headerDigits = reinterpret_cast<const uint8_t*>(line.text + 1);
    const uint32_t count = table(headerDigits);
    const uint32_t offsetHigh = table(headerDigits + 2);
    const uint32_t offsetLow = table(headerDigits + 4);
    const uint32_t type = table(headerDigits + 6);
    if (((count | offsetHigh | offsetLow | type) & kNotHexPair) != 0) {
      result.end = HexLoadEnd::InvalidRecord;
      return result;
    }
    uint32_t sum = count + offsetHigh + offsetLow + type;
    const uint32_t loadOffset = (offsetHigh << 8) | offsetLow;
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
    } else if (type == kRecordSegment || type == kRecordLinearAddress) {
      if (count != 2) {
        result.end = HexLoadEnd::InvalidRecord;
        return result;
      }
      const uint32_t address = (static_cast<uint32_t>(scratch[0]) << 8) | scratch[1];
      if (type == kRecordSegment) {
        segmentBase = address << 4;
        // The second CPU's trailer is kept in the 4 KB after the first's.
        if (segmentBase == kSegmentRemappedFrom) segmentBase = kSecondTrailerOffset;
      } else if (address != 0) {
        // Only segment records place data: the data after an upper linear
        // address would be laid over the low 64 KB of the image.
        result.end = HexLoadEnd::LinearAddress;
        return result;
      }
    }
    // Other record types, start addresses included, change nothing.
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
    case HexLoadEnd::LinearAddress:
      log += FormatLineMessage(firmware_text::kLinearAddress, language, result.lineNumber);
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
