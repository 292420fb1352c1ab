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
// Result of a command that completed with less reply than its reader needs:
// it counts as failed, with that command's own failure text.
constexpr int32_t kReplyTooShort = -101;

// An INQUIRY reply shorter than this lacks vendor, product or revision.
constexpr uint32_t kInquiryMinimumLength = 36;

// Sends a data-in command after clearing its destination, so that bytes the
// drive never sends read as zeros and never as an earlier command's reply.
// kReplyTooShort when it completed with fewer than `needed` bytes.
int32_t ReceiveReply(DriveContext& context, const ScsiCommand& command, uint32_t needed);

// INQUIRY, 96 bytes into DataBuffer; kReplyTooShort under 36 bytes.
int32_t SendInquiry(DriveContext& context);
// REQUEST SENSE into SenseBuffer (the profile's length), which is cleared
// first: a REQUEST SENSE that fails shows no codes of an earlier failure.
int32_t SendRequestSense(DriveContext& context);
int32_t SendTestUnitReady(DriveContext& context);
// READ BUFFER / WRITE BUFFER, mode 01h. READ BUFFER clears its destination
// for the transfer length first.
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
