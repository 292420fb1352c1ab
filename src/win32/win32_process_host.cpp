#include "win32/win32_process_host.h"

#include "win32/mingw_compat.h"

namespace kestrel::win32 {
namespace {

HANDLE AsHandle(ProcessToken process) { return reinterpret_cast<HANDLE>(process); }

// The system's ANSI text as UTF-8 for the windows.
std::string AnsiToUtf8(const char* text, int length) {
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
  if (wideLength <= 0) return {};
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), wideLength);
  const int utf8Length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (utf8Length <= 0) return {};
  std::string utf8(static_cast<size_t>(utf8Length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), utf8Length, nullptr,
                      nullptr);
  return utf8;
}

}  // namespace

PlatformInfo ReadPlatformInfo() {
  OSVERSIONINFOA version{};
  static_assert(sizeof version == 148, "the version record the launcher was made for");
  version.dwOSVersionInfoSize = sizeof version;
  PlatformInfo platform;
  if (!GetVersionExA(&version)) return platform;
  platform.majorVersion = version.dwMajorVersion;
  platform.minorVersion = version.dwMinorVersion;
  platform.buildNumber = version.dwBuildNumber;
  platform.platformId = version.dwPlatformId;
  version.szCSDVersion[sizeof version.szCSDVersion - 1] = '\0';
  platform.servicePack = AnsiToUtf8(version.szCSDVersion, -1);
  // AnsiToUtf8 of a terminated text keeps its terminator.
  if (!platform.servicePack.empty() && platform.servicePack.back() == '\0') {
    platform.servicePack.pop_back();
  }
  return platform;
}

// The path stays in the ANSI code page: it goes only back to CreateProcessA.
bool Win32ProcessHost::FindInCurrentDirectory(const std::string& bareName, std::string& fullPath,
                                              uint32_t& error) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(bareName.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return false;
  }
  FindClose(search);
  char directory[MAX_PATH];
  const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
  if (length == 0 || length >= sizeof directory) {
    error = length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
    return false;
  }
  fullPath.assign(directory, length);
  if (fullPath.back() != '\\') fullPath += '\\';
  fullPath += found.cFileName;
  return true;
}

bool Win32ProcessHost::Start(const std::string& fullPath, uint32_t creationFlags,
                             ProcessToken& process, uint32_t& error) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  // The program is named by its path, so Windows does no search of its own;
  // the command line is that path alone, quoted for spaces.
  std::string commandLine = "\"" + fullPath + "\"";
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(fullPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, creationFlags,
                      nullptr, nullptr, &startup, &started)) {
    error = GetLastError();
    return false;
  }
  CloseHandle(started.hThread);
  process = reinterpret_cast<ProcessToken>(started.hProcess);
  return true;
}

ProcessState Win32ProcessHost::Test(ProcessToken process) {
  switch (WaitForSingleObject(AsHandle(process), 0)) {
    case WAIT_OBJECT_0:
      return ProcessState::Ended;
    case WAIT_TIMEOUT:
      return ProcessState::Running;
    default:
      return ProcessState::TestFailed;
  }
}

void Win32ProcessHost::WaitForEndOrMessages(const std::vector<ProcessToken>& processes) {
  HANDLE handles[MAXIMUM_WAIT_OBJECTS - 1];
  DWORD count = 0;
  for (ProcessToken process : processes) {
    if (count == sizeof handles / sizeof handles[0]) break;
    handles[count++] = AsHandle(process);
  }
  // Wakes for any message of this thread, so that the window keeps painting.
  MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_ALLINPUT);
}

void Win32ProcessHost::Release(ProcessToken process) { CloseHandle(AsHandle(process)); }

bool Win32ProcessHost::SystemMessage(uint32_t code, uint32_t languageId, uint32_t maxChars,
                                     std::string& text, uint32_t& lookupError) {
  char buffer[512];
  const DWORD size = maxChars < sizeof buffer ? maxChars : sizeof buffer;
  // Inserts such as "%1" are kept as they are: there are no arguments for them.
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, languageId, buffer, size, nullptr);
  if (length == 0) {
    lookupError = GetLastError();
    return false;
  }
  text = AnsiToUtf8(buffer, static_cast<int>(length));
  return true;
}

}  // namespace kestrel::win32
