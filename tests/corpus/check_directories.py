#!/usr/bin/env python3
"""Checks pelnor -a -s over the real-camera corpus against exiftool -v3: every entry exiftool lists
in IFD0, ExifIFD, InteropIFD, GPS and IFD1 must stand at the same index of pelnor's block of that
directory with the same tag, type, count and value position (for a value of at most 4 bytes, the
value field 8 bytes past the entry), and the numbers and texts that the decoded lines of the Exif,
Interoperability and GPS blocks show must be those stored there. At least 99.5% must agree.
Exit code 0: they do; 1: they do not, or exiftool or the corpus is missing."""
import argparse, csv, os, re, struct, subprocess, sys

from check_corpus import ENTRY, call

HEADINGS = {"0th IFD dumping...:": "IFD0", "Exif IFD dumping...:": "ExifIFD", "GPS IFD dumping...:": "GPS",
            "Interoperability IFD dumping...:": "InteropIFD", "1th IFD dumping...:": "IFD1"}
PATHS = {("IFD0",): "IFD0", ("IFD0", "ExifIFD"): "ExifIFD", ("IFD0", "ExifIFD", "InteropIFD"): "InteropIFD",
         ("IFD0", "GPS"): "GPS", ("IFD1",): "IFD1"}  # exiftool's directory paths that pelnor dumps
# exiftool's format names: the TIFF type, struct's letter for one value, its size.
FORMATS = {"int8u": (1, "B", 1), "string": (2, "s", 1), "int16u": (3, "H", 2), "int32u": (4, "I", 4),
           "rational64u": (5, "II", 8), "int8s": (6, "b", 1), "undef": (7, "B", 1), "int16s": (8, "h", 2),
           "int32s": (9, "i", 4), "rational64s": (10, "ii", 8), "float": (11, "f", 4), "double": (12, "d", 8),
           "ifd": (13, "I", 4)}
SIZES = {t: s for t, _, s in FORMATS.values()}
LETTERS = {t: f for t, f, _ in FORMATS.values()}
VERSIONS = {"ExifVersion", "FlashpixVersion", "InteroperabilityVersion"}
BYTES = {"ComponentsConfiguration", "FileSource", "SceneType"}  # UNDEFINED printed as numbers
GENERIC = re.compile(ENTRY + "$")
LINE = re.compile(r"  ((?:\| )*) *(?:\+ \[(\w+) directory|(\d+)\) |- Tag 0x(\w+) \(\d+ bytes, (\w+)\[(\d+)\]|"
                  r"([0-9a-f]{4,}): )")


def run(argv):  # standard output; the whole process group is killed on a timeout
    try:
        return call(argv)[1].decode("latin-1")
    except subprocess.TimeoutExpired:
        sys.exit(f"FAIL {argv[0]} ran past its time")


def exiftool_entries(text):  # {(directory, index): [tag, type, count, value position or None]}
    entries, stack, seen, entry, entry_depth, waiting = {}, [], set(), None, 0, None
    for m in map(LINE.match, text.split("\n")):
        depth = len(m[1]) // 2 if m else -1
        if not m or m[2] or depth < entry_depth:
            entry = None
        if m and m[2]:  # a directory: a second one at the same place (a second Exif segment) is not ours
            path = tuple(stack[:depth]) + (m[2],)
            stack = list(path) if path not in seen else list(path[:-1]) + ["again"]
            seen.add(path)
        if m and m[3]:  # an entry: its index
            d = PATHS.get(tuple(stack[:depth]))
            entry, entry_depth = entries.setdefault((d, int(m[3])), [None] * 4) if d else None, depth
        elif m and m[4] and entry and depth == entry_depth and m[5] in FORMATS:
            entry[:3] = int(m[4], 16), FORMATS[m[5]][0], int(m[6])
            waiting = entry
            continue
        elif m and m[7] and waiting:  # the first line of the value's bytes
            waiting[3] = int(m[7], 16)
        waiting = None
    return {k: v for k, v in entries.items() if v[0] is not None}


def blocks(out):  # {directory: [(generic line match, the lines up to the next one)]}
    found, current = {}, None
    for line in out.split("\n"):  # a text may hold line ends: it runs to the next entry
        m = GENERIC.match(line)
        if line in HEADINGS:
            current = found.setdefault(HEADINGS[line], [])
        elif m and current is not None:
            current.append((m, None))
        elif current:
            current[-1] = (current[-1][0], line if current[-1][1] is None else current[-1][1] + "\n" + line)
    return found


