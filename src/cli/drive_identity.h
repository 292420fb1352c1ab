// What INQUIRY says about a device, for `list` and the other commands' results.
#pragma once
#include <nlohmann/json.hpp>
#include <string>

#include "drive/drive_context.h"

namespace kestrel::cli {

struct DriveIdentity {
  bool answered = false;  // INQUIRY succeeded
  uint8_t peripheralType = 0x1F;
  std::string vendor, product, revision, firmwareDate;
  bool makerDvd = false;   // the maker's DVD drive, as the region utility lists them
  bool supported = false;  // a model of the supported-model table
  int generation = 0;      // with supported
  bool Optical() const { return peripheralType == 5; }
};

// Printable ASCII of a fixed-width field up to a zero byte, trailing spaces
// dropped.
std::string PrintableField(const uint8_t* bytes, size_t length);

// INQUIRY and the supported-model check on the current drive.
DriveIdentity ReadDriveIdentity(DriveContext& context);
nlohmann::json IdentityJson(const std::string& device, const DriveIdentity& identity);

}  // namespace kestrel::cli
