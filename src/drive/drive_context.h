// The process-wide drive state of one program, owned by its entry point and
// passed by reference to every operation.
#pragma once
#include <array>
#include <cstdint>

#include "drive/command_transport.h"
#include "drive/program_profile.h"
#include "shell/language.h"

namespace kestrel {

struct DriveRecords {
  // INQUIRY bytes 8-95 of the drive accepted by CheckSupportedDrive.
  std::array<uint8_t, 88> driveIdentification{};
  // ROM identification block: "KESTREL ", 8 bytes, 16-character CPU name.
  std::array<uint8_t, 32> cpuIdentification{};
  int32_t driveGeneration = 0;
};

struct DriveContext {
  DriveContext(CommandTransport& t, const ProgramProfile& p) : transport(t), profile(p) {}
  CommandTransport& transport;
  const ProgramProfile& profile;
  Language language;
  DriveRecords records;
  WorkBuffers& buffers() { return transport.Buffers(); }
  // Caption of stand-alone messages: the program's file name without extension.
  const char* programName() const { return profile.name; }
};

}  // namespace kestrel
