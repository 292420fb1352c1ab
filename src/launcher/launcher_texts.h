// The launcher's own texts: the information box, its message boxes and the
// per-row file names and system-message lookups.
#pragma once
#include <cstddef>
#include <cstdint>

#include "shell/language.h"

namespace kestrel::launcher_texts {

extern const MessagePair kOsHeader;         // "[OS information]\r\n"
extern const MessagePair kUnknownPlatform;  // any platform id but 1 and 2
extern const MessagePair kAlreadyRunning;   // a second press while it runs
extern const MessagePair kCaution;          // caption of the two boxes above and below
extern const MessagePair kTerminateFirst;   // closing while utilities run
extern const MessagePair kUnsupportedPlatform;

// Caption of the launcher's other boxes: the program's name.
constexpr const char* kProgramName = "FELL32";
// Shown when even the system's message text could not be had.
constexpr const char* kFormatMessageFailed = "Format message failed.  Error: %d\n";

// Every pair above, for checks that run over all of them.
extern const MessagePair* const kAllPairs[];
extern const size_t kAllPairCount;

}  // namespace kestrel::launcher_texts
