#include "transport/aspi/aspi_discovery.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "drive/cdb_builders.h"
#include "drive/command_set.h"
#include "drive/drive_messages.h"

namespace kestrel {
namespace {

// ATAPI interfaces: only the master and slave positions can hold a drive.
bool AtapiInterface(const std::array<char, 16>& identifier) {
  return std::memcmp(identifier.data(), "ESDI_506", 8) == 0 ||
         std::memcmp(identifier.data(), "intelata", 8) == 0;
}

}  // namespace

void AspiDiscovery::Discover(DriveListView& view, DriveList& list, DiscoveryOccasion) {
  const DiscoveryRule& rule = context_.profile.discovery;
  EmptyDriveList(view);
  list.Clear();

  const size_t adapterCount = bus_.AdapterCount();
  if (adapterCount == 0) {
    view.ShowMessageBox(Pick(*rule.noInterface, context_.language), context_.programName());
    view.AddListItem(drive_messages::kNoAdapterEntry);
    ReportNotFound(view, rule);
    return;
  }

  const bool intelataPresent = bus_.IntelataPresent();
  const size_t examined = std::min(adapterCount, kLabelTableAdapters);
  for (size_t a = 0; a < examined; ++a) {
    const uint8_t adapter = static_cast<uint8_t>(a);
    size_t targets = kLabelTableTargets;
    if (AtapiInterface(bus_.AdapterIdentifier(adapter))) {
      targets = 2;
    } else if (intelataPresent) {
      continue;
    }
    for (size_t t = 0; t < targets; ++t) {
      ExamineTarget(view, list, rule, AspiAddress{adapter, static_cast<uint8_t>(t)});
    }
  }

  if (!list.Empty() && list.FirstMakerDrive()) {
    bus_.SelectDrive(*list.FirstMakerDrive());
    view.SelectListItem(0);
    view.RefreshControls();
    return;
  }
  ReportNotFound(view, rule);
}

void AspiDiscovery::ExamineTarget(DriveListView& view, DriveList& list, const DiscoveryRule& rule,
                                  AspiAddress address) {
  bus_.SelectDrive(address);
  if (SendInquiry(context_) != 0) return;
  const uint8_t* reply = context_.buffers().data;

  char label[16];
  std::snprintf(label, sizeof label, drive_messages::kTargetLabelFormat,
                static_cast<unsigned>(address.target));
  if (!list.FirstMakerDrive() && IsMakerDvd(reply, kInquiryLength))
    list.SetFirstMakerDrive(address);

  std::optional<std::string> text = rule.entryText(reply, kInquiryLength, label);
  if (!text || list.Size() >= rule.entryCapacity) return;
  const std::string item = *text;
  if (!list.Add(DriveEntry{std::move(*text), address})) return;
  view.AddListItem(AnsiText(context_.language, item));
  view.RefreshControls();
}

void AspiDiscovery::ReportNotFound(DriveListView& view, const DiscoveryRule& rule) {
  view.ShowMessageBox(Pick(*rule.notFound, context_.language), drive_messages::kNotFoundCaption);
  view.CloseWindow();
}

}  // namespace kestrel
