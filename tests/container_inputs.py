#!/usr/bin/env python3
"""Writes the input files of the container golden cases (cases/containers*/in/): HEIF and AVIF
files with an Exif item, CR3 with its CMT boxes and pictures, WebP, PNG (eXIf and the raw-profile
text chunks), JPEG XL, RW2, ORF, RAF, a DNG whose directories and preview lie past its first
96 KB with a maker note in DNGPrivateData, and the damage each reader meets.
    python3 tests/container_inputs.py"""
import struct, zlib

from makernote_inputs import ASCII, LONG, RATIONAL, SHORT, UNDEF, Tiff, write
from picture_inputs import picture

BYTE = 1


def exif_tiff(order, make="Camera", model="Model X", thumbnail=None, gps=True):
    """A TIFF structure: IFD0 (Make, Model, the Exif and GPS pointers), the Exif IFD, the GPS IFD,
    and IFD1 holding `thumbnail`, a JPEG, when given."""
    t = Tiff(order)
    t.patch(4, 8)
    tags = [(0x010F, ASCII, len(make) + 1, make + "\0"), (0x0110, ASCII, len(model) + 1, model + "\0"),
            (0x8769, LONG, 1, 0)] + ([(0x8825, LONG, 1, 0)] if gps else [])
    ifd0, f0 = t.ifd(tags)
    exif, _ = t.ifd([(0x829A, RATIONAL, 1, t.pack("II", 1, 250)), (0x9000, UNDEF, 4, b"0232"),
                     (0x9003, ASCII, 20, "2024:05:06 07:08:09\0")])
    t.patch(f0[0x8769], exif)
    if gps:
        g, _ = t.ifd([(0x0000, BYTE, 4, b"\2\3\0\0"), (0x0001, ASCII, 2, "N\0")])
        t.patch(f0[0x8825], g)
    if thumbnail is not None:
        ifd1, f1 = t.ifd([(0x0103, SHORT, 1, 6), (0x0201, LONG, 1, 0), (0x0202, LONG, 1, len(thumbnail))])
        t.patch(ifd0 + 2 + 12 * len(tags), ifd1)
        t.patch(f1[0x0201], t.here())
        t.b += thumbnail
    return bytes(t.b)


def box(kind, *payload):
    data = b"".join(payload)
    return struct.pack(">I", 8 + len(data)) + kind.encode("latin-1") + data


def full(kind, version, *payload, flags=0):
    return box(kind, struct.pack(">I", version << 24 | flags), *payload)


# ---------------------------------------------------------------------------------------------
# HEIF and AVIF


def infe(item, kind, name="", version=2):
    ids = struct.pack(">I" if version == 3 else ">H", item)
    return full("infe", version, ids, b"\0\0", kind.encode(), name.encode() + b"\0")


def iloc(items, version=1, offset_size=4, length_size=4, base_size=0, count=None):
    """items: (id, method, base, [(offset, length)]); `count` the number it claims."""
    sizes = {0: "", 4: "I", 8: "Q"}
    body = struct.pack(">BB", offset_size << 4 | length_size, base_size << 4)
    body += struct.pack(">I" if version == 2 else ">H", len(items) if count is None else count)
    for item, method, base, extents in items:
        body += struct.pack(">I" if version == 2 else ">H", item)
        if version >= 1:
            body += struct.pack(">H", method)
        body += struct.pack(">H", 0) + (struct.pack(">" + sizes[base_size], base) if base_size else b"")
        body += struct.pack(">H", len(extents))
        for offset, length in extents:
            body += struct.pack(">" + sizes[offset_size] + sizes[length_size], offset, length)
    return full("iloc", version, body)


def iref(refs):
    """refs: (type, from, [to])."""
    return full("iref", 0, b"".join(box(k, struct.pack(">HH", a, len(to)), *(struct.pack(">H", b) for b in to))
                                    for k, a, to in refs))


