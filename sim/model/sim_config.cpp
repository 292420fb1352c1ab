#include "sim/model/sim_config.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <optional>

namespace kestrel::sim {

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string Unquote(const std::string& s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

// Words separated by blanks; a double-quoted stretch keeps its blanks.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

bool ParseDecimal(const std::string& s, uint64_t& value) {
  if (s.empty() || s.size() > 12) return false;
  value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

bool ParseHex(std::string s, uint32_t& value) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = s.substr(2);
  if (!s.empty() && (s.back() == 'h' || s.back() == 'H')) s.pop_back();
  if (s.empty() || s.size() > 8) return false;
  value = 0;
  for (char c : s) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    value = value * 16 +
            static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                      ? c - '0'
                                      : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
  }
  return true;
}

bool ParseSense(const std::string& s, Sense& sense) {
  if (s.size() != 8 || s[2] != '/' || s[5] != '/') return false;
  uint32_t k, a, q;
  if (!ParseHex(s.substr(0, 2), k) || !ParseHex(s.substr(3, 2), a) || !ParseHex(s.substr(6, 2), q))
    return false;
  sense = Sense{static_cast<uint8_t>(k), static_cast<uint8_t>(a), static_cast<uint8_t>(q)};
  return true;
}

// key=value options after the first word of a line.
struct Options {
  std::vector<std::string> bare;
  std::map<std::string, std::string> values;
};

Options SplitOptions(const std::vector<std::string>& words, size_t from) {
  Options o;
  for (size_t i = from; i < words.size(); ++i) {
    size_t eq = words[i].find('=');
    if (eq == std::string::npos) {
      o.bare.push_back(words[i]);
    } else {
      o.values[words[i].substr(0, eq)] = words[i].substr(eq + 1);
    }
  }
  return o;
}

// The faults of one opcode's commands, by their ini word.
std::optional<CommandFault::Action> CommandFaultAction(const std::string& kind) {
  using A = CommandFault::Action;
  static const std::map<std::string, A> actions = {
      {"fail", A::Fail},   {"garbage", A::Garbage}, {"short", A::Short},
      {"blank", A::Blank}, {"hold", A::Hold},       {"never_answer", A::NeverAnswer}};
  auto it = actions.find(kind);
  if (it == actions.end()) return std::nullopt;
  return it->second;
}

class Parser {
 public:
  SimConfig Run(const std::string& text) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      ++lineNumber_;
      Line(Trim(text.substr(start, end - start)));
      start = end + 1;
    }
    return std::move(config_);
  }

 private:
  void Error(const std::string& what) {
    config_.errors.push_back("line " + std::to_string(lineNumber_) + ": " + what);
  }

  DriveSetup& Scope() {
    if (current_) return *current_;
    return config_.defaults;
  }

  void Line(const std::string& line) {
    if (line.empty() || line[0] == '#' || line[0] == ';') return;
    size_t eq = line.find('=');
    if (eq == std::string::npos) return Error("expected key=value");
    std::string key = Trim(line.substr(0, eq));
    std::string rest = Trim(line.substr(eq + 1));
    if (key == "adapter") return Adapter(Unquote(rest));
    std::vector<std::string> words = Words(rest);
    if (words.empty()) return Error("no value for " + key);
    if (key == "target") return Target(words);
    if (key == "letter") return Letter(words);
    if (key == "fault") return Fault(words);
    if (key == "programming_ms") {
      ProgrammingMs(Scope(), words[0]);
      return;
    }
    if (key == "disc") {
      Disc(Scope(), words[0]);
      return;
    }
    if (IsRegionSetting(key)) {
      RegionSetting(Scope(), key, words[0]);
      return;
    }
    if (IsSpeedKey(key)) {
      SpeedKey(Scope(), key, words[0]);
      return;
    }
    Error("unknown key '" + key + "'");
  }

  void Adapter(const std::string& identifier) {
    if (identifier.empty()) return Error("adapter without identifier");
    if (identifier.size() > 16) Error("adapter identifier longer than 16 characters, cut");
    config_.adapters.push_back({identifier.substr(0, 16), {}});
    current_ = nullptr;
  }

  void Target(const std::vector<std::string>& words) {
    if (config_.adapters.empty()) return Error("target before any adapter");
    uint64_t number;
    if (!ParseDecimal(words[0], number) || number >= kTargetsPerAdapter)
      return Error("bad target id");
    Options o = SplitOptions(words, 1);
    bool other = false;
    for (const std::string& b : o.bare) {
      if (b == "other") {
        other = true;
      } else if (b != "kestrel") {
        return Error("unknown word '" + b + "'");
      }
    }
    DriveSetup setup = config_.defaults;
    DriveConfig& c = setup.config;
    if (other) {
      c = OtherDrive("OTHER   ", "DVD-ROM", "1.00", 5);
      setup.faults.clear();
      setup.corruptOffsets.clear();
      setup.neverFinishes = false;
    }
    for (const auto& [k, v] : o.values) {
      if (!TargetKey(setup, k, v)) return;
    }
    auto& targets = config_.adapters.back().targets;
    for (auto it = targets.begin(); it != targets.end(); ++it) {
      if (it->target == number) {
        targets.erase(it);
        break;
      }
    }
    targets.push_back({static_cast<uint8_t>(number), setup});
    current_ = &targets.back().drive;
  }

  bool TargetKey(DriveSetup& setup, const std::string& k, const std::string& v) {
    DriveConfig& c = setup.config;
    uint64_t n;
    uint32_t h;
    if (k == "model") {
      DriveConfig model = KestrelDrive(v);
      c.product = model.product;
      c.firmwareTag = model.firmwareTag;
    } else if (k == "vendor") {
      c.vendor = v;
    } else if (k == "product") {
      c.product = v;
    } else if (k == "rev") {
      c.revision = v;
    } else if (k == "date") {
      c.firmwareDate = v;
    } else if (k == "cpu") {
      c.cpuName = v;
    } else if (k == "tag") {
      c.firmwareTag = v;
    } else if (k == "serial") {
      c.serial = v;
    } else if (k == "byte36") {
      c.byte36 = v.empty() ? ' ' : static_cast<uint8_t>(v[0]);
    } else if (k == "type") {
      if (!ParseDecimal(v, n) || n > 0x1F) return Error("bad type"), false;
      c.peripheralType = static_cast<uint8_t>(n);
    } else if (k == "idblock") {
      if (!ParseHex(v, h) || (h != 0x1000 && h != 0x100 && h != 0x2000))
        return Error("bad idblock"), false;
      c.romIdOffset = h;
    } else if (k == "programming_ms") {
      return ProgrammingMs(setup, v);
    } else if (k == "disc") {
      return Disc(setup, v);
    } else if (IsRegionSetting(k)) {
      return RegionSetting(setup, k, v);
    } else if (IsSpeedKey(k)) {
      return SpeedKey(setup, k, v);
    } else {
      Error("unknown target key '" + k + "'");
      return false;
    }
    return true;
  }

  bool ProgrammingMs(DriveSetup& setup, const std::string& v) {
    uint64_t n;
    if (!ParseDecimal(v, n)) return Error("bad programming_ms"), false;
    setup.config.programmingMs = n;
    return true;
  }

  bool Disc(DriveSetup& setup, const std::string& v) {
    if (DiscContentFor(v, setup.config.region)) {
      setup.config.discPresent = true;
      return true;
    }
    if (v != "none" && v != "present")
      return Error("disc is none, present, unprotected, css or unknown"), false;
    setup.config.discPresent = v == "present";
    return true;
  }

  bool RegionSetting(DriveSetup& setup, const std::string& k, const std::string& v) {
    std::string error;
    if (!ApplyRegionSetting(k, v, setup.config.region, error)) return Error(error), false;
    return true;
  }

  bool SpeedKey(DriveSetup& setup, const std::string& k, const std::string& v) {
    std::string error;
    if (!ParseSpeedKey(setup.config.speed, k, v, error)) return Error(error), false;
    return true;
  }

  void Letter(const std::vector<std::string>& words) {
    uint64_t a, t;
    if (words.size() != 3 || words[0].size() != 1 || !ParseDecimal(words[1], a) ||
        !ParseDecimal(words[2], t) || a > 255 || t >= kTargetsPerAdapter) {
      return Error("letter=X adapter target");
    }
    char l = static_cast<char>(std::toupper(static_cast<unsigned char>(words[0][0])));
    if (l < 'D' || l > 'Z') return Error("letter must be D to Z");
    config_.letters.push_back({l, static_cast<uint8_t>(a), static_cast<uint8_t>(t)});
  }

  void Fault(const std::vector<std::string>& words) {
    const std::string& kind = words[0];
    Options o = SplitOptions(words, 1);
    DriveSetup& setup = Scope();
    uint32_t h;
    uint64_t n;
    if (kind == "readback_differs") {
      uint32_t offset = 0x2345;
      if (!o.bare.empty() && (!ParseHex(o.bare[0], offset) || offset >= kFlashSize))
        return Error("bad offset");
      setup.corruptOffsets.push_back(offset);
    } else if (kind == "readback_empty") {
      if (o.bare.empty() || !ParseDecimal(o.bare[0], n) || n > 3)
        return Error("readback_empty 0 to 3");
      setup.faults.push_back(EmptyReadBackFault(static_cast<int>(n)));
    } else if (kind == "never_finishes") {
      setup.neverFinishes = true;
    } else if (kind == "cpu_block_at") {
      if (o.bare.empty() || !ParseHex(o.bare[0], h) || (h != 0x1000 && h != 0x100 && h != 0x2000)) {
        return Error("cpu_block_at 1000, 100 or 2000");
      }
      setup.config.romIdOffset = h;
    } else if (kind == "refuse_block") {
      if (o.bare.empty() || !ParseDecimal(o.bare[0], n) || n > 4)
        return Error("refuse_block 0 to 4");
      CommandFault f;
      f.opcode = op::kWriteBuffer;
      f.bufferId = buffer_id::kDownload;
      f.nth = static_cast<int>(n) + 1;
      f.sense = kInvalidField;
      if (o.values.count("sense") && !ParseSense(o.values["sense"], f.sense))
        return Error("bad sense");
      setup.faults.push_back(f);
    } else if (CommandFaultAction(kind)) {
      CommandFault f;
      f.action = *CommandFaultAction(kind);
      if (!o.values.count("opcode") || !ParseHex(o.values["opcode"], h) || h > 0xFF)
        return Error("bad opcode");
      f.opcode = static_cast<uint8_t>(h);
      if (o.values.count("id")) {
        if (!ParseHex(o.values["id"], h) || h > 0xFF) return Error("bad id");
        f.bufferId = static_cast<int>(h);
      }
      if (o.values.count("nth")) {
        if (!ParseDecimal(o.values["nth"], n) || n == 0 || n > 1000000) return Error("bad nth");
        f.nth = static_cast<int>(n);
      }
      if (o.values.count("count")) {
        if (!ParseDecimal(o.values["count"], n) || n > 1000000) return Error("bad count");
        f.count = static_cast<int>(n);
      }
      if (o.values.count("sense") && !ParseSense(o.values["sense"], f.sense))
        return Error("bad sense");
      if (f.action == CommandFault::Action::Short) {
        if (!o.values.count("bytes") || !ParseDecimal(o.values["bytes"], n) || n > 0xFFFFFF) {
          return Error("short needs bytes=");
        }
        f.shortBytes = static_cast<uint32_t>(n);
      }
      if (f.action == CommandFault::Action::Hold) {
        if (!o.values.count("ms") || !ParseDecimal(o.values["ms"], n))
          return Error("hold needs ms=");
        f.holdMs = n;
      }
      setup.faults.push_back(f);
    } else if (kind == "refuse_request") {
      if (!o.values.count("nth") || !ParseDecimal(o.values["nth"], n) || n == 0 || n > 1000000) {
        return Error("refuse_request needs nth=");
      }
      config_.refuseNth = static_cast<int>(n);
      if (o.values.count("status")) {
        if (!ParseHex(o.values["status"], h) || h > 0xFF || h == 0) return Error("bad status");
        config_.refuseStatus = static_cast<uint8_t>(h);
      }
      if (o.values.count("count")) {
        if (!ParseDecimal(o.values["count"], n) || n > 1000000) return Error("bad count");
        config_.refuseCount = static_cast<int>(n);
      }
    } else if (kind == "support_info") {
      if (o.bare.empty() || !ParseHex(o.bare[0], h) || h == 0 || h > 0xFF)
        return Error("bad status");
      config_.supportInfoFailure = static_cast<uint8_t>(h);
    } else if (kind == "no_adapters") {
      config_.noAdapters = true;
    } else {
      Error("unknown fault '" + kind + "'");
    }
  }

  SimConfig config_;
  DriveSetup* current_ = nullptr;  // the target declared last
  int lineNumber_ = 0;
};

