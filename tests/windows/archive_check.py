#!/usr/bin/env python3
"""Checks a zip archive the way other programs will read it: Python's zipfile tests every entry's CRC,
`unzip -t` tests it again, and the entry names must equal the lines of an expected-names file (UTF-8).

usage: archive_check.py ARCHIVE [EXPECTED_NAMES]
       archive_check.py --export FOLDER -- COMMAND...
The second form empties FOLDER, runs COMMAND (a Windows test under Wine) with CORVALLO_ARCHIVE_EXPORT
set to FOLDER's Windows name, and checks the archive.zip and names.txt it must leave there.
Exit status 0 when every check passes; the reasons otherwise.
"""
import os
import shutil
import subprocess
import sys
import zipfile


def check(archive, expected_names=None):
    problems = []
    try:
        with zipfile.ZipFile(archive) as z:
            bad = z.testzip()
            if bad is not None:
                problems.append(f"zipfile: bad CRC or data in {bad!r}")
            names = z.namelist()
    except (OSError, zipfile.BadZipFile, UnicodeDecodeError) as e:
        return [f"zipfile cannot read {archive}: {e}"]

    if expected_names is not None:
        with open(expected_names, encoding="utf-8") as f:
            expected = [line.rstrip("\n") for line in f if line.rstrip("\n")]
        if names != expected:
            problems.append(f"names differ:\n  archive:  {names}\n  expected: {expected}")

    unzip = shutil.which("unzip")
    if unzip is None:
        problems.append("unzip is not installed")
    elif names:  # unzip calls an empty archive a warning
        run = subprocess.run([unzip, "-t", "-qq", archive], capture_output=True)
        if run.returncode != 0:
            output = (run.stdout + run.stderr).decode("utf-8", "replace")
            problems.append(f"unzip -t exit status {run.returncode}: {output}")
    if not problems:
        print(f"ok: {len(names)} entries; zipfile.testzip() and unzip -t found nothing wrong")
    return problems


def export_and_check(folder, command):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    env = dict(os.environ)
    # Wine's drive Z: is the Unix root.
    env["CORVALLO_ARCHIVE_EXPORT"] = "Z:" + os.path.abspath(folder).replace("/", "\\")
    run = subprocess.run(command, env=env)
    if run.returncode != 0:
        return [f"{command[1] if len(command) > 1 else command[0]} failed with exit status {run.returncode}"]
    archive = os.path.join(folder, "archive.zip")
    names = os.path.join(folder, "names.txt")
    if not os.path.exists(archive) or not os.path.exists(names):
        return [f"the test left no archive.zip and names.txt in {folder}"]
    return check(archive, names)


def main(argv):
    if len(argv) >= 4 and argv[1] == "--export" and argv[3] == "--":
        problems = export_and_check(argv[2], argv[4:])
    elif len(argv) in (2, 3) and not argv[1].startswith("--"):
        problems = check(argv[1], argv[2] if len(argv) > 2 else None)
    else:
        print(__doc__)
        return 2
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