def heif(brand, exif_item, order_iloc_first=True, meta_last=False, large_mdat=False, split_exif=False,
         extra_items=(), refs=None, iinf_count=None, iloc_version=1):
    """A HEIF file: a primary hvc1 (or av01) item, its thumbnail, an Exif item whose bytes are
    `exif_item`, a mime item in idat. Positions in iloc are patched once the layout is known."""
    coded = "av01" if brand == "avif" else "hvc1"
    ftyp = box("ftyp", brand.encode(), b"\0\0\0\0", b"mif1", brand.encode())
    pixels, thumb, mime = b"coded picture\0\0\0", b"coded thumbnail\0", b"<x:xmpmeta/>"

    def layout(mdat_at):
        data = mdat_at + (16 if large_mdat else 8)
        at_exif = data + len(pixels) + len(thumb)
        extents = ([(at_exif, 6), (at_exif + 6, len(exif_item) - 6)] if split_exif
                   else [(at_exif, len(exif_item))])
        items = [(1, 0, 0, [(data, len(pixels))]), (2, 0, 0, [(data + len(pixels), len(thumb))]),
                 (3, 0, 0, extents), (4, 1, 0, [(0, len(mime))])]
        items += [(i, 0, 0, [(o, n)]) for i, _, o, n in extra_items]
        size = 8 if iloc_version == 2 else 4
        loc = iloc(items, version=iloc_version, offset_size=size, length_size=size,
                   count=iinf_count if iloc_version == 2 else None)
        entries = [infe(1, coded), infe(2, coded), infe(3, "Exif"), infe(4, "mime", "XMP")]
        entries += [infe(i, k) for i, k, _, _ in extra_items]
        info = (full("iinf", 0, struct.pack(">H", len(entries)), *entries) if iinf_count is None else
                full("iinf", 1, struct.pack(">I", iinf_count), *entries))
        ref = iref(refs if refs is not None else [("thmb", 2, [1]), ("cdsc", 3, [1])])
        parts = [full("hdlr", 0, b"\0" * 4, b"pict", b"\0" * 12, b"\0"), full("pitm", 0, struct.pack(">H", 1))]
        parts += [loc, info] if order_iloc_first else [info, loc]
        parts += [ref, box("iprp", box("ipco", box("ispe", b"\0" * 4, struct.pack(">II", 64, 48)))),
                  box("idat", mime)]
        return full("meta", 0, *parts)

    mdat_body = pixels + thumb + exif_item
    mdat = (struct.pack(">I", 1) + b"mdat" + struct.pack(">Q", 16 + len(mdat_body)) + mdat_body if large_mdat
            else box("mdat", mdat_body))
    if meta_last:  # as some phones write it: meta after mdat, at the end of the file
        return ftyp + mdat + layout(len(ftyp))
    return ftyp + layout(len(ftyp) + len(layout(0))) + mdat


def exif_item(tiff, identifier=True):
    """An Exif item: the offset to the TIFF header, then (as Apple writes it) Exif\\0\\0."""
    return struct.pack(">I", 6 if identifier else 0) + (b"Exif\0\0" if identifier else b"") + tiff


# ---------------------------------------------------------------------------------------------
# CR3

CANON_UUID = bytes.fromhex("85c0b687820f11e08111f4ce462b6a48")
PREVIEW_UUID = bytes.fromhex("eaf42b5e1c984b88b9fbb7dc406e4d16")


def tiff_of(order, entries):
    t = Tiff(order)
    t.patch(4, 8)
    t.ifd(entries)
    return bytes(t.b)


