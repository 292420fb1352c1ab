// LoadFirmwareFile: the File button of FirmwareUpdateWindow.
#pragma once
#include <optional>
#include <string>

#include "drive/drive_context.h"
#include "firmware/firmware_build.h"
#include "firmware/firmware_view.h"
#include "firmware/hex_image.h"
#include "firmware/image_record.h"
#include "firmware/line_source.h"
#include "firmware/status_log.h"

namespace kestrel {

// Longest path the file dialog hands back, in UTF-16 units.
constexpr size_t kMaxFirmwarePath = 255;

// How a load ended.
enum class LoadOutcome {
  NotChosen,  // the dialog was cancelled, or gave no usable path
  FileError,  // the file could not be opened
  Rejected,   // the records did not load: see hex
  Loaded,
};

struct FirmwareLoad {
  LoadOutcome outcome = LoadOutcome::NotChosen;
  int fileErrorCause = 0;  // with FileError, as the file-error box shows it
  HexLoadResult hex;       // with Rejected and Loaded
};

class FirmwareLoader {
 public:
  FirmwareLoader(DriveContext& context, ImageRecord& image, FirmwareView& view, StatusLog& log,
                 FileSystemPort& files, const FirmwareBuildTraits& traits);

  // What the File button's dialog is asked with.
  OpenFileRequest FileDialogRequest() const;
  // Parses the file the dialog chose (nothing: cancelled) into the image and
  // describes the image in the window. The image is replaced only by a load
  // that ends normally.
  FirmwareLoad LoadFirmwareFile(const std::optional<std::string>& chosen);

  // The file dialog's name buffer: the last chosen path.
  const std::string& fileNameBuffer() const { return fileNameBuffer_; }
  // How the last load that opened a file ended.
  const HexLoadResult& lastResult() const { return lastResult_; }

 private:
  void RefreshFormattedInfoField();

  DriveContext& context_;
  ImageRecord& image_;
  FirmwareView& view_;
  StatusLog& log_;
  FileSystemPort& files_;
  const FirmwareBuildTraits& traits_;
  std::string fileNameBuffer_;
  HexLoadResult lastResult_;
};

// The identification record's text up to its first zero byte.
std::string IdentificationText(const uint8_t* record, size_t length, const Language& language);
// "%.8s %.16s %.5s %.10s": vendor, product, revision and the byte after it, date.
std::string FormattedInfoField(const uint8_t* record, const Language& language);

}  // namespace kestrel
