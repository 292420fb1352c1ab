#include "ui/html_help.h"

#include <htmlhelp.h>

namespace kestrel {
namespace {

using HtmlHelpAFunction = decltype(&HtmlHelpA);

HtmlHelpAFunction LoadHtmlHelp() {
  // The library stays loaded: the help window it opens outlives the call.
  // It comes from the system folder by its full path, never from a folder
  // that the search order would try first.
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + 12 >= MAX_PATH) return nullptr;
  lstrcpyW(path + length, L"\\hhctrl.ocx");
  static HMODULE library = LoadLibraryW(path);
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
