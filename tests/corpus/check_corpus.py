#!/usr/bin/env python3
"""Runs pelnor over the real-camera corpus and checks it against MANIFEST.tsv and exiftool.

Checks (one per --check, so ctest reports them apart):
  views       exit code, whole output structure and closing lines, with and without -o,
              against the manifest's pelnor_view; the entries each IFD dump holds against the
              raw bytes of the file.
  thumbnails  .thumb.jpg equal byte for byte to exiftool's ThumbnailImage; .thumb.bmp decoded by
              ImageMagick with exiftool's IFD1 size and resolution, and with the pixels libtiff
              decodes from the same strip (tiff2rgba for YCbCr; compared when it is installed).
  tags        what the dump decodes for IFD0 and IFD1 against exiftool -n.

Exit code 0 when everything agrees, 1 on any disagreement, 77 when the corpus or a needed tool
(exiftool; identify and convert of ImageMagick) is missing. Standard library only.
"""

import argparse
import base64
import csv
import json
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

SKIP = 77
READ_SIZE = 32768
TIFF_AT = 12  # file position of the TIFF header when the Exif segment comes first

TYPE_NAMES = ["UNDEFINED", "BYTE", "ASCII", "SHORT", "LONG", "RATIONAL", "SBYTE", "UNDEFINED",
              "SSHORT", "SLONG", "SRATIONAL", "FLOAT", "DOUBLE", "UNKNOWN"]
ASCII, SHORT, LONG, RATIONAL, SSHORT, SLONG, SRATIONAL = 2, 3, 4, 5, 8, 9, 10

NOT_FOUND = b"thumbnail not exist or not support\n"
NO_IFD1 = b"Not exist 1thIFD(for thumbnail)\n"
KIND_LINE = {"JPEG": b"thumbnail exist [JPEG]\n", "RGB": b"thumbnail exist [TIFF/RGB]\n",
             "YCbCr": b"thumbnail exist [TIFF/YCbCr]\n"}
SUFFIX = {"JPEG": ".thumb.jpg", "RGB": ".thumb.bmp", "YCbCr": ".thumb.bmp"}

GENERIC = re.compile(rb" *(0x[0-9a-f]+|0):Tag=(0x[0-9a-f]+|0)\[(-?\d+)\] Type=([A-Z]+)\[(-?\d+)\]"
                     rb" Num=(-?\d+) offset=(0x[0-9a-f]+|0)\[(0x[0-9a-f]+|0)\]\n")
IFD_BEYOND = re.compile(rb"\t<(?:IFD beyond the data read|(\d+) of (\d+) entries beyond the data read)>\n")
# What may follow the closing bracket of a text: the next entry, an IFD marker or the IFD's end.
AFTER_TEXT = re.compile(rb"(?: *(?:0x[0-9a-f]+|0):Tag=|\t<|\n)")
BEYOND = b"<beyond the data read>"

# The twenty tags with a decoded line; every other ASCII entry prints its text.
DECODED_TAGS = {256, 257, 258, 259, 262, 273, 274, 277, 278, 279, 282, 283, 284, 296,
                513, 514, 529, 530, 531, 532}
LABELS = {256: "ImageWidth", 257: "ImageLength", 273: "StripOffsets", 277: "SamplesPerPixel",
          278: "RowsPerStrip", 279: "StripByteCounts", 282: "XResolution", 283: "YResolution",
          513: "JPEG Thumbnail Offset", 514: "JPEG Thumbnail Length", 531: "YCbCrSubPositioning"}
ENUMS = {
    259: ("Compression", {1: "No Compression", 7: "JPEG"}, "Other"),
    262: ("PhotometricInterpretation", {1: "BlacksZero", 2: "RGB", 6: "YCbCr"}, "Other"),
    274: ("Orientation", {1: "Normal", 3: "180 degrees", 6: "clockwise 90 degrees",
                          8: "counter-clockwise 90 degrees"}, "Unknown"),
    284: ("PlanarConfiguration", {1: "Chunk", 2: "Planar format"}, "Unknown"),
    296: ("ResolutionUnit", {1: "No absolute unit of measurement", 2: "Inch", 3: "Centimeter"},
          "Unknown"),
}
# exiftool reports these tags as file positions; pelnor prints TIFF offsets.
FILE_POSITION_TAGS = {273, 513}


