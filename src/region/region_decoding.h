// Pure decoders of the two region replies and the region mask encoding:
// region n (1 to 6) is the byte FFh with bit n-1 cleared.
#pragma once
#include <array>
#include <cstdint>

#include "drive/region_commands.h"

namespace kestrel {

constexpr int kRegionCount = 6;
constexpr uint8_t kNoRegionMask = 0xFF;

// FEh, FDh, FBh, F7h, EFh, DFh for regions 1 to 6.
constexpr uint8_t RegionMask(int region) {
  return static_cast<uint8_t>(0xFF & ~(1u << (region - 1)));
}

// REPORT KEY, RPC State: bytes 4 to 6.
struct RpcStateFields {
  uint8_t typeCode = 0;      // byte 4 bits 7-6
  uint8_t vendorResets = 0;  // byte 4 bits 5-3
  uint8_t userChanges = 0;   // byte 4 bits 2-0
  uint8_t regionMask = 0;    // byte 5
  uint8_t scheme = 0;        // byte 6

  bool Permanent() const { return typeCode == 3; }
  bool Rpc2() const { return scheme == 1; }
  // A drive that has never had a region: all five changes left and no region.
  bool NeverSet() const { return userChanges == 5 && regionMask == kNoRegionMask; }
};
RpcStateFields DecodeRpcState(const RegionReply& reply);

// What a drive's region mask means: only the six single regions and FFh have
// a meaning; everything else (7Fh, BFh, two bits clear, ...) is invalid.
struct DriveRegion {
  enum class Kind { Region, NoRegion, Invalid };
  Kind kind = Kind::Invalid;
  int region = 0;  // 1-6 with Kind::Region
  uint8_t mask = 0;
};
DriveRegion DecodeRegionMask(uint8_t mask);

// READ DVD STRUCTURE, copyright information: byte 4 the protection type,
// byte 5 the region management information (bit n-1 set: not region n;
// regions 7 and 8 are not looked at).
struct DiscRegions {
  enum class Protection { None, Protected, Unknown };  // Protected: CSS/CPPM or CPRM
  Protection protection = Protection::Unknown;
  std::array<bool, kRegionCount> allowed{};  // with Protection::Protected
};
DiscRegions DecodeDiscRegionInfo(const RegionReply& reply);

}  // namespace kestrel
