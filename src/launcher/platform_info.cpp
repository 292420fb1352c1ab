#include "launcher/platform_info.h"

#include <cstdio>

#include "launcher/launcher_texts.h"

namespace kestrel {
namespace {

// "NAME (Build major.minor.build)\r\n", with the low 16 bits of the build.
std::string BuildLine(const char* name, const PlatformInfo& p) {
  char line[128];
  std::snprintf(line, sizeof line, "%s (Build %d.%d.%d)\r\n", name,
                static_cast<int>(p.majorVersion), static_cast<int>(p.minorVersion),
                static_cast<int>(p.buildNumber & 0xFFFF));
  return line;
}

// The NT family adds the service-pack text on a line of its own.
std::string FormatNt(const char* name, const PlatformInfo& p) {
  return BuildLine(name, p) + p.servicePack + "\r\n";
}

std::string PlatformLine(const PlatformInfo& p, Language language) {
  switch (p.platformId) {
    case kPlatformWin9x:
      switch (p.minorVersion) {
        case 0:
          return BuildLine("Windows 98", p);
        case 10:
          return BuildLine("Windows 98 Second Edition", p);
        case 90:
          return BuildLine("Windows Millenium Edition", p);
      }
      return {};
    case kPlatformNt:
      if (p.majorVersion == 4) return FormatNt("Windows NT4.0", p);
      if (p.majorVersion == 5 && p.minorVersion == 0) return FormatNt("Windows 2000", p);
      if (p.majorVersion == 5 && p.minorVersion == 1) return FormatNt("Windows XP", p);
      // Later versions were unknown when the table was made: the header alone.
      return {};
  }
  return Pick(launcher_texts::kUnknownPlatform, language);
}

}  // namespace

std::string OsInformation(const PlatformInfo& platform, Language language) {
  return Pick(launcher_texts::kOsHeader, language) + PlatformLine(platform, language);
}

}  // namespace kestrel
