#!/usr/bin/env python3
"""Batch benchmark of pelnor against the system-call floor and other Exif tools.

Makes a batch of N copies of sample and real camera files, then measures in one run, side by
side: pelnor dumping the batch and extracting every thumbnail (-o), the same with -s -k (the Exif
segment searched for and read whole, the run kept going), dumping with -a (the Exif,
Interoperability and GPS directories too) by itself and with -s -k, the floor program doing only
the system calls the job needs, and exiv2, jhead and exiftool doing the same jobs. Every program
gets the same file list through the same xargs, many files per invocation. Wall time, CPU time
(user + sys of the whole process tree) and peak resident memory come from wait4. It also counts
the system calls per file (strace) and shows how time and memory grow with the number of files.

bench/run.sh builds the programs and calls this script; see docs/performance.md.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HEAD_SIZE = 32768
SKIP_IN_CORPUS = {"MANIFEST.tsv", "README.md"}


def log(msg):
    print(msg, file=sys.stderr, flush=True)


# ---------------------------------------------------------------------------------------------
# Running and measuring


class Measure:
    def __init__(self, wall, cpu, rss_kib, status):
        self.wall = wall
        self.cpu = cpu
        self.rss_kib = rss_kib
        self.status = status


MEASURE = None  # path of bench_measure


def run_measured(argv, cwd):
    """Runs argv with stdout and stderr to /dev/null; wall, user+sys and peak RSS of its tree."""
    done = subprocess.run([MEASURE] + argv, cwd=cwd, capture_output=True, text=True, check=True)
    wall, user, sys_, rss, code = done.stdout.split()
    return Measure(float(wall), float(user) + float(sys_), int(rss), int(code))


def xargs(list_path, argv):
    """The batch passed the way it is in practice: many names per invocation through xargs."""
    return ["xargs", "-d", "\n", "-a", list_path, "--"] + argv


def clean_outputs(batch_dir, inputs, trash):
    """Moves every file a run wrote out of the batch directory and returns their count.

    The files are moved, not deleted: ext4 without a journal skips recently deleted inodes
    (for up to six minutes) when it allocates a new one, so deleting thousands of outputs
    between runs would make the file creations of the next run several times dearer. They are
    deleted with the temporary directory at the end. The move is flushed to disk here, so that
    its writeback does not land in the next timed run."""
    moved = 0
    target = None
    for entry in os.scandir(batch_dir):
        if entry.name not in inputs:
            if target is None:
                target = tempfile.mkdtemp(dir=trash)
            os.rename(entry.path, os.path.join(target, entry.name))
            moved += 1
    if moved:
        os.sync()
    return moved


# ---------------------------------------------------------------------------------------------
# The batch


def collect_sources(samples, corpus):
    """(key, path) of every candidate: the project's samples, then the real camera files."""
    sources = []
    for path in samples:
        sources.append(("sample_" + os.path.basename(path), path))
    if corpus and os.path.isdir(corpus):
        for name in sorted(os.listdir(corpus)):
            path = os.path.join(corpus, name)
            if name in SKIP_IN_CORPUS or not os.path.isfile(path):
                continue
            sources.append((name, path))
    return sources


