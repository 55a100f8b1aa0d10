#!/usr/bin/env python3
"""Checks pelnor -p -s -k over the real-camera corpus against exiftool -b -preview:all: every
picture exiftool extracts from a source -p covers (MPF images, maker-note previews, OtherImage,
JFXX, JFIF, Photoshop, FlashPix, the JPEGs of a TIFF-format file) must equal, byte for byte, a
file pelnor wrote for that input under the source's name; a JFXX or JFIF bitmap must hold, pixel
for pixel, what ImageMagick reads from exiftool's ThumbnailTIFF. What exiftool extracts that is not
a picture (test files' "<Dummy preview image>") must be reported and not written.
Exit code 0: they agree and the counts are the corpus's; 1: otherwise."""
import collections, os, re, shutil, struct, subprocess, sys, tempfile

from check_corpus import call, corpus_run

# exiftool's family-1 group and tag of a picture, to the name pelnor gives it.
SOURCES = [(r"MPImage(\d+)", r".*", lambda m: f"mpf{m[1]}.jpg"),
           (r"Canon|Casio|Minolta|Olympus|Pentax|PreviewIFD|Samsung|Sigma|Sony|Nikon", r"PreviewImage",
            lambda m: "preview.jpg"),
           (r"ExifIFD", r"OtherImage", lambda m: "other.jpg"),
           (r"JFXX", r"ThumbnailImage", lambda m: "jfxx.jpg"),
           (r"JFXX", r"ThumbnailTIFF", lambda m: "jfxx.bmp"),
           (r"JFIF", r"ThumbnailTIFF", lambda m: "jfif.bmp"),
           (r"Photoshop", r"Photoshop(BGR)?Thumbnail", lambda m: "photoshop.jpg"),
           (r"FlashPix", r"PreviewImage", lambda m: "flashpix.jpg"),
           (r"IFD0", r"PreviewImage|JpgFromRaw|OtherImage", lambda m: "ifd0.jpg"),
           (r"SubIFD(\d*)", r"PreviewImage|JpgFromRaw|OtherImage|ThumbnailImage",
            lambda m: f"subifd{m[1] or 1}.jpg")]
# What the corpus holds: pictures compared byte for byte, bitmaps compared by pixels, bitmaps of which
# a segment holds only a part (exiftool extracts that part; pelnor's bitmap holds it, then zeros), data
# that is no picture.
COUNTS = {"JPEG": 36, "bitmap": 2, "partial bitmap": 2, "not a picture": 4}
REFERENCE = re.compile(r"(.*?\.\w+)_(.+)-([A-Za-z]\w*?)(?:-\d+)?\.(\w+)$")


def pixels_of_bmp(data):  # rows top first, R G B
    w, h, bits = struct.unpack_from("<iiH", data, 18)[0:2] + struct.unpack_from("<H", data, 28)
    if data[:2] != b"BM" or bits != 24:
        return None
    stride, at = (3 * w + 3) & ~3, struct.unpack_from("<I", data, 10)[0]
    rows = range(h - 1, -1, -1) if h > 0 else range(-h)
    return bytes(c for y in rows for x in range(w) for c in data[at + stride * y + 3 * x:][:3][::-1])


def strip_of_tiff(data):  # the bytes of an RGB TIFF's one strip, from its offset to the end of the file
    order = "<" if data[:2] == b"II" else ">"
    ifd = struct.unpack_from(order + "I", data, 4)[0]
    for k in range(struct.unpack_from(order + "H", data, ifd)[0]):
        tag, typ, _, value = struct.unpack_from(order + "HHII", data, ifd + 2 + 12 * k)
        if tag == 273:
            return data[value if typ == 4 else value & 0xFFFF if order == "<" else value >> 16:]
    return b""


def main():
    args, names = corpus_run(__doc__)
    faults, counts = [], collections.Counter()
    with tempfile.TemporaryDirectory() as tmp:
        ours, ref = os.path.join(tmp, "pelnor"), os.path.join(tmp, "exiftool")
        os.makedirs(ours)
        for name in names:
            shutil.copyfile(os.path.join(args.corpus, name), os.path.join(ours, name))
        rc, out, err = call([os.path.abspath(args.pelnor), "-p", "-s", "-k"] + names, cwd=ours)
        written = set(os.listdir(ours)) - set(names)
        try:
            call(["exiftool", "-q", "-q", "-a", "-b", "-W", ref + "/%f.%e_%g1-%t%-c.%s", "-preview:all"]
                 + [os.path.join(args.corpus, n) for n in names])
        except FileNotFoundError:
            sys.exit("FAIL exiftool not found")
        for extracted in sorted(os.listdir(ref) if os.path.isdir(ref) else []):
            name, group, tag, ext = REFERENCE.match(extracted).groups()
            suffix = next((f(m) for g, t, f in SOURCES for m in [re.fullmatch(g, group)]
                           if m and re.fullmatch(t, tag)), None)
            if suffix is None:
                continue  # the IFD1 thumbnail (-o) and sources out of reach: XMP, IPTC, trailers
            theirs = open(os.path.join(ref, extracted), "rb").read()
            stem, kind = name + "." + suffix[:-4], suffix[-4:]
            candidates = sorted(f for f in written if re.fullmatch(re.escape(stem) + r"(-\d+)?" + kind, f))
            if ext not in ("jpg", "tiff"):
                counts["not a picture"] += 1
                if any(open(os.path.join(ours, f), "rb").read() == theirs for f in candidates):
                    faults.append(f"{extracted}: not a picture, written")
                continue
            if kind == ".bmp":
                _, want, complaint = call(["convert", os.path.join(ref, extracted), "rgb:-"])
                if b"Read error" in complaint:  # exiftool wrote what the segment holds of it
                    counts["partial bitmap"] += 1
                    held = strip_of_tiff(theirs)
                    want = held + bytes(len(want) - len(held))  # the pixels past them are zeros
                    if not any(pixels_of_bmp(open(os.path.join(ours, f), "rb").read()) == want for f in candidates):
                        faults.append(f"{extracted}: a segment holds part of it, no bitmap of that part among {candidates}")
                    continue
                counts["bitmap"] += 1
                if not any(pixels_of_bmp(open(os.path.join(ours, f), "rb").read()) == want for f in candidates):
                    faults.append(f"{extracted}: no bitmap of its pixels among {candidates}")
                continue
            counts["JPEG"] += 1
            if not any(open(os.path.join(ours, f), "rb").read() == theirs for f in candidates):
                faults.append(f"{extracted}: {len(theirs)} bytes, not among {candidates}")
        for k in COUNTS:
            if counts[k] != COUNTS[k]:
                faults.append(f"{counts[k]} of {k} compared, where the corpus holds {COUNTS[k]}")
        if rc not in (0, 1) or b"AddressSanitizer" in err:
            faults.append(f"pelnor -p -s -k: exit code {rc}")
    print("".join(f"FAIL {f}\n" for f in faults), end="")
    print(f"pictures exiftool extracts within -p's sources: {counts['JPEG']} JPEGs, {counts['bitmap']} bitmaps, "
          f"{counts['not a picture']} not pictures; written by pelnor -p: {len(written)} files; {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
