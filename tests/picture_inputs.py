#!/usr/bin/env python3
"""Writes the input files of the -p golden cases (cases/pictures-*/in/): JPEGs holding a picture of
each source -p finds, in both byte orders where the source has both, and the damage it meets.
Each embedded JPEG is a few dozen bytes whose SOF gives its size and whose scan data names it.
    python3 tests/picture_inputs.py"""
import struct

from makernote_inputs import ASCII, IFD, LONG, SHORT, UNDEF, Tiff, exif_jpeg, write


def seg(marker, data):
    return bytes([0xFF, marker]) + struct.pack(">H", len(data) + 2) + data


def picture(w, h, name, first=0xFF, dqt=False):
    """A small JPEG: SOI, a DQT segment if asked, SOF0 with its size, SOS, `name` as its scan
    data, EOI."""
    return (bytes([first, 0xD8]) + (seg(0xDB, bytes(65)) if dqt else b"")
            + seg(0xC0, struct.pack(">BHHB", 8, h, w, 1) + b"\1\x11\0")
            + seg(0xDA, b"\1\1\0\0\x3f\0") + name.encode() + b"\xff\xd9")


MAIN = seg(0xC0, struct.pack(">BHHB", 8, 480, 640, 1) + b"\1\x11\0") + seg(0xDA, b"\1\1\0\0\x3f\0") + b"main"


def exif_app1(order="<", make="Camera", note=None, extra_exif=()):
    """The APP1 segment of a small Exif block (IFD1 without a thumbnail), a maker note if given."""
    return exif_jpeg(order, make, note or (lambda t: t.b.extend(b"\0" * 8)), extra_exif=extra_exif)[2:-2]


def jpeg(*segments, tail=b""):
    """SOI, the segments, the main image, then `tail` after its EOI."""
    return b"\xff\xd8" + b"".join(segments) + MAIN + b"\xff\xd9" + tail


def mpf(order, images, before=b"", types=()):
    """A file whose MPF index lists itself and `images` (bytes, or (size, offset) as they are
    written, for offsets that lie), which follow its EOI; `types` are the images' attribute
    words, 0 where not given."""
    o = order
    n = 1 + len(images)
    entries_at = 8 + 2 + 3 * 12 + 4
    header = (b"II*\0" if o == "<" else b"MM\0*") + struct.pack(o + "I", 8)
    ifd = (struct.pack(o + "H", 3) + struct.pack(o + "HHI", 0xB000, UNDEF, 4) + b"0100"
           + struct.pack(o + "HHII", 0xB001, LONG, 1, n) + struct.pack(o + "HHII", 0xB002, UNDEF, 16 * n, entries_at)
           + struct.pack(o + "I", 0))
    app1 = exif_app1(o)
    app2_len = 4 + 4 + len(header) + len(ifd) + 16 * n
    mpf_at = 2 + len(before) + len(app1) + 4 + 4  # the MPF TIFF header's file position
    size = 2 + len(before) + len(app1) + app2_len + len(MAIN) + 2
    table, offset = struct.pack(o + "IIIHH", 0x20030000, 0, 0, 0, 0), size
    for i, image in enumerate(images):
        kind = types[i] if i < len(types) else 0
        if isinstance(image, tuple):
            table += struct.pack(o + "IIIHH", kind, image[0], image[1], 0, 0)
        else:
            table += struct.pack(o + "IIIHH", kind, len(image), offset - mpf_at, 0, 0)
            offset += len(image)
    table = table[:4] + struct.pack(o + "I", offset) + table[8:]  # image 1: the whole file
    body = seg(0xE2, b"MPF\0" + header + ifd + table)
    return jpeg(before, app1, body, tail=b"".join(i for i in images if not isinstance(i, tuple)))


def gain_map(xmp):
    """A small JPEG whose APP1 XMP segment, before its SOF, holds `xmp`."""
    pic = picture(320, 240, "gain map")
    return pic[:2] + seg(0xE1, xmp) + pic[2:]