def cr3(cmt1=None, cmt3=None, thumb=None, preview=None, full_jpeg=None):
    ifd0 = cmt1 if cmt1 is not None else tiff_of("<", [(0x010F, ASCII, 6, "Canon\0"), (0x0110, ASCII, 13, "Canon EOS R5\0"),
                                                       (0x0112, SHORT, 1, 1)])
    exif = tiff_of("<", [(0x829A, RATIONAL, 1, struct.pack("<II", 1, 100)), (0x9000, UNDEF, 4, b"0231")])
    note = cmt3 if cmt3 is not None else tiff_of("<", [(0x0006, ASCII, 13, "Canon EOS R5\0"), (0x0010, LONG, 1, 0x80000421)])
    gps = tiff_of("<", [(0x0000, BYTE, 4, b"\2\3\0\0")])
    thumb = thumb or picture(160, 120, "cr3 thumbnail")
    preview = preview or picture(1620, 1080, "cr3 preview")
    full_jpeg = full_jpeg or picture(8192, 5464, "cr3 full-size")
    thmb = full("THMB", 0, struct.pack(">HHIHH", 160, 120, len(thumb), 1, 0), thumb)
    canon = box("uuid", CANON_UUID, box("CNCV", b"CanonCR3_001/00.09.00/00.00.00"), box("CMT1", ifd0),
                box("CMT2", exif), box("CMT3", note), box("CMT4", gps), thmb)

    def trak(size, offset, kind):
        # The sample entry of the full-size JPEG's track holds a JPEG box, as the camera writes it.
        entry = box(kind, bytes(24) + struct.pack(">HH", 8192, 5464) + bytes(50), box("JPEG", bytes(4)) if kind == "CRAW" else b"")
        stbl = box("stbl", full("stsd", 0, struct.pack(">I", 1), entry), full("stts", 0, struct.pack(">III", 1, 1, 1)),
                   full("stsc", 0, struct.pack(">IIII", 1, 1, 1, 1)), full("stsz", 0, struct.pack(">II", size, 1)),
                   full("co64", 0, struct.pack(">IQ", 1, offset)))
        handler = full("hdlr", 0, b"\0" * 4, b"vide", b"\0" * 12, b"\0")
        return box("trak", box("mdia", handler, box("minf", stbl)))

    ftyp = box("ftyp", b"crx ", b"\0\0\0\1", b"crx isom")
    prvw = box("uuid", PREVIEW_UUID, b"\0\0\0\0\0\0\0\1",
               box("PRVW", struct.pack(">IHHHHI", 0, 1, 1620, 1080, 1, len(preview)), preview))
    moov = box("moov", canon, trak(0, 0, "CRAW"), trak(0, 0, "CRAX"))
    start = len(ftyp) + len(moov) + len(prvw) + 8
    moov = box("moov", canon, trak(len(full_jpeg), start, "CRAW"), trak(4, start + len(full_jpeg), "CRAX"))
    return ftyp + moov + prvw + box("mdat", full_jpeg, b"raw!")


# ---------------------------------------------------------------------------------------------
# WebP, PNG, JPEG XL


def riff_chunk(kind, data):
    return kind.encode() + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def webp(exif, cut=None):
    body = b"WEBP" + riff_chunk("VP8X", struct.pack("<I", 0x08) + b"\x3f\0\0\x2f\0\0") + \
        riff_chunk("VP8 ", b"odd length!") + riff_chunk("EXIF", exif)
    data = b"RIFF" + struct.pack("<I", len(body)) + body
    return data[:cut] if cut else data


def png_chunk(kind, data):
    k = kind.encode()
    return struct.pack(">I", len(data)) + k + data + struct.pack(">I", zlib.crc32(k + data))


