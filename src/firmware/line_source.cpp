#include "firmware/line_source.h"

#include <cerrno>
#include <cstring>

namespace kestrel {

namespace {
constexpr size_t kBlockSize = 0x10000;
}

StdioLineSource::StdioLineSource(std::FILE* file) : file_(file), block_(kBlockSize) {}

StdioLineSource::~StdioLineSource() {
  if (file_ != nullptr) std::fclose(file_);
}

bool StdioLineSource::Refill() {
  if (begin_ > 0) {
    std::memmove(block_.data(), block_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  while (!atEnd_ && end_ < block_.size()) {
    const size_t got = std::fread(block_.data() + end_, 1, block_.size() - end_, file_);
    end_ += got;
    if (got == 0 || end_ < block_.size()) {
      if (std::ferror(file_)) {
        errorCause_ = kFileGeneric;
        return false;
      }
      if (std::feof(file_)) atEnd_ = true;
    }
  }
  return true;
}

LineSource::Status StdioLineSource::ReadLine(TextLine& line) {
  if (file_ == nullptr) {
    errorCause_ = kFileInvalidHandle;
    return Status::Error;
  }
  if (!atEnd_ && end_ - begin_ < kMaxLineRead + 1 && !Refill()) return Status::Error;
  const size_t consumed = SplitTextLine(block_.data() + begin_, end_ - begin_, atEnd_, line);
  if (consumed == 0) return Status::EndOfFile;
  begin_ += consumed;
  return Status::Line;
}

int StdioLineSource::Close() {
  if (file_ == nullptr) return kFileNoError;
  std::FILE* file = file_;
  file_ = nullptr;
  return std::fclose(file) == 0 ? kFileNoError : kFileGeneric;
}

int FileCauseFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
      return kFileBadPath;
    case EMFILE:
    case ENFILE:
      return kFileTooManyOpen;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return kFileAccessDenied;
    case EBADF:
      return kFileInvalidHandle;
    case EIO:
      return kFileHardwareIo;
    case ENOSPC:
      return kFileDiskFull;
    default:
      return kFileGeneric;
  }
}

#ifdef _WIN32
namespace {
// UTF-8 to UTF-16 for _wfopen; a malformed sequence becomes U+FFFD, which no
// file name holds, so such a path fails to open instead of naming another file.
std::wstring Utf8ToWide(const std::string& text) {
  std::wstring wide;
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    uint32_t code = 0xFFFD;
    size_t length = 1;
    if (lead < 0x80) {
      code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      code = lead & 0x07;
    }
    if (length > 1) {
      if (i + length > text.size()) {
        code = 0xFFFD;
        length = 1;
      } else {
        for (size_t k = 1; k < length; ++k) {
          const unsigned char next = static_cast<unsigned char>(text[i + k]);
          if ((next & 0xC0) != 0x80) {
            code = 0xFFFD;
            length = k;
            break;
          }
          code = (code << 6) | (next & 0x3F);
        }
      }
    }
    i += length;
    if (code >= 0x10000) {
      code -= 0x10000;
      wide.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    } else {
      wide.push_back(static_cast<wchar_t>(code));
    }
  }
  return wide;
}
}  // namespace
#endif

std::unique_ptr<LineSource> StdioFileSystem::OpenForReading(const std::string& path, int& cause) {
  errno = 0;
#ifdef _WIN32
  std::FILE* file = _wfopen(Utf8ToWide(path).c_str(), L"rb");
#else
  std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
  if (file == nullptr) {
    cause = FileCauseFromErrno(errno);
    return nullptr;
  }
  cause = kFileNoError;
  return std::make_unique<StdioLineSource>(file);
}

}  // namespace kestrel
