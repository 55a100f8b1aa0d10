#!/usr/bin/env python3
"""Checks the facts of pelnor -j -a -s -k over the real-camera corpus against exiftool -n: for every
file and fact both have, the same value (numbers within 1e-6 relative; dates as ISO 8601 of
exiftool's "YYYY:MM:DD HH:MM:SS"); each fact for at least 97% of the files where exiftool has it
(90% for the serial number, the lens and the shutter count); every entry a fact names listed by
-a at that directory, tag and value position. The counts compared are asserted.
Exit code 0: they agree; 1: they do not, or exiftool or the corpus is missing."""
import collections, json, math, os, subprocess, sys

from check_corpus import call, corpus_run

# pelnor's member, exiftool's tag (family-0 or composite as -n gives it), how they compare.
FACTS = [("make", "IFD0:Make", "text"), ("model", "IFD0:Model", "text"),
         ("serial", "SerialNumber", "text"), ("lens", "LensModel", "text"),
         ("datetime_original", "ExifIFD:DateTimeOriginal", "date"),
         ("datetime_digitized", "ExifIFD:CreateDate", "date"), ("datetime", "IFD0:ModifyDate", "date"),
         ("gps.latitude", "Composite:GPSLatitude", "number"), ("gps.longitude", "Composite:GPSLongitude", "number"),
         ("gps.altitude", "Composite:GPSAltitude", "number"),
         ("exposure_time", "ExifIFD:ExposureTime", "number"), ("f_number", "ExifIFD:FNumber", "number"),
         ("focal_length", "ExifIFD:FocalLength", "number"),
         ("focal_length_35mm", "ExifIFD:FocalLengthIn35mmFormat", "number"),
         ("iso", "ExifIFD:ISO", "number"), ("orientation", "IFD0:Orientation", "number"),
         ("software", "IFD0:Software", "text"), ("artist", "IFD0:Artist", "text"),
         ("copyright", "IFD0:Copyright", "text"), ("shutter_count", "ShutterCount", "number")]
LOOSE = {"serial", "lens", "shutter_count"}  # 90% of exiftool's files, not 97%
LEAST = {"make": 110, "datetime_original": 105, "exposure_time": 95, "gps.latitude": 10, "serial": 15,
         "shutter_count": 5}
# Where pelnor reads no fact on purpose: Sony keeps its shutter count enciphered.
NOT_READ = {("shutter_count", "Sony")}


def flat(facts):  # "gps.latitude" for the GPS group's members
    out = {}
    for k, v in facts.items():
        if k == "gps":
            out.update({"gps." + g: f for g, f in v.items()})
        else:
            out[k] = v
    return out


def same(kind, ours, theirs):
    if kind == "number":
        try:
            return math.isclose(float(ours), float(theirs), rel_tol=1e-6, abs_tol=1e-9)
        except (TypeError, ValueError):
            return False
    if kind == "date":
        t = str(theirs).strip()
        iso = t[:10].replace(":", "-") + "T" + t[11:19]
        return ours[:19] == iso
    if isinstance(theirs, (int, float)):  # exiftool -n makes a number of a text of digits ("1.300")
        try:
            return float(str(ours).strip()) == float(theirs)
        except ValueError:
            return False
    # exiftool gives a byte that is not UTF-8 as "?"
    norm = lambda s: "".join(c if c.isascii() else "?" for c in str(s).strip().replace("\ufffd", "?"))
    return norm(ours) == norm(theirs)


def main():
    args, names = corpus_run(__doc__)
    paths = [os.path.join(os.path.abspath(args.corpus), n) for n in names]
    try:
        theirs = {os.path.basename(o["SourceFile"]): o for o in json.loads(call(
            ["exiftool", "-j", "-n", "-G1", "-a"] + [f"-{t.split(':')[-1]}" for _, t, _ in FACTS] +
            ["-GPS:all", "-Composite:all"] + paths)[1])}
    except FileNotFoundError:
        sys.exit("FAIL exiftool not found")
    doc = json.loads(call([args.pelnor, "-j", "-a", "-s", "-k"] + paths)[1])
    counts, faults = collections.Counter(), []
    for obj in doc:
        name = os.path.basename(obj["file"])
        ours, ref = flat(obj.get("facts", {})), theirs.get(name, {})
        # An entry's value lies at its value position, or in the entry when it fits in 4 bytes.
        listed = {(d["name"], e["tag"], p) for d in obj.get("directories", []) for e in d["entries"]
                  for p in (e["value_position"], e["position"] + 8)}
        for fact in ours.values():
            for f in fact["from"]:
                counts["sources"] += 1
                if f["directory"] != "JPEG segments" and (f["directory"], f["tag"], f["position"]) not in listed:
                    faults.append(f"{name}: a source not listed by -a: {f}")
        for member, tag, kind in FACTS:
            want, group = ref.get(tag), tag.split(":")[0]
            if want is None and ":" not in tag:  # the Exif directory's, else a maker's, in whichever group
                group, want = ("ExifIFD", ref["ExifIFD:" + tag]) if "ExifIFD:" + tag in ref else next(
                    ((k.split(":")[0], v) for k, v in ref.items() if k.split(":")[-1] == tag), (None, None))
            if want is None or str(want).strip() == "" or (member, group) in NOT_READ:
                continue
            counts[member + " exiftool"] += 1
            got = ours.get(member)
            if got is None:
                continue
            counts[member] += 1
            if not same(kind, got["value"], want):
                counts[member + " differ"] += 1
                faults.append(f"{name}: {member}: pelnor {got['value']!r}, exiftool {want!r}")
    short = []
    for member, _, _ in FACTS:
        n, have = counts[member + " exiftool"], counts[member]
        if n and have < n * (0.90 if member in LOOSE else 0.97):
            short.append(f"{member}: {have} of {n} files")
    print("".join(f"FAIL {f}\n" for f in faults), end="")
    print("facts compared (pelnor's / exiftool's files): " +
          ", ".join(f"{m} {counts[m]}/{counts[m + ' exiftool']}" for m, _, _ in FACTS) +
          f"; sources {counts['sources']}")
    short += [f"{m}: fewer than {n} compared" for m, n in LEAST.items() if counts[m] < n]
    print("".join(f"FAIL too few: {s}\n" for s in short), end="")
    return 1 if faults or short else 0


if __name__ == "__main__":
    sys.exit(main())
