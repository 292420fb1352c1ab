// A process host for the launcher's native tests: a current directory of
// file names, processes that the test (standing in for the user) ends, and
// the system's message table.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "launcher/launcher_view.h"
#include "launcher/process_host.h"

namespace kestrel::testing {

constexpr uint32_t kErrorFileNotFound = 2;

class FakeProcessHost : public ProcessHost {
 public:
  struct StartRecord {
    std::string path;
    uint32_t flags;
    ProcessToken process;
  };
  struct Lookup {
    uint32_t code;
    uint32_t languageId;
    uint32_t maxChars;
  };

  std::string currentDirectory = "C:\\Utils";
  std::set<std::string> files;                   // bare names in the current directory
  std::map<std::string, uint32_t> startErrors;   // full path -> error of CreateProcess
  std::map<uint32_t, std::string> messageTable;  // error code -> system text
  uint32_t lookupError = 1815;                   // when the table has no text

  std::vector<StartRecord> starts;
  std::vector<Lookup> lookups;
  std::set<ProcessToken> ended;
  std::set<ProcessToken> untestable;
  std::set<ProcessToken> released;
  // Processes that the user closes, one per wait, while the launcher waits.
  std::vector<ProcessToken> closedWhileWaiting;
  int waits = 0;

  bool FindInCurrentDirectory(const std::string& bareName, std::string& fullPath,
                              uint32_t& error) override {
    if (files.count(bareName) == 0) {
      error = kErrorFileNotFound;
      return false;
    }
    fullPath = currentDirectory + "\\" + bareName;
    return true;
  }
  bool Start(const std::string& fullPath, uint32_t creationFlags, ProcessToken& process,
             uint32_t& error) override {
    auto failure = startErrors.find(fullPath);
    if (failure != startErrors.end()) {
      error = failure->second;
      return false;
    }
    process = nextToken_++;
    starts.push_back({fullPath, creationFlags, process});
    return true;
  }
  ProcessState Test(ProcessToken process) override {
    if (untestable.count(process)) return ProcessState::TestFailed;
    return ended.count(process) ? ProcessState::Ended : ProcessState::Running;
  }
  void WaitForEndOrMessages(const std::vector<ProcessToken>& processes) override {
    ++waits;
    waitedFor.push_back(processes);
    if (static_cast<size_t>(waits) <= closedWhileWaiting.size()) {
      ended.insert(closedWhileWaiting[waits - 1]);
    }
  }
  void Release(ProcessToken process) override { released.insert(process); }
  bool SystemMessage(uint32_t code, uint32_t languageId, uint32_t maxChars, std::string& text,
                     uint32_t& error) override {
    lookups.push_back({code, languageId, maxChars});
    auto found = messageTable.find(code);
    if (found == messageTable.end()) {
      error = lookupError;
      return false;
    }
    text = found->second.substr(0, maxChars);
    return true;
  }

  // What each wait was given, in order.
  std::vector<std::vector<ProcessToken>> waitedFor;

  ProcessToken LastStarted() const { return starts.empty() ? 0 : starts.back().process; }

 private:
  ProcessToken nextToken_ = 0x100;
};

class FakeLauncherView : public LauncherView {
 public:
  struct Box {
    std::string text;
    std::string caption;
  };
  std::vector<Box> boxes;
  std::string information;
  int pumps = 0;

  // The launcher asks no question; one asked is recorded and answered Cancel.
  bool AskOkCancel(const std::string& text, const std::string& caption, BoxIcon) override {
    ShowMessageBox(text, caption);
    return false;
  }
  void ShowMessageBox(const std::string& text, const std::string& caption) override {
    boxes.push_back({text, caption});
  }
  void SetInformationText(const std::string& text) override { information = text; }
  void Pump() override { ++pumps; }
};

}  // namespace kestrel::testing
