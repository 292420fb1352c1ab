// libFuzzer target: the decoders of drive replies, each fed through its own
// command's sender by a drive that answers at random, every reply as long as
// the drive chooses up to what the command asked for. Byte 0 chooses the
// reply, byte 1 the program; the rest is the drive's answers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "drive/command_set.h"
#include "drive/discovery.h"
#include "drive/program_profile.h"
#include "drive/region_commands.h"
#include "drive/sense.h"
#include "drive/sense_report.h"
#include "drive/speed_commands.h"
#include "drive/supported_drive.h"
#include "fakes/fake_drive_list_view.h"
#include "firmware/firmware_transfer.h"
#include "region/region_decoding.h"
#include "speed/speed_operations.h"
#include "tests/fuzz/random_transport.h"

namespace {

using namespace kestrel;
using fuzz::Require;

const ProgramProfile* const kProfiles[] = {&kTarn9xProfile, &kTarn2kProfile, &kMere9xProfile,
                                           &kMere2kProfile, &kBeck9xProfile, &kBeck2kProfile};
const EntryTextRule kEntryRules[] = {Tarn9xEntryText, Mere9xEntryText, Beck9xEntryText,
                                     Tarn2kEntryText, Mere2kEntryText};

// What the drive last answered, seen from the transport.
struct LastReply {
  int32_t result = -1;
  uint32_t received = 0;
  std::unique_ptr<uint8_t[]> bytes;  // exactly `received` bytes
};

void Inquiry(DriveContext& context, const LastReply& last) {
  const int32_t sent = SendInquiry(context);
  if (last.result == 0 && last.received < kInquiryMinimumLength) {
    Require(sent == kReplyTooShort, "a short INQUIRY reply passed");
  }
  if (sent == 0) Require(last.received >= kInquiryMinimumLength, "INQUIRY accepted short");
  // The entry texts and the maker test on exactly the bytes received.
  for (EntryTextRule rule : kEntryRules) {
    const auto text = rule(last.bytes.get(), last.received, "E: ");
    // Every entry shows the vendor and product, bytes 8-31.
    if (text) Require(last.received >= 32, "an INQUIRY reply without its product listed");
  }
  IsMakerDvd(last.bytes.get(), last.received);
  if (CheckSupportedDrive(context) == 0) {
    bool inTable = false;
    for (size_t row = 0; row < context.profile.supportedModelCount; ++row) {
      inTable = inTable || (last.received >= kInquiryMinimumLength &&
                            std::memcmp(last.bytes.get() + 8, context.profile.supportedModels[row],
                                        24) == 0);
    }
    Require(inTable, "a drive outside the model table was supported");
  }
}

void RequestSense(DriveContext& context, testing::FakeDriveListView& view, const LastReply& last) {
  const int32_t sent = SendRequestSense(context);
  const SenseCodes codes = DecodeSense(context.buffers());
  if (sent == 0) {
    // Bytes the drive never sent read as zero, in either format.
    const SenseLayout at = SenseLayoutOf(last.received != 0 ? last.bytes[0] : 0);
    if (last.received <= at.key) Require(codes.keyByte == 0, "sense key from no reply");
    if (last.received <= at.asc) Require(codes.asc == 0, "ASC from no reply");
    if (last.received <= at.ascq) Require(codes.ascq == 0, "ASCQ from no reply");
  }
  FormatSenseReport(codes);
  FormatSenseInParentheses(codes);
  ReportSense(context, view);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  fuzz::FuzzInput in(input, size);
  const uint8_t selector = in.Byte();
  const ProgramProfile& profile = *kProfiles[in.Byte() % 6];
  fuzz::RandomTransport transport(in);
  DriveContext context(transport, profile);
  testing::FakeDriveListView view;
  LastReply last;
  transport.afterCommand = [&](const ScsiCommand& command, int32_t result, uint32_t received) {
    last.result = result;
    last.received = received;
    last.bytes.reset(new uint8_t[received == 0 ? 1 : received]);
    if (received != 0) std::memcpy(last.bytes.get(), command.data, received);
  };

  switch (selector % 7) {
    case 0:
      Inquiry(context, last);
      break;
    case 1:
      RequestSense(context, view, last);
      break;
    case 2: {
      const int32_t read = ReadCpuIdentification(context, view);
      Require(read == 0 || read == -1, "CPU block read result out of range");
      break;
    }
    case 3:
    case 4: {
      RegionReply reply;
      reply.fill(0x5A);
      const RegionReply before = reply;
      const int32_t read =
          selector % 7 == 3 ? ReadRpcState(context, reply) : ReadDiscRegionInfo(context, reply);
      if (read == 0) {
        Require(last.received >= kRegionReplyLength, "a short region reply accepted");
        Require((reply[0] << 8 | reply[1]) >= kRegionReplyLength - 2,
                "a region reply with too small a data length accepted");
        const RpcStateFields rpc = DecodeRpcState(reply);
        const DriveRegion region = DecodeRegionMask(rpc.regionMask);
        if (region.kind == DriveRegion::Kind::Region) {
          Require(region.region >= 1 && region.region <= kRegionCount &&
                      RegionMask(region.region) == rpc.regionMask,
                  "a region mask decoded to another region");
        }
        DecodeDiscRegionInfo(reply);
      } else {
        Require(reply == before, "a failed region read changed the reply");
      }
      break;
    }
    case 5: {
      CapabilitiesReply reply;
      const int32_t read = ReadCapabilitiesPage(context, reply);
      const auto page = DecodeCapabilitiesPage(reply.data(), reply.size());
      if (read == 0) {
        Require(page.has_value(), "a capabilities page accepted that does not decode");
        FormatSpeedReport(page->currentReadSpeed, page->maximumReadSpeed);
      } else if (read == kReplyTooShort) {
        for (uint8_t byte : reply) Require(byte == 0, "a rejected capabilities reply kept bytes");
      }
      break;
    }
    default: {
      // The page decoder on a reply of any length and block descriptor length.
      const size_t length = size > 2 ? size - 2 : 0;
      std::unique_ptr<uint8_t[]> reply(new uint8_t[length == 0 ? 1 : length]);
      in.Take(reply.get(), length);
      const auto page = DecodeCapabilitiesPage(reply.get(), length);
      if (page) {
        const size_t pageAt = 8 + (length >= 8 ? (reply[6] << 8 | reply[7]) : 0);
        Require(pageAt + 16 <= length && (reply[pageAt] & 0x3F) == kCapabilitiesPageCode,
                "a page decoded from outside the reply or of another code");
      }
      break;
    }
  }
  return 0;
}
