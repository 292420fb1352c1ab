#include "sim/model/drive_model.h"

#include <algorithm>
#include <cstring>

namespace kestrel::sim {

namespace {

constexpr uint8_t kIdentificationMarker[4] = {0x05, 0x80, 0x00, 0x32};
constexpr uint32_t kIdentificationSearchStart = 0x450;
constexpr char kMakerSignature[] = "KESTREL ";

void PutText(uint8_t* destination, size_t width, const std::string& text) {
  std::memset(destination, ' ', width);
  std::memcpy(destination, text.data(), std::min(width, text.size()));
}

uint8_t Bcd(const std::string& text, size_t at) {
  if (at + 1 >= text.size()) return 0;
  char hi = text[at], lo = text[at + 1];
  if (hi < '0' || hi > '9' || lo < '0' || lo > '9') return 0;
  return static_cast<uint8_t>(((hi - '0') << 4) | (lo - '0'));
}

uint32_t Big24(const uint8_t* p) { return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]; }

std::array<uint8_t, kInquirySize> MakeInquiry(uint8_t type, const std::string& vendor,
                                              const std::string& product,
                                              const std::string& revision, uint8_t byte36,
                                              const std::string& date) {
  std::array<uint8_t, kInquirySize> inq{};
  inq[0] = type;
  inq[1] = 0x80;  // removable medium
  inq[2] = 0x00;
  inq[3] = 0x32;  // ATAPI version 3, response data format 2
  inq[4] = kInquirySize - 5;
  PutText(&inq[8], 8, vendor);
  PutText(&inq[16], 16, product);
  PutText(&inq[32], 4, revision);
  inq[36] = byte36;
  PutText(&inq[37], 10, date);
  return inq;
}

// Offset of the first identification record in 450h..end, or -1.
long FindIdentification(const std::vector<uint8_t>& part) {
  if (part.size() < kInquirySize) return -1;
  for (size_t i = kIdentificationSearchStart; i + kInquirySize <= part.size(); ++i) {
    if (std::memcmp(&part[i], kIdentificationMarker, 4) == 0) return static_cast<long>(i);
  }
  return -1;
}

}  // namespace

std::vector<uint8_t> MakeFirmwarePart(const FirmwarePartSetup& setup) {
  std::vector<uint8_t> part(kFlashSize);
  uint32_t state = setup.fillSeed * 2654435761u + 12345u;
  for (uint8_t& b : part) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(state >> 24);
  }
  part[6] = Bcd(setup.date, 0);
  part[7] = Bcd(setup.date, 2);
  part[8] = Bcd(setup.date, 5);
  part[9] = Bcd(setup.date, 8);
  part[0x3F0] = static_cast<uint8_t>(setup.interfaceLetter);
  part[0x3F1] = static_cast<uint8_t>(setup.mechanismLetter);
  PutText(&part[0x3F2], 3, setup.editionCode);
  PutText(&part[0x3F5], 4, setup.revision);
  if (setup.signatureOffset + 32 <= kFlashSize) {
    PutText(&part[setup.signatureOffset], 8, kMakerSignature);
    PutText(&part[setup.signatureOffset + 8], 8, setup.firmwareTag);
    PutText(&part[setup.signatureOffset + 16], 16, setup.cpuName);
  }
  // The code pattern must not contain a stray identification marker.
  for (size_t i = kIdentificationSearchStart; i + 4 <= part.size(); ++i) {
    if (std::memcmp(&part[i], kIdentificationMarker, 4) == 0) part[i] = 0x5A;
  }
  if (setup.identificationOffset != 0 && setup.identificationOffset + kInquirySize <= kFlashSize) {
    auto inq = MakeInquiry(setup.peripheralType, setup.vendor, setup.product, setup.revision,
                           setup.byte36, setup.date);
    inq[0] = 0x05;  // the record always starts with the marker
    std::memcpy(&part[setup.identificationOffset], inq.data(), inq.size());
  }
  return part;
}

DriveConfig KestrelDrive(const std::string& model, const std::string& revision,
                         const std::string& date, const std::string& cpuName) {
  DriveConfig c;
  c.product = (model.rfind("DRW", 0) == 0 ? "DVD/CDRW " : "DVD-ROM ") + model;
  c.revision = revision;
  c.firmwareDate = date;
  c.cpuName = cpuName;
  c.firmwareTag = model;
  return c;
}

DriveConfig OtherDrive(const std::string& vendor, const std::string& product,
                       const std::string& revision, uint8_t peripheralType) {
  DriveConfig c;
  c.vendor = vendor;
  c.product = product;
  c.revision = revision;
  c.peripheralType = peripheralType;
  c.firmwareDate.clear();
  c.kestrelCommands = false;
  c.cpuName.clear();
  c.firmwareTag.clear();
  return c;
}

