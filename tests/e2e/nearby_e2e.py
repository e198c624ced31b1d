#!/usr/bin/env python3
"""End-to-end runs of the live program whose chosen station is silent: its
observations three hours old, answering 404, or the station itself unknown
to the service (a station of the program's table). The readings must come
from the nearest station the fake lists for the place that reports (KNBR,
4 miles north; KSIL, nearer, only has old observations; KFAR is beyond 25
miles), the NOW line must name it, and a refresh must cost no more than the
fake's request log allows. A place saved as a town gets the town's
forecast and alerts.

    nearby_e2e.py --build build/linux [--port 18195] [--display :72]

Standard library only; the drivers are live_e2e.py's.
"""

import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from live_e2e import FAKE_READOUTS, Run, parse_options, run_suite  # noqa: E402
from tickwell_e2e import FileSettings, check, wait_until  # noqa: E402

# KNBR's observation: 5.0 C, dew point -5.0 C, 48.4 %, 101900 Pa.
NEARBY_READOUTS = [("41o", 15), ("048", 45), ("30.09", 75), ("23o", 115)]
NOW_NEARBY = re.compile(r"\n\.NOW\.\.\.LIGHT SNOW\. 41 DEGREES\. .*OBSERVED [0-9:]+ [AP]M "
                        r"AT KNBR ([0-9]+) MI AWAY\.\n")
# A refresh of a station the service knows: the gridpoint forecast, the
# alerts, the station's latest observation and its list, and KNBR's latest.
REFRESH_KNOWN = 5


def now_line_miles(run):
    found = NOW_NEARBY.search(run.page_or_empty("forecast.txt"))
    return int(found.group(1)) if found else None


def request_count(fake):
    return len(fake.requests()) if os.path.exists(fake.log) else 0


def targets_since(fake, start):
    return [target for _, target, _ in fake.requests()[start:]]


def shows_nearby(run, origin, expected_miles):
    run.shows(origin, NEARBY_READOUTS)
    check(wait_until(lambda: now_line_miles(run) is not None, 10),
          f"no NOW line naming KNBR: {run.page_or_empty('forecast.txt')[:400]!r}")
    miles = now_line_miles(run)
    check(miles in expected_miles, f"KNBR said to be {miles} mi away, not {expected_miles}")
    return miles


def one_refresh(run, origin, context):
    """The requests of one "Update now", past the spacing."""
    time.sleep(2.2)
    before = len(context.fake.requests())
    run.update_now(origin)
    check(wait_until(lambda: any(t.endswith("/forecast") for t in
                                 targets_since(context.fake, before)), 10),
          "the refresh did not reach the fake")
    time.sleep(1.5)  # the rest of the refresh: the roundup page
    return targets_since(context.fake, before)


def check_first_and_steady(run, origin, context, start, refresh_requests):
    first = targets_since(context.fake, start)
    lists = [t for t in first if t.endswith("/stations")]
    check(len(lists) == 1, f"the station list was asked for {len(lists)} times: {lists}")
    check(not any("/KFAR/" in t for t in first), "KFAR, 35 miles away, was asked")
    refresh = one_refresh(run, origin, context)
    check(len(refresh) <= refresh_requests,
          f"{len(refresh)} requests for one refresh (at most {refresh_requests}): {refresh}")
    check(not any(t.endswith("/stations") for t in refresh), "the station list was asked again")
    check(not any("/KSIL/" in t for t in refresh), "KSIL, silent, was asked again at once")
    check(any(t.startswith("/stations/KNBR/observations/latest") for t in refresh),
          f"KNBR was not asked: {refresh}")
    run.shows(origin, NEARBY_READOUTS)
    return len(refresh)


