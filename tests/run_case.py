#!/usr/bin/env python3
"""Runs one golden case and compares it byte for byte (the layout of a case: cases/README.md).

    run_case.py [--windows] [--record] [--timeout S] CASE TOOL [TOOL_ARG...]

--windows: CR LF line ends (the console's text mode), and a case's windows-KEY files for KEY.
--record stores what the run gave, to be checked by hand before it is committed. A run past its
time limit fails, its whole process group killed (an emulator's children too).
"""
import argparse, difflib, os, re, shutil, signal, subprocess, sys, tempfile, threading
from pathlib import Path


def tree(root):  # every file, a link as the name it points to
    return {p.relative_to(root).as_posix(): b"-> " + os.readlink(p).encode() if p.is_symlink() else p.read_bytes()
            for p in sorted(root.rglob("*")) if (p.is_file() or p.is_symlink()) and p.name != ".keep"}


def read(path, default=b""):
    return path.read_bytes() if path.exists() else default


def feed(path):
    data = path.read_bytes()
    path.unlink()
    os.mkfifo(path)

    def write():
        with open(path, "wb", buffering=0) as pipe:
            try:
                for at in range(0, len(data), 4093):
                    pipe.write(data[at:at + 4093])
            except BrokenPipeError:
                pass

    writer = threading.Thread(target=write, daemon=True)
    writer.start()
    return path, writer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--windows", action="store_true")
    ap.add_argument("--record", action="store_true")
    ap.add_argument("--timeout", type=float, default=10)
    ap.add_argument("case", type=Path)
    ap.add_argument("tool", nargs=argparse.REMAINDER)
    opt = ap.parse_args()
    case = opt.case
    args = case.joinpath("args").read_bytes().decode("utf-8", "surrogateescape").splitlines()
    with tempfile.TemporaryDirectory() as tmp:
        work = Path(tmp, "run")
        # A case may run on the inputs of another ("in-from" names it). Links stay links.
        source = case.parent / read(case / "in-from").decode().strip() / "in" if (case / "in-from").exists() else case / "in"
        shutil.copytree(source, work, symlinks=True) if source.is_dir() else work.mkdir()
        # Files read through named pipes, fed in small pieces: the tool sees a pipe by a name.
        feeds = [feed(work / name) for name in read(case / "fifos").decode().split()]
        before = tree(work)
        to, stdin = (read(case / name).decode().strip() for name in ("stdout-to", "stdin-from"))
        reader, pipe = os.pipe()  # its reader gone before the tool starts: the first write fails
        os.close(reader)
        out = {"full": os.open("/dev/full", os.O_WRONLY), "pipe": pipe, "pipe-sigpipe-ignored": pipe}
        # subprocess sets SIGPIPE back to its default in the child.
        child = {"closed": lambda: os.close(1),
                 "pipe-sigpipe-ignored": lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN)}.get(to)
        # A real pipe on standard input, as in `cat FILE | pelnor /dev/stdin`.
        cat = ["sh", "-c", 'cat "$0" | "$@"', stdin] if stdin else []
        with subprocess.Popen(cat + opt.tool + args, cwd=work, stdout=out.get(to, subprocess.PIPE),
                              stderr=subprocess.PIPE, preexec_fn=child, start_new_session=True) as run:
            [os.close(fd) for fd in set(out.values())]
            try:
                stdout, stderr = run.communicate(timeout=opt.timeout)
            except subprocess.TimeoutExpired:
                os.killpg(run.pid, signal.SIGKILL)
                sys.exit(f"{case.name}: no end within {opt.timeout} s")
        for path, writer in feeds:  # a pipe the tool never opened holds its writer: let it go
            os.close(os.open(path, os.O_RDONLY | os.O_NONBLOCK))
            writer.join()
        got = {"stdout": stdout or b"", "stderr": stderr, "status": b"%d\n" % run.returncode}
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
        want = read(case / ("windows-" * opt.windows + key), read(case / key, default))
        if opt.windows and key != "status":
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
