// The MMC basics a host's own drivers send on their own (the Linux sr driver
// at attach and at every open, Wine when it starts): medium events, medium
// locking, the TOC, disc and track information, the capacity, sectors and
// the current profile. The disc is
// blank: kDiscSectors sectors of zeros in one data track.
#include <algorithm>
#include <cstring>
#include <utility>

#include "sim/model/drive_model.h"

namespace kestrel::sim {

namespace {

constexpr uint16_t kProfileDvdRom = 0x0010;
constexpr uint16_t kProfileCdRom = 0x0008;  // listed, never current
constexpr uint8_t kLeadOut = 0xAA;
constexpr uint8_t kDataTrack = 0x14;  // ADR 1, digital data
constexpr uint8_t kMediaClass = 0x10;

uint32_t Be16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }
uint32_t Be32(const uint8_t* p) { return Be16(p) << 16 | Be16(p + 2); }

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t value) {
  v[at] = static_cast<uint8_t>(value >> 8);
  v[at + 1] = static_cast<uint8_t>(value);
}

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t value) {
  Put16(v, at, value >> 16);
  Put16(v, at + 2, value & 0xFFFF);
}

void PutAddress(std::vector<uint8_t>& v, size_t at, uint32_t lba, bool msf) {
  if (!msf) return Put32(v, at, lba);
  const uint32_t frames = lba + 150;  // MSF counts from the 2-second pregap
  v[at] = 0;
  v[at + 1] = static_cast<uint8_t>(std::min<uint32_t>(frames / (75 * 60), 0xFF));
  v[at + 2] = static_cast<uint8_t>(frames / 75 % 60);
  v[at + 3] = static_cast<uint8_t>(frames % 75);
}

}  // namespace

Sense Drive::MediumSense() const {
  if (!discPresent_) return kNoMedium;
  if (NowMs() < readyAtMs_) return kBecomingReady;
  return kNoSense;
}

Drive::Reply Drive::MmcCommand(const Request& request) {
  const uint8_t* cdb = request.cdb;
  if (cdb[0] == op::kPreventAllow) return Reply{};
  if (request.cdbLength < 10) return Check(kInvalidField);
  if (cdb[0] == op::kGetConfiguration) return GetConfiguration(request);
  if (cdb[0] == op::kGetEventStatus) return GetEventStatus(request);
  const Sense medium = MediumSense();
  if (medium != kNoSense) return Check(medium);
  if (cdb[0] == op::kReadToc) return ReadToc(request);
  if (cdb[0] == op::kReadDiscInformation) return ReadDiscInformation(request);
  if (cdb[0] == op::kReadTrackInformation) return ReadTrackInformation(request);
  Reply r;
  if (cdb[0] == op::kReadCapacity) {
    r.in.assign(8, 0);
    Put32(r.in, 0, kDiscSectors - 1);
    Put32(r.in, 4, kSectorSize);
    return r;
  }
  // READ(10): blank sectors, no more than the caller's buffer holds.
  const uint32_t lba = Be32(&cdb[2]);
  const uint32_t count = Be16(&cdb[7]);
  if (lba > kDiscSectors || count > kDiscSectors - lba) return Check(kLbaOutOfRange);
  r.in.assign(std::min<uint64_t>(uint64_t{count} * kSectorSize, request.transferLength), 0);
  return r;
}

Drive::Reply Drive::ReadToc(const Request& request) {
  const uint8_t* cdb = request.cdb;
  const bool msf = cdb[1] & 0x02;
  uint8_t format = cdb[2] & 0x0F;
  if (format == 0) format = cdb[9] >> 6;  // the older place of the format
  const uint8_t track = cdb[6];
  Reply r;
  if (format == 0) {
    if (track > 1 && track != kLeadOut) return Check(kInvalidField);
    const bool withTrack = track <= 1;
    r.in.assign(4 + (withTrack ? 16 : 8), 0);
    size_t at = 4;
    if (withTrack) {
      r.in[at + 1] = kDataTrack;
      r.in[at + 2] = 1;
      PutAddress(r.in, at + 4, 0, msf);
      at += 8;
    }
    r.in[at + 1] = kDataTrack;
    r.in[at + 2] = kLeadOut;
    PutAddress(r.in, at + 4, kDiscSectors, msf);
  } else if (format == 1) {
    // Session information: one session, its first track at the start.
    r.in.assign(12, 0);
    r.in[5] = kDataTrack;
    r.in[6] = 1;
    PutAddress(r.in, 8, 0, msf);
  } else {
    return Check(kInvalidField);
  }
  Put16(r.in, 0, static_cast<uint32_t>(r.in.size() - 2));
  r.in[2] = 1;  // first track (format 1: first session)
  r.in[3] = 1;  // last track (last session)
  r.in.resize(std::min<size_t>(r.in.size(), Be16(&cdb[7])));
  return r;
}

