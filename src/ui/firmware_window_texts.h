// Texts of FirmwareUpdateWindow and its confirmation window that the window
// sets itself (TARN9X and TARN2K alike). Plain data: the native tests check
// them too.
#pragma once
#include <cstddef>

#include "shell/control_text.h"
#include "shell/language.h"

namespace kestrel {

ControlTextTable FirmwareWindowControlTexts();

namespace firmware_window {

// ConfirmUpdateDialog: the question (control 1009) and, TARN9X only, the
// warning in the read-only box (control 1002).
extern const MessagePair kConfirmQuestion;
extern const MessagePair kConfirmWarning;

// Both pairs above, for checks that run over all of them.
extern const MessagePair* const kAllPairs[];
extern const size_t kAllPairCount;

}  // namespace firmware_window
}  // namespace kestrel