class Report:
    def __init__(self):
        self.faults = []
        self.counts = {}
        self.notes = []
        self.verbose = False

    def fault(self, name, what, expected, actual):
        self.faults.append(f"{name}: {what}: expected {expected!r}, got {actual!r}")

    def note(self, name, what):
        self.notes.append(f"{name}: {what}")

    def detail(self, name, what):
        if self.verbose:
            self.notes.append(f"{name}: {what}")

    def count(self, key, n=1):
        self.counts[key] = self.counts.get(key, 0) + n


# ---------------------------------------------------------------- the file, read independently

class RawIfd:
    """An IFD as the first 32 KB of the file hold it: where it is and which entries lie inside."""

    def __init__(self, offset, total, entries, beyond_line):
        self.offset = offset
        self.total = total            # entry count, None when the count itself lies outside
        self.entries = entries        # (file position, tag, type, count, raw 4 value bytes)
        self.beyond_line = beyond_line


class RawTiff:
    def __init__(self, data):
        self.data = data
        self.endian = "<" if data[TIFF_AT:TIFF_AT + 2] == b"II" else ">"

    def has(self, tiff_offset, size):
        return tiff_offset + TIFF_AT + size <= len(self.data)

    def u16(self, tiff_offset):
        return struct.unpack_from(self.endian + "H", self.data, TIFF_AT + tiff_offset)[0]

    def u32(self, tiff_offset):
        return struct.unpack_from(self.endian + "I", self.data, TIFF_AT + tiff_offset)[0]

    def ifd(self, offset):
        if not self.has(offset, 2):
            return RawIfd(offset, None, [], b"\t<IFD beyond the data read>\n")
        total = self.u16(offset)
        entries = []
        for k in range(total):
            at = offset + 2 + 12 * k
            if not self.has(at, 12):
                break
            tag, typ, count = struct.unpack_from(self.endian + "HHI", self.data, TIFF_AT + at)
            entries.append((at + TIFF_AT, tag, typ, count, self.data[TIFF_AT + at + 8:TIFF_AT + at + 12]))
        line = b""
        if len(entries) < total:
            line = b"\t<%d of %d entries beyond the data read>\n" % (total - len(entries), total)
        return RawIfd(offset, total, entries, line)

    def ifds(self):
        """IFD0 and IFD1 (None when the file has none, or its next-IFD field lies outside)."""
        ifd0 = self.ifd(self.u32(4)) if self.has(4, 4) else RawIfd(None, None, [], b"\t<IFD beyond the data read>\n")
        if ifd0.total is None or len(ifd0.entries) < ifd0.total:
            return ifd0, None
        next_field = ifd0.offset + 2 + 12 * ifd0.total
        if not self.has(next_field, 4) or self.u32(next_field) == 0:
            return ifd0, None
        return ifd0, self.ifd(self.u32(next_field))

    def rational(self, tiff_offset, signed):
        if not self.has(tiff_offset, 8):
            return None
        num, den = struct.unpack_from(self.endian + ("ii" if signed else "II"), self.data,
                                      TIFF_AT + tiff_offset)
        return num, den


# ---------------------------------------------------------------- pelnor's output, parsed

class Entry:
    def __init__(self, m):
        self.position = int(m.group(1), 16)
        self.tag = int(m.group(3))
        self.type = int(m.group(5))
        self.type_name = m.group(4).decode()
        self.count = int(m.group(6)) & 0xFFFFFFFF
        self.value = int(m.group(7), 16)
        self.value_plus_12 = int(m.group(8), 16)
        self.tag_hex = int(m.group(2), 16)
        self.decoded = b""        # the decoded lines, or the text between the brackets
        self.text_cut = False     # the text ran past the data read


class Dump:
    def __init__(self):
        self.ifds = []            # list of (entries, IFD marker line)
        self.tail = b""           # everything after the last IFD's blank line


