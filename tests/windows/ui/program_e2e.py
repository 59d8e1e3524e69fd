#!/usr/bin/env python3
"""Corvallo.exe end to end, as a user and the session see it, on the Wine virtual desktop:
starts hidden with the service on, comes up on Ctrl+Alt+1, and on log-off (wineboot --end-session)
saves its task file and ends without asking. Screenshots go to the build's screenshots folder.

Usage: program_e2e.py WINE_RUN PROGRAM DRIVER SCREENSHOTS
Runs in a Wine prefix of its own (the log-off ends every program of the prefix).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

TITLE = "Pennavo！（Corvallo）"


def main():
    wine_run, program, driver, screenshots = sys.argv[1:5]
    work = tempfile.mkdtemp(prefix="corvallo-e2e-")
    prefix = os.path.join(os.path.dirname(os.path.abspath(driver)), "e2e-wineprefix")
    env = dict(os.environ, CORVALLO_WINEPREFIX=prefix, CORVALLO_SCREENSHOT_DIR=screenshots)
    server = "/usr/lib/wine/wineserver"
    failures = []

    def check(ok, what):
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        if not ok:
            failures.append(what)

    def drive(*args):
        return subprocess.run([wine_run, driver, *args], env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=120).returncode

    try:
        folder = os.path.join(work, "Corvallo")
        os.makedirs(folder)
        shutil.copy(program, os.path.join(folder, "Corvallo.exe"))
        with open(os.path.join(folder, "quorvsetup.ini"), "wb") as f:
            f.write(b"[system]\r\nautostart=0\r\nautoon=1\r\nautohide=1\r\n")
        # Written by hand, with a comment the program's own save never writes.
        task_file = os.path.join(folder, "quorvtask.ini")
        with open(task_file, "wb") as f:
            f.write(b"; prepared by hand\r\n[task]\r\nnumber=1\r\n[1]\r\nname=e2e\r\non=1\r\ntype=3\r\n"
                    b"hours=23\r\nminutes=59\r\nsource=1\r\nsource1=C:\\\r\nfiletype=1\r\nfiletype1=*.none\r\n"
                    b"dest=1\r\ndest1=C:\\e2e-backup\\\r\n")

        # Every program of this prefix on a desktop named for this test, so that its X window cannot
        # be mistaken for another test's.
        for key, name, value in ((r"HKCU\Software\Wine\Explorer", "Desktop", "corvallo-e2e"),
                                 (r"HKCU\Software\Wine\Explorer\Desktops", "corvallo-e2e", "1024x768")):
            subprocess.run([wine_run, "reg", "add", key, "/v", name, "/d", value, "/f"], env=env, timeout=120,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        corvallo = subprocess.Popen([wine_run, os.path.join(folder, "Corvallo.exe")], env=env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        check(drive("wait", TITLE, "60000") == 0, "the main window is created")
        check(drive("hidden", TITLE) == 0, "autohide keeps it hidden at start")

        # The hot key reaches Wine only while its desktop window has the X keyboard focus.
        desktop = subprocess.run(["xdotool", "search", "--name", "^corvallo-e2e - Wine desktop$"],
                                 stdout=subprocess.PIPE, text=True).stdout.split()
        check(bool(desktop), "the Wine desktop window is there")
        if desktop:
            subprocess.run(["xdotool", "windowfocus", "--sync", desktop[0]], timeout=30)
            time.sleep(0.5)
            subprocess.run(["xdotool", "key", "ctrl+alt+1"], timeout=30)
            check(drive("wait-visible", TITLE, "10000") == 0, "Ctrl+Alt+1 shows the hidden window")
            try:
                subprocess.run(["import", "-window", desktop[0],
                                os.path.join(screenshots, "desktop-with-tray.png")], timeout=60)
            except subprocess.TimeoutExpired:
                print("note: no screenshot of the desktop", flush=True)

        subprocess.run([wine_run, "wineboot", "--end-session"], env=env, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            corvallo.wait(timeout=60)
        except subprocess.TimeoutExpired:
            check(False, "the program ends with the session")
        with open(task_file, "rb") as f:
            saved = f.read()
        check(b"prepared by hand" not in saved and b"name=e2e" in saved, "the session's end saved the task file")
        check(os.path.exists(task_file + ".bak"), "the save kept the previous file")
    finally:
        subprocess.run([server, "-k"], env=dict(env, WINEPREFIX=prefix), stderr=subprocess.DEVNULL)
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
