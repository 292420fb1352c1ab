// Whether a firmware file is newer than the drive's own firmware: revisions
// ("1.10") compared field by field as numbers, then dates ("2003/05/12").
// A file that is not newer is written only when asked for (reinstall or
// downgrade), as other firmware tools do.
#pragma once
#include <cstdint>
#include <string>

namespace kestrel::cli {

enum class FirmwareAge { Newer, Same, Older };

// Both records have the layout of the drive's identification: revision at
// 24 (4 bytes), date at 29 (10 bytes).
FirmwareAge CompareFirmware(const uint8_t* driveIdentification, const uint8_t* fileIdentification);

// "1.10 2003/05/12" of an identification record.
std::string RevisionAndDate(const uint8_t* identification);

}  // namespace kestrel::cli
