#include "firmware/firmware_loader.h"

#include <cstring>

#include "firmware/firmware_messages.h"
#include "firmware/firmware_transfer.h"
#include "shell/utf8.h"

namespace kestrel {

FirmwareLoader::FirmwareLoader(DriveContext& context, ImageRecord& image, FirmwareView& view,
                               StatusLog& log, FileSystemPort& files,
                               const FirmwareBuildTraits& traits)
    : context_(context),
      image_(image),
      view_(view),
      log_(log),
      files_(files),
      traits_(traits),
      fileNameBuffer_(traits.initialFileName) {}

OpenFileRequest FirmwareLoader::FileDialogRequest() const {
  OpenFileRequest request;
  request.title = Pick(firmware_text::kSelectFile, context_.language);
  request.initialDirectory = firmware_text::kInitialDirectory;
  request.filterText = firmware_text::kFilterText;
  request.filterPatterns = firmware_text::kFilterPatterns;
  request.initialName = fileNameBuffer_;
  request.maxPathLength = kMaxFirmwarePath;
  return request;
}

FirmwareLoad FirmwareLoader::LoadFirmwareFile(const std::optional<std::string>& chosen) {
  FirmwareLoad load;
  // A path that does not fit the dialog's buffer never comes back from it.
  if (!chosen || chosen->empty() || Utf8ToUtf16(*chosen).size() > kMaxFirmwarePath) {
    RefreshFormattedInfoField();
    return load;
  }

  const std::string& path = *chosen;
  fileNameBuffer_ = path;
  image_.imageLoadFailed = true;  // until this load reaches its end
  log_.Replace(std::string(firmware_text::kFileNamePrefix) + path);
  view_.SetFileNameField(path);
  log_.Show(false);

  int cause = kFileNoError;
  std::unique_ptr<LineSource> source = files_.OpenForReading(path, cause);
  if (!source) {
    load.outcome = LoadOutcome::FileError;
    load.fileErrorCause = cause == kFileNoError ? kFileGeneric : cause;
    view_.ShowFileError(path, load.fileErrorCause);
    return load;
  }

  std::string added;
  lastResult_ = LoadHexImage(*source, context_.buffers(), context_.language, added);
  if (lastResult_.normal()) {
    image_.imageLoadFailed = false;
    FindFileIdentification(context_, image_);
    const auto& record = image_.fileIdentification;
    view_.SetInfoField(IdentificationText(record.data(), record.size(), context_.language));
  }
  const int closeCause = source->Close();
  if (lastResult_.normal() && closeCause != kFileNoError) AppendFileException(closeCause, added);
  log_.Add(added);
  log_.Show(true);
  RefreshFormattedInfoField();
  load.outcome = lastResult_.normal() ? LoadOutcome::Loaded : LoadOutcome::Rejected;
  load.hex = lastResult_;
  return load;
}

void FirmwareLoader::RefreshFormattedInfoField() {
  if (!traits_.formatInfoFieldAfterLoad) return;
  if (FindFileIdentification(context_, image_) != 0) return;
  view_.SetInfoField(FormattedInfoField(image_.fileIdentification.data(), context_.language));
}

std::string IdentificationText(const uint8_t* record, size_t length, const Language& language) {
  std::string text;
  AppendImageText(text, record, length, language);
  return text;
}

std::string FormattedInfoField(const uint8_t* record, const Language& language) {
  // "%.8s %.16s %.5s %.10s": vendor, product, revision with the byte after it, date.
  return ImageFields(record, {{0, 8}, {8, 16}, {24, 5}, {29, 10}}, language);
}

}  // namespace kestrel
