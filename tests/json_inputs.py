#!/usr/bin/env python3
"""Writes the input files of the JSON cases that no text case holds (cases/json-values/in/,
cases/json-bad-name/in/): FLOAT and DOUBLE values no JSON number expresses, an entry of more
values than the document lists, texts that are not UTF-8 and texts that need escapes (short, and
past 1 KB), numbers at the turns of their digits, a name that is not UTF-8; and of the meanings
cases (cases/meanings/in/, which json-meanings reads too): every enumerated tag of the Exif and
GPS directories at each value its meanings may name, and one past them.
    python3 tests/json_inputs.py"""
import struct

from makernote_inputs import ASCII, CASES, LONG, SHORT, SIZE, UNDEF, Tiff

FLOAT, DOUBLE = 11, 12
SIZE.update({FLOAT: 4, DOUBLE: 8})


def exif_file(order, exif_entries):
    t = Tiff(order)
    t.patch(4, 8)
    ifd0, f0 = t.ifd([(0x010F, ASCII, 5, "Caf\xe9\0"), (0x8769, LONG, 1, 0)])
    exif, _ = t.ifd(exif_entries)
    t.patch(f0[0x8769], exif)
    ifd1, _ = t.ifd([(0x0103, SHORT, 1, 6)])
    t.patch(ifd0 + 2 + 12 * 2, ifd1)
    return b"\xff\xd8\xff\xe1" + struct.pack(">H", len(t.b) + 8) + b"Exif\0\0" + bytes(t.b) + b"\xff\xd9"


def values(o):
    nan, inf = float("nan"), float("inf")
    return exif_file(o, [
        (0x9403, FLOAT, 4, struct.pack(o + "4f", nan, inf, -inf, 1.5)),
        (0x9404, DOUBLE, 3, struct.pack(o + "3d", nan, -inf, 5e-324)),
        # 5000 SHORTs: the document lists 4096 and says how many more.
        (0xC000, SHORT, 5000, struct.pack(o + "5000H", *range(5000))),
        # A text with a zero byte inside its count, bytes that are not UTF-8, a quote and a line end.
        (0xA434, ASCII, 16, b'L"ns\n\xff\xfe 50\0more\0\0\0'),
        (0x9286, UNDEF, 16, b"ASCII\0\0\0caf\xe9 \x01\0\0"),
        # A backslash, characters of three bytes at both ends of their lead bytes (E0, EF) and of
        # four, control bytes that have no short escape.
        (0xA435, ASCII, 24, b"C:\\dcim \xe0\xa0\x80\xef\xac\x81\xf0\x9f\x98\x80 \x01\x1f\x7f\0"),
        # Numbers at each turn of their digits.
        (0xC001, LONG, 11, struct.pack(o + "11I", 9, 10, 99, 100, 999, 1000, 9999, 10000, 99999999,
                                       100000000, 4294967295)),
        # An enumeration's value 0, which means something.
        (0x8830, SHORT, 1, 0),
        # A text past 1 KB, written in runs: characters of two, three and four bytes, a lone
        # continuation byte (0x80), a lead byte without its continuation, a quote, a backslash, a
        # control byte, each after 1 KB of plain text.
        (0xA436, ASCII, 1100, (b"x" * 1030 + b"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\x80 \xc3 \"\\\x01" +
                               b"y" * 1100)[:1099] + b"\0"),
        (0x927C, UNDEF, 8, b"\xaa" * 8),
    ])


# The enumerated tags of the Exif directory and the values their meanings reach.
ENUMERATED = {0x8822: 10, 0x8830: 8, 0x9207: 7, 0x9208: 25, 0x9209: 0x60, 0xA001: 3, 0xA210: 6, 0xA217: 9,
              0xA401: 9, 0xA402: 3, 0xA403: 2, 0xA406: 5, 0xA407: 5, 0xA408: 3, 0xA409: 3, 0xA40A: 3,
              0xA40C: 4, 0xA460: 4}
EXTRA = (255, 65535)  # LightSource's Other, ColorSpace's Uncalibrated


def meanings(o):
    entries = [(tag, SHORT, 1, v) for tag, last in ENUMERATED.items() for v in list(range(last + 1)) + list(EXTRA)]
    entries += [(0x9101, UNDEF, 4, bytes([c, 4 + c, 7, 0])) for c in range(4)]  # ComponentsConfiguration
    entries += [(0xA300, UNDEF, 1, bytes([v])) for v in range(5)] + [(0xA301, UNDEF, 1, bytes([v])) for v in range(3)]
    t = Tiff(o)
    t.patch(4, 8)
    ifd0, f0 = t.ifd([(0x8769, LONG, 1, 0), (0x8825, LONG, 1, 0)])
    exif, _ = t.ifd(entries)
    t.patch(f0[0x8769], exif)
    refs = [(tag, ASCII, 2, c + "\0") for tag, letters in ((0x0001, "NSX"), (0x0003, "EWX"), (0x0009, "AVX"),
                                                           (0x000A, "23X"), (0x000C, "KMNX"), (0x000E, "TMX"),
                                                           (0x0010, "TMX"), (0x0013, "NSX"), (0x0015, "EWX"),
                                                           (0x0017, "TMX"), (0x0019, "KMNX")) for c in letters]
    refs += [(0x0005, 1, 1, v) for v in range(4)] + [(0x001E, SHORT, 1, v) for v in range(3)]
    gps, _ = t.ifd(refs)
    t.patch(f0[0x8825], gps)
    return b"\xff\xd8\xff\xe1" + struct.pack(">H", len(t.b) + 8) + b"Exif\0\0" + bytes(t.b) + b"\xff\xd9"


def main():
    for case, files in (("json-values", {"ii.jpg": values("<"), "mm.jpg": values(">")}),
                        ("json-bad-name", {b"caf\xe9.jpg": values("<")}),
                        ("meanings", {"ii.jpg": meanings("<"), "mm.jpg": meanings(">")})):
        d = CASES / case / "in"
        d.mkdir(parents=True, exist_ok=True)
        for name, data in files.items():
            path = (bytes(d) + b"/" + name) if isinstance(name, bytes) else d / name
            open(path, "wb").write(data)


if __name__ == "__main__":
    main()
