#include "firmware/firmware_messages.h"

#include <iterator>

namespace kestrel::firmware_text {

const char* FileErrorCauseText(int cause) {
  static constexpr const char* kCauses[] = {
      "Generic error occurred",
      "File not found",
      "Bad file path is specified",
      "Too many open files",
      "File access denied",
      "Invalid file handle is specified",
      "Removed current directory",
      "Directory full",
      "Bad seek(file pointer)",
      "Hardware I/O error",
      "File sharing violation",
      "File lock violation",
      "Disk full",
      "Reach to end of file",
  };
  if (cause < 1 || cause > static_cast<int>(std::size(kCauses))) return "";
  return kCauses[cause - 1];
}

std::string FileOpenErrorText(const std::string& path, int cause, Language language) {
  std::string text = Pick(kFileCannotBeOpened, language) + path + "\r\n\r\n";
  const char* causeText = FileErrorCauseText(cause);
  text += *causeText != '\0' ? causeText : "File error " + std::to_string(cause);
  return text;
}

const MessagePair* AllPairs(size_t& count) {
  static constexpr MessagePair kPairs[] = {
      kSelectFile,        kChecksumError,    kInvalidRecord,      kMissingEndRecord,
      kAddressOutOfRange, kFileNotAvailable, kCpuMismatch,        kFileInappropriate,
      kStartUpdate,       kVerifySuccess,    kVerifyFailure,      kUpdateSucceeded,
      kUpdateFailed,      kRemainingTime,    kFileCannotBeOpened, kLinearAddress,
      kStillProgramming,  kSessionHoldReason,
  };
  count = std::size(kPairs);
  return kPairs;
}

}  // namespace kestrel::firmware_text
