#include "sim/model/sim_state.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>

namespace kestrel::sim {

namespace {

std::string Hex(const uint8_t* p, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  s.reserve(n * 2);
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unhex(const std::string& s, std::vector<uint8_t>& out) {
  if (s.size() % 2) return false;
  out.clear();
  for (size_t i = 0; i < s.size(); i += 2) {
    int hi = Nibble(s[i]), lo = Nibble(s[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<uint8_t>(hi << 4 | lo));
  }
  return true;
}

constexpr size_t kRow = 64;

std::string RpcLine(const RpcState& rpc) {
  char line[48];
  std::snprintf(line, sizeof line, "rpc %x %x %x %02x %x\n", rpc.typeCode, rpc.userChanges,
                rpc.vendorResets, rpc.regionMask, rpc.scheme);
  return line;
}

// False for a line that is not five hex numbers in their ranges.
bool ParseRpc(std::istringstream& words, RpcState& rpc) {
  unsigned type = 0, changes = 0, resets = 0, mask = 0, scheme = 0;
  if (!(words >> std::hex >> type >> changes >> resets >> mask >> scheme)) return false;
  if (type > 3 || changes > 7 || resets > 7 || mask > 0xFF || scheme > 0xFF) return false;
  rpc = RpcState{static_cast<uint8_t>(type), static_cast<uint8_t>(changes),
                 static_cast<uint8_t>(resets), static_cast<uint8_t>(mask),
                 static_cast<uint8_t>(scheme)};
  return true;
}

}  // namespace

std::string SaveSimState(const Bus& bus) {
  std::string text = "kestrel-sim-state 1\n";
  for (size_t a = 0; a < bus.AdapterCount(); ++a) {
    for (uint8_t t = 0; t < kTargetsPerAdapter; ++t) {
      const Drive* d = bus.DriveAt(a, t);
      if (!d || !d->Config().kestrelCommands) continue;
      char line[64];
      std::snprintf(line, sizeof line, "drive %u %u\n", static_cast<unsigned>(a),
                    static_cast<unsigned>(t));
      text += line;
      text += "product " + Hex(&d->Inquiry()[16], 16) + "\n";
      text += "identity " + Hex(&d->Inquiry()[32], 15) + "\n";
      text += RpcLine(d->Region().Rpc());
      text +=
          d->Speed().PermanentMode() == DriveMode::Quiet ? "mode quiet\n" : "mode performance\n";
      text += d->Speed().ActiveMode() == DriveMode::Quiet ? "active quiet\n" : "active performance\n";
      text += "speed " + std::to_string(d->Speed().SelectedReadSpeed()) + "\n";
      const auto& flash = d->Flash();
      for (size_t o = 0; o + kRow <= flash.size(); o += kRow) {
        bool erased = true;
        for (size_t i = 0; i < kRow && erased; ++i) erased = flash[o + i] == 0xFF;
        if (erased) continue;
        std::snprintf(line, sizeof line, "flash %06x ", static_cast<unsigned>(o));
        text += line + Hex(&flash[o], kRow) + "\n";
      }
      text += "end\n";
    }
  }
  return text;
}

bool LoadSimState(const std::string& text, Bus& bus) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line.rfind("kestrel-sim-state 1", 0) != 0) return false;
  Drive* drive = nullptr;
  bool matches = false;
  std::vector<uint8_t> flash, identity, bytes;
  std::optional<RpcState> rpc;
  std::string mode;  // the permanent drive mode; empty: as configured
  std::string active;  // the mode until power-off; empty: the permanent one
  long speed = -1;  // the selected read speed; -1: none saved
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key == "drive") {
      unsigned a = 0, t = 0;
      words >> a >> t;
      drive = bus.DriveAt(a, t);
      matches = drive && drive->Config().kestrelCommands;
      flash.assign(kFlashSize, 0xFF);
      identity.clear();
      rpc.reset();
      mode.clear();
      active.clear();
      speed = -1;
    } else if (key == "product" && drive) {
      std::string hex;
      words >> hex;
      matches = matches && Unhex(hex, bytes) && bytes.size() == 16 &&
                std::memcmp(bytes.data(), &drive->Inquiry()[16], 16) == 0;
    } else if (key == "identity" && drive) {
      std::string hex;
      words >> hex;
      if (!Unhex(hex, identity) || identity.size() != 15) identity.clear();
    } else if (key == "rpc" && drive) {
      RpcState parsed;
      if (ParseRpc(words, parsed)) rpc = parsed;
    } else if (key == "mode" && drive) {
      words >> mode;
    } else if (key == "active" && drive) {
      words >> active;
    } else if (key == "speed" && drive) {
      unsigned value = 0;
      if (words >> std::dec >> value && value <= 0xFFFF) speed = value;
    } else if (key == "flash" && drive) {
      std::string offsetText, hex;
      words >> offsetText >> hex;
      const unsigned long offset = std::strtoul(offsetText.c_str(), nullptr, 16);
      // Compared without a sum, which a huge offset would wrap.
      if (Unhex(hex, bytes) && offset <= kFlashSize && bytes.size() <= kFlashSize - offset) {
        // An empty row holds nothing to copy (and memcpy takes no null source).
        if (!bytes.empty()) std::memcpy(&flash[offset], bytes.data(), bytes.size());
      } else {
        matches = false;  // a damaged row: keep the drive as configured
      }
    } else if (key == "end" && drive) {
      if (matches) {
        drive->LoadFlash(flash);
        if (identity.size() == 15) {
          std::array<uint8_t, 15> id;
          std::memcpy(id.data(), identity.data(), 15);
          drive->SetInquiryIdentity(id);
        }
        if (rpc) drive->Region().SetRpc(*rpc);
        if (mode == "quiet" || mode == "performance") {
          drive->Speed().SetPermanentMode(mode == "quiet" ? DriveMode::Quiet
                                                          : DriveMode::Performance);
        }
        SpeedState& state = drive->Speed();
        if (!state.OffBetweenRuns() && (active == "quiet" || active == "performance") &&
            speed >= 0) {
          state.Resume(active == "quiet" ? DriveMode::Quiet : DriveMode::Performance,
                       static_cast<uint16_t>(speed));
        }
      }
      drive = nullptr;
    }
  }
  return true;
}

}  // namespace kestrel::sim
