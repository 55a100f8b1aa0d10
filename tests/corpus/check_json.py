#!/usr/bin/env python3
"""Checks that the JSON of pelnor -j -a -s -p -k and the text of -a -s -p -k -n state the same
facts over the real-camera corpus, file by file: the same blocks in the same order, each generic
line an entry of the same position, tag, type, count, field and value position, the values of
the value lines and the texts equal to the entry's (each rational's quotient its pair divided),
the same lines beside the entries (notes), segments, thumbnail kind, pictures and outcome; the document must be strict JSON and, with
--schema, valid against docs/pelnor.schema.json (python3-jsonschema). The counts compared are
asserted.   Exit code 0: they agree; 1: they do not, or the corpus is missing."""
import collections, json, math, os, re, shutil, struct, sys, tempfile

from check_corpus import call, corpus_run

ENTRY = re.compile(r" *(0x[0-9a-f]+|0):Tag=\S+\[(\d+)\] Type=\w+\[(\d+)\] Num=(-?\d+) offset=(0x[0-9a-f]+|0)\[(0x[0-9a-f]+|0)\]$")
SEGMENT = re.compile(r" *(0x[0-9a-f]+|0):0xff([0-9a-f]{2})(?: [^ <]+)?(?: length=(\d+)| <the file ends inside its (\d+) bytes>)?")
PICTURE = re.compile(r"picture \[(.*?)\] (\w+)(?: (\d+)x(\d+))? at (0x[0-9a-f]+|0), (\d+) bytes")
RESULTS = {"Not also Exif file": "not-exif", "Not exist 1thIFD(for thumbnail)": "no-ifd1",
           "Endian do not deside": "unknown-byte-order"}
REPORTS = {"thumbnail exist [JPEG]": "JPEG", "thumbnail exist [TIFF/RGB]": "RGB",
           "thumbnail exist [TIFF/YCbCr]": "YCbCr", "thumbnail not exist or not support": "none"}
SOURCES = {"MPF": "MPF image {number}", "maker note": "{maker} maker note", "OtherImage": "OtherImage",
           "JFXX": "JFXX", "JFIF": "JFIF", "Photoshop": "Photoshop", "FlashPix": "FlashPix", "IFD0": "IFD0",
           "SubIFD": "SubIFD{number}", "preview": "{container} preview", "full": "{container} full-size JPEG"}
# The maps of -a: a JPEG's segments, a container's boxes or chunks.
MAPS = {"JPEG segments", "ISO BMFF boxes", "JPEG XL boxes", "RIFF chunks", "PNG chunks", "RAF header"}
BOX = re.compile(r" *(0x[0-9a-f]+|0): *(\S.{0,3}?) (?:size|length)=(\d+)")


def strict(text):
    def pairs(items):
        keys = [k for k, _ in items]
        if len(keys) != len(set(keys)):
            raise ValueError(f"a key twice: {keys}")
        return dict(items)

    def constant(name):
        raise ValueError(f"not JSON: {name}")
    return json.loads(text, object_pairs_hook=pairs, parse_constant=constant)


def text_blocks(lines):
    """[(heading, [(generic line groups, [value lines])], [notes])], segment lines, other lines,
    a container's boxes or chunks."""
    blocks, segments, other, block, boxes = [], [], [], None, []
    facts = []
    for line in lines:
        if line == "Facts dumping...:":
            block = ("facts",)
            continue
        if block == ("facts",):
            if line == "":
                block = None
            else:
                facts.append(line)
            continue
        if line.endswith("dumping...:"):
            block = None if line[:-len(" dumping...:")] in MAPS else [line[:-len(" dumping...:")], [], []]
            if block is not None:
                blocks.append(block)
            else:
                segments = []
                block = ("segments",)
            continue
        if block == ("segments",):
            if line == "":
                block = None
            elif m := SEGMENT.match(line):
                segments.append((int(m[1], 16), int(m[2], 16), int(m[3] or m[4] or 0)))
            elif m := BOX.match(line):
                boxes.append((int(m[1], 16), m[2].rstrip(" ") or m[2], int(m[3])))
            continue
        if block is None or line == "":
            block = None if line == "" else block
            if line != "":
                other.append(line)
            continue
        if m := ENTRY.match(line):
            block[1].append([tuple(int(x, 0) for x in m.groups()), []])
        elif line.startswith("\t<") and line.endswith(">"):
            block[2].append(line[2:-1])
        elif block[1]:
            block[1][-1][1].append(line)
        else:
            other.append(line)
    return blocks, segments, other, boxes, facts


