// What the launcher asks of the operating system: find a utility's file,
// start it, watch its process, and the system's text for an error code.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

// A started process as the host knows it (its process handle on Windows).
using ProcessToken = uintptr_t;

// Creation flag of the 9x/Me starts: the utility gets the default error mode
// instead of inheriting the launcher's.
constexpr uint32_t kCreateDefaultErrorMode = 0x04000000;

enum class ProcessState { Running, Ended, TestFailed };

class ProcessHost {
 public:
  virtual ~ProcessHost() = default;

  // Looks for `bareName` in the current directory. On success `fullPath` is
  // the path of the file found; otherwise `error` is the system error code.
  virtual bool FindInCurrentDirectory(const std::string& bareName, std::string& fullPath,
                                      uint32_t& error) = 0;
  // Starts the program at `fullPath` without arguments, with the launcher's
  // start-up information, environment and current directory.
  virtual bool Start(const std::string& fullPath, uint32_t creationFlags, ProcessToken& process,
                     uint32_t& error) = 0;
  // Tests a started process with a wait of zero time.
  virtual ProcessState Test(ProcessToken process) = 0;
  // Blocks until one of `processes` has ended or the launcher's window has
  // messages waiting (painting must go on while the launcher waits).
  virtual void WaitForEndOrMessages(const std::vector<ProcessToken>& processes) = 0;
  // The launcher is done with a process; the host lets its handle go.
  virtual void Release(ProcessToken process) = 0;
  // The system's message text for `code` in `languageId`, at most `maxChars`
  // characters; false with the lookup's own error code when none came back.
  virtual bool SystemMessage(uint32_t code, uint32_t languageId, uint32_t maxChars,
                             std::string& text, uint32_t& lookupError) = 0;
};

}  // namespace kestrel