def note_with_picture(header, entries, pic, base="tiff", order=None, base_at=0):
    """A maker note of `header` then an IFD of `entries`: (tag, "held") holds `pic` as its
    bytes; (tag, "start") and (tag, "length") give the offset and length of `pic`, placed after."""
    def note(t):
        m = t.here()
        t.b += header
        o = order or t.o
        b = m + base_at if base == "note" else 0
        listed = [(tag, UNDEF, len(pic), pic) if kind == "held" else (tag, LONG, 1, 0) for tag, kind in entries]
        at, fields = t.ifd(listed, base=b, order=o)
        where = t.here()
        for tag, kind in entries:
            value = {"start": where - b, "length": len(pic)}.get(kind)
            if value is not None:
                t.b[fields[tag]:fields[tag] + 4] = struct.pack(o + "I", value)
        if all(kind != "held" for _, kind in entries):
            t.b += pic
    return note


def nikon(order, pic, length=None):
    """Nikon's maker note with a TIFF header of its own and a PreviewIFD (0x0011) inside."""
    def note(t):
        m = t.here()
        o = order
        t.b += b"Nikon\0\2\x10\0\0" + (b"II" if o == "<" else b"MM") + struct.pack(o + "HI", 42, 8)
        ifd, fields = t.ifd([(0x0001, UNDEF, 4, b"0210"), (0x0011, LONG, 1, 0)], base=m + 10, order=o)
        preview, pf = t.ifd([(0x0201, LONG, 1, 0), (0x0202, LONG, 1, length or len(pic))], base=m + 10, order=o)
        t.b[fields[0x0011]:fields[0x0011] + 4] = struct.pack(o + "I", preview - m - 10)
        t.b[pf[0x0201]:pf[0x0201] + 4] = struct.pack(o + "I", t.here() - m - 10)
        t.b += pic
    return note


def olympus(order, pic):
    """Olympus' new layout: CameraSettings (0x2020) with PreviewImageValid, Start and Length."""
    def note(t):
        m = t.here()
        t.b += b"OLYMPUS\0" + (b"II" if order == "<" else b"MM") + b"\3\0"
        at, fields = t.ifd([(0x0200, LONG, 1, 3), (0x2020, IFD, 1, 0)], base=m, order=order)
        cs, cf = t.ifd([(0x0100, LONG, 1, 1), (0x0101, LONG, 1, 0), (0x0102, LONG, 1, len(pic))], base=m, order=order)
        t.b[fields[0x2020]:fields[0x2020] + 4] = struct.pack(order + "I", cs - m)
        t.b[cf[0x0101]:cf[0x0101] + 4] = struct.pack(order + "I", t.here() - m)
        t.b += pic
    return note


def canon(pic, words=14):
    """Canon's PreviewImageInfo (0x00B6): LONGs, the length third, the start sixth."""
    def note(t):
        at, fields = t.ifd([(0x0006, ASCII, 8, "Canon X\0"), (0x00B6, LONG, 7, bytes(28))])
        info = struct.unpack("<I", t.b[fields[0x00B6]:fields[0x00B6] + 4])[0]
        t.b[info:info + 2] = struct.pack("<H", words)  # the block's size in 16-bit words
        t.b[info + 8:info + 12] = struct.pack("<I", len(pic))
        t.b[info + 20:info + 24] = struct.pack("<I", t.here())
        t.b += pic
    return note


def app13(*resources):
    """Photoshop's APP13 data: the identifier, then 8BIM resources of (id, data)."""
    out = b"Photoshop 3.0\0"
    for rid, data in resources:
        out += b"8BIM" + struct.pack(">H", rid) + b"\0\0" + struct.pack(">I", len(data)) + data + b"\0" * (len(data) & 1)
    return out


def thumbnail_resource(pic):
    return b"\0" * 28 + pic  # the 28-byte header (format, size, widths) before the JPEG


def fpxr_contents(*streams):
    out = b"FPXR\0\0\1" + struct.pack(">H", len(streams))
    for size, name in streams:
        out += struct.pack(">I", size) + b"\0" + "/".join(("", name)).encode("utf-16-le") + b"\0\0"
    return out


def fpxr_data(index, offset, data):
    return b"FPXR\0\0\2" + struct.pack(">HI", index, offset) + data


