#!/usr/bin/env python3
"""The Windows programs as they ship, under Wine: tickwell-demo.exe alone,
and tickwell.exe on the live source against the HTTPS fake of the weather
service (tickwell-nws-fake) with a certificate made for the run.

    wine_live_e2e.py --program build/win32/tickwell.exe \\
                     --demo build/win32/tickwell-demo.exe \\
                     --fake build/linux/tools/tickwell-nws-fake \\
                     --make-cert tools/nws_fake/make_test_cert.sh

Run it through tests/e2e/wine_run.sh, which builds the programs and sets up
the Wine environment (WINEPREFIX and friends must be exported). The
program's registry key is cleared before each scenario. Standard library
only.
"""

import argparse
import os
import shutil
import ssl
import subprocess
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tickwell_e2e as e2e  # noqa: E402
from live_e2e import FixedXvfb  # noqa: E402

KEY = r"HKCU\Software\Quillfen\Tickwell"
ROOTS_KEY = r"HKCU\Software\Microsoft\SystemCertificates\ROOT\Certificates"
SETTING_NAMES = ("Interval", "Outlook", "Fast", "WinX", "WinY")
# Any station but KBOS, which the fake serves as Boston with readings of its own.
STATION = "KSEA"
USER_AGENT_START = "Tickwell/"

# The fake's latest observation: -2.5 C, dew point -10.6 C, 57.4 %,
# 102371 Pa, converted as the roundup shows them.
LIVE_READOUTS = [("28o", 15), ("057", 45), ("30.23", 75), ("13o", 115)]
# Before the first reading arrives.


def readout_mismatches(shot, origin, readouts):
    wrong = []
    for text, x in readouts:
        for point, lit in e2e.expected_segments(text, x, e2e.READOUT_Y, e2e.SEGMENT_LENGTH):
            seen = e2e.pixel(shot, origin[0] + e2e.BORDER + point[0],
                             origin[1] + e2e.BORDER + point[1])
            if seen != (e2e.LIT if lit else e2e.UNLIT):
                wrong.append((text, point, seen))
    return wrong


def shows_start_readouts(shot, origin):
    """True while the readouts show what they show before any refresh: bars,
    not a reading of the fake's."""
    return not readout_mismatches(shot, origin, e2e.BAR_READOUTS)


class Registry:
    def __init__(self, environment):
        self.environment = environment

    def run(self, *arguments):
        # A start of Wine's reg now and then waits on the Wine server for a
        # minute while another program of the prefix starts up; the second
        # try has not been seen to wait.
        for attempt in (1, 2):
            try:
                return subprocess.run(["wine", "reg", *arguments], env=self.environment,
                                      capture_output=True, text=True, timeout=30)
            except subprocess.TimeoutExpired:
                if attempt == 2:
                    raise
                print(f"wine reg {arguments[0]}: no answer in 30 s; trying again", flush=True)

    def clear(self):
        self.run("delete", KEY, "/f")

    def set_station(self, station):
        result = self.run("add", KEY, "/v", "Station", "/t", "REG_SZ", "/d", station, "/f")
        e2e.check(result.returncode == 0, f"reg add failed: {result.stderr.strip()}")

    def values(self):
        """{name: (type, text)} of the program's key."""
        values = {}
        for line in self.run("query", KEY).stdout.replace("\r", "").splitlines():
            parts = line.split(None, 2)
            if len(parts) == 3 and parts[1].startswith("REG_"):
                values[parts[0]] = (parts[1], parts[2])
        return values

    def trusted_roots(self):
        lines = self.run("query", ROOTS_KEY).stdout.replace("\r", "").splitlines()
        return {line.strip() for line in lines if line.strip().startswith("HKEY_")} - \
            {ROOTS_KEY.replace("HKCU", "HKEY_CURRENT_USER")}


