// The report's texts in the window's language: the count label and the drive
// and disc lines of the log; and the change's line for a region the drive has.
#pragma once
#include <string>

#include "region/region_decoding.h"
#include "shell/language.h"

namespace kestrel {

// "Regional code can be changed %dtime(s)" with the user changes left, or
// "This drive does not support RPC2" when the scheme is not RPC Phase II.
std::string CountLabelText(const RpcStateFields& rpc, Language language);
std::string DriveRegionLine(const DriveRegion& region, Language language);
std::string DiscRegionLine(const DiscRegions& disc, Language language);
// Region 1-6 written as the drive line writes it.
std::string AlreadySetLine(int region, Language language);

}  // namespace kestrel
