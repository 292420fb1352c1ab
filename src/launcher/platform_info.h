// The platform the launcher runs on, read once before its window is created,
// and the platform line of the information box.
#pragma once
#include <cstdint>
#include <string>

#include "shell/language.h"

namespace kestrel {

// Platform ids of the version record.
constexpr uint32_t kPlatformWin9x = 1;  // Windows 9x/Me
constexpr uint32_t kPlatformNt = 2;     // the NT family

struct PlatformInfo {
  uint32_t majorVersion = 0;
  uint32_t minorVersion = 0;
  uint32_t buildNumber = 0;  // Windows 9x keeps the version in the high 16 bits
  uint32_t platformId = 0;
  std::string servicePack;  // e.g. "Service Pack 3", may be empty
};

// `osInformation`: the header line and at most one platform line.
std::string OsInformation(const PlatformInfo& platform, Language language);

}  // namespace kestrel
