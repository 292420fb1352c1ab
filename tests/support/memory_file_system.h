// Firmware files held in memory, with the file layer's failures on demand.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "firmware/line_source.h"

namespace kestrel::testing {

// Memory lines that fail like a file: a read error after some lines, an
// error when closed.
class FaultyLineSource final : public LineSource {
 public:
  FaultyLineSource(std::string text, int failAfterLines, int readCause, int closeCause)
      : text_(std::move(text)),
        lines_(text_.data(), text_.size()),
        failAfterLines_(failAfterLines),
        readCause_(readCause),
        closeCause_(closeCause) {}
  Status ReadLine(TextLine& line) override {
    if (failAfterLines_ >= 0 && read_ >= failAfterLines_) return Status::Error;
    ++read_;
    return lines_.ReadLine(line);
  }
  int ErrorCause() const override { return readCause_; }
  int Close() override {
    ++closes_;
    return closeCause_;
  }
  int closes_ = 0;

 private:
  std::string text_;
  MemoryLineSource lines_;
  int failAfterLines_;
  int readCause_;
  int closeCause_;
  int read_ = 0;
};

class MemoryFileSystem final : public FileSystemPort {
 public:
  struct File {
    std::string text;
    int openCause = kFileNoError;  // not 0: the file cannot be opened
    int failAfterLines = -1;       // >= 0: reading fails after this many lines
    int readCause = kFileGeneric;
    int closeCause = kFileNoError;
  };
  std::map<std::string, File> files;
  std::vector<std::string> opened;

  std::unique_ptr<LineSource> OpenForReading(const std::string& path, int& cause) override {
    opened.push_back(path);
    auto found = files.find(path);
    if (found == files.end()) {
      cause = kFileNotFound;
      return nullptr;
    }
    const File& file = found->second;
    if (file.openCause != kFileNoError) {
      cause = file.openCause;
      return nullptr;
    }
    cause = kFileNoError;
    return std::make_unique<FaultyLineSource>(file.text, file.failAfterLines, file.readCause,
                                              file.closeCause);
  }
};

}  // namespace kestrel::testing