def shown(data, at, typ, count, order, name):  # what the decoded line must begin with
    if typ == 2:
        return "[" + data[at:].split(b"\0")[0].decode("latin-1").rjust(count - 1) + "]"
    if typ == 7 and name == "MakerNote":
        return f"<{count} bytes>"
    if typ == 7 and name == "UserComment" and count >= 8:
        code, text = (data[a:b].split(b"\0")[0].decode("latin-1") for a, b in ((at, at + 8), (at + 8, at + count)))
        return f"[{code}] [{text}]"
    if typ == 7 and name in VERSIONS and count == 4 and all(32 <= b < 127 for b in data[at:at + 4]):
        return data[at:at + 4].decode("latin-1")
    n = min(count, 16)
    if typ == 7 and name not in BYTES:
        return " ".join(f"{b:02x}" for b in data[at:at + n])
    values = struct.unpack_from(order + LETTERS[typ] * n, data, at)
    if typ in (5, 10):
        return " ".join(f"{a}/{b}" for a, b in zip(values[::2], values[1::2]))
    return " ".join(repr(v) if isinstance(v, float) else str(v) for v in values)


def same(text, want, typ):  # floats as the same number of their type, every other value as text
    if typ in (11, 12):
        f = (lambda x: struct.unpack("f", struct.pack("f", float(x)))[0]) if typ == 11 else float
        return [f(x) for x in text.split()[:len(want.split())]] == [f(x) for x in want.split()]
    return text == want or text.startswith((want + " ", want + "\n"))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--pelnor", required=True)
    ap.add_argument("--corpus", required=True)
    args = ap.parse_args()
    manifest = os.path.join(args.corpus, "MANIFEST.tsv")
    if not os.path.isfile(manifest):
        sys.exit(f"FAIL no corpus: {manifest} not found")
    names = [r["file"] for r in csv.DictReader(open(manifest, encoding="utf-8"), delimiter="\t")]
    paths = [os.path.join(os.path.abspath(args.corpus), n) for n in names]
    try:
        listing = run(["exiftool", "-v3"] + paths).split("======== ")[1:]
    except FileNotFoundError:
        sys.exit("FAIL exiftool not found")
    listed = {p: exiftool_entries(text) for text in listing for p in [text.split("\n")[0]]}
    entries, values, faults = {d: 0 for d in HEADINGS.values()}, [0, 0], []
    for path in paths:
        data, found = open(path, "rb").read(), blocks(run([args.pelnor, "-a", "-s", path]))
        first = (found.get("IFD0") or [[None]])[0][0]  # its bracket less its value: the TIFF header
        order = "<" if first and data[(int(first[6], 16) - int(first[5], 16)) % 2**32:][:2] == b"II" else ">"
        for (d, k), (tag, typ, count, at) in sorted(listed.get(path, {}).items()):
            entries[d] += 1
            got = found.get(d, [])[k] if k < len(found.get(d, [])) else None
            m = got and got[0]
            small = count * SIZES[typ] <= 4
            where = m and (int(m[1], 16) + 8 if small else int(m[6], 16))
            if not m or (int(m[2]), int(m[3]), int(m[4]) % 2**32) != (tag, typ, count) or at not in (None, where):
                faults.append(f"{os.path.basename(path)}: {d} entry {k}: exiftool tag {tag:#x} type {typ} "
                              f"count {count} at {at}; pelnor {m[0] if m else 'none'}")
                continue
            decoded = re.match(r"\t(\w+): (.*)", got[1] or "", re.S)
            if d in ("IFD0", "IFD1") or not decoded or at is None:
                continue
            values[0] += 1
            want = shown(data, at, typ, count, order, decoded[1])
            if not same(decoded[2], want, typ):
                values[1] += 1
                faults.append(f"{os.path.basename(path)}: {d} {decoded[1]}: pelnor {decoded[2]!r}, stored {want!r}")
    total = sum(entries.values())
    bad_entries = len(faults) - values[1]
    print("".join(f"FAIL {f}\n" for f in faults), end="")
    print(f"entries listed by exiftool and compared: {total} ({', '.join(f'{d} {n}' for d, n in entries.items())}),"
          f" {bad_entries} disagree; decoded values compared: {values[0]}, {values[1]} disagree")
    # Every directory is compared, and enough of each: a peer that lists nothing cannot pass.
    return 1 if min(entries.values()) < 100 or bad_entries > total / 200 or values[1] > values[0] / 200 else 0


if __name__ == "__main__":
    sys.exit(main())
