#include "drive/unit_attention.h"

namespace kestrel {
namespace {

// Compared with sense byte 2 whole.
constexpr uint8_t kUnitAttentionKey = 0x06;

}  // namespace

int32_t SendPastUnitAttentions(DriveContext& context, int resends,
                               const std::function<int32_t()>& send,
                               const std::function<bool()>& fetchSense, SenseCodes& sense) {
  for (int sent = 0;; ++sent) {
    sense = SenseCodes{};
    context.buffers().sense.fill(0);
    const int32_t result = send();
    if (result == 0) return result;
    if (!fetchSense()) return result;
    sense = DecodeSense(context.buffers());
    if (sense.keyByte != kUnitAttentionKey || sent >= resends) return result;
  }
}

}  // namespace kestrel