def sources():
    f = {}
    # The MP types: a VGA and a full-HD large thumbnail, a code the list does not hold, and one
    # beneath the flags of a dependent child image.
    f["mpf-ii.jpg"] = mpf("<", [picture(160, 120, "mpf2 ii"), picture(320, 240, "mpf3 ii")], types=(0x010001, 0x040000))
    f["mpf-mm.jpg"] = mpf(">", [picture(160, 120, "mpf2 mm"), picture(320, 240, "mpf3 mm")], types=(0x010002, 0x80020003))
    # Gain maps, named by the namespace in their own XMP segment: Apple's, then the one of
    # Android and Adobe, beside a disparity image whose XMP names neither.
    xmp = b"http://ns.adobe.com/xap/1.0/\0<x:xmpmeta><rdf:Description xmlns:%s='%s'/></x:xmpmeta>"
    f["gain-map-apple.jpg"] = mpf("<", [gain_map(xmp % (b"HDRGainMap", b"http://ns.apple.com/HDRGainMap/1.0/"))])
    f["gain-map-hdrgm.jpg"] = mpf(">", [gain_map(xmp % (b"hdrgm", b"http://ns.adobe.com/hdr-gain-map/1.0/")),
                                        gain_map(xmp % (b"dc", b"http://purl.org/dc/elements/1.1/"))],
                                  types=(0, 0x020002))
    for o, s in (("<", "ii"), (">", "mm")):
        f[f"nikon-{s}.jpg"] = jpeg(exif_app1(o, "NIKON CORPORATION", nikon(o, picture(570, 375, f"nikon {s}"))))
        f[f"pentax-{s}.jpg"] = jpeg(exif_app1(o, "PENTAX Corporation", note_with_picture(
            b"AOC\0" + (b"II" if o == "<" else b"MM"), [(0x0004, "start"), (0x0003, "length")], picture(320, 240, f"pentax {s}"))))
        f[f"minolta-{s}.jpg"] = jpeg(exif_app1(o, "Minolta Co., Ltd.", note_with_picture(
            b"", [(0x0088, "start"), (0x0089, "length")], picture(640, 480, f"minolta {s}"))))
        f[f"olympus-{s}.jpg"] = jpeg(exif_app1(o, "OLYMPUS IMAGING CORP.", olympus(o, picture(320, 240, f"olympus {s}"))))
        f[f"other-{s}.jpg"] = other(o, picture(1024, 768, f"other {s}"))
    # Sony's preview: a 32-byte header of its own, then a JPEG whose first byte the camera wrote as 0.
    f["sony-ii.jpg"] = jpeg(exif_app1("<", "SONY", note_with_picture(
        b"SONY DSC \0\0\0", [(0x2001, "held")], b"\0" * 32 + picture(1616, 1080, "sony", first=0, dqt=True))))
    f["casio-mm.jpg"] = jpeg(exif_app1(">", "CASIO COMPUTER CO.,LTD", note_with_picture(
        b"QVC\0\0\0", [(0x2000, "held")], picture(640, 480, "casio"))))
    # Sony Ericsson's phones: offsets from 12 bytes into the maker note, 8 before its IFD.
    f["sony-ericsson-mm.jpg"] = jpeg(exif_app1(">", "Sony Ericsson", note_with_picture(
        b"SEMC MS\0\0\0\0\x01\0\0\0\0\0\0\0\0", [(0x0201, "start"), (0x0202, "length")], picture(320, 240, "sony ericsson"),
        base="note", base_at=12)))
    f["sigma-ii.jpg"] = jpeg(exif_app1("<", "SIGMA", note_with_picture(
        b"SIGMA\0\0\0\1\0", [(0x001A, "start"), (0x001B, "length")], picture(640, 427, "sigma"))))
    f["canon-ii.jpg"] = jpeg(exif_app1("<", "Canon", canon(picture(1620, 1080, "canon"))))
    f["samsung-stmn.jpg"] = samsung(picture(640, 480, "samsung"))
    # JFXX: a JPEG, a palette picture and an RGB one; JFIF's own RGB thumbnail. No Exif in the
    # last two: "Not also Exif file", then its pictures.
    jfif = seg(0xE0, b"JFIF\0\1\2\0\0\1\0\1\0\0")
    f["jfxx-jpeg.jpg"] = jpeg(exif_app1("<"), jfif, seg(0xE0, b"JFXX\0\x10" + picture(64, 48, "jfxx")))
    palette = bytes(c for i in range(256) for c in (i, 255 - i, (i * 7) & 255))
    f["jfxx-palette.jpg"] = jpeg(exif_app1(">"), jfif, seg(0xE0, b"JFXX\0\x11\3\2" + palette + bytes([0, 1, 2, 128, 254, 255])))
    f["jfxx-rgb.jpg"] = jpeg(jfif, seg(0xE0, b"JFXX\0\x13\2\2" + bytes(range(10, 22))))
    f["jfif-rgb.jpg"] = jpeg(seg(0xE0, b"JFIF\0\1\2\0\0\1\0\1\3\1" + bytes([255, 0, 0, 0, 255, 0, 0, 0, 255])))
    # Photoshop's thumbnail, its resource split between two APP13 segments; its BGR one.
    thumb = app13((0x0404, b"\x1c\2\0\0\2\0\4"), (0x040C, thumbnail_resource(picture(160, 107, "photoshop"))))
    f["photoshop-split.jpg"] = jpeg(exif_app1("<"), seg(0xED, thumb[:60]), seg(0xED, b"Photoshop 3.0\0" + thumb[60:]))
    # A thumbnail of more than 128 KB, its resource across three APP13 segments: copied in
    # blocks of 64 KB, each from where the last ended.
    large = app13((0x040C, thumbnail_resource(picture(1024, 768, "photoshop large " + "y" * 140000))))
    f["photoshop-large.jpg"] = jpeg(exif_app1("<"), seg(0xED, large[:65000]),
                                    seg(0xED, b"Photoshop 3.0\0" + large[65000:130000]),
                                    seg(0xED, b"Photoshop 3.0\0" + large[130000:]))
    f["photoshop-bgr.jpg"] = jpeg(exif_app1(">"), seg(0xED, app13((0x0409, thumbnail_resource(picture(80, 60, "bgr"))))))
    # FlashPix: Kodak's Screen Nail stream over two segments (the second overlapping the first by
    # 4 bytes), Fujifilm's Preview stream and its preview kept with no contents list (stream 512).
    nail = b"\0" * 28 + b"junk" + picture(288, 192, "flashpix kodak")
    name = "\x05Screen Nail_bd0100609719a180"
    f["flashpix-kodak.jpg"] = jpeg(exif_app1("<", "EASTMAN KODAK COMPANY"),
                                   seg(0xE2, fpxr_contents((16, "\x05Extension List"), (len(nail), name))),
                                   seg(0xE2, fpxr_data(1, 0, nail[:40])), seg(0xE2, fpxr_data(1, 36, nail[36:])))
    # HP's contents list: a storage and forty property streams before its Screen Nail, whose
    # data comes in two segments; then a Screen Nail whose segments stop short of its size, read
    # as far as they go.
    listed = [(0xFFFFFFFF, "Data Object Store 000001")] + [(8, "Property %06d" % k) for k in range(40)]
    nail = b"\0" * 28 + picture(320, 240, "flashpix hp")
    hp = fpxr_contents(*listed, (len(nail), name), (len(nail) + 100, name))
    hp = hp[:9 + 5] + hp[9 + 5:].replace(b"0\x000\x000\x000\x000\x001\x00\0\0", b"0\x000\x000\x000\x000\x001\x00\0\0" + bytes(16), 1)
    f["flashpix-hp.jpg"] = jpeg(exif_app1("<", "Hewlett-Packard"), seg(0xE2, hp),
                                seg(0xE2, fpxr_data(41, 0, nail[:50])), seg(0xE2, fpxr_data(41, 50, nail[50:])),
                                seg(0xE2, fpxr_data(42, 0, nail)))
    preview = b"F" * 47 + picture(160, 120, "flashpix fuji")
    f["flashpix-fuji.jpg"] = jpeg(exif_app1(">", "FUJIFILM"), seg(0xE2, fpxr_contents((len(preview), "Preview"))),
                                  seg(0xE2, fpxr_data(0, 0, preview)))
    # Each segment of stream 512 holds 47 bytes of Fujifilm's before its part of the JPEG.
    loose = picture(320, 240, "flashpix 512", dqt=True)
    f["flashpix-512.jpg"] = jpeg(exif_app1(">", "FUJIFILM"), seg(0xE2, fpxr_data(512, 0, b"F" * 47 + loose[:30])),
                                 seg(0xE2, fpxr_data(512, 30, b"F" * 47 + loose[30:])))
    write("pictures-sources", f)


