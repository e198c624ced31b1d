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

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tickwell_e2e as e2e  # noqa: E402
from live_e2e import FixedXvfb  # noqa: E402
from wine_live_e2e import KEY, LIVE_READOUTS, STATION, Context, readout_mismatches  # noqa: E402

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


def parse_options():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True, help="tickwell.exe built with the live source")
    parser.add_argument("--post-message", required=True, help="tickwell-post-message.exe")
    parser.add_argument("--fake", required=True, help="tickwell-nws-fake")
    parser.add_argument("--make-cert", required=True, help="make_test_cert.sh")
    parser.add_argument("--display", help="an X display number to start Xvfb on, e.g. :64")
    parser.add_argument("--only", action="append", help="run only this scenario (repeatable)")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    options = parser.parse_args()
    options.wine_environment = {key: os.environ[key] for key in
                                ("WINEPREFIX", "WINEARCH", "WINEDEBUG", "WINEDLLOVERRIDES")
                                if key in os.environ}
    return options


def main():
    options = parse_options()
    work = tempfile.mkdtemp(prefix="tickwell-wine-wake-")
    certs = os.path.join(work, "certs")
    subprocess.run([options.make_cert, certs], check=True, stdout=subprocess.DEVNULL)
    xvfb = FixedXvfb(options.display) if options.display else e2e.Xvfb()
    context = Context(options, e2e.Desktop(xvfb.display), work, certs)
    failures = 0
    try:
        failures = e2e.run_scenarios(SCENARIOS, options.only, context,
                                     before_each=context.registry.clear, prefix="wine-")
    finally:
        context.cleanup()
        context.registry.clear()
        xvfb.stop()
        if options.keep or failures:
            print(f"work folder kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)
    print(f"{failures} wine wake scenario(s) failed" if failures else "all wine wake scenarios passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
