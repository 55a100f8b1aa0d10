#!/usr/bin/env python3
"""Checks the standard output of every golden case run with -j: one strict JSON document (no
NaN, no key twice) that docs/pelnor.schema.json accepts, with one object per line between the
array's first and last lines.   check_json_cases.py --schema SCHEMA CASES"""
import argparse, json, sys
from pathlib import Path

import jsonschema

sys.path.insert(0, str(Path(__file__).resolve().parent / "corpus"))
from check_json import strict  # noqa: E402  (the corpus check's strict reader)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--schema", required=True)
    ap.add_argument("cases", type=Path)
    args = ap.parse_args()
    validator = jsonschema.Draft202012Validator(json.load(open(args.schema)))
    faults, checked = [], 0
    for case in sorted(p for p in args.cases.iterdir() if (p / "args").exists()):
        if "-j" not in (case / "args").read_bytes().decode("utf-8", "surrogateescape").split("\n"):
            continue
        checked += 1
        text = (case / "stdout").read_bytes().decode("utf-8")
        lines = text.split("\n")
        try:
            doc = strict(text)
        except ValueError as e:
            faults.append(f"{case.name}: {e}")
            continue
        if lines[0] != "[" or lines[-2:] != ["]", ""] or len(lines) != len(doc) + 3 - (not doc):
            faults.append(f"{case.name}: not one object per line")
        faults += [f"{case.name}: {e.message[:160]} at {list(e.absolute_path)}" for e in validator.iter_errors(doc)]
    print("".join(f"FAIL {f}\n" for f in faults), end="")
    print(f"JSON cases checked: {checked}, {len(faults)} faults")
    return 1 if faults or checked < 25 else 0


if __name__ == "__main__":
    sys.exit(main())
