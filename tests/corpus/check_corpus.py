#!/usr/bin/env python3
"""Checks pelnor over the real-camera corpus: what it decides for each file against MANIFEST.tsv
(views), the thumbnails it writes against exiftool and libtiff (thumbnails), or what its dump
decodes against exiftool (tags). With --search the tool runs with -s -k, and every thumbnail the
manifest names must be written and agree. Exit code 1 for a disagreement, a file or thumbnail of
the manifest left uncompared, a manifest that lists none, a missing corpus or tool, a timeout."""
import argparse, csv, json, os, re, signal, struct, subprocess, sys, tempfile, time

# The last line of a run with -o: a thumbnail is whole after "done" and empty after a write error.
DONE, WRITE_ERROR = "done[%s]", "File Write error for [%s]"
# Where the tool departs from the manifest's view of the first 32 KB: a JPEG stream that starts
# past them is looked for, and copied, from the file itself.
OUTCOME = {"JPEG-beyond32k": ("JPEG", DONE)}
# Thumbnails exiftool extracts nothing from: its ThumbnailLength is 257 LONGs.
NO_REFERENCE = {"lxts__cve-2012-2812.jpg"}

KINDS = ("JPEG", "RGB", "YCbCr")  # the thumbnails written
NONE, NO_IFD1 = "thumbnail not exist or not support", "Not exist 1thIFD(for thumbnail)"
ENDINGS = {"JPEG": (0, ["thumbnail exist [JPEG]"]), "RGB": (0, ["thumbnail exist [TIFF/RGB]"]),
           "YCbCr": (0, ["thumbnail exist [TIFF/YCbCr]"]), "none": (0, [NONE]), "noIFD1": (1, [NO_IFD1]),
           "reject": (1, ["Not also Exif file"]), "badorder": (0, ["Endian do not deside", ""]),
           "noifd0": (1, ["0th IFD dumping...:", "\t<IFD beyond the data read>", "", NO_IFD1]),
           "ifd1out": (0, ["1th IFD dumping...:", "\t<IFD beyond the data read>", "", NONE])}
# The decoded lines compared with exiftool, and the names of enumerated values (then the default).
LINES = {256: "ImageWidth: %s", 257: "ImageLength: %s", 273: "StripOffsets: %s",
         277: "SamplesPerPixel: %s", 278: "RowsPerStrip: %s", 279: "StripByteCounts: %s",
         513: "JPEG Thumbnail Offset: %s", 514: "JPEG Thumbnail Length: %s",
         531: "YCbCrSubPositioning: %s", 530: "YCbCrSubSampling: Horiz[%s] Vert[%s]",
         259: "Compression: [%s]", 262: "PhotometricInterpretation: [%s]", 274: "Orientation: [%s]",
         284: "PlanarConfiguration: [%s]", 296: "ResolutionUnit: [%s]"}
NAMES = {259: ({1: "No Compression", 7: "JPEG"}, "Other"),
         262: ({1: "BlacksZero", 2: "RGB", 6: "YCbCr"}, "Other"),
         274: ({1: "Normal", 3: "180 degrees", 6: "clockwise 90 degrees",
                8: "counter-clockwise 90 degrees"}, "Unknown"),
         284: ({1: "Chunk", 2: "Planar format"}, "Unknown"),
         296: ({1: "No absolute unit of measurement", 2: "Inch", 3: "Centimeter"}, "Unknown")}
DECODED = set(LINES) | {258, 282, 283, 529, 532}  # the tags that print no text
# The generic line of an entry: position, tag, type, count, value, value plus the header's position.
ENTRY = (r" *(0x[0-9a-f]+):Tag=\S+\[(\d+)\] Type=\w+\[(\d+)\] Num=(-?\d+) "
         r"offset=(0x[0-9a-f]+|0)\[(0x[0-9a-f]+|0)\]")
GENERIC = re.compile("^" + ENTRY + "\n", re.M)
TIFF_AT = 12  # file position of the TIFF header; exiftool gives offsets as file positions
faults, SEARCH = [], []
END = time.monotonic() + 100  # before ctest's TIMEOUT kills the check and leaves its folder behind


def call(args, stdout=subprocess.PIPE, **kw):  # (exit code, stdout, stderr), in a process group
    with subprocess.Popen(args, stdout=stdout, stderr=subprocess.PIPE, start_new_session=True, **kw) as p:
        try:
            out, err = p.communicate(timeout=min(30, END - time.monotonic()))
        except subprocess.TimeoutExpired:
            os.killpg(p.pid, signal.SIGKILL)
            raise
    return p.returncode, out, err