def other(order, pic):
    """An Exif directory with a JPEGInterchangeFormat pair (exiftool's OtherImage)."""
    t = Tiff(order)
    t.patch(4, 8)
    ifd0, f0 = t.ifd([(0x010F, ASCII, 7, "Camera\0"), (0x8769, LONG, 1, 0)])
    exif, fe = t.ifd([(0x0201, LONG, 1, 0), (0x0202, LONG, 1, len(pic))])
    t.patch(f0[0x8769], exif)
    t.patch(fe[0x0201], t.here())
    t.b += pic
    return jpeg(seg(0xE1, b"Exif\0\0" + bytes(t.b)))


def samsung(pic):
    """Samsung's "STMN" maker note: the preview's position (from the start of the file) at byte 8,
    its length at 12."""
    data = bytearray(jpeg(exif_app1("<", "SAMSUNG", lambda t: t.b.extend(b"STMN100\0" + bytes(40) + pic))))
    at = data.find(b"STMN100\0")
    data[at + 8:at + 16] = struct.pack("<II", data.find(pic), len(pic))
    return bytes(data)


def tiff_files():
    """TIFF-format files: IFD0's JPEGInterchangeFormat pair, and SubIFDs of one JPEG strip each."""
    f = {}
    for o, s in (("<", "ii"), (">", "mm")):
        t = Tiff(o)
        t.patch(4, 8)
        ifd0, f0 = t.ifd([(0x010F, ASCII, 7, "Camera\0"), (0x014A, LONG, 2, bytes(8)),
                          (0x0201, LONG, 1, 0), (0x0202, LONG, 1, 0)])
        pics = [picture(160, 120, f"ifd0 {s}"), picture(1024, 680, f"subifd1 {s}"), picture(2048, 1360, f"subifd2 {s}")]
        subs = [t.ifd([(0x0103, SHORT, 1, 7), (0x0111, LONG, 1, 0), (0x0117, LONG, 1, len(pics[k + 1]))])
                for k in range(2)]
        table = struct.unpack(o + "I", t.b[f0[0x014A]:f0[0x014A] + 4])[0]
        t.b[table:table + 8] = t.pack("II", *(at for at, _ in subs))
        t.patch(f0[0x0201], t.here())
        t.patch(f0[0x0202], len(pics[0]))
        t.b += pics[0]
        for (at, fields), p in zip(subs, pics[1:]):
            t.patch(fields[0x0111], t.here())
            t.b += p
        f[f"camera-{s}.tif"] = bytes(t.b)
    write("pictures-tiff", f)


