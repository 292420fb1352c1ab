#include "drive/supported_drive.h"

#include <algorithm>
#include <cstring>

#include "drive/command_set.h"

namespace kestrel {
namespace {

constexpr size_t kInquiryFieldsOffset = 8;
constexpr size_t kModelKeyLength = 24;  // vendor and product, revision not compared
constexpr size_t kModelGenerationLetter = 25;
constexpr size_t kModelGenerationDigit = 26;

int32_t MatchSupportedModel(DriveContext& context) {
  const ProgramProfile& profile = context.profile;
  const uint8_t* key = context.buffers().data + kInquiryFieldsOffset;
  for (size_t row = 0; row < profile.supportedModelCount; ++row) {
    const char* model = profile.supportedModels[row];
    if (std::memcmp(key, model, kModelKeyLength) != 0) continue;
    const char digit = model[kModelGenerationDigit];
    if (model[kModelGenerationLetter] == 'G' && digit >= '0' && digit <= '9') {
      context.records.driveGeneration = digit - '0';
    }
    auto& identification = context.records.driveIdentification;
    const size_t keep = std::min(profile.driveIdentificationLength, identification.size());
    std::memcpy(identification.data(), key, keep);
    return 0;
  }
  return 1;
}

}  // namespace

int32_t CheckSupportedDrive(DriveContext& context) {
  return SendInquiry(context) == 0 ? MatchSupportedModel(context) : -1;
}

}  // namespace kestrel
