#!/usr/bin/env python3
"""Refreshes out of turn, end to end on Linux, with the refresh interval at
an hour, against the HTTPS fake of the weather service:

- wake: on a private bus given as DBUS_SYSTEM_BUS_ADDRESS a stand-in of
  logind (login1_standin.py) sends PrepareForSleep(true), then (false): the
  fake's new readings show within 30 s, though its answers said they stay
  fresh for ten minutes.
- no-system-bus: with no bus at the address, one line on standard error,
  and the readings come all the same.
- network-back (needs root; skipped otherwise): in a network namespace
  whose default route is taken away during a refresh, and given back once
  that refresh has failed, a refresh reaches the fake within 30 s of the
  route's return and its new readings show.

    wake_network_e2e.py --build build/linux [--port 18470] [--display :64]

Uses the live suites' runner (certificate, display, fake, clean-up and
verdict). Standard library only; the stand-in needs /usr/bin/python3 with
python3-dbus and python3-gi.
"""

import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from live_e2e import FAKE_READOUTS, Run, parse_options, run_suite  # noqa: E402
from login_network_e2e import Namespace, make_certificates, run  # noqa: E402
from tickwell_e2e import BUSY_LAMP, IDLE_LAMP, LAMP_PIXEL, check, pixel, port_in_use, wait_until  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
# The `warmer` scenario's observation: 10 C, the rest as in `ok`.
WARMER_READOUTS = [("50o", 15), ("057", 45), ("30.23", 75), ("13o", 115)]
# Settings: the station, and a refresh every hour (ticks of a quarter second).
HOURLY = "Station=KXYZ\nInterval=14400\n"
LIMIT = 30.0


class PrivateBus:
    """A dbus-daemon of the test's own, with the logind stand-in on it."""

    def __init__(self):
        result = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                                 "--print-pid=1"], capture_output=True, text=True, timeout=10)
        address, pid = result.stdout.split()[:2]
        self.address = address
        self.pid = int(pid)
        self.standin = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(HERE, "login1_standin.py"), self.address],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        check(self.standin.stdout.readline().strip() == "ready", "the logind stand-in did not start")

    def send(self, command):
        self.standin.stdin.write(command + "\n")
        self.standin.stdin.flush()
        check(self.standin.stdout.readline().strip() == f"sent {command}",
              f"the stand-in did not send {command}")

    def stop(self):
        self.standin.stdin.close()
        self.standin.wait(timeout=10)
        os.kill(self.pid, signal.SIGTERM)


def lamp(run, origin):
    return pixel(run.context.desktop.screenshot(), *run.client(origin, LAMP_PIXEL))


def readings_requests(context):
    return [target for _, target, _ in context.fake.requests()
            if target.endswith("/observations/latest")]


def scenario_wake(context):
    """PrepareForSleep(true) then (false): the new readings within 30 s."""
    context.fake.scenario("ok")
    # The answers say they stay fresh for ten minutes: only the wake-up
    # makes them stale before then.
    context.fake.control("maxage?seconds=600")
    bus = PrivateBus()
    try:
        run = Run(context, "wake", settings=HOURLY,
                  extra_environment={"DBUS_SYSTEM_BUS_ADDRESS": bus.address})
        origin = run.window()
        run.shows(origin, FAKE_READOUTS)
        context.fake.scenario("warmer")
        before = len(readings_requests(context))
        bus.send("sleep")
        time.sleep(2.5)  # past the spacing (2 s here); asleep, nothing is asked
        check(len(readings_requests(context)) == before, "a refresh went out before the wake-up")
        check(lamp(run, origin) == IDLE_LAMP, "a refresh runs before the wake-up")
        bus.send("wake")
        woke = time.monotonic()
        run.shows(origin, WARMER_READOUTS, timeout=LIMIT)
        took = time.monotonic() - woke
        with open(run.output, encoding="utf-8", errors="replace") as handle:
            output = handle.read()
        check("timer only" not in output, f"the program did not watch the bus: {output!r}")
        run.close(origin)
        return f"new readings {took:.1f} s after PrepareForSleep(false)"
    finally:
        bus.stop()
        context.fake.control("maxage?seconds=0")


def scenario_no_system_bus(context):
    """No bus at DBUS_SYSTEM_BUS_ADDRESS: one line, the readings all the same."""
    context.fake.scenario("ok")
    missing = os.path.join(context.work, "no-bus-here")
    run = Run(context, "no-bus", settings=HOURLY,
              extra_environment={"DBUS_SYSTEM_BUS_ADDRESS": f"unix:path={missing}"})
    origin = run.window()
    run.shows(origin, FAKE_READOUTS)
    run.close(origin)
    with open(run.output, encoding="utf-8", errors="replace") as handle:
        lines = [line for line in handle.read().splitlines() if line]
    said = [line for line in lines if "system bus" in line]
    check(len(said) == 1 and said[0].startswith("tickwell: no system bus")
          and said[0].endswith("refreshing on the timer only"), f"standard error: {lines}")
    return said[0]


