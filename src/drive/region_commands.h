// The region utilities' three commands: REPORT KEY (RPC State), READ DVD
// STRUCTURE (copyright information) and SEND KEY (Set RPC Structure). One
// builder and one sender each; the senders return the transport's result
// (0 success, else its failure value) or kCommandNotSent.
#pragma once
#include <array>
#include <cstdint>

#include "drive/command_set.h"
#include "drive/command_transport.h"
#include "drive/drive_context.h"

namespace kestrel {

constexpr uint8_t kOpReportKey = 0xA4;
constexpr uint8_t kOpSendKey = 0xA3;
constexpr uint8_t kOpReadDvdStructure = 0xAD;

// Key formats (CDB byte 10, AGID 0) and the structure format (CDB byte 7).
constexpr uint8_t kKeyFormatRpcState = 0x08;
constexpr uint8_t kKeyFormatSetRpc = 0x06;
constexpr uint8_t kStructureCopyright = 0x01;

constexpr uint8_t kRegionReplyLength = 8;   // RPC State and copyright information
constexpr uint8_t kRpcParameterLength = 8;  // Set RPC Structure parameter list
constexpr uint32_t kRegionTimeoutSeconds = 5;

using RegionReply = std::array<uint8_t, kRegionReplyLength>;
using RpcParameterList = std::array<uint8_t, kRpcParameterLength>;

// REPORT KEY, key format 08h, 8 bytes in.
ScsiCommand BuildReportRpcState(uint8_t* destination);
// READ DVD STRUCTURE, layer 0, format 01h, 8 bytes in.
ScsiCommand BuildReadCopyrightInfo(uint8_t* destination);
// SEND KEY, key format 06h, the 8-byte parameter list out.
ScsiCommand BuildSendRpcStructure(uint8_t* parameterList);
// 00 06 00 00 <mask> 00 00 00.
RpcParameterList MakeRpcParameterList(uint8_t preferredRegionMask);

// The replies arrive in DataBuffer (the pass-through request needs a buffer
// the driver accepts), cleared first; on success their 8 bytes are copied to
// `reply`, which a failure leaves as it was. A reply of fewer than 8 bytes,
// or whose data length (bytes 0-1) is under 6, is kReplyTooShort.
int32_t ReadRpcState(DriveContext& context, RegionReply& reply);
int32_t ReadDiscRegionInfo(DriveContext& context, RegionReply& reply);
// Sends the parameter list for the region whose mask is given (FEh region 1
// ... DFh region 6) from DataBuffer.
int32_t SetDriveRegion(DriveContext& context, uint8_t preferredRegionMask);

}  // namespace kestrel
