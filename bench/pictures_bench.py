#!/usr/bin/env python3
"""Benchmark of pelnor -p: a folder of phone files with MPF previews against the system-call
floor that reads and writes the same bytes, and the peak resident memory of a 20 MB preview
against a 2 KB one. Prints Markdown tables.

    pictures_bench.py --pelnor P --floor F --measure M [-n FILES] [--runs R] [--corpus DIR]

The phone files are made here: an Exif segment with a JPEG thumbnail in IFD1, an MPF index, a
main image of 1 MB and a preview of 200 KB after it. The real files of the corpus (DIR) that hold
an MPF image join them. Each run starts with the pictures of the run before deleted."""
import argparse, os, random, re, shutil, statistics, struct, subprocess, sys, tempfile


def seg(marker, data):
    return bytes([0xFF, marker]) + struct.pack(">H", len(data) + 2) + data


def jpeg_picture(w, h, size, rng):
    body = rng.randbytes(size).replace(b"\xff", b"\x00")
    return (b"\xff\xd8" + seg(0xDB, bytes(65)) + seg(0xC0, struct.pack(">BHHB", 8, h, w, 1) + b"\1\x11\0")
            + seg(0xDA, b"\1\1\0\0\x3f\0") + body + b"\xff\xd9")


def phone_file(main_bytes, preview, rng):
    """A phone's JPEG: Exif with a 160x120 thumbnail, an MPF index of two images, the preview last."""
    thumb = jpeg_picture(160, 120, 6000, rng)
    tiff = bytearray(b"II*\0" + struct.pack("<I", 8))
    tiff += struct.pack("<H", 1) + struct.pack("<HHII", 0x010F, 2, 4, 0x6E6F6850)  # "Phon"
    tiff += struct.pack("<I", len(tiff) + 4)
    ifd1 = len(tiff)
    tiff += struct.pack("<H", 3) + struct.pack("<HHIHH", 0x0103, 3, 1, 6, 0)
    tiff += struct.pack("<HHII", 0x0201, 4, 1, ifd1 + 2 + 36 + 4) + struct.pack("<HHII", 0x0202, 4, 1, len(thumb))
    tiff += struct.pack("<I", 0) + thumb
    app1 = seg(0xE1, b"Exif\0\0" + bytes(tiff))
    main = jpeg_picture(4000, 3000, main_bytes, rng)[2:]
    mpf_len = 4 + 8 + 2 + 3 * 12 + 4 + 32
    mpf_at = 2 + len(app1) + 4 + 4
    size = 2 + len(app1) + 4 + mpf_len + len(main)
    index = (b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", 3) + struct.pack("<HHI", 0xB000, 7, 4) + b"0100"
             + struct.pack("<HHII", 0xB001, 4, 1, 2) + struct.pack("<HHII", 0xB002, 7, 32, 50) + struct.pack("<I", 0)
             + struct.pack("<IIIHH", 0x20030000, size, 0, 0, 0)
             + struct.pack("<IIIHH", 0x00020000, len(preview), size - mpf_at, 0, 0))
    return b"\xff\xd8" + app1 + seg(0xE2, b"MPF\0" + index) + main + preview


