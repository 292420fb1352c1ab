#include "region/region_decoding.h"

namespace kestrel {

RpcStateFields DecodeRpcState(const RegionReply& reply) {
  RpcStateFields fields;
  fields.typeCode = static_cast<uint8_t>(reply[4] >> 6);
  fields.vendorResets = static_cast<uint8_t>((reply[4] >> 3) & 0x07);
  fields.userChanges = static_cast<uint8_t>(reply[4] & 0x07);
  fields.regionMask = reply[5];
  fields.scheme = reply[6];
  return fields;
}

DriveRegion DecodeRegionMask(uint8_t mask) {
  DriveRegion decoded;
  decoded.mask = mask;
  if (mask == kNoRegionMask) {
    decoded.kind = DriveRegion::Kind::NoRegion;
    return decoded;
  }
  for (int region = 1; region <= kRegionCount; ++region) {
    if (mask == RegionMask(region)) {
      decoded.kind = DriveRegion::Kind::Region;
      decoded.region = region;
      return decoded;
    }
  }
  decoded.kind = DriveRegion::Kind::Invalid;
  return decoded;
}

DiscRegions DecodeDiscRegionInfo(const RegionReply& reply) {
  DiscRegions decoded;
  switch (reply[4]) {
    case 0:
      decoded.protection = DiscRegions::Protection::None;
      break;
    case 1:
    case 2:
      decoded.protection = DiscRegions::Protection::Protected;
      for (int region = 1; region <= kRegionCount; ++region) {
        decoded.allowed[region - 1] = (reply[5] & (1u << (region - 1))) == 0;
      }
      break;
    default:
      decoded.protection = DiscRegions::Protection::Unknown;
      break;
  }
  return decoded;
}

}  // namespace kestrel
