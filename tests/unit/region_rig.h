// A region utility on the simulated drive for native tests: MERE9X over the
// real ASPI transport (drives at adapter 0, targets 0, 1, ...), MERE2K over
// the real pass-through transport (drives E:, F:, ...), a recording window
// and the bus clock for the readiness wait's pauses.
#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "drive/program_profile.h"
#include "fakes/fake_region_view.h"
#include "fakes/program_rows.h"
#include "fakes/recording_transport.h"
#include "fakes/sim_kit.h"
#include "region/region_operations.h"
#include "sim/model/bus.h"
#include "sim/model/passthrough_device_port.h"
#include "sim/model/sim_timer.h"
#include "sim/model/simulated_aspi_port.h"
#include "transport/aspi/aspi_transport.h"
#include "transport/passthrough/passthrough_transport.h"

namespace kestrel::testing {

// A Kestrel drive with the given RPC state and disc (nullptr: no disc).
inline sim::DriveConfig RegionDrive(uint8_t mask, uint8_t changes = 4, uint8_t type = 1,
                                    const sim::DiscContent* disc = nullptr, uint8_t scheme = 1) {
  sim::DriveConfig config = sim::KestrelDrive("DRV-320");
  config.region.rpc = sim::RpcState{type, changes, 4, mask, scheme};
  config.discPresent = disc != nullptr;
  if (disc) config.region.disc = *disc;
  return config;
}

class RegionRig {
 public:
  RegionRig(Program utility, std::vector<sim::DriveConfig> drives, Language language = {})
      : mere9x_(utility == Program::Mere9x) {
    for (size_t i = 0; i < drives.size(); ++i) {
      if (mere9x_) {
        if (i == 0) bus.AddAdapter("intelata");
        bus.GetAdapter(0)->AddTarget(static_cast<uint8_t>(i), drives[i]);
        list.Add(DriveEntry{"ID=" + std::to_string(i) + " : KESTREL DVD-ROM DRV-320         ",
                            AspiAddress{0, static_cast<uint8_t>(i)}});
        sim_drives.push_back(bus.DriveAt(0, i));
      } else {
        const char letter = static_cast<char>('E' + i);
        sim_drives.push_back(&bus.AddLetter(letter, drives[i]));
        list.Add(DriveEntry{std::string(1, letter) + ": KESTREL DVD-ROM DRV-320        ", {}});
      }
      view.items.push_back(list.At(static_cast<int>(i))->text);
    }
    if (mere9x_) {
      aspiPort = std::make_unique<sim::SimulatedAspiPort>(bus);
      aspi = std::make_unique<AspiTransport>(*aspiPort);
      recorder = std::make_unique<RecordingTransport>(*aspi);
      kit = std::make_unique<SimKit>(*recorder, *aspi, timer, testing::ProfileOf(utility));
    } else {
      letterPort = std::make_unique<sim::PassThroughDevicePort>(bus);
      passThrough = std::make_unique<PassThroughTransport>(*letterPort);
      recorder = std::make_unique<RecordingTransport>(*passThrough);
      kit = std::make_unique<SimKit>(*recorder, *passThrough, timer, testing::ProfileOf(utility));
    }
    context = &kit->Context();
    context->language = language;
    view.selection = drives.empty() ? -1 : 0;
    operations = std::make_unique<RegionOperations>(
        *context, view, list,
        RegionStrategies{kit->Access(), kit->Timer(),
                         mere9x_ ? kMere9xRegionTraits : kMere2kRegionTraits});
  }
  RegionRig(Program utility, sim::DriveConfig drive, Language language = {})
      : RegionRig(utility, std::vector<sim::DriveConfig>{drive}, language) {}

  sim::Drive& Drive(size_t i = 0) { return *sim_drives.at(i); }

  // The window's buttons, with what it captures when they are pressed: the
  // list's selection and the checked region button.
  RegionReport Report() { return operations->ReportRegion(view.selection); }
  ChangeOutcome Change() {
    return operations->ChangeRegion({view.selection, view.CheckedRegion()}).outcome;
  }
  void SetUp(DriveDiscovery& discovery) {
    if (operations->SetUpWindow(Language{}, discovery)) Report();
  }

  // Mark starts what Commands and NewLog return.
  void Mark() {
    mark_ = bus.GetTrace().Entries().size();
    logMark_ = view.LogText().size();
  }
  // The log text added since the last Mark.
  std::string NewLog() const { return view.LogText().substr(logMark_); }
  // The commands the drives saw since the last Mark, one word each, with the
  // sense of a refused one: "REPORT KEY", "TUR !02/3a/00", "SENSE", ...
  std::vector<std::string> Commands() {
    std::vector<std::string> words;
    const auto& entries = bus.GetTrace().Entries();
    for (size_t i = mark_; i < entries.size(); ++i) {
      const sim::TraceEntry& e = entries[i];
      if (e.kind != sim::TraceEntry::Kind::Command) continue;
      std::string word = Name(e.opcode());
      if (e.status != sim::ScsiStatus::Good) {
        char sense[16];
        std::snprintf(sense, sizeof sense, " !%02x/%02x/%02x", e.sense.key, e.sense.asc,
                      e.sense.ascq);
        word += sense;
      }
      words.push_back(word);
    }
    return words;
  }
  size_t SendKeys() { return bus.GetTrace().CountCommands(0xA3); }
  // The Set RPC Structure parameter lists that went out, in order.
  std::vector<std::vector<uint8_t>> ParameterLists() const {
    std::vector<std::vector<uint8_t>> lists;
    for (const RecordedCommand& c : recorder->commands)
      if (c.opcode() == 0xA3) lists.push_back(c.dataOut);
    return lists;
  }

  static std::string Name(uint8_t opcode) {
    switch (opcode) {
      case 0x00:
        return "TUR";
      case 0x03:
        return "SENSE";
      case 0x12:
        return "INQUIRY";
      case 0xA3:
        return "SEND KEY";
      case 0xA4:
        return "REPORT KEY";
      case 0xAD:
        return "READ DVD STRUCTURE";
      default:
        return "?";
    }
  }

  sim::Bus bus;
  std::vector<sim::Drive*> sim_drives;
  std::unique_ptr<sim::SimulatedAspiPort> aspiPort;
  std::unique_ptr<AspiTransport> aspi;
  std::unique_ptr<sim::PassThroughDevicePort> letterPort;
  std::unique_ptr<PassThroughTransport> passThrough;
  std::unique_ptr<RecordingTransport> recorder;
  sim::SimTimer timer{bus};
  std::unique_ptr<SimKit> kit;
  DriveContext* context = nullptr;
  FakeRegionView view;
  DriveList list;
  std::unique_ptr<RegionOperations> operations;

 private:
  bool mere9x_;
  size_t mark_ = 0;
  size_t logMark_ = 0;
};

}  // namespace kestrel::testing