def corpus_run(doc, *extra):  # (arguments, manifest's file names) of a check over the corpus
    ap = argparse.ArgumentParser(description=doc.splitlines()[0])
    ap.add_argument("--pelnor", required=True)
    ap.add_argument("--corpus", required=True)
    for name in extra:  # an option with a value, or (a flag, its help)
        ap.add_argument(name) if isinstance(name, str) else ap.add_argument(name[0], action="store_true", help=name[1])
    args = ap.parse_args()
    manifest = os.path.join(args.corpus, "MANIFEST.tsv")
    if not os.path.isfile(manifest):
        sys.exit(f"FAIL no corpus: {manifest} not found")
    return args, [r["file"] for r in csv.DictReader(open(manifest, encoding="utf-8"), delimiter="\t")]


def tiff_at(data):  # file position of the TIFF header: 12, or after the first APP1 Exif identifier
    at = 6 if data[6:12] == b"Exif\0\0" else data.find(b"\xff\xe1") + 4
    while data[at:at + 6] != b"Exif\0\0" and at > 3:
        at = data.find(b"\xff\xe1", at) + 4
    return at + 6


def run(pelnor, path, tmp, with_o):  # in a directory of its own: (dir, rc, stdout, stderr, new files)
    d, name = tempfile.mkdtemp(dir=tmp), os.path.basename(path)
    os.symlink(path, os.path.join(d, name))
    rc, out, err = call([os.path.abspath(pelnor)] + ["-o"] * with_o + SEARCH + [name], cwd=d)
    return d, rc, out.decode("latin-1"), err, sorted(set(os.listdir(d)) - {name})


def exif(paths):  # {file name: {(IFD0 or IFD1, tag id) or ("Exif", "Warning"): value as text}}
    args = ["exiftool", "-j", "-n", "-G1", "-a", "-D", "-IFD0:all", "-IFD1:all", "-ExifTool:Warning"]
    out = call(args + paths)[1] or "[]"
    return {os.path.basename(doc.pop("SourceFile")): {(k[:4], int(i) if i.isdigit() else i): str(v["val"])
                                                      for k, v in doc.items() for i in [str(v["id"])]}
            for doc in json.loads(out, parse_int=str, parse_float=str)}


def outcome(row):  # (what the tool decides, the last line of its run with -o)
    if SEARCH:  # -s finds the thumbnail wherever the file keeps it
        return row["thumb_kind"], DONE
    return OUTCOME.get(row["category"], (row["pelnor_view"], DONE))


def views(rows, runs, corpus, tmp):
    for row in rows:
        name, (view, last) = row["file"], outcome(row)
        thumb = name + (".thumb.jpg" if view == "JPEG" else ".thumb.bmp")
        for with_o, (d, rc, out, err, made) in enumerate(runs[name]):
            code, tail = ENDINGS[view]
            files = [thumb] if with_o and view in KINDS else []
            if files:
                tail = [f"Createing thumbnail file[{thumb}]...", tail[0], last % thumb]
            sizes = {f: os.path.getsize(os.path.join(d, f)) > 0 for f in made}
            got = (rc, out.split("\n")[:-1][-len(tail):], err, sizes)
            if got != (code, tail, b"", {f: last == DONE for f in files}):
                faults.append(f"{name}{' -o' * with_o}: got {got}, expected {code}, {tail}, {files}")
    return f"views: {2 * len(rows)} runs of {len(rows)} files"


