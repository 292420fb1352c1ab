// The region playback control of a simulated RPC Phase II drive and the
// region information of the disc in its tray: what REPORT KEY (RPC State),
// READ DVD STRUCTURE (copyright information) and SEND KEY (Set RPC Structure)
// see and change.
//
//   sim::RegionSetup setup;              // never set: 5 changes, mask FFh
//   setup.disc = sim::CssDisc(0x3E);     // a CSS disc for region 1 only
//   sim::DriveConfig config = sim::KestrelDrive("DRV-320");
//   config.region = setup;
//   ...
//   drive.Region().Rpc().userChanges;    // what the drive has left
//
// The drive counts user changes itself: each accepted SEND KEY takes one, the
// last one makes the region permanent, and a permanent region or one with no
// change left refuses every further SEND KEY.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/model/sim_types.h"

namespace kestrel::sim {

namespace op {
constexpr uint8_t kSendKey = 0xA3;
constexpr uint8_t kReportKey = 0xA4;
constexpr uint8_t kReadDvdStructure = 0xAD;
}  // namespace op

// Refusals of a region change.
constexpr Sense kRegionPermanent{0x05, 0x6F,
                                 0x05};  // drive region must be permanent / no reset left
constexpr Sense kRegionMismatch{0x05, 0x6F, 0x04};  // disc's region not the drive's
constexpr Sense kInvalidParameter{0x05, 0x26, 0x00};
constexpr Sense kParameterLengthError{0x05, 0x1A, 0x00};

// The RPC State of REPORT KEY key format 08h.
struct RpcState {
  uint8_t typeCode = 0;      // 0 none set, 1 set, 2 set with restrictions, 3 permanent
  uint8_t userChanges = 5;   // 0-7
  uint8_t vendorResets = 4;  // 0-7
  uint8_t regionMask = 0xFF;
  uint8_t scheme = 1;  // 1: RPC Phase II
  bool operator==(const RpcState& o) const {
    return typeCode == o.typeCode && userChanges == o.userChanges &&
           vendorResets == o.vendorResets && regionMask == o.regionMask && scheme == o.scheme;
  }
};

// What READ DVD STRUCTURE format 01h reports of the disc in the tray (its
// presence and readiness are the drive's).
struct DiscContent {
  uint8_t protectionType = 0;  // 0 none, 1 CSS/CPPM, 2 CPRM, other unknown
  uint8_t regionInfo = 0;      // bit n-1 set: not playable in region n
};
DiscContent UnprotectedDisc();
DiscContent CssDisc(uint8_t regionInfo);
DiscContent UnknownProtectionDisc(uint8_t protectionType = 3);

struct RegionSetup {
  RpcState rpc;
  DiscContent disc;
  // Refuses a region that the protected disc in the tray does not allow, as
  // many real drives do.
  bool strict = false;
  // Reports a unit attention to the command after an accepted change.
  bool attentionAfterChange = false;
};

// How the tray stands when a command needs the disc.
enum class DiscReadiness : uint8_t { Ready, NoMedium, BecomingReady };

struct RegionAnswer {
  bool good = true;
  Sense sense;
  std::vector<uint8_t> in;  // data-in bytes
  uint32_t outUsed = 0;
  bool raiseUnitAttention = false;
};

class RegionState {
 public:
  explicit RegionState(const RegionSetup& setup) : setup_(setup) {}

  static bool Handles(uint8_t opcode) {
    return opcode == op::kReportKey || opcode == op::kReadDvdStructure || opcode == op::kSendKey;
  }
  // One of the three commands; `out` holds the data-out bytes offered.
  RegionAnswer Execute(const uint8_t* cdb, size_t cdbLength, const uint8_t* out, uint32_t outLength,
                       DiscReadiness disc);

  const RpcState& Rpc() const { return setup_.rpc; }
  // A saved state (a restart of the machine) or a test's starting point.
  void SetRpc(const RpcState& rpc) { setup_.rpc = rpc; }
  const DiscContent& Disc() const { return setup_.disc; }
  void SetDisc(const DiscContent& disc) { setup_.disc = disc; }
  void SetStrict(bool on) { setup_.strict = on; }
  void SetAttentionAfterChange(bool on) { setup_.attentionAfterChange = on; }
  // Accepted region changes so far; it moves whenever the RPC state does.
  uint32_t ChangeCount() const { return changes_; }

 private:
  RegionAnswer ReportKey(const uint8_t* cdb);
  RegionAnswer ReadDvdStructure(const uint8_t* cdb, DiscReadiness disc);
  RegionAnswer SendKey(const uint8_t* cdb, const uint8_t* out, uint32_t outLength,
                       DiscReadiness disc);

  RegionSetup setup_;
  uint32_t changes_ = 0;
};

// Settings of the ini file for the region state (see sim_config.h):
// rpc_type, rpc_changes, rpc_resets, rpc_scheme (decimal), rpc_mask (hex),
// rpc_strict and rpc_attention_after_change (on|off), disc_rmi (hex: the
// disc's region management byte), disc_cpst (hex: its protection type).
bool IsRegionSetting(const std::string& key);
// False with `error` set when the value does not fit the key.
bool ApplyRegionSetting(const std::string& key, const std::string& value, RegionSetup& setup,
                        std::string& error);
// The content that disc=unprotected|css|unknown gives a disc; false for other words.
bool DiscContentFor(const std::string& word, RegionSetup& setup);

}  // namespace kestrel::sim
