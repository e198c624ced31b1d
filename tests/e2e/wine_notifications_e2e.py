#!/usr/bin/env python3
"""The warnings' balloons of the Windows program under Wine, counted in
Wine's own notification area: an explorer.exe run as a virtual desktop with
WINEDEBUG=+tooltips logs the title of every balloon it shows. Against the
HTTPS fake's first storm step (a Tornado Warning, one Severe Thunderstorm
Warning under two ids, a Wind Advisory) one balloon each warning and none
for the advisory; after a restart none. The icon shows the temperature
(a screenshot of the notification area is saved) and is gone after the
close. With a stand-in of the shell: the icon comes back when a restarted
Explorer announces itself (TaskbarCreated) after the notification area lost
it, and a click on the icon, or on a balloon, brings the ticker to the
front, also when it was minimised behind another program's window.

    wine_notifications_e2e.py --program build/win64/tickwell.exe \\
        --fake build/linux/tools/tickwell-nws-fake \\
        --make-cert tools/nws_fake/make_test_cert.sh \\
        --shell-standin build/win64/tests/tickwell-shell-standin.exe [--shot tray.png]

Run it through tests/e2e/wine_run.sh (WINEPREFIX and friends exported). It
stops the prefix's wineserver first: the explorer must be the first
program of a fresh server to take its WINEDEBUG.
"""

import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tickwell_e2e as e2e  # noqa: E402
from live_e2e import FixedXvfb  # noqa: E402
from wine_live_e2e import Fake, Registry  # noqa: E402

DESKTOP = "/desktop=tickwell,800x600"
# The notification area: the bottom right corner of the virtual desktop.
TRAY = (740, 578, 60, 22)
DIGIT = (0xE6, 0xFF, 0x32)
WARNINGS = ["Severe Thunderstorm Warning", "Tornado Warning"]
TITLE = "Tickwell"
COVER = "Another program"
# The program's icon and the message the notification area calls it back
# with (WM_APP + 29), and the balloon's click as that message carries it.
TRAY_ID = 1
TRAY_MESSAGE = 0x8000 + 29
NIN_BALLOONUSERCLICK = 0x0405
WM_CLOSE = 0x0010


def balloon_titles(log):
    with open(log, encoding="utf-8", errors="replace") as handle:
        return re.findall(r'TOOLTIPS_SetTitleT hwnd = \w+, title = L"([^"]*)"', handle.read())


def balloon_flags(log):
    """{title: the balloon's flags}: Wine logs NIIF_* as the tooltip's icon."""
    with open(log, encoding="utf-8", errors="replace") as handle:
        return {title: int(icon, 16) for title, icon in re.findall(
            r'TOOLTIPS_SetTitleT hwnd = \w+, title = L"([^"]*)", icon = (\w+)', handle.read())}


def digit_pixels_in_tray(desktop):
    shot = desktop.screenshot()
    x0, y0, width, height = TRAY
    return [(x, y) for y in range(y0, y0 + height) for x in range(x0, x0 + width)
            if e2e.pixel(shot, x, y) == DIGIT]


def digits_in_tray(desktop):
    return len(digit_pixels_in_tray(desktop))