Drive::Drive(DriveConfig config) : config_(std::move(config)), region_(config_.region) {
  BuildInquiry();
  std::string own = "SERIAL " + config_.serial;
  PutText(ownData_.data(), 0x20, own);
  PutText(ownData_.data() + 0x20, 0x10, config_.cpuName);
  uint8_t sum = 0;
  for (size_t i = 0; i + 1 < ownData_.size(); ++i) sum = static_cast<uint8_t>(sum + ownData_[i]);
  ownData_.back() = sum;
  discPresent_ = config_.discPresent;
  if (config_.flash.empty()) {
    FirmwarePartSetup setup;
    setup.vendor = config_.vendor;
    setup.product = config_.product;
    setup.revision = config_.revision;
    setup.byte36 = config_.byte36;
    setup.date = config_.firmwareDate;
    setup.cpuName = config_.cpuName;
    setup.firmwareTag = config_.firmwareTag;
    setup.signatureOffset = config_.romIdOffset;
    setup.peripheralType = config_.peripheralType;
    setup.identificationOffset = config_.romIdOffset == 0x2000 ? 0x3100 : 0x2100;
    flash_ = MakeFirmwarePart(setup);
    std::memcpy(&flash_[kOwnDataOffset], ownData_.data(), kOwnDataSize);
  } else {
    LoadFlash(config_.flash);
    config_.flash.clear();
  }
}

void Drive::BuildInquiry() {
  inquiry_ = MakeInquiry(config_.peripheralType, config_.vendor, config_.product, config_.revision,
                         config_.byte36, config_.firmwareDate);
  // SPC-3: a host's SCSI layer then asks for the vital product data pages.
  // The copy in the firmware image keeps version 0 (its marker is 05 80 00 32).
  inquiry_[2] = 0x05;
}

void Drive::AdvanceMs(uint64_t ms) {
  clock_->AdvanceMs(ms);
  Update();
}

void Drive::SetNowMs(uint64_t ms) {
  clock_->SetNowMs(ms);
  Update();
}

void Drive::Update() {
  if (programming_ && programmingEndsMs_ != kNever && NowMs() >= programmingEndsMs_) {
    FinishProgramming();
  }
}

void Drive::FinishProgramming() {
  flash_.assign(download_.begin(), download_.begin() + kFlashSize);
  std::memcpy(&flash_[kOwnDataOffset], ownData_.data(), kOwnDataSize);
  programming_ = false;
  ++programmingCount_;
  ++flashGeneration_;
  RefreshIdentityFromFlash();
}

void Drive::RefreshIdentityFromFlash() {
  long at = FindIdentification(flash_);
  if (at < 0) return;
  // Vendor and product are the drive's; revision, byte 36 and date come with the firmware.
  std::memcpy(&inquiry_[32], &flash_[static_cast<size_t>(at) + 32], 15);
}

void Drive::LoadFlash(const std::vector<uint8_t>& flash) {
  flash_.assign(kFlashSize, 0xFF);
  std::memcpy(flash_.data(), flash.data(), std::min<size_t>(flash.size(), kFlashSize));
  ++flashGeneration_;
  RefreshIdentityFromFlash();
}

void Drive::SetInquiryIdentity(const std::array<uint8_t, 15>& bytes32to46) {
  std::memcpy(&inquiry_[32], bytes32to46.data(), bytes32to46.size());
}

std::string Drive::Revision() const {
  return std::string(reinterpret_cast<const char*>(&inquiry_[32]), 4);
}

CommandFault EmptyReadBackFault(int index) {
  CommandFault f;
  f.opcode = op::kReadBuffer;
  f.bufferId = buffer_id::kFlash;
  f.offset = int64_t{index} * kDownloadBlockSize;
  f.action = CommandFault::Action::Short;
  f.shortBytes = 0;
  return f;
}

std::array<uint8_t, 32> Drive::RomIdBlock() const {
  std::array<uint8_t, 32> block{};
  PutText(&block[0], 8, kMakerSignature);
  PutText(&block[8], 8, config_.firmwareTag);
  PutText(&block[16], 16, config_.cpuName);
  return block;
}

void Drive::FailCommand(uint8_t opcode, int nth, Sense sense, int bufferId) {
  CommandFault f;
  f.opcode = opcode;
  f.bufferId = bufferId;
  f.nth = nth;
  f.sense = sense;
  AddFault(f);
}

void Drive::RefuseDownloadBlock(int index, Sense sense) {
  FailCommand(op::kWriteBuffer, index + 1, sense, buffer_id::kDownload);
}

