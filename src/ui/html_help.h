// The HTML Help call, with hhctrl.ocx loaded when help is first asked for.
#pragma once
#include <windows.h>

#include <string>

namespace kestrel {

// Shows `path` (".\file.chm::/topic") with HH_DISPLAY_TOPIC; false when no
// help window came back, including when HTML Help is not installed.
bool DisplayHelpTopic(HWND owner, const std::string& path);

}  // namespace kestrel
