#!/usr/bin/env python3
"""Writes the update packages the launcher tests extract.

The zip records are written by hand so that each package can carry exactly the oddity a test
needs: host system and attribute bits, local-only extra fields, bad CRCs, encryption flags,
cut data and names that try to leave the extraction folder. The "tool_" packages hold one tree
("tree") packed by each zip tool that scripts/setup.sh installs; the "odd_" ones hold it too.

usage: make_packages.py <output folder>
"""
import os
import random
import struct
import subprocess
import sys
import zlib

UNIX, DOS = 3, 0
DOS_DATE = (2021, 3, 4, 5, 6, 8)  # local time of every entry


def dos_datetime(year, month, day, hour, minute, second):
    return ((year - 1980) << 9) | (month << 5) | day, (hour << 11) | (minute << 5) | (second // 2)


def ut_block(flags, *times):
    data = bytes([flags]) + b"".join(struct.pack("<i", t) for t in times)
    return b"UT" + struct.pack("<H", len(data)) + data


class Entry:
    def __init__(self, name, data=b"", *, host=UNIX, attrs=None, method=8, local_extra=b"",
                 flags=0x800, crc=None, cut=0, local_method=None, size=None):
        self.name = name.encode("utf-8") if isinstance(name, str) else name
        self.data = data
        self.host = host
        if attrs is None:
            attrs = (0o40755 << 16) | 0x10 if self.name.endswith(b"/") else 0o644 << 16
        self.attrs = attrs
        self.method = method
        self.local_extra = local_extra
        self.flags = flags
        self.crc = zlib.crc32(data) if crc is None else crc
        self.cut = cut  # bytes dropped from the end of the stored data
        self.local_method = method if local_method is None else local_method
        self.size = len(data) if size is None else size  # as the headers declare it

    def payload(self):
        if self.method == 8:
            c = zlib.compressobj(9, zlib.DEFLATED, -15)
            body = c.compress(self.data) + c.flush()
        else:
            body = self.data
        return body[:len(body) - self.cut] if self.cut else body


def write_zip(path, entries):
    date, time = dos_datetime(*DOS_DATE)
    out = bytearray()
    central = bytearray()
    for e in entries:
        body = e.payload()
        offset = len(out)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, e.flags, e.local_method, time, date,
                           e.crc, len(body), e.size, len(e.name), len(e.local_extra))
        out += e.name + e.local_extra + body
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, (e.host << 8) | 20, 20, e.flags,
                               e.method, time, date, e.crc, len(body), e.size, len(e.name),
                               0, 0, 0, 0, e.attrs, offset)
        central += e.name
    start = len(out)
    out += central
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central),
                       start, 0)
    with open(path, "wb") as f:
        f.write(out)


def write_zip64_claiming(path, entries, claimed):
    """A zip whose zip64 end record claims `claimed` entries; the central directory holds
    only `entries`."""
    write_zip(path, entries)
    with open(path, "rb") as f:
        data = f.read()
    end = data.rindex(struct.pack("<I", 0x06054B50))
    _, _, _, _, _, cd_size, cd_start, _ = struct.unpack("<IHHHHIIH", data[end:end + 22])
    out = bytearray(data[:end])
    zip64_end = len(out)
    out += struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, claimed, claimed, cd_size,
                       cd_start)
    out += struct.pack("<IIQI", 0x07064B50, 0, zip64_end, 1)
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    with open(path, "wb") as f:
        f.write(out)


APP = b"".join(b"line %d of the app\n" % i for i in range(4000))  # 7z takes BZip2 for it alone
# An empty "bin/app.dat.part" before "bin/app.dat": no temporary file may take its name.
TREE = {"readme.txt": b"read me\n", "logs/": b"", "bin/app.dat.part": b"", "bin/app.dat": APP,
        "bin/noise.bin": random.Random(28).randbytes(20000)}
# Run in the tree. Into a pipe zip streams its entries (not with -fz: zip 3.0 then writes an end
# record that no reader takes, unzip included).
TOOLS = {
    "tool_zip.zip": "zip -qrX {} .", "tool_zip_store.zip": "zip -qrX0 {} .",
    "tool_zip64.zip": "zip -qrX -fz {} .", "tool_zip_streamed.zip": "zip -qrX - . | cat >{}",
    "tool_bsdtar.zip": "bsdtar --format zip -cf {} .",  # "./" names
    "tool_bsdtar_store.zip": "bsdtar --format zip --options zip:compression=store -cf {} .",
    "tool_7z.zip": "7z a -tzip -bd {} . >/dev/null",
    "tool_7z_bzip2.zip": "7z a -tzip -mm=BZip2 -bd {} . >/dev/null",
}


def write_tool_packages(folder):
    tree = os.path.join(folder, "tree")
    subprocess.run(["rm", "-rf", tree], check=True)  # files an earlier TREE held
    for name, data in TREE.items():
        os.makedirs(os.path.dirname(os.path.join(tree, name)), exist_ok=True)
        if not name.endswith("/"):
            with open(os.path.join(tree, name), "wb") as f:
                f.write(data)
    for package, command in TOOLS.items():
        out = os.path.abspath(os.path.join(folder, package))
        subprocess.run("rm -f {0} && ".format(out) + command.format(out), shell=True, cwd=tree,
                       check=True)