void Drive::GarbageReply(uint8_t opcode, int nth, int bufferId) {
  CommandFault f;
  f.opcode = opcode;
  f.bufferId = bufferId;
  f.nth = nth;
  f.action = CommandFault::Action::Garbage;
  AddFault(f);
}

void Drive::ShortReply(uint8_t opcode, int nth, uint32_t bytes, int bufferId) {
  CommandFault f;
  f.opcode = opcode;
  f.bufferId = bufferId;
  f.nth = nth;
  f.action = CommandFault::Action::Short;
  f.shortBytes = bytes;
  AddFault(f);
}

void Drive::BlankReply(uint8_t opcode, int nth) {
  CommandFault f;
  f.opcode = opcode;
  f.nth = nth;
  f.action = CommandFault::Action::Blank;
  AddFault(f);
}

void Drive::ClearFaults() {
  faults_.clear();
  corruptOffsets_.clear();
  neverFinishes_ = false;
}

void Drive::RemoveDisc() {
  discPresent_ = false;
  unitAttention_ = true;
  mediaEvent_ = 3;  // media removal
}

void Drive::InsertDisc(uint64_t becomingReadyMs) {
  discPresent_ = true;
  speed_.DiscInserted();
  unitAttention_ = true;
  mediaEvent_ = 2;  // new media
  readyAtMs_ = NowMs() + becomingReadyMs;
}

void Drive::PowerCycle() {
  programming_ = false;
  programmingEndsMs_ = 0;
  ResetDownload();
  lastSense_ = kNoSense;
  unitAttention_ = true;
  speed_.PowerCycle();
  BuildInquiry();
  RefreshIdentityFromFlash();
}

CommandFault* Drive::MatchFault(uint8_t opcode, int bufferId, int64_t offset) {
  CommandFault* active = nullptr;
  for (CommandFault& f : faults_) {
    if (f.opcode != opcode || (f.bufferId >= 0 && f.bufferId != bufferId)) continue;
    if (f.offset >= 0 && f.offset != offset) continue;
    ++f.seen;
    bool hit = f.seen >= f.nth && (f.count == 0 || f.seen < f.nth + f.count);
    if (hit && !active) active = &f;
  }
  return active;
}

Drive::Reply Drive::Check(Sense sense) {
  Reply r;
  r.status = ScsiStatus::CheckCondition;
  r.sense = sense;
  return r;
}

// The opcode table: one handler per command the drive answers.
Drive::Handler Drive::HandlerFor(uint8_t opcode) {
  if (RegionState::Handles(opcode)) return &Drive::RegionCommand;
  switch (opcode) {
    case op::kTestUnitReady:
      return &Drive::TestUnitReady;
    case op::kRequestSense:
      return &Drive::RequestSense;
    case op::kInquiry:
      return &Drive::InquiryCommand;
    case op::kReadBuffer:
      return &Drive::ReadBuffer;
    case op::kWriteBuffer:
      return &Drive::WriteBuffer;
    case op::kPreventAllow:
    case op::kReadCapacity:
    case op::kRead10:
    case op::kReadToc:
    case op::kGetConfiguration:
    case op::kGetEventStatus:
    case op::kReadDiscInformation:
    case op::kReadTrackInformation:
      return &Drive::MmcCommand;
    case speed_op::kSetCdSpeed:
    case speed_op::kModeSense6:
    case speed_op::kModeSense10:
    case speed_op::kStartStopUnit:
      return &Drive::SpeedCommand;
    default:
      return nullptr;
  }
}

