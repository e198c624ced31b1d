#!/usr/bin/env python3
"""End-to-end scenarios of the user's units in the live program: `tickwell`
under Xvfb against the HTTPS fake of the weather service, with the units in
the settings file, from the locale (LC_ALL) and from the Units dialog;
checked through the readout pixels, the pages handed to the parsers
(TICKWELL_PAGE_DIR) and the fake's request log (the forecast asked for with
units=si exactly when the temperature is Celsius).

    units_e2e.py --build build/linux [--port 18600] [--display :66]
                 [--shots build/e2e-shots]

Standard library only; the fake and the program runs come from live_e2e.py.
"""

import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from live_e2e import FAKE_READOUTS, Run, parse_options, run_suite  # noqa: E402
from location_e2e import stored_text  # noqa: E402
from tickwell_e2e import check, wait_until  # noqa: E402

# The fake's observation (-2.5 C, dew point -10.6 C, 57.4 %, 102371 Pa) in
# Celsius and whole hectopascals.
METRIC_READOUTS = [("-3o", 15), ("057", 45), ("1024", 75), ("-11o", 115)]
# Fahrenheit with hectopascals.
MIXED_READOUTS = [("28o", 15), ("057", 45), ("1024", 75), ("13o", 115)]
DIALOG = "Tickwell Units"
US_LOCALE = {"LC_ALL": "en_US.UTF-8", "TZ": "UTC"}
METRIC_LOCALE = {"LC_ALL": "de_DE.UTF-8", "TZ": "UTC"}
METRIC_SETTINGS = "TemperatureUnit=C\nPressureUnit=hPa\nWindUnit=km/h\nClock=24\n"


def now_line(run):
    for line in run.page("forecast.txt").splitlines():
        if line.startswith(".NOW..."):
            return line
    return ""


def forecast_requests(fake, since=0):
    """The gridpoint forecast's request targets logged from entry `since` on."""
    return [t for _, t, _ in fake.requests()[since:] if t.startswith("/gridpoints/")]


def shoot(context, run, origin, name):
    if context.options.shots:
        time.sleep(2.2)  # the clock is drawn every two seconds
        os.makedirs(context.options.shots, exist_ok=True)
        context.desktop.save_screenshot(os.path.join(context.options.shots, name),
                                        crop=(220, 65, max(origin[0] - 10, 0),
                                              max(origin[1] - 10, 0)))


def check_metric(context, run, what):
    line = now_line(run)
    check(re.search(r"\. -3 DEGREES CELSIUS\. NORTHWEST WIND \d+ KM/H, GUSTS \d+\. "
                    r"OBSERVED \d\d:\d\d\.", line), f"{what}: the NOW line reads {line!r}")
    roundup = run.page("roundup.txt")
    check(re.search(r"\nDENVER INTL AP MOCLDY +-3 -11 +57 NW\d+G\d+ +1024 +KXYZ\n", roundup),
          f"{what}: roundup {roundup!r}")


# ---------------------------------------------------------------------------
# Scenarios

def scenario_settings_metric(context):
    """C, hPa, km/h and 24 in the settings (in a US locale): readouts in
    Celsius and hPa, the forecast asked for with units=si, the NOW line in
    degrees Celsius, km/h and 24-hour time."""
    context.fake.scenario("ok")
    run = Run(context, "metric", ["--station", "KXYZ"], US_LOCALE, settings=METRIC_SETTINGS)
    origin = run.window()
    run.shows(origin, METRIC_READOUTS)
    shoot(context, run, origin, "units-metric-linux.png")
    check_metric(context, run, "settings")
    asked = forecast_requests(context.fake)
    si = [t for t in asked if t.endswith("/forecast?units=si")]
    check(si and len(si) == len(asked), f"forecast requests: {asked}")
    check(".TONIGHT...MOSTLY CLOUDY, WITH A LOW AROUND -4. NORTH WIND 10 TO 15 KM/H."
          in run.page("forecast.txt"), "the SI forecast is not on the page")
    run.close(origin)
    saved = stored_text(run.home)
    for line in METRIC_SETTINGS.split():
        name, value = line.split("=")
        check(saved.get(name) == value, f"{name} is {saved.get(name)} after the exit")
    return f"{len(si)} forecast request(s), all units=si; NOW line: {now_line(run)[7:]}"


def scenario_settings_mixed(context):
    """F, hPa, knots and 12 (unknown values beside them ignored): Fahrenheit
    readouts with hPa, the forecast in US units, knots and AM/PM."""
    context.fake.scenario("ok")
    before = len(context.fake.requests())
    run = Run(context, "mixed", ["--station", "KXYZ"], METRIC_LOCALE,
              settings="TemperatureUnit=F\nPressureUnit=hPa\nWindUnit=kn\nClock=12\n")
    origin = run.window()
    run.shows(origin, MIXED_READOUTS)
    shoot(context, run, origin, "units-mixed-linux.png")
    line = now_line(run)
    check(re.search(r"\. 28 DEGREES\. NORTHWEST WIND \d+ KT, GUSTS \d+\. OBSERVED "
                    r"\d{1,2}:\d\d [AP]M\.", line), f"the NOW line reads {line!r}")
    asked = forecast_requests(context.fake, before)
    check(asked and not any("units=si" in t for t in asked), f"forecast requests: {asked}")
    run.close(origin)
    return f"NOW line: {line[7:]}"


