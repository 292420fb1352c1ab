#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets that read a stream of choices
(tests/fuzz/fuzz_input.h): each seed walks one path a drive can take, and the
fuzzer goes from there. Run from anywhere; rewrites corpus/<target>/seed_*."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

OK, FAIL = b"\x00", b"\x01"
WHOLE = b"\x00\x00"  # UpTo: the whole transfer


def reply(data):
    """A good data-in reply of the whole transfer."""
    return OK + WHOLE + data


def short(data):
    """A good data-in reply of len(data) bytes only."""
    return OK + struct.pack(">H", 0x8000 | len(data)) + data


def failed(sense=b"", data_in=False):
    """A failed command; with automatic sense, its 18 bytes follow."""
    return FAIL + (WHOLE if data_in else b"") + sense


def sense(key, asc, ascq=0, fmt=0x70):
    if fmt >= 0x72:  # descriptor format: key, ASC, ASCQ in bytes 1-3
        return bytes([fmt, key, asc, ascq, 0, 0, 0, 0]).ljust(18, b"\0")
    return bytes([fmt, 0, key, 0, 0, 0, 0, 10, 0, 0, 0, 0, asc, ascq]).ljust(18, b"\0")


def inquiry(product=b"DVD-ROM DRV-320 ", revision=b"1.10", vendor=b"KESTREL "):
    data = bytes([5, 0x80, 0, 0x32, 91, 0, 0, 0]) + vendor + product + revision
    return (data + b" 2003/05/12").ljust(96, b"\0")


CPU_BLOCK = b"KESTREL DRV-320 HITACHI H8_3062A"
RPC = bytes([0, 6, 0, 0, 0x64, 0xFD, 1, 0])        # region 2, four changes left
NEVER_SET = bytes([0, 6, 0, 0, 0x25, 0xFF, 1, 0])  # no region yet
COPYRIGHT = bytes([0, 6, 0, 0, 1, 0xFB, 0, 0])     # CSS, region 3 only
PAGE = bytes([0, 32, 0x40, 0, 0, 0, 0, 0, 0x2A, 24, 0, 0, 0, 0, 0, 0,
              0x15, 0xA5, 0, 0, 0, 0, 0x15, 0xA5]).ljust(34, b"\0")
OPEN = b"\x00"  # the drive letter opens


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if name.startswith("seed_"):
            os.remove(os.path.join(folder, name))
    for name, data in seeds.items():
        with open(os.path.join(folder, "seed_" + name), "wb") as f:
            f.write(data)


# drive_reply: selector, program, then the answers.
write("drive_reply", {
    "inquiry": b"\x00\x01" + reply(inquiry()) + reply(inquiry()),
    "inquiry_short": b"\x00\x03" + short(inquiry()[:34]) + short(inquiry()[:40]),
    "sense_fixed": b"\x01\x01" + reply(sense(2, 0x3A)) + reply(sense(6, 0x28)),
    "sense_descriptor": b"\x01\x00" + reply(sense(2, 0x04, 1, 0x72)) + reply(sense(3, 0, 0, 0x73)),
    "cpu_block": b"\x02\x01" + reply(CPU_BLOCK),
    "cpu_old_layout": b"\x02\x01" + reply(b"\0" * 32) + reply(CPU_BLOCK) + reply(sense(5, 0x24)),
    "rpc_state": b"\x03\x03" + reply(RPC),
    "copyright": b"\x04\x03" + short(COPYRIGHT[:7]),
    "mode_sense": b"\x05\x05" + reply(PAGE),
    "page_descriptors": b"\x06\x05" + bytes([0, 40, 0x40, 0, 0, 0, 0, 8]) + b"\0" * 8 + PAGE[8:],
})

# random_drive: operation bytes (0 firmware discovery, 1 update, 2 region
# set-up, 3 report, 4 change, 5 speed discovery, 6 speed report, 7 speed
# change, 8 mode change), each followed by its choices and the drive's answers.
update = (b"\x01\x01" + OPEN + reply(inquiry()) + reply(CPU_BLOCK) + b"\x01"  # confirmed
          + OK * 6)  # WRITE BUFFER 30h, four blocks and the trailer
report = b"\x03\x01" + OPEN + reply(RPC) + reply(COPYRIGHT)
write("random_drive", {
    "update": update,
    "update_refused": b"\x01\x01" + OPEN + reply(inquiry()) + reply(CPU_BLOCK) + b"\x01" + OK
                      + failed(sense(5, 0x26)) + OK * 4,
    "update_plain_block": b"\x01\x01" + OPEN + reply(inquiry()) + reply(b"\0" * 32)
                          + reply(b"\0" * 32) + reply(CPU_BLOCK) + b"\x01" + OK * 6,
    "discovery": b"\x00" + (OPEN + reply(inquiry())) * 3 + b"\x01" * 20,
    "region_change": report + b"\x04\x01\x03" + OPEN + OK + OK,
    "region_own": report + b"\x04\x01\x02" + OPEN + OK + OK,
    "region_first": b"\x03\x01" + OPEN + reply(NEVER_SET) + failed(sense(2, 0x3A))
                    + b"\x04\x01\x01" + OPEN + OK,
    "speed_report": b"\x06\x01" + OPEN + reply(PAGE) + reply(inquiry()),
    "mode_no_disc": b"\x08\x01\x02" + OPEN + failed(sense(2, 0x3A)) + OK,
    "mode_disc": b"\x08\x01\x02" + OPEN + OK + b"\x01" + OK + OK,
})

