#include "transport/aspi/aspi_result.h"

#include "transport/aspi/aspi_defs.h"

namespace kestrel {

AspiSupportInfo DecodeAspiSupportInfo(uint32_t supportInfo) {
  return AspiSupportInfo{static_cast<uint8_t>((supportInfo >> 8) & 0xFF),
                         static_cast<uint8_t>(supportInfo & 0xFF)};
}

bool AspiRequestPending(uint32_t sendResult) { return sendResult == aspi::SS_PENDING; }

int32_t AspiCommandResult(uint32_t status) { return status == aspi::SS_COMP ? 0 : -1; }

}  // namespace kestrel
