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