class Shell:
    """Programs started into the program's virtual desktop, where its window
    is: the shell's stand-in, and the message poster."""

    def __init__(self, options, environment, work):
        self.options = options
        self.environment = environment
        self.work = work

    def start(self, program, *arguments):
        return subprocess.Popen(["wine", "explorer.exe", DESKTOP, program, *arguments],
                                env=self.environment, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def run(self, program, *arguments):
        self.start(program, *arguments).wait(timeout=30)

    def standin(self, *arguments):
        self.run(self.options.shell_standin, *arguments)

    def look(self):
        """{"front": the foreground window's title, "minimized": "0" or "1"}."""
        path = os.path.join(self.work, "look.txt")
        if os.path.exists(path):
            os.remove(path)
        self.standin("look", TITLE, "Z:" + path.replace("/", "\\"))
        e2e.wait_until(lambda: os.path.exists(path), 10, 0.2)
        time.sleep(0.2)
        try:
            with open(path, encoding="utf-8", errors="replace") as handle:
                return dict(line.split("=", 1) for line in handle.read().splitlines()
                            if "=" in line)
        except OSError:
            return {}

    def in_front(self, title, minimized="0"):
        look = self.look()
        return look.get("front") == title and look.get("minimized") == minimized

    def post(self, message, wparam, lparam, title=TITLE):
        self.run(self.options.post_message, title, str(message), str(wparam), str(lparam))


def icon_comes_back_after_explorer_restart(shell, desktop):
    """Explorer ending takes the icons with it; the program adds its icon
    again when the new Explorer announces itself, not before."""
    shell.standin("forget", TITLE, str(TRAY_ID))
    e2e.check(e2e.wait_until(lambda: digits_in_tray(desktop) == 0, 10),
              "the stand-in of the shell could not take the icon out")
    time.sleep(3)
    e2e.check(digits_in_tray(desktop) == 0, "the icon came back with no TaskbarCreated")
    shell.standin("taskbar-created")
    e2e.check(e2e.wait_until(lambda: digits_in_tray(desktop) > 20, 10),
              "the icon did not come back after TaskbarCreated")


def clicks_bring_the_ticker_to_the_front(shell, desktop):
    """A click on the icon (in Wine's own notification area) or on a balloon
    brings the ticker to the front: minimised behind another program's
    window, and then only behind it."""
    cover = shell.start(shell.options.shell_standin, "cover", COVER)
    e2e.check(e2e.wait_until(lambda: shell.in_front(COVER), 20, 0.5),
              f"the other program's window did not come to the front: {shell.look()}")
    shell.standin("minimize", TITLE)
    e2e.check(e2e.wait_until(lambda: shell.in_front(COVER, minimized="1"), 10, 0.5),
              f"the ticker was not minimised: {shell.look()}")
    digits = digit_pixels_in_tray(desktop)
    e2e.check(bool(digits), "no icon to click")
    x = sum(x for x, _ in digits) // len(digits)
    y = sum(y for _, y in digits) // len(digits)
    desktop.click(x, y)
    e2e.check(e2e.wait_until(lambda: shell.in_front(TITLE), 10, 0.5),
              f"a click on the icon left {shell.look()}")
    # Wine's balloons relay no click: the message posted as the shell sends it.
    covers = {COVER: cover,
              COVER + " again": shell.start(shell.options.shell_standin, "cover", COVER + " again")}
    e2e.check(e2e.wait_until(lambda: shell.in_front(COVER + " again"), 20, 0.5),
              f"the other program's window did not come to the front: {shell.look()}")
    shell.post(TRAY_MESSAGE, TRAY_ID, NIN_BALLOONUSERCLICK)
    e2e.check(e2e.wait_until(lambda: shell.in_front(TITLE), 10, 0.5),
              f"a click on the balloon left {shell.look()}")
    for title, process in covers.items():
        shell.post(WM_CLOSE, 0, 0, title=title)
        e2e.check(e2e.wait_until(lambda: process.poll() is not None, 10),  # noqa: B023
                  f"the window {title} did not close")


class Run:
    """The program started in Wine's virtual desktop; the launcher ends with it."""

    def __init__(self, options, environment, work):
        self.options = options
        self.environment = environment
        self.log = os.path.join(work, "explorer.log")

    def start(self):
        with open(self.log, "ab") as log:
            return subprocess.Popen(["wine", "explorer.exe", DESKTOP, self.options.program,
                                     "--station", "KXYZ"],
                                    env=self.environment, stdout=log, stderr=log)


def alert_requests(fake):
    return len([t for _, t, _ in fake.requests() if t.startswith("/alerts/active")])


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True)
    parser.add_argument("--fake", required=True)
    parser.add_argument("--make-cert", required=True)
    parser.add_argument("--shell-standin", required=True, help="tickwell-shell-standin.exe")
    parser.add_argument("--post-message", required=True, help="tickwell-post-message.exe")
    parser.add_argument("--shot", help="save a screenshot with the notification area here")
    parser.add_argument("--display", help="an X display number to start Xvfb on, e.g. :63")
    parser.add_argument("--keep", action="store_true")
    options = parser.parse_args()

    work = tempfile.mkdtemp(prefix="tickwell-wine-notifications-")
    certs = os.path.join(work, "certs")
    subprocess.run([options.make_cert, certs], check=True, stdout=subprocess.DEVNULL)
    xvfb = FixedXvfb(options.display) if options.display else e2e.Xvfb()
    desktop = e2e.Desktop(xvfb.display)
    base = dict(desktop.environment, **{key: os.environ[key] for key in
                ("WINEPREFIX", "WINEARCH", "WINELOADER", "WINEDLLOVERRIDES", "PATH")
                if key in os.environ})
    for key in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy"):
        base.pop(key, None)
    registry = Registry(dict(base, WINEDEBUG="-all"))
    fake = Fake(argparse.Namespace(fake=options.fake), certs, os.path.join(work, "fake.log"),
                "storm")
    environment = dict(base, WINEDEBUG="-all,+tooltips", TICKWELL_API_BASE=fake.base,
                       TICKWELL_CA_FILE=os.path.join(certs, "ca.pem"),
                       TICKWELL_REQUEST_SPACING="2")
    failed = False
    started = time.monotonic()
    try:
        registry.clear()
        prefix = os.environ.get("WINEPREFIX", "")
        for folder in glob.glob(os.path.join(prefix, "drive_c/users/*/AppData/Local/Tickwell")):
            shutil.rmtree(folder, ignore_errors=True)
        # A fresh server: the explorer that hosts the notification area
        # starts with the program, with its WINEDEBUG.
        subprocess.run(["wineserver", "-k"], env=base, capture_output=True)
        run = Run(options, environment, work)
        process = run.start()
        e2e.check(e2e.wait_until(lambda: sorted(balloon_titles(run.log)) == WARNINGS, 30, 0.5),
                  f"step 1: balloons {balloon_titles(run.log)}, not one each of {WARNINGS}")
        # NIIF_ERROR (3) for the Extreme warning, NIIF_WARNING (2) for the
        # Severe one, both with NIIF_RESPECT_QUIET_TIME (0x80).
        e2e.check(balloon_flags(run.log) == {"Tornado Warning": 0x83,
                                             "Severe Thunderstorm Warning": 0x82},
                  f"step 1: the balloons' flags are {balloon_flags(run.log)}")
        e2e.check(e2e.wait_until(lambda: digits_in_tray(desktop) > 20, 10),
                  "the notification area shows no temperature")
        if options.shot:
            os.makedirs(os.path.dirname(os.path.abspath(options.shot)), exist_ok=True)
            desktop.save_screenshot(options.shot)
        time.sleep(1)
        e2e.check(sorted(balloon_titles(run.log)) == WARNINGS,
                  f"step 1: balloons {balloon_titles(run.log)}")
        shell = Shell(options, environment, work)
        icon_comes_back_after_explorer_restart(shell, desktop)
        clicks_bring_the_ticker_to_the_front(shell, desktop)
        # Closed with its button (the window is at the desktop's top left).
        desktop.click(e2e.BORDER + e2e.CLOSE_BUTTON[0], e2e.BORDER + e2e.CLOSE_BUTTON[1])
        e2e.check(e2e.wait_until(lambda: process.poll() is not None, 10),
                  "the program did not end")
        e2e.check(e2e.wait_until(lambda: digits_in_tray(desktop) == 0, 5),
                  "the icon stayed in the notification area after the close")

        before = alert_requests(fake)
        process = run.start()
        e2e.check(e2e.wait_until(lambda: alert_requests(fake) > before, 20),
                  "the restarted program did not ask for the alerts")
        time.sleep(3)
        e2e.check(sorted(balloon_titles(run.log)) == WARNINGS,
                  f"a balloon after the restart: {balloon_titles(run.log)}")
        desktop.click(e2e.BORDER + e2e.CLOSE_BUTTON[0], e2e.BORDER + e2e.CLOSE_BUTTON[1])
        e2e.check(e2e.wait_until(lambda: process.poll() is not None, 10),
                  "the program did not end")
        print(f"PASS wine-notifications ({time.monotonic() - started:.1f} s)")
    except e2e.Failure as failure:
        failed = True
        desktop.save_screenshot(os.path.join(work, "failed.png"))
        print(f"FAIL wine-notifications: {failure}")
    finally:
        # The explorer ends with its server.
        subprocess.run(["wineserver", "-k"], env=base, capture_output=True)
        fake.stop()
        registry.clear()
        xvfb.stop()
        if options.keep or failed:
            print(f"work folder kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
