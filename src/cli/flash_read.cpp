#include "cli/flash_read.h"

#include <cstdio>
#include <cstring>

#include "cli/cli_messages.h"
#include "cli/cli_view.h"
#include "cli/drive_identity.h"
#include "drive/cdb_builders.h"
#include "drive/command_set.h"
#include "drive/sense.h"
#include "drive/sense_report.h"

namespace kestrel::cli {
namespace {

constexpr uint16_t kReadBlock = 0x8000;

}  // namespace

std::string FlashOffset(uint32_t offset) {
  char text[16];
  std::snprintf(text, sizeof text, "%05Xh", offset);
  return text;
}

int ReadWholeFlash(Session& session, DriveContext& context, const std::string& device,
                   std::vector<uint8_t>& flash, const std::string& nothingDone) {
  std::string why;
  if (!session.host.Open(device, why)) return session.Fail(kExitUsage, why);
  const DriveIdentity identity = ReadDriveIdentity(context);
  if (!identity.supported) {
    session.host.Close();
    return session.Fail(kExitRefused, device + " is not a supported Kestrel drive");
  }
  // Every block is read twice, into a buffer first filled with FFh and into
  // one filled with 00h: a byte the drive does not send keeps the fill, so a
  // short transfer cannot pass for data.
  flash.assign(kFlashSize, 0);
  std::vector<uint8_t> check(kReadBlock);
  const std::vector<uint8_t> zeros(kReadBlock, 0x00), ones(kReadBlock, 0xFF);
  ProgressLine progress(session.terminal);
  progress.SetQuiet(session.quiet);
  progress.Begin("reading the flash", kFlashSize);
  for (uint32_t offset = 0; offset < kFlashSize; offset += kReadBlock) {
    progress.Advance(offset);
    uint8_t* block = flash.data() + offset;
    if (ReadDriveBufferToCompare(context, kReadBackId, offset, kReadBlock, block, zeros.data()) !=
            0 ||
        ReadDriveBufferToCompare(context, kReadBackId, offset, kReadBlock, check.data(),
                                 ones.data()) != 0) {
      SendRequestSense(context);
      progress.Close();
      const std::string refusal = session.host.Refusal();
      session.host.Close();
      if (!refusal.empty()) return session.Fail(kExitUsage, refusal + nothingDone);
      return session.Fail(kExitRefused, "READ BUFFER failed at " + FlashOffset(offset) + " (" +
                                            SenseText(DecodeSense(context.buffers())) +
                                            ")" + nothingDone);
    }
    if (std::memcmp(block, check.data(), kReadBlock) != 0) {
      progress.Close();
      session.host.Close();
      return session.Fail(kExitRefused, "the drive sent less than 8000h bytes at " +
                                            FlashOffset(offset) + nothingDone);
    }
  }
  progress.Advance(kFlashSize);
  progress.Close();
  session.host.Close();
  return kExitOk;
}

}  // namespace kestrel::cli
