#!/usr/bin/env python3
"""The wake-up from sleep in the Windows program, under Wine: with the
refresh interval at an hour, WM_POWERBROADCAST (PBT_APMRESUMEAUTOMATIC)
posted to the window brings the HTTPS fake's new readings within 30 s,
though its answers said they stay fresh for ten minutes; before it, the
new readings do not show.

    wine_wake_e2e.py --program build/win64/tickwell.exe \\
                     --post-message build/win64/tests/tickwell-post-message.exe \\
                     --fake build/linux/tools/tickwell-nws-fake \\
                     --make-cert tools/nws_fake/make_test_cert.sh [--display :64]

Run it through tests/e2e/wine_run.sh, which builds the programs and sets up
the Wine environment. Uses the live Windows suite's fake, registry and
window helpers. Standard library only.
"""

import os
import subprocess
import sys
import time
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tickwell_e2e as e2e  # noqa: E402
from wine_live_e2e import (  # noqa: E402
    KEY, LIVE_READOUTS, STATION, Context, parse_wine_options, readout_mismatches,
    run_wine_suite)

WM_POWERBROADCAST = 0x218
PBT_APMRESUMEAUTOMATIC = 0x12
# The `warmer` scenario's observation: 10 C, the rest as in `ok`.
WARMER_READOUTS = [("50o", 15), ("057", 45), ("30.23", 75), ("13o", 115)]
LIMIT = 30.0


def scenario_wake(context):
    """WM_POWERBROADCAST (PBT_APMRESUMEAUTOMATIC): new readings within 30 s."""
    context.registry.set_station(STATION)
    hourly = context.registry.run("add", KEY, "/v", "Interval", "/t", "REG_DWORD", "/d", "14400",
                                  "/f")
    e2e.check(hourly.returncode == 0, f"reg add failed: {hourly.stderr.strip()}")
    fake = context.fake("ok")

    def control(request):
        with urllib.request.urlopen(f"{fake.base}/_fake/{request}", context=fake.tls,
                                    timeout=5) as answer:
            e2e.check(answer.read().strip() == b"ok", f"the fake refused {request}")

    control("maxage?seconds=600")
    process = context.start(context.options.program, context.live_environment(fake))
    origin = context.main_window()
    context.wait_for_readouts(origin, LIVE_READOUTS, "before")
    fake.scenario("warmer")
    time.sleep(2.5)  # past the request spacing (2 s here)
    e2e.check(not readout_mismatches(context.desktop.screenshot(), origin, LIVE_READOUTS),
              "the readings changed before the wake-up")
    posted = subprocess.run(
        ["wine", context.options.post_message, "Tickwell", str(WM_POWERBROADCAST),
         str(PBT_APMRESUMEAUTOMATIC), "0"], env=context.environment, capture_output=True,
        text=True, timeout=60)
    e2e.check(posted.returncode == 0, f"posting failed: {posted.stderr.strip()}")
    woke = time.monotonic()
    shown = e2e.wait_until(
        lambda: not readout_mismatches(context.desktop.screenshot(), origin, WARMER_READOUTS),
        LIMIT, interval=0.3)
    took = time.monotonic() - woke
    if not shown:
        context.desktop.save_screenshot(os.path.join(context.work, "wake-failed.png"))
    e2e.check(shown, f"no new readings within {LIMIT:.0f} s of the wake-up")
    context.close(process, origin)
    return f"new readings {took:.1f} s after the message was posted"


SCENARIOS = [("wake", scenario_wake)]


def main():
    options = parse_wine_options(
        __doc__, lambda parser: parser.add_argument(
            "--post-message", required=True, help="tickwell-post-message.exe"))
    return run_wine_suite(options, SCENARIOS, Context, "wake", label="wine wake ",
                          scenario_prefix="wine-")

if __name__ == "__main__":
    sys.exit(main())
