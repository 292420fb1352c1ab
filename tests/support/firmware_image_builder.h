// Firmware images and HEX files for tests, benchmarks, fuzzing and the
// end-to-end runs. The parts are the simulated drive's own
// (sim::MakeFirmwarePart), so an image built here fits a simulated drive
// configured from the same fields.
//
//   FirmwareImageSetup setup;                  // one part, CPU "HITACHI H8_3062A"
//   setup.second = setup.first;                // two parts
//   setup.second->cpuName = "HITACHI H8_3062R";
//   std::string hex = BuildFirmwareHex(setup);
//   std::vector<uint8_t> image = BuildFirmwareImage(setup);  // what the loader leaves
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/model/drive_model.h"

namespace kestrel::testing {

// Image layout as the loader fills it.
constexpr uint32_t kTestImageSize = 0x42000;
constexpr uint32_t kPartSize = 0x20000;
constexpr uint32_t kTrailerSize = 0x1000;

struct FirmwareImageSetup {
  FirmwareImageSetup();
  sim::FirmwarePartSetup first;
  std::optional<sim::FirmwarePartSetup> second;  // set: a two-part image
  uint32_t trailerSeed = 7;
};

// One span of the file: `length` image bytes from `imageOffset`, written at
// file address `fileAddress` (segment * 16 + load offset).
struct HexRegion {
  uint32_t fileAddress;
  uint32_t imageOffset;
  uint32_t length;
};

struct HexWriteOptions {
  size_t recordSize = 16;
  std::string lineEnd = "\r\n";
  bool lowerCase = false;
  bool endRecord = true;  // closes with ":00000001FF"
  bool linearAddresses = false;  // type 04 records in place of type 02, as general tools write
};

// The image as the loader leaves it in ImageBuffer: 0x42000 bytes, FFh where
// the file has no data.
std::vector<uint8_t> BuildFirmwareImage(const FirmwareImageSetup& setup);
// The file spans of an image: part(s) and trailer(s).
std::vector<HexRegion> FirmwareRegions(const FirmwareImageSetup& setup);
std::string BuildFirmwareHex(const FirmwareImageSetup& setup, const HexWriteOptions& options = {});

// Records for the given spans of `image`, with a segment record (type 02) or
// an extended linear address record (type 04) before each 64 KB block of file
// addresses.
std::string HexRecordsFor(const std::vector<uint8_t>& image, const std::vector<HexRegion>& regions,
                          const HexWriteOptions& options = {});

// One record line without its line end, checksum included.
std::string HexRecord(uint8_t type, uint16_t loadOffset, const std::vector<uint8_t>& data,
                      bool lowerCase = false);
std::string SegmentRecord(uint16_t segment);
std::string LinearAddressRecord(uint16_t upperAddress);
std::string EndRecord();

// Text edits for damaged files. Lines count from 1; line ends are "\r\n" or "\n".
// Replaces line `line` (without its line end) by `text`.
std::string ReplaceLine(const std::string& file, size_t line, const std::string& text);
// Flips one data digit of line `line` without fixing its checksum.
std::string CorruptChecksum(const std::string& file, size_t line);
// Cuts the file after line `line`.
std::string KeepLines(const std::string& file, size_t lines);
size_t CountLines(const std::string& file);

}  // namespace kestrel::testing