PNG_HEAD = b"\x89PNG\r\n\x1a\n" + png_chunk("IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0))
PNG_TAIL = png_chunk("IDAT", zlib.compress(b"\0\0\0\0")) + png_chunk("IEND", b"")


def raw_profile(data, name="exif"):
    digits = data.hex()
    lines = "\n".join(digits[i:i + 72] for i in range(0, len(digits), 72))
    return f"\n{name}\n{len(data):8d}\n{lines}\n".encode()


def png(*chunks):
    return PNG_HEAD + b"".join(chunks) + PNG_TAIL


def jxl(*boxes):
    return box("JXL ", b"\r\n\x87\n") + box("ftyp", b"jxl ", b"\0\0\0\0", b"jxl ") + b"".join(boxes)


def brotli_stored(data):
    """A Brotli stream of one uncompressed meta-block: window bits 16, the length, the bytes, then
    an empty last meta-block. Any Brotli decoder reads it back."""
    assert 0 < len(data) <= 65536
    bits = 0 | 0 << 1 | 0 << 2 | (len(data) - 1) << 4 | 1 << 20  # WBITS, ISLAST, MNIBBLES, MLEN-1, ISUNCOMPRESSED
    return struct.pack("<I", bits)[:3] + data + b"\x03"  # ISLAST and ISLASTEMPTY


# ---------------------------------------------------------------------------------------------
# The raw TIFF variants, RAF, DNG


def raw_tiff(magic, order, make):
    """A raw file of TIFF shape with its own magic: IFD0 with Make and the Exif pointer."""
    t = Tiff(order)
    t.b[0:4] = magic
    t.patch(4, 8)
    ifd0, f0 = t.ifd([(0x010F, ASCII, len(make) + 1, make + "\0"), (0x0112, SHORT, 1, 1), (0x8769, LONG, 1, 0)])
    exif, _ = t.ifd([(0x9000, UNDEF, 4, b"0231")])
    t.patch(f0[0x8769], exif)
    return bytes(t.b)


def raf(jpeg, jpeg_at=None, entries=((0x0100, b"\x0b\xa0\x0f\xa0"), (0x0130, b"\0\0\0\1"))):
    directory = struct.pack(">I", len(entries)) + b"".join(struct.pack(">HH", t, len(d)) + d for t, d in entries)
    head = bytearray(b"FUJIFILMCCD-RAW 0201FF383501" + b"X-T5".ljust(32, b"\0") + b"0100" + b"\0" * 20)
    at = len(head) + 24
    cfa_header = at + len(jpeg)
    cfa = cfa_header + len(directory)
    head += struct.pack(">IIIIII", jpeg_at if jpeg_at is not None else at, len(jpeg), cfa_header, len(directory),
                        cfa, 4)
    return bytes(head) + jpeg + directory + b"CFA!"


def exif_jpeg_with_thumbnail(order, make, thumb):
    tiff = exif_tiff(order, make, "X-T5", thumbnail=thumb)
    return b"\xff\xd8\xff\xe1" + struct.pack(">H", len(tiff) + 8) + b"Exif\0\0" + tiff + \
        picture(6240, 4160, "raf main")[2:]


def dng(order="<", far=100000, preview=None, tail=b""):
    """A DNG whose IFD0 keeps a small thumbnail strip near its start, and whose Exif IFD, SubIFDs,
    preview and DNGPrivateData lie `far` bytes in (past its first 96 KB): the camera's maker note,
    moved, with the position it had in the original file. `tail` ends the file."""
    t = Tiff(order)
    t.patch(4, 8)
    rgb = bytes(range(12))
    ifd0, f0 = t.ifd([(0x00FE, LONG, 1, 1), (0x0100, LONG, 1, 2), (0x0101, LONG, 1, 2),
                      (0x0102, SHORT, 3, t.pack("HHH", 8, 8, 8)), (0x0103, SHORT, 1, 1), (0x0106, SHORT, 1, 2),
                      (0x010F, ASCII, 6, "Canon\0"), (0x0110, ASCII, 13, "Canon EOS 6D\0"),
                      (0x0111, LONG, 1, 0), (0x0115, SHORT, 1, 3), (0x0116, LONG, 1, 2), (0x0117, LONG, 1, len(rgb)),
                      (0x014A, LONG, 2, bytes(8)), (0x8769, LONG, 1, 0), (0xC612, BYTE, 4, b"\1\4\0\0"),
                      (0xC634, BYTE, 0, 0)])
    t.patch(f0[0x0111], t.here())
    t.b += rgb
    t.b += b"\0" * (far - len(t.b))
    exif, _ = t.ifd([(0x829A, RATIONAL, 1, t.pack("II", 1, 60)), (0x9000, UNDEF, 4, b"0230"),
                     (0x9003, ASCII, 20, "2013:01:02 03:04:05\0")])
    t.patch(f0[0x8769], exif)
    preview = preview or picture(1024, 683, "dng preview")
    raw, _ = t.ifd([(0x00FE, LONG, 1, 0), (0x0100, LONG, 1, 5472), (0x0101, LONG, 1, 3648), (0x0103, SHORT, 1, 7)])
    sub2, f2 = t.ifd([(0x00FE, LONG, 1, 1), (0x0100, LONG, 1, 1024), (0x0101, LONG, 1, 683), (0x0103, SHORT, 1, 7),
                      (0x0111, LONG, 1, 0), (0x0117, LONG, 1, len(preview))])
    table = struct.unpack(order + "I", t.b[f0[0x014A]:f0[0x014A] + 4])[0]
    t.b[table:table + 8] = t.pack("II", raw, sub2)
    t.patch(f2[0x0111], t.here())
    t.b += preview
    # DNGPrivateData: "Adobe", "MakN", the record's length, the note's byte order, where the
    # note began in the camera's file, then the note; its offsets count from the camera's file.
    original = 0x3A6
    note = Tiff(order)
    note.b = bytearray()
    start = original
    entries = [(0x0006, ASCII, 13, "Canon EOS 6D\0"), (0x0010, LONG, 1, 0x80000285), (0x0095, ASCII, 12, "EF50mm f/1.8")]
    raw_note = bytearray(note.pack("H", len(entries)))
    values = bytearray()
    end = 2 + 12 * len(entries) + 4
    for tag, typ, count, value in entries:
        v = value.encode() if isinstance(value, str) else value
        if isinstance(v, bytes) and count > 4:
            field = note.pack("I", start + end + len(values))
            values += v
        else:
            field = note.pack("I", v)
        raw_note += note.pack("HHI", tag, typ, count) + field
    raw_note += b"\0\0\0\0" + values
    record = (b"II" if order == "<" else b"MM") + struct.pack(">I", original) + bytes(raw_note)
    record += b"\0" * (len(record) % 2)  # records are padded to even lengths
    private = b"Adobe\0MakN" + struct.pack(">I", len(record)) + record
    t.patch(f0[0xC634], t.here())
    t.patch(f0[0xC634] - 4, len(private))
    t.b += private
    return bytes(t.b) + tail


# ---------------------------------------------------------------------------------------------


def containers():
    thumb = picture(160, 120, "ifd1 thumbnail")
    f = {
        "apple.heic": heif("heic", exif_item(exif_tiff(">", "Apple", "iPhone 15"))),
        "eof.avif": heif("avif", exif_item(exif_tiff("<", "Google", "Pixel 8"), identifier=False), order_iloc_first=False,
                         meta_last=True, large_mdat=True, split_exif=True, iloc_version=2),
        "canon.cr3": cr3(),
        "prefixed.webp": webp(b"Exif\0\0" + exif_tiff("<", "Samsung")),
        "plain.webp": webp(exif_tiff(">", "Google")),
        "exif-chunk.png": png(png_chunk("eXIf", exif_tiff(">", "Pelnor", thumbnail=thumb))),
        "raw-profile-text.png": png(png_chunk("tEXt", b"Raw profile type exif\0" +
                                              raw_profile(b"Exif\0\0" + exif_tiff("<", "ImageMagick")))),
        "raw-profile-ztxt.png": png(png_chunk("tEXt", b"Comment\0hello"), png_chunk(
            "zTXt", b"Raw profile type APP1\0\0" + zlib.compress(raw_profile(b"Exif\0\0" + exif_tiff(">", "Pelnor"), "APP1")))),
        "raw-profile-itxt.png": png(png_chunk("iTXt", b"Raw profile type exif\0\1\0\0\0" +
                                              zlib.compress(raw_profile(exif_tiff("<", "Pelnor"))))),
        "between-parts.jxl": jxl(box("jxlp", b"\0\0\0\0codestream part one"),
                                 box("Exif", b"\0\0\0\0", exif_tiff("<", "Pelnor")),
                                 box("jxlp", b"\x80\0\0\1codestream part two")),
        "panasonic.rw2": raw_tiff(b"IIU\0", "<", "Panasonic"),
        "olympus-iiro.orf": raw_tiff(b"IIRO", "<", "OLYMPUS IMAGING CORP."),
        "olympus-mmor.orf": raw_tiff(b"MMOR", ">", "OLYMPUS CORPORATION"),
        "fujifilm.raf": raf(exif_jpeg_with_thumbnail(">", "FUJIFILM", picture(160, 120, "raf thumbnail"))),
        "canon-6d.dng": dng(),
    }
    write("containers", f)
    write("containers-pictures", {k: f[k] for k in ("canon.cr3", "fujifilm.raf", "canon-6d.dng", "exif-chunk.png")})


def extent_past_end(data):
    """The Exif item's extent made 64 KB long, past the end of the file."""
    data = bytearray(data)
    exif = data.find(b"\0\0\0\6Exif\0\0")  # the item's start: its offset to the TIFF header, 6
    at = data.find(struct.pack(">I", exif), data.find(b"iloc"))  # its extent: the offset, the length
    data[at + 4:at + 8] = struct.pack(">I", 0x10000)
    return bytes(data)


def damage():
    tiff = exif_tiff(">", "Damaged")
    good = heif("heic", exif_item(tiff))
    # A box of meta that claims more than meta holds: the walk of meta stops there.
    over = bytearray(good)
    at = over.find(b"pitm") - 4
    over[at:at + 4] = struct.pack(">I", 0x7FFF)
    # An Exif item whose extent runs past the end of the file.
    past = heif("heic", exif_item(tiff), extra_items=((9, "Exif", 0x7FFFFFF0, 64),))
    f = {
        "box-overruns-parent.heic": bytes(over),
        "extent-past-end.heic": extent_past_end(heif("heic", exif_item(tiff))),
        "second-exif-past-end.heic": past,
        "item-count.heic": heif("heic", exif_item(tiff), iinf_count=0xFFFFFFFF, iloc_version=2),
        "iref-loop.heic": heif("heic", exif_item(tiff), refs=[("thmb", 2, [1]), ("thmb", 1, [2]), ("thmb", 3, [3])]),
        "two-exif.heic": heif("heic", exif_item(tiff), extra_items=((5, "Exif", 0, 0),)),
        "cmt1-not-tiff.cr3": cr3(cmt1=b"not a TIFF header"),
        "cmt3-not-tiff.cr3": cr3(cmt3=b"XX\0\0garbage"),
        "zlib-past-bound.png": png(png_chunk("zTXt", b"Raw profile type exif\0\0" + zlib.compress(
            b"\nexif\n 1048000\n" + b"00" * 1500000, 9))),
        "hex-short.png": png(png_chunk("tEXt", b"Raw profile type exif\0\nexif\n      64\n4d4d002a")),
        "chunk-cut.png": (PNG_HEAD + png_chunk("eXIf", exif_tiff(">", "Cut")))[:-20],
        "chunk-cut.webp": webp(exif_tiff("<", "Cut"), cut=-10),
        "jpeg-past-end.raf": raf(exif_jpeg_with_thumbnail(">", "FUJIFILM", picture(8, 8, "t")), jpeg_at=0x10000000),
    }
    write("containers-damaged", f)


def brob():
    item = b"\0\0\0\0" + exif_tiff("<", "Brotli")
    write("containers-brob", {
        "brob.jxl": jxl(box("jxlc", b"codestream"), box("brob", b"Exif", brotli_stored(item))),
        "brob-broken.jxl": jxl(box("jxlc", b"codestream"), box("brob", b"Exif", b"\xff\xff\xff\xff not brotli")),
    })


if __name__ == "__main__":
    containers()
    damage()
    brob()
