// One simulated device: a Kestrel DVD-ROM drive (or another maker's CD/DVD
// device) that answers CDBs the way the real drive does, including the maker's
// firmware download through READ/WRITE BUFFER mode 01h.
//
//   sim::Drive drive(sim::KestrelDrive("DRV-320", "1.10", "2003/05/12"));
//   uint8_t cdb[6] = {0x12, 0, 0, 0, 0x60, 0};
//   uint8_t reply[96];
//   sim::CommandResult r = drive.Execute(cdb, 6, DataDirection::In, reply, sizeof reply);
//
// Flash programming takes time on the drive's clock: AdvanceMs (or the Bus's
// clock) moves it, and Update() finishes what is due.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "drive/command_transport.h"
#include "sim/model/region_state.h"
#include "sim/model/sim_types.h"
#include "sim/model/speed_state.h"
#include "sim/model/trace.h"

namespace kestrel::sim {

constexpr uint32_t kFlashSize = 0x20000;
constexpr uint32_t kDownloadBlockSize = 0x8000;
constexpr uint32_t kTrailerOffset = 0x20000;
constexpr uint32_t kTrailerSize = 0x1010;
constexpr uint32_t kOwnDataOffset = 0x400;  // the drive keeps 400h-44Fh of its own
constexpr uint32_t kOwnDataSize = 0x50;
constexpr uint32_t kInquirySize = 96;
// The disc in the tray: a blank single-layer DVD-ROM, one data track.
constexpr uint32_t kDiscSectors = 2295104;
constexpr uint32_t kSectorSize = 2048;

// What a firmware part (one CPU's 128 KB) carries, for building drive flash and
// test images alike.
struct FirmwarePartSetup {
  std::string vendor = "KESTREL ";
  std::string product = "DVD-ROM DRV-320";
  std::string revision = "1.10";
  uint8_t byte36 = ' ';
  std::string date = "2003/05/12";  // YYYY/MM/DD; also the BCD build date at bytes 6-9
  std::string cpuName = "HITACHI H8_3062A";
  std::string firmwareTag = "DRV-320 ";    // the 8 bytes after "KESTREL " in the signature block
  uint32_t signatureOffset = 0x1000;       // 0x1000, 0x100 or 0x2000
  uint32_t identificationOffset = 0x2100;  // 05 80 00 32 record; 0: none
  uint8_t peripheralType = 5;
  char interfaceLetter = 'A';
  char mechanismLetter = 'T';
  std::string editionCode = "KES";
  uint32_t fillSeed = 1;  // code bytes are a pattern from this seed
};

// A 0x20000-byte firmware part: code pattern, build date at 6-9, type block at
// 3F0h, signature block, identification record (INQUIRY bytes 0-95).
std::vector<uint8_t> MakeFirmwarePart(const FirmwarePartSetup& setup);

struct DriveConfig {
  uint8_t peripheralType = 5;
  std::string vendor = "KESTREL ";          // 8, space-padded
  std::string product = "DVD-ROM DRV-320";  // 16, space-padded
  std::string revision = "1.10";            // 4
  uint8_t byte36 = ' ';
  std::string firmwareDate = "2003/05/12";  // INQUIRY bytes 37-46
  // The maker's READ/WRITE BUFFER uses; other makers' devices refuse them.
  bool kestrelCommands = true;
  std::string cpuName = "HITACHI H8_3062A";  // 16
  std::string firmwareTag = "DRV-320 ";      // 8
  uint32_t romIdOffset = 0x1000;             // where the ROM id block reads: 1000h, 100h or 2000h
  uint64_t programmingMs = 20000;
  std::string serial = "KS00000001";  // part of the drive's own bytes 400h-44Fh
  std::vector<uint8_t> flash;         // 0x20000 bytes; empty: built from the fields above
  bool discPresent = true;
  // Region playback control and the disc's region information.
  RegionSetup region;
  SpeedSetup speed;  // read speeds, drive mode, medium type
};

// A Kestrel drive of the given model, e.g. "DRV-320" (product "DVD-ROM DRV-320")
// or "DRW-410" (product "DVD/CDRW DRW-410").
DriveConfig KestrelDrive(const std::string& model, const std::string& revision = "1.10",
                         const std::string& date = "2003/05/12",
                         const std::string& cpuName = "HITACHI H8_3062A");
// Another maker's device: no firmware commands, no date.
DriveConfig OtherDrive(const std::string& vendor, const std::string& product,
                       const std::string& revision = "1.00", uint8_t peripheralType = 5);

struct CommandResult {
  ScsiStatus status = ScsiStatus::Good;
  Sense sense;                 // with CheckCondition
  uint32_t transferred = 0;    // data bytes moved to or from the caller
  uint64_t completesAtMs = 0;  // when the command ends on the drive's clock; kNever: never
  bool good() const { return status == ScsiStatus::Good; }
};

// A command that goes wrong on purpose.
struct CommandFault {
  enum class Action : uint8_t {
    Fail,     // CHECK CONDITION with `sense`, nothing done
    Garbage,  // good status, the data-in reply replaced by noise
    Short,    // good status, only `shortBytes` of the data-in reply
    Blank,    // good status, the data-in reply all zeros (an empty structure)
    Hold,     // the command runs, its answer comes `holdMs` late
    NeverAnswer,  // the command runs, its answer never comes
  };
  uint8_t opcode = 0;
  int bufferId = -1;    // READ/WRITE BUFFER id (CDB byte 2); -1: any
  int64_t offset = -1;  // READ/WRITE BUFFER offset (CDB bytes 3-5); -1: any
  int nth = 1;          // the nth matching command from now on (1-based)
  int count = 1;        // how many matching commands from the nth on; 0: all
  Action action = Action::Fail;
  Sense sense = kHardwareError;
  uint32_t shortBytes = 0;
  uint64_t holdMs = 0;
  int seen = 0;  // matching commands so far
};

// READ BUFFER 80h of 8000h block `index` (0-3) ends with good status and moves
// no data, as a drive that lost the transfer would report it.
CommandFault EmptyReadBackFault(int index);

class Drive {
 public:
  explicit Drive(DriveConfig config);
  Drive(const Drive&) = delete;
  Drive& operator=(const Drive&) = delete;