def fact_lines(obj):
    """The lines the text's facts block gives for the object's facts and notes."""
    out = []
    for name, f in obj.get("facts", {}).items():
        for key, fact in (f.items() if name == "gps" else [(None, f)]):
            v = fact["value"]
            shown = ("true" if v else "false") if isinstance(v, bool) else \
                f"{v['maker']} " + " ".join(map(str, v["values"])) if isinstance(v, dict) else \
                repr(float(v)).removesuffix(".0") if isinstance(v, float) else str(v)
            where = ", ".join(f"{s['directory']} {s['tag']:#x} at {s['position']:#x}".replace(" at 0x0", " at 0")
                              for s in fact["from"])
            out.append(f"\t{name + '.' + key if key else name}: {shown}  ({where})")
    return out + [f"\t<{n}>" for n in obj.get("notes", [])]


def as_text(v, type_):
    if isinstance(v, list):
        return f"{v[0]}/{v[1]}"
    if isinstance(v, str):
        return {"NaN": "nan", "Infinity": "inf", "-Infinity": "-inf"}[v]
    if type_ in (11, 12):
        return repr(float(v)) if type_ == 12 else None  # FLOAT: C++'s shortest float, compared apart
    return str(v)


def compare_quotients(entry, counts, faults, where):
    """Each rational's quotient is its numerator divided by its denominator, null for 0."""
    pairs, quotients = entry.get("values") or [], entry.get("quotients")
    if entry["type"] not in (5, 10):
        if quotients is not None:
            faults.append(f"{where}: quotients of type {entry['type']}")
        return
    if quotients is None or len(quotients) != len(pairs):
        faults.append(f"{where}: {len(pairs)} rationals, quotients {quotients}")
        return
    for (a, b), q in zip(pairs, quotients):
        counts["quotients"] += 1
        if q != (a / b if b != 0 else None):
            faults.append(f"{where}: {a}/{b} gives {q}")


def compare_values(entry, value_lines, counts, faults, where):
    """The value line of -a against the entry's values; True when compared."""
    compare_quotients(entry, counts, faults, where)
    if not value_lines or not value_lines[0].startswith("\t"):
        return
    line = value_lines[0][1:]
    label, _, rest = ("", "", line) if line.startswith("[") else line.partition(": ")
    if "values" in entry and entry["values"] is not None and entry["type"] != 2:
        words = rest.split(" ")
        shown = [as_text(v, entry["type"]) for v in entry["values"][:16]]
        for k, s in enumerate(shown):
            if s is None:  # a FLOAT: the text and the JSON are the same shortest digits
                s = words[k] if k < len(words) else None
                ok = s is not None and math.isclose(struct.unpack("f", struct.pack("f", float(s)))[0],
                                                    entry["values"][k], rel_tol=1e-6) if s not in ("nan", "inf", "-inf") else True
            else:
                ok = k < len(words) and words[k] == s
            counts["values"] += 1
            if not ok:
                faults.append(f"{where}: value {k}: text {rest!r}, JSON {entry['values'][:16]}")
                return
    elif "text" in entry and entry["type"] == 2 and rest.startswith("["):
        counts["texts"] += 1
        # In a field of count - 1 characters, right-aligned; a meaning may follow.
        inner = rest[1:].lstrip(" ")
        text = entry["text"].lstrip(" ")
        if not inner.startswith(text + "]") and "\ufffd" not in text and "\n" not in text:
            faults.append(f"{where}: text {inner!r}, JSON {entry['text']!r}")


