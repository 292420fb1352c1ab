#include "cli/drive_identity.h"

#include <optional>

#include "drive/command_set.h"
#include "drive/discovery.h"
#include "drive/supported_drive.h"

namespace kestrel::cli {
namespace {

std::string Field(const uint8_t* data, size_t offset, size_t length) {
  return PrintableField(data + offset, length);
}

}  // namespace

std::string PrintableField(const uint8_t* bytes, size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t c = bytes[i];
    if (c == 0) break;
    text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

DriveIdentity ReadDriveIdentity(DriveContext& context) {
  DriveIdentity identity;
  const uint8_t* data = context.buffers().data;
  if (SendInquiry(context) != 0 || data == nullptr) return identity;
  identity.answered = true;
  identity.peripheralType = data[0] & 0x1F;
  identity.vendor = Field(data, 8, 8);
  identity.product = Field(data, 16, 16);
  identity.revision = Field(data, 32, 4);
  const bool maker = identity.vendor == "KESTREL";
  identity.makerDvd = IsMakerDvd(data, kInquiryMinimumLength);
  // The maker's drives keep their firmware date after the revision.
  if (maker) identity.firmwareDate = Field(data, 37, 10);
  // The check asks INQUIRY again: the reply above is already read.
  identity.supported = CheckSupportedDrive(context) == 0;
  identity.generation = identity.supported ? context.records.driveGeneration : 0;
  return identity;
}

nlohmann::json IdentityJson(const std::string& device, const DriveIdentity& identity) {
  nlohmann::json j{{"device", device},
                   {"vendor", identity.vendor},
                   {"product", identity.product},
                   {"revision", identity.revision},
                   {"firmwareDate", identity.firmwareDate},
                   {"supported", identity.supported}};
  j["generation"] = identity.supported ? nlohmann::json(identity.generation) : nlohmann::json();
  return j;
}

}  // namespace kestrel::cli
