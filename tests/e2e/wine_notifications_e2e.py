#!/usr/bin/env python3
"""The warnings' balloons of the Windows program under Wine, counted in
Wine's own notification area: an explorer.exe run as a virtual desktop with
WINEDEBUG=+tooltips logs the title of every balloon it shows. Against the
HTTPS fake's first storm step (a Tornado Warning, one Severe Thunderstorm
Warning under two ids, a Wind Advisory) one balloon each warning and none
for the advisory; after a restart none. The icon shows the temperature
(a screenshot of the notification area is saved) and is gone after the
close.

    wine_notifications_e2e.py --program build/win64/tickwell.exe \\
        --fake build/linux/tools/tickwell-nws-fake \\
        --make-cert tools/nws_fake/make_test_cert.sh [--shot tray.png]

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


def balloon_titles(log):
    with open(log, encoding="utf-8", errors="replace") as handle:
        return re.findall(r'TOOLTIPS_SetTitleT hwnd = \w+, title = L"([^"]*)"', handle.read())


def balloon_flags(log):
    """{title: the balloon's flags}: Wine logs NIIF_* as the tooltip's icon."""
    with open(log, encoding="utf-8", errors="replace") as handle:
        return {title: int(icon, 16) for title, icon in re.findall(
            r'TOOLTIPS_SetTitleT hwnd = \w+, title = L"([^"]*)", icon = (\w+)', handle.read())}


def digits_in_tray(desktop):
    shot = desktop.screenshot()
    x0, y0, width, height = TRAY
    return sum(1 for y in range(y0, y0 + height) for x in range(x0, x0 + width)
               if e2e.pixel(shot, x, y) == DIGIT)


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