def check_file(name, lines, obj, counts, faults):
    blocks, segments, other, boxes, facts = text_blocks(lines)
    counts["facts"] += len(facts)
    # A byte that is not UTF-8 reads as U+FFFD in the document.
    facts = [re.sub("[\udc80-\udcff]+", lambda m: "\ufffd" * len(m[0]), f) for f in facts]
    if facts != fact_lines(obj):
        faults.append(f"{name}: facts {facts}, JSON {fact_lines(obj)}")
    dirs = obj.get("mpf", []) + obj.get("directories", [])
    if [b[0] for b in blocks] != [d["name"] for d in dirs]:
        faults.append(f"{name}: blocks {[b[0] for b in blocks]}, JSON {[d['name'] for d in dirs]}")
        return
    for (heading, entries, notes), d in zip(blocks, dirs):
        where = f"{name}: {heading}"
        if len(entries) != len(d["entries"]):
            faults.append(f"{where}: {len(entries)} entries, JSON {len(d['entries'])}")
            continue
        if notes != d.get("notes", []):
            faults.append(f"{where}: notes {notes}, JSON {d.get('notes', [])}")
        counts["notes"] += len(notes)
        for k, ((pos, tag, type_, num, field, bracket), values) in enumerate(entries):
            e = d["entries"][k]
            counts["entries"] += 1
            if (pos, tag, type_, num & 0xFFFFFFFF, field, bracket) != (
                    e["position"], e["tag"], e["type"], e["count"], e["field"], e["value_position"]):
                faults.append(f"{where}: entry {k}: text {(pos, tag, type_, num, field, bracket)}, JSON {e}")
                continue
            # IFD0's and IFD1's decoded lines are the seed's: of those only the texts compare.
            if heading not in ("0th IFD", "1th IFD") or (e["type"] == 2 and values and values[0].startswith("\t[")):
                compare_values(e, values, counts, faults, f"{where}: entry {k}")
    theirs = [(s["position"], s["marker"], s.get("length", 0)) for s in obj.get("segments", [])]
    if segments != theirs:
        faults.append(f"{name}: segments {segments}, JSON {theirs}")
    counts["segments"] += len(segments)
    theirs = [(b["position"], b["type"].rstrip(" ") or b["type"], b.get("size", b.get("length")))
              for b in obj.get("boxes", []) + obj.get("chunks", [])]
    if boxes != theirs:
        faults.append(f"{name}: boxes and chunks {boxes}, JSON {theirs}")
    counts["boxes and chunks"] += len(boxes)
    report = [REPORTS[l] for l in other if l in REPORTS]
    thumb = obj.get("thumbnail", {}).get("kind")
    if report != ([thumb] if thumb else []):
        faults.append(f"{name}: report {report}, JSON {thumb}")
    pictures = [PICTURE.match(l) for l in other if l.startswith("picture [")]
    ours = obj.get("pictures", [])
    if len(pictures) != len(ours):
        faults.append(f"{name}: {len(pictures)} pictures, JSON {len(ours)}")
    for m, p in zip(pictures, ours):
        counts["pictures"] += 1
        source = SOURCES[p["source"]].format(**p) + (" BGR" if p.get("bgr") else "")
        if p["source"] == "MPF":  # its MP type, by name or by its code
            source += ": " + ("MP type " if p["mp_type"].startswith("0x") else "") + p["mp_type"]
        want = (source, p["kind"], p.get("width"), p.get("height"), p["position"], p["length"])
        got = (m[1], m[2], int(m[3]) if m[3] else None, int(m[4]) if m[4] else None, int(m[5], 16), int(m[6]))
        if got != want:
            faults.append(f"{name}: picture {got}, JSON {want}")
    result = next((RESULTS[l] for l in other if l in RESULTS), None)
    if any(l.endswith(" open error") for l in other):
        result = "open-error"
    if (result or "handled") != obj["result"]:
        faults.append(f"{name}: outcome {result or 'handled'}, JSON {obj['result']}")
    counts["files"] += 1


def main():
    args, names = corpus_run(__doc__, "--schema", ("--containers", "the corpus is the containers'"))
    faults, counts = [], collections.Counter()
    with tempfile.TemporaryDirectory() as tmp:
        for name in names:
            shutil.copyfile(os.path.join(args.corpus, name), os.path.join(tmp, name))
        pelnor = os.path.abspath(args.pelnor)
        text = call([pelnor, "-a", "-s", "-p", "-k", "-n"] + names, cwd=tmp)[1].decode("utf-8", "surrogateescape")
        out = call([pelnor, "-j", "-a", "-s", "-p", "-k"] + names, cwd=tmp)[1]
    try:
        doc = strict(out.decode("utf-8"))
    except ValueError as e:
        sys.exit(f"FAIL the document is not strict JSON: {e}")
    if args.schema:
        import jsonschema
        errors = list(jsonschema.Draft202012Validator(json.load(open(args.schema))).iter_errors(doc))
        faults += [f"schema: {e.message[:200]} at {list(e.absolute_path)}" for e in errors[:20]]
        counts["schema-valid objects"] = len(doc) if not errors else 0
    parts = re.split(r"^==> (.*) <==\n", text, flags=re.M)[1:]
    per_file = dict(zip(parts[0::2], parts[1::2]))
    if [o["file"] for o in doc] != names:
        faults.append("the document's files are not the command line's, in order")
    for obj in doc:
        check_file(obj["file"], per_file.get(obj["file"], "").split("\n"), obj, counts, faults)
    print("".join(f"FAIL {f}\n" for f in faults[:50]), end="")
    print("compared: " + ", ".join(f"{k} {v}" for k, v in sorted(counts.items())) + f"; {len(faults)} disagree")
    # What the corpus holds: the real-camera files, or the containers'.
    least = {"files": len(names), "entries": 11700, "values": 8100, "texts": 1330, "segments": 1300, "notes": 100,
             "pictures": 48, "quotients": 1000, "facts": 1700} if not args.containers else \
        {"files": len(names), "entries": 1450, "values": 1400, "texts": 250, "boxes and chunks": 700, "pictures": 2}
    short = [k for k, n in least.items() if counts[k] < n]
    if short:
        print(f"FAIL fewer compared than the corpus holds: {short}")
    return 1 if faults or short else 0


if __name__ == "__main__":
    sys.exit(main())
