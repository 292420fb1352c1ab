// The read speed and drive mode of a simulated drive: what SET CD SPEED,
// MODE SENSE(10) (or (6), as the Linux sr driver asks) of the CD capabilities
// page and START STOP UNIT see and do.
//
// The drive has two modes. In the performance mode its maximum read speed is
// the configured one; in the quiet mode it is the quiet maximum (below 7040
// kbytes/s with a CD and below 21600 with a DVD, as the utility expects). A
// mode set with byte 1 = 03h is permanent: it is kept in the state file and is
// the mode the drive starts in; 01h lasts until the next power cycle, as does
// the read speed SET CD SPEED selects.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/model/sim_types.h"

namespace kestrel::sim {

// The commands SpeedState answers.
namespace speed_op {
constexpr uint8_t kSetCdSpeed = 0xBB;
constexpr uint8_t kModeSense6 = 0x1A;
constexpr uint8_t kModeSense10 = 0x5A;
constexpr uint8_t kStartStopUnit = 0x1B;
}  // namespace speed_op

enum class DriveMode : uint8_t { Performance, Quiet };

struct SpeedSetup {
  uint16_t maximumCdSpeed = 7056;         // kbytes/s, performance mode (40X)
  uint16_t maximumDvdSpeed = 22160;       // kbytes/s, performance mode (16X DVD)
  uint16_t quietMaximumCdSpeed = 4234;    // 24X
  uint16_t quietMaximumDvdSpeed = 11080;  // 8X DVD
  // The speed last selected with SET CD SPEED; FFFFh: the maximum.
  uint16_t selectedReadSpeed = 0xFFFF;
  // MODE SENSE header byte 2 with a disc in: 01h CD-ROM, 40h-4Fh DVD media.
  uint8_t mediumType = 0x01;
  DriveMode permanentMode = DriveMode::Performance;
  uint64_t spinDownMs = 0;  // how long a stop of a turning disc takes
  // Whether the drive is switched off between two runs on the machine: then
  // each run starts with the permanent mode and the configured read speed;
  // otherwise the state file carries the selected speed and the mode over.
  bool offBetweenRuns = false;
};

// Settings of kestrel-sim.ini that belong here (see sim_config.h); false and
// error set for a bad value. IsSpeedKey tells whether the key is one of them.
bool IsSpeedKey(const std::string& key);
bool ParseSpeedKey(SpeedSetup& setup, const std::string& key, const std::string& value,
                   std::string& error);

struct SpeedReply {
  bool good = true;
  Sense sense;
  std::vector<uint8_t> in;
  uint64_t durationMs = 0;
};

class SpeedState {
 public:
  explicit SpeedState(const SpeedSetup& setup);

  // One of the three commands; discPresent tells whether a disc is in.
  SpeedReply Execute(const uint8_t* cdb, size_t cdbLength, bool discPresent);
  // A new disc starts turning; power off and on returns to the permanent mode.
  void DiscInserted() { stopped_ = false; }
  void PowerCycle();

  DriveMode ActiveMode() const { return activeMode_; }
  DriveMode PermanentMode() const { return permanentMode_; }
  void SetPermanentMode(DriveMode mode);  // a saved state: also the active mode
  // A saved state of a drive that stayed on: its mode and read speed.
  void Resume(DriveMode activeMode, uint16_t readSpeed);
  bool OffBetweenRuns() const { return setup_.offBetweenRuns; }
  // Changes whenever the permanent mode is set, so that it is saved.
  uint32_t PermanentChanges() const { return permanentChanges_; }
  bool Stopped() const { return stopped_; }
  uint16_t SelectedReadSpeed() const { return selectedReadSpeed_; }
  uint16_t MaximumReadSpeed(bool dvd) const;
  uint16_t CurrentReadSpeed(bool dvd) const;

 private:
  SpeedReply SetCdSpeed(const uint8_t* cdb, size_t cdbLength);
  SpeedReply ModeSense(const uint8_t* cdb, size_t cdbLength, bool discPresent);
  SpeedReply StartStop(const uint8_t* cdb, bool discPresent);

  SpeedSetup setup_;
  DriveMode activeMode_;
  DriveMode permanentMode_;
  uint32_t permanentChanges_ = 0;
  uint16_t selectedReadSpeed_;
  bool stopped_ = false;
};

}  // namespace kestrel::sim
