// The safety rules, checked on every command the random drive receives. The
// oracle knows only what went over the wire and what the user answered; it
// decides from the drive's replies itself, never from the program's state.
#pragma once
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "drive/command_transport.h"
#include "drive/program_profile.h"
#include "tests/fuzz/fuzz_input.h"

namespace kestrel::fuzz {

enum class Operation { None, Discovery, Update, RegionReport, RegionChange, Speed, ModeChange };

class SafetyOracle {
 public:
  // The firmware profile's model table, and the 32-byte signature block of the
  // loaded image: "KESTREL ", the firmware tag, the CPU name.
  SafetyOracle(const ProgramProfile& firmwareProfile, std::string imageSignature)
      : firmwareProfile_(firmwareProfile), imageSignature_(std::move(imageSignature)) {}

  void Begin(Operation operation) {
    operation_ = operation;
    inquiryMatched_ = cpuMatched_ = confirmed_ = refused_ = false;
    lastAnswerOk_ = false;
  }
  void End() { operation_ = Operation::None; }
  // The user's answers, as the views give them.
  void Answered(bool ok) { lastAnswerOk_ = ok; }
  void Confirmed(bool ok) { confirmed_ = ok; }

  // A letter that could not be opened may hold another drive, or the same
  // one changed, by the time it opens again: its last report is stale then.
  void Opened(char letter, bool opened) {
    if (!opened) driveRegionMask_.erase(letter);
  }

  void Before(const ScsiCommand& command, char letter) {
    const uint8_t opcode = command.cdb[0];
    if (opcode == kWriteBuffer) {
      Require(operation_ == Operation::Update, "WRITE BUFFER outside a firmware update");
      Require(inquiryMatched_, "WRITE BUFFER without a supported INQUIRY reply");
      Require(cpuMatched_, "WRITE BUFFER without the image's CPU block from the drive");
      Require(confirmed_, "WRITE BUFFER without the update confirmed");
      Require(!refused_, "WRITE BUFFER after a refused block");
    }
    if (opcode == kSendKey) {
      Require(operation_ == Operation::RegionChange, "SEND KEY outside Set Region");
      const auto known = driveRegionMask_.find(letter);
      Require(known == driveRegionMask_.end() || command.data[4] != known->second,
              "SEND KEY for the region the drive reported as its own");
    }
    if (opcode == kStartStopUnit) {
      Require(operation_ == Operation::ModeChange, "START STOP UNIT outside a mode change");
      Require(lastAnswerOk_ || mediumAbsent_, "START STOP UNIT without the question answered OK");
    }
  }

  void After(const ScsiCommand& command, int32_t result, uint32_t received, char letter,
             const uint8_t* sense) {
    const uint8_t opcode = command.cdb[0];
    const bool ok = result == 0;
    const uint8_t* data = command.data;
    if (opcode == kInquiry) inquiryMatched_ = ok && received >= 36 && SupportedModel(data);
    if (opcode == kReadBuffer && command.transferLength == 32 && command.cdb[2] == 0x80) {
      const uint32_t offset = command.cdb[3] << 16 | command.cdb[4] << 8 | command.cdb[5];
      const bool whole = ok && received == 32;
      if (offset == 0x100 && whole && std::memcmp(data, "KESTREL ", 8) == 0) cpuMatched_ = false;
      if (offset == 0x1000 || offset == 0x2000) {
        cpuMatched_ = whole && std::memcmp(data, imageSignature_.data(), 32) == 0;
      }
    }
    if (opcode == kWriteBuffer && !ok) refused_ = true;
    if (opcode == kReportKey && (command.cdb[10] & 0x3F) == 0x08) {
      const bool valid = ok && received >= 8 && (data[0] << 8 | data[1]) >= 6 &&
                         SingleRegion(data[5]);
      if (valid) {
        driveRegionMask_[letter] = data[5];
      } else {
        driveRegionMask_.erase(letter);
      }
    }
    // A disc cannot turn only when the drive said it has no medium: after a
    // failed TEST UNIT READY, the sense that came with it or just after it.
    if (opcode == kTestUnitReady) {
      testFailed_ = !ok;
      mediumAbsent_ = !ok && NoMedium(sense);
    }
    if (opcode == kRequestSense && testFailed_) mediumAbsent_ = ok && NoMedium(data);
  }

 private:
  static constexpr uint8_t kTestUnitReady = 0x00, kRequestSense = 0x03, kInquiry = 0x12,
                           kStartStopUnit = 0x1B, kWriteBuffer = 0x3B, kReadBuffer = 0x3C,
                           kSendKey = 0xA3, kReportKey = 0xA4;

  static bool SingleRegion(uint8_t mask) {
    for (int region = 1; region <= 6; ++region) {
      if (mask == (0xFF & ~(1u << (region - 1)))) return true;
    }
    return false;
  }
  // Either sense format: fixed (key in byte 2, ASC in 12) or descriptor
  // (72h/73h: key in byte 1, ASC in 2).
  static bool NoMedium(const uint8_t* sense) {
    if (sense == nullptr) return false;
    const uint8_t format = sense[0] & 0x7F;
    if (format == 0x72 || format == 0x73) return (sense[1] & 0x0F) == 0x02 && sense[2] == 0x3A;
    return (sense[2] & 0x0F) == 0x02 && sense[12] == 0x3A;
  }
  bool SupportedModel(const uint8_t* inquiry) const {
    for (size_t row = 0; row < firmwareProfile_.supportedModelCount; ++row) {
      if (std::memcmp(inquiry + 8, firmwareProfile_.supportedModels[row], 24) == 0) return true;
    }
    return false;
  }

  const ProgramProfile& firmwareProfile_;
  std::string imageSignature_;
  Operation operation_ = Operation::None;
  bool inquiryMatched_ = false, cpuMatched_ = false, confirmed_ = false, refused_ = false;
  bool lastAnswerOk_ = false, testFailed_ = false, mediumAbsent_ = false;
  // The region of each drive letter's last valid RPC state report.
  std::map<char, uint8_t> driveRegionMask_;
};

}  // namespace kestrel::fuzz