// Standard disc information of a finished, read-only disc: one session,
// one track.
Drive::Reply Drive::ReadDiscInformation(const Request& request) {
  const uint8_t* cdb = request.cdb;
  if ((cdb[1] & 0x07) != 0) return Check(kInvalidField);  // other data types
  Reply r;
  r.in.assign(34, 0);
  Put16(r.in, 0, 32);
  r.in[2] = 0x0E;  // last session complete, disc complete, not erasable
  r.in[3] = 1;     // first track
  r.in[4] = 1;     // sessions
  r.in[5] = 1;     // first and last track of the last session
  r.in[6] = 1;
  Put32(r.in, 16, 0xFFFFFFFF);  // no next lead-in: the disc is finished
  Put32(r.in, 20, 0xFFFFFFFF);
  r.in.resize(std::min<size_t>(r.in.size(), Be16(&cdb[7])));
  return r;
}

// The one track, asked for by an address in it, its number or its session.
Drive::Reply Drive::ReadTrackInformation(const Request& request) {
  const uint8_t* cdb = request.cdb;
  const uint32_t address = Be32(&cdb[2]);
  const uint8_t type = cdb[1] & 0x03;
  if (!(type == 0 ? address < kDiscSectors : (type == 1 || type == 2) && address == 1))
    return Check(kInvalidField);
  Reply r;
  r.in.assign(36, 0);
  Put16(r.in, 0, 34);
  r.in[2] = 1;     // track
  r.in[3] = 1;     // session
  r.in[5] = 0x04;  // data, recorded uninterrupted
  r.in[6] = 0x01;  // data mode 1
  Put32(r.in, 24, kDiscSectors);      // track size
  Put32(r.in, 28, kDiscSectors - 1);  // last recorded address
  r.in.resize(std::min<size_t>(r.in.size(), Be16(&cdb[7])));
  return r;
}

// The profile list and the core feature, nothing more.
Drive::Reply Drive::GetConfiguration(const Request& request) {
  const uint8_t* cdb = request.cdb;
  const uint8_t requestType = cdb[1] & 0x03;
  const uint32_t start = Be16(&cdb[2]);
  if (requestType == 3) return Check(kInvalidField);
  const bool disc = MediumSense() == kNoSense;
  std::vector<uint8_t> profileList = {0x00, 0x00, 0x03, 8, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(profileList, 4, kProfileDvdRom);
  profileList[6] = disc ? 0x01 : 0x00;
  Put16(profileList, 8, kProfileCdRom);
  const std::vector<uint8_t> core = {0x00, 0x01, 0x0B, 8, 0, 0, 0, 2, 0, 0, 0, 0};  // ATAPI
  Reply r;
  r.in.assign(8, 0);
  Put16(r.in, 6, disc ? kProfileDvdRom : 0);
  for (const std::vector<uint8_t>* feature : {&std::as_const(profileList), &core}) {
    const uint32_t code = Be16(feature->data());
    if (requestType == 2 ? code != start : code < start) continue;
    r.in.insert(r.in.end(), feature->begin(), feature->end());
  }
  Put32(r.in, 0, static_cast<uint32_t>(r.in.size() - 4));
  r.in.resize(std::min<size_t>(r.in.size(), Be16(&cdb[7])));
  return r;
}

// Polled only; the media class is the one class the drive reports.
Drive::Reply Drive::GetEventStatus(const Request& request) {
  const uint8_t* cdb = request.cdb;
  if (!(cdb[1] & 0x01)) return Check(kInvalidField);
  Reply r;
  if (cdb[4] & kMediaClass) {
    r.in = {0x00,        0x06,        0x04,
            kMediaClass, mediaEvent_, static_cast<uint8_t>(discPresent_ ? 0x02 : 0x00),
            0x00,        0x00};
    if (Be16(&cdb[7]) >= r.in.size()) mediaEvent_ = 0;  // reported
  } else {
    r.in = {0x00, 0x02, 0x80, kMediaClass};  // no event of the classes asked for
  }
  r.in.resize(std::min<size_t>(r.in.size(), Be16(&cdb[7])));
  return r;
}

}  // namespace kestrel::sim
