#include "region/region_operations.h"

namespace kestrel {

bool RegionOperations::SetUpWindow(Language language, DriveDiscovery& discovery) {
  context_.language = language;
  discovery.Discover(view_, list_, DiscoveryOccasion::WindowSetUp);
  return !list_.Empty() || strategies_.traits.reportWithEmptyList;
}

}  // namespace kestrel
