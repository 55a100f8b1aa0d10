#!/usr/bin/env python3
"""Writes the input files of the maker-note golden cases (cases/makernote-*/in/, cases/tiff-subifds/in/):
small Exif JPEGs whose Exif directory holds a maker note of each layout, in both byte orders where the
layout has both, and the damage the maker-note walk meets.   python3 tests/makernote_inputs.py"""
import struct
from pathlib import Path

CASES = Path(__file__).parent / "cases"
SHORT, LONG, ASCII, UNDEF, RATIONAL, IFD = 3, 4, 2, 7, 5, 13
SIZE = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 7: 1, 13: 4}


class Tiff:
    """A TIFF structure built front to back; offsets are given from `base` (0: the TIFF header)."""

    def __init__(self, order):
        self.o, self.b = order, bytearray((b"II*\0" if order == "<" else b"MM\0*") + b"\0" * 4)

    def pack(self, fmt, *v, order=None):
        return struct.pack((order or self.o) + fmt, *v)

    def here(self):
        return len(self.b)

    def ifd(self, entries, base=0, order=None, next_ifd=0):
        """Writes an IFD of (tag, type, count, value) entries, value an int, bytes or str; values
        longer than 4 bytes follow it. Returns its offset and the positions of its value fields."""
        at, fields, data = self.here(), {}, []
        self.b += self.pack("H", len(entries), order=order)
        end = at + 2 + 12 * len(entries) + 4
        for tag, typ, count, value in entries:
            raw = value.encode("latin-1") if isinstance(value, str) else value
            if isinstance(raw, bytes) and count * SIZE[typ] > 4:
                field, data = self.pack("I", end + sum(len(d) for d in data) - base, order=order), data + [raw]
            elif isinstance(raw, bytes):
                field = raw.ljust(4, b"\0")
            elif typ == SHORT:
                field = self.pack("HH", raw, 0, order=order)
            else:
                field = self.pack("I", raw, order=order)
            fields[tag] = len(self.b) + 8
            self.b += self.pack("HHI", tag, typ, count, order=order) + field
        self.b += self.pack("I", next_ifd, order=order)
        for d in data:
            self.b += d
        return at, fields

    def patch(self, at, value, fmt="I"):
        self.b[at:at + struct.calcsize(fmt)] = self.pack(fmt, value)


def exif_jpeg(order, make, note, note_base=None, extra_exif=(), model="Model X"):
    """A JPEG whose IFD0 names `make` and points to an Exif directory holding `note(t)`'s maker note,
    and an IFD1 without a thumbnail. `note(t)` appends the maker note to `t` and returns its bytes'
    start."""
    t = Tiff(order)
    t.patch(4, 8)
    ifd0, f0 = t.ifd([(0x010F, ASCII, len(make) + 1, make + "\0"), (0x0110, ASCII, len(model) + 1, model + "\0"),
                      (0x8769, LONG, 1, 0)])
    exif, fe = t.ifd([(0x9000, UNDEF, 4, b"0232"), (0x927C, UNDEF, 0, 0)] + list(extra_exif))
    t.patch(f0[0x8769], exif)
    t.exif, start = exif, t.here()
    note(t)
    t.patch(fe[0x927C], start)
    t.patch(fe[0x927C] - 4, t.here() - start)  # the count
    ifd1, _ = t.ifd([(0x0103, SHORT, 1, 6)])
    t.patch(ifd0 + 2 + 12 * 3, ifd1)
    return b"\xff\xd8\xff\xe1" + struct.pack(">H", len(t.b) + 8) + b"Exif\0\0" + bytes(t.b) + b"\xff\xd9"


def entries(text_tag=0x0002):
    """Three entries: a SHORT in the entry, a text at an offset (which tells the base), a tag no table names."""
    return [(0x0001, SHORT, 1, 7), (text_tag, ASCII, 12, "serial 0042\0"), (0x7777, LONG, 1, 5)]


