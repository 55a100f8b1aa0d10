#!/usr/bin/env python3
"""Checks pelnor -a -s over the real-camera corpus against exiftool -v3, directory by directory: IFD0,
ExifIFD, InteropIFD, GPS, IFD1, the maker note and every IFD-shaped directory inside it, SubIFDs and IFD2
on. Every entry exiftool lists must stand at the same index of pelnor's block of that directory with the
same tag, type, count and value position (for a value of at most 4 bytes, the value field 8 bytes past the
entry); the value lines of the blocks of -a must show the numbers and texts stored there, in the
directory's own byte order; a maker-note entry pelnor names must have exiftool's name. At least 99.5% of
the entries of the standard directories, 99% of the maker notes', 99.5% of the values and 99% of the names
must agree, and every family must have been compared.
Exit code 0: they do; 1: they do not, or exiftool or the corpus is missing."""
import collections, os, re, struct, subprocess, sys

from check_corpus import call, corpus_run

GENERIC = re.compile(r" *(0x[0-9a-f]+|0):Tag=\S+\[(\d+)\] Type=\w+\[(\d+)\] Num=(-?\d+) "
                     r"offset=(0x[0-9a-f]+|0)\[(0x[0-9a-f]+|0)\]$")
HEADING = re.compile(r"(.*) dumping\.\.\.:$")
DIRECTORY = re.compile(r"  ((?:\| )*)\+ \[(.+?) directory(?: with (\d+) entries)?")
ENTRY = re.compile(r"  ((?:\| )*)(\d+)\)\s+(\S+)")
TAG = re.compile(r"  (?:\| )*\s*- Tag 0x([0-9a-f]+) \(\d+ bytes, (\w+)\[(\d+)\]")
HEX = re.compile(r"  (?:\| )*\s+([0-9a-f]{4,}): ")
# exiftool's format names: the TIFF type, struct's letter for one value, its size.
FORMATS = {"int8u": (1, "B", 1), "string": (2, "s", 1), "int16u": (3, "H", 2), "int32u": (4, "I", 4),
           "rational64u": (5, "II", 8), "int8s": (6, "b", 1), "undef": (7, "B", 1), "int16s": (8, "h", 2),
           "int32s": (9, "i", 4), "rational64s": (10, "ii", 8), "float": (11, "f", 4), "double": (12, "d", 8),
           "ifd": (13, "I", 4)}
SIZES = {t: s for t, _, s in FORMATS.values()}
LETTERS = {t: f for t, f, _ in FORMATS.values()}
STANDARD = {"0th IFD": ("IFD0",), "Exif IFD": ("IFD0", "ExifIFD"), "Interoperability IFD": ("IFD0", "ExifIFD", "InteropIFD"),
            "GPS IFD": ("IFD0", "GPS"), "1th IFD": ("IFD1",), "MakerNote IFD": ("IFD0", "ExifIFD", "MakerNotes"),
            "MPF IFD": ("MPF0",)}
VERSIONS = {"ExifVersion", "FlashpixVersion", "InteroperabilityVersion", "MPFVersion"}
BYTES = {"ComponentsConfiguration", "FileSource", "SceneType"}  # UNDEFINED printed as numbers
NOT_IFD = {"BinaryData", "PrintIM", "CanonCustom", "CanonCustom2"}  # exiftool's directories that are not IFDs


def run(argv):  # standard output; the whole process group is killed on a timeout
    try:
        return call(argv)[1].decode("latin-1")
    except subprocess.TimeoutExpired:
        sys.exit(f"FAIL {argv[0]} ran past its time")


def exiftool_directories(text):  # [(path, [[index, name, tag, type, count, position or None]])]
    found, stack, entry = [], [], None
    for line in text.split("\n"):
        if m := DIRECTORY.match(line):
            depth = len(m[1]) // 2
            stack = stack[:depth]
            path = (stack[-1][0] if stack else ()) + (m[2],)
            d = (path, [] if m[3] is not None and m[2].split()[0] not in NOT_IFD else None)
            stack.append(d)
            found.append(d)
            entry = None
        elif m := ENTRY.match(line):
            depth = len(m[1]) // 2
            stack = stack[:depth]
            entry = [int(m[2]), m[3], None, None, None, None] if stack and stack[-1][1] is not None else None
            if entry:
                stack[-1][1].append(entry)
        elif (m := TAG.match(line)) and entry and entry[2] is None and m[2] in FORMATS:
            entry[2:5] = int(m[1], 16), FORMATS[m[2]][0], int(m[3])
        elif (m := HEX.match(line)) and entry and entry[2] is not None and entry[5] is None:
            entry[5] = int(m[1], 16)
            entry = None
        else:
            entry = None if entry and entry[2] is not None else entry
    return [(p, [e for e in es if e[2] is not None]) for p, es in found if es is not None]


def pelnor_blocks(out):  # [[heading, [[generic line match, value text]]]]
    found = []
    for line in out.split("\n"):
        if m := HEADING.match(line):
            found.append([m[1], []])
        elif (m := GENERIC.match(line)) and found:
            found[-1][1].append([m, None])
        elif found and found[-1][1]:  # a text may hold line ends: it runs to the next entry
            e = found[-1][1][-1]
            e[1] = line if e[1] is None else e[1] + "\n" + line
    return found


