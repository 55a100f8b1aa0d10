#!/usr/bin/env python3
"""Checks pelnor -s -a over the container corpus (HEIF, AVIF, CR3, WebP, PNG, JPEG XL, RAF, RW2):
every IFD-shaped entry exiftool -v3 lists must stand at the same index of pelnor's block of that
directory with the same tag, type, count and value position, and the values of those pelnor reads
from the file must show the stored numbers; every box and chunk exiv2 -pS lists must be in pelnor's
map at the same position with the same type and size; the pictures pelnor writes with -p -o must
equal exiftool -b's byte for byte: CR3's ThumbnailImage, PreviewImage and JpgFromRaw, RAF's
ThumbnailImage and PreviewImage, a DNG's PreviewImage (a JPEG exiftool gives that does not begin
with the start-of-image marker is no picture, and pelnor writes none).
With --generated, the files of that folder (the golden cases' containers) are compared too. The
counts compared must be the corpus's.
Exit code 0: they agree; 1: they do not, or a tool or the corpus is missing."""
import collections, os, re, shutil, subprocess, sys, tempfile

from check_corpus import call, corpus_run
from check_directories import SIZES, exiftool_directories, order_of, pairs, pelnor_blocks, same, shown

# Where exiftool's path of a directory begins: the TIFF structure, wherever the container keeps it.
ROOTS = {"IFD0", "IFD1", "ExifIFD", "GPS", "MakerNotes", "InteropIFD"}
# CR3 keeps its Exif directory, maker note and GPS directory in TIFF structures of their own.
ALONE = {"ExifIFD": ("IFD0",), "MakerNotes": ("IFD0", "ExifIFD"), "GPS": ("IFD0",)}
# What the corpus and the golden cases' containers hold: entries, values, boxes and chunks, pictures.
LEAST = {"entries": 1082, "maker entries": 518, "values": 1179, "map": 617, "pictures": 11}
EXIV2_BOX = re.compile(r"\s*Exiv2::BmffImage::boxHandler: (\S{4})\s+(\d+)->(\d+)")
EXIV2_CHUNK = re.compile(r"\s*(\S{3,4}) ?\s*\|\s*(\d+)\s*\|\s*(\d+)\s*\|")  # WebP: chunk, length, offset
EXIV2_PNG = re.compile(r"\s*(\d+) \| (\S{4}) \|\s*(\d+) \|")  # PNG: address, chunk, length
OURS_BOX = re.compile(r"\s*(0x[0-9a-f]+|0):\s*(\S{1,4}(?: {0,3})?)\s*(?:size|length)=(\d+)")


def run(argv, **kw):
    try:
        return call(argv, **kw)
    except subprocess.TimeoutExpired:
        sys.exit(f"FAIL {argv[0]} ran past its time")
    except FileNotFoundError:
        sys.exit(f"FAIL {argv[0]} not found")


def rooted(directories):  # exiftool's paths from the TIFF structure on, as a JPEG's would be
    out = []
    for path, entries in directories:
        at = next((i for i, p in enumerate(path) if p in ROOTS or p.startswith("SubIFD")), None)
        if at is None or path[at] == "Fuji":
            continue
        path = path[at:]
        if "AdobeMakN" in path:  # a DNG's maker note, kept in DNGPrivateData: pelnor's maker note
            path = ("IFD0", "ExifIFD") + path[path.index("AdobeMakN") + 1:]
        out.append((ALONE.get(path[0], ()) + path, entries))
    return out


def compare_entries(args, paths, faults):
    listing = run(["exiftool", "-v3"] + paths)[1].decode("latin-1").split("======== ")[1:]
    listed = {text.split("\n")[0]: rooted(exiftool_directories(text)) for text in listing}
    improper = {text.split("\n")[0] for text in listing if "Improper EXIF header" in text}
    counts = collections.Counter()
    for path in paths:
        data = open(path, "rb").read()
        out = run([args.pelnor, "-a", "-s", path])[1].decode("latin-1")
        decoded = "decoded from the file" in out  # positions in bytes that are not the file's
        # exiftool gives an eXIf chunk's positions from its TIFF header, a RAF's from the start of
        # its JPEG, and a WebP EXIF chunk's from the chunk's start even where an Exif identifier
        # comes first.
        header = re.search(r"<Exif data: (\S+), the TIFF header at (0x[0-9a-f]+|0)", out)
        layout = header[1] if header else None
        shift = (int(header[2], 16) if layout == "png" else
                 int.from_bytes(data[84:88], "big") if layout == "raf" else
                 6 if layout == "webp" and path in improper else 0)
        for family, es, block in pairs(listed.get(path, []), pelnor_blocks(out)):
            kind = "maker entries" if family.startswith("MakerNote") else "entries"
            order = order_of(data, block) if not decoded else "<"
            for index, name, tag, typ, count, at in es:
                counts[kind] += 1
                m = block[index][0] if index < len(block) else None
                small = count * SIZES[typ] <= 4
                where = m and (int(m[1], 16) + 8 if small else int(m[6], 16))
                if not m or (int(m[2]), int(m[3]), int(m[4]) % 2**32) != (tag, typ, count) or (
                        at is not None and at + shift != where and not decoded):
                    counts[kind + " disagreeing"] += 1
                    faults.append(f"{os.path.basename(path)}: {family} entry {index}: exiftool {name} tag "
                                  f"{tag:#x} type {typ} count {count} at {at}; pelnor {m[0] if m else 'none'}")
                    continue
                value = re.match(r"\t([^:\s]+):(?: (.*))?", block[index][1] or "", re.S)
                if decoded or family in ("IFD0", "IFD1") or not value or at is None:
                    continue
                counts["values"] += 1
                if not same(value[2] or "", shown(data, at + shift, typ, count, order, value[1]), typ):
                    counts["values disagreeing"] += 1
                    faults.append(f"{os.path.basename(path)}: {family} {value[1]}: pelnor {value[2]!r}")
    return counts


