#include "firmware/hex_image.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "firmware/firmware_messages.h"

namespace kestrel {
namespace {

// Hexadecimal digit values; 10h marks a character that is not a digit, so
// that OR-ing the values of a field tells at once whether one was bad.
constexpr uint8_t kNotHex = 0x10;
constexpr std::array<uint8_t, 256> MakeHexTable() {
  std::array<uint8_t, 256> table{};
  for (auto& value : table) value = kNotHex;
  for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<uint8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<uint8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) table[c] = static_cast<uint8_t>(c - 'a' + 10);
  return table;
}
constexpr std::array<uint8_t, 256> kHexValue = MakeHexTable();

// Decodes `count` bytes from 2 * count hexadecimal digits; false when a
// character is not a digit.
inline bool DecodeHexBytes(const char* text, size_t count, uint8_t* out) {
  uint8_t bad = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t high = kHexValue[static_cast<uint8_t>(text[2 * i])];
    const uint8_t low = kHexValue[static_cast<uint8_t>(text[2 * i + 1])];
    bad |= high | low;
    out[i] = static_cast<uint8_t>((high << 4) | (low & 0x0F));
  }
  return (bad & kNotHex) == 0;
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

HexLoadResult ParseHexRecords(LineSource& source, uint8_t* dataBuffer) {
  std::memset(dataBuffer, kUncoveredImageByte, kImageLoadSize);
  HexLoadResult result;
  uint32_t segmentBase = 0;
  uint32_t lineNumber = 0;
  bool previousEndedLine = true;
  // Header (4 bytes), up to 255 data bytes, checksum.
  uint8_t record[4 + 255 + 1];
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
    if (line.length < kHeaderChars || !DecodeHexBytes(line.text + 1, 4, record)) {
      result.end = HexLoadEnd::InvalidRecord;
      return result;
    }
    const uint32_t count = record[0];
    const uint32_t loadOffset = (static_cast<uint32_t>(record[1]) << 8) | record[2];
    const uint8_t type = record[3];
    // Data bytes and the checksum must be on the line and hexadecimal.
    if (line.length < kHeaderChars + 2 * count + 2 ||
        !DecodeHexBytes(line.text + kHeaderChars, count + 1, record + 4)) {
      result.end = HexLoadEnd::InvalidRecord;
      return result;
    }
    uint8_t sum = 0;
    for (uint32_t i = 0; i < count + 5; ++i) sum = static_cast<uint8_t>(sum + record[i]);
    if (sum != 0) {
      result.end = HexLoadEnd::ChecksumError;
      return result;
    }

    if (type == kRecordData) {
      const uint32_t target = segmentBase + loadOffset;
      if (target + count > kDataBufferSize) {
        result.end = HexLoadEnd::AddressOutOfRange;
        return result;
      }
      std::memcpy(dataBuffer + target, record + 4, count);
      result.loadedByteCount += count;
      if (result.loadedByteCount >= kImageLoadSize) return result;  // the image is full
    } else if (type == kRecordEndOfFile) {
      return result;
    } else if (type == kRecordSegment) {
      if (count != 2) {
        result.end = HexLoadEnd::InvalidRecord;
        return result;
      }
      segmentBase = ((static_cast<uint32_t>(record[4]) << 8) | record[5]) << 4;
      // The second CPU's trailer is kept in the 4 KB after the first's.
      if (segmentBase == kSegmentRemappedFrom) segmentBase = kSecondTrailerOffset;
    }
    // Other record types, extended linear addresses included, change nothing.
  }
}

HexLoadResult LoadHexImage(LineSource& source, WorkBuffers& buffers, Language language,
                           std::string& log) {
  const HexLoadResult result = ParseHexRecords(source, buffers.data);
  if (result.normal()) {
    std::memcpy(buffers.image, buffers.data, kImageLoadSize);
    AppendImageDescription(buffers.image, log);
  } else {
    AppendLoadFailure(result, language, log);
  }
  return result;
}

void AppendImageDescription(const uint8_t* image, std::string& log) {
  const uint8_t* type = image + kImageTypeBlockOffset;
  log += firmware_text::kLoadSuccess;
  log += firmware_text::kFileTypePrefix;
  if (type[0] == 'A') {
    log += firmware_text::kInterfaceAtapi;
  } else if (type[0] == 'S') {
    log += firmware_text::kInterfaceScsi;
  }
  if (type[1] == 'T') {
    log += firmware_text::kMechanismTray;
  } else if (type[1] == 'S') {
    log += firmware_text::kMechanismSlot;
  }
  if (const char* label = EditionLabelFor(type + 2)) log += label;
  // "\r\nVersion : %.4s\r\n"
  log += "\r\nVersion : ";
  AppendImageText(log, type + 5, 4);
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
  std::snprintf(text, sizeof text, firmware_text::kFileExceptionFormat, static_cast<unsigned>(cause));
  log += text;
  log += firmware_text::FileErrorCauseText(cause);
}

void AppendImageText(std::string& out, const uint8_t* bytes, size_t maxLength) {
  for (size_t i = 0; i < maxLength && bytes[i] != 0; ++i) {
    const uint8_t byte = bytes[i];
    if (byte < 0x80) {
      out.push_back(static_cast<char>(byte));
    } else {
      out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
}

int32_t CheckImageSignature(DriveRecords& records, const uint8_t* image) {
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
