#include "sim/model/trace.h"

#include <cstdio>

namespace kestrel::sim {

int TraceEntry::bufferId() const {
  if (cdb.size() < 3) return -1;
  if (cdb[0] != op::kReadBuffer && cdb[0] != op::kWriteBuffer) return -1;
  return cdb[2];
}

void Trace::Record(TraceEntry entry) {
  entries_.push_back(std::move(entry));
  if (listener_) listener_(entries_.back());
}

std::vector<TraceEntry> Trace::Commands(uint8_t opcode, int bufferId) const {
  std::vector<TraceEntry> found;
  for (const TraceEntry& e : entries_) {
    if (e.kind != TraceEntry::Kind::Command || e.opcode() != opcode) continue;
    if (bufferId >= 0 && e.bufferId() != bufferId) continue;
    found.push_back(e);
  }
  return found;
}

size_t Trace::CountCommands(uint8_t opcode, int bufferId) const {
  return Commands(opcode, bufferId).size();
}

namespace {

const char* DirectionName(DataDirection d) {
  switch (d) {
    case DataDirection::In:
      return "in";
    case DataDirection::Out:
      return "out";
    case DataDirection::None:
      break;
  }
  return "none";
}

void AppendAddress(std::string& line, const TraceEntry& e) {
  char text[32];
  if (e.adapter >= 0) {
    std::snprintf(text, sizeof text, " a=%d", e.adapter);
    line += text;
  }
  if (e.target >= 0) {
    std::snprintf(text, sizeof text, " t=%d", e.target);
    line += text;
  }
  if (e.letter != 0) {
    std::snprintf(text, sizeof text, " L=%c", e.letter);
    line += text;
  }
}

void AppendRequest(std::string& line, const TraceEntry& e) {
  line += " cdb=";
  char text[64];
  for (size_t i = 0; i < e.cdb.size(); ++i) {
    std::snprintf(text, sizeof text, i == 0 ? "%02x" : " %02x", e.cdb[i]);
    line += text;
  }
  std::snprintf(text, sizeof text, " dir=%s len=%u", DirectionName(e.direction),
                static_cast<unsigned>(e.transferLength));
  line += text;
}

}  // namespace

std::string FormatTraceLine(const TraceEntry& e) {
  std::string line;
  char text[64];
  switch (e.kind) {
    case TraceEntry::Kind::AdapterInquiry:
      std::snprintf(text, sizeof text, "ha_inquiry a=%d", e.adapter);
      line = text;
      line += " status=" + e.note;
      return line;
    case TraceEntry::Kind::Rejected:
      line = "rejected";
      AppendAddress(line, e);
      AppendRequest(line, e);
      line += " why=" + e.note;
      return line;
    case TraceEntry::Kind::Command:
      break;
  }
  line = "cmd";
  AppendAddress(line, e);
  AppendRequest(line, e);
  std::snprintf(text, sizeof text, " moved=%u", static_cast<unsigned>(e.transferred));
  line += text;
  if (e.status == ScsiStatus::Good) {
    line += " status=good";
  } else {
    std::snprintf(text, sizeof text, " status=check sense=%02x/%02x/%02x", e.sense.key, e.sense.asc,
                  e.sense.ascq);
    line += text;
  }
  if (e.completesAtMs == kNever) {
    line += " ends=never";
  } else if (e.completesAtMs > e.atMs) {
    std::snprintf(text, sizeof text, " ends=+%llums",
                  static_cast<unsigned long long>(e.completesAtMs - e.atMs));
    line += text;
  }
  return line;
}

}  // namespace kestrel::sim
