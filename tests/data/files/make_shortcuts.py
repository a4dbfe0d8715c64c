#!/usr/bin/env python3
"""Writes the shortcut fixtures of the file tests in the Shell Link binary format
(header, then a LinkInfo structure with a local base path or a network share), by the
published format description.  Run it from this folder; its output is committed."""
import struct

CLSID = bytes.fromhex("0114020000000000c000000000000046")
HAS_LINK_INFO = 0x02
FILETIME = 0x01D4_0000_0000_0000  # some day in 2018


def header(flags):
    return struct.pack("<I16sII3QIiIHHII", 0x4C, CLSID, flags, 0x20,
                       FILETIME, FILETIME, FILETIME, 1234, 0, 1, 0, 0, 0, 0)


def local_link_info(base_path: bytes):
    volume = struct.pack("<IIII", 0x10 + 6, 3, 0x1234ABCD, 0x10) + b"DISK1\0"
    header_size = 0x1C
    volume_at = header_size
    path_at = volume_at + len(volume)
    suffix_at = path_at + len(base_path) + 1
    body = volume + base_path + b"\0" + b"\0"
    size = header_size + len(body)
    return struct.pack("<IIIIIII", size, header_size, 0x1, volume_at, path_at, 0,
                       suffix_at) + body


def network_link_info(net_name: bytes, suffix: bytes):
    cnrl = struct.pack("<IIIII", 0x14 + len(net_name) + 1, 0, 0x14, 0, 0) + net_name + b"\0"
    header_size = 0x1C
    cnrl_at = header_size
    suffix_at = cnrl_at + len(cnrl)
    body = cnrl + suffix + b"\0"
    size = header_size + len(body)
    return struct.pack("<IIIIIII", size, header_size, 0x2, 0, 0, cnrl_at, suffix_at) + body


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


# A shortcut to C:\Docs\report.txt.
write("report.lnk", header(HAS_LINK_INFO) + local_link_info(b"C:\\Docs\\report.txt") + b"\0" * 4)
# A shortcut to a file on a share, \\srv\pub\dir\f.txt.
write("share.lnk", header(HAS_LINK_INFO) + network_link_info(b"\\\\srv\\pub", b"dir\\f.txt")
      + b"\0" * 4)
# A shortcut whose target has a double-byte name: C:\<hyo>\a.txt in code page 932, the
# second byte of the character being the code of the backslash.
write("kanji.lnk", header(HAS_LINK_INFO) + local_link_info(b"C:\\\x95\x5c\\a.txt") + b"\0" * 4)
# A broken shortcut: the header promises a LinkInfo the file does not hold.
write("broken.lnk", header(HAS_LINK_INFO)[:60])