def compare_map(args, paths, faults):
    counts = collections.Counter()
    for path in paths:
        listed = run(["exiv2", "-pS", path])[1].decode("latin-1")
        theirs = [(m[1], int(m[2]), int(m[3])) for m in map(EXIV2_BOX.match, listed.split("\n")) if m]
        theirs += [(m[1], int(m[3]), int(m[2])) for m in map(EXIV2_CHUNK.match, listed.split("\n"))
                   if m and m[1] != "Chun"]
        theirs += [(m[2], int(m[1]), int(m[3])) for m in map(EXIV2_PNG.match, listed.split("\n")) if m]
        out = run([args.pelnor, "-a", "-s", path])[1].decode("latin-1")
        ours = {}
        for m in map(OURS_BOX.match, out.split("\n\n", 1)[0].split("\n")):
            if m:
                ours[(m[2].strip(), int(m[1], 16))] = int(m[3])
        for box in theirs:
            counts["map"] += 1
            size = ours.get(box[:2])
            # exiv2 gives a box of a 64-bit size the 1 its 32-bit field holds
            if size is None or (size != box[2] and box[2] != 1):
                counts["map disagreeing"] += 1
                faults.append(f"{os.path.basename(path)}: exiv2 lists {box}, pelnor does not")
    return counts


# The pictures pelnor writes with -s -p -o beside exiftool -b's of the same tag, by extension.
PICTURES = {".cr3": {"ThumbnailImage": "thumb.jpg", "PreviewImage": "preview.jpg", "JpgFromRaw": "full.jpg"},
            ".raf": {"ThumbnailImage": "thumb.jpg", "PreviewImage": "preview.jpg"},
            ".dng": {"PreviewImage": "subifd2.jpg"}}


def compare_pictures(args, paths, faults):
    counts = collections.Counter()
    for path in paths:
        tags = PICTURES.get(os.path.splitext(path)[1].lower(), {})
        if not tags:
            continue
        tmp = tempfile.mkdtemp()
        try:
            copy = os.path.join(tmp, os.path.basename(path))
            shutil.copyfile(path, copy)
            run([args.pelnor, "-s", "-p", "-o", copy], cwd=tmp)
            for tag, suffix in tags.items():
                want = run(["exiftool", "-b", "-" + tag, path])[1]
                written = copy + "." + suffix
                got = open(written, "rb").read() if os.path.exists(written) else None
                counts["pictures"] += 1
                if want[:2] != b"\xff\xd8":
                    want = None  # no JPEG: nothing to write
                if got != want:
                    counts["pictures disagreeing"] += 1
                    faults.append(f"{os.path.basename(path)}: {tag}: exiftool {len(want or b'')} bytes, "
                                  f"pelnor {'none' if got is None else len(got)}")
        finally:
            shutil.rmtree(tmp)
    return counts


def main():
    args, names = corpus_run(__doc__, "--generated")
    paths = [os.path.join(os.path.abspath(args.corpus), n) for n in names]
    if args.generated:  # the golden cases' containers, made by tests/container_inputs.py
        paths += sorted(os.path.join(os.path.abspath(args.generated), n) for n in os.listdir(args.generated))
    faults = []
    counts = compare_entries(args, paths, faults) + compare_map(args, paths, faults) + \
        compare_pictures(args, paths, faults)
    print("".join(f"FAIL {f}\n" for f in faults), end="")
    print("; ".join(f"{k} compared: {counts[k]}, {counts[k + ' disagreeing']} disagree"
                    for k in ("entries", "maker entries", "values", "map", "pictures")))
    short = [k for k, least in LEAST.items() if counts[k] < least]
    print("".join(f"FAIL too few {k} compared\n" for k in short), end="")
    return 1 if faults or short else 0


if __name__ == "__main__":
    sys.exit(main())