  // Runs one command. Data moves only within transferLength bytes of `data`.
  CommandResult Execute(const uint8_t* cdb, size_t cdbLength, DataDirection direction,
                        uint8_t* data, uint32_t transferLength);

  // Clock: the drive's own until a bus attaches its shared one.
  uint64_t NowMs() const { return clock_->NowMs(); }
  void AdvanceMs(uint64_t ms);
  void SetNowMs(uint64_t ms);
  void AttachClock(Clock* clock) { clock_ = clock ? clock : &ownClock_; }
  // Finishes flash programming once the clock has passed its end.
  void Update();

  // Trace: the drive's own until a bus attaches its shared one; the location is
  // written into every entry.
  Trace& GetTrace() { return *trace_; }
  void AttachTrace(Trace* trace) { trace_ = trace ? trace : &ownTrace_; }
  void SetLocation(int adapter, int target) { adapter_ = adapter, target_ = target; }
  void SetLetter(char letter) { letter_ = letter; }

  // Faults.
  void AddFault(const CommandFault& fault) { faults_.push_back(fault); }
  void FailCommand(uint8_t opcode, int nth, Sense sense, int bufferId = -1);
  // Refuses download block `index` (0-3 the 8000h blocks, 4 the trailer).
  void RefuseDownloadBlock(int index, Sense sense = kInvalidField);
  void GarbageReply(uint8_t opcode, int nth, int bufferId = -1);
  void ShortReply(uint8_t opcode, int nth, uint32_t bytes, int bufferId = -1);
  void BlankReply(uint8_t opcode, int nth);
  void EmptyReadBack(int index) { AddFault(EmptyReadBackFault(index)); }
  // Every read-back covering this flash offset returns the byte inverted.
  void CorruptReadBack(uint32_t flashOffset) { corruptOffsets_.push_back(flashOffset); }
  // Power lost while programming: the flash is left erased and garbled and the
  // programming command never ends (until PowerCycle).
  void ProgrammingNeverFinishes(bool on = true) { neverFinishes_ = on; }
  void ClearFaults();

  // Disc and power.
  void RemoveDisc();
  // A new disc: unit attention once, then not ready until becomingReadyMs have passed.
  void InsertDisc(uint64_t becomingReadyMs = 0);
  // Off and on again: programming and any download end, unit attention follows.
  void PowerCycle();

