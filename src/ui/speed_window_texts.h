// Texts of SpeedWindow that the window sets itself: the Japanese texts of its
// labels and buttons. The title and the Audio Extraction Speed entries stay
// English in both languages.
#pragma once
#include "shell/control_text.h"

namespace kestrel {

ControlTextTable SpeedWindowControlTexts();

namespace speed_window {
constexpr int kDialogId = 102;
constexpr const char* kTitle = "Speed Control Utility";
}  // namespace speed_window

}  // namespace kestrel
