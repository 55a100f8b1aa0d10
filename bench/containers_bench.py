#!/usr/bin/env python3
"""Benchmark of the containers: pelnor -s -a -k over the container corpus against exiftool
-a -G1 -j over the same files in one process; the peak resident memory of a 50 MB DNG and a
50 MB CR3 (their previews past 40 MB) with and without -p, against a 50 KB file of each kind;
the bytes each reads (strace) without -p. Prints Markdown tables.

    containers_bench.py --pelnor P --measure M --corpus DIR [--runs R] [--copies N]

pelnor runs over the corpus listed N times (default 20) on one command line; exiftool once, its
time per file compared. The large files are made here with the golden cases' writers
(tests/container_inputs.py): a DNG whose Exif IFD, SubIFDs and 2 MB preview lie at 40 MB, and a
CR3 whose 2 MB full-size JPEG lies at 40 MB between raw data."""
import argparse, csv, os, re, shutil, statistics, subprocess, sys, tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from container_inputs import cr3, dng  # noqa: E402
from picture_inputs import picture  # noqa: E402


def measure(tool, argv, cwd):
    out = subprocess.run([tool] + argv, cwd=cwd, capture_output=True, text=True, check=True).stdout.split()
    return float(out[0]), float(out[1]) + float(out[2]), int(out[3])


def big_picture(w, h, size):
    """A JPEG of about `size` bytes: SOF with its size, then scan data without markers."""
    small = picture(w, h, "x")
    return small[:-3] + bytes([0x11]) * size + b"\xff\xd9"


def files(tmp):
    mb = 1 << 20
    made = {
        "large.dng": dng(far=40 * mb, preview=big_picture(1024, 683, 2 * mb), tail=bytes(8 * mb)),
        "small.dng": dng(far=40000, preview=big_picture(1024, 683, 8000)),
        "small.cr3": cr3(full_jpeg=big_picture(8192, 5464, 30000)),
    }
    # CR3: its mdat holds the full-size JPEG past 40 MB of raw data.
    full = big_picture(8192, 5464, 2 * mb)
    data = bytearray(cr3(full_jpeg=full))
    made["large.cr3"] = shift_cr3(bytes(data), data.index(full), 40 * mb, 8 * mb)
    for name, d in made.items():
        open(os.path.join(tmp, name), "wb").write(d)
    return sorted(made)


def shift_cr3(data, at, gap, after):
    """Puts `gap` bytes of raw data in mdat before the full-size JPEG at `at` and `after` bytes
    at its end: the co64 offset and the mdat size grow by as much."""
    data = bytearray(data)
    co64 = data.index(b"co64")
    offset = int.from_bytes(data[co64 + 12:co64 + 20], "big")
    assert offset == at
    data[co64 + 12:co64 + 20] = (at + gap).to_bytes(8, "big")
    mdat = data.rindex(b"mdat") - 4
    size = int.from_bytes(data[mdat:mdat + 4], "big")
    data[mdat:mdat + 4] = (size + gap + after).to_bytes(4, "big")
    return bytes(data[:at]) + bytes(gap) + bytes(data[at:]) + bytes(after)


def bytes_read(pelnor, path, cwd):
    """What the reads of a run of pelnor -s -a on `path` returned, in bytes (strace; the loader's
    reads of the program's libraries count too, a few KB)."""
    trace = subprocess.run(["strace", "-f", "-e", "trace=read,pread64", "-o", "/dev/stdout",
                            pelnor, "-s", "-a", path], cwd=cwd, capture_output=True, text=True).stdout
    return sum(int(m[1]) for m in re.finditer(r"(?:read|pread64)\(.*= (\d+)$", trace, re.M))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--pelnor", required=True)
    ap.add_argument("--measure", required=True)
    ap.add_argument("--corpus", required=True)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--copies", type=int, default=20)
    args = ap.parse_args()
    pelnor, tool = os.path.abspath(args.pelnor), os.path.abspath(args.measure)
    names = [r["file"] for r in csv.DictReader(open(os.path.join(args.corpus, "MANIFEST.tsv")), delimiter="\t")]
    paths = [os.path.join(os.path.abspath(args.corpus), n) for n in names]
    tmp = tempfile.mkdtemp()
    try:
        print("## Containers: pelnor -s -a -k against exiftool -a -G1 -j")
        print()
        ours = [measure(tool, [pelnor, "-s", "-a", "-k"] + paths * args.copies, tmp) for _ in range(args.runs)]
        theirs = [measure(tool, ["exiftool", "-a", "-G1", "-j"] + paths, tmp) for _ in range(max(1, args.runs // 2))]
        per_ours = statistics.median(w for w, _, _ in ours) / (len(paths) * args.copies)
        per_theirs = statistics.median(w for w, _, _ in theirs) / len(paths)
        print("| Tool | Files per run | Wall per file | Peak RSS |")
        print("|---|---|---|---|")
        print(f"| pelnor -s -a -k | {len(paths) * args.copies} | {per_ours * 1e6:.1f} µs | "
              f"{max(r for _, _, r in ours)} KiB |")
        print(f"| exiftool -a -G1 -j | {len(paths)} | {per_theirs * 1e6:.1f} µs | {max(r for _, _, r in theirs)} KiB |")
        print()
        print(f"pelnor is {per_theirs / per_ours:.0f}x faster per file ({args.runs} runs, medians).")
        print()
        made = files(tmp)
        print("## Large raw files: peak memory and bytes read")
        print()
        print("| File | Size | Peak RSS, -s -a | Peak RSS, -s -a -p | Bytes read, -s -a |")
        print("|---|---|---|---|---|")
        for name in made:
            path = os.path.join(tmp, name)
            plain = max(measure(tool, [pelnor, "-s", "-a", path], tmp)[2] for _ in range(3))
            pictures = max(measure(tool, [pelnor, "-s", "-a", "-p", path], tmp)[2] for _ in range(3))
            for f in os.listdir(tmp):
                if f not in made:
                    os.unlink(os.path.join(tmp, f))
            read = bytes_read(pelnor, path, tmp) if shutil.which("strace") else None
            print(f"| {name} | {os.path.getsize(path):,} | {plain} KiB | {pictures} KiB | "
                  f"{'-' if read is None else f'{read:,}'} |")
    finally:
        shutil.rmtree(tmp)


if __name__ == "__main__":
    main()
