// Drive discovery and the drive-selection check, shared by the utilities.
//
// Which devices a utility lists, and with which text, is a pure function of
// the INQUIRY reply (DiscoveryRule). How the candidates are walked (ASPI
// adapters and targets, or drive letters) is a strategy that the program's
// entry point chooses together with its transport: AspiDiscovery
// (aspi_discovery.h) or LetterDiscovery (letter_discovery.h); how a listed
// drive is made current is its DriveAccess (drive_access.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "drive/drive_access.h"
#include "drive/drive_context.h"
#include "drive/drive_entry.h"
#include "drive/drive_list_view.h"
#include "drive/program_profile.h"
#include "shell/language.h"

namespace kestrel {

// The list item text of a device, or nothing when the utility does not list
// it. inquiry/length is the INQUIRY reply; a reply too short for the fields
// the utility shows is not listed. prefix is "ID=n : " (ASPI) or "L: ".
using EntryTextRule = std::optional<std::string> (*)(const uint8_t* inquiry, size_t length,
                                                     std::string_view prefix);

std::optional<std::string> Tarn9xEntryText(const uint8_t* inquiry, size_t length,
                                           std::string_view prefix);
std::optional<std::string> Mere9xEntryText(const uint8_t* inquiry, size_t length,
                                           std::string_view prefix);
std::optional<std::string> Beck9xEntryText(const uint8_t* inquiry, size_t length,
                                           std::string_view prefix);
std::optional<std::string> Tarn2kEntryText(const uint8_t* inquiry, size_t length,
                                           std::string_view prefix);
std::optional<std::string> Mere2kEntryText(const uint8_t* inquiry, size_t length,
                                           std::string_view prefix);

// INQUIRY bytes 8-18 are "KESTREL DVD" (whatever the device type).
bool IsMakerDvd(const uint8_t* inquiry, size_t length);

// What differs between the utilities in discovery and the selection check.
struct DiscoveryRule {
  EntryTextRule entryText;
  size_t entryCapacity;             // 256; BECK9X 255
  const MessagePair* noInterface;   // ASPI: no host adapter
  const MessagePair* notFound;      // nothing usable was listed
  const MessagePair* notSupported;  // CheckSelectedDrive: drive not in the model table
  bool closeWhenNoneFoundAtSetUp;   // letter walk: TARN2K ends, MERE2K keeps its empty list
};
extern const DiscoveryRule kTarn9xDiscovery;
extern const DiscoveryRule kTarn2kDiscovery;
extern const DiscoveryRule kMere9xDiscovery;
extern const DiscoveryRule kMere2kDiscovery;
extern const DiscoveryRule kBeck9xDiscovery;
extern const DiscoveryRule kBeck2kDiscovery;

// Deletes item 0 as often as the list has items, stopping early when a
// deletion fails.
void EmptyDriveList(DriveListView& view);

enum class DiscoveryOccasion { WindowSetUp, AfterUpdate };

// Empties the window's list and fills it again; may close the window when
// nothing usable is found (see the implementations).
class DriveDiscovery {
 public:
  virtual ~DriveDiscovery() = default;
  virtual void Discover(DriveListView& view, DriveList& list, DiscoveryOccasion occasion) = 0;
};

struct SelectionCheck {
  int32_t result = -1;  // 0 supported and current; -1 otherwise
  std::string logText;  // for appendToLog when result is -1, in the context's language
};

// The firmware utilities' check at the start of an update: takes the list's
// selection when Update was pressed (-1 for none), remembers it in the list, makes its drive
// current (left open on the pass-through build) and runs CheckSupportedDrive on it. The messages
// are the program's (context.profile.discovery).
SelectionCheck CheckSelectedDrive(DriveContext& context, int index, DriveList& list,
                                  DriveAccess& access);

}  // namespace kestrel