def plain(header, start=None, base="tiff", order=None, tags=None, base_at=0):
    """A maker note of `header`, then an IFD at `start` bytes in, offsets from the TIFF header or
    `base_at` bytes past the maker note's start."""
    def note(t):
        m = t.here()
        t.b += header
        t.b += b"\0" * ((start if start is not None else len(header)) - len(header))
        t.ifd(tags or entries(), base=m + base_at if base == "note" else 0, order=order)
    return note


def casio_value_before():
    """Casio's "QVC" maker note with one value stored before its IFD (the Make text of IFD0) and the
    rest after it, where they should be: its offsets are right, and its base stays."""
    def note(t):
        t.b += b"QVC\0\0\0"
        at, fields = t.ifd(entries() + [(0x0003, ASCII, 12, "after it   \0")])
        t.patch(fields[0x0002], t.b.find(b"CASIO COMPUTER"))
        t.patch(fields[0x0002] - 4, 23)  # the count: the Make text and its zero byte
    return note


def write(case, files):
    d = CASES / case / "in"
    d.mkdir(parents=True, exist_ok=True)
    for name, data in files.items():
        (d / name).write_bytes(data)


def layouts():
    f = {}
    # Tags named by their value's form: a version (ShotInfoD40), a version in a range
    # (LensData0201), a version no name fits (unnamed), a count (HDRInfo2) and the name otherwise.
    # Canon's 0x000D named by the camera's model ("EOS 5D" at its end, not "EOS 5D Mark II"; a
    # word "450D"), else by its type and count (a PowerShot's 138 LONGs), else its catch-all.
    for name, model, typ, count in (("canon-model-5d.jpg", "Canon EOS 5D", SHORT, 4),
                                    ("canon-model-5d2.jpg", "Canon EOS 5D Mark II", SHORT, 4),
                                    ("canon-model-450d.jpg", "Canon EOS 450D", SHORT, 4),
                                    ("canon-model-powershot.jpg", "Canon PowerShot S95", LONG, 138),
                                    ("canon-model-other.jpg", "Canon EOS R9", 1, 8)):
        f[name] = exif_jpeg("<", "Canon", plain(b"", tags=[(0x000D, typ, count, bytes(count * SIZE[typ]))]), model=model)
    # Sigma's version 3 moved tags: 0x0030 is LensApertureRange before it, Calibration from it on.
    for v in (1, 3):
        f[f"sigma-v{v}-ii.jpg"] = exif_jpeg("<", "SIGMA", plain(b"SIGMA\0\0\0\0" + bytes([v]), tags=[
            (0x0030, ASCII, 8, "30 text\0"), (0x0048, ASCII, 8, "48 text\0")]), model="SIGMA fp")
    f["nikon-versions.jpg"] = exif_jpeg("<", "NIKON CORPORATION", plain(b"Nikon\0\2\x10\0\0II*\0\x08\0\0\0", base="note", base_at=10, tags=[
        (0x0035, UNDEF, 6, b"\1\0\0\0\0\0"), (0x0035, UNDEF, 4, b"\1\0\0\0"), (0x0091, UNDEF, 8, b"0209\0\0\0\0"),
        (0x0098, UNDEF, 8, b"0202\0\0\0\0"), (0x0098, UNDEF, 8, b"0299\0\0\0\0"), (0x00A8, UNDEF, 8, b"0104\0\0\0\0")]))
    for o, s in (("<", "ii"), (">", "mm")):
        mo = "II" if o == "<" else "MM"
        f[f"canon-{s}.jpg"] = exif_jpeg(o, "Canon", plain(b"", tags=entries(0x0006)))
        f[f"nikon-{s}.jpg"] = exif_jpeg(o, "NIKON CORPORATION", nikon3(mo))
        f[f"nikon-headerless-{s}.jpg"] = exif_jpeg(o, "NIKON", plain(b""))
        f[f"olympus-{s}.jpg"] = exif_jpeg(o, "OLYMPUS OPTICAL CO.,LTD", plain(b"OLYMP\0\1\0"))
        f[f"olympus-new-{s}.jpg"] = exif_jpeg(
            o, "OLYMPUS IMAGING CORP.", plain(b"OLYMPUS\0" + mo.encode() + b"\3\0", base="note", order=o))
        f[f"om-system-{s}.jpg"] = exif_jpeg(
            o, "OM Digital Solutions", plain(b"OM SYSTEM\0\0\0" + mo.encode() + b"\4\0", base="note", order=o))
        f[f"pentax-aoc-{s}.jpg"] = exif_jpeg(o, "PENTAX Corporation", plain(b"AOC\0" + mo.encode()))
        f[f"pentax-{s}.jpg"] = exif_jpeg(o, "PENTAX", plain(b"PENTAX \0" + mo.encode(), base="note", order=o))
        f[f"sony-{s}.jpg"] = exif_jpeg(o, "SONY", plain(b"SONY DSC \0\0\0"))
        f[f"panasonic-{s}.jpg"] = exif_jpeg(o, "Panasonic", plain(b"Panasonic\0\0\0"))
        f[f"casio-qvc-{s}.jpg"] = exif_jpeg(o, "CASIO COMPUTER CO.,LTD", plain(b"QVC\0\0\0"))
        f[f"sigma-{s}.jpg"] = exif_jpeg(o, "SIGMA", plain(b"SIGMA\0\0\0\1\0"))
        f[f"sanyo-{s}.jpg"] = exif_jpeg(o, "SANYO Electric Co.,Ltd.", plain(b"SANYO\0\1\0"))
        f[f"minolta-{s}.jpg"] = exif_jpeg(o, "Minolta Co., Ltd.", plain(b""))
        f[f"ricoh-{s}.jpg"] = exif_jpeg(o, "RICOH", plain(b"Ricoh\0\0\0"))
        # The file's order, the other one in the maker note: told by the entry count.
        f[f"swapped-{s}.jpg"] = exif_jpeg(o, "Canon", plain(b"", order=">" if o == "<" else "<"))
    f["apple-mm.jpg"] = exif_jpeg(">", "Apple", plain(b"Apple iOS\0\0\1MM", base="note", order=">"))
    f["isl-ii.jpg"] = exif_jpeg("<", "Some Camera", plain(b"ISLMAKERNOTE000\0" + bytes(8), base="note", base_at=16))
    f["foveon-ii.jpg"] = exif_jpeg("<", "FOVEON", plain(b"FOVEON\0\0\1\0"))
    f["casio-value-before-mm.jpg"] = exif_jpeg(">", "CASIO COMPUTER CO.,LTD", casio_value_before())
    f["fujifilm-ii.jpg"] = exif_jpeg("<", "FUJIFILM", fuji())
    f["fujifilm-in-mm-file.jpg"] = exif_jpeg(">", "FUJIFILM", fuji())
    f["nikon-type2-mm-file.jpg"] = exif_jpeg(">", "NIKON", plain(b"Nikon\0\1\0", order="<"))
    f["pentax-aoc-blanks-mm.jpg"] = exif_jpeg(">", "PENTAX Corporation", plain(b"AOC\0  "))
    f["kodak-binary.jpg"] = exif_jpeg(">", "EASTMAN KODAK COMPANY", lambda t: t.b.extend(b"KDK INFO" + b"\1" * 40))
    f["text.jpg"] = exif_jpeg("<", "Some Camera", lambda t: t.b.extend(b"VER:1.0 QUALITY:FINE\0\0\0\0"))
    f["unknown-scan-ii.jpg"] = exif_jpeg("<", "Unknown Maker", plain(b"UNKNOWN\0\0\0"))
    f["unrecognised.jpg"] = exif_jpeg("<", "Unknown Maker", lambda t: t.b.extend(b"\xaa" * 48))
    write("makernote-layouts", f)