def damage():
    f = {}
    # MPF images: past the end of the file, across it, with an offset that wraps past 2^32 in 32
    # bits; entries of size or offset 0 (none).
    f["mpf-past-end.jpg"] = mpf("<", [(4096, 0x100000), (64, 0), (0, 64), (0x200, 0xFFFFFFF0), picture(90, 60, "kept")])
    f["mpf-across-end.jpg"] = mpf(">", [picture(160, 120, "cut")])[:-10]
    # A Nikon preview whose length says more than the file holds.
    f["nikon-lying-length.jpg"] = jpeg(exif_app1("<", "NIKON CORPORATION", nikon("<", picture(570, 375, "nikon"), 0x10000)))
    # A Pentax preview of bytes that are no JPEG; a Sony one too short for its header.
    f["pentax-not-jpeg.jpg"] = jpeg(exif_app1(">", "PENTAX Corporation", note_with_picture(
        b"AOC\0MM", [(0x0004, "start"), (0x0003, "length")], b"\0\3\0\0\0\1" + bytes(58))))
    f["sony-short.jpg"] = jpeg(exif_app1("<", "SONY", note_with_picture(b"SONY DSC \0\0\0", [(0x2001, "held")], b"\xff" * 20)))
    # Canon's PreviewImageInfo whose first word does not give its size: not the block the rule reads.
    f["canon-bad-info.jpg"] = jpeg(exif_app1("<", "Canon", canon(picture(1620, 1080, "canon"), words=7)))
    # Photoshop's resource cut: its size runs past the last APP13 segment.
    thumb = app13((0x040C, thumbnail_resource(picture(160, 107, "photoshop cut"))))
    f["photoshop-cut.jpg"] = jpeg(exif_app1("<"), seg(0xED, thumb[:-20]))
    # Two Photoshop thumbnails (0x040C and 0x0409), two JFXX ones: the second of each name gets
    # "-2". An older output of the first name is replaced.
    both = app13((0x040C, thumbnail_resource(picture(160, 107, "first"))), (0x0409, thumbnail_resource(picture(160, 107, "second"))))
    f["collision.jpg"] = jpeg(exif_app1("<"), seg(0xED, both), seg(0xE0, b"JFXX\0\x10" + picture(64, 48, "jfxx 1")),
                              seg(0xE0, b"JFXX\0\x10" + picture(64, 48, "jfxx 2")))
    f["collision.jpg.photoshop.jpg"] = b"an older output"
    # JFIF's thumbnail larger than its segment (a grayscale writer's byte per pixel): what the
    # segment holds, the rest zeros; a JFXX RGB one of 0 x 0 (none); a JFXX palette one cut
    # short; a JFIF header that counts pixels its segment holds none of (none).
    palette = bytes(c for i in range(256) for c in (i, i, 255 - i))
    f["jfif-cut.jpg"] = jpeg(exif_app1(">"), seg(0xE0, b"JFIF\0\1\2\0\0\1\0\1\x04\x04" + bytes(range(40, 56))),
                             seg(0xE0, b"JFXX\0\x13\0\0"), seg(0xE0, b"JFXX\0\x11\4\4" + palette + bytes(range(10))),
                             seg(0xE0, b"JFIF\0\1\2\0\0\1\0\1\x02\x02"))
    # FlashPix: a contents list with a stream that never comes, a data segment for an index not listed.
    f["flashpix-missing.jpg"] = jpeg(exif_app1("<"), seg(0xE2, fpxr_contents((300, "\x05Screen Nail"))),
                                     seg(0xE2, fpxr_data(7, 0, b"\xff\xd8\xff" + bytes(20))))
    write("pictures-damage", f)