def pairs(directories, blocks):  # (family, exiftool entries, pelnor block) for each directory both list
    paths = dict(STANDARD)
    for heading, _ in blocks:
        if m := re.fullmatch(r"(?:IFD(\d+) )?SubIFD(\d+)", heading):
            paths[heading] = ("IFD" + (m[1] or "0"), "SubIFD" + (str(int(m[2]) - 1) if m[2] != "1" else ""))
        elif m := re.fullmatch(r"IFD(\d+)", heading):
            paths[heading] = (heading,)
    by_heading = {h: b for h, b in reversed(blocks)}
    seen, result = set(), []
    for path, es in directories:
        if path in seen:
            continue  # a second Exif segment, say: not the one pelnor reads
        seen.add(path)
        for heading, want in paths.items():
            if want == path:
                family = ("MakerNotes" if heading == "MakerNote IFD" else
                          "SubIFD" if path[-1].startswith("SubIFD") else path[-1])
                result.append((family, es, by_heading.get(heading, [])))
    # The directories inside the maker note, in order: by name, or those exiftool calls MakerNotes.
    inside = [(p, es) for p, es in directories if p[:3] == ("IFD0", "ExifIFD", "MakerNotes") and len(p) > 3]
    taken = set()
    for heading, block in blocks:
        if m := re.fullmatch(r"MakerNote (\S+) IFD", heading):
            for i, (p, es) in enumerate(inside):
                if i not in taken and p[-1] in (m[1], m[1] + "IFD", "MakerNotes"):
                    taken.add(i)
                    result.append(("MakerNote directories", es, block))
                    break
    result += [("MakerNote directories", es, []) for i, (p, es) in enumerate(inside) if i not in taken]
    return result


def order_of(data, block):  # "<" or ">": the one that reads the entry count before the first entry
    if not block:
        return "<"
    first = int(block[0][0][1], 16)
    n = data[first - 2:first]
    if len(n) < 2:
        return "<"
    return "<" if struct.unpack("<H", n)[0] == len(block) else ">"


def shown(data, at, typ, count, order, name):  # what the value text must begin with
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
    if text.endswith("<beyond the data read>"):  # values past the Exif segment: what came before them
        cut = text[:-len("<beyond the data read>")].rstrip()
        return want.startswith(cut) or (cut.endswith("]") and want.startswith(cut[:-1]))
    if typ in (11, 12):
        f = (lambda x: struct.unpack("f", struct.pack("f", float(x)))[0]) if typ == 11 else float
        try:
            return [f(x) for x in text.split()[:len(want.split())]] == [f(x) for x in want.split()]
        except ValueError:
            return False
    return text == want or text.startswith((want + " ", want + "\n"))


def main():
    args, names = corpus_run(__doc__)
    paths = [os.path.join(os.path.abspath(args.corpus), n) for n in names]
    try:
        listing = run(["exiftool", "-v3"] + paths).split("======== ")[1:]
    except FileNotFoundError:
        sys.exit("FAIL exiftool not found")
    listed = {text.split("\n")[0]: exiftool_directories(text) for text in listing}
    entries, wrong = collections.Counter(), collections.Counter()
    values, names_seen, faults = [0, 0], [0, 0], []
    for path in paths:
        data, blocks = open(path, "rb").read(), pelnor_blocks(run([args.pelnor, "-a", "-s", path]))
        for family, es, block in pairs(listed.get(path, []), blocks):
            order = order_of(data, block)
            for index, name, tag, typ, count, at in es:
                entries[family] += 1
                m = block[index][0] if index < len(block) else None
                small = count * SIZES[typ] <= 4
                where = m and (int(m[1], 16) + 8 if small else int(m[6], 16))
                if not m or (int(m[2]), int(m[3]), int(m[4]) % 2**32) != (tag, typ, count) or at not in (None, where):
                    wrong[family] += 1
                    faults.append(f"{os.path.basename(path)}: {family} entry {index}: exiftool {name} tag {tag:#x} "
                                  f"type {typ} count {count} at {at}; pelnor {m[0] if m else 'none'}")
                    continue
                value = re.match(r"\t([^:\s]+):(?: (.*))?", block[index][1] or "", re.S)
                if family in ("IFD0", "IFD1") or not value or at is None:
                    continue
                if family.startswith("MakerNote") and not value[1].startswith("0x"):
                    names_seen[0] += 1
                    if value[1] != name:
                        names_seen[1] += 1
                        faults.append(f"{os.path.basename(path)}: {family} tag {tag:#x}: pelnor names it "
                                      f"{value[1]}, exiftool {name}")
                values[0] += 1
                want = shown(data, at, typ, count, order, value[1])
                if not same(value[2] or "", want, typ):
                    values[1] += 1
                    faults.append(f"{os.path.basename(path)}: {family} {value[1]}: pelnor {value[2]!r}, stored {want!r}")
    print("".join(f"FAIL {f}\n" for f in faults), end="")
    print("entries listed by exiftool and compared: " +
          ", ".join(f"{f} {entries[f]} ({wrong[f]} disagree)" for f in sorted(entries)) +
          f"; values compared: {values[0]}, {values[1]} disagree; maker-note names compared: {names_seen[0]}, "
          f"{names_seen[1]} disagree")
    standard = [f for f in entries if not f.startswith("MakerNote")]
    maker = [f for f in entries if f.startswith("MakerNote")]
    bad = [f"{f}: too few entries compared" for f in ("IFD0", "ExifIFD", "InteropIFD", "GPS", "IFD1",
                                                       "MakerNotes", "MakerNote directories")
           if entries[f] < 100]
    if sum(wrong[f] for f in standard) > sum(entries[f] for f in standard) / 200:
        bad.append("standard directories")
    if sum(wrong[f] for f in maker) > sum(entries[f] for f in maker) / 100:
        bad.append("maker notes")
    if values[1] > values[0] / 200 or names_seen[1] > names_seen[0] / 100 or names_seen[0] < 100:
        bad.append("values or names")
    print("".join(f"FAIL {b}\n" for b in bad), end="")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
