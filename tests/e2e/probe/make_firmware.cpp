// make_firmware.exe: writes a firmware file of hexadecimal records for the
// end-to-end tests, built from the same firmware part as the simulated drive's
// flash, so an image and a drive agree unless a test says otherwise.
//
//   make_firmware.exe OUT.HEX [key=value...]
//     product= revision= date=YYYY/MM/DD cpu= tag= edition= iface= mech= seed=
//     sig=HEX (signature block offset: 1000, 100 or 2000)
//
// One-part image: the part at 0, a trailer block at 20000h.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/model/drive_model.h"

namespace {

constexpr uint32_t kRowBytes = 32;

void Record(FILE* out, uint8_t type, uint16_t offset, const uint8_t* data, uint32_t count) {
  unsigned sum = count + (offset >> 8) + (offset & 0xFF) + type;
  std::fprintf(out, ":%02X%04X%02X", count, offset, type);
  for (uint32_t i = 0; i < count; ++i) {
    std::fprintf(out, "%02X", data[i]);
    sum += data[i];
  }
  std::fprintf(out, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
}

// Rows that are all FFh are left out: the loader starts from FFh.
void WriteImage(FILE* out, const std::vector<uint8_t>& image) {
  uint32_t segment = 0xFFFFFFFF;
  for (uint32_t at = 0; at < image.size(); at += kRowBytes) {
    uint32_t count = std::min<uint32_t>(kRowBytes, static_cast<uint32_t>(image.size()) - at);
    bool blank = true;
    for (uint32_t i = 0; i < count; ++i) blank = blank && image[at + i] == 0xFF;
    if (blank) continue;
    if (at >> 16 != segment) {
      segment = at >> 16;
      uint8_t seg[2] = {static_cast<uint8_t>((segment << 12) >> 8), 0};
      Record(out, 0x02, 0, seg, 2);
    }
    Record(out, 0x00, static_cast<uint16_t>(at & 0xFFFF), &image[at], count);
  }
  Record(out, 0x01, 0, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_firmware OUT.HEX [key=value...]\n");
    return 2;
  }
  kestrel::sim::FirmwarePartSetup setup;
  setup.editionCode = "KST";
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    size_t eq = arg.find('=');
    if (eq == std::string::npos) {
      std::fprintf(stderr, "make_firmware: not key=value: %s\n", argv[i]);
      return 2;
    }
    std::string key = arg.substr(0, eq), value = arg.substr(eq + 1);
    if (key == "product") setup.product = value;
    else if (key == "revision") setup.revision = value;
    else if (key == "date") setup.date = value;
    else if (key == "cpu") setup.cpuName = value;
    else if (key == "tag") setup.firmwareTag = value;
    else if (key == "edition") setup.editionCode = value;
    else if (key == "iface" && !value.empty()) setup.interfaceLetter = value[0];
    else if (key == "mech" && !value.empty()) setup.mechanismLetter = value[0];
    else if (key == "seed") setup.fillSeed = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    else if (key == "sig") setup.signatureOffset = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 16));
    else {
      std::fprintf(stderr, "make_firmware: unknown key %s\n", key.c_str());
      return 2;
    }
  }
  std::vector<uint8_t> image = kestrel::sim::MakeFirmwarePart(setup);
  // The trailer block the drive takes after the part.
  for (uint32_t i = 0; i < kestrel::sim::kTrailerSize; ++i) image.push_back(static_cast<uint8_t>(i * 7 + 3));
  FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::fprintf(stderr, "make_firmware: cannot write %s\n", argv[1]);
    return 1;
  }
  WriteImage(out, image);
  return std::fclose(out) == 0 ? 0 : 1;
}