def parse_ifd(out, p):
    entries = []
    while True:
        m = GENERIC.match(out, p)
        if not m:
            break
        e = Entry(m)
        p = m.end()
        if e.tag in DECODED_TAGS:
            start = p
            while out.startswith(b"\t", p) and not IFD_BEYOND.match(out, p):
                p = out.index(b"\n", p) + 1
            e.decoded = out[start:p]
        elif e.type == ASCII:
            if not out.startswith(b"\t[", p):
                raise ValueError(f"no text after the entry at {e.position:#x}")
            p += 2
            q = p
            while True:
                plain = out.find(b"]\n", q)
                cut = out.find(b"] " + BEYOND + b"\n", q)
                ends = [x for x in (plain, cut) if x >= 0]
                if not ends:
                    raise ValueError(f"unterminated text at {e.position:#x}")
                end = min(ends)
                after = end + (2 if end == plain else len(BEYOND) + 3)
                if after == len(out) or AFTER_TEXT.match(out, after):
                    e.decoded = out[p:end]
                    e.text_cut = end != plain
                    p = after
                    break
                q = end + 1
        entries.append(e)
    marker = b""
    m = IFD_BEYOND.match(out, p)
    if m:
        marker = m.group(0)
        p = m.end()
    if not out.startswith(b"\n", p):
        raise ValueError(f"unexpected output at byte {p}: {out[p:p + 60]!r}")
    return entries, marker, p + 1


def parse_dump(out):
    """The two IFD dumps and the lines after them; ValueError when the output is malformed."""
    dump = Dump()
    head0, head1 = b"0th IFD dumping...:\n", b"1th IFD dumping...:\n"
    if not out.startswith(head0):
        raise ValueError("no IFD0 heading")
    entries, marker, p = parse_ifd(out, len(head0))
    dump.ifds.append((entries, marker))
    if out.startswith(head1, p):
        entries, marker, p = parse_ifd(out, p + len(head1))
        dump.ifds.append((entries, marker))
    dump.tail = out[p:]
    return dump


# ---------------------------------------------------------------- running things

def run_pelnor(pelnor, workdir, name, with_output):
    args = [pelnor] + (["-o"] if with_output else []) + [name]
    r = subprocess.run(args, cwd=workdir, capture_output=True, timeout=30)
    made = sorted(f for f in os.listdir(workdir) if f != name)
    return r.returncode, r.stdout, r.stderr, made


def load_manifest(corpus):
    with open(os.path.join(corpus, "MANIFEST.tsv"), newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f, delimiter="\t"))
    return sorted(rows, key=lambda r: r["file"])


def run_all(pelnor, corpus, rows, scratch):
    """Each file copied into a directory of its own and run without and with -o."""
    results = {}
    for row in rows:
        name = row["file"]
        work = os.path.join(scratch, "run", name)
        os.makedirs(work)
        shutil.copyfile(os.path.join(corpus, name), os.path.join(work, name))
        plain = run_pelnor(pelnor, work, name, False)
        with_o = run_pelnor(pelnor, work, name, True)
        results[name] = (work, plain, with_o)
    return results


def exiftool_json(exiftool, paths):
    """exiftool's IFD values per file name: {group: [(tag id, value), ...]}."""
    args = [exiftool, "-n", "-G1", "-a", "-u", "-D", "-j", "-IFD0:all", "-IFD1:all"] + paths
    r = subprocess.run(args, capture_output=True, timeout=300)
    if not r.stdout.strip():
        return {}
    # Keep numbers as exiftool wrote them and every duplicate key, in order.
    docs = json.loads(r.stdout.decode("utf-8", "replace"), parse_int=str, parse_float=str,
                      object_pairs_hook=lambda pairs: pairs)
    tags = {}
    for doc in docs:
        source = next(v for k, v in doc if k == "SourceFile")
        per_group = {}
        for key, item in doc:
            if ":" not in key or not isinstance(item, list):
                continue
            group = key.split(":", 1)[0]
            fields = dict(item)
            if not str(fields.get("id", "")).isdigit():
                continue
            per_group.setdefault(group, []).append((int(fields["id"]), fields.get("val")))
        tags[os.path.basename(source)] = per_group
    return tags


def tiff_block(corpus, name, scratch):
    """The file from its TIFF header on, as a TIFF file of its own: exiftool refuses some JPEG
    files whose image data is cut off, but reads their Exif block this way."""
    path = os.path.join(scratch, "tiff-block", name + ".tif")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(os.path.join(corpus, name), "rb") as f:
        f.seek(TIFF_AT)
        data = f.read()
    with open(path, "wb") as f:
        f.write(data)
    return path


