#!/usr/bin/env python3
"""Runs one golden case and compares it byte for byte (the layout of a case: cases/README.md).

    run_case.py [--crlf] [--record] [--timeout S] CASE TOOL [TOOL_ARG...]

--crlf expects CR LF line ends (the Windows console's text mode). --record stores what the run
gave as the case's expectation, to be checked by hand before it is committed.
"""
import argparse, difflib, os, re, shutil, subprocess, sys, tempfile
from pathlib import Path


def tree(root):
    return {p.relative_to(root).as_posix(): p.read_bytes()
            for p in sorted(root.rglob("*")) if p.is_file() and p.name != ".keep"}


def read(path, default=b""):
    return path.read_bytes() if path.exists() else default


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--crlf", action="store_true")
    ap.add_argument("--record", action="store_true")
    ap.add_argument("--timeout", type=float, default=10)
    ap.add_argument("case", type=Path)
    ap.add_argument("tool", nargs=argparse.REMAINDER)
    opt = ap.parse_args()
    case = opt.case
    args = case.joinpath("args").read_text("utf-8").splitlines()
    with tempfile.TemporaryDirectory() as tmp:
        work = Path(tmp, "run")
        shutil.copytree(case / "in", work) if (case / "in").is_dir() else work.mkdir()
        before = tree(work)
        to = read(case / "stdout-to").strip()
        try:
            with open("/dev/full", "wb") if to == b"full" else open(os.devnull, "rb") as full:
                out = full if to == b"full" else subprocess.PIPE
                close = (lambda: os.close(1)) if to == b"closed" else None
                run = subprocess.run(opt.tool + args, cwd=work, stdout=out, stderr=subprocess.PIPE,
                                     preexec_fn=close, timeout=opt.timeout)
            got = {"stdout": run.stdout or b"", "stderr": run.stderr, "status": b"%d\n" % run.returncode}
        except subprocess.TimeoutExpired:
            sys.exit(f"{case.name}: no end within {opt.timeout} s")
        got["stdout"] = re.sub(rb"(utility by dorv at )\w{3} [ \d]\d \d{4}", rb"\1<date>", got["stdout"])
        after = tree(work)
    changed = {name: data for name, data in after.items() if before.get(name) != data}
    if opt.record:
        shutil.rmtree(case / "out", ignore_errors=True)
        for name, data in changed.items():
            case.joinpath("out", name).parent.mkdir(parents=True, exist_ok=True)
            case.joinpath("out", name).write_bytes(data)
        for key, data in got.items():
            keep = data not in (b"", b"0\n") or key == "stdout"
            case.joinpath(key).write_bytes(data) if keep else case.joinpath(key).unlink(True)
        return
    faults = []
    for key, default in (("stdout", b""), ("stderr", b""), ("status", b"0\n")):
        want = read(case / key, default)
        if opt.crlf and key != "status":
            want = want.replace(b"\n", b"\r\n")
        if got[key] != want:
            faults += [f"{key} differs:"] + list(difflib.unified_diff(
                want.decode("utf-8", "replace").split("\n"),
                got[key].decode("utf-8", "replace").split("\n"), "expected", "actual", lineterm=""))
    want_files = dict(before, **tree(case / "out")) if (case / "out").is_dir() else before
    for name in sorted(set(want_files) | set(after)):
        if want_files.get(name) != after.get(name):
            state = "missing" if name not in after else "unexpected" if name not in want_files else "differs"
            faults.append(f"file {name}: {state}")
    if faults:
        sys.exit(f"{case.name}:\n" + "\n".join(faults))


if __name__ == "__main__":
    main()