def bmp(path, data, ifd1, tmp):  # what is wrong with a .thumb.bmp, or None
    w, h, unit = int(ifd1[256]), int(ifd1[257]), ifd1.get(296, "2")
    stride = (3 * w + 3) & ~3
    ppm = tuple(int(0.5 + (float(ifd1[t]) * 100 if unit == "3" else float(ifd1[t]) / 0.0254))
                if t in ifd1 else 0 for t in (282, 283))
    header = struct.unpack_from("<2sI4xIIiiHHI4xii", data)  # biSizeImage may be 0 for BI_RGB
    if header != (b"BM", 54 + stride * h, 54, 40, w, h, 1, 24, 0) + ppm or len(data) != header[1]:
        return f"BMP header {header}, {len(data)} bytes; exiftool: {w}x{h}, {ppm} pixels per metre"
    ours = bytes(c for y in reversed(range(h)) for x in range(w)  # top row first, R G B
                 for c in data[54 + stride * y + 3 * x:][2::-1])
    tiff = open(path, "rb").read()
    if ifd1.get(262) == "2":  # RGB: the strip bytes themselves
        at = int(ifd1[273].split()[0])
        return None if ours == tiff[at:at + 3 * w * h] else "RGB pixels differ from the strip"
    # libtiff decodes the TIFF block once its first-IFD offset points at IFD1.
    t = bytearray(tiff[tiff_at(tiff):])
    e = "<" if t[0] == ord("I") else ">"
    ifd0 = struct.unpack_from(e + "I", t, 4)[0]
    t[4:8] = t[ifd0 + 2 + 12 * struct.unpack_from(e + "H", t, ifd0)[0]:][:4]
    strip = os.path.join(tmp, os.path.basename(path) + ".tif")
    open(strip, "wb").write(t)
    call(["tiff2rgba", "-n", strip, strip + ".rgb"])
    theirs = call(["convert", "tiff:" + strip + ".rgb", "rgb:-"])[1]
    # pelnor truncates where libtiff rounds: one level apart at most, in any sample but the green of
    # a pixel whose red or blue reached 255, which pelnor forms from the value capped at 255.
    worst = max((abs(a - b) for i, (a, b) in enumerate(zip(ours, theirs))
                 if i % 3 != 1 or 255 not in ours[i - 1:i + 2:2]), default=0)
    if len(theirs) != len(ours) or worst > 1:
        return f"YCbCr: {len(theirs)} samples from libtiff, up to {worst} apart"


def thumbnails(rows, runs, corpus, tmp):
    done = {n: os.path.join(d, f) for n, (_, (d, _, out, _, made)) in runs.items() for f in made
            if f"done[{f}]" in out}
    ref, kinds = os.path.join(tmp, "exiftool"), {}
    call(["exiftool", "-q", "-q", "-b", "-ThumbnailImage", "-w", ref + "/%f.%e"]
         + [f"{corpus}/{n}" for n in done if done[n].endswith("jpg")])
    os.makedirs(ref, exist_ok=True)
    for name in [n for n in done if done[n].endswith("jpg") and not os.path.exists(f"{ref}/{n}")]:
        # exiftool refuses some files as JPEG; their TIFF block alone it reads.
        open(f"{tmp}/{name}.tif", "wb").write((lambda d: d[tiff_at(d):])(open(f"{corpus}/{name}", "rb").read()))
        with open(f"{ref}/{name}", "wb") as out:
            call(["exiftool", "-q", "-q", "-b", "-ThumbnailImage", f"{tmp}/{name}.tif"], stdout=out)
        if os.path.getsize(f"{ref}/{name}") == 0:
            os.remove(f"{ref}/{name}")
    ex = exif([f"{corpus}/{n}" for n in done if done[n].endswith("bmp")])
    for name, path in sorted(done.items()):
        data, theirs, problem = open(path, "rb").read(), os.path.join(ref, name), None
        ifd1 = {t: v for (g, t), v in ex.get(name, {}).items() if g == "IFD1"}
        kind = "JPEG" if path.endswith(".jpg") else "RGB" if ifd1.get(262) == "2" else "YCbCr"
        if not (os.path.exists(theirs) if kind == "JPEG" else {256, 257} <= set(ifd1)):
            kind = "not compared"
        elif kind != "JPEG":
            problem = bmp(f"{corpus}/{name}", data, ifd1, tmp)
        elif data != open(theirs, "rb").read():
            problem = f".thumb.jpg ({len(data)} bytes) differs from exiftool's ThumbnailImage"
        kinds[name] = kind
        faults.extend([f"{name}: {problem}"] if problem else [])
    # Every thumbnail the manifest implies is written and compared, as the kind it names.
    want = {r["file"]: "not compared" if r["file"] in NO_REFERENCE else view for r in rows
            for view, last in [outcome(r)] if last == DONE and view in KINDS}
    faults.extend(f"{n}: thumbnail {kinds.get(n, 'not written')}, {want.get(n, 'none')} expected"
                  for n in sorted(set(kinds) | set(want)) if kinds.get(n) != want.get(n))
    return "thumbnails: " + ", ".join(f"{[*kinds.values()].count(k)} {k}" for k in KINDS + ("not compared",))