def nikon3(mo):
    """Nikon's maker note: "Nikon\\0\\2\\0\\0" and a TIFF header of its own, a PreviewIFD inside."""
    def note(t):
        m = t.here()
        o = "<" if mo == "II" else ">"
        t.b += b"Nikon\0\2\x10\0\0" + mo.encode() + t.pack("H", 42, order=o) + t.pack("I", 8, order=o)
        ifd, fields = t.ifd(entries(0x001D) + [(0x0011, LONG, 1, 0)], base=m + 10, order=o)
        preview, _ = t.ifd([(0x0201, LONG, 1, 100), (0x0202, LONG, 1, 200), (0x9999, ASCII, 8, "preview\0")],
                           base=m + 10, order=o)
        t.b[fields[0x0011]:fields[0x0011] + 4] = t.pack("I", preview - m - 10, order=o)
    return note


def fuji():
    def note(t):
        m = t.here()
        t.b += b"FUJIFILM" + struct.pack("<I", 12)
        t.ifd(entries(0x1000), base=m, order="<")
    return note


def kodak_tiff():
    """Kodak's TIFF-shaped maker note: a TIFF header, its IFD with offsets from the header, SubIFD0
    held in its entry after a byte-order mark (offsets from the entry's value), SubIFD1 held
    after a mark of the other byte order (offsets from the value), SubIFD2 pointed to, a mark
    first (offsets from the mark) and CameraInfo pointed to (offsets from the header)."""
    def note(t):
        m = t.here()
        t.b += b"MM\0*\0\0\0\x08"
        sub0 = Tiff(">")
        sub0.b = bytearray(b"MM")
        sub0.ifd([(0xFA19, ASCII, 12, "KCKCK12345\0\0"), (0xFA2E, SHORT, 1, 200)])
        sub1 = Tiff("<")
        sub1.b = bytearray(b"II")
        sub1.ifd([(0x0027, SHORT, 1, 100), (0x9999, ASCII, 8, "sub one\0")])
        at, fields = t.ifd([(0x0001, SHORT, 1, 7), (0xFC00, UNDEF, len(sub0.b), bytes(sub0.b)),
                            (0xFC01, UNDEF, len(sub1.b), bytes(sub1.b)), (0xFC02, LONG, 1, 0),
                            (0xFF00, LONG, 1, 0)], base=m, order=">")
        sub2 = t.here()
        t.b += b"MM"
        t.ifd([(0xF103, RATIONAL, 1, t.pack("II", 28, 10)), (0x6006, SHORT, 1, 3)], base=sub2, order=">")
        info = t.here()
        t.ifd([(0xFA04, ASCII, 10, "KC123456\0\0"), (0xF907, SHORT, 1, 4000)], base=m, order=">")
        t.patch(fields[0xFC02], sub2 - m)
        t.patch(fields[0xFF00], info - m)
    return note


