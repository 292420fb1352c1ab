#include "region/region_lines.h"

#include <cstdio>

#include "region/region_messages.h"

namespace kestrel {

std::string CountLabelText(const RpcStateFields& rpc, Language language) {
  if (!rpc.Rpc2()) return Pick(region_text::kNoRpc2, language);
  char text[96];
  std::snprintf(text, sizeof text, Pick(region_text::kChangesLeft, language),
                static_cast<int>(rpc.userChanges));
  return text;
}

std::string DriveRegionLine(const DriveRegion& region, Language language) {
  switch (region.kind) {
    case DriveRegion::Kind::Region:
      return Pick(region_text::kDriveRegion[region.region - 1], language);
    case DriveRegion::Kind::NoRegion:
      return Pick(region_text::kDriveNoRegion, language);
    case DriveRegion::Kind::Invalid:
      break;
  }
  char text[96];
  std::snprintf(text, sizeof text, Pick(region_text::kDriveInvalidRegion, language),
                static_cast<unsigned>(region.mask));
  return text;
}

std::string AlreadySetLine(int region, Language language) {
  char text[160];
  std::snprintf(text, sizeof text, Pick(region_text::kAlreadyThisRegion, language),
                Pick(region_text::kRegionDigit[region - 1], language));
  return text;
}

std::string DiscRegionLine(const DiscRegions& disc, Language language) {
  switch (disc.protection) {
    case DiscRegions::Protection::None:
      return Pick(region_text::kNoProtection, language);
    case DiscRegions::Protection::Unknown:
      return Pick(region_text::kUnknownProtection, language);
    case DiscRegions::Protection::Protected:
      break;
  }
  std::string line = Pick(region_text::kDiscAllows, language);
  for (int i = 0; i < kRegionCount; ++i) {
    if (disc.allowed[i]) line += region_text::kRegionNumber[i];
  }
  if (language.Japanese()) line += region_text::kDiscAllowsJapaneseEnd;
  return line + region_text::kLineEnd;
}

}  // namespace kestrel
