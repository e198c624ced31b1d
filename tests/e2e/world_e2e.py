#!/usr/bin/env python3
"""End-to-end scenario of the live program outside the US: `tickwell
--station EGLL` under Xvfb against the HTTPS fake, which stands in for the
aviation weather API's METARs and MET Norway's forecast as well
(TICKWELL_METAR_BASE, TICKWELL_METNO_BASE); checked through the readout
pixels, the pages and the fake's request log.

    world_e2e.py --build build/linux [--port 18201] [--display :63]

Standard library only.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from live_e2e import Run, parse_options, run_suite, ticker_pixels, USER_AGENT_START  # noqa: E402
from tickwell_e2e import FileSettings, check, wait_until  # noqa: E402

# The fake's METAR: 14 C, dew point 9 C (72 %), 1021 hPa, in the legacy
# page's units.
WORLD_READOUTS = [("57o", 15), ("072", 45), ("30.15", 75), ("48o", 115)]


def world_run(context, name, arguments):
    base = f"https://127.0.0.1:{context.fake.port}"
    return Run(context, name, arguments,
               extra_environment={"TICKWELL_METAR_BASE": base, "TICKWELL_METNO_BASE": base})


def scenario_heathrow(context):
    """--station EGLL: the METAR's readings, MET Norway's periods with the credit, no NWS request."""
    context.fake.scenario("ok")
    run = world_run(context, "heathrow", ["--station", "EGLL"])
    origin = run.window()
    run.shows(origin, WORLD_READOUTS)
    check("Station=EGLL" in open(FileSettings(run.home).path).read(), "Station=EGLL was not saved")
    forecast = run.page("forecast.txt")
    check("LONDON HEATHROW AIRPORT, LONDON, GB (EGLL)\n.NOW...MOSTLY CLOUDY. 57 DEGREES." in forecast,
          f"unexpected forecast page: {forecast[:400]}")
    check(".CREDIT...WEATHER FORECAST FROM MET NORWAY" in forecast, "no credit to MET Norway")
    check("\n.TONIGHT..." in forecast and " NIGHT..." in forecast, "no night periods")
    check("ALERT" not in forecast, "alerts claimed outside the US")
    check("MOCLDY    57  48  72 W14G25    30.15  EGLL" in run.page("roundup.txt"),
          "unexpected roundup page")
    first = ticker_pixels(context, origin)
    check(wait_until(lambda: ticker_pixels(context, origin) != first, 3, interval=0.2),
          "the ticker does not scroll")
    requests = context.fake.requests()
    targets = [target for _, target, _ in requests]
    check(not any(t.startswith(("/stations/", "/points/", "/alerts/")) for t in targets),
          f"the weather service was asked: {targets}")
    check(any(t.startswith("/api/data/metar?ids=EGLL,") and t.endswith("&format=json")
              for t in targets), f"no METAR request: {targets}")
    check("/weatherapi/locationforecast/2.0/compact?lat=51.4706&lon=-0.4619" in targets,
          f"no forecast request for Heathrow's point: {targets}")
    agents = {agent for _, _, agent in requests}
    check(all(agent.startswith(USER_AGENT_START) for agent in agents), f"User-Agents: {agents}")
    took = run.close(origin)
    return f"closed in {took:.2f} s after {len(targets)} requests"


SCENARIOS = [("heathrow", scenario_heathrow)]


def main():
    options = parse_options()
    return run_suite(options, SCENARIOS, "world", "world-")


if __name__ == "__main__":
    sys.exit(main())
