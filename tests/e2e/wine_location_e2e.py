#!/usr/bin/env python3
"""The Location dialog and `--station` of the Windows program under Wine:
tickwell.exe on the live source against the HTTPS fake of the weather
service, which serves Fakeville for every station but KBOS and Boston for
KBOS, with readings that differ on every readout.

    wine_location_e2e.py --program build/win32/tickwell.exe \\
                         --fake build/linux/tools/tickwell-nws-fake \\
                         --make-cert tools/nws_fake/make_test_cert.sh \\
                         [--shot build/e2e-shots/location-windows.png]

Run it through tests/e2e/wine_run.sh, which builds the programs and sets up
the Wine environment (WINEPREFIX and friends must be exported). The
program's registry key is cleared before each scenario. Standard library
only; the fake, the registry and the readout checks come from
wine_live_e2e.py.
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tickwell_e2e as e2e  # noqa: E402
from wine_live_e2e import (  # noqa: E402
    LIVE_READOUTS, SETTING_NAMES, Context, parse_wine_options, readout_mismatches,
    run_wine_suite)

# Boston's observation: 20.0 C, dew point 10.0 C, 52.5 %, 101100 Pa.
BOSTON_READOUTS = [("68o", 15), ("053", 45), ("29.85", 75), ("50o", 115)]
DIALOG = "Tickwell Location"
ERROR_BOX = "Tickwell Error"
# The first-time hint's start, in the ticker until a place was chosen.
HINT = "RIGHT-CLICK"


class LocationContext(Context):
    def start_with(self, arguments, extra_environment=None):
        """The program with command-line arguments, started as
        Context.start starts it."""
        environment = dict(self.environment, **(extra_environment or {}))
        for key in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy"):
            environment.pop(key, None)
        log = open(os.path.join(self.work, "program.log"), "ab")
        process = subprocess.Popen(["wine", self.options.program, *arguments], env=environment,
                                   stdout=log, stderr=subprocess.STDOUT)
        self.processes.append(process)
        return process

    def page(self, name):
        path = os.path.join(self.work, "pages", name)
        try:
            with open(path, encoding="latin-1") as page:
                return page.read()
        except FileNotFoundError:
            return ""

    def shows(self, origin, readouts, name, timeout=30):
        def shown():
            return not readout_mismatches(self.desktop.screenshot(), origin, readouts)
        if not e2e.wait_until(shown, timeout, interval=0.5):
            self.desktop.save_screenshot(os.path.join(self.work, f"{name}-failed.png"))
            wrong = readout_mismatches(self.desktop.screenshot(), origin, readouts)
            raise e2e.Failure(f"{name}: readings not shown: {wrong[:4]} ({len(wrong)} wrong)")

    def station(self):
        return self.registry.values().get("Station")

    def dismiss_error_box(self, timeout=30):
        """The text of the "Tickwell Error" box's window, after pressing its
        OK; fails when no box comes."""
        box = self.desktop.wait_for_window(ERROR_BOX, timeout=timeout)
        x, y, width, height = self.desktop.geometry(box)
        # Without a window manager the keyboard follows the pointer.
        self.desktop.mouse_move(x + width // 2, y + height // 2)
        time.sleep(0.3)
        self.desktop.keys("Return")
        e2e.check(e2e.wait_until(lambda: not self.desktop.find_windows(ERROR_BOX), 10),
                  "the error box did not close")


def asked_for(fake, station):
    return [target for _, target, _ in fake.requests()
            if target.startswith(f"/stations/{station}/")]


def open_location(context, origin):
    """Right-click, the menu's last item by its access key, and the
    dialog's geometry once it is up, with the pointer over it."""
    desktop = context.desktop
    desktop.click(origin[0] + e2e.BORDER + 100, origin[1] + e2e.BORDER + 30, button=3)
    time.sleep(0.8)
    desktop.keys("l")
    dialog = desktop.wait_for_window(DIALOG, timeout=15)
    x, y, width, height = desktop.geometry(dialog)
    desktop.mouse_move(x + width // 2, y + height // 6)
    time.sleep(0.3)
    return x, y, width, height


def dialog_closed(desktop):
    return e2e.wait_until(lambda: not desktop.find_windows(DIALOG), 10)


# ---------------------------------------------------------------------------
# Scenarios

def scenario_boston(context):
    """A first-time user: right-click, Location..., "boston", Enter: KBOS in
    the registry beside the five numbers, asked of the fake, its readings
    shown, and the hint gone."""
    fake = context.fake("ok")
    process = context.start_with([], context.live_environment(fake))
    origin = context.main_window()
    context.shows(origin, LIVE_READOUTS, "first")
    e2e.check(HINT in context.page("forecast.txt"),
              "no station was ever chosen, yet the ticker has no hint")
    x, y, width, height = open_location(context, origin)
    context.desktop.type_text("boston")
    time.sleep(1.5)
    if context.options.shot:
        os.makedirs(os.path.dirname(os.path.abspath(context.options.shot)), exist_ok=True)
        context.desktop.save_screenshot(context.options.shot,
                                        crop=(width + 40, height + 40, max(x - 20, 0),
                                              max(y - 20, 0)))
    context.desktop.keys("Return")
    e2e.check(dialog_closed(context.desktop), "the dialog did not close on Enter")
    e2e.check(e2e.wait_until(lambda: context.station() == ("REG_SZ", "KBOS"), 10),
              f"the registry holds {context.registry.values()}, not Station=KBOS")
    context.shows(origin, BOSTON_READOUTS, "boston")
    e2e.check(asked_for(fake, "KBOS"), "the fake was not asked for KBOS")
    e2e.check(e2e.wait_until(lambda: HINT not in context.page("forecast.txt"), 10),
              "the hint stays after a place was chosen")
    context.close(process, origin)
    values = context.registry.values()
    for name in SETTING_NAMES:
        e2e.check(values.get(name, ("",))[0] == "REG_DWORD", f"{name} is not a REG_DWORD: {values}")
    e2e.check(values.get("Station") == ("REG_SZ", "KBOS"), f"Station after the exit: {values}")
    return f"{len(asked_for(fake, 'KBOS'))} KBOS requests"


def scenario_escape(context):
    """Escape in the dialog changes nothing."""
    context.registry.set_station("KXYZ")
    fake = context.fake("ok")
    process = context.start_with([], context.live_environment(fake))
    origin = context.main_window()
    context.shows(origin, LIVE_READOUTS, "escape")
    open_location(context, origin)
    context.desktop.type_text("boston")
    context.desktop.keys("Down", "Escape")
    e2e.check(dialog_closed(context.desktop), "Escape did not close the dialog")
    time.sleep(1)
    e2e.check(context.station() == ("REG_SZ", "KXYZ"), f"Escape saved {context.station()}")
    e2e.check(not asked_for(fake, "KBOS"), "the fake was asked for KBOS after Escape")
    context.close(process, origin)


def scenario_station_option(context):
    """`tickwell.exe --station kbos` saves KBOS and shows Boston; an id the
    service does not know is refused in a message box and the old station
    stays; a malformed id or an unknown option: a message box, exit code 2,
    no window."""
    fake = context.fake("ok")
    process = context.start_with(["--station", "kbos"], context.live_environment(fake))
    origin = context.main_window()
    e2e.check(context.station() == ("REG_SZ", "KBOS"), f"the registry holds {context.station()}")
    context.shows(origin, BOSTON_READOUTS, "option")
    e2e.check(HINT not in context.page("forecast.txt"), "a hint although --station chose a place")
    context.close(process, origin)

    process = context.start_with(["--station", "KNONE"], context.live_environment(fake))
    context.dismiss_error_box()
    origin = context.main_window()
    e2e.check(context.station() == ("REG_SZ", "KBOS"), f"KNONE replaced KBOS: {context.station()}")
    context.shows(origin, BOSTON_READOUTS, "unknown")
    context.close(process, origin)

    for arguments in (["--station", "K$$"], ["--colour", "red"]):
        process = context.start_with(arguments, context.live_environment(fake))
        context.dismiss_error_box()
        try:
            code = process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            raise e2e.Failure(f"{arguments}: the program did not end after its error box")
        e2e.check(code == 2, f"{arguments}: exit code {code}, not 2")
        e2e.check(not context.desktop.find_windows("Tickwell"), f"{arguments}: a window opened")
    e2e.check(context.station() == ("REG_SZ", "KBOS"), f"a mistake changed {context.station()}")


SCENARIOS = [
    ("boston", scenario_boston),
    ("escape", scenario_escape),
    ("station-option", scenario_station_option),
]


def main():
    options = parse_wine_options(
        __doc__, lambda parser: parser.add_argument(
            "--shot", help="where to save a picture of the open dialog"))
    return run_wine_suite(options, SCENARIOS, LocationContext, "location", label="location ",
                          scenario_prefix="wine-location-")

if __name__ == "__main__":
    sys.exit(main())