def measure(tool, argv, cwd):
    out = subprocess.run([tool] + argv, cwd=cwd, capture_output=True, text=True, check=True).stdout.split()
    return float(out[0]), float(out[1]) + float(out[2]), int(out[3])


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--pelnor", required=True)
    ap.add_argument("--floor", required=True)
    ap.add_argument("--measure", required=True)
    ap.add_argument("--corpus")
    ap.add_argument("-n", type=int, default=1000)
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()
    pelnor, floor, tool = (os.path.abspath(p) for p in (args.pelnor, args.floor, args.measure))
    rng = random.Random(7)
    with tempfile.TemporaryDirectory() as work:
        sources = {f"phone{k}.jpg": phone_file(1 << 20, jpeg_picture(1920, 1080, 200_000 + 1000 * k, rng), rng)
                   for k in range(8)}
        if args.corpus and os.path.isdir(args.corpus):
            for name in sorted(os.listdir(args.corpus)):
                path = os.path.join(args.corpus, name)
                data = open(path, "rb").read() if name.lower().endswith((".jpg", ".jpeg")) else b""
                if b"MPF\0" in data[:65536]:
                    sources[name] = data
        # What each source prints and writes, learned from the tool itself.
        probe = os.path.join(work, "probe")
        os.makedirs(probe)
        plan = []
        for name, data in sources.items():
            open(os.path.join(probe, name), "wb").write(data)
            out = subprocess.run([pelnor, "-p", "-s", "-k", name], cwd=probe, capture_output=True).stdout
            pictures = re.findall(rb"picture \[[^]]*\] \S+(?: \d+x\d+)? at (0x[0-9a-f]+|0), (\d+) bytes[^\n]*\n"
                                  rb"Createing thumbnail file\[([^]]*)\]", out)
            plan.append(f"{name} {len(out)} {len(pictures)}" + "".join(
                f" {out_name.decode()[len(name):]} {int(at, 16)} {int(n)}" for at, n, out_name in pictures))
        plan_path = os.path.join(work, "plan.txt")
        open(plan_path, "w").write("\n".join(plan) + "\n")
        batch = os.path.join(work, "batch")
        os.makedirs(batch)
        names = []
        keys = list(sources)
        for i in range(args.n):
            key = keys[i % len(keys)]
            names.append(f"f{i:05d}-{key}")
            open(os.path.join(batch, names[-1]), "wb").write(sources[key])
        inputs = set(names)
        listing = os.path.join(work, "list.txt")
        open(listing, "w").write("\n".join(names) + "\n")
        total = sum(len(sources[keys[i % len(keys)]]) for i in range(args.n))

        def clean():
            for f in os.listdir(batch):
                if f not in inputs:
                    os.unlink(os.path.join(batch, f))

        rows = {}
        for label, argv in (("pelnor -p -s -k", [pelnor, "-p", "-s", "-k"]), ("floor", [floor, plan_path])):
            times = []
            for _ in range(args.runs):
                clean()
                times.append(measure(tool, ["xargs", "-d", "\n", "-a", listing, "--"] + argv, batch))
            written = len(os.listdir(batch)) - len(inputs)
            rows[label] = (statistics.median(t[0] for t in times), statistics.median(t[1] for t in times),
                           max(t[2] for t in times) / 1024, written)
        clean()
        print(f"## -p over {args.n} phone files ({len(sources)} distinct, {total / 2**20:.0f} MiB)\n")
        print(f"Median of {args.runs} runs; pictures deleted before each run.\n")
        print("| program | pictures written | wall s | CPU s | peak RSS MiB | wall / floor | CPU / floor |")
        print("|---|---:|---:|---:|---:|---:|---:|")
        fw, fc = rows["floor"][0], rows["floor"][1]
        for label, (wall, cpu, rss, written) in rows.items():
            print(f"| `{label}` | {written} | {wall:.3f} | {cpu:.3f} | {rss:.1f} | {wall / fw:.2f}x | {cpu / fc:.2f}x |")
        print()

        # Peak memory: a 20 MB preview against a 2 KB one.
        print("## Peak resident memory of one file's -p\n")
        print("| preview | peak RSS KiB |")
        print("|---|---:|")
        rss = {}
        for label, size in (("2 KB", 2048), ("20 MB", 20 << 20)):
            d = os.path.join(work, label.replace(" ", ""))
            os.makedirs(d)
            open(os.path.join(d, "big.jpg"), "wb").write(phone_file(1 << 16, jpeg_picture(1920, 1080, size, rng), rng))
            rss[label] = max(measure(tool, [pelnor, "-p", "big.jpg"], d)[2] for _ in range(3))
            print(f"| {label} | {rss[label]} |")
        print(f"\nDifference: {rss['20 MB'] - rss['2 KB']} KiB.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
