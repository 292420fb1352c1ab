#include "tests/support/firmware_image_builder.h"

#include <cstring>

namespace kestrel::testing {
namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";
constexpr char kLowerDigits[] = "0123456789abcdef";
constexpr uint32_t kFirstTrailer = 0x40000;
constexpr uint32_t kSecondTrailer = 0x41000;
constexpr uint32_t kSecondTrailerFileAddress = 0x50000;  // segment 5000h

void AppendByte(std::string& out, uint8_t value, bool lowerCase) {
  const char* digits = lowerCase ? kLowerDigits : kUpperDigits;
  out.push_back(digits[value >> 4]);
  out.push_back(digits[value & 0x0F]);
}

void FillTrailer(uint8_t* trailer, uint32_t seed, const char* tag) {
  uint32_t state = seed * 2246822519u + 374761393u;
  for (uint32_t i = 0; i < kTrailerSize; ++i) {
    state = state * 1103515245u + 12345u;
    trailer[i] = static_cast<uint8_t>(state >> 16);
  }
  std::memcpy(trailer, tag, std::strlen(tag));
}

// [begin, end) of each line, line end excluded, and where the next starts.
struct LineSpan {
  size_t begin, end, next;
};
std::vector<LineSpan> SplitLines(const std::string& file) {
  std::vector<LineSpan> lines;
  size_t at = 0;
  while (at < file.size()) {
    size_t newline = file.find('\n', at);
    if (newline == std::string::npos) {
      lines.push_back({at, file.size(), file.size()});
      break;
    }
    size_t end = newline > at && file[newline - 1] == '\r' ? newline - 1 : newline;
    lines.push_back({at, end, newline + 1});
    at = newline + 1;
  }
  return lines;
}

}  // namespace

FirmwareImageSetup::FirmwareImageSetup() {
  first.product = "DVD-ROM DRV-320";
  first.revision = "1.20";
  first.date = "2003/07/15";
  first.cpuName = "HITACHI H8_3062A";
  first.firmwareTag = "DRV-320 ";
  first.editionCode = "KST";
  first.fillSeed = 11;
}

std::vector<uint8_t> BuildFirmwareImage(const FirmwareImageSetup& setup) {
  std::vector<uint8_t> image(kTestImageSize, 0xFF);
  const std::vector<uint8_t> first = sim::MakeFirmwarePart(setup.first);
  std::memcpy(image.data(), first.data(), kPartSize);
  if (setup.second) {
    const std::vector<uint8_t> second = sim::MakeFirmwarePart(*setup.second);
    std::memcpy(image.data() + kPartSize, second.data(), kPartSize);
    FillTrailer(image.data() + kFirstTrailer, setup.trailerSeed, "TRAILER FIRST CPU");
    FillTrailer(image.data() + kSecondTrailer, setup.trailerSeed + 1, "TRAILER SECOND CPU");
  } else {
    FillTrailer(image.data() + kPartSize, setup.trailerSeed, "TRAILER ONE PART");
  }
  return image;
}

std::vector<HexRegion> FirmwareRegions(const FirmwareImageSetup& setup) {
  if (setup.second) {
    return {{0, 0, 2 * kPartSize},
            {kFirstTrailer, kFirstTrailer, kTrailerSize},
            {kSecondTrailerFileAddress, kSecondTrailer, kTrailerSize}};
  }
  return {{0, 0, kPartSize + kTrailerSize}};
}

std::string BuildFirmwareHex(const FirmwareImageSetup& setup, const HexWriteOptions& options) {
  return HexRecordsFor(BuildFirmwareImage(setup), FirmwareRegions(setup), options);
}

std::string HexRecord(uint8_t type, uint16_t loadOffset, const std::vector<uint8_t>& data,
                      bool lowerCase) {
  std::string line = ":";
  uint8_t sum = 0;
  auto put = [&](uint8_t value) {
    AppendByte(line, value, lowerCase);
    sum = static_cast<uint8_t>(sum + value);
  };
  put(static_cast<uint8_t>(data.size()));
  put(static_cast<uint8_t>(loadOffset >> 8));
  put(static_cast<uint8_t>(loadOffset));
  put(type);
  for (uint8_t value : data) put(value);
  AppendByte(line, static_cast<uint8_t>(-sum), lowerCase);
  return line;
}

std::string SegmentRecord(uint16_t segment) {
  return HexRecord(0x02, 0, {static_cast<uint8_t>(segment >> 8), static_cast<uint8_t>(segment)});
}

std::string LinearAddressRecord(uint16_t upperAddress) {
  return HexRecord(0x04, 0,
                   {static_cast<uint8_t>(upperAddress >> 8), static_cast<uint8_t>(upperAddress)});
}

std::string EndRecord() { return HexRecord(0x01, 0, {}); }

std::string HexRecordsFor(const std::vector<uint8_t>& image, const std::vector<HexRegion>& regions,
                          const HexWriteOptions& options) {
  std::string out;
  out.reserve(image.size() * 3);
  uint32_t currentBlock = 0xFFFFFFFF;
  std::vector<uint8_t> data;
  for (const HexRegion& region : regions) {
    uint32_t done = 0;
    while (done < region.length) {
      const uint32_t address = region.fileAddress + done;
      const uint32_t block = address & ~0xFFFFu;
      if (block != currentBlock) {
        out += options.linearAddresses ? LinearAddressRecord(static_cast<uint16_t>(block >> 16))
                                       : SegmentRecord(static_cast<uint16_t>(block >> 4));
        out += options.lineEnd;
        currentBlock = block;
      }
      // Records stay inside their 64 KB block.
      uint32_t count = static_cast<uint32_t>(options.recordSize);
      count = std::min(count, region.length - done);
      count = std::min(count, block + 0x10000 - address);
      const uint8_t* from = image.data() + region.imageOffset + done;
      data.assign(from, from + count);
      out += HexRecord(0x00, static_cast<uint16_t>(address & 0xFFFF), data, options.lowerCase);
      out += options.lineEnd;
      done += count;
    }
  }
  if (options.endRecord) {
    out += EndRecord();
    out += options.lineEnd;
  }
  return out;
}

std::string ReplaceLine(const std::string& file, size_t line, const std::string& text) {
  const std::vector<LineSpan> lines = SplitLines(file);
  if (line == 0 || line > lines.size()) return file;
  const LineSpan& span = lines[line - 1];
  return file.substr(0, span.begin) + text + file.substr(span.end);
}

std::string CorruptChecksum(const std::string& file, size_t line) {
  const std::vector<LineSpan> lines = SplitLines(file);
  if (line == 0 || line > lines.size()) return file;
  std::string text = file.substr(lines[line - 1].begin, lines[line - 1].end - lines[line - 1].begin);
  // The first data digit when there is one, else the low digit of the type.
  const size_t at = text.size() > 11 ? 9 : 8;
  if (at < text.size()) text[at] = text[at] == '0' ? '1' : '0';
  return ReplaceLine(file, line, text);
}

std::string KeepLines(const std::string& file, size_t lines) {
  const std::vector<LineSpan> spans = SplitLines(file);
  if (lines >= spans.size()) return file;
  return file.substr(0, spans[lines].begin);
}

size_t CountLines(const std::string& file) { return SplitLines(file).size(); }

}  // namespace kestrel::testing
