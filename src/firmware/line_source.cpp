#include "firmware/line_source.h"

#include <cerrno>
#include <cstring>

namespace kestrel {

StdioLineSource::StdioLineSource(std::FILE* file, size_t blockSize)
    : file_(file), block_(blockSize < kMaxLineRead + 1 ? kMaxLineRead + 1 : blockSize) {}

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

std::unique_ptr<LineSource> StdioFileSystem::OpenForReading(const std::string& path, int& cause) {
  errno = 0;
  return OpenStdioLines(std::fopen(path.c_str(), "rb"), cause);
}

std::unique_ptr<LineSource> OpenStdioLines(std::FILE* file, int& cause) {
  if (file == nullptr) {
    cause = FileCauseFromErrno(errno);
    return nullptr;
  }
  cause = kFileNoError;
  return std::make_unique<StdioLineSource>(file);
}

}  // namespace kestrel
