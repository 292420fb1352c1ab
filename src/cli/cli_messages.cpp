#include "cli/cli_messages.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "drive/drive_messages.h"
#include "firmware/firmware_messages.h"
#include "region/region_messages.h"
#include "speed/speed_messages.h"

namespace kestrel::cli {
namespace {

// One message: the catalog's pair (its English and Japanese texts, printf
// formats), the tool's text with {1}, {2}... for the pair's values, and
// whether it says that the operation failed.
struct ToolMessage {
  const MessagePair* pair;
  const char* text;
  bool failure = false;
};

// Catalog texts that are no pair there: English in both languages.
constexpr MessagePair Plain(const char* text) { return MessagePair{0, 0, text, text}; }
constexpr MessagePair kFileName = Plain("File Name : %s");
constexpr MessagePair kLoadSuccess = Plain("F/W file load success.");
constexpr MessagePair kFileType = Plain("Firmware File Type : %s");
constexpr MessagePair kVersion = Plain("Version : %s");
constexpr MessagePair kStartCharacter = Plain("Start Charactor is not fouund.");
constexpr MessagePair kFileException = Plain("File Exception Error %x : %s");
constexpr MessagePair kSenseReport = Plain("Sense Code : %02x-%02x-%02x");
constexpr MessagePair kRequestSenseFailed = Plain("Request Sense Comand Failed.");
constexpr MessagePair kSpeedFailedSense = Plain(speed_text::kSpeedChangeFailedFormat);
constexpr MessagePair kSenseLine = Plain(speed_text::kSenseLineFormat);
constexpr MessagePair kSpeedReport = Plain(speed_text::kSpeedReportFormat);
constexpr MessagePair kDiscAllows = Plain("This disc is allowed region%s");

// The sense report's three values stand for themselves.
constexpr const char* kSense = "{sense}";

const std::vector<ToolMessage>& Messages() {
  namespace f = firmware_text;
  namespace r = region_text;
  namespace s = speed_text;
  namespace d = drive_messages;
  static const std::vector<ToolMessage> messages = {
      // Loading a firmware file.
      {&kFileName, "Firmware file: {1}"},
      {&kLoadSuccess, "The file was loaded."},
      {&kFileType, "Firmware type: {1}"},
      {&kVersion, "Version: {1}"},
      {&kStartCharacter, "a record does not start with ':' (not an Intel HEX file)", true},
      {&kFileException, "cannot read the file: {2}", true},
      {&f::kChecksumError, "line {1}: the checksum is wrong", true},
      {&f::kInvalidRecord, "line {1}: not a valid record", true},
      {&f::kMissingEndRecord, "the file is incomplete: its end-of-file record is missing", true},
      {&f::kAddressOutOfRange, "line {1}: the address is out of range", true},
      {&f::kLinearAddress, "line {1}: an extended linear address is not supported", true},
      // The update.
      {&f::kFileNotAvailable, "the file holds no signed firmware image", true},
      {&f::kCpuMismatch, "the file's firmware is for another CPU than the drive's", true},
      {&f::kFileInappropriate, "the file's firmware is not for this drive", true},
      {&f::kStartUpdate, "Update started."},
      {&f::kVerifySuccess, "Firmware verified."},
      {&f::kVerifyFailure, "the flash read back differs from the file", true},
      {&f::kUpdateSucceeded, "Update completed."},
      {&f::kUpdateFailed, "the update failed", true},
      {&kSenseReport, kSense, true},
      {&kRequestSenseFailed, "the drive gave no sense data", true},
      // The selected drive.
      {&d::kNoDriveSelected, "no drive was selected", true},
      {&d::kDeviceOpenFailed, "the device cannot be opened", true},
      {&d::kDriveNotSupported, "the drive is not a supported Kestrel drive", true},
      // Region.
      {&r::kNoSelectionMere2k, "no drive was selected", true},
      {&r::kGetDriveRegionFailed, "the drive did not report its region", true},
      {&r::kChangesLeft, "Region changes left: {1}."},
      {&r::kNoRpc2, "The drive does not support RPC Phase II."},
      {&r::kDriveRegion[0], "Drive region: 1."},
      {&r::kDriveRegion[1], "Drive region: 2."},
      {&r::kDriveRegion[2], "Drive region: 3."},
      {&r::kDriveRegion[3], "Drive region: 4."},
      {&r::kDriveRegion[4], "Drive region: 5."},
      {&r::kDriveRegion[5], "Drive region: 6."},
      {&r::kDriveNoRegion, "The drive has no region set."},
      {&r::kDriveInvalidRegion, "The drive reports an unknown region (mask {1}h)."},
      {&r::kGetDiscRegionFailed, "The disc's regions could not be read."},
      {&r::kNoProtection, "The disc is not copy-protected: it plays in every region."},
      {&kDiscAllows, "Disc regions: {1}."},
      {&r::kUnknownProtection, "The disc has an unknown copy protection."},
      {&r::kAlreadyPermanent, "the drive's region is permanent already", true},
      {&r::kAlreadyThisRegion, "The drive's region is {1} already; nothing was changed."},
      {&r::kTocReadInProgress, "The drive is reading the disc..."},
      {&r::kDiscNotPresent, "no disc in the drive: insert a DVD"},
      {&r::kCanceled, "Cancelled; nothing was changed."},
      {&r::kUnknownError, "the region change failed for an unknown reason", true},
      {&r::kRegionNotSelected, "no valid region was given", true},
      {&r::kSetSucceeded, "Region set."},
      {&r::kSetFailed, "the drive did not set its region", true},
      // Speed.
      {&s::kSpeedMessages[s::kNoAvailableDrive], "no drive was selected", true},
      {&s::kSpeedMessages[s::kNoValidItem], "no drive was selected", true},
      {&s::kSpeedMessages[s::kDeviceOpenFailed], "the device cannot be opened", true},
      {&s::kSpeedMessages[s::kPerformanceModeSet], "The drive is in performance mode now."},
      {&s::kSpeedMessages[s::kQuietModeSet], "The drive is in quiet mode now."},
      {&s::kSpeedMessages[s::kSpeedFieldsNotSupported],
       "The drive does not report its current and maximum speeds."},
      {&s::kSpeedMessages[s::kSpeedChanged], "Read speed changed."},
      {&s::kSpeedMessages[s::kSpeedChangeFailed], "the drive did not change its speed", true},
      {&kSpeedFailedSense, "the drive did not change its speed: sense {1}/{2}/{3}", true},
      {&s::kSpeedLine, "Speed: {1} kbytes/s ({2}x)."},
      {&s::kMaximumSpeedLine, "Speed: maximum."},
      {&s::kCapabilitiesFailed, "the drive did not report its speeds", true},
      {&kSenseLine, "sense {1}/{2}/{3}", true},
      {&kSpeedReport,
       "Current speed: {1} kbytes/s (CD {2}x, DVD {3}x)\n"
       "Maximum speed: {4} kbytes/s (CD {5}x, DVD {6}x)"},
      {&s::kQuietModeNow, "The drive is in quiet mode."},
      {&s::kPerformanceModeNow, "The drive is in performance mode."},
      {&s::kSafetyQuestion, "The spindle is stopped first, for safety."},
      {&s::kOperationCanceled, "Cancelled; the mode was not changed."},
      {&s::kDriveModeFailed, "the drive did not change its mode", true},
  };
  return messages;
}

constexpr size_t kNoMatch = std::string_view::npos;

// Without the "\r" of "\r\n" and without the line ends around it.
std::string Lines(std::string_view text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  const size_t first = lines.find_first_not_of('\n');
  if (first == std::string::npos) return {};
  return lines.substr(first, lines.find_last_not_of('\n') - first + 1);
}

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// How much of the start of `text` the printf format `pattern` produced, with
// its values (hex in capitals, words trimmed); kNoMatch when it did not.
size_t MatchFormat(std::string_view pattern, std::string_view text,
                   std::vector<std::string>& values) {
  size_t p = 0, t = 0;
  while (p < pattern.size()) {
    if (pattern[p] != '%' || (p + 1 < pattern.size() && pattern[p + 1] == '%')) {
      p += pattern[p] == '%' ? 2 : 1;
      if (t >= text.size() || text[t] != pattern[p - 1]) return kNoMatch;
      ++t;
      continue;
    }
    size_t q = p + 1;
    while (q < pattern.size() && std::strchr("-+ #0123456789.l", pattern[q]) != nullptr) ++q;
    if (q >= pattern.size()) return kNoMatch;
    const char conversion = pattern[q];
    p = q + 1;
    const size_t start = t;
    if (conversion == 's') {
      // A word runs to the pattern's next character or the line's end.
      const char stop = p < pattern.size() ? pattern[p] : '\n';
      while (t < text.size() && text[t] != stop && text[t] != '\n') ++t;
    } else if (conversion == 'd') {
      if (t < text.size() && text[t] == '-') ++t;
      while (t < text.size() && IsDigit(text[t])) ++t;
    } else if (conversion == 'x' || conversion == 'X') {
      while (t < text.size() && IsHex(text[t])) ++t;
    } else if (conversion == 'f') {
      while (t < text.size() && (IsDigit(text[t]) || text[t] == '.')) ++t;
    } else {
      return kNoMatch;
    }
    if (t == start && conversion != 's') return kNoMatch;
    std::string value(text.substr(start, t - start));
    if (conversion == 'x' || conversion == 'X') {
      for (char& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const size_t a = value.find_first_not_of(' ');
    value = a == std::string::npos ? "" : value.substr(a, value.find_last_not_of(' ') - a + 1);
    values.push_back(value);
  }
  return t;
}

std::string Fill(const char* text, const std::vector<std::string>& values) {
  if (std::strcmp(text, kSense) == 0 && values.size() == 3) {
    SenseCodes codes;
    codes.keyByte = static_cast<uint8_t>(std::stoul(values[0], nullptr, 16));
    codes.asc = static_cast<uint8_t>(std::stoul(values[1], nullptr, 16));
    codes.ascq = static_cast<uint8_t>(std::stoul(values[2], nullptr, 16));
    return SenseText(codes);
  }
  std::string filled;
  for (const char* c = text; *c != '\0'; ++c) {
    if (c[0] == '{' && IsDigit(c[1]) && c[2] == '}') {
      const size_t index = static_cast<size_t>(c[1] - '1');
      if (index < values.size()) filled += values[index];
      c += 2;
      continue;
    }
    filled += *c;
  }
  return filled;
}

const char* SenseKeyName(uint8_t key) {
  static constexpr const char* kKeys[16] = {
      "no sense",        "recovered error", "not ready",       "medium error",
      "hardware error",  "illegal request", "unit attention",  "data protect",
      "blank check",     "vendor specific", "copy aborted",    "aborted command",
      "equal",           "volume overflow", "miscompare",      "completed"};
  return kKeys[key & 0x0F];
}

// The additional sense codes these drives report, by ASC (and ASCQ where it
// tells more).
const char* AdditionalSenseName(uint8_t asc, uint8_t ascq) {
  struct Code {
    uint8_t asc;
    int ascq;  // -1: any
    const char* name;
  };
  static constexpr Code kCodes[] = {
      {0x04, 0x01, "becoming ready"},
      {0x04, 0x07, "operation in progress"},
      {0x04, -1, "not ready"},
      {0x0C, -1, "write error"},
      {0x11, -1, "unrecovered read error"},
      {0x1A, -1, "parameter list length error"},
      {0x20, -1, "invalid command operation code"},
      {0x21, -1, "address out of range"},
      {0x24, -1, "invalid field in CDB"},
      {0x26, -1, "invalid field in parameter list"},
      {0x28, -1, "medium may have changed"},
      {0x29, -1, "power on or reset"},
      {0x2C, -1, "command sequence error"},
      {0x3A, -1, "no medium"},
      {0x44, -1, "internal target failure"},
      {0x6F, -1, "copy protection key exchange failure"},
  };
  for (const Code& code : kCodes) {
    if (code.asc == asc && (code.ascq < 0 || code.ascq == ascq)) return code.name;
  }
  return nullptr;
}

}  // namespace

std::string SenseText(const SenseCodes& codes) {
  char text[80];
  const char* name = AdditionalSenseName(codes.asc, codes.ascq);
  std::snprintf(text, sizeof text, "sense %02X/%02X/%02X (%s)", codes.keyByte, codes.asc,
                codes.ascq, name ? name : SenseKeyName(codes.SenseKey()));
  return text;
}

ToolLog ToolText(const std::string& logged) {
  const std::string text = Lines(logged);
  ToolLog log;
  size_t at = 0;
  while (at < text.size()) {
    if (text[at] == '\n') {
      ++at;
      continue;
    }
    const std::string_view rest = std::string_view(text).substr(at);
    const ToolMessage* found = nullptr;
    size_t used = 0;
    std::vector<std::string> values;
    for (const ToolMessage& message : Messages()) {
      for (const char* catalog : {message.pair->english, message.pair->japanese}) {
        values.clear();
        const size_t n = MatchFormat(Lines(catalog), rest, values);
        // A match ends at a line's end.
        if (n == kNoMatch || n == 0 || (n < rest.size() && rest[n] != '\n')) continue;
        found = &message, used = n;
        break;
      }
      if (found != nullptr) break;
    }
    if (found == nullptr) {
      // Not a message: the line as it is.
      used = rest.find('\n');
      if (used == std::string_view::npos) used = rest.size();
      log.text += std::string(rest.substr(0, used)) + "\n";
    } else if (found->failure) {
      log.failure += (log.failure.empty() ? "" : ": ") + Fill(found->text, values);
    } else {
      log.text += Fill(found->text, values) + "\n";
    }
    at += used;
  }
  return log;
}

}  // namespace kestrel::cli
