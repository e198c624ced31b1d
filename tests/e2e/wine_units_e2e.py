#!/usr/bin/env python3
"""The user's units in the Windows program under Wine: tickwell.exe on the
live source against the HTTPS fake of the weather service, with the four
units as REG_SZ values of the program's key and from the Units dialog.

    wine_units_e2e.py --program build/win64/tickwell.exe \\
                      --fake build/linux/tools/tickwell-nws-fake \\
                      --make-cert tools/nws_fake/make_test_cert.sh \\
                      [--shots build/e2e-shots] [--display :67]

Run it through tests/e2e/wine_run.sh, which builds the programs and sets up
the Wine environment. The program's key is cleared before each scenario.
Standard library only.
"""

import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tickwell_e2e as e2e  # noqa: E402
from wine_live_e2e import KEY, LIVE_READOUTS, parse_wine_options, run_wine_suite  # noqa: E402
from wine_location_e2e import LocationContext  # noqa: E402

# The fake's observation (-2.5 C, dew point -10.6 C, 57.4 %, 102371 Pa) in
# Celsius and whole hectopascals.
METRIC_READOUTS = [("-3o", 15), ("057", 45), ("1024", 75), ("-11o", 115)]
METRIC = {"TemperatureUnit": "C", "PressureUnit": "hPa", "WindUnit": "km/h", "Clock": "24"}
DIALOG = "Tickwell Units"
METRIC_NOW = (r"\. -3 DEGREES CELSIUS\. NORTHWEST WIND \d+ KM/H, GUSTS \d+\. "
              r"OBSERVED \d\d:\d\d\.")


def now_line(context):
    for line in context.page("forecast.txt").splitlines():
        if line.startswith(".NOW..."):
            return line
    return ""


def forecasts(fake, since=0):
    return [target for _, target, _ in fake.requests()[since:]
            if target.startswith("/gridpoints/")]


def stored_units(context):
    values = context.registry.values()
    return {name: values.get(name) for name in METRIC}


def shoot(context, origin, name):
    if context.options.shots:
        time.sleep(2.2)  # the clock is drawn every two seconds
        os.makedirs(context.options.shots, exist_ok=True)
        context.desktop.save_screenshot(os.path.join(context.options.shots, name),
                                        crop=(220, 65, max(origin[0] - 10, 0),
                                              max(origin[1] - 10, 0)))


def scenario_registry(context):
    """C, hPa, km/h and 24 as REG_SZ values: readouts in Celsius and hPa,
    the forecast asked for with units=si, the NOW line in degrees Celsius,
    km/h and 24-hour time; the values are still there after the exit."""
    context.registry.set_station("KXYZ")
    for name, value in METRIC.items():
        result = context.registry.run("add", KEY, "/v", name, "/t", "REG_SZ", "/d", value, "/f")
        e2e.check(result.returncode == 0, f"reg add failed: {result.stderr.strip()}")
    fake = context.fake("ok")
    process = context.start_with([], context.live_environment(fake))
    origin = context.main_window()
    context.shows(origin, METRIC_READOUTS, "registry")
    e2e.check(e2e.wait_until(lambda: re.search(METRIC_NOW, now_line(context)), 10),
              f"the NOW line reads {now_line(context)!r}")
    shoot(context, origin, "units-metric-windows.png")
    asked = forecasts(fake)
    e2e.check(asked and all(t.endswith("?units=si") for t in asked), f"forecasts: {asked}")
    context.close(process, origin)
    stored = stored_units(context)
    e2e.check(stored == {name: ("REG_SZ", value) for name, value in METRIC.items()},
              f"after the exit: {stored}")
    return f"{len(asked)} forecast request(s), all units=si; {now_line(context)[7:]}"


def scenario_dialog(context):
    """Right-click, Units..., Down in each of the four lists, Enter: saved as
    REG_SZ values at once, and the readouts, the NOW line and the next
    forecast request in C, hPa, km/h and 24-hour time without a restart."""
    context.registry.set_station("KXYZ")
    fake = context.fake("ok")
    process = context.start_with([], context.live_environment(fake))
    origin = context.main_window()
    context.shows(origin, LIVE_READOUTS, "before")
    e2e.check(re.search(r"OBSERVED \d{1,2}:\d\d [AP]M\.", now_line(context)),
              f"the NOW line reads {now_line(context)!r}")
    before = len(fake.requests())
    desktop = context.desktop
    desktop.click(origin[0] + e2e.BORDER + 100, origin[1] + e2e.BORDER + 30, button=3)
    time.sleep(0.8)
    desktop.keys("n")
    dialog = desktop.wait_for_window(DIALOG, timeout=15)
    x, y, width, height = desktop.geometry(dialog)
    desktop.mouse_move(x + width // 2, y + height - 8)
    time.sleep(0.3)
    # A drop-down list with the focus takes Down as the next item.
    desktop.keys("Down", "Tab", "Down", "Tab", "Down", "Tab", "Down")
    time.sleep(0.5)
    if context.options.shots:
        desktop.save_screenshot(os.path.join(context.options.shots, "units-dialog-windows.png"),
                                crop=(width + 40, height + 40, max(x - 20, 0), max(y - 20, 0)))
    desktop.keys("Return")
    e2e.check(e2e.wait_until(lambda: not desktop.find_windows(DIALOG), 10),
              "the dialog did not close")
    expected = {name: ("REG_SZ", value) for name, value in METRIC.items()}
    e2e.check(e2e.wait_until(lambda: stored_units(context) == expected, 10),
              f"the registry holds {stored_units(context)}")
    context.shows(origin, METRIC_READOUTS, "after")
    e2e.check(e2e.wait_until(lambda: re.search(METRIC_NOW, now_line(context)), 15),
              f"the NOW line reads {now_line(context)!r}")
    asked = forecasts(fake, before)
    e2e.check(asked and all(t.endswith("?units=si") for t in asked), f"forecasts: {asked}")
    context.close(process, origin)
    return f"{len(asked)} forecast request(s) after OK, all units=si"


def scenario_locale(context):
    """No units in the registry and LC_ALL=de_DE.UTF-8 (Wine's user locale
    follows it): LOCALE_IMEASURE and the time format give Celsius, hPa,
    km/h and the 24-hour clock; nothing is saved for them."""
    context.registry.set_station("KXYZ")
    fake = context.fake("ok")
    environment = dict(context.live_environment(fake), LC_ALL="de_DE.UTF-8", LANG="de_DE.UTF-8")
    process = context.start_with([], environment)
    origin = context.main_window()
    context.shows(origin, METRIC_READOUTS, "locale")
    e2e.check(e2e.wait_until(lambda: re.search(METRIC_NOW, now_line(context)), 10),
              f"the NOW line reads {now_line(context)!r}")
    context.close(process, origin)
    e2e.check(not any(stored_units(context).values()), f"saved: {stored_units(context)}")
    return "de_DE: metric and 24-hour"


SCENARIOS = [
    ("registry", scenario_registry),
    ("locale", scenario_locale),
    ("dialog", scenario_dialog),
]


def main():
    options = parse_wine_options(
        __doc__, lambda parser: parser.add_argument(
            "--shots", help="a folder for pictures of the readouts and the dialog"))
    return run_wine_suite(options, SCENARIOS, LocationContext, "units", label="units ",
                          scenario_prefix="wine-units-")

if __name__ == "__main__":
    sys.exit(main())
