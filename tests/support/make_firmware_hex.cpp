// Writes firmware HEX files for the end-to-end tests.
//
//   make_firmware_hex --out UPDATE.HEX [--parts 1|2] [--cpu NAME] [--cpu2 NAME]
//       [--firmware-id TAG] [--product TEXT] [--revision REV] [--date YYYY/MM/DD]
//       [--edition CODE] [--interface A|S] [--mechanism T|S] [--lf]
//       [--corrupt checksum|truncated|start]
//
// --firmware-id is the 8 bytes after "KESTREL " in the signature block (the
// drive's ROM id must carry the same); a 16-byte id starting "KESTREL " is
// accepted too. A corrupt variant prints the damaged line's number.
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/support/firmware_image_builder.h"

namespace {

int Usage(const char* why) {
  std::fprintf(stderr, "make_firmware_hex: %s\n", why);
  std::fprintf(stderr,
               "usage: make_firmware_hex --out FILE [--parts 1|2] [--cpu NAME] [--cpu2 NAME]\n"
               "  [--firmware-id TAG] [--product TEXT] [--revision REV] [--date YYYY/MM/DD]\n"
               "  [--edition CODE] [--interface A|S] [--mechanism T|S] [--lf]\n"
               "  [--corrupt checksum|truncated|start]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kestrel::testing;
  FirmwareImageSetup setup;
  HexWriteOptions options;
  std::string out, corrupt, cpu2 = "HITACHI H8_3062R";
  int parts = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--lf") {
      options.lineEnd = "\n";
      continue;
    }
    if (i + 1 >= argc) return Usage(("missing value for " + option).c_str());
    const std::string value = argv[++i];
    if (option == "--out") {
      out = value;
    } else if (option == "--parts") {
      parts = value == "2" ? 2 : value == "1" ? 1 : 0;
      if (parts == 0) return Usage("--parts is 1 or 2");
    } else if (option == "--cpu") {
      setup.first.cpuName = value;
    } else if (option == "--cpu2") {
      cpu2 = value;
    } else if (option == "--firmware-id") {
      setup.first.firmwareTag = value.rfind("KESTREL ", 0) == 0 ? value.substr(8) : value;
    } else if (option == "--product") {
      setup.first.product = value;
    } else if (option == "--revision") {
      setup.first.revision = value;
    } else if (option == "--date") {
      setup.first.date = value;
    } else if (option == "--edition") {
      setup.first.editionCode = value;
    } else if (option == "--interface") {
      setup.first.interfaceLetter = value.empty() ? ' ' : value[0];
    } else if (option == "--mechanism") {
      setup.first.mechanismLetter = value.empty() ? ' ' : value[0];
    } else if (option == "--corrupt") {
      if (value != "checksum" && value != "truncated" && value != "start") {
        return Usage("--corrupt is checksum, truncated or start");
      }
      corrupt = value;
    } else {
      return Usage(("unknown option " + option).c_str());
    }
  }
  if (out.empty()) return Usage("--out is required");
  if (parts == 2) {
    setup.second = setup.first;
    setup.second->cpuName = cpu2;
    setup.second->fillSeed = setup.first.fillSeed + 1;
  }

  std::string file = BuildFirmwareHex(setup, options);
  // Damage lands half-way through the file, well before its end.
  const size_t line = CountLines(file) / 2;
  if (corrupt == "checksum") {
    file = CorruptChecksum(file, line);
  } else if (corrupt == "truncated") {
    file = KeepLines(file, line);
  } else if (corrupt == "start") {
    file = ReplaceLine(file, line, "");
  }

  std::FILE* f = std::fopen(out.c_str(), "wb");
  if (f == nullptr) {
    std::perror(out.c_str());
    return 1;
  }
  const bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  if (std::fclose(f) != 0 || !written) {
    std::perror(out.c_str());
    return 1;
  }
  if (!corrupt.empty()) std::printf("%zu\n", line);
  return 0;
}
