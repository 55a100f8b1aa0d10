#!/usr/bin/env python3
"""Writes the input files of the JSON cases that no text case holds (cases/json-values/in/,
cases/json-bad-name/in/): FLOAT and DOUBLE values no JSON number expresses, an entry of more
values than the document lists, texts that are not UTF-8 and texts that need escapes, numbers at
the turns of their digits, a name that is not UTF-8.
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
        (0x927C, UNDEF, 8, b"\xaa" * 8),
    ])


def main():
    for case, files in (("json-values", {"ii.jpg": values("<"), "mm.jpg": values(">")}),
                        ("json-bad-name", {b"caf\xe9.jpg": values("<")})):
        d = CASES / case / "in"
        d.mkdir(parents=True, exist_ok=True)
        for name, data in files.items():
            path = (bytes(d) + b"/" + name) if isinstance(name, bytes) else d / name
            open(path, "wb").write(data)


if __name__ == "__main__":
    main()
