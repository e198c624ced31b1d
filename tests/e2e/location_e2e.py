#!/usr/bin/env python3
"""End-to-end scenarios of the Location dialog in the live program: `tickwell`
under Xvfb against the HTTPS fake of the weather service, which serves
Fakeville for every station but KBOS and Boston for KBOS, with readings that
differ on every readout.

    location_e2e.py --build build/linux [--port 18500] [--display :64]
                    [--shot build/e2e-shots/location-linux.png]

Standard library only; the fake, the program runs and the readout checks
come from live_e2e.py.
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from live_e2e import (  # noqa: E402
    FAKE_READOUTS, Fake, Run, parse_options, readout_mismatches, run_suite)
from tickwell_e2e import SCREEN_WIDTH, FileSettings, check, wait_until  # noqa: E402


# Boston's observation: 20.0 C, dew point 10.0 C, 52.5 %, 101100 Pa.
BOSTON_READOUTS = [("68o", 15), ("053", 45), ("29.85", 75), ("50o", 115)]
DIALOG = "Tickwell Location"
# The first-time hint's start, in the ticker until a place was chosen.
HINT = "RIGHT-CLICK"
# Values of the five settings a user had before choosing a place; the
# choice must leave them as they are.
EARLIER_SETTINGS = "Interval=4800\nOutlook=1\nWinX=40\nWinY=30\nFast=1\n"


def stored_text(home):
    """The settings file's name=value pairs, as text."""
    values = {}
    path = FileSettings(home).path
    if os.path.exists(path):
        with open(path, encoding="utf-8") as handle:
            for line in handle:
                if "=" in line and not line.startswith("#"):
                    name, value = line.rstrip("\n").split("=", 1)
                    values[name.strip()] = value.strip()
    return values


def write_settings(home, text):
    path = FileSettings(home).path
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii") as handle:
        handle.write(text)


