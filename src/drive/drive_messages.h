// Messages of drive discovery, the drive-selection check and the sense report.
// Pairs carry their string-table ids where the string table holds them (0 for
// texts kept in program data); English-only texts are plain constants.
#pragma once
#include <cstddef>

#include "shell/language.h"

namespace kestrel::drive_messages {

// No ASPI host adapter at all; BECK9X has its own Japanese wording.
extern const MessagePair kNoAtapiInterface;
extern const MessagePair kNoAtapiInterfaceBeck9x;
// Discovery listed nothing usable; BECK9X ends both texts with a line break.
extern const MessagePair kSupportedDriveNotFound;
extern const MessagePair kSupportedDriveNotFoundBeck9x;
// CheckSelectedDrive.
extern const MessagePair kNoDriveSelected;
extern const MessagePair kDeviceOpenFailed;
extern const MessagePair kDriveNotSupported;
extern const MessagePair kDriveNotSupportedTarn2k;  // with "\r\n"

// Every pair above, for checks that run over all of them.
extern const MessagePair* const kAllPairs[];
extern const size_t kAllPairCount;

// English in both languages.
constexpr const char* kNoAdapterEntry = "No I/F adapter";
constexpr const char* kNotFoundCaption = "Supported drive did not found";
constexpr const char* kInitializeErrorCaption = "Initialize Error";
constexpr const char* kCheckingDeviceFormat = "Now checking device No.%d";
constexpr const char* kTargetLabelFormat = "ID=%01x : ";
constexpr const char* kRequestSenseFailed = "Request Sense Comand Failed.";

}  // namespace kestrel::drive_messages
