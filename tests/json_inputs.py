#!/usr/bin/env python3
"""Writes the input files of the JSON cases that no text case holds (cases/json-values/in/,
cases/json-bad-name/in/): FLOAT and DOUBLE values no JSON number expresses, an entry of more
values than the document lists, texts that are not UTF-8 and texts that need escapes (short, and
past 1 KB), numbers at the turns of their digits, a name that is not UTF-8; and of the meanings
cases (cases/meanings/in/, which json-meanings reads too): every enumerated tag of the Exif and
GPS directories at each value its meanings may name, and one past them.
    python3 tests/json_inputs.py"""
import struct

from makernote_inputs import ASCII, CASES, LONG, RATIONAL, SHORT, SIZE, UNDEF, Tiff, exif_jpeg, plain

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


SRATIONAL, BYTE = 10, 1
SIZE.update({SRATIONAL: 8, BYTE: 1})


def r(*pairs, o="<"):
    return struct.pack(o + "I" * (2 * len(pairs)), *[x for p in pairs for x in p])


def facts_file(o, ifd0, exif, gps):
    """IFD0 with `ifd0` and the Exif and GPS pointers, the Exif directory `exif`, the GPS directory
    `gps`, and an IFD1 without a thumbnail."""
    t = Tiff(o)
    t.patch(4, 8)
    ifd0_at, f0 = t.ifd(ifd0 + [(0x8769, LONG, 1, 0), (0x8825, LONG, 1, 0)])
    at, _ = t.ifd(exif)
    t.patch(f0[0x8769], at)
    at, _ = t.ifd(gps)
    t.patch(f0[0x8825], at)
    ifd1, _ = t.ifd([(0x0103, SHORT, 1, 6)])
    t.patch(ifd0_at + 2 + 12 * (len(ifd0) + 2), ifd1)
    return b"\xff\xd8\xff\xe1" + struct.pack(">H", len(t.b) + 8) + b"Exif\0\0" + bytes(t.b) + b"\xff\xd9"


def text(s):
    return (ASCII, len(s) + 1, s + "\0")


def facts(o):
    """Every fact from the standard directories: texts with blanks around them, a copyright of
    photographer and editor, a modification date in ISO 8601's own form, fractions of a second
    and offsets, coordinates south and west, an altitude below sea level, a GPS time with a
    fraction of a second."""
    return facts_file(o, [
        (0x010F, *text("  Canon  ")), (0x0110, *text("Canon EOS R5")), (0x0112, SHORT, 1, 6),
        (0x0131, *text("Firmware 1.8.1")), (0x0132, *text("2024-05-06T07:08:09+02:00")),
        (0x013B, *text("A. Photographer")), (0x8298, ASCII, 16, "Photographer\0Ed\0"),
    ], [
        (0x829A, RATIONAL, 1, r((1, 250), o=o)), (0x829D, RATIONAL, 1, r((28, 10), o=o)),
        (0x8827, SHORT, 1, 400), (0x9003, *text("2024:05:06 07:08:09")), (0x9004, *text("2024:05:06 07:08:10")),
        (0x9011, *text("-05:30")), (0x9209, SHORT, 1, 0x19), (0x920A, RATIONAL, 1, r((50, 1), o=o)),
        (0x9291, *text("123")), (0x9292, *text("45")), (0xA002, LONG, 1, 8192), (0xA003, LONG, 1, 5464),
        (0xA405, SHORT, 1, 75), (0xA430, *text("Owner Name ")), (0xA431, *text("  ABC123  ")),
        (0xA434, *text("RF24-105mm F4 L IS USM")),
    ], [
        (0x0001, *text("S")), (0x0002, RATIONAL, 3, r((33, 1), (51, 1), (5424, 100), o=o)),
        (0x0003, *text("W")), (0x0004, RATIONAL, 3, r((151, 1), (12, 1), (3000, 100), o=o)),
        (0x0005, BYTE, 1, b"\1"), (0x0006, RATIONAL, 1, r((125, 10), o=o)),
        (0x0007, RATIONAL, 3, r((23, 1), (59, 1), (595, 10), o=o)), (0x0011, RATIONAL, 1, r((1805, 10), o=o)),
        (0x001D, *text("2024:05:06")),
    ])


