// The lasting state of simulated drives (kestrel-sim.state beside the DLL): a
// drive's flash and its firmware identity, so that a restart lists the revision
// that was programmed, and its RPC state, so that a region change and the
// changes it used stay spent, and a permanent drive mode, as on a real drive;
// also the mode and read speed of a drive that stays on from one run to the
// next (power_off=never, the default), which a drive switched off between
// runs (power_off=between_runs) starts without.
//
//   kestrel-sim-state 1
//   drive 0 0
//   product 4456442d524f4d204452562d33323020      (16 bytes, hex)
//   identity 312e3230202032303033...              (INQUIRY bytes 32-46, hex)
//   rpc 1 4 4 fe 1                                (type, user changes, vendor resets,
//                                                  mask, scheme; hex)
//   mode quiet                                    (the permanent drive mode)
//   active performance                            (the mode until power-off)
//   speed 1408                                    (the selected read speed, kbytes/s)
//   flash 000000 <64 bytes in hex>                (rows that are all FFh are left out)
//   end
#pragma once
#include <string>

#include "sim/model/bus.h"

namespace kestrel::sim {

// Every Kestrel drive on an adapter.
std::string SaveSimState(const Bus& bus);
// Applies the saved state to the drives at the same address with the same
// product; others are left alone. False when the text is not a state file.
bool LoadSimState(const std::string& text, Bus& bus);

}  // namespace kestrel::sim