class ExifValues:
    """exiftool's IFD0 and IFD1 values for each file, and where its offsets count from."""

    def __init__(self, exiftool, corpus, names, scratch):
        self.tags = exiftool_json(exiftool, [os.path.join(corpus, n) for n in names])
        self.base = {n: TIFF_AT for n in names}
        self.fallback = []
        unread = [n for n in names if "IFD0" not in self.tags.get(n, {})]
        if unread:
            again = exiftool_json(exiftool, [tiff_block(corpus, n, scratch) for n in unread])
            for n in unread:
                if "IFD0" in again.get(n + ".tif", {}):
                    self.tags[n] = again[n + ".tif"]
                    self.base[n] = 0
                    self.fallback.append(n)

    def group(self, name, group):
        return self.tags.get(name, {}).get(group, [])


def read_head(path):
    with open(path, "rb") as f:
        return f.read(READ_SIZE)


# ---------------------------------------------------------------- check 1: what each file gives

def expected_tail(view, name, with_output, whole_thumbnail):
    if view in ("noIFD1", "noifd0"):
        return NO_IFD1, 1
    if view in ("none", "ifd1out"):
        return NOT_FOUND, 0
    if not with_output:
        return KIND_LINE[view], 0
    out_name = (name + SUFFIX[view]).encode()
    last = b"done[%s]\n" % out_name if whole_thumbnail else b"File Write error for [%s]\n" % out_name
    return b"Createing thumbnail file[%s]...\n" % out_name + KIND_LINE[view] + last, 0


def check_dump_against_file(rep, name, dump, raw):
    """Every entry inside the data read is dumped at its place with its tag, type and count."""
    ifd0, ifd1 = raw.ifds()
    for index, (raw_ifd, (entries, marker)) in enumerate(zip((ifd0, ifd1), dump.ifds)):
        where = f"IFD{index}"
        if raw_ifd is None:
            rep.fault(name, f"{where} dumped", "no such IFD", len(entries))
            continue
        if marker != raw_ifd.beyond_line:
            rep.fault(name, f"{where} end marker", raw_ifd.beyond_line, marker)
        if len(entries) != len(raw_ifd.entries):
            rep.fault(name, f"{where} entries dumped", len(raw_ifd.entries), len(entries))
        for e, (pos, tag, typ, count, _) in zip(entries, raw_ifd.entries):
            got = (e.position, e.tag, e.tag_hex, e.type, e.count)
            if got != (pos, tag, tag, typ, count):
                rep.fault(name, f"{where} entry at {pos:#x} (position, tag, tag, type, count)",
                          (pos, tag, tag, typ, count), got)
            if e.type_name != TYPE_NAMES[min(typ, 13)] or e.value_plus_12 != (e.value + 12) & 0xFFFFFFFF:
                rep.fault(name, f"{where} generic line of tag {tag}", TYPE_NAMES[min(typ, 13)],
                          (e.type_name, e.value, e.value_plus_12))
            rep.count("entries")
    if ifd1 is not None and len(dump.ifds) < 2:
        rep.fault(name, "IFD1 dumped", "an IFD1 dump", "none")


def check_views(rep, rows, results, corpus):
    for row in rows:
        name, view = row["file"], row["pelnor_view"]
        work, plain, with_o = results[name]
        whole = row["thumb_in_32k"] == "yes"
        rep.count("files")
        for with_output, (rc, out, err, made) in ((False, plain), (True, with_o)):
            run = f"{name}{' -o' if with_output else ''}"
            if err:
                rep.fault(run, "standard error", b"", err)
            if view == "reject":
                if (rc, out) != (1, b"Not also Exif file\n"):
                    rep.fault(run, "exit code and output", (1, b"Not also Exif file\n"), (rc, out[:80]))
                continue
            if view == "badorder":
                if (rc, out) != (0, b"Endian do not deside\n\n"):
                    rep.fault(run, "exit code and output", (0, b"Endian do not deside\n\n"), (rc, out[:80]))
                continue
            try:
                dump = parse_dump(out)
            except ValueError as e:
                rep.fault(run, "dump structure", "a well-formed dump", str(e))
                continue
            tail, code = expected_tail(view, name, with_output, whole)
            if rc != code:
                rep.fault(run, "exit code", code, rc)
            if dump.tail != tail:
                rep.fault(run, "closing lines", tail, dump.tail)
            if not with_output:
                check_dump_against_file(rep, name, dump, RawTiff(read_head(os.path.join(corpus, name))))
            else:
                plain_out = plain[1]
                plain_dump = plain_out[:len(plain_out) - len(expected_tail(view, name, False, whole)[0])]
                if out[:len(out) - len(dump.tail)] != plain_dump:
                    rep.fault(run, "dump", "the same as without -o", "different")
        # Without -o nothing is written; with -o only the thumbnail pelnor reports.
        expected_files = []
        if view in KIND_LINE:
            expected_files = [name + SUFFIX[view]]
        if plain[3]:
            rep.fault(name, "files written without -o", [], plain[3])
        if with_o[3] != expected_files:
            rep.fault(name + " -o", "files written", expected_files, with_o[3])
        elif expected_files and view in KIND_LINE:
            size = os.path.getsize(os.path.join(work, expected_files[0]))
            if whole and size == 0:
                rep.fault(name + " -o", "thumbnail size", "non-empty", 0)
            if not whole and size != 0:
                rep.fault(name + " -o", "thumbnail past the data read", "an empty file", size)