def probe_sources(pelnor, sources, work):
    """Runs pelnor on each source alone. Keeps the ones it goes through with exit code 0 in both
    modes, with how much each prints and which thumbnail file it writes; of the others, notes
    whether pelnor -s goes through them."""
    probe = os.path.join(work, "probe")
    os.makedirs(probe)
    kept, dropped = [], []
    for key, path in sources:
        name = "0-" + key
        dst = os.path.join(probe, name)
        shutil.copyfile(path, dst)
        dump = subprocess.run([pelnor, name], cwd=probe, capture_output=True)
        extract = subprocess.run([pelnor, "-o", name], cwd=probe, capture_output=True)
        suffix, thumb_bytes, thumb_at = "-", 0, 0
        for s in (".thumb.jpg", ".thumb.bmp"):
            if os.path.exists(dst + s):
                suffix, thumb_bytes = s, os.path.getsize(dst + s)
        offsets = re.findall(rb"\tJPEG Thumbnail Offset: (\d+)\n", dump.stdout)
        if suffix == ".thumb.jpg" and offsets:
            thumb_at = int(offsets[-1]) + 12  # the last one, in IFD1; a TIFF offset
        past = thumb_at + thumb_bytes > 32768
        # With -s a file whose Exif segment, from the identifier at offset 6, runs past the head
        # costs one more read: the segment's length is in bytes 4 and 5.
        with open(path, "rb") as f:
            start = f.read(12)
        segment_past = (os.path.getsize(path) >= HEAD_SIZE and start[6:12] == b"Exif\0\0"
                        and 4 + (start[4] << 8 | start[5]) > HEAD_SIZE)
        # What each dump prints, for the time per printed byte.
        printed = {opts: len(subprocess.run([pelnor, *opts.split(), name], cwd=probe,
                                            capture_output=True).stdout)
                   for opts in ("-s -k", "-a", "-a -s -k")}
        printed["-"] = len(dump.stdout)
        jhead_ok = False
        if shutil.which("jhead"):
            jhead = subprocess.run(["jhead", "-st", "&i.jhead.jpg", name], cwd=probe,
                                   capture_output=True)
            jhead_ok = jhead.returncode == 0
        if dump.returncode == 0 and extract.returncode == 0:
            kept.append({"jhead_ok": jhead_ok,
                "key": key, "path": path, "dump_bytes": len(dump.stdout),
                "extract_bytes": len(extract.stdout), "suffix": suffix + ("+past" if past else ""),
                "thumb_bytes": thumb_bytes, "thumb_at": thumb_at, "size": os.path.getsize(path),
                "segment_past": segment_past, "printed": printed,
            })
        else:
            search = subprocess.run([pelnor, "-s", name], cwd=probe, capture_output=True)
            dropped.append((key, dump.returncode, search.returncode))
    # The probe directory stays until the end: see clean_outputs for why nothing is deleted.
    return kept, dropped


def make_batch(kept, n, work):
    batch = os.path.join(work, "batch")
    os.makedirs(batch)
    width = len(str(n))
    names = []
    for i in range(n):
        src = kept[i % len(kept)]
        name = f"{i:0{width}d}-{src['key']}"
        shutil.copyfile(src["path"], os.path.join(batch, name))
        names.append(name)
    return batch, names


def write_list(path, names):
    with open(path, "w") as f:
        f.write("\n".join(names) + "\n")


def write_plan(path, kept):
    with open(path, "w") as f:
        for s in kept:
            f.write(f"{s['key']}\t{s['dump_bytes']}\t{s['extract_bytes']}\t"
                    f"{s['suffix'].split('+')[0]}\t{s['thumb_bytes']}\t{s['thumb_at']}\n")


# ---------------------------------------------------------------------------------------------
# System calls


SYSCALL_RE = re.compile(r"^(?:\d+\s+)?(\w+)\((.*)\)\s+=\s+(-?\d+)")


