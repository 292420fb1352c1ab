// The drive's side of the region commands: the tray's readiness goes to the
// region state, its answer comes back as the drive's reply.
#include "sim/model/drive_model.h"

namespace kestrel::sim {

Drive::Reply Drive::RegionCommand(const Request& request) {
  DiscReadiness disc = DiscReadiness::Ready;
  if (!discPresent_) {
    disc = DiscReadiness::NoMedium;
  } else if (NowMs() < readyAtMs_) {
    disc = DiscReadiness::BecomingReady;
  }
  RegionAnswer answer =
      region_.Execute(request.cdb, request.cdbLength, request.out, request.outLength, disc);
  if (answer.raiseUnitAttention) unitAttention_ = true;
  Reply reply;
  reply.status = answer.good ? ScsiStatus::Good : ScsiStatus::CheckCondition;
  reply.sense = answer.sense;
  reply.in = std::move(answer.in);
  reply.outUsed = answer.outUsed;
  return reply;
}

}  // namespace kestrel::sim
