#include "win32/trusted_library.h"

#include <string>

namespace kestrel::win32 {
namespace {

// FOLDER\NAME, or empty when the folder could not be read.
std::wstring InFolder(const std::wstring& folder, const wchar_t* name) {
  if (folder.empty()) return {};
  std::wstring path = folder;
  if (path.back() != L'\\') path += L'\\';
  return path + name;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::wstring folder(path, length);
  const size_t slash = folder.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

std::wstring SystemFolder() {
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(path, length);
}

std::wstring WindowsFolder() {
  wchar_t path[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(path, length);
}

HMODULE LoadByPath(const std::wstring& path) {
  if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
  // The library's own folder is searched for what it imports.
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

HMODULE LoadTrustedLibrary(const wchar_t* name) {
  for (const std::wstring& folder : {ProgramFolder(), SystemFolder(), WindowsFolder()}) {
    if (HMODULE module = LoadByPath(InFolder(folder, name))) return module;
  }
  return nullptr;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  return LoadByPath(InFolder(SystemFolder(), name));
}

}  // namespace kestrel::win32