def trace_counts(argv, cwd, work, tag):
    """Syscall name -> count for one run under strace -f, and the sizes of writes to stdout."""
    out = os.path.join(work, f"strace-{tag}.txt")
    subprocess.run(["strace", "-f", "-qq", "-o", out, "--"] + argv, cwd=cwd,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    counts, stdout_writes, lines = {}, [], []
    with open(out, errors="replace") as f:
        for line in f:
            m = SYSCALL_RE.match(line)
            if not m:
                continue
            name, args, ret = m.group(1), m.group(2), int(m.group(3))
            if name == "write" and args.startswith("1,"):
                name = "write(stdout)"
            elif name in ("openat", "open") and "O_CREAT" in args:
                name += "(create)"
            counts[name] = counts.get(name, 0) + 1
            lines.append(line.rstrip("\n"))
            if name == "write(stdout)":
                stdout_writes.append(ret)
    os.unlink(out)
    return counts, stdout_writes, lines


def per_file_calls(argv_of, names, cwd, work, tag, clean):
    """Syscalls per file: a run on k files minus a run on 1 file, divided by k - 1."""
    k = len(names)
    clean()
    one, _, _ = trace_counts(argv_of(names[:1]), cwd, work, tag + "-1")
    clean()
    many, writes, lines = trace_counts(argv_of(names), cwd, work, tag + "-k")
    clean()
    per = {}
    for name in set(one) | set(many):
        d = (many.get(name, 0) - one.get(name, 0)) / (k - 1)
        if abs(d) > 1e-9:
            per[name] = d
    return per, writes, lines


def calls_for_file(lines, names, index):
    """The calls made for names[index], as strace shows them: from its open to the next file's."""
    this = f'"{names[index]}"'
    nxt = f'"{names[index + 1]}"' if index + 1 < len(names) else None
    start = next((i for i, l in enumerate(lines) if this in l and "openat" in l), None)
    if start is None:
        return []
    sample = []
    for l in lines[start:start + 40]:
        if nxt and nxt in l and "openat" in l:
            break
        sample.append(re.sub(r"^\d+\s+", "", l)[:120])
    return sample


# ---------------------------------------------------------------------------------------------
# Report


def fmt_s(x):
    return f"{x:.3f}" if x < 10 else f"{x:.1f}"


def ratio(x, base):
    return f"{x / base:.2f}x" if base > 0 else "-"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--pelnor", required=True)
    ap.add_argument("--floor", required=True)
    ap.add_argument("--measure", required=True)
    ap.add_argument("--samples", nargs="*", default=[])
    ap.add_argument("--corpus", default="")
    ap.add_argument("-n", type=int, default=10000, help="files in the batch")
    ap.add_argument("--runs", type=int, default=7, help="timed runs of pelnor and the floor")
    ap.add_argument("--peer-runs", type=int, default=3, help="timed runs of each peer")
    ap.add_argument("--peer-n", type=int, default=500,
                    help="files the slow peers (exiftool) run on; scaled up to N")
    ap.add_argument("--strace-n", type=int, default=1000, help="files in the strace batch")
    ap.add_argument("--keep", action="store_true", help="keep the temporary directory")
    ap.add_argument("--dir", default=None,
                    help="where the temporary directory goes (default: $TMPDIR or /tmp)")
    args = ap.parse_args()

    n = args.n
    work = tempfile.mkdtemp(prefix="pelnor-bench-", dir=args.dir)
    try:
        report = run_all(args, n, work)
    finally:
        if args.keep:
            log(f"kept {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)
    print(report)


def run_all(args, n, work):
    global MEASURE
    MEASURE = os.path.abspath(args.measure)
    pelnor = os.path.abspath(args.pelnor)
    floor = os.path.abspath(args.floor)
    out = []

    sources = collect_sources(args.samples, args.corpus)
    kept, dropped = probe_sources(pelnor, sources, work)
    if not kept:
        raise SystemExit("no source file that pelnor goes through")
    n_samples = sum(1 for s in kept if s["key"].startswith("sample_"))
    log(f"sources: {len(kept)} kept ({n_samples} samples), {len(dropped)} left out")
    batch, names = make_batch(kept, n, work)
    inputs = set(names)
    list_all = os.path.join(work, "list-all.txt")
    write_list(list_all, names)
    peer_n = min(args.peer_n, n)
    list_peer = os.path.join(work, "list-peer.txt")
    write_list(list_peer, names[:peer_n])
    plan = os.path.join(work, "plan.tsv")
    write_plan(plan, kept)
    batch_bytes = sum(kept[i % len(kept)]["size"] for i in range(n))
    kinds = {}
    for i in range(n):
        s = kept[i % len(kept)]
        kinds[s["suffix"]] = kinds.get(s["suffix"], 0) + 1

    out.append("## Batch\n")
    out.append(f"- {n} files, {batch_bytes / 2**20:.0f} MiB, copies of {len(kept)} distinct "
               f"pictures taken round-robin: {n_samples} sample files made by the project and "
               f"{len(kept) - n_samples} real camera files.")
    out.append(f"- Left out: {len(dropped)} candidate files on which pelnor ends its run with "
               f"exit code 1 (no Exif identifier at offset 6, no IFD1): the batch holds only "
               f"files it goes through, so one invocation handles all the names it is given.")
    searched = sum(1 for d in dropped if d[2] == 0)
    segment_past = sum(1 for i in range(n) if kept[i % len(kept)]["segment_past"])
    out.append(f"- `pelnor -s -k` runs on the same batch, so that its rows compare with the "
               f"default ones file for file; {searched} of the {len(dropped)} left-out files are "
               f"ones `pelnor -s` goes through, and they stay out for both. {segment_past} of "
               f"the {n} files have an Exif segment that runs past the first 32 KB, which -s "
               f"reads to its end.")
    out.append(f"- Thumbnails written by `pelnor -o`: "
               f"{kinds.get('.thumb.jpg', 0) + kinds.get('.thumb.jpg+past', 0)} JPEG (of them "
               f"{kinds.get('.thumb.jpg+past', 0)} running past the first 32 KB), "
               f"{kinds.get('.thumb.bmp', 0)} BMP, none for {kinds.get('-', 0)} files.")
    out.append(f"- Every program gets the same list through `xargs -d '\\n' -a LIST`; "
               f"exiftool runs on the first {peer_n} names and its times are scaled "
               f"by {n / peer_n:g}.")

    trash = os.path.join(work, "written")
    os.makedirs(trash)

    def clean():
        return clean_outputs(batch, inputs, trash)

    # jhead ends an invocation at the first file it finds damaged, and xargs then goes on with
    # the next chunk of names; it is also timed on the part of the list it goes through.
    jhead_names = [x for i, x in enumerate(names) if kept[i % len(kept)]["jhead_ok"]]
    list_jhead = os.path.join(work, "list-jhead.txt")
    write_list(list_jhead, jhead_names)
    out.append(f"- jhead ends an invocation at the first file it finds damaged (xargs then starts "
               f"it on the next chunk of names); {len(jhead_names)} of the {n} files are ones "
               f"it goes through, and it is timed on that list too.\n")

    # (mode, label, argv, list, files in the list)
    full, peer, jh = (list_all, n), (list_peer, peer_n), (list_jhead, len(jhead_names))
    progs = [
        ("dump", "pelnor", [pelnor], *full),
        ("dump", "pelnor -s -k", [pelnor, "-s", "-k"], *full),
        ("dump", "pelnor -a", [pelnor, "-a"], *full),
        ("dump", "pelnor -a -s -k", [pelnor, "-a", "-s", "-k"], *full),
        ("dump", "floor", [floor, "-p", plan], *full),
        ("dump", "exiv2 -pa", ["exiv2", "-pa"], *full),
        ("dump", "exiftool -IFD0:all -IFD1:all", ["exiftool", "-IFD0:all", "-IFD1:all"], *peer),
        ("extract", "pelnor -o", [pelnor, "-o"], *full),
        ("extract", "pelnor -s -k -o", [pelnor, "-s", "-k", "-o"], *full),
        ("extract", "floor -o", [floor, "-o", "-p", plan], *full),
        ("extract", "exiv2 -et", ["exiv2", "-et"], *full),
        ("extract", "jhead -st", ["jhead", "-st", "&i.jhead.jpg"], *full),
        ("extract", "jhead -st, files it accepts", ["jhead", "-st", "&i.jhead.jpg"], *jh),
        ("extract", "exiftool -b -ThumbnailImage -w",
         ["exiftool", "-b", "-ThumbnailImage", "-w", "%d%f.%e.exiftool.jpg"], *peer),
    ]
    progs = [p for p in progs if p[4] > 0]
    missing = sorted({p[2][0] for p in progs if shutil.which(p[2][0]) is None})
    if missing:
        out.append(f"Not installed, left out: {', '.join(missing)}\n")
        progs = [p for p in progs if shutil.which(p[2][0]) is not None]

    results = {p[1]: [] for p in progs}
    written = {p[1]: [] for p in progs}
    rounds = max(args.runs, args.peer_runs)
    for r in range(rounds + 1):  # round 0 warms the page cache and is not counted
        for mode, label, argv, list_path, _ in progs:
            is_core = label.startswith(("pelnor", "floor"))
            if r > (args.runs if is_core else args.peer_runs):
                continue
            clean()
            m = run_measured(xargs(list_path, argv), batch)
            if is_core and m.status != 0:
                raise SystemExit(f"{label} failed on the batch: exit {m.status}")
            count = clean()
            if r > 0:
                results[label].append(m)
                written[label].append(count)
        log(f"round {r}/{rounds} done")

    out.append("## Batch run, side by side\n")
    out.append(f"Median of {args.runs} runs (pelnor, floor) or {args.peer_runs} runs (peers) "
               f"after one warm-up run; CPU = user + sys of the whole process tree (xargs "
               f"included); peak RSS = the largest process of the tree; files written = the "
               f"thumbnail files the program created. Times of a run on fewer files are scaled "
               f"to {n} files.\n")
    out.append("| mode | program | files run | files written | wall s | CPU s | peak RSS MiB "
               "| wall / pelnor | CPU / pelnor | RSS / pelnor |")
    out.append("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    summary = {}
    for mode in ("dump", "extract"):
        base = None
        for _, label, _, _, files in (p for p in progs if p[0] == mode):
            ms = results[label]
            scale = n / files
            wall = statistics.median(x.wall for x in ms) * scale
            cpu = statistics.median(x.cpu for x in ms) * scale
            rss = max(x.rss_kib for x in ms) / 1024
            if base is None:
                base = (wall, cpu, rss)
            summary[label] = (wall, cpu, rss)
            shown = str(files) if files == n else f"{files} (x{scale:.3g})"
            made = statistics.median(written[label]) if mode == "extract" else "-"
            out.append(f"| {mode} | `{label}` | {shown} | {made} | {fmt_s(wall)} | "
                       f"{fmt_s(cpu)} | {rss:.1f} | {ratio(wall, base[0])} | "
                       f"{ratio(cpu, base[1])} | {ratio(rss, base[2])} |")
    out.append("")
    for mode, p, f in (("dump", "pelnor", "floor"), ("extract", "pelnor -o", "floor -o"),
                       ("dump", "pelnor -s -k", "floor"),
                       ("extract", "pelnor -s -k -o", "floor -o")):
        if p in summary and f in summary:
            out.append(f"- {mode}: {p} / {f} = {summary[p][0] / summary[f][0]:.2f}x wall, "
                       f"{summary[p][1] / summary[f][1]:.2f}x CPU (target: within 1.15x)")
    out.append("")

    # -a prints more per file; what matters is what each printed byte costs.
    out.append("## Time per printed byte\n")
    out.append("CPU time of the batch run above divided by the bytes the run prints (the sum, over "
               "the batch, of what each file printed alone).\n")
    out.append("| program | bytes printed | per file | CPU s | CPU ns per byte | per byte / pelnor |")
    out.append("|---|---:|---:|---:|---:|---:|")
    base = None
    for label, opts in (("pelnor", "-"), ("pelnor -s -k", "-s -k"), ("pelnor -a", "-a"),
                        ("pelnor -a -s -k", "-a -s -k")):
        if label not in summary:
            continue
        printed = sum(kept[i % len(kept)]["printed"][opts] for i in range(n))
        per_byte = summary[label][1] / printed * 1e9
        base = base or per_byte
        out.append(f"| `{label}` | {printed:,} | {printed / n:,.0f} | {fmt_s(summary[label][1])} | "
                   f"{per_byte:.2f} | {per_byte / base:.2f}x |")
    out.append("")

    # Growth with the number of files: one direct invocation, no xargs.
    out.append("## Growth with the number of files (one invocation, all names on its command "
               "line)\n")
    out.append("| program | files | wall ms | CPU ms | wall per file us | CPU per added file us "
               "| peak RSS MiB |")
    out.append("|---|---:|---:|---:|---:|---:|---:|")
    sizes = sorted({1, min(100, n), n})
    growth = [("pelnor", [pelnor]), ("floor", [floor, "-p", plan]),
              ("pelnor -o", [pelnor, "-o"]), ("floor -o", [floor, "-o", "-p", plan])]
    for label, argv in growth:
        cpu_one = None
        for k in sizes:
            ms = []
            for _ in range(args.runs + 1):
                clean()
                ms.append(run_measured(argv + names[:k], batch))
            ms = ms[1:]
            wall = statistics.median(x.wall for x in ms)
            cpu = statistics.median(x.cpu for x in ms)
            rss = max(x.rss_kib for x in ms) / 1024
            if k == 1:
                cpu_one = cpu
            added = f"{(cpu - cpu_one) * 1e6 / (k - 1):.1f}" if k > 1 and cpu_one else "-"
            out.append(f"| `{label}` | {k} | {wall * 1e3:.2f} | {cpu * 1e3:.2f} | "
                       f"{wall * 1e6 / k:.1f} | {added} | {rss:.2f} |")
    clean()
    out.append("")

    # System calls per file.
    if shutil.which("strace"):
        k = min(args.strace_n, n)
        out.append(f"## System calls per file (strace -f; a run on {k} files minus a run on 1 "
                   f"file, divided by {k - 1})\n")
        out.append("| program | calls per file | writes to stdout (whole run) | mean stdout write bytes |")
        out.append("|---|---|---:|---:|")
        suffix_of = {x["key"]: x["suffix"] for x in kept}
        segment_past_of = {x["key"]: x["segment_past"] for x in kept}
        examples = {}
        traced = growth + [("pelnor -s -k", [pelnor, "-s", "-k"]),
                           ("pelnor -s -k -o", [pelnor, "-s", "-k", "-o"])]
        for label, argv in traced:
            per, writes, lines = per_file_calls(lambda ns, a=argv: a + ns, names[:k], batch,
                                                work, label.replace(" ", ""), clean)
            calls = ", ".join(f"{name} {v:.2f}" for name, v in sorted(per.items()))
            mean = sum(writes) / len(writes) if writes else 0
            out.append(f"| `{label}` | {calls} | {len(writes)} | {mean:.0f} |")
            if label.startswith("pelnor -s"):
                # A file whose Exif segment runs past the head: the one read -s adds.
                idx = next((i for i in range(k // 2, k - 1)
                            if segment_past_of[names[i].split("-", 1)[1]]), None)
                if idx is not None:
                    examples[(label, "segment")] = (names[idx], calls_for_file(lines, names, idx))
            elif label.startswith("pelnor"):
                # One file of each kind from the middle of the batch.
                wanted = (["-", ".thumb.jpg+past"] if label == "pelnor" else
                          [".thumb.jpg", ".thumb.jpg+past", ".thumb.bmp"])
                for suffix in wanted:
                    idx = next((i for i in range(k // 2, k - 1)
                                if suffix_of[names[i].split("-", 1)[1]] == suffix), None)
                    if idx is not None:
                        examples[(label, suffix)] = (names[idx], calls_for_file(lines, names, idx))
        out.append("")
        for (label, suffix), (name, sample) in examples.items():
            what = {"-": "no thumbnail written", ".thumb.jpg+past": "a JPEG thumbnail past the "
                    "first 32 KB" + (", written" if "-o" in label else ""),
                    "segment": "an Exif segment past the first 32 KB"}.get(suffix,
                                                                         f"writes {suffix}")
            out.append(f"`{label}` on one file ({what}):\n")
            out.append("```")
            out.extend(sample)
            out.append("```\n")
    return "\n".join(out)


if __name__ == "__main__":
    main()
