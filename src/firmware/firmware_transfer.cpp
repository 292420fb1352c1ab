#include "firmware/firmware_transfer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "drive/byte_reader.h"
#include "drive/cdb_builders.h"
#include "drive/command_set.h"
#include "drive/sense_report.h"
#include "firmware/hex_image.h"

namespace kestrel {
namespace {

constexpr char kNotRecognized[] = "Not recognize   ";  // 16 characters
constexpr char kDualImageCpu[] = "HITACHI H8_3062R";
constexpr uint16_t kCpuBlockLength = 32;  // a signature block
// Where the drive's signature block is looked for, in this order; one found
// at 100h belongs to an old ROM layout this program cannot update.
constexpr uint32_t kCpuBlockAt = 0x1000;
constexpr uint32_t kOldCpuBlockAt = 0x100;
constexpr uint32_t kPlainCpuBlockAt = 0x2000;

constexpr uint32_t kImagePart = kSecondPartOffset;  // one 128 KB image part
constexpr uint16_t kDownloadBlock = 0x8000;
constexpr uint16_t kTrailerLength = 0x1010;           // 1000h of trailer area + 16 marker bytes
constexpr uint32_t kTrailerDriveOffset = kImagePart;  // the trailer follows the part on the drive
constexpr uint32_t kTrailerMarkerOffset = 0x1000;
constexpr char kTrailerMarker[] = "WIN2";

constexpr uint32_t kSearchStart = 0x450;
constexpr uint32_t kSearchLast = 0x1FFFF;
constexpr uint8_t kIdentificationMarker[] = {0x05, 0x80, 0x00, 0x32};
constexpr size_t kIdentificationAfterMarker = 8;

bool HasSignature(const uint8_t* block) {
  return std::memcmp(block, kMakerSignature, kMakerSignatureLength) == 0;
}

}  // namespace

int32_t ReadCpuIdentification(DriveContext& context, MessageBoxView& view) {
  uint8_t* data = context.buffers().data;
  auto& cpu = context.records.cpuIdentification;
  if (data == nullptr) {
    ReportSense(context, view);
    return -1;
  }
  if (ReadDriveBuffer(context, kReadBackId, kCpuBlockAt, kCpuBlockLength, data) == 0) {
    if (HasSignature(data)) {
      std::memcpy(cpu.data(), data, cpu.size());
      return 0;
    }
    if (ReadDriveBuffer(context, kReadBackId, kOldCpuBlockAt, kCpuBlockLength, data) == 0) {
      if (HasSignature(data)) {
        // An old ROM layout this program cannot update: refused, though every
        // command succeeded.
        std::memcpy(cpu.data(), kNotRecognized, kCpuNameLength);
        std::memcpy(cpu.data() + kCpuNameLength, kNotRecognized, kCpuNameLength);
      } else if (ReadDriveBuffer(context, kReadBackId, kPlainCpuBlockAt, kCpuBlockLength, data) ==
                 0) {
        std::memcpy(cpu.data(), data, cpu.size());
        return 0;
      }
    }
  }
  ReportSense(context, view);
  return -1;
}

ImagePart ImagePartFor(const DriveRecords& records) {
  // A one-part image's trailer follows it; generation 5 drives take one of
  // two parts by their CPU, each with its own trailer.
  if (records.driveGeneration != 5) return {0, kSecondPartOffset};
  const bool dualImage = std::memcmp(records.cpuIdentification.data() + kCpuNameOffset,
                                     kDualImageCpu, kCpuNameLength) == 0;
  return dualImage ? ImagePart{kSecondPartOffset, kSecondTrailerOffset}
                   : ImagePart{0, kFirstTrailerOffset};
}

int32_t DownloadFirmware(DriveContext& context, ImageRecord& record, MessageBoxView& view) {
  uint8_t* image = context.buffers().image;
  const DriveRecords& records = context.records;
  bool accepted = image != nullptr && PrepareDownload(context) == 0;
  if (accepted) {
    const auto [base, trailer] = ImagePartFor(records);
    record.imageBase = base;
    std::memcpy(image + trailer + kTrailerMarkerOffset, kTrailerMarker, 4);
    for (uint32_t offset = 0; accepted && offset < kImagePart; offset += kDownloadBlock) {
      accepted = WriteDriveBuffer(context, kDownloadBlockId, offset, kDownloadBlock,
                                  image + base + offset) == 0;
    }
    if (accepted) {
      accepted = WriteDriveBuffer(context, kDownloadBlockId, kTrailerDriveOffset, kTrailerLength,
                                  image + trailer) == 0;
    }
  }
  if (accepted) return 0;
  ReportSense(context, view);
  return -1;
}

VerifyResult CompareFirmware(DriveContext& context, const ImageRecord& record, uint32_t byteCount) {
  uint8_t* data = context.buffers().data;
  const uint8_t* imageBuffer = context.buffers().image;
  const uint32_t base = record.imageBase;
  // Whole blocks are read and compared, so both buffers must hold the count
  // rounded up to a block.
  const uint64_t span =
      (uint64_t{byteCount} + kDownloadBlock - 1) / kDownloadBlock * kDownloadBlock;
  if (data == nullptr || imageBuffer == nullptr || span > kDataBufferSize ||
      uint64_t{base} + span > kImageBufferSize) {
    return {kCommandNotSent, VerifyOutcome::ReadFailed};
  }
  const uint8_t* image = imageBuffer + base;
  // DataBuffer may still hold a copy of the image itself, so a block the drive
  // never sends must not be left to compare equal.
  for (uint32_t offset = 0; offset < byteCount; offset += kDownloadBlock) {
    const int32_t result = ReadDriveBufferToCompare(context, kReadBackId, offset, kDownloadBlock,
                                                    data + offset, image + offset);
    if (result != 0) return {result, VerifyOutcome::ReadFailed};
  }
  if (std::memcmp(data, image, kDriveOwnedStart) != 0) return {-1, VerifyOutcome::FirstPartDiffers};
  if (std::memcmp(data + kDriveOwnedEnd, image + kDriveOwnedEnd, kDownloadBlock - kDriveOwnedEnd) !=
      0) {
    return {-2, VerifyOutcome::SecondPartDiffers};
  }
  if (byteCount <= kDownloadBlock) return {};
  for (uint32_t offset = kDownloadBlock; offset < byteCount; offset += kDownloadBlock) {
    if (std::memcmp(data + offset, image + offset, kDownloadBlock) != 0)
      return {-3, VerifyOutcome::LaterPartDiffers};
  }
  return {};
}

int32_t VerifyFirmware(DriveContext& context, const ImageRecord& record, uint32_t byteCount) {
  return CompareFirmware(context, record, byteCount).status;
}

int32_t FindFileIdentification(DriveContext& context, ImageRecord& record) {
  const uint8_t* imageBuffer = context.buffers().image;
  const uint32_t base = record.imageBase;
  if (imageBuffer == nullptr || base >= kImageBufferSize) return -1;
  ByteReader image(imageBuffer + base, kImageBufferSize - base);
  auto& identification = record.fileIdentification;
  const size_t copyLength =
      std::min(context.profile.fileIdentificationLength, identification.size());

  int32_t result = -1;
  for (uint32_t i = kSearchStart; i <= kSearchLast; ++i) {
    if (!image.Has(i + kIdentificationAfterMarker, copyLength)) break;  // never past ImageBuffer
    if (image.Matches(i, std::string_view(reinterpret_cast<const char*>(kIdentificationMarker),
                                          sizeof kIdentificationMarker))) {
      image.Copy(i + kIdentificationAfterMarker, copyLength, identification.data());
      result = 0;
      break;
    }
  }

  // The year is stored in BCD, so its hexadecimal digits are the decimal year.
  // At most "ffff/ff/ff": ten characters and the zero fill the room exactly.
  char date[11];
  std::snprintf(date, sizeof date, "%04x/%02x/%02x", static_cast<unsigned>(image.U16BE(6)),
                static_cast<unsigned>(image.U8(8)), static_cast<unsigned>(image.U8(9)));
  static_assert(kDateOffset + sizeof date <= sizeof(ImageRecord::fileIdentification));
  std::memcpy(identification.data() + kDateOffset, date, sizeof date);
  return result;
}

}  // namespace kestrel
