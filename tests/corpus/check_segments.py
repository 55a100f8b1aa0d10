#!/usr/bin/env python3
"""Checks the segment map of pelnor -a over the real-camera corpus against exiv2 -pS: every segment
of pelnor's "JPEG segments dumping...:" block must be the one exiv2 lists at the same place, with the
same position, marker and length (pelnor's walk stops at a byte that is not a marker, where exiv2
looks for the next one; its list may end earlier, never differ), and the JPEGs of the corpus must
have been compared.
Exit code 0: they agree; 1: they do not, or exiv2 or the corpus is missing."""
import os, re, subprocess, sys

from check_corpus import call, corpus_run

EXIV2 = re.compile(r"\s*(\d+) \| 0xff([0-9a-f]{2}) \S+\s*(?:\|\s*(\d+))?")
PELNOR = re.compile(r"\s*(0x[0-9a-f]+|0):0xff([0-9a-f]{2})(?: \S+)?(?: length=(\d+))?")


def segments(text, pattern, base):
    return [(int(m[1], base), int(m[2], 16), int(m[3] or 0)) for m in map(pattern.match, text.split("\n")) if m]


def main():
    args, names = corpus_run(__doc__)
    compared, faults = 0, []
    for name in names:
        path = os.path.join(args.corpus, name)
        if open(path, "rb").read(2) != b"\xff\xd8":
            continue
        try:
            listed = call(["exiv2", "-pS", path])[1].decode("latin-1")
        except FileNotFoundError:
            sys.exit("FAIL exiv2 not found")
        out = call([args.pelnor, "-a", "-s", path])[1].decode("latin-1")
        block = out.split("JPEG segments dumping...:\n", 1)[1].split("\n\n", 1)[0] if "JPEG segments" in out else ""
        theirs, ours = segments(listed, EXIV2, 10), segments(block, PELNOR, 16)
        for k, segment in enumerate(ours):
            compared += 1
            if k >= len(theirs) or theirs[k] != segment:
                faults.append(f"{name}: segment {k}: pelnor {segment}, exiv2 {theirs[k] if k < len(theirs) else 'none'}")
    print("".join(f"FAIL {f}\n" for f in faults), end="")
    print(f"segments listed by exiv2 and compared: {compared}, {len(faults)} disagree")
    return 1 if faults or compared < 500 else 0


if __name__ == "__main__":
    sys.exit(main())