def subdirectories():
    f = {}
    for o, s in (("<", "ii"), (">", "mm")):
        f[f"olympus-held-{s}.jpg"] = exif_jpeg(o, "OLYMPUS CORPORATION", olympus_held())
        f[f"olympus-pointed-{s}.jpg"] = exif_jpeg(o, "OLYMPUS IMAGING CORP.", olympus_pointed(o))
    f["kodak-tiff-mm.jpg"] = exif_jpeg(">", "EASTMAN KODAK COMPANY", kodak_tiff())
    # A maker outside the layouts whose maker note has a TIFF header of its own, 6 bytes in:
    # its offsets count from that header.
    def acme(t):
        m = t.here()
        t.b += b"ACME\0\0II*\0\x08\0\0\0"
        t.ifd([(0x0001, SHORT, 1, 3), (0x0002, ASCII, 12, "ACME serial\0")], base=m + 6, order="<")
    f["tiff-header-unknown-ii.jpg"] = exif_jpeg("<", "ACME", acme)
    f["ricoh-subdir-mm.jpg"] = exif_jpeg(">", "RICOH", ricoh_subdir(b"[Ricoh Camera Info]\0"))
    f["ricoh-not-subdir-mm.jpg"] = exif_jpeg(">", "RICOH", ricoh_subdir(b"[Something Else]...\0"))
    write("makernote-subdirs", f)


def olympus_held():
    """E-1 style: the Equipment directory is the bytes of entry 0x2010, offsets from the TIFF header."""
    def note(t):
        t.b += b"OLYMP\0\2\0"
        at, fields = t.ifd([(0x0200, LONG, 1, 3), (0x2010, UNDEF, 0, 0)])
        held = t.here()
        t.ifd([(0x0101, ASCII, 10, "BODY12345\0"), (0x0202, ASCII, 10, "LENS54321\0")])
        t.patch(fields[0x2010], held)
        t.patch(fields[0x2010] - 4, t.here() - held)
    return note