def locales_installed():
    listed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    return {"de_DE.utf8", "en_US.utf8"} <= set(listed)


def scenario_locale_defaults(context):
    """No units in the settings: LC_ALL=de_DE.UTF-8 gives Celsius, hPa,
    km/h and the 24-hour clock; an unknown stored value leaves its part to
    the locale; LC_ALL=en_US.UTF-8 keeps today's picture."""
    if not locales_installed():
        return "SKIPPED: the locales de_DE.UTF-8 and en_US.UTF-8 are not installed " \
               "(scripts/install-deps.sh all)"
    context.fake.scenario("ok")
    run = Run(context, "locale-de", ["--station", "KXYZ"], METRIC_LOCALE,
              settings="WindUnit=furlongs\n")
    origin = run.window()
    run.shows(origin, METRIC_READOUTS)
    check_metric(context, run, "de_DE")
    run.close(origin)
    check("TemperatureUnit" not in stored_text(run.home), "the locale's default was saved")
    run = Run(context, "locale-us", ["--station", "KXYZ"], US_LOCALE)
    origin = run.window()
    run.shows(origin, FAKE_READOUTS)
    line = now_line(run)
    check(re.search(r"\. 28 DEGREES\. NORTHWEST WIND \d+ MPH, GUSTS \d+\. OBSERVED "
                    r"\d{1,2}:\d\d [AP]M\.", line), f"en_US: the NOW line reads {line!r}")
    run.close(origin)
    return "de_DE metric and 24-hour, en_US as before"


def choose_in_list(desktop, steps):
    """Opens the focused drop-down list (space) and moves `steps` items down
    from the selected one before taking it."""
    desktop.keys("space")
    time.sleep(0.3)
    for _ in range(steps):
        desktop.keys("Down")
    desktop.keys("Return")
    time.sleep(0.2)


def scenario_dialog(context):
    """Right-click, Units..., the four lists moved to C, hPa, km/h, 24, OK:
    saved at once, the readouts and the NOW line change without a restart
    and the next forecast is asked for with units=si."""
    context.fake.scenario("ok")
    run = Run(context, "dialog", ["--station", "KXYZ"], US_LOCALE)
    origin = run.window()
    run.shows(origin, FAKE_READOUTS)
    before = len(context.fake.requests())
    desktop = context.desktop
    desktop.click(*run.client(origin, (100, 30)), button=3)
    time.sleep(0.5)
    desktop.keys("n")
    dialog = desktop.wait_for_window(DIALOG, timeout=5)
    x, y, width, height = desktop.geometry(dialog)
    desktop.mouse_move(x + width // 2, y + height - 5)
    time.sleep(0.3)
    for steps in (1, 1, 1, 1):  # Celsius, hPa, km/h, 24-hour
        choose_in_list(desktop, steps)
        desktop.keys("Tab")
    if context.options.shots:
        desktop.save_screenshot(os.path.join(context.options.shots, "units-dialog-linux.png"),
                                crop=(width + 40, height + 40, max(x - 20, 0), max(y - 20, 0)))
    desktop.keys("Return")
    check(wait_until(lambda: not desktop.find_windows(DIALOG), 5), "the dialog did not close")
    check(wait_until(lambda: stored_text(run.home).get("Clock") == "24", 5),
          f"the settings hold {stored_text(run.home)}")
    saved = stored_text(run.home)
    for line in METRIC_SETTINGS.split():
        name, value = line.split("=")
        check(saved.get(name) == value, f"{name} is {saved.get(name)} after OK")
    run.shows(origin, METRIC_READOUTS, timeout=15)
    check(wait_until(lambda: "CELSIUS" in now_line(run), 10), f"NOW line {now_line(run)!r}")
    check_metric(context, run, "dialog")
    asked = forecast_requests(context.fake, before)
    check(asked and all(t.endswith("?units=si") for t in asked), f"forecast requests: {asked}")
    shoot(context, run, origin, "units-dialog-applied-linux.png")
    run.close(origin)
    return f"{len(asked)} forecast request(s) after OK, all units=si"


SCENARIOS = [
    ("settings-metric", scenario_settings_metric),
    ("settings-mixed", scenario_settings_mixed),
    ("locale-defaults", scenario_locale_defaults),
    ("dialog", scenario_dialog),
]


def main():
    options = parse_options(__doc__, port=18600, add_arguments=lambda parser: parser.add_argument(
        "--shots", help="a folder for screenshots of the readouts and dialog"))
    return run_suite(options, SCENARIOS, "units", "units-")


if __name__ == "__main__":
    sys.exit(main())
