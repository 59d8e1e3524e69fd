#!/usr/bin/env python3
"""The backup engine against references, under Wine, on two trees made here.

Trees: 10,000 small files (1 to 8 KiB) in 200 folders four levels deep, and 20 files of 50 MiB.
For each tree, every run copying into a new folder: `corvctl run` of a task over the tree,
Wine's `xcopy /s /e /i /y`, the run as first described written literally (engine_reference.exe: ANSI
functions, a search of every folder level before each copy, CopyFileA), and native `cp -a` as the
machine's limit. Prints files per second, MB per second and ratios. Not a test; nothing asserts.

    bench/engine_bench.py [--build DIR] [--scratch DIR] [--repeat N] [--trees small,large] [--threads N] [--quick]

DIR must hold a Windows build with corvctl.exe and bench/engine_reference.exe (the script builds both).
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import time

ENGINE = "  the run inside it"
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def wine_environment(build):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": os.path.join(build, "wineprefix"),
        "WINEARCH": "win64",
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d",
        "LC_ALL": "zh_CN.UTF-8",
    })
    env.pop("DISPLAY", None)
    return env


def start_wine(env):
    """A persistent server and a booted prefix, made here so that no lock or pipe of ours is inherited."""
    os.makedirs(env["WINEPREFIX"], exist_ok=True)
    subprocess.run(["/usr/lib/wine/wineserver", "-p"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, close_fds=True)
    subprocess.run(["/usr/lib/wine/wine64", "wineboot"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, close_fds=True)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def make_small_tree(root):
    rng = random.Random(1)
    count = 0
    for a in range(2):
        for b in range(4):
            for c in range(5):
                for d in range(5):
                    folder = os.path.join(root, f"a{a}", f"b{b}", f"c{c}", f"d{d}")
                    os.makedirs(folder)
                    for f in range(50):
                        with open(os.path.join(folder, f"file{f}.dat"), "wb") as out:
                            out.write(rng.randbytes(rng.randint(1024, 8192)))
                        count += 1
    return count


def make_large_tree(root):
    os.makedirs(root)
    block = random.Random(2).randbytes(1 << 20)
    for f in range(20):
        with open(os.path.join(root, f"large{f}.bin"), "wb") as out:
            for i in range(50):
                out.write(block[i:] + block[:i])  # no two MiB alike
    return 20


def tree_bytes(root):
    return sum(os.path.getsize(os.path.join(d, f)) for d, _, files in os.walk(root) for f in files)


def files_below(root):
    return sum(len(files) for _, _, files in os.walk(root))


def task_file(path, source, destination):
    text = ("[task]\r\nnumber=1\r\n[1]\r\non=1\r\nname=bench\r\n"
            f"source=1\r\nsource1={windows_path(source)}\r\nfiletype=1\r\nfiletype1=*.*\r\n"
            f"dest=1\r\ndest1={windows_path(destination)}\r\n")
    with open(path, "wb") as out:
        out.write(text.encode("ascii"))


def timed(command, env=None):
    start = time.perf_counter()
    done = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, close_fds=True)
    seconds = time.perf_counter() - start
    return seconds, done.returncode, done.stdout.decode("utf-8", "replace")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "windows"))
    parser.add_argument("--scratch", default="/tmp/corvallo-engine-bench")
    parser.add_argument("--repeat", type=int, default=1, help="runs of each method; the fastest counts")
    parser.add_argument("--trees", default="small,large", help="which trees to measure")
    parser.add_argument("--threads", type=int, help="copy threads for corvctl run (default: its own)")
    parser.add_argument("--quick", action="store_true", help="leave out the literal reference (minutes on the small tree)")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)

    subprocess.run(["cmake", "--preset", "windows", "-B", args.build], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", args.build, "-j2", "--target", "corvctl", "engine_reference"], cwd=ROOT,
                   check=True, stdout=subprocess.DEVNULL)
    corvctl = os.path.join(args.build, "cli", "corvctl.exe")
    reference = os.path.join(args.build, "bench", "engine_reference.exe")
    env = wine_environment(args.build)
    start_wine(env)
    wine = "/usr/lib/wine/wine64"

    shutil.rmtree(args.scratch, ignore_errors=True)
    os.makedirs(args.scratch)
    # The small tree's copies are kept until its rounds are over, each in a folder of its own: a file system may
    # pass over inodes freed in the last minutes whenever it makes a file (ext4 without a journal does, for up to
    # five minutes), so removing 10,000 files before a run would slow that run, and more so each round. The large
    # tree's copies are few files and much space: each goes right after its run.
    trees = [(name, make, keep)
             for name, make, keep in (("small", make_small_tree, True), ("large", make_large_tree, False))
             if name in args.trees.split(",")]
    print(f"{'tree':6} {'method':22} {'files':>6} {'seconds':>8} {'files/s':>9} {'MB/s':>8} {'on disk':>9}")
    for name, make, keep in trees:
        source = os.path.join(args.scratch, name)
        count = make(source)
        megabytes = tree_bytes(source) / 1e6
        ini = os.path.join(args.scratch, "bench.ini")

        def corvallo_run(out):
            task_file(ini, source, out)
            threads = ["--threads", str(args.threads)] if args.threads else []
            return [wine, corvctl, "run", "1", "--ini", windows_path(ini)] + threads, env

        methods = [
            ("corvctl run", corvallo_run),
            ("xcopy /s /e /i /y", lambda out: ([wine, "xcopy", "/s", "/e", "/i", "/y", windows_path(source),
                                                windows_path(os.path.join(out, name))], env)),
            ("literal reference", lambda out: ([wine, reference, windows_path(source), windows_path(out)], env)),
            ("cp -a (native)", lambda out: (["cp", "-a", source, os.path.join(out, name)], None)),
        ]
        if args.quick:
            methods = [m for m in methods if m[0] != "literal reference"]
        best, on_disk = {}, {}
        outputs = []
        for round in range(args.repeat):
            # The order turns each round, so that no method always follows the same one.
            for label, prepare in methods[round % len(methods):] + methods[:round % len(methods)]:
                out = os.path.join(args.scratch, f"out-{name}-{len(outputs)}")
                outputs.append(out)
                os.makedirs(out)
                subprocess.run(["sync"])
                command, command_env = prepare(out)
                seconds, code, output = timed(command, command_env)
                # Until the copies are on the disk: the other methods leave that to the system, and corvctl's flush
                # of its task file need not include them either.
                flushed = seconds + timed(["sync"])[0]
                copied = files_below(out)
                if copied != count:
                    # A method that did not copy the whole tree has no figure.
                    print(f"  {label}: copied {copied} of {count} files (exit {code})\n{output}", file=sys.stderr)
                    seconds = flushed = float("nan")
                best[label] = min(best.get(label, seconds), seconds)
                on_disk[label] = min(on_disk.get(label, flushed), flushed)
                # Every run's figure, for a report that gives more than the fastest.
                print(f"# {name} round {round + 1}: {label} {seconds:.2f} s, on disk {flushed:.2f} s", file=sys.stderr)
                if label == "corvctl run":
                    # The run's own time, without start-up and the task file's save (whose flush may wait for
                    # copied data to reach the disk).
                    inside = float(output.split("seconds ")[1].split()[0]) if "seconds " in output else float("nan")
                    if copied != count:
                        inside = float("nan")
                    best[ENGINE] = min(best.get(ENGINE, inside), inside)
                if not keep:
                    shutil.rmtree(out)
        for out in outputs:
            shutil.rmtree(out, ignore_errors=True)
        for label in [label for label, _ in methods[:1]] + [ENGINE] + [label for label, _ in methods[1:]]:
            seconds = best[label]
            flushed = on_disk.get(label, float("nan"))
            print(f"{name:6} {label:22} {count:6} {seconds:8.2f} {count / seconds:9.0f} {megabytes / seconds:8.1f}"
                  f" {flushed:9.2f}")
        nan = float("nan")
        for label, times in (("corvctl run", best), (ENGINE, best), ("corvctl run, on disk", on_disk)):
            ours = times[label.split(",")[0]]
            print(f"{name:6} {label} against: literal reference {times.get('literal reference', nan) / ours:.2f}x, "
                  f"xcopy {times['xcopy /s /e /i /y'] / ours:.2f}x, native cp -a {times['cp -a (native)'] / ours:.2f}x "
                  f"(above 1: ours is faster)")
        shutil.rmtree(source)
    shutil.rmtree(args.scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
