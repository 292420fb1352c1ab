// The firmware image: its layout in ImageBuffer, the HEX records that fill
// it, and what the program reads out of it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "drive/drive_context.h"
#include "firmware/image_record.h"
#include "firmware/line_source.h"
#include "shell/language.h"

namespace kestrel {

// Layout of the image (offsets into ImageBuffer).
constexpr uint32_t kImageLoadSize = 0x42000;        // prepared, parsed and copied
constexpr uint32_t kSecondPartOffset = 0x20000;     // second part, or a one-part image's trailer
constexpr uint32_t kFirstTrailerOffset = 0x40000;   // file segment 4000h
constexpr uint32_t kSecondTrailerOffset = 0x41000;  // file segment 5000h, remapped
constexpr uint32_t kImageTypeBlockOffset = 0x3F0;
constexpr uint8_t kUncoveredImageByte = 0xFF;

// Signature blocks: the maker signature, 8 bytes, the CPU name.
constexpr char kMakerSignature[] = "KESTREL ";
constexpr size_t kMakerSignatureLength = 8;
constexpr size_t kCpuNameOffset = 16;  // in a signature block
constexpr size_t kCpuNameLength = 16;

// The identification record (the drive's INQUIRY bytes 8 on, and the file's
// copy of them): vendor, product, revision, the byte after it, the date.
constexpr size_t kRevisionOffset = 24;
constexpr size_t kRevisionLength = 4;
constexpr size_t kDateOffset = 29;
constexpr size_t kDateLength = 10;

// ImageTypeBlock, the nine bytes at 0x3F0.
struct ImageTypeBlock {
  char interfaceLetter;  // "A" ATAPI, "S" SCSI
  char mechanismLetter;  // "T" tray, "S" slot
  char editionCode[3];
  char version[4];
};
static_assert(sizeof(ImageTypeBlock) == 9);

struct EditionLabel {
  char code[4];  // three characters, compared byte for byte
  const char* label;
};
// Nine rows in order of comparison; the first match wins.
const EditionLabel* EditionLabelTable(size_t& count);
// The label for the three bytes at `code`, or null.
const char* EditionLabelFor(const uint8_t* code);

// How reading the records ended.
enum class HexLoadEnd {
  Normal,             // end-of-file record, or 0x42000 data bytes loaded
  BadStartCharacter,  // a line that does not begin with ':'
  ChecksumError,      // a record whose checksum does not match
  InvalidRecord,      // non-hexadecimal field, record longer than its line, bad address record
  AddressOutOfRange,  // a data record reaching past DataBuffer
  LinearAddress,      // an extended linear address other than 0000h
  MissingEndRecord,   // the file ended before its end-of-file record
  FileError,          // the file layer failed while reading
};

struct HexLoadResult {
  HexLoadEnd end = HexLoadEnd::Normal;
  uint32_t lineNumber = 0;  // the line that stopped the load (from 1)
  int fileErrorCause = 0;   // with FileError
  uint32_t loadedByteCount = 0;
  bool normal() const { return end == HexLoadEnd::Normal; }
};

// Fills the first 0x42000 bytes of `dataBuffer` (kDataBufferSize bytes) with
// FFh and parses the records of `source` into it. Never writes outside it.
HexLoadResult ParseHexRecords(LineSource& source, uint8_t* dataBuffer);

// Parses `source` into DataBuffer; on a normal end copies the first 0x42000
// bytes to ImageBuffer and appends the image's description to `log`,
// otherwise appends the line that says why the load stopped (the image is
// not touched).
HexLoadResult LoadHexImage(LineSource& source, WorkBuffers& buffers, Language language,
                           std::string& log);

// "\r\nF/W file load success." and the type, edition and version lines.
void AppendImageDescription(const uint8_t* image, const Language& language, std::string& log);
// The line for a load that did not end normally (nothing for a normal end).
void AppendLoadFailure(const HexLoadResult& result, Language language, std::string& log);
// "\r\nFile Exception Error %x : " and the cause text.
void AppendFileException(int cause, std::string& log);

// Appends at most `maxLength` bytes of image text, stopping at a zero byte as
// "%.*s" does, decoded through the ANSI code page.
void AppendImageText(std::string& out, const uint8_t* bytes, size_t maxLength,
                     const Language& language);

// Fields of an identification record, each as AppendImageText takes it, joined
// by single spaces: {{0, 8}, {8, 16}} is "%.8s %.16s".
struct ImageField {
  size_t offset;
  size_t maxLength;
};
std::string ImageFields(const uint8_t* record, std::initializer_list<ImageField> fields,
                        const Language& language);

// The number of image parts that carry the maker signature (0, 1 or 2); sets
// imageCpuName and imageSecondCpuName, and imageFirmwareId unless 0.
int32_t CheckImageSignature(ImageRecord& records, const uint8_t* image);

}  // namespace kestrel