def olympus_pointed(o):
    """New style: entry 0x2010 of type IFD points to the Equipment directory, 0x2020 (LONG) to
    CameraSettings; offsets from the maker note's start."""
    def note(t):
        m = t.here()
        mo = b"II" if o == "<" else b"MM"
        t.b += b"OLYMPUS\0" + mo + b"\3\0"
        at, fields = t.ifd([(0x0200, LONG, 1, 3), (0x2010, IFD, 1, 0), (0x2020, LONG, 1, 0)], base=m, order=o)
        eq, _ = t.ifd([(0x0101, ASCII, 10, "BODY12345\0")], base=m, order=o)
        cs, _ = t.ifd([(0x0101, LONG, 1, 4096), (0x0102, LONG, 1, 512)], base=m, order=o)
        t.patch(fields[0x2010], eq - m)
        t.patch(fields[0x2020], cs - m)
    return note


def ricoh_subdir(prefix):
    """Ricoh's sub-directory: 20 bytes of identifier, then a big-endian IFD, in entry 0x2001's bytes."""
    def note(t):
        t.b += b"Ricoh\0\0\0"
        at, fields = t.ifd([(0x0001, ASCII, 4, "Rv1\0"), (0x2001, UNDEF, 0, 0)])
        held = t.here()
        t.b += prefix
        t.ifd([(0x0004, SHORT, 1, 9), (0x0005, ASCII, 6, "ricoh\0")], order=">")
        t.patch(fields[0x2001], held)
        t.patch(fields[0x2001] - 4, t.here() - held)
    return note


def damage():
    f = {}
    # A maker-note directory pointing back to the Exif directory, and one pointing to itself.
    def loop(t):
        t.b += b"OLYMP\0\2\0"
        at, fields = t.ifd([(0x2010, IFD, 1, 0), (0x2020, IFD, 1, 0)])
        t.patch(fields[0x2010], t.exif)
        t.patch(fields[0x2020], at)
    f["loop-to-exif.jpg"] = exif_jpeg("<", "OLYMPUS", loop)
    # Its entries' values cut by the end of the file: the Exif segment says more than the file holds.
    cut = exif_jpeg("<", "Canon", plain(b"", tags=[(0x0006, ASCII, 64, "x" * 63 + "\0"), (0x0007, SHORT, 1, 1)]))
    f["cut.jpg"] = cut[:-60]
    # The identifier of a layout, and no IFD after it: a count of 65535 garbage entries.
    f["garbage-ifd.jpg"] = exif_jpeg("<", "SONY", lambda t: t.b.extend(b"SONY DSC \0\0\0\xff\xff" + bytes(range(256))))
    # A PreviewIFD pointer of the wrong type, one past the data read, one of 0 (nothing there).
    def pointers(t):
        m = t.here()
        t.b += b"Nikon\0\2\x10\0\0II*\0\x08\0\0\0"
        t.ifd([(0x0011, SHORT, 1, 8), (0x0011, LONG, 1, 0x7FFFFFF0), (0x0011, LONG, 1, 0)], base=m + 10, order="<")
    f["pointers.jpg"] = exif_jpeg("<", "NIKON CORPORATION", pointers)
    # A maker note of 4 bytes, which nothing can be read from; and one past the data read.
    f["tiny.jpg"] = exif_jpeg("<", "Canon", lambda t: t.b.extend(b"\1\0\2\0"))
    big = bytearray(exif_jpeg("<", "Canon", plain(b"")))
    pos = big.find(struct.pack("<HH", 0x927C, UNDEF)) + 8
    big[pos:pos + 4] = struct.pack("<I", 0x00FFFFF0)
    f["past-data.jpg"] = bytes(big)
    # A Canon maker note that an editor moved 64 bytes on, its offsets kept: its footer tells where
    # it stood, and the base moves with it.
    f["canon-moved.jpg"] = canon_moved()
    # Moved 164 bytes back, further than the TIFF header lies from the file's start: its offsets
    # count from before the file's first byte, by its footer; then without a footer, by where
    # its values must begin.
    f["canon-moved-back.jpg"] = canon_moved(-164)
    f["canon-moved-no-footer.jpg"] = canon_moved(-164, footer=False)
    # Without a footer, values 40 bytes after the IFD that no move puts inside the maker note
    # whole: taken as they stand.
    f["canon-gap.jpg"] = canon_moved(0, footer=False, pad=36)
    write("makernote-damage", f)


