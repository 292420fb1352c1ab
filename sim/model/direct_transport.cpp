#include "sim/model/direct_transport.h"

#include <algorithm>
#include <cstring>

namespace kestrel::sim {

DirectTransport::DirectTransport(Bus& bus, int32_t failureValue)
    : bus_(bus), failureValue_(failureValue) {}

DirectTransport::~DirectTransport() { ReleaseDriveAccess(); }

int32_t DirectTransport::InitDriveAccess() {
  data_.reset(new uint8_t[kDataBufferSize]());
  image_.reset(new uint8_t[kImageBufferSize]());
  small_.reset(new uint8_t[kSmallBufferSize]());
  buffers_.data = data_.get();
  buffers_.image = image_.get();
  buffers_.small = small_.get();
  buffers_.sense.fill(0);
  return initResult_;
}

int32_t DirectTransport::ReleaseDriveAccess() {
  buffers_.data = buffers_.image = buffers_.small = nullptr;
  small_.reset();
  image_.reset();
  data_.reset();
  return 0;
}

Drive* DirectTransport::CurrentDrive() {
  if (byLetter_) {
    LetterDevice* device = openLetter_ ? bus_.Letter(openLetter_) : nullptr;
    return device ? device->drive : nullptr;
  }
  return bus_.DriveAt(address_.adapter, address_.target);
}

int32_t DirectTransport::Run(const ScsiCommand& command, CommandResult* result) {
  Drive* drive = CurrentDrive();
  if (!drive) return failureValue_;
  *result = drive->Execute(command.cdb.data(), command.cdbLength, command.direction, command.data,
                           command.transferLength);
  if (!result->good() && command.autoSenseLength > 0) {
    // Automatic sense as the pass-through request delivers it.
    uint8_t sense[24] = {};
    sense[0] = 0x70;
    sense[2] = result->sense.key;
    sense[7] = 16;
    sense[12] = result->sense.asc;
    sense[13] = result->sense.ascq;
    size_t n = std::min<size_t>({command.autoSenseLength, sizeof sense, buffers_.sense.size()});
    std::memcpy(buffers_.sense.data(), sense, n);
    drive->ClearPendingSense();
  }
  return result->good() ? 0 : failureValue_;
}

int32_t DirectTransport::Execute(const ScsiCommand& command) {
  received_ = 0;
  if (outstanding_) {
    ++overlapCount_;
    return failureValue_;
  }
  CommandResult result;
  const int32_t outcome = Run(command, &result);
  if (outcome == 0 && command.direction == DataDirection::In) received_ = result.transferred;
  return outcome;
}

uint8_t DirectTransport::AdapterCount() const {
  return static_cast<uint8_t>(std::min<size_t>(bus_.AdapterCount(), 255));
}

std::array<char, 16> DirectTransport::AdapterIdentifier(uint8_t adapter) const {
  Adapter* a = bus_.GetAdapter(adapter);
  return a ? a->Identifier() : std::array<char, 16>{};
}

bool DirectTransport::IntelataPresent() const {
  for (size_t i = 0; i < bus_.AdapterCount(); ++i) {
    if (std::memcmp(bus_.GetAdapter(i)->Identifier().data(), "intelata", 8) == 0) return true;
  }
  return false;
}

void DirectTransport::SelectDrive(AspiAddress address) {
  address_ = address;
  byLetter_ = false;
}

void DirectTransport::Submit(const ScsiCommand& command) {
  if (outstanding_) {
    ++overlapCount_;
    return;
  }
  submitted_ = CommandResult{};
  if (Run(command, &submitted_) != 0 && submitted_.good()) {
    // No device: the request ends at once with an error.
    submitted_.status = ScsiStatus::CheckCondition;
    submitted_.completesAtMs = bus_.NowMs();
  }
  outstanding_ = true;
}

int32_t DirectTransport::Poll() {
  if (!outstanding_) return 1;  // nothing submitted: like a wait on no event
  bus_.Update();
  if (submitted_.completesAtMs == kNever || bus_.NowMs() < submitted_.completesAtMs) return 1;
  outstanding_ = false;
  return submitted_.good() ? 0 : -1;
}

int32_t DirectTransport::PingAdapter() {
  ++pingCount_;
  return 1;  // SS_COMP
}

int32_t DirectTransport::OpenDrive(char letter) {
  LetterDevice* device = bus_.Letter(letter);
  if (!device || !device->drive || device->refuseOpen || device->refuseCapabilities ||
      device->refuseAddress) {
    return -1;
  }
  byLetter_ = true;
  openLetter_ = device->letter;
  return 0;
}

int32_t DirectTransport::CloseDrive() {
  openLetter_ = 0;
  return 0;
}

}  // namespace kestrel::sim
