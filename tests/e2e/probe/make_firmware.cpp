// make_firmware.exe: writes a firmware file of hexadecimal records for the
// end-to-end tests, with the test image builder that the unit tests use, so an
// image and a simulated drive agree unless a test says otherwise.
//
//   make_firmware.exe OUT.HEX [key=value...]
//     product= revision= date=YYYY/MM/DD cpu= tag= edition= iface= mech= seed=
//     sig=HEX (signature block offset: 1000, 100 or 2000)
//     linear=1 (type 04 records in place of type 02)
//     cpu2=NAME (a second part for that CPU, as the two-part files carry)
//
// One-part image: the part at 0, a trailer block at 20000h; with cpu2= the
// second part and its trailer follow.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/firmware_image_builder.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_firmware OUT.HEX [key=value...]\n");
    return 2;
  }
  kestrel::testing::FirmwareImageSetup image;
  kestrel::testing::HexWriteOptions options;
  kestrel::sim::FirmwarePartSetup& setup = image.first;
  std::string secondCpu;
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
    else if (key == "linear") options.linearAddresses = value == "1";
    else if (key == "cpu2") secondCpu = value;
    else if (key == "sig") setup.signatureOffset = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 16));
    else {
      std::fprintf(stderr, "make_firmware: unknown key %s\n", key.c_str());
      return 2;
    }
  }
  if (!secondCpu.empty()) {
    // The same fields as the first part, its own CPU and code bytes.
    image.second = setup;
    image.second->cpuName = secondCpu;
    image.second->fillSeed = setup.fillSeed + 1;
  }
  const std::string hex = kestrel::testing::BuildFirmwareHex(image, options);
  FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::fprintf(stderr, "make_firmware: cannot write %s\n", argv[1]);
    return 1;
  }
  const bool written = std::fwrite(hex.data(), 1, hex.size(), out) == hex.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}
