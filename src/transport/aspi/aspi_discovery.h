// Discovery of the ASPI builds: host adapters and their
// target ids.
#pragma once
#include <cstddef>

#include "drive/discovery.h"

namespace kestrel {

// The label table of the ASPI builds has room for 16 adapters of 7 targets;
// adapters beyond the 16th are not examined.
constexpr size_t kLabelTableAdapters = 16;
constexpr size_t kLabelTableTargets = 7;

class AspiDiscovery : public DriveDiscovery {
 public:
  AspiDiscovery(DriveContext& context, AdapterBus& bus) : context_(context), bus_(bus) {}
  // Walks adapters and targets, lists what the program's rule accepts, makes
  // the first of the maker's DVD drives current and selects list item 0.
  // With nothing listed, or no maker drive among the devices, tells the user
  // and closes the window. The occasion makes no difference here.
  void Discover(DriveListView& view, DriveList& list, DiscoveryOccasion occasion) override;

 private:
  void ExamineTarget(DriveListView& view, DriveList& list, const DiscoveryRule& rule,
                     AspiAddress address);
  void ReportNotFound(DriveListView& view, const DiscoveryRule& rule);

  DriveContext& context_;
  AdapterBus& bus_;
};

}  // namespace kestrel