class HostFake:
    """The fake on every address of this side, restartable on its port,
    logging to one file."""

    def __init__(self, context, certs, address, port):
        self.command = [context.options.fake, "--host", "0.0.0.0", "--port", str(port), "--cert",
                        os.path.join(certs, "server.pem"), "--key",
                        os.path.join(certs, "server.key"), "--max-age", "0"]
        self.log = os.path.join(context.work, "netns-fake.log")
        self.address = address
        self.port = port
        self.process = None

    def start(self, scenario):
        check(not port_in_use(self.port), f"port {self.port} is taken by another program")
        self.process = subprocess.Popen([*self.command, "--log", self.log, "--scenario", scenario],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        check(wait_until(lambda: port_in_use(self.port), 10), "the fake did not start listening")

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(timeout=10)

    def requests(self):
        try:
            with open(self.log, encoding="utf-8", errors="replace") as handle:
                return [line for line in handle if "\t/_fake/" not in line]
        except FileNotFoundError:
            return []


def scenario_network_back(context):
    """The default route taken away during a refresh and given back: a
    refresh within 30 s of its return shows the new readings."""
    if os.geteuid() != 0 or not shutil.which("ip"):
        print("  SKIP network-back: it needs root and ip(8)")
        return "skipped"
    index = os.getpid() % 50
    namespace = Namespace(f"twk{os.getpid() % 100000}", f"10.{150 + index}.0")
    # The fake's address sits behind the default route: on this side, but
    # outside the link's own subnet.
    service = f"10.{150 + index}.1.1"
    certs = os.path.join(context.work, "netns-certs")
    make_certificates(certs, service)
    fake = HostFake(context, certs, service, context.options.port + 2)
    try:
        fake.start("ok")
        namespace.connect()
        run("ip", "addr", "add", f"{service}/32", "dev", namespace.outer)
        inside = ("ip", "netns", "exec", namespace.name)
        program = Run(context, "netns", settings=HOURLY, prefix=inside, extra_environment={
            "TICKWELL_API_BASE": f"https://{service}:{fake.port}",
            "TICKWELL_CA_FILE": os.path.join(certs, "ca.pem"),
            "DBUS_SYSTEM_BUS_ADDRESS": f"unix:path={context.work}/no-bus"})
        origin = program.window()
        program.shows(origin, FAKE_READOUTS)
        # A refresh whose first request hangs; the route goes while it waits,
        # then that connection breaks, so the rest of the refresh finds no
        # way to the service.
        fake.stop()
        fake.start("hang")
        time.sleep(2.2)  # past the spacing
        before = len(fake.requests())
        program.update_now(origin)
        check(wait_until(lambda: lamp(program, origin) == BUSY_LAMP, 5),
              "the refresh did not start")
        time.sleep(0.5)
        run(*inside, "ip", "route", "del", "default")
        fake.stop()
        # Once the refresh has failed and ended, nothing more is asked, and
        # no refresh runs that could find the route on its own.
        check(wait_until(lambda: lamp(program, origin) == IDLE_LAMP, 30, interval=0.3),
              "the refresh without a route did not end")
        failed = len(fake.requests())
        quiet = time.monotonic()
        while time.monotonic() - quiet < 2:
            check(lamp(program, origin) == IDLE_LAMP, "a refresh started without a route")
            time.sleep(0.2)
        fake.start("warmer")
        check(len(fake.requests()) == failed, "requests went out without a route")
        run(*inside, "ip", "route", "add", "default", "via", namespace.host_address)
        back = time.monotonic()
        check(wait_until(lambda: len(fake.requests()) > failed, LIMIT, interval=0.2),
              f"no request within {LIMIT:.0f} s of the route's return")
        asked = time.monotonic() - back
        program.shows(origin, WARMER_READOUTS, timeout=max(1.0, LIMIT - asked))
        shown = time.monotonic() - back
        program.close(origin)
        return (f"{failed - before} answer(s) during the refresh; after the route's return "
                f"a request at {asked:.1f} s, new readings at {shown:.1f} s")
    finally:
        context.cleanup()
        fake.stop()
        namespace.remove()


SCENARIOS = [
    ("wake", scenario_wake),
    ("no-system-bus", scenario_no_system_bus),
    ("network-back", scenario_network_back),
]


def main():
    options = parse_options()
    return run_suite(options, SCENARIOS, "wake-network", "wake-")


if __name__ == "__main__":
    sys.exit(main())