class Fake:
    """tickwell-nws-fake on a free port, logging to a file."""

    def __init__(self, options, certs, log_path, scenario):
        self.log_path = log_path
        self.process = subprocess.Popen(
            [options.fake, "--port", "0", "--cert", os.path.join(certs, "server.pem"),
             "--key", os.path.join(certs, "server.key"), "--log", log_path,
             "--scenario", scenario, "--max-age", "0"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = self.process.stdout.readline().split()
        e2e.check(len(line) == 2 and line[0] == "port", "the fake did not start")
        self.base = f"https://127.0.0.1:{line[1]}"
        self.tls = ssl.create_default_context(cafile=os.path.join(certs, "ca.pem"))

    def scenario(self, name):
        url = f"{self.base}/_fake/scenario?name={name}"
        with urllib.request.urlopen(url, context=self.tls, timeout=5) as answer:
            e2e.check(answer.read().strip() == b"ok", f"the fake refused scenario {name}")

    def requests(self):
        """(status, target, user agent) of every request so far."""
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as log:
                rows = [line.rstrip("\n").split("\t") for line in log]
        except FileNotFoundError:
            return []
        return [(row[1], row[2], row[3]) for row in rows
                if len(row) >= 4 and not row[2].startswith("/_fake/")]

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class Context:
    def __init__(self, options, desktop, work, certs):
        self.options = options
        self.desktop = desktop
        self.work = work
        self.certs = certs
        self.environment = dict(desktop.environment, **options.wine_environment)
        self.registry = Registry(self.environment)
        self.processes = []
        self.fakes = []

    def fake(self, scenario):
        log = os.path.join(self.work, f"fake-{len(self.fakes)}-{time.monotonic_ns()}.log")
        fake = Fake(self.options, self.certs, log, scenario)
        self.fakes.append(fake)
        return fake

    def start(self, program, extra_environment=None):
        environment = dict(self.environment, **(extra_environment or {}))
        # Wine's WinINet takes a proxy from these when the registry names none.
        for key in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy"):
            environment.pop(key, None)
        log = open(os.path.join(self.work, "program.log"), "ab")
        process = subprocess.Popen(["wine", program], env=environment, stdout=log,
                                   stderr=subprocess.STDOUT)
        self.processes.append(process)
        return process

    def live_environment(self, fake, with_ca=True):
        # Requests for one address two seconds apart instead of a minute, so
        # that a refresh soon after the first reaches the fake.
        environment = {"TICKWELL_API_BASE": fake.base, "TICKWELL_REQUEST_SPACING": "2",
                       "TICKWELL_PAGE_DIR": os.path.join(self.work, "pages")}
        os.makedirs(environment["TICKWELL_PAGE_DIR"], exist_ok=True)
        if with_ca:
            environment["TICKWELL_CA_FILE"] = os.path.join(self.certs, "ca.pem")
        return environment

    def main_window(self):
        window = self.desktop.wait_for_window("Tickwell", timeout=30)
        x, y, width, height = self.desktop.geometry(window)
        e2e.check((width, height) == (200, 45), f"the window is {width}x{height}")
        return (x, y)

    def lamp(self, origin):
        shot = self.desktop.screenshot()
        return e2e.pixel(shot, origin[0] + e2e.BORDER + e2e.LAMP_PIXEL[0],
                         origin[1] + e2e.BORDER + e2e.LAMP_PIXEL[1])

    def wait_for_readouts(self, origin, readouts, name):
        def shown():
            shot = self.desktop.screenshot()
            return not readout_mismatches(shot, origin, readouts) and \
                self.lamp(origin) == e2e.IDLE_LAMP
        if not e2e.wait_until(shown, 30, interval=0.5):
            self.desktop.save_screenshot(os.path.join(self.work, f"{name}-failed.png"))
            wrong = readout_mismatches(self.desktop.screenshot(), origin, readouts)
            raise e2e.Failure(f"readings not shown: {wrong[:4]} ({len(wrong)} wrong)")

    def close(self, process, origin):
        """Clicks "X"; returns the seconds until the window is gone and until
        the process has ended."""
        started = time.monotonic()
        self.desktop.click(origin[0] + e2e.BORDER + e2e.CLOSE_BUTTON[0],
                           origin[1] + e2e.BORDER + e2e.CLOSE_BUTTON[1])
        gone = e2e.wait_until(lambda: not self.desktop.find_windows("Tickwell"), 10, 0.05)
        took = time.monotonic() - started
        e2e.check(gone, "the window did not close")
        try:
            code = process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise e2e.Failure("the program did not end after its window closed")
        e2e.check(code == 0, f"exit code {code} after the close button")
        return took, time.monotonic() - started

    def cleanup(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.processes = []
        for fake in self.fakes:
            fake.stop()
        self.fakes = []


def scenario_demo_alone(context):
    """tickwell-demo.exe, with nothing else running, shows the sample readings."""
    process = context.start(context.options.demo)
    origin = context.main_window()
    context.wait_for_readouts(origin, e2e.SAMPLE_READOUTS, "demo")
    context.close(process, origin)


def scenario_live(context):
    """The station from the registry, readings from the fake over HTTPS,
    the forecast requested with the program's User-Agent; after "X" the key
    holds the five numbers and the station as it was, and the test
    certificate is no longer trusted."""
    context.registry.set_station(STATION)
    roots_before = context.registry.trusted_roots()
    fake = context.fake("ok")
    process = context.start(context.options.program, context.live_environment(fake))
    origin = context.main_window()
    context.wait_for_readouts(origin, LIVE_READOUTS, "live")
    requests = fake.requests()
    targets = [target for _, target, _ in requests]
    e2e.check(f"/stations/{STATION}" in targets, f"station {STATION} not asked for: {targets}")
    e2e.check(any(target.endswith("/forecast") for target in targets),
              f"no forecast requested: {targets}")
    e2e.check(all(agent.startswith(USER_AGENT_START) for _, _, agent in requests),
              f"a request without the program's User-Agent: {requests}")
    roundup = open(os.path.join(context.work, "pages", "roundup.txt"), encoding="latin-1").read()
    e2e.check(STATION in roundup, "the roundup page does not name the station")
    took, ended = context.close(process, origin)
    values = context.registry.values()
    for name in SETTING_NAMES:
        e2e.check(values.get(name, ("",))[0] == "REG_DWORD", f"{name} is not a REG_DWORD: {values}")
    e2e.check(values.get("Station") == ("REG_SZ", STATION), f"Station changed: {values}")
    e2e.check(context.registry.trusted_roots() == roots_before,
              "the test certificate stayed in the user's root store")
    return f"{len(requests)} requests; window gone in {took:.2f} s, process ended in {ended:.2f} s"


# The fake's METAR for a station outside the US: 14 C, dew point 9 C
# (72 %), 1021 hPa.
WORLD_READOUTS = [("57o", 15), ("072", 45), ("30.15", 75), ("48o", 115)]


def scenario_world(context):
    """Station EGLL: the METAR's readings and MET Norway's periods, with the
    zone's local hours from Windows' own time zones; the weather service is
    never asked."""
    context.registry.set_station("EGLL")
    fake = context.fake("ok")
    environment = dict(context.live_environment(fake), TICKWELL_METAR_BASE=fake.base,
                       TICKWELL_METNO_BASE=fake.base)
    process = context.start(context.options.program, environment)
    origin = context.main_window()
    context.wait_for_readouts(origin, WORLD_READOUTS, "world")
    targets = [target for _, target, _ in fake.requests()]
    e2e.check(not any(t.startswith(("/stations/", "/points/", "/alerts/")) for t in targets),
              f"the weather service was asked: {targets}")
    e2e.check(any(t.startswith("/api/data/metar?ids=EGLL") for t in targets),
              f"no METAR request: {targets}")
    forecast = open(os.path.join(context.work, "pages", "forecast.txt"), encoding="latin-1").read()
    e2e.check("(EGLL)\n.NOW...MOSTLY CLOUDY. 57 DEGREES." in forecast
              and ".CREDIT...WEATHER FORECAST FROM MET NORWAY" in forecast
              and " NIGHT..." in forecast, f"unexpected forecast page: {forecast[:400]}")
    took, ended = context.close(process, origin)
    return f"{len(targets)} requests; window gone in {took:.2f} s"


def scenario_untrusted(context):
    """Without TICKWELL_CA_FILE the fake's certificate is refused: no
    request reaches it and no reading is shown."""
    fake = context.fake("ok")
    process = context.start(context.options.program, context.live_environment(fake, False))
    origin = context.main_window()
    time.sleep(4)
    e2e.check(not fake.requests(), f"a request got through: {fake.requests()}")
    e2e.check(shows_start_readouts(context.desktop.screenshot(), origin), "a reading is shown")
    context.close(process, origin)


def update_now(context, origin):
    context.desktop.click(origin[0] + e2e.BORDER + 100, origin[1] + e2e.BORDER + 30, button=3)
    time.sleep(0.5)
    context.desktop.keys("u")  # the access key of "&Update now"


def scenario_faults(context):
    """Readings first, then the service answers 503, serves only nulls, or
    hangs: a refresh leaves the readings as they were, and "X" closes the
    window within a second, also while a request hangs."""
    notes = []
    for name in ("503", "nulls", "hang"):
        fake = context.fake("ok")
        process = context.start(context.options.program, context.live_environment(fake))
        origin = context.main_window()
        context.wait_for_readouts(origin, LIVE_READOUTS, name)
        fake.scenario(name)
        time.sleep(2.2)  # past the request spacing
        before = len(fake.requests())
        update_now(context, origin)
        if name == "hang":  # a hung request is logged only when it ends
            e2e.check(e2e.wait_until(lambda: context.lamp(origin) == e2e.BUSY_LAMP, 5),
                      "the lamp did not light for the refresh")
        else:
            e2e.check(e2e.wait_until(lambda: len(fake.requests()) > before, 5),
                      f"{name}: the refresh did not reach the fake")
        time.sleep(1.5)
        shot = context.desktop.screenshot()
        e2e.check(not readout_mismatches(shot, origin, LIVE_READOUTS),
                  f"{name}: the readings changed")
        took, ended = context.close(process, origin)
        e2e.check(took < 1.0, f"{name}: closing took {took:.2f} s")
        notes.append(f"{name} {took:.2f}/{ended:.2f} s")
        context.cleanup()
    return "window gone/process ended after " + ", ".join(notes)


SCENARIOS = [
    ("demo-alone", scenario_demo_alone),
    ("live", scenario_live),
    ("live-world", scenario_world),
    ("live-untrusted", scenario_untrusted),
    ("live-faults", scenario_faults),
]


def parse_wine_options(description, add_arguments=lambda parser: None):
    """The command line of a Wine suite of the live program: the program,
    the fake and its certificate maker, what `add_arguments` adds, and
    --display, --only and --keep."""
    parser = argparse.ArgumentParser(description=description,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True, help="tickwell.exe built with the live source")
    parser.add_argument("--fake", required=True, help="tickwell-nws-fake")
    parser.add_argument("--make-cert", required=True, help="make_test_cert.sh")
    add_arguments(parser)
    parser.add_argument("--display", help="an X display number to start Xvfb on, e.g. :64")
    parser.add_argument("--only", action="append", help="run only this scenario (repeatable)")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    options = parser.parse_args()
    options.wine_environment = {key: os.environ[key] for key in
                                ("WINEPREFIX", "WINEARCH", "WINEDEBUG", "WINEDLLOVERRIDES")
                                if key in os.environ}
    return options


def run_wine_suite(options, scenarios, make_context, name, label="", scenario_prefix=""):
    """Runs `scenarios` on a virtual display of their own, each with the
    program's key cleared, against a certificate made in a work folder
    (tickwell-wine-NAME-...) that is kept when one fails or with --keep.
    The prefix's Wine server and desktop process start afresh on that
    display and stop at the end: one left on an earlier suite's display,
    gone by now, stalls the start of Wine's programs (reg among them) for
    up to a minute. `make_context(options, desktop, work, certs)` makes
    what the scenarios share. Prints the summary ("all LABELscenarios
    passed") and returns the exit status."""
    work = tempfile.mkdtemp(prefix=f"tickwell-wine-{name}-")
    certs = os.path.join(work, "certs")
    subprocess.run([options.make_cert, certs], check=True, stdout=subprocess.DEVNULL)
    xvfb = FixedXvfb(options.display) if options.display else e2e.Xvfb()
    context = make_context(options, e2e.Desktop(xvfb.display), work, certs)
    wine_server = e2e.WineServer(context.environment)
    failures = 0
    try:
        failures = e2e.run_scenarios(scenarios, options.only, context, prefix=scenario_prefix,
                                     before_each=context.registry.clear)
    finally:
        context.cleanup()
        context.registry.clear()
        wine_server.stop()
        xvfb.stop()
        if options.keep or failures:
            print(f"work folder kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)
    print(f"{failures} {label}scenario(s) failed" if failures
          else f"all {label}scenarios passed")
    return 1 if failures else 0


def main():
    options = parse_wine_options(
        __doc__, lambda parser: parser.add_argument("--demo", required=True,
                                                    help="tickwell-demo.exe"))
    return run_wine_suite(options, SCENARIOS, Context, "live")

if __name__ == "__main__":
    sys.exit(main())