# ---------------------------------------------------------------- check 2: thumbnails

def ifd1_values(exif, name):
    """exiftool's IFD1 values by tag id (first occurrence)."""
    values = {}
    for tag, val in exif.group(name, "IFD1"):
        values.setdefault(tag, val)
    return values


def numbers(val):
    return [float(x) for x in str(val).split()]


def pixels_per_metre(resolution, unit):
    if resolution is None:
        return 0
    per_unit = resolution * 100 if unit == 3 else resolution / 0.0254
    return int(math.floor(per_unit + 0.5))


def tiff_of_strip(path, data, ifd1, kind, base):
    """A little-endian TIFF of the strip exiftool locates, with the conversion constants pelnor
    uses, so that libtiff (through ImageMagick) decodes the same samples independently."""
    width, height = int(ifd1[256]), int(ifd1[257])
    start = int(ifd1[273]) - base + TIFF_AT
    if kind == "RGB":
        size = 3 * width * height
    else:
        h, v = (int(x) for x in str(ifd1[530]).split())
        size = -(-width // h) * -(-height // v) * (h * v + 2)
    strip = data[start:start + size]
    entries = [(256, SHORT, [width]), (257, SHORT, [height]), (258, SHORT, [8, 8, 8]),
               (259, SHORT, [1]), (262, SHORT, [2 if kind == "RGB" else 6]), (273, LONG, [0]),
               (277, SHORT, [3]), (278, SHORT, [height]), (279, LONG, [len(strip)]),
               (284, SHORT, [1])]
    if kind == "YCbCr":
        coefficients = numbers(ifd1[529]) if 529 in ifd1 else [0.299, 0.587, 0.114]
        black_white = numbers(ifd1[532]) if 532 in ifd1 else [15, 235, 128, 240, 128, 240]
        entries += [(529, RATIONAL, coefficients), (530, SHORT, [h, v]),
                    (531, SHORT, [2]), (532, RATIONAL, black_white)]
    blob, extra_at = bytearray(b"II*\x00\x08\x00\x00\x00"), 8 + 2 + 12 * len(entries) + 4
    extra = bytearray()
    table = bytearray(struct.pack("<H", len(entries)))
    fixups = []
    for tag, typ, vals in entries:
        if typ == RATIONAL:
            payload = b"".join(struct.pack("<II", round(x * 1000000), 1000000) for x in vals)
        elif typ == SHORT:
            payload = b"".join(struct.pack("<H", x) for x in vals)
        else:
            payload = b"".join(struct.pack("<I", x) for x in vals)
        if tag == 273:
            fixups.append(len(table) + 8)
        if len(payload) <= 4:
            table += struct.pack("<HHI", tag, typ, len(vals)) + payload.ljust(4, b"\0")
        else:
            table += struct.pack("<HHII", tag, typ, len(vals), extra_at + len(extra))
            extra += payload
    table += b"\0\0\0\0"
    strip_at = extra_at + len(extra)
    for at in fixups:
        table[at:at + 4] = struct.pack("<I", strip_at)
    blob += table + extra + strip
    with open(path, "wb") as f:
        f.write(blob)


def rgb_pixels(convert, path):
    r = subprocess.run([convert, path, "-alpha", "off", "-depth", "8", "rgb:-"], capture_output=True, timeout=60)
    return r.stdout if r.returncode == 0 else None


def check_thumbnails(rep, rows, results, corpus, exiftool, identify, convert, tiff2rgba, scratch):
    jpegs = [r["file"] for r in rows if r["pelnor_view"] == "JPEG" and r["thumb_in_32k"] == "yes"]
    strips = [r for r in rows if r["pelnor_view"] in ("RGB", "YCbCr")]
    reference = os.path.join(scratch, "exiftool")
    os.makedirs(reference)

    def extract(paths):
        subprocess.run([exiftool, "-q", "-q", "-b", "-ThumbnailImage", "-w",
                        os.path.join(reference, "%f.%e.jpg")] + paths, capture_output=True, timeout=300)

    extract([os.path.join(corpus, n) for n in jpegs])
    unread = [n for n in jpegs if not os.path.exists(os.path.join(reference, n + ".jpg"))]
    if unread:
        extract([tiff_block(corpus, n, scratch) for n in unread])
    for name in jpegs:
        ours = os.path.join(results[name][0], name + ".thumb.jpg")
        theirs = os.path.join(reference, name + ".jpg")
        if not os.path.exists(theirs):
            theirs = os.path.join(reference, name + ".tif.jpg")
        if not os.path.exists(theirs):
            rep.note(name, "exiftool extracts no ThumbnailImage; not compared")
            continue
        if not os.path.exists(ours):
            rep.fault(name, ".thumb.jpg", "written", "missing")
            continue
        with open(ours, "rb") as a, open(theirs, "rb") as b:
            mine, ref = a.read(), b.read()
        if mine != ref:
            rep.fault(name, ".thumb.jpg bytes", f"{len(ref)} bytes as exiftool extracts",
                      f"{len(mine)} bytes, differing")
        rep.count("jpeg thumbnails compared")

    exif = ExifValues(exiftool, corpus, [r["file"] for r in strips], scratch)
    for row in strips:
        name, kind = row["file"], row["pelnor_view"]
        bmp = os.path.join(results[name][0], name + ".thumb.bmp")
        ifd1 = ifd1_values(exif, name)
        if not os.path.exists(bmp):
            rep.fault(name, ".thumb.bmp", "written", "missing")
            continue
        r = subprocess.run([identify, "-format", "%m %w %h\n", bmp], capture_output=True, timeout=60)
        got = r.stdout.decode().split()
        want = ["BMP3", str(ifd1.get(256)), str(ifd1.get(257))]
        if r.returncode != 0 or got != want:
            rep.fault(name, "BMP format, width, height (identify vs exiftool IFD1)", want,
                      got or r.stderr.decode().strip())
            continue
        with open(bmp, "rb") as f:
            header = f.read(54)
        unit = int(ifd1.get(296, 2))
        want_res = tuple(pixels_per_metre(float(ifd1[t]) if t in ifd1 else None, unit) for t in (282, 283))
        got_res = struct.unpack_from("<ii", header, 38)
        if got_res != want_res:
            rep.fault(name, "BMP pixels per metre (from exiftool's IFD1 resolution)", want_res, got_res)
        rep.count("bmp thumbnails compared")
        # The strip decoded by libtiff, compared pixel by pixel.
        reference_tiff = os.path.join(scratch, name + ".strip.tif")
        with open(os.path.join(corpus, name), "rb") as f:
            tiff_of_strip(reference_tiff, f.read(), ifd1, kind, exif.base[name])
        if kind == "YCbCr":
            # ImageMagick ignores the subsampling of an uncompressed YCbCr strip; libtiff's own
            # RGBA reader does not.
            if not tiff2rgba:
                rep.note(name, "pixels not compared: tiff2rgba (libtiff-tools) not found")
                continue
            decoded = reference_tiff + ".rgba.tif"
            subprocess.run([tiff2rgba, reference_tiff, decoded], capture_output=True, timeout=60)
            reference_tiff = decoded
        mine, ref = rgb_pixels(convert, bmp), rgb_pixels(convert, reference_tiff)
        if mine is None or ref is None or len(mine) != len(ref):
            rep.fault(name, "pixels", "both decodable, same size",
                      (None if mine is None else len(mine), None if ref is None else len(ref)))
            continue
        diffs = [abs(a - b) for a, b in zip(mine, ref)]
        # RGB samples are copied as they stand. The YCbCr conversions differ by design: pelnor
        # truncates and feeds the capped red and blue into green, libtiff rounds and clamps once.
        # That moves most samples by one level at most and only saturated colours further.
        far = sum(1 for d in diffs if d > 2) / len(diffs)
        mean = sum(diffs) / len(diffs)
        limits = (0, 0.0) if kind == "RGB" else (0.01, 1.0)
        if far > limits[0] or mean > limits[1]:
            rep.fault(name, "pixels against libtiff (share of samples off by more than 2, mean difference)",
                      limits, (round(far, 4), round(mean, 3)))
        rep.count("bmp pixel comparisons")


# ---------------------------------------------------------------- check 3: decoded tags

PAIR = re.compile(rb"\[(-?\d+)/(-?\d+)\]")


def close(a, b):
    return abs(a - b) <= 1e-8 * max(1.0, abs(a), abs(b))


def exif_text(val):
    text = str(val)
    if text.startswith("base64:"):
        text = base64.b64decode(text[7:]).decode("utf-8", "replace")
    return text


def compare_entry(rep, name, where, e, val, raw, base):
    """Compares one dumped entry with exiftool's value; returns False when it was not comparable."""
    line = e.decoded.decode("latin-1")
    what = f"{where} tag {e.tag}"
    # pelnor reads a signed short or long without sign extension.
    numeric_type = e.type in (SHORT, LONG, SSHORT, SLONG)
    inline = e.count == 1 or (e.type in (SHORT, SSHORT) and e.count == 2)
    mask = 0xFFFF if e.type in (SHORT, SSHORT) else 0xFFFFFFFF
    if e.tag not in DECODED_TAGS:
        if e.type != ASCII or e.text_cut:
            return False
        # A text without a zero byte runs on past its count in the dump, up to the next zero
        # byte; exiftool stops at the count. exiftool shows bytes that are not UTF-8 as "?".
        ours = e.decoded[:e.count].decode("utf-8", "replace").replace("\ufffd", "?")
        theirs = exif_text(val)
        if ours.strip() != theirs.strip():
            rep.fault(name, f"{what} text", theirs.strip(), ours.strip())
        return True
    if e.tag in LABELS and e.tag not in (282, 283):
        if not (numeric_type and inline):
            return False
        m = re.fullmatch(r"\t" + re.escape(LABELS[e.tag]) + r": (-?\d+)\n", line)
        ours = int(m.group(1)) & 0xFFFFFFFF if m else line
        theirs = int(numbers(val)[0]) & mask
        if e.tag in FILE_POSITION_TAGS:
            theirs -= base
        if ours != theirs:
            rep.fault(name, what, theirs, ours)
        return True
    if e.tag in (282, 283):
        m = re.fullmatch(r"\t" + LABELS[e.tag] + r": (-?\d+)\n", line)
        if not m or e.type not in (RATIONAL, SRATIONAL) or e.count != 1:
            return False
        rational = raw.rational(int(m.group(1)) & 0xFFFFFFFF, e.type == SRATIONAL)
        if rational is None or rational[1] == 0:
            return False
        if not close(rational[0] / rational[1], numbers(val)[0]):
            rep.fault(name, f"{what} (the rational at the printed offset)", numbers(val)[0],
                      f"{rational[0]}/{rational[1]}")
        return True
    if e.tag in ENUMS:
        if not (numeric_type and inline):
            return False
        label, texts, other = ENUMS[e.tag]
        want = f"\t{label}: [{texts.get(int(numbers(val)[0]) & mask, other)}]\n"
        if line != want:
            rep.fault(name, f"{what} for exiftool's {val}", want, line)
        return True
    if e.tag == 258:
        if e.type != SHORT:
            return False
        if BEYOND.decode() in line:
            return False
        ours = [int(x) for x in line.removeprefix("\tBitsPerSample: ").split()]
        theirs = [int(x) for x in numbers(val)]
        if ours != theirs:
            rep.fault(name, what, theirs, ours)
        return True
    if e.tag == 530:
        if not (e.type == SHORT and e.count == 2):
            return False
        want = "\tYCbCrSubSampling: Horiz[%d] Vert[%d]\n" % tuple(int(x) for x in numbers(val))
        if line != want:
            rep.fault(name, what, want, line)
        return True
    if e.tag in (529, 532):
        needed = 3 if e.tag == 529 else 6
        if e.type not in (RATIONAL, SRATIONAL) or BEYOND.decode() in line:
            return False
        theirs = str(val).split()
        if e.count != needed:
            if not line.endswith("Not enough values\n"):
                rep.fault(name, what, "Not enough values", line)
            return True
        pairs = [(int(a), int(b)) for a, b in PAIR.findall(e.decoded)]
        if e.type == RATIONAL:
            pairs = [(a & 0xFFFFFFFF, b & 0xFFFFFFFF) for a, b in pairs]
        if len(pairs) != needed or len(theirs) != needed:
            rep.fault(name, what, theirs, line)
            return True
        for (num, den), their in zip(pairs, theirs):
            if den == 0:
                continue
            if not close(num / den, float(their)):
                rep.fault(name, what, theirs, line)
                break
        return True
    return False


def check_tags(rep, rows, results, corpus, exiftool, scratch):
    dumped = [r["file"] for r in rows if r["pelnor_view"] not in ("reject", "badorder")]
    exif = ExifValues(exiftool, corpus, dumped, scratch)
    for name in exif.fallback:
        rep.note(name, "exiftool refuses the file; its TIFF block is read instead")
    for name in dumped:
        _, (rc, out, _, _), _ = results[name]
        try:
            dump = parse_dump(out)
        except ValueError as e:
            rep.fault(name, "dump structure", "a well-formed dump", str(e))
            continue
        raw = RawTiff(read_head(os.path.join(corpus, name)))
        rep.count("files")
        for index, (entries, _) in enumerate(dump.ifds):
            where = f"IFD{index}"
            theirs = {}
            for tag, val in exif.group(name, where):
                theirs.setdefault(tag, []).append(val)
            seen = {}
            for e in entries:
                k = seen.get(e.tag, 0)
                seen[e.tag] = k + 1
                if e.tag not in DECODED_TAGS and e.type != ASCII:
                    continue
                vals = theirs.get(e.tag, [])
                if k >= len(vals):
                    rep.count("entries exiftool does not report")
                    rep.detail(name, f"{where} tag {e.tag} type {e.type} count {e.count}: exiftool reports no value")
                    continue
                if compare_entry(rep, name, where, e, vals[k], raw, exif.base[name]):
                    rep.count("values compared")
                else:
                    rep.count("entries not comparable")
                    rep.detail(name, f"{where} tag {e.tag} type {e.type} count {e.count}: not comparable "
                                     f"({e.decoded!r} against exiftool's {str(vals[k])[:40]!r})")


# ---------------------------------------------------------------- main

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pelnor", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--check", choices=("views", "thumbnails", "tags"), required=True)
    parser.add_argument("--verbose", action="store_true", help="also list what was not compared")
    args = parser.parse_args()

    if not os.path.isfile(os.path.join(args.corpus, "MANIFEST.tsv")):
        print(f"SKIPPED: no MANIFEST.tsv in {args.corpus}")
        return SKIP
    tools = {"exiftool": shutil.which("exiftool"), "identify": shutil.which("identify"),
             "convert": shutil.which("convert"), "tiff2rgba": shutil.which("tiff2rgba")}
    needed = {"views": [], "tags": ["exiftool"], "thumbnails": ["exiftool", "identify", "convert"]}
    missing = [t for t in needed[args.check] if not tools[t]]
    if missing:
        print(f"SKIPPED: {', '.join(missing)} not found")
        return SKIP

    rows = load_manifest(args.corpus)
    rep = Report()
    rep.verbose = args.verbose
    with tempfile.TemporaryDirectory(prefix="pelnor-corpus-") as scratch:
        results = run_all(os.path.abspath(args.pelnor), args.corpus, rows, scratch)
        if args.check == "views":
            check_views(rep, rows, results, args.corpus)
        elif args.check == "thumbnails":
            check_thumbnails(rep, rows, results, args.corpus, tools["exiftool"], tools["identify"],
                             tools["convert"], tools["tiff2rgba"], scratch)
        else:
            check_tags(rep, rows, results, args.corpus, tools["exiftool"], scratch)

    for line in rep.notes:
        print("NOTE " + line)
    for line in rep.faults:
        print("FAIL " + line)
    summary = ", ".join(f"{k} {v}" for k, v in sorted(rep.counts.items()))
    print(f"{args.check}: {summary}; {len(rep.faults)} disagreements")
    return 1 if rep.faults else 0


if __name__ == "__main__":
    sys.exit(main())