def silent_station(context, scenario):
    context.fake.scenario(scenario)
    start = request_count(context.fake)
    run = Run(context, scenario, ["--station", "KXYZ"])
    origin = run.window()
    # KNBR is 0.058 degrees north of the station: 4 miles.
    miles = shows_nearby(run, origin, {4})
    check("KXYZ" in open(FileSettings(run.home).path).read(), "the station was not saved")
    count = check_first_and_steady(run, origin, context, start, REFRESH_KNOWN)
    run.close(origin)
    context.fake.scenario("ok")
    return f"KNBR {miles} mi away, {count} requests a refresh"


def scenario_stale(context):
    """The chosen station's newest observation is 3 hours old."""
    return silent_station(context, "stale")


def scenario_empty(context):
    """The chosen station has no observations (404)."""
    return silent_station(context, "empty")


def scenario_unknown(context):
    """A table station the service does not know is served as its place;
    an id neither in the table nor known to the service is refused."""
    context.fake.scenario("unknown")
    start = request_count(context.fake)
    run = Run(context, "unknown", ["--station", "KDEN"])
    origin = run.window()
    miles = shows_nearby(run, origin, set(range(0, 6)))
    forecast = run.page("forecast.txt")
    check("(KDEN)\n" in forecast and "\n.TONIGHT...MOSTLY CLOUDY" in forecast,
          f"no forecast for the table's KDEN: {forecast[:300]!r}")
    check("Station=KDEN" in open(FileSettings(run.home).path).read(), "KDEN was not saved")
    first = targets_since(context.fake, start)
    check(not any(t.startswith("/stations/KDEN/observations") for t in first),
          "the observations of a station the service does not know were asked for")
    # Neither its station nor its observations: the forecast, the alerts
    # and KNBR's latest.
    count = check_first_and_steady(run, origin, context, start, 3)
    run.close(origin)
    refused = Run(context, "unknown", ["--station", "KZZZ"])
    origin = refused.window()
    refused.shows(origin, NEARBY_READOUTS)
    refused.close(origin)
    with open(refused.output, encoding="utf-8") as handle:
        output = handle.read()
    check("knows no station KZZZ" in output, f"KZZZ was not refused: {output!r}")
    check("Station=KDEN" in open(FileSettings(run.home).path).read(), "the setting changed")
    context.fake.scenario("ok")
    return f"KNBR {miles} mi from KDEN, {count} requests a refresh"


def scenario_town(context):
    """A place saved as a town: the town's forecast and alerts, the
    station's readings; --station alone clears the place."""
    context.fake.scenario("ok")
    settings = ("# Tickwell settings\nStation=KXYZ\nPlace=Golden, CO\nPlaceLat=39.75554\n"
                "PlaceLon=-105.22110\n")
    start = request_count(context.fake)
    run = Run(context, "town", settings=settings)
    origin = run.window()
    run.shows(origin, FAKE_READOUTS)
    check(wait_until(lambda: "GOLDEN, CO (KXYZ)\n" in run.page_or_empty("forecast.txt"), 10),
          f"the town is not named: {run.page_or_empty('forecast.txt')[:200]!r}")
    asked = targets_since(context.fake, start)
    for wanted in ("/points/39.7555,-105.2211", "/alerts/active?status=actual&point=39.7555,-105.2211",
                   "/stations/KXYZ/observations/latest"):
        check(wanted in asked, f"{wanted} was not asked: {asked}")
    check("/points/39.8466,-104.6562" not in asked, "the station's own point was asked")
    run.close(origin)
    again = Run(context, "town", ["--station", "KBOS"])
    origin = again.window()
    again.close(origin)
    saved = open(FileSettings(again.home).path).read()
    check("Station=KBOS" in saved and "PlaceLat=\n" in saved,
          f"--station did not clear the place: {saved!r}")


SCENARIOS = [
    ("stale", scenario_stale),
    ("empty", scenario_empty),
    ("unknown", scenario_unknown),
    ("town", scenario_town),
]


def main():
    return run_suite(parse_options(__doc__, port=18195), SCENARIOS, "nearby", "live-nearby-")


if __name__ == "__main__":
    sys.exit(main())