void Apply(const DriveSetup& setup, Drive& drive) {
  for (const CommandFault& f : setup.faults) drive.AddFault(f);
  for (uint32_t offset : setup.corruptOffsets) drive.CorruptReadBack(offset);
  drive.ProgrammingNeverFinishes(setup.neverFinishes);
}

}  // namespace

SimConfig ParseSimConfig(const std::string& text) { return Parser().Run(text); }

void BuildBus(const SimConfig& config, Bus& bus) {
  if (config.noAdapters) return;
  if (config.adapters.empty()) {
    bus.AddAdapter("intelata").AddTarget(0, config.defaults.config);
    Apply(config.defaults, *bus.DriveAt(0, 0));
  }
  for (const auto& adapter : config.adapters) {
    Adapter& a = bus.AddAdapter(adapter.identifier);
    for (const auto& t : adapter.targets) {
      a.AddTarget(t.target, t.drive.config);
      Apply(t.drive, *a.Target(t.target));
    }
  }
  for (const auto& l : config.letters) bus.MapLetter(l.letter, l.adapter, l.target);
}

void ApplyManagerFaults(const SimConfig& config, AspiManager& manager) {
  if (config.supportInfoFailure) manager.FailSupportInfo(config.supportInfoFailure);
  if (config.refuseNth > 0)
    manager.RefuseRequests(config.refuseNth, config.refuseStatus, config.refuseCount);
}

}  // namespace kestrel::sim