def options():
    """One file of each kind for -p with every other option."""
    f = {}
    # A phone's file: IFD1's JPEG thumbnail and an MPF preview, its Exif after a JFIF segment.
    t = Tiff("<")
    t.patch(4, 8)
    thumb = picture(160, 120, "ifd1 thumbnail")
    ifd0, f0 = t.ifd([(0x010F, ASCII, 6, "Phone\0")])
    ifd1, f1 = t.ifd([(0x0103, SHORT, 1, 6), (0x0201, LONG, 1, 0), (0x0202, LONG, 1, len(thumb))])
    t.patch(ifd0 + 2 + 12, ifd1)
    t.patch(f1[0x0201], t.here())
    t.b += thumb
    app1 = seg(0xE1, b"Exif\0\0" + bytes(t.b))
    jfif = seg(0xE0, b"JFIF\0\1\2\0\0\1\0\1\0\0")
    # The MPF file's APP1 replaced by the phone's, after a JFIF segment: the offsets count from
    # the MPF header, which moves with it.
    f["phone.jpg"] = mpf("<", [picture(1920, 1080, "phone preview")], before=jfif).replace(exif_app1("<"), app1)
    f["no-exif.jpg"] = jpeg(seg(0xED, app13((0x040C, thumbnail_resource(picture(100, 75, "photoshop"))))))
    write("pictures-options", f)


def pipes():
    """Files read through pipes: an MPF image across the end of the 64 KB read window, a Photoshop
    thumbnail that the walk to SOS has left behind the window."""
    f = {}
    big = picture(1920, 1080, "across " + "x" * 90000)
    f["across-window.jpg"] = mpf(">", [big])
    filler = b"".join(seg(0xE5, bytes(60000)) for _ in range(3))
    f["behind-window.jpg"] = jpeg(exif_app1("<"), seg(0xE4, bytes(40000)),
                                  seg(0xED, app13((0x040C, thumbnail_resource(picture(100, 75, "behind"))))), filler)
    write("pictures-pipe", f)


if __name__ == "__main__":
    sources()
    tiff_files()
    damage()
    options()
    pipes()
