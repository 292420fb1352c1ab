#include "region/region_operations.h"

namespace kestrel {

void RegionOperations::SetUpWindow(Language language, DriveDiscovery& discovery) {
  context_.language = language;
  discovery.Discover(view_, list_, DiscoveryOccasion::WindowSetUp);
  if (list_.Empty() && !strategies_.traits.reportWithEmptyList) return;
  ReportRegion();
}

const DriveEntry* RegionOperations::SelectedEntry(int& index) const {
  index = view_.ListSelection();
  // A list item that stands for no drive ("No I/F adapter") counts as none.
  return list_.At(index);
}

}  // namespace kestrel
