#include "drive/discovery.h"

#include "drive/byte_reader.h"
#include "drive/drive_messages.h"

namespace kestrel {
namespace {

constexpr size_t kVendorProductOffset = 8;
constexpr size_t kVendorProductLength = 24;
constexpr size_t kRevisionOffset = 32;
constexpr size_t kRevisionLength = 4;
constexpr size_t kDateMarkOffset = 36;  // the maker's byte shown right after the revision
constexpr size_t kDateOffset = 37;
constexpr size_t kDateLength = 10;
constexpr size_t kProductOffset = 16;

// A list item is a zero-terminated text: a zero byte in a reply ends it.
std::string Terminated(std::string text) {
  const size_t end = text.find('\0');
  if (end != std::string::npos) text.resize(end);
  return text;
}

std::optional<std::string> Finish(ByteReader& reply, std::string text) {
  if (!reply.ok()) return std::nullopt;
  return Terminated(std::move(text));
}

bool OpticalDevice(ByteReader& reply) {
  const uint8_t type = reply.U8(0);
  return type == 5 || type == 4;
}

bool MakerDvd(ByteReader& reply) { return reply.Matches(kVendorProductOffset, "KESTREL DVD"); }

std::string VendorProduct(ByteReader& reply) {
  return reply.Text(kVendorProductOffset, kVendorProductLength);
}
std::string Revision(ByteReader& reply) { return reply.Text(kRevisionOffset, kRevisionLength); }

}  // namespace

bool IsMakerDvd(const uint8_t* inquiry, size_t length) {
  ByteReader reply(inquiry, length);
  return MakerDvd(reply);
}

std::optional<std::string> Tarn9xEntryText(const uint8_t* inquiry, size_t length,
                                           std::string_view prefix) {
  ByteReader reply(inquiry, length);
  if (!OpticalDevice(reply) || !reply.Matches(kProductOffset, "DVD")) return std::nullopt;
  std::string text(prefix);
  text += VendorProduct(reply) + ' ' + Revision(reply);
  if (MakerDvd(reply)) {
    text += static_cast<char>(reply.U8(kDateMarkOffset));
    text += ' ' + reply.Text(kDateOffset, kDateLength);
  } else {
    // Other makers' drives have no firmware date: keep the column width.
    text += ' ' + std::string(11, ' ');
  }
  return Finish(reply, std::move(text));
}

std::optional<std::string> Mere9xEntryText(const uint8_t* inquiry, size_t length,
                                           std::string_view prefix) {
  ByteReader reply(inquiry, length);
  if (!OpticalDevice(reply) || !reply.Matches(kProductOffset, "DVD")) return std::nullopt;
  return Finish(reply, std::string(prefix) + VendorProduct(reply) + ' ');
}

std::optional<std::string> Beck9xEntryText(const uint8_t* inquiry, size_t length,
                                           std::string_view prefix) {
  ByteReader reply(inquiry, length);
  if (!MakerDvd(reply)) return std::nullopt;
  return Finish(reply, std::string(prefix) + VendorProduct(reply) + ' ' + Revision(reply));
}

std::optional<std::string> Tarn2kEntryText(const uint8_t* inquiry, size_t length,
                                           std::string_view prefix) {
  ByteReader reply(inquiry, length);
  if (!OpticalDevice(reply) || !MakerDvd(reply)) return std::nullopt;
  return Finish(reply, std::string(prefix) + VendorProduct(reply) + ' ' + Revision(reply));
}

std::optional<std::string> Mere2kEntryText(const uint8_t* inquiry, size_t length,
                                           std::string_view prefix) {
  ByteReader reply(inquiry, length);
  if (!MakerDvd(reply) && !reply.Matches(kVendorProductOffset, "Kestrel DVD")) return std::nullopt;
  return Finish(reply, std::string(prefix) + VendorProduct(reply));
}

using namespace drive_messages;

const DiscoveryRule kTarn9xDiscovery{Tarn9xEntryText,     kDriveEntryCapacity,
                                     &kNoAtapiInterface,  &kSupportedDriveNotFound,
                                     &kDriveNotSupported, true};
const DiscoveryRule kMere9xDiscovery{Mere9xEntryText,     kDriveEntryCapacity,
                                     &kNoAtapiInterface,  &kSupportedDriveNotFound,
                                     &kDriveNotSupported, true};
const DiscoveryRule kBeck9xDiscovery{Beck9xEntryText,          kBeck9xDriveEntryCapacity,
                                     &kNoAtapiInterfaceBeck9x, &kSupportedDriveNotFoundBeck9x,
                                     &kDriveNotSupported,      true};
// BECK2K lists what BECK9X lists, walking drive letters; with nothing
// found at set-up it tells the user and ends.
const DiscoveryRule kBeck2kDiscovery{Beck9xEntryText,          kBeck9xDriveEntryCapacity,
                                     &kNoAtapiInterfaceBeck9x, &kSupportedDriveNotFoundBeck9x,
                                     &kDriveNotSupported,      true};
const DiscoveryRule kTarn2kDiscovery{Tarn2kEntryText,           kDriveEntryCapacity,
                                     &kNoAtapiInterface,        &kSupportedDriveNotFound,
                                     &kDriveNotSupportedTarn2k, true};
const DiscoveryRule kMere2kDiscovery{Mere2kEntryText,     kDriveEntryCapacity,
                                     &kNoAtapiInterface,  &kSupportedDriveNotFound,
                                     &kDriveNotSupported, false};

void EmptyDriveList(DriveListView& view) {
  for (int count = view.ListCount(); count > 0; --count) {
    if (!view.DeleteListItem(0)) break;
  }
}

SelectionCheck CheckSelectedDrive(DriveContext& context, int index, DriveList& list,
                                  DriveAccess& access) {
  SelectionCheck check;
  // A selection that names no entry (such as the "No I/F adapter" item) is
  // treated as no selection.
  const DriveEntry* entry = list.At(index);
  if (entry == nullptr) {
    check.logText = Pick(drive_messages::kNoDriveSelected, context.language);
    return check;
  }
  list.SetSelectedIndex(index);
  if (access.MakeCurrent(*entry) != 0) {
    check.logText = Pick(access.OpenFailure(), context.language);
    return check;
  }
  if (access.CheckSupported(context, *entry) == 0) {
    check.result = 0;
    return check;
  }
  check.logText = Pick(*context.profile.discovery.notSupported, context.language);
  return check;
}

}  // namespace kestrel