def tree_entries(name=lambda n: n, **app):
    """The tree as entries under `name`; `app` are the Entry arguments of bin/app.dat."""
    return [Entry(name(n), d, **(app if d is APP else {})) for n, d in TREE.items()]


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    # First: basic.zip, which the build waits for, comes once every tool has run.
    write_tool_packages(folder)
    big = random.Random(7).randbytes(100 * 1024) + b"tail"

    write_zip(os.path.join(folder, "basic.zip"), [
        Entry("bin/"),
        Entry("bin/app.dat", b"new app", local_extra=ut_block(1, 1700000000)),
        Entry("readme.txt", b"read me", local_extra=ut_block(7, 1600000000, 1600000100, 1500000000)),
        Entry("ro.txt", b"read only", attrs=0o444 << 16),
        Entry("dos_hidden.txt", b"hidden", host=DOS, attrs=0x22),
        Entry("C:/drive/d.txt", b"drive"),
        Entry("/lead.txt", b"lead"),
        Entry("x/../y/up.txt", b"up"),
        Entry("big.bin", big),
        Entry("stored.txt", b"stored as is", method=0),
        Entry("./", method=0),
    ])
    write_zip(os.path.join(folder, "traversal.zip"), [
        Entry("../evil1.txt", b"evil"),
        Entry(b"..\\evil2.txt", b"evil"),
        Entry(b"a\\..\\..\\evil3.txt", b"evil"),
        Entry(b"D:\\..\\evil4.txt", b"evil"),
        Entry(b"... /evil5.txt", b"evil"),
        Entry("stream.txt:evil", b"evil"),
        Entry("../evil_dir/"),
        Entry(b"\\\\server\\share\\unc.txt", b"unc"),
        Entry("good.txt", b"good"),
    ])
    write_zip(os.path.join(folder, "failures.zip"), [
        Entry("badcrc.txt", b"new data", method=0, crc=0x12345678),
        Entry("cut.bin", big, cut=4096),
        Entry("secret.txt", b"secret", flags=0x801),
        Entry("badlocal.txt", b"mismatch", local_method=0),
        Entry("d/" + "n" * 296 + ".txt", b"long"),
        Entry("after.txt", b"after"),
    ])
    write_zip(os.path.join(folder, "ut_bounds.zip"), [
        # The block claims 13 bytes of times, but the field ends after its flags.
        Entry("claims_more.txt", b"a", local_extra=b"UT" + struct.pack("<H", 13) + b"\x07"),
        # Flags name all three times, but the block holds only the write time; the bytes
        # after it belong to another block.
        Entry("short_block.txt", b"b",
              local_extra=ut_block(7, 1700000000)[:2] + struct.pack("<H", 5) +
              b"\x07" + struct.pack("<i", 1700000000) +
              b"XX" + struct.pack("<H", 8) + struct.pack("<ii", 1000, 2000)),
        # A block before the time block is stepped over by its size.
        Entry("after_other.txt", b"c",
              local_extra=b"XY" + struct.pack("<H", 3) + b"abc" + ut_block(1, 1650000000)),
    ])
    write_zip64_claiming(os.path.join(folder, "claims_too_many.zip"),
                         [Entry("only.txt", b"the only entry")], 2147483647)
    # What the staged-update tests apply over a test install.
    write_zip(os.path.join(folder, "update_client.zip"), [
        Entry("res/"),
        Entry("res/skin/"),
        Entry("res/skin/look.xml", b"<look version=\"2\"/>", local_extra=ut_block(1, 1700000000)),
        Entry("version.txt", b"2.0.0"),
        Entry("../outside.txt", b"evil"),
    ])
    # Oddities no tool writes.
    write_zip(os.path.join(folder, "odd_dot_parts.zip"),
              tree_entries(lambda n: "./" + n.replace("/", "/./")))
    climbers = [Entry(n, b"evil") for n in ("./../readme.txt", "a/../../readme.txt")]
    write_zip(os.path.join(folder, "odd_climbing.zip"), tree_entries() + climbers)
    # Labelled BZip2, as many bytes as its size: minizip hands them out, the CRC unchecked.
    write_zip(os.path.join(folder, "odd_bzip2.zip"), tree_entries(method=12))
    # The data ends before the size and CRC the headers give.
    whole = APP + b"more" * 25
    write_zip(os.path.join(folder, "odd_short.zip"),
              tree_entries(size=len(whole), crc=zlib.crc32(whole)))
    # Plain data flagged encrypted, in a folder of its own.
    write_zip(os.path.join(folder, "odd_encrypted.zip"),
              tree_entries() + [Entry("locked/secret.txt", b"secret", flags=0x801)])
    # A name of 1091 bytes whose first 1023 end with "/": cut there, it would name a folder.
    write_zip(os.path.join(folder, "odd_long_name.zip"),
              tree_entries() + [Entry("deeep/" + "abcdefgh/" * 120 + "x.txt", b"long")])
    # A name without the UTF-8 flag, in code page 1252 ("\u20acuro.txt").
    write_zip(os.path.join(folder, "ansi_name.zip"), [Entry(b"\x80uro.txt", b"euro", flags=0)])
    # The central directory breaks off before its last record, that of "bin/noise.bin".
    write_zip(os.path.join(folder, "odd_broken_directory.zip"), tree_entries())
    with open(os.path.join(folder, "odd_broken_directory.zip"), "r+b") as f:
        f.seek(f.read().rindex(b"PK\x01\x02"))
        f.write(b"PK\x09\x09")


if __name__ == "__main__":
    main()
