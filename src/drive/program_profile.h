// What the drive layer must know about the program it runs in: the few places
// where the utilities differ in how they talk to a drive and which drives
// they list. Each program's row is named in the program table.
#pragma once
#include <cstddef>
#include <cstdint>

#include "shell/program.h"

namespace kestrel {

struct DiscoveryRule;  // drive/discovery.h

struct ProgramProfile {
  Program program;
  const char* name;                    // file name without extension, e.g. "TARN9X"
  uint8_t requestSenseLength;          // 18 (ASPI builds) or 24 (pass-through build)
  size_t driveIdentificationLength;    // INQUIRY bytes kept from byte 8: 88, or 35 (BECK9X)
  size_t fileIdentificationLength;     // bytes copied from the image: 88, or 32 (TARN2K)
  const char* const* supportedModels;  // rows of 27 characters
  size_t supportedModelCount;
  const DiscoveryRule& discovery;  // which drives are listed, and the messages
};

extern const ProgramProfile kTarn9xProfile;
extern const ProgramProfile kTarn2kProfile;
extern const ProgramProfile kMere9xProfile;
extern const ProgramProfile kMere2kProfile;
extern const ProgramProfile kBeck9xProfile;
extern const ProgramProfile kBeck2kProfile;
// The Linux tool's firmware commands.
extern const ProgramProfile kKestrelFirmwareProfile;

}  // namespace kestrel