def open_location(run, origin):
    """Right-click, the menu's last item (its access key), and the dialog's
    geometry once it is up, with the pointer over its search field (without
    a window manager the keyboard follows the pointer)."""
    desktop = run.context.desktop
    desktop.click(*run.client(origin, (100, 30)), button=3)
    time.sleep(0.5)
    desktop.keys("l")
    dialog = desktop.wait_for_window(DIALOG, timeout=5)
    geometry = desktop.geometry(dialog)
    x, y, width, _ = geometry
    desktop.mouse_move(x + width // 2, y + geometry[3] // 8)
    time.sleep(0.2)
    return geometry


def dialog_closed(desktop):
    return wait_until(lambda: not desktop.find_windows(DIALOG), 5)


def asked_for(fake, station):
    return [t for _, t, _ in fake.requests() if t.startswith(f"/stations/{station}/")]


def find_lines(context, query):
    """What `tickwell --find` lists for `query`: the dialog's lines."""
    result = subprocess.run([context.options.program, "--find", query], capture_output=True,
                            text=True, timeout=10)
    return result.stdout.splitlines()


# ---------------------------------------------------------------------------
# Scenarios

def scenario_boston(context):
    """A first-time user: right-click, Location..., "boston", Enter: KBOS saved
    beside the other settings, asked of the fake, and its readings shown."""
    context.fake.scenario("ok")
    home = os.path.join(context.work, "boston")
    write_settings(home, EARLIER_SETTINGS)
    run = Run(context, "boston")
    origin = run.window()
    run.shows(origin, FAKE_READOUTS)
    check(HINT in run.page("forecast.txt"), "no station was ever chosen, yet the ticker has no hint")
    x, y, width, height = open_location(run, origin)
    context.desktop.type_text("boston")
    time.sleep(0.8)
    if context.options.shot:
        os.makedirs(os.path.dirname(os.path.abspath(context.options.shot)), exist_ok=True)
        left, top = max(x - 20, 0), max(y - 20, 0)
        context.desktop.save_screenshot(context.options.shot,
                                        crop=(width + 40, height + 40, left, top))
    context.desktop.keys("Return")
    check(dialog_closed(context.desktop), "the dialog did not close on Enter")
    check(wait_until(lambda: stored_text(home).get("Station") == "KBOS", 5),
          f"the settings hold {stored_text(home)}, not Station=KBOS")
    run.shows(origin, BOSTON_READOUTS, timeout=20)
    check(asked_for(context.fake, "KBOS"), "the fake was not asked for KBOS")
    forecast = run.page("forecast.txt")
    check("BOSTON" in forecast.upper(), "the forecast page is not Boston's")
    check(HINT not in forecast, "the hint stays after a place was chosen")
    run.close(origin)
    saved = stored_text(home)
    for line in EARLIER_SETTINGS.split():
        name, value = line.split("=")
        if name not in ("WinX", "WinY"):  # the window's place is saved anew at exit
            check(saved.get(name) == value, f"{name} is {saved.get(name)}, not {value}")
    check(saved.get("Station") == "KBOS", f"Station is {saved.get('Station')} after the exit")
    return f"{len(asked_for(context.fake, 'KBOS'))} KBOS requests"


def scenario_keys(context):
    """Escape changes nothing; Down Down Enter takes the second match; a
    nonsense text leaves the dialog open, and Escape then closes it."""
    context.fake.scenario("ok")
    lines = find_lines(context, "boston")
    check(len(lines) >= 2, f"`tickwell --find boston` lists {lines}")
    second = lines[1].split()[0]
    run = Run(context, "keys", ["--station", "KXYZ"])
    home = run.home
    origin = run.window()
    run.shows(origin, FAKE_READOUTS)
    check(HINT not in run.page("forecast.txt"), "a hint although --station chose a place")

    open_location(run, origin)
    context.desktop.type_text("boston")
    context.desktop.keys("Escape")
    check(dialog_closed(context.desktop), "Escape did not close the dialog")
    time.sleep(0.5)
    check(stored_text(home).get("Station") == "KXYZ", f"Escape saved {stored_text(home)}")

    open_location(run, origin)
    context.desktop.type_text("@@@")
    context.desktop.keys("Return")
    time.sleep(0.5)
    check(context.desktop.find_windows(DIALOG), "Enter on nonsense closed the dialog")
    context.desktop.keys("ctrl+a", "BackSpace")
    context.desktop.type_text("boston")
    time.sleep(0.3)
    context.desktop.keys("Down", "Down", "Return")
    check(dialog_closed(context.desktop), "Enter did not close the dialog")
    check(wait_until(lambda: stored_text(home).get("Station") == second, 5),
          f"the settings hold {stored_text(home)}, not Station={second}")
    check(wait_until(lambda: asked_for(context.fake, second), 10),
          f"the fake was not asked for {second}")
    run.close(origin)
    return f"second match {second}"


def scenario_during_fetch(context):
    """Boston chosen while a slow refresh of Fakeville still runs: from the
    choice on, the window never shows Fakeville's readings again, and then
    shows Boston's."""
    context.fake.scenario("ok")
    run = Run(context, "during", ["--station", "KXYZ"])
    origin = run.window()
    run.shows(origin, FAKE_READOUTS)
    time.sleep(2.2)  # past the request spacing, so the refresh asks the fake
    context.fake.delay(2)
    context.fake.scenario("slow")
    run.update_now(origin)
    time.sleep(0.5)
    open_location(run, origin)
    context.desktop.type_text("boston")
    context.desktop.keys("Return")
    check(dialog_closed(context.desktop), "the dialog did not close on Enter")
    context.fake.scenario("ok")
    old_seen = 0
    boston = False
    deadline = time.monotonic() + 25
    while time.monotonic() < deadline and not boston:
        shot = context.desktop.screenshot()
        old_seen += not readout_mismatches(shot, origin, FAKE_READOUTS)
        boston = not readout_mismatches(shot, origin, BOSTON_READOUTS)
        time.sleep(0.1)
    check(old_seen == 0, f"Fakeville's readings were shown {old_seen} time(s) after the choice")
    check(boston, "Boston's readings did not appear")
    run.close(origin)


def scenario_scaled(context):
    """At a scale of 2 the dialog is twice as large."""
    context.fake.scenario("ok")
    run = Run(context, "scaled", ["--station", "KXYZ"], {"TICKWELL_SCALE": "2"})
    desktop = context.desktop
    window = desktop.wait_for_window("Tickwell")
    x, y, width, height = desktop.geometry(window)
    check((width, height) == (400, 90), f"the window is {width}x{height} at scale 2")
    desktop.click(x + 200, y + 60, button=3)
    time.sleep(0.5)
    desktop.keys("l")
    dialog = desktop.wait_for_window(DIALOG, timeout=5)
    dialog_x, _, dialog_width, dialog_height = desktop.geometry(dialog)
    # Twice 460x260, narrowed to this small screen, all of it on the screen.
    expected = (min(920, SCREEN_WIDTH - 2), 520)
    check((dialog_width, dialog_height) == expected,
          f"the dialog is {dialog_width}x{dialog_height} at scale 2, not {expected}")
    check(0 <= dialog_x and dialog_x + dialog_width <= SCREEN_WIDTH,
          f"the dialog reaches off the screen at x {dialog_x}")
    desktop.keys("Escape")
    check(dialog_closed(desktop), "Escape did not close the dialog")
    run.kill()


SCENARIOS = [
    ("boston", scenario_boston),
    ("keys", scenario_keys),
    ("during-fetch", scenario_during_fetch),
    ("scaled", scenario_scaled),
]


class LocationFake(Fake):
    def delay(self, seconds):
        import urllib.request
        url = f"https://127.0.0.1:{self.port}/_fake/delay?seconds={seconds}"
        with urllib.request.urlopen(url, context=self.context, timeout=5) as answer:
            check(answer.read().strip() == b"ok", "the fake refused the delay")


def main():
    options = parse_options(__doc__, port=18500, add_arguments=lambda parser: parser.add_argument(
        "--shot", help="where to save a picture of the open dialog"))
    return run_suite(options, SCENARIOS, "location", "location-", fake_class=LocationFake)


if __name__ == "__main__":
    sys.exit(main())
