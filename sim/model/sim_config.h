// The configuration of a simulated machine, as read from kestrel-sim.ini beside
// the simulated WNASPI32.DLL. One setting per line; blank lines and lines
// starting with '#' or ';' are ignored. Numbers marked (hex) take plain hex
// digits, optionally "0x"-prefixed or "h"-suffixed.
//
//   adapter=intelata                    a host adapter; the rest of the line is its identifier
//   target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"
//   target=1 other vendor="PIONEER " product="DVD-ROM DVD-106" rev=1.00 type=5
//   letter=D 0 0                        drive letter D: is adapter 0, target 0
//
// Target keys: kestrel | other, model=, vendor=, product=, rev=, date=, cpu=,
// tag= (8 bytes after "KESTREL " in the ROM id block), byte36=, type=,
// idblock= (hex: 1000, 100 or 2000), serial=, programming_ms=, disc=present|none,
// and the region keys below.
//
// Drive settings apply to the target declared last; written before any target
// they are defaults for every target declared later (and for the built-in drive):
//   programming_ms=3000
//   disc=none | present | unprotected | css | unknown
//   disc_rmi=3E                 (hex) the disc's region management byte (bit n-1: not region n)
//   disc_cpst=03                (hex) the disc's copy protection type
//   rpc_type=0                  the drive's RPC state: type code 0-3, user changes
//   rpc_changes=5                 left 0-7, vendor resets 0-7, scheme (1: RPC Phase II),
//   rpc_resets=4                  all decimal; the mask in hex
//   rpc_scheme=1
//   rpc_mask=FF
//   rpc_strict=on               refuse a region the protected disc does not allow
//   rpc_attention_after_change=on   unit attention after an accepted change
//   max_speed=7056 max_dvd_speed=22160      performance-mode maximum read speeds, kbytes/s
//   quiet_max_speed=4234 quiet_max_dvd_speed=11080   the same in the quiet mode
//   read_speed=65535                        the selected read speed (65535: the maximum)
//   medium=cd | dvd | 41                    medium type in the MODE SENSE header (hex)
//   drive_mode=performance | quiet          the permanent mode the drive starts in
//   spindown_ms=0                           how long START STOP UNIT takes to stop a disc
//   power_off=never | between_runs          when the drive is switched off: never (it keeps
//                                           its read speed and a mode set until power-off
//                                           from one run to the next, in the state file),
//                                           or between two runs (each starts from the
//                                           permanent mode and read_speed)
//   (these speed keys also work on a target line)
//   fault=readback_differs [offset(hex), default 2345]
//   fault=refuse_block N [sense=KK/AA/QQ]   N: 0-3 the 8000h blocks, 4 the trailer
//   fault=readback_empty N                  N: 0-3, that read-back block moves no data
//   fault=never_finishes
//   fault=cpu_block_at 100                  (hex) where the ROM id block reads
//   fault=fail opcode=3C [id=80] [nth=1] [count=1] [sense=04/44/00]
//   fault=garbage opcode=12 [id=..] [nth=1] [count=1]
//   fault=short opcode=12 bytes=20 [id=..] [nth=1] [count=1]
//   fault=blank opcode=AD [id=..] [nth=1] [count=1]   good status, data-in all zeros
//   fault=hold opcode=3B ms=8000 [id=..] [nth=1] [count=1]   the command runs, its answer
//                                           comes ms later (after any time it takes)
//   fault=never_answer opcode=3C [id=..] [nth=1] [count=1]   the command runs, its answer
//                                           never comes (the host must time it out)
// Manager settings, anywhere:
//   fault=refuse_request nth=N [status=04] [count=1]  SendASPI32Command refuses, never signals
//   fault=support_info E4                  GetASPI32SupportInfo reports this status, no adapters
//   fault=no_adapters                      no host adapter at all
//
// Without any adapter line the machine is one "intelata" adapter with a Kestrel
// DRV-320 (generation 6) at target 0.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/model/aspi_manager.h"
#include "sim/model/bus.h"

namespace kestrel::sim {

struct DriveSetup {
  DriveConfig config = KestrelDrive("DRV-320");
  std::vector<CommandFault> faults;
  std::vector<uint32_t> corruptOffsets;
  bool neverFinishes = false;
};

struct SimConfig {
  struct TargetSetup {
    uint8_t target = 0;
    DriveSetup drive;
  };
  struct AdapterSetup {
    std::string identifier;
    std::vector<TargetSetup> targets;
  };
  struct LetterSetup {
    char letter = 0;
    uint8_t adapter = 0;
    uint8_t target = 0;
  };
  std::vector<AdapterSetup> adapters;
  std::vector<LetterSetup> letters;
  DriveSetup defaults;
  bool noAdapters = false;
  uint8_t supportInfoFailure = 0;
  int refuseNth = 0;
  int refuseCount = 1;
  uint8_t refuseStatus = aspi::SS_ERR;
  std::vector<std::string> errors;  // "line N: ..." for every line not understood
};

SimConfig ParseSimConfig(const std::string& text);
// Fills an empty bus: adapters, targets (with their faults) and letters.
void BuildBus(const SimConfig& config, Bus& bus);
void ApplyManagerFaults(const SimConfig& config, AspiManager& manager);

}  // namespace kestrel::sim
