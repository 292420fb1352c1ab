// The drive commands shared by the utilities, one builder and one sender each.
// Every sender returns the transport's result: 0 success, else its failure value.
#pragma once
#include <cstdint>

#include "drive/command_transport.h"
#include "drive/drive_context.h"

namespace kestrel {

// Result of a sender whose request could not be built (an offset beyond 24
// bits, or a work buffer that was never obtained): nothing was sent.
constexpr int32_t kCommandNotSent = -100;

// INQUIRY, 96 bytes into DataBuffer.
int32_t SendInquiry(DriveContext& context);
// REQUEST SENSE into SenseBuffer (the profile's length).
int32_t SendRequestSense(DriveContext& context);
int32_t SendTestUnitReady(DriveContext& context);
// READ BUFFER / WRITE BUFFER, mode 01h.
int32_t ReadDriveBuffer(DriveContext& context, uint8_t bufferId, uint32_t offset, uint16_t length,
                        uint8_t* destination);
// READ BUFFER for a comparison with `expected`: the destination first holds
// the complement of `expected`, so bytes the drive never sends (a transfer that
// ends early with good status) cannot compare equal.
int32_t ReadDriveBufferToCompare(DriveContext& context, uint8_t bufferId, uint32_t offset,
                                 uint16_t length, uint8_t* destination, const uint8_t* expected);
int32_t WriteDriveBuffer(DriveContext& context, uint8_t bufferId, uint32_t offset, uint16_t length,
                         uint8_t* source);
// WRITE BUFFER id 30h, no data.
int32_t PrepareDownload(DriveContext& context);
// WRITE BUFFER id 42h, no data: built here, sent by execute or by submit.
ScsiCommand FlashProgrammingCommand(DriveContext& context);
int32_t StartFlashProgramming(DriveContext& context);

}  // namespace kestrel