def canon_moved(shift=64, footer=True, pad=0):
    """A Canon maker note that an editor moved `shift` bytes on (back, when negative) and whose
    offsets it kept; with `footer`, the footer tells where it was written. `pad` bytes of nothing
    stand between its IFD and its values as the camera wrote them."""
    t = Tiff("<")
    t.patch(4, 8)
    ifd0, f0 = t.ifd([(0x010F, ASCII, 6, "Canon\0"), (0x8769, LONG, 1, 0)])
    exif, fe = t.ifd([(0x927C, UNDEF, 0, 0)])
    t.patch(f0[0x8769], exif)
    t.b += b"\0" * max(shift, 0)  # what the editor inserted
    m = t.here()
    # The maker note as the camera wrote it, `shift` bytes away: every offset in it `shift` off.
    written = m - shift
    note = Tiff("<")
    note.b = bytearray(written)
    at, fields = note.ifd([(0x0006, ASCII, 12, "PowerShot X\0"), (0x0007, ASCII, 8, "1.0.0.0\0")])
    if pad:
        for field in fields.values():
            note.patch(field, struct.unpack("<I", note.b[field:field + 4])[0] + pad)
        note.b[at + 2 + 24 + 4:at + 2 + 24 + 4] = bytes(pad)
    note.b += b"II*\0" + struct.pack("<I", written) if footer else b""
    t.b += note.b[written:]
    t.patch(fe[0x927C], m)
    t.patch(fe[0x927C] - 4, t.here() - m)
    ifd1, _ = t.ifd([(0x0103, SHORT, 1, 6)])
    t.patch(ifd0 + 2 + 12 * 2, ifd1)
    return b"\xff\xd8\xff\xe1" + struct.pack(">H", len(t.b) + 8) + b"Exif\0\0" + bytes(t.b) + b"\xff\xd9"


def tiff_subifds():
    """TIFF-format files: IFD0 with two SubIFDs, IFD1, then IFD2 and a chain that loops back."""
    f = {}
    for o, s in (("<", "ii"), (">", "mm")):
        t = Tiff(o)
        t.patch(4, 8)
        ifd0, f0 = t.ifd([(0x0100, LONG, 1, 64), (0x014A, LONG, 2, bytes(8)), (0x0132, ASCII, 20, "2024:05:06 07:08:09\0")])
        subs = [t.ifd([(0x0100, LONG, 1, 640 * (k + 1)), (0x0103, SHORT, 1, 7), (0xC612, 1, 4, b"\1\4\0\0")])[0]
                for k in range(2)]
        table = struct.unpack(o + "I", t.b[f0[0x014A]:f0[0x014A] + 4])[0]
        t.b[table:table + 8] = t.pack("II", *subs)
        ifd1, f1 = t.ifd([(0x0103, SHORT, 1, 6), (0x014A, LONG, 1, 0)])
        ifd2, _ = t.ifd([(0x0100, LONG, 1, 32), (0x5555, SHORT, 2, b"\0\1\0\2")])
        ifd3, _ = t.ifd([(0x0101, LONG, 1, 24)], next_ifd=ifd2)  # back to IFD2: the chain stops
        t.patch(ifd0 + 2 + 12 * 3, ifd1)
        t.patch(ifd1 + 2 + 12 * 2, ifd2)
        t.patch(ifd2 + 2 + 12 * 2, ifd3)
        t.patch(f1[0x014A], subs[0])  # IFD1's SubIFD is IFD0's first: already dumped
        f[f"subifds-{s}.tif"] = bytes(t.b)
    write("tiff-subifds", f)


if __name__ == "__main__":
    layouts()
    subdirectories()
    damage()
    tiff_subifds()
