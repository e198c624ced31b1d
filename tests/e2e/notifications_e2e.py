#!/usr/bin/env python3
"""End to end: desktop notifications of warnings from the live program on a
private session bus with a real notification daemon (dunst under Xvfb),
every call seen by dbus-monitor, against the HTTPS fake's storm steps:

  1. a Tornado Warning, one Severe Thunderstorm Warning under two ids and a
     Wind Advisory: one notification for each warning, none for the
     advisory;
  2. the tornado warning updated: changed in place (replaces_id), no new one;
  3. the update cancelled: the tornado notification closed;
  4. the program restarted: no notification at all.

A start without a notification server says so in one line and runs on.

    notifications_e2e.py --build build/linux [--port 18191] [--display :62] [--shot FILE]
"""

import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from live_e2e import FAKE_READOUTS, Run, parse_options, run_suite  # noqa: E402
from tickwell_e2e import check, wait_until  # noqa: E402


BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


class SessionBus:
    """A private session bus with dbus-monitor watching the notification
    interface, and dunst when asked for."""

    def __init__(self, work, environment, with_server):
        # No service folders: nothing is started on demand, so the server
        # is the one started here or none.
        config = os.path.join(work, "bus.conf")
        with open(config, "w", encoding="ascii") as handle:
            handle.write(BUS_CONFIG.format(folder=work))
        self.daemon = subprocess.Popen(
            ["dbus-daemon", f"--config-file={config}", "--nofork", "--nopidfile",
             "--print-address=1"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.address = self.daemon.stdout.readline().strip()
        check(self.address.startswith("unix:"), f"dbus-daemon gave no address: {self.address!r}")
        self.environment = dict(environment, DBUS_SESSION_BUS_ADDRESS=self.address)
        self.log = os.path.join(work, f"monitor-{time.monotonic_ns()}.log")
        self.monitor = subprocess.Popen(
            ["dbus-monitor", "--address", self.address,
             "interface='org.freedesktop.Notifications'", "type='method_return'"],
            stdout=open(self.log, "w"), stderr=subprocess.DEVNULL)
        self.server = None
        if with_server:
            self.server = subprocess.Popen(["dunst"], env=self.environment,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            check(wait_until(self.server_up, 10), "dunst did not take the notification name")
        time.sleep(0.3)  # the monitor's match in place

    def server_up(self):
        result = subprocess.run(
            ["dbus-send", f"--bus={self.address}", "--print-reply", "--dest=org.freedesktop.DBus",
             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
             "string:org.freedesktop.Notifications"], capture_output=True, text=True)
        return "boolean true" in result.stdout

    def calls(self):
        """(member, arguments, serial) of each call, and {reply serial: id}."""
        calls, replies, current, open_string = [], {}, None, None
        with open(self.log, encoding="utf-8", errors="replace") as handle:
            for line in handle:
                if open_string is not None:
                    # A string with line breaks goes on until its closing quote.
                    open_string.append(line.rstrip("\n"))
                    if line.rstrip("\n").endswith('"'):
                        current[1].append("\n".join(open_string)[:-1])
                        open_string = None
                    continue
                head = re.match(r"(method call|method return|signal|error) .*?serial=(\d+)"
                                r"(?: .*?reply_serial=(\d+))?(?:.*member=(\w+))?", line)
                if head:
                    current = None
                    if head.group(1) == "method call":
                        current = [head.group(4), [], int(head.group(2))]
                        calls.append(current)
                    elif head.group(1) == "method return":
                        current = ["return", [], int(head.group(3) or 0)]
                        replies[current[2]] = current
                    continue
                value = re.match(r"   (string|uint32|variant\s+byte) (.*)", line.rstrip("\n"))
                if value and current is not None:
                    text = value.group(2)
                    if value.group(1) == "string" and (len(text) < 2 or not text.endswith('"')):
                        open_string = [text[1:]]
                    else:
                        current[1].append(text.strip('"'))
        return calls, replies

    def notifications(self):
        """Each Notify as (replaces_id, summary, body, the server's id)."""
        calls, replies = self.calls()
        shown = []
        for member, arguments, serial in calls:
            if member == "Notify" and len(arguments) >= 5:
                reply = replies.get(serial)
                server_id = reply[1][0] if reply and reply[1] else None
                shown.append((arguments[1], arguments[3], arguments[4], server_id))
        return shown

    def closed(self):
        calls, _ = self.calls()
        return [arguments[0] for member, arguments, _ in calls
                if member == "CloseNotification" and arguments]

    def stop(self):
        for process in (self.server, self.monitor, self.daemon):
            if process is not None and process.poll() is None:
                process.terminate()
                process.wait(timeout=10)


def alert_requests(context):
    return len([t for _, t, _ in context.fake.requests() if t.startswith("/alerts/active")])


def refresh(run, origin, context, scenario):
    """Turns the fake to `scenario` and has one refresh fetch the alerts."""
    context.fake.scenario(scenario)
    time.sleep(2.2)  # past the request spacing
    before = alert_requests(context)
    run.update_now(origin)
    check(wait_until(lambda: alert_requests(context) > before, 10),
          f"{scenario}: the refresh did not ask for the alerts")
    time.sleep(1.5)  # the fetch's end and a heartbeat to hand the messages over


def new_ones(shown):
    return [(summary, body) for replaces, summary, body, _ in shown if replaces == "0"]


def scenario_storm(context):
    """Storm, update, cancel and restart: one notification a warning, closed at the cancel."""
    bus = SessionBus(context.work, context.desktop.environment, with_server=True)
    try:
        environment = {"DBUS_SESSION_BUS_ADDRESS": bus.address}
        context.fake.scenario("storm")
        run = Run(context, "storm", ["--station", "KXYZ"], environment)
        origin = run.window()
        run.shows(origin, FAKE_READOUTS)
        check(wait_until(lambda: len(new_ones(bus.notifications())) >= 2, 10),
              f"step 1: not two notifications: {bus.notifications()}")
        time.sleep(1.0)
        if context.options.shot:
            os.makedirs(os.path.dirname(context.options.shot), exist_ok=True)
            context.desktop.save_screenshot(context.options.shot)
        first = new_ones(bus.notifications())
        summaries = sorted(summary for summary, _ in first)
        check(summaries == ["Severe Thunderstorm Warning", "Tornado Warning"],
              f"step 1: notified {summaries}")
        tornado_body = next(body for summary, body in first if summary == "Tornado Warning")
        check(re.match(r"Until \d{1,2}:\d\d [AP]M", tornado_body)
              and "Tornado Warning issued by NWS Boulder CO" in tornado_body
              and "Take shelter now." in tornado_body and "interior" not in tornado_body,
              f"step 1: the tornado notification says {tornado_body!r}")
        with open(bus.log, encoding="utf-8") as handle:
            hints = re.sub(r"\s+", " ", handle.read())
        check('string "sound-name" variant string "dialog-warning"' in hints
              and 'string "urgency" variant byte 2' in hints
              and 'string "urgency" variant byte 1' in hints,
              "step 1: no warning sound, or not critical for the Extreme warning only")
        tornado_id = next(server for replaces, summary, _, server in bus.notifications()
                          if summary == "Tornado Warning")

        refresh(run, origin, context, "storm-update")
        shown = bus.notifications()
        check(len(new_ones(shown)) == 2, f"step 2: a new notification for the update: {shown}")
        updates = [s for s in shown if s[0] != "0"]
        check(len(updates) == 1 and updates[0][0] == tornado_id
              and "remains in effect" in updates[0][2],
              f"step 2: the tornado notification was not replaced in place: {shown}")

        refresh(run, origin, context, "storm-cancel")
        check(wait_until(lambda: bus.closed() == [tornado_id], 5),
              f"step 3: closed {bus.closed()}, not the tornado's {tornado_id}")
        check(len(bus.notifications()) == 3, f"step 3: notified {bus.notifications()}")
        state = os.path.join(run.home, ".local/state/tickwell/warnings")
        check(os.path.exists(state), "the warnings notified were not kept")
        run.close(origin)

        before = len(bus.notifications())
        again = Run(context, "storm", ["--station", "KXYZ"], environment)
        origin = again.window()
        again.shows(origin, FAKE_READOUTS)
        time.sleep(2.0)
        check(len(bus.notifications()) == before,
              f"step 4: notified after the restart: {bus.notifications()[before:]}")
        again.close(origin)
    finally:
        bus.stop()


def scenario_no_server(context):
    """A bus without a notification server: one line on standard error, the ticker as before."""
    bus = SessionBus(context.work, context.desktop.environment, with_server=False)
    try:
        context.fake.scenario("storm")
        run = Run(context, "no-server", ["--station", "KXYZ"],
                  {"DBUS_SESSION_BUS_ADDRESS": bus.address})
        origin = run.window()
        run.shows(origin, FAKE_READOUTS)
        check(wait_until(lambda: ".TORNADO WARNING" in run.page_or_empty("forecast.txt"), 10),
              "the ticker lost its alert lines")
        run.close(origin)
        with open(run.output, encoding="utf-8", errors="replace") as handle:
            lines = [line for line in handle if "notification" in line]
        check(len(lines) == 1 and "no notification server" in lines[0],
              f"standard error says {lines}")
    finally:
        bus.stop()


SCENARIOS = [
    ("storm", scenario_storm),
    ("no-server", scenario_no_server),
]


def main():
    sys.argv, shot = without_shot_option(sys.argv)
    options = parse_options()
    options.shot = shot
    return run_suite(options, SCENARIOS, "notifications", "notifications-")


def without_shot_option(arguments):
    """The arguments without `--shot FILE` (a screenshot of step 1), and FILE."""
    if "--shot" in arguments:
        at = arguments.index("--shot")
        return arguments[:at] + arguments[at + 2:], arguments[at + 1]
    return arguments, None


if __name__ == "__main__":
    sys.exit(main())