def facts_damaged(o):
    """Facts whose entries cannot be used: a latitude of 91 degrees, a longitude with a zero
    denominator, a GPS time of 25 o'clock, a GPS direction of 400 degrees, dates of zeros and of
    the 13th month, an unknown 35 mm focal length, an orientation of 9, no reference for the
    latitude's twin, an exposure of 0/0."""
    return facts_file(o, [
        (0x0112, SHORT, 1, 9), (0x0132, *text("2024:13:06 07:08:09")),
    ], [
        (0x829A, RATIONAL, 1, r((0, 0), o=o)), (0x9003, *text("0000:00:00 00:00:00")),
        (0x9004, *text("yesterday")), (0xA405, SHORT, 1, 0),
    ], [
        (0x0001, *text("N")), (0x0002, RATIONAL, 3, r((91, 1), (0, 1), (0, 1), o=o)),
        (0x0003, *text("E")), (0x0004, RATIONAL, 3, r((2, 1), (0, 0), (0, 1), o=o)),
        (0x0006, RATIONAL, 1, r((100, 1), o=o)),
        (0x0007, RATIONAL, 3, r((25, 1), (0, 1), (0, 1), o=o)), (0x0011, RATIONAL, 1, r((400, 1), o=o)),
        (0x0013, *text("Q")), (0x001D, *text("2024:05:06")),
    ])


def maker_facts():
    """The makers' serial numbers, lenses, shutter counts, firmware and owner, where the Exif
    directory has none: Canon's (a number; the lens as text, and as a number from CameraSettings),
    Nikon's (its ISO), Pentax's."""
    settings = struct.pack("<24H", *([48] + [0] * 21 + [61182, 0]))  # its size in bytes first
    canon = [(0x0001, SHORT, 24, settings), (0x0007, *text("Firmware Version 1.0.1")),
             (0x0009, *text("Camera Owner")), (0x000C, LONG, 1, 2381234567), (0x0095, *text("EF50mm f/1.8 STM"))]
    nikon_note = lambda t: _nikon(t)
    return {
        "canon.jpg": exif_jpeg("<", "Canon", plain(b"", tags=canon), model="Canon EOS 6D"),
        "canon-lens-number.jpg": exif_jpeg("<", "Canon", plain(b"", tags=canon[:1]), model="Canon EOS 6D"),
        "nikon.jpg": exif_jpeg(">", "NIKON CORPORATION", nikon_note, model="NIKON D850"),
        "pentax.jpg": exif_jpeg(">", "PENTAX", plain(b"AOC\0MM", tags=[
            (0x003F, BYTE, 2, b"\x04\x12"), (0x005D, LONG, 1, 12345), (0x0229, *text("4321987"))]),
            model="PENTAX K-1"),
    }


def _nikon(t):
    """Nikon's maker note with a TIFF header of its own: a serial number, a shutter count, ISO."""
    m = t.here()
    t.b += b"Nikon\0\2\x10\0\0MM" + struct.pack(">HI", 42, 8)
    t.ifd([(0x0002, SHORT, 2, struct.pack(">HH", 0, 800)), (0x001D, *text("3012345")), (0x00A7, LONG, 1, 98765)],
          base=m + 10, order=">")


def main():
    for case, files in (("json-values", {"ii.jpg": values("<"), "mm.jpg": values(">")}),
                        ("json-bad-name", {b"caf\xe9.jpg": values("<")}),
                        ("meanings", {"ii.jpg": meanings("<"), "mm.jpg": meanings(">")}),
                        ("facts", dict({"facts-ii.jpg": facts("<"), "facts-mm.jpg": facts(">"),
                                        "damaged.jpg": facts_damaged(">")}, **maker_facts()))):
        d = CASES / case / "in"
        d.mkdir(parents=True, exist_ok=True)
        for name, data in files.items():
            path = (bytes(d) + b"/" + name) if isinstance(name, bytes) else d / name
            open(path, "wb").write(data)


if __name__ == "__main__":
    main()
