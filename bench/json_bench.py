#!/usr/bin/env python3
"""Benchmark of pelnor -j: the JSON document of a folder of camera files against the text of the
same options, the same folder walked with -r, and exiftool's JSON of it. Prints Markdown tables.

    json_bench.py --pelnor P --measure M --corpus DIR [-n FILES] [--runs R] [--peer-n K]

The folder holds N copies of the corpus's files (JPEGs, .exif sidecars and TIFF-based camera
files, in turn). exiftool -j -a -G1 runs on the same folder, in one process, once (with --peer-n,
on the first K files only, its time scaled up to N). The document pelnor prints is read back
with Python's json module first."""
import argparse, json, os, statistics, subprocess, sys, tempfile

from pictures_bench import measure  # (wall, CPU, peak RSS KiB) of one run through bench_measure

EXTENSIONS = (".jpg", ".jpeg", ".jpe", ".jfif", ".thm", ".exif", ".tif", ".tiff", ".dng", ".nef", ".cr2",
              ".arw", ".orf", ".rw2", ".pef", ".srw", ".raf")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--pelnor", required=True)
    ap.add_argument("--measure", required=True)
    ap.add_argument("--corpus", required=True)
    ap.add_argument("-n", type=int, default=2000)
    ap.add_argument("--runs", type=int, default=15)
    ap.add_argument("--peer-n", type=int, default=0)
    args = ap.parse_args()
    if args.peer_n <= 0 or args.peer_n > args.n:
        args.peer_n = args.n
    pelnor, tool = (os.path.abspath(p) for p in (args.pelnor, args.measure))
    sources = [os.path.join(args.corpus, f) for f in sorted(os.listdir(args.corpus))
               if f.lower().endswith(EXTENSIONS)]
    if not sources:
        print(f"no camera files in {args.corpus}", file=sys.stderr)
        return 1
    with tempfile.TemporaryDirectory() as work:
        batch = os.path.join(work, "batch")
        os.makedirs(batch)
        names = []
        total = 0
        for i in range(args.n):
            src = sources[i % len(sources)]
            names.append(f"f{i:05d}-{os.path.basename(src)}")
            data = open(src, "rb").read()
            total += len(data)
            open(os.path.join(batch, names[-1]), "wb").write(data)
        listing = os.path.join(work, "list.txt")
        open(listing, "w").write("\n".join(names) + "\n")
        peers = os.path.join(work, "peers.txt")
        open(peers, "w").write("\n".join(names[: args.peer_n]) + "\n")

        # The document is read back whole before anything is timed.
        doc = subprocess.run([pelnor, "-j", "-a", "-s", "-k", "-r", "batch"], cwd=work, capture_output=True).stdout
        files = json.loads(doc)
        entries = sum(len(d["entries"]) for f in files for d in f.get("directories", []))

        xargs = ["xargs", "-d", "\n", "-a", listing, "--"]
        jobs = [
            ("pelnor -a -s -k (text)", xargs + [pelnor, "-a", "-s", "-k"], batch, 1),
            ("pelnor -j -a -s -k", xargs + [pelnor, "-j", "-a", "-s", "-k"], batch, 1),
            ("pelnor -j -a -s -k -r batch", [pelnor, "-j", "-a", "-s", "-k", "-r", "batch"], work, 1),
        ]
        if subprocess.run(["sh", "-c", "command -v exiftool"], capture_output=True).returncode == 0:
            jobs.append(("exiftool -j -a -G1" + (f" (on {args.peer_n}, scaled)" if args.peer_n < args.n else ""),
                         ["exiftool", "-j", "-a", "-G1", "-q", "-@", peers], batch, args.n / args.peer_n))
        # pelnor's runs take turns, so that a slow moment of the machine falls on each alike.
        times = {label: [] for label, *_ in jobs}
        for _ in range(args.runs):
            for label, argv, cwd, _ in jobs:
                if not label.startswith("exiftool") or not times[label]:
                    times[label].append(measure(tool, argv, cwd))
        rows = [(label, statistics.median(t[0] for t in times[label]) * scale,
                 statistics.median(t[1] for t in times[label]) * scale,
                 max(t[2] for t in times[label]) / 1024) for label, _, _, scale in jobs]
        print(f"## -j over {args.n} camera files ({len(sources)} distinct, {total / 2**20:.0f} MiB)\n")
        print(f"The document: {len(doc) / 2**20:.1f} MiB, {len(files)} objects, {entries} entries, read back by "
              f"Python's json. Median of {args.runs} runs (exiftool: one).\n")
        print("| program | wall s | CPU s | peak RSS MiB | CPU / text |")
        print("|---|---:|---:|---:|---:|")
        base = rows[0][2]
        for label, wall, cpu, rss in rows:
            print(f"| `{label}` | {wall:.3f} | {cpu:.3f} | {rss:.1f} | {cpu / base:.2f}x |")
        print()
    return 0


if __name__ == "__main__":
    sys.exit(main())
