// Text lines for the HEX loader. Files, memory and fuzz input are all read
// through the same splitting rule, the one of a C text-mode read of at most
// 255 characters: CR LF is one line end, and a longer line's remainder comes
// back as the next line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace kestrel {

// One read delivers at most this many characters, its line end included.
constexpr size_t kMaxLineRead = 255;

// Cause numbers of the platform's file layer.
enum FileErrorCause : int {
  kFileNoError = 0,
  kFileGeneric = 1,
  kFileNotFound = 2,
  kFileBadPath = 3,
  kFileTooManyOpen = 4,
  kFileAccessDenied = 5,
  kFileInvalidHandle = 6,
  kFileRemovedCurrentDir = 7,
  kFileDirectoryFull = 8,
  kFileBadSeek = 9,
  kFileHardwareIo = 10,
  kFileSharingViolation = 11,
  kFileLockViolation = 12,
  kFileDiskFull = 13,
  kFileEndOfFile = 14,
};

// One line as read. `text` excludes the line end and stays valid until the
// next read; `endsLine` is false when the read stopped at the length limit or
// at the end of the file.
struct TextLine {
  const char* text = nullptr;
  size_t length = 0;
  bool endsLine = false;
};

class LineSource {
 public:
  enum class Status { Line, EndOfFile, Error };
  virtual ~LineSource() = default;
  virtual Status ReadLine(TextLine& line) = 0;
  // The cause of the last Error.
  virtual int ErrorCause() const = 0;
  // Closes the source: 0, or the cause of a failed close.
  virtual int Close() = 0;
};

// The offset of the first line feed in data[0, length), or `length`. Eight
// bytes are tested at a time as one 64-bit word, the same in every build:
// with x the word whose line feeds are turned into zero bytes, the lowest set
// bit of (x - 01..01) & ~x & 80..80 is the high bit of its first zero byte.
inline size_t FindLineFeed(const char* data, size_t length) {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first byte is the lowest");
  constexpr uint64_t kOnes = 0x0101010101010101u;
  constexpr uint64_t kHighBits = 0x8080808080808080u;
  constexpr uint64_t kLineFeeds = kOnes * '\n';
  size_t at = 0;
  for (; at + 8 <= length; at += 8) {
    uint64_t word;
    std::memcpy(&word, data + at, sizeof word);
    const uint64_t x = word ^ kLineFeeds;
    const uint64_t zeroBytes = (x - kOnes) & ~x & kHighBits;
    if (zeroBytes != 0) return at + static_cast<size_t>(__builtin_ctzll(zeroBytes) / 8);
  }
  for (; at < length; ++at) {
    if (data[at] == '\n') return at;
  }
  return length;
}

// Splits the next line off `available` bytes at `data`. `final` says that no
// more bytes follow; otherwise at least kMaxLineRead + 1 bytes must be given.
// Returns the raw bytes consumed (0 only when nothing is left).
inline size_t SplitTextLine(const char* data, size_t available, bool final, TextLine& line) {
  line.text = data;
  line.length = 0;
  line.endsLine = false;
  if (available == 0) return 0;
  // A line end within the first 256 raw bytes may still fit the 255
  // characters of one read when it is a CR LF pair (read as one character).
  const size_t window = available < kMaxLineRead + 1 ? available : kMaxLineRead + 1;
  const size_t at = FindLineFeed(data, window);
  if (at < window) {
    const bool crLf = at > 0 && data[at - 1] == '\r';
    const size_t textLength = crLf ? at - 1 : at;
    if (textLength + 1 <= kMaxLineRead) {
      line.length = textLength;
      line.endsLine = true;
      return at + 1;
    }
  } else if (final && available <= kMaxLineRead) {
    // The last line of a file without a line end.
    line.length = available;
    return available;
  }
  // The length limit; the rest of the line comes back with the next read.
  line.length = available < kMaxLineRead ? available : kMaxLineRead;
  return line.length;
}

// Lines of a text held in memory (not copied: it must outlive the source).
class MemoryLineSource final : public LineSource {
 public:
  MemoryLineSource(const void* data, size_t size)
      : data_(static_cast<const char*>(data)), size_(size) {}
  Status ReadLine(TextLine& line) override {
    const size_t consumed = SplitTextLine(data_ + position_, size_ - position_, true, line);
    if (consumed == 0) return Status::EndOfFile;
    position_ += consumed;
    return Status::Line;
  }
  int ErrorCause() const override { return kFileNoError; }
  int Close() override { return kFileNoError; }

 private:
  const char* data_;
  size_t size_;
  size_t position_ = 0;
};

// Lines of a C stream, read in large blocks. Owns and closes the stream.
class StdioLineSource final : public LineSource {
 public:
  static constexpr size_t kBlockSize = 0x10000;
  // blockSize: the bytes read ahead, at least one longest read and its line
  // feed (smaller values are raised to that); small blocks refill often.
  explicit StdioLineSource(std::FILE* file, size_t blockSize = kBlockSize);
  ~StdioLineSource() override;
  StdioLineSource(const StdioLineSource&) = delete;
  StdioLineSource& operator=(const StdioLineSource&) = delete;
  Status ReadLine(TextLine& line) override;
  int ErrorCause() const override { return errorCause_; }
  int Close() override;

 private:
  bool Refill();
  std::FILE* file_;
  std::vector<char> block_;
  size_t begin_ = 0;
  size_t end_ = 0;
  bool atEnd_ = false;
  int errorCause_ = kFileNoError;
};

// Opens firmware files for the loader.
class FileSystemPort {
 public:
  virtual ~FileSystemPort() = default;
  // The opened file, or null with `cause` set.
  virtual std::unique_ptr<LineSource> OpenForReading(const std::string& path, int& cause) = 0;
};

// Files through the C library, by their name as it is (the Windows port,
// win32/win32_file_system.h, opens them by their UTF-16 name).
class StdioFileSystem final : public FileSystemPort {
 public:
  std::unique_ptr<LineSource> OpenForReading(const std::string& path, int& cause) override;
};

// The lines of a stream just opened, or null with `cause` from errno when
// the open failed.
std::unique_ptr<LineSource> OpenStdioLines(std::FILE* file, int& cause);

// The cause number for a C library errno value.
int FileCauseFromErrno(int error);

}  // namespace kestrel
