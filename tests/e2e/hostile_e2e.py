#!/usr/bin/env python3
"""End-to-end runs of the live program against the HTTPS fake of the weather
service turned hostile for the observations: a megabyte of nested '[', an
endless body of one-byte chunks, and an observation stamped a year ahead.
Each meets one refresh of a program that shows the fake's readings; the
refresh must stay cheap (CPU from /proc/PID/stat), and once the fake is
sound again the readings and the NOW line follow it and the resident size
(VmRSS) is back near where it was.

    hostile_e2e.py --build build/linux [--port 18191] [--display :71]

Standard library only; the drivers are live_e2e.py's.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from live_e2e import FAKE_READOUTS, Run, parse_options, run_suite  # noqa: E402
from tickwell_e2e import check, wait_until  # noqa: E402

# What one refresh that meets a hostile answer may cost, and how far the
# resident size may stay above where it was.
MAX_REFRESH_CPU_SECONDS = 2.0
MAX_RSS_GROWTH_KB = 8 * 1024
OBSERVATIONS = ("/observations/latest", "/observations?limit=10")


def cpu_seconds(pid):
    """User and system CPU time the process has used."""
    with open(f"/proc/{pid}/stat", encoding="ascii") as handle:
        # The command name may hold blanks: the fields after it are counted
        # from its closing parenthesis.
        fields = handle.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def resident_kb(pid):
    with open(f"/proc/{pid}/status", encoding="ascii") as handle:
        for line in handle:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise AssertionError("no VmRSS")


def observation_requests(fake):
    return [t for _, t, _ in fake.requests() if t.endswith(OBSERVATIONS)]


def refresh_against(run, origin, context, scenario):
    """Turns the fake to `scenario`, has one refresh meet it and returns the
    CPU seconds the program spent meanwhile."""
    context.fake.scenario(scenario)
    time.sleep(2.2)  # past the spacing, so the refresh asks the fake
    before = len(observation_requests(context.fake))
    cpu_before = cpu_seconds(run.process.pid)
    run.update_now(origin)
    check(wait_until(lambda: len(observation_requests(context.fake)) >= before + 2, 10),
          f"{scenario}: the refresh did not ask for the observations")
    time.sleep(1.0)  # the rest of the refresh: the answers' handling, the pages
    return cpu_seconds(run.process.pid) - cpu_before


def back_to_sound(run, origin, context):
    context.fake.scenario("ok")
    time.sleep(2.2)
    run.update_now(origin)
    run.shows(origin, FAKE_READOUTS)
    check(wait_until(lambda: "\n.NOW...MOSTLY CLOUDY. 28 DEGREES."
                     in run.page_or_empty("forecast.txt"), 10),
          f"the NOW line does not follow the sound answer: {run.page_or_empty('forecast.txt')!r}")


def scenario_hostile_observations(context):
    """Deep nesting and one-byte chunks: cheap refreshes, readings and memory come back."""
    context.fake.scenario("ok")
    run = Run(context, "hostile", ["--station", "KXYZ"])
    origin = run.window()
    run.shows(origin, FAKE_READOUTS)
    rss_before = resident_kb(run.process.pid)
    notes = []
    for scenario in ("deep", "trickle"):
        cpu = refresh_against(run, origin, context, scenario)
        check(cpu < MAX_REFRESH_CPU_SECONDS, f"{scenario}: the refresh took {cpu:.2f} s of CPU")
        check(run.process.poll() is None, f"{scenario}: the program ended")
        back_to_sound(run, origin, context)
        grown = resident_kb(run.process.pid) - rss_before
        check(grown < MAX_RSS_GROWTH_KB, f"{scenario}: the resident size grew by {grown} kB")
        notes.append(f"{scenario} {cpu:.2f} s CPU, {grown:+d} kB")
    run.close(origin)
    return ", ".join(notes)


def scenario_future_observation(context):
    """An observation stamped a year ahead is not shown; the next sound one is."""
    context.fake.scenario("ok")
    run = Run(context, "future", ["--station", "KXYZ"])
    origin = run.window()
    run.shows(origin, FAKE_READOUTS)
    refresh_against(run, origin, context, "future")
    forecast = run.page_or_empty("forecast.txt")
    now_lines = [line for line in forecast.split("\n") if line.startswith(".NOW...")]
    check(now_lines and now_lines[0].startswith(".NOW...NO CURRENT OBSERVATION. THE LAST WAS TAKEN"),
          f"the year-ahead observation was taken as current: {now_lines}")
    back_to_sound(run, origin, context)
    forecast = run.page("forecast.txt")
    check("LAST WAS TAKEN" not in forecast, f"the NOW line still looks back: {forecast[:400]}")
    run.close(origin)


SCENARIOS = [
    ("hostile-observations", scenario_hostile_observations),
    ("future-observation", scenario_future_observation),
]


def main():
    return run_suite(parse_options(__doc__, port=18191), SCENARIOS, "hostile", "live-")


if __name__ == "__main__":
    sys.exit(main())
