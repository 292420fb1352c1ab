#include "sim/model/region_state.h"

#include <algorithm>
#include <cctype>

namespace kestrel::sim {
namespace {

constexpr uint8_t kRpcStateFormat = 0x08;
constexpr uint8_t kSetRpcFormat = 0x06;
constexpr uint8_t kCopyrightFormat = 0x01;
constexpr uint8_t kKeyFormatMask = 0x3F;
constexpr uint32_t kReplyLength = 8;
constexpr uint32_t kParameterListLength = 8;
constexpr uint8_t kTypePermanent = 3;
constexpr uint8_t kTypeSet = 1;

RegionAnswer Refuse(Sense sense) {
  RegionAnswer a;
  a.good = false;
  a.sense = sense;
  return a;
}

uint16_t Big16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// A drive region is exactly one of regions 1 to 8: one bit clear.
bool SingleRegion(uint8_t mask) {
  const uint8_t cleared = static_cast<uint8_t>(~mask);
  return cleared != 0 && (cleared & (cleared - 1)) == 0;
}

// Reply of the given length: the data length field, then `body` from byte 4.
RegionAnswer Reply(uint16_t allocation, uint8_t b4, uint8_t b5, uint8_t b6) {
  RegionAnswer a;
  a.in = {0x00, 0x06, 0x00, 0x00, b4, b5, b6, 0x00};
  a.in.resize(std::min<size_t>(a.in.size(), allocation));
  return a;
}

bool ParseNumber(const std::string& text, int base, uint32_t limit, uint32_t& value) {
  std::string s = text;
  if (base == 16) {
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = s.substr(2);
    if (!s.empty() && (s.back() == 'h' || s.back() == 'H')) s.pop_back();
  }
  if (s.empty() || s.size() > 8) return false;
  value = 0;
  for (char c : s) {
    const int digit = std::isdigit(static_cast<unsigned char>(c))
                          ? c - '0'
                          : (std::isxdigit(static_cast<unsigned char>(c)) && base == 16
                                 ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                                 : -1);
    if (digit < 0) return false;
    value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
  }
  return value <= limit;
}

bool ParseSwitch(const std::string& text, bool& on) {
  if (text == "on" || text == "1") return on = true, true;
  if (text == "off" || text == "0") return on = false, true;
  return false;
}

}  // namespace

DiscContent UnprotectedDisc() { return DiscContent{0, 0}; }
DiscContent CssDisc(uint8_t regionInfo) { return DiscContent{1, regionInfo}; }
DiscContent UnknownProtectionDisc(uint8_t protectionType) { return DiscContent{protectionType, 0}; }

RegionAnswer RegionState::Execute(const uint8_t* cdb, size_t cdbLength, const uint8_t* out,
                                  uint32_t outLength, DiscReadiness disc) {
  if (cdbLength < 12) return Refuse(kInvalidField);
  switch (cdb[0]) {
    case op::kReportKey:
      return ReportKey(cdb);
    case op::kReadDvdStructure:
      return ReadDvdStructure(cdb, disc);
    case op::kSendKey:
      return SendKey(cdb, out, outLength, disc);
    default:
      return Refuse(kInvalidOpcode);
  }
}

RegionAnswer RegionState::ReportKey(const uint8_t* cdb) {
  // The RPC state needs no disc and no authentication.
  if ((cdb[10] & kKeyFormatMask) != kRpcStateFormat) return Refuse(kInvalidField);
  const RpcState& rpc = setup_.rpc;
  const uint8_t b4 = static_cast<uint8_t>((rpc.typeCode & 3) << 6 | (rpc.vendorResets & 7) << 3 |
                                          (rpc.userChanges & 7));
  return Reply(Big16(&cdb[8]), b4, rpc.regionMask, rpc.scheme);
}

RegionAnswer RegionState::ReadDvdStructure(const uint8_t* cdb, DiscReadiness disc) {
  if (cdb[7] != kCopyrightFormat || cdb[6] != 0) return Refuse(kInvalidField);
  if (disc == DiscReadiness::NoMedium) return Refuse(kNoMedium);
  if (disc == DiscReadiness::BecomingReady) return Refuse(kBecomingReady);
  return Reply(Big16(&cdb[8]), setup_.disc.protectionType, setup_.disc.regionInfo, 0);
}

RegionAnswer RegionState::SendKey(const uint8_t* cdb, const uint8_t* out, uint32_t outLength,
                                  DiscReadiness disc) {
  if ((cdb[10] & kKeyFormatMask) != kSetRpcFormat) return Refuse(kInvalidField);
  const uint16_t listLength = Big16(&cdb[8]);
  if (listLength < kParameterListLength || out == nullptr || outLength < kParameterListLength) {
    return Refuse(kParameterLengthError);
  }
  const uint8_t mask = out[4];
  if (!SingleRegion(mask)) return Refuse(kInvalidParameter);

  RpcState& rpc = setup_.rpc;
  if (rpc.typeCode == kTypePermanent || rpc.userChanges == 0) return Refuse(kRegionPermanent);
  const bool protectedDisc = setup_.disc.protectionType == 1 || setup_.disc.protectionType == 2;
  if (setup_.strict && disc == DiscReadiness::Ready && protectedDisc &&
      (setup_.disc.regionInfo & static_cast<uint8_t>(~mask)) != 0) {
    return Refuse(kRegionMismatch);
  }

  rpc.regionMask = mask;
  --rpc.userChanges;
  rpc.typeCode = rpc.userChanges == 0 ? kTypePermanent : kTypeSet;
  ++changes_;
  RegionAnswer a;
  a.outUsed = kParameterListLength;
  a.raiseUnitAttention = setup_.attentionAfterChange;
  return a;
}

bool IsRegionSetting(const std::string& key) {
  return key == "rpc_type" || key == "rpc_changes" || key == "rpc_resets" || key == "rpc_scheme" ||
         key == "rpc_mask" || key == "rpc_strict" || key == "rpc_attention_after_change" ||
         key == "disc_rmi" || key == "disc_cpst";
}

bool ApplyRegionSetting(const std::string& key, const std::string& value, RegionSetup& setup,
                        std::string& error) {
  uint32_t n = 0;
  bool on = false;
  RpcState& rpc = setup.rpc;
  if (key == "rpc_type" || key == "rpc_changes" || key == "rpc_resets") {
    const uint32_t limit = key == "rpc_type" ? 3 : 7;
    if (!ParseNumber(value, 10, limit, n)) return error = "bad " + key, false;
    uint8_t& field = key == "rpc_type"      ? rpc.typeCode
                     : key == "rpc_changes" ? rpc.userChanges
                                            : rpc.vendorResets;
    field = static_cast<uint8_t>(n);
  } else if (key == "rpc_scheme") {
    if (!ParseNumber(value, 10, 255, n)) return error = "bad rpc_scheme", false;
    rpc.scheme = static_cast<uint8_t>(n);
  } else if (key == "rpc_mask" || key == "disc_rmi" || key == "disc_cpst") {
    if (!ParseNumber(value, 16, 0xFF, n)) return error = "bad " + key, false;
    uint8_t& field = key == "rpc_mask"   ? rpc.regionMask
                     : key == "disc_rmi" ? setup.disc.regionInfo
                                         : setup.disc.protectionType;
    field = static_cast<uint8_t>(n);
  } else if (key == "rpc_strict" || key == "rpc_attention_after_change") {
    if (!ParseSwitch(value, on)) return error = key + " is on or off", false;
    (key == "rpc_strict" ? setup.strict : setup.attentionAfterChange) = on;
  } else {
    return error = "unknown region key '" + key + "'", false;
  }
  return true;
}

bool DiscContentFor(const std::string& word, RegionSetup& setup) {
  if (word == "unprotected") {
    setup.disc = UnprotectedDisc();
  } else if (word == "css") {
    setup.disc.protectionType = 1;  // the regions come from disc_rmi
  } else if (word == "unknown") {
    setup.disc.protectionType = 3;
  } else {
    return false;
  }
  return true;
}

}  // namespace kestrel::sim