CommandResult Drive::Execute(const uint8_t* cdb, size_t cdbLength, DataDirection direction,
                             uint8_t* data, uint32_t transferLength) {
  Update();
  const uint64_t now = NowMs();
  TraceEntry entry;
  entry.adapter = adapter_;
  entry.target = target_;
  entry.letter = letter_;
  if (cdb) entry.cdb.assign(cdb, cdb + std::min<size_t>(cdbLength, 16));
  entry.direction = direction;
  entry.transferLength = transferLength;
  entry.atMs = now;

  Reply reply;
  const uint8_t opcode = (cdb && cdbLength > 0) ? cdb[0] : 0xFF;
  if (!cdb || cdbLength < 6) {
    reply = Check(kInvalidField);
  } else {
    const bool bufferCommand = opcode == op::kReadBuffer || opcode == op::kWriteBuffer;
    CommandFault* fault = MatchFault(opcode, bufferCommand ? cdb[2] : -1,
                                     bufferCommand ? int64_t{Big24(&cdb[3])} : -1);
    // INQUIRY and REQUEST SENSE are answered in every state.
    const bool alwaysAnswered = opcode == op::kInquiry || opcode == op::kRequestSense;
    // Event polling neither reports nor clears a unit attention.
    const bool passesAttention = alwaysAnswered || opcode == op::kGetEventStatus;
    Handler handler = HandlerFor(opcode);
    if (fault && fault->action == CommandFault::Action::Fail) {
      reply = Check(fault->sense);
    } else if (!handler) {
      reply = Check(kInvalidOpcode);
    } else if (unitAttention_ && !passesAttention) {
      unitAttention_ = false;
      reply = Check(kMediumChanged);
    } else if (programming_ && !alwaysAnswered) {
      reply = Check(kOperationInProgress);
    } else {
      Request request{cdb, cdbLength, nullptr, 0, transferLength};
      if (direction != DataDirection::In && data) {
        request.out = data;
        request.outLength = transferLength;
      }
      reply = (this->*handler)(request);
    }
    if (fault && reply.status == ScsiStatus::Good) {
      if (fault->action == CommandFault::Action::Garbage) {
        for (uint8_t& b : reply.in) {
          noiseState_ ^= noiseState_ << 13;
          noiseState_ ^= noiseState_ >> 17;
          noiseState_ ^= noiseState_ << 5;
          b = static_cast<uint8_t>(noiseState_);
        }
      } else if (fault->action == CommandFault::Action::Short) {
        reply.in.resize(std::min<size_t>(reply.in.size(), fault->shortBytes));
      } else if (fault->action == CommandFault::Action::Blank) {
        std::fill(reply.in.begin(), reply.in.end(), uint8_t{0});
      }
    }
    if (fault && fault->action == CommandFault::Action::Hold && reply.durationMs != kNever) {
      reply.durationMs += fault->holdMs;
    } else if (fault && fault->action == CommandFault::Action::NeverAnswer) {
      reply.durationMs = kNever;
    }
  }

  CommandResult result;
  result.status = reply.status;
  if (reply.status == ScsiStatus::CheckCondition) {
    result.sense = reply.sense;
    lastSense_ = reply.sense;
  } else {
    lastSense_ = kNoSense;
    if (!reply.in.empty() && direction != DataDirection::Out && data) {
      result.transferred = static_cast<uint32_t>(std::min<size_t>(reply.in.size(), transferLength));
      std::memcpy(data, reply.in.data(), result.transferred);
    } else {
      result.transferred = reply.outUsed;
    }
  }
  result.completesAtMs = reply.durationMs == kNever ? kNever : now + reply.durationMs;
  Update();  // programming of 0 ms is over at once

  entry.status = result.status;
  entry.sense = result.sense;
  entry.transferred = result.transferred;
  entry.completesAtMs = result.completesAtMs;
  trace_->Record(std::move(entry));
  return result;
}

Drive::Reply Drive::TestUnitReady(const Request&) {
  const Sense medium = MediumSense();
  return medium == kNoSense ? Reply{} : Check(medium);
}

Drive::Reply Drive::RequestSense(const Request& request) {
  Reply r;
  r.in.assign(24, 0);
  r.in[0] = 0x70;
  r.in[2] = lastSense_.key;
  r.in[7] = 24 - 8;
  r.in[12] = lastSense_.asc;
  r.in[13] = lastSense_.ascq;
  r.in.resize(std::min<size_t>(r.in.size(), request.cdb[4]));
  return r;
}

Drive::Reply Drive::InquiryCommand(const Request& request) {
  const uint8_t* cdb = request.cdb;
  const size_t allocation = size_t{cdb[3]} << 8 | cdb[4];
  if (cdb[1] & 0x02) return Check(kInvalidField);  // no command support data
  Reply r;
  if (cdb[1] & 0x01) {
    r = VitalProductData(cdb[2]);
  } else if (cdb[2] != 0) {
    return Check(kInvalidField);
  } else {
    r.in.assign(inquiry_.begin(), inquiry_.end());
  }
  if (r.in.size() > allocation) r.in.resize(allocation);
  return r;
}

// Pages 00h (the list), 80h (serial number) and 83h (a T10 vendor id).
Drive::Reply Drive::VitalProductData(uint8_t page) {
  std::vector<uint8_t> body;
  if (page == 0x00) {
    body = {0x00, 0x80, 0x83};
  } else if (page == 0x80) {
    body.assign(config_.serial.begin(), config_.serial.end());
  } else if (page == 0x83) {
    std::string id(24, ' ');
    std::memcpy(&id[0], &inquiry_[8], 24);
    id += config_.serial;
    if (id.size() > 0xFF) id.resize(0xFF);
    body = {0x02, 0x01, 0x00, static_cast<uint8_t>(id.size())};  // ASCII, T10 vendor id
    body.insert(body.end(), id.begin(), id.end());
  } else {
    return Check(kInvalidField);
  }
  Reply r;
  r.in = {inquiry_[0], page, static_cast<uint8_t>(body.size() >> 8),
          static_cast<uint8_t>(body.size())};
  r.in.insert(r.in.end(), body.begin(), body.end());
  return r;
}

