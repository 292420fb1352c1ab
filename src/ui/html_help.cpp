#include "ui/html_help.h"

#include <htmlhelp.h>

#include "win32/trusted_library.h"

namespace kestrel {
namespace {

using HtmlHelpAFunction = decltype(&HtmlHelpA);

HtmlHelpAFunction LoadHtmlHelp() {
  // The library stays loaded: the help window it opens outlives the call.
  // It comes from the system folder, never from a folder that the search
  // order would try first.
  static HMODULE library = win32::LoadSystemLibrary(L"hhctrl.ocx");
  if (library == nullptr) return nullptr;
  return reinterpret_cast<HtmlHelpAFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpA")));
}

}  // namespace

bool DisplayHelpTopic(HWND owner, const std::string& path) {
  static const HtmlHelpAFunction htmlHelp = LoadHtmlHelp();
  if (htmlHelp == nullptr) return false;
  return htmlHelp(owner, path.c_str(), HH_DISPLAY_TOPIC, 0) != nullptr;
}

}  // namespace kestrel