def agrees(m, val, head, decoded):  # None: not comparable
    entry, tag, typ, value = int(m[1], 16), int(m[2]), int(m[3]), int(m[5], 16)
    count, v = int(m[4]) % 2 ** 32, val.split()
    if tag in LINES and typ in (3, 4) and len(v) == count == (2 if tag == 530 else 1):
        n = int(v[0]) - (TIFF_AT if tag in (273, 513) else 0)
        # "%d" prints values of 2^31 and more as negative numbers.
        n = NAMES[tag][0].get(n, NAMES[tag][1]) if tag in NAMES else n - (n >= 2 ** 31) * 2 ** 32
        return decoded.startswith("\t" + LINES[tag] % tuple([n] + v[1:]) + "\n")
    at = entry + 8 if count * (2 if typ == 3 else 1) <= 4 else value + TIFF_AT
    if tag == 258 and typ == 3 and len(v) == count and at + 2 * count <= len(head):
        return decoded.split("\n")[0].split() == ["BitsPerSample:"] + v  # spacing is not compared
    if typ != 2 or tag in DECODED or count == 0 or at + count > len(head):
        return None
    # The file's text up to its zero byte, which may lie past the count, right-aligned; exiftool
    # reads the count, may drop trailing blanks and shows bytes that are not UTF-8 as "?".
    text = head[at:].split(b"\0")[0]
    theirs = text[:count].decode(errors="replace").replace("\ufffd", "?").rstrip()
    field = text.rjust(count - 1).decode("latin-1")
    return decoded.startswith(f"\t[{field}]\n") and theirs == val.rstrip()


def tags(rows, runs, corpus, tmp):
    names = [r["file"] for r in rows if r["pelnor_view"] not in ("reject", "badorder", "noifd0")]
    ex, compared = exif([f"{corpus}/{n}" for n in names]), []  # a file name for each value compared
    for name in names:
        out, head = runs[name][0][2], open(f"{corpus}/{name}", "rb").read(32768)
        ifd1_at, entries = out.find("1th IFD dumping...:\n"), list(GENERIC.finditer(out))
        for m, following in zip(entries, entries[1:] + [None]):
            ifd = "IFD1" if 0 <= ifd1_at < m.start() else "IFD0"
            decoded = out[m.end():following.start() if following else None]
            val = ex.get(name, {}).get((ifd, int(m[2])))
            ok = None if val is None else agrees(m, val, head, decoded)
            compared += [name] if ok is not None else []
            if ok is False:
                line = decoded.split("\n")[0]
                faults.append(f"{name}: {ifd} tag {m[2]}: pelnor prints {line!r}, exiftool has {val!r}")
        # Every entry line is read, and every file the manifest has dumped has a value compared,
        # unless all exiftool gives for it is a warning.
        if len(entries) != len(re.findall(r"^ +0x", out, re.M)):
            faults.append(f"{name}: entry lines the check cannot read")
        if name not in compared and set(ex.get(name, {})) != {("Exif", "Warning")}:
            faults.append(f"{name}: no value compared with exiftool's")
    return f"tags: {len(compared)} values in {len(set(compared))} files"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pelnor", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--check", required=True, choices=["views", "thumbnails", "tags"])
    parser.add_argument("--search", action="store_true")
    args = parser.parse_args()
    SEARCH.extend(["-s", "-k"] * args.search)
    corpus, summary = os.path.abspath(args.corpus), f"{args.check}: stopped"
    with tempfile.TemporaryDirectory(prefix="pelnor-corpus-") as tmp:
        try:
            rows = list(csv.DictReader(open(f"{corpus}/MANIFEST.tsv", encoding="utf-8"), delimiter="\t"))
            faults.extend([] if rows else ["MANIFEST.tsv lists no file"])
            runs = {r["file"]: [run(args.pelnor, os.path.join(corpus, r["file"]), tmp, o) for o in (0, 1)]
                    for r in rows}
            summary = globals()[args.check](rows, runs, corpus, tmp)
        except (OSError, subprocess.TimeoutExpired) as e:  # a corpus or tool missing, a timeout
            faults.append(str(e)[:200])
    print("".join(f"FAIL {line}\n" for line in faults), end="")
    print(summary + (f": {len(faults)} disagreements" if faults else ": all agree"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