  // Inspection and set-up.
  const DriveConfig& Config() const { return config_; }
  void SetProgrammingMs(uint64_t ms) { config_.programmingMs = ms; }
  const std::vector<uint8_t>& Flash() const { return flash_; }
  // Replaces the flash (e.g. a saved state) and takes revision and date from it.
  void LoadFlash(const std::vector<uint8_t>& flash);
  const std::array<uint8_t, kInquirySize>& Inquiry() const { return inquiry_; }
  void SetInquiryIdentity(const std::array<uint8_t, 15>& bytes32to46);
  std::string Revision() const;  // INQUIRY bytes 32-35
  std::array<uint8_t, 32> RomIdBlock() const;
  bool Programming() const { return programming_; }
  int ProgrammingCount() const { return programmingCount_; }  // programming runs finished
  // Changes whenever the flash content changes (programming done or begun).
  uint32_t FlashGeneration() const { return flashGeneration_; }
  Sense PendingSense() const { return lastSense_; }
  RegionState& Region() { return region_; }
  const RegionState& Region() const { return region_; }
  // Changes whenever something the machine keeps across restarts changes.
  uint32_t StateGeneration() const { return flashGeneration_ + region_.ChangeCount(); }
  SpeedState& Speed() { return speed_; }
  const SpeedState& Speed() const { return speed_; }
  void ClearPendingSense() { lastSense_ = kNoSense; }

 private:
  struct Reply {
    ScsiStatus status = ScsiStatus::Good;
    Sense sense;
    std::vector<uint8_t> in;  // data-in bytes
    uint32_t outUsed = 0;     // data-out bytes taken
    uint64_t durationMs = 0;  // kNever: never ends
  };
  struct Request {
    const uint8_t* cdb;
    size_t cdbLength;
    const uint8_t* out;  // data-out bytes the caller offers
    uint32_t outLength;
    uint32_t transferLength;
  };
  using Handler = Reply (Drive::*)(const Request&);
  static Handler HandlerFor(uint8_t opcode);

  static Reply Check(Sense sense);
  Reply TestUnitReady(const Request&);
  Reply RequestSense(const Request&);
  Reply InquiryCommand(const Request&);
  Reply VitalProductData(uint8_t page);
  Reply MmcCommand(const Request&);  // drive_mmc.cpp
  Reply ReadToc(const Request&);
  Reply ReadDiscInformation(const Request&);
  Reply ReadTrackInformation(const Request&);
  Reply GetConfiguration(const Request&);
  Reply GetEventStatus(const Request&);
  Sense MediumSense() const;  // kNoSense when the disc can be read
  Reply ReadBuffer(const Request&);
  Reply WriteBuffer(const Request&);
  Reply RegionCommand(const Request&);  // drive_region.cpp
  Reply SpeedCommand(const Request&);

  CommandFault* MatchFault(uint8_t opcode, int bufferId, int64_t offset);
  void FinishProgramming();
  void RefreshIdentityFromFlash();
  void BuildInquiry();
  void ResetDownload() { nextBlock_ = -1; }

  DriveConfig config_;
  std::array<uint8_t, kInquirySize> inquiry_{};
  std::vector<uint8_t> flash_;
  std::array<uint8_t, kOwnDataSize> ownData_{};
  std::vector<uint8_t> download_;  // part and trailer as received
  int nextBlock_ = -1;             // -1: no prepare; 0-4 next block; 5 all received
  bool programming_ = false;
  uint64_t programmingEndsMs_ = 0;
  int programmingCount_ = 0;
  uint32_t flashGeneration_ = 0;
  Sense lastSense_;
  bool unitAttention_ = false;
  bool discPresent_ = true;
  uint8_t mediaEvent_ = 0;  // GET EVENT STATUS media event not yet reported
  uint64_t readyAtMs_ = 0;
  std::vector<CommandFault> faults_;
  std::vector<uint32_t> corruptOffsets_;
  bool neverFinishes_ = false;
  uint32_t noiseState_ = 0x2545F491u;
  Clock ownClock_;
  Clock* clock_ = &ownClock_;
  Trace ownTrace_;
  Trace* trace_ = &ownTrace_;
  int adapter_ = -1;
  int target_ = -1;
  char letter_ = 0;
  RegionState region_;
  SpeedState speed_{config_.speed};
};

}  // namespace kestrel::sim