# transport_result: byte 0 picks the transport (0 SG_IO, 1 pass-through, 2
# ASPI, 3 the bare rules); then the port's answers, in the order it is asked.
def be16(n):
    return struct.pack(">H", n)


INQ = inquiry()[:36]
SENSE_NOT_READY = sense(2, 0x3A)


def sg(data=b"", status=0, driver=0, sense_bytes=b"", resid=0):
    """One SG_IO answer: no errno, the data, the header's fields."""
    head = OK + (WHOLE + data if data else b"")
    return (head + bytes([status]) + be16(0) + be16(driver) + bytes([len(sense_bytes)])
            + sense_bytes + be16(resid))


def command(shape, length, opcode):
    return bytes([shape]) + be16(length) + bytes([opcode])


IN6, NONE6 = 0x14, 0x30  # 6-byte CDB with automatic sense: data in, no data
CAPABILITIES = struct.pack("<IIIII", 24, 0x10000, 17, 0, 1) + b"\0" * 4
ADDRESS = struct.pack("<I", 8) + bytes([1, 0, 0, 0])


def passthrough(data=b"", status=0, whole=True, sense_bytes=b"", refused=False):
    head = WHOLE + data if data else b""
    return (head + bytes([status]) + (b"\x01" if whole else b"\x00\x00\x10")
            + bytes([len(sense_bytes)]) + sense_bytes.ljust(32, b"\0")
            + (b"\x01" if refused else b"\x00"))


write("transport_result", {
    "sg_inquiry": b"\x00" + OK + command(IN6, 36, 0x12) + sg(INQ),
    "sg_check_condition": b"\x00" + OK + command(NONE6, 0, 0x00)
                          + sg(status=2, driver=8, sense_bytes=SENSE_NOT_READY),
    "sg_residual": b"\x00" + OK + command(IN6, 96, 0x12) + sg(INQ, resid=60),
    "sg_errno": b"\x00" + OK + command(IN6, 36, 0x12) + b"\x01\x00",
    "passthrough_inquiry": b"\x01" + OK + CAPABILITIES + OK + ADDRESS + OK
                           + command(IN6, 36, 0x12) + passthrough(INQ),
    "passthrough_short": b"\x01" + OK + CAPABILITIES + OK + ADDRESS + OK
                         + command(IN6, 36, 0x12) + passthrough(INQ[:16], whole=False),
    "passthrough_sense": b"\x01" + OK + CAPABILITIES + OK + ADDRESS + OK
                         + command(NONE6, 0, 0x00) + passthrough(status=2,
                                                                 sense_bytes=SENSE_NOT_READY),
    "aspi_inquiry": b"\x02\x01" + b"ATAPI INTELATA  " + b"\x02" + b"\x01" + b"\x00\x00"
                    + command(IN6, 36, 0x12) + WHOLE + INQ + b"\x00\x00" + b"\0" * 16 + b"\x01",
    "rules": b"\x03\x01" + be16(36) + be16(0) + be16(0) + b"\x02" + be16(0) + be16(8)
             + b"\x01\x20\x12\x00" + b"\x01\x02" + be16(1) + be16(0x0101),
})

# sim_input: byte 0 picks the reader (0 ini, 1 state, 2 folder, 3 socket).
INI = b"""adapter=intelata
target=0 kestrel model=DRV-320 rev=1.10 date=2003/05/12 cpu="HITACHI H8_3062A"
programming_ms=3000
disc=css
disc_rmi=FC
rpc_type=0
rpc_changes=5
rpc_mask=FF
target=1 other vendor="PIONEER " product="DVD-ROM DVD-106" rev=1.00 type=5
fault=fail opcode=3B
"""
STATE = (b"kestrel-sim-state 1\ndrive 0 0\n"
         b"product " + b"DVD-ROM DRV-320 ".hex().upper().encode() + b"\n"
         b"identity " + b"1.10 2003/05/12".hex().upper().encode() + b"\n"
         b"rpc 1 4 4 fd 0\nmode quiet\nactive performance\nspeed 2822\n"
         b"flash 000400 " + (CPU_BLOCK * 2).hex().upper().encode() + b"\nend\n")


def sg_request(sequence, direction, cdb, length, kind=1):
    return (struct.pack("<IIBBBBII", 0x4B534731, sequence, kind, direction, len(cdb), 18, 5000,
                        length) + cdb.ljust(16, b"\0"))


write("sim_input", {
    "ini": b"\x00" + INI,
    "state": b"\x01" + STATE,
    "folder": b"\x02" + INI + b"\x00" + STATE,
    "socket_inquiry": b"\x03" + sg_request(1, 1, bytes([0x12, 0, 0, 0, 36, 0]), 36)
                      + sg_request(2, 0, bytes(6), 0),
    "socket_address": b"\x03" + sg_request(1, 0, b"", 0, kind=2),
    "socket_write": b"\x03" + sg_request(1, 2, bytes([0x3B, 1, 0, 0, 0, 0, 0, 0, 32, 0]), 32)
                    + CPU_BLOCK,
})