Drive::Reply Drive::ReadBuffer(const Request& request) {
  if (!config_.kestrelCommands || request.cdbLength < 10 || (request.cdb[1] & 0x1F) != 0x01 ||
      request.cdb[2] != buffer_id::kFlash) {
    return Check(kInvalidField);
  }
  const uint32_t offset = Big24(&request.cdb[3]);
  const uint32_t length = Big24(&request.cdb[6]);
  Reply r;
  const bool romIdRead = length == 32 && (offset == 0x100 || offset == 0x1000 || offset == 0x2000);
  if (romIdRead) {
    // Only the drive's own identification place carries the block.
    if (offset == config_.romIdOffset) {
      auto block = RomIdBlock();
      r.in.assign(block.begin(), block.end());
    } else {
      r.in.assign(32, 0xFF);
    }
    return r;
  }
  if (offset > kFlashSize || length > kFlashSize - offset) return Check(kInvalidField);
  r.in.assign(flash_.begin() + offset, flash_.begin() + offset + length);
  for (uint32_t bad : corruptOffsets_) {
    if (bad >= offset && bad < offset + length) r.in[bad - offset] ^= 0xFF;
  }
  return r;
}

Drive::Reply Drive::WriteBuffer(const Request& request) {
  if (!config_.kestrelCommands || request.cdbLength < 10 || (request.cdb[1] & 0x1F) != 0x01) {
    return Check(kInvalidField);
  }
  const uint8_t id = request.cdb[2];
  const uint32_t offset = Big24(&request.cdb[3]);
  const uint32_t length = Big24(&request.cdb[6]);
  switch (id) {
    case buffer_id::kPrepare: {
      if (length != 0) return Check(kInvalidField);
      download_.assign(kTrailerOffset + kTrailerSize, 0xFF);
      nextBlock_ = 0;
      return Reply{};
    }
    case buffer_id::kDownload: {
      if (nextBlock_ < 0 || nextBlock_ > 4) return Check(kInvalidField);
      const bool trailer = nextBlock_ == 4;
      const uint32_t wantOffset = trailer ? kTrailerOffset : nextBlock_ * kDownloadBlockSize;
      const uint32_t wantLength = trailer ? kTrailerSize : kDownloadBlockSize;
      if (offset != wantOffset || length != wantLength || request.outLength < length ||
          !request.out) {
        ResetDownload();
        return Check(kInvalidField);
      }
      // The trailer ends with the 16-byte marker block that begins "WIN2".
      if (trailer && std::memcmp(request.out + 0x1000, "WIN2", 4) != 0) {
        ResetDownload();
        return Check(kInvalidField);
      }
      std::memcpy(&download_[offset], request.out, length);
      ++nextBlock_;
      Reply r;
      r.outUsed = length;
      return r;
    }
    case buffer_id::kProgram: {
      if (length != 0) return Check(kInvalidField);
      if (nextBlock_ != 5) return Check(kSequenceError);
      nextBlock_ = -1;
      programming_ = true;
      Reply r;
      if (neverFinishes_) {
        // Power goes while the flash is half written.
        std::fill(flash_.begin(), flash_.end(), 0xFF);
        for (size_t i = 0; i < 0x3000; ++i) {
          noiseState_ ^= noiseState_ << 13;
          noiseState_ ^= noiseState_ >> 17;
          noiseState_ ^= noiseState_ << 5;
          flash_[i] = static_cast<uint8_t>(noiseState_);
        }
        ++flashGeneration_;
        programmingEndsMs_ = kNever;
        r.durationMs = kNever;
      } else {
        programmingEndsMs_ = NowMs() + config_.programmingMs;
        r.durationMs = config_.programmingMs;
      }
      return r;
    }
    default:
      return Check(kInvalidField);
  }
}

Drive::Reply Drive::SpeedCommand(const Request& request) {
  SpeedReply answer = speed_.Execute(request.cdb, request.cdbLength, discPresent_);
  if (!answer.good) return Check(answer.sense);
  Reply r;
  r.in = std::move(answer.in);
  r.durationMs = answer.durationMs;
  return r;
}

}  // namespace kestrel::sim
