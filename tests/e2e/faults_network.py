#!/usr/bin/env python3
"""Fault scenarios against the running program, on top of tickwell_e2e.py's
driver: a server that stops answering while the program runs, and the
program closed while a fetch waits for that server.

    faults_network.py --build build/e2e [--port N] [--only NAME]

Takes the same options as tickwell_e2e.py (tests/e2e/run.sh builds the tree).
"""

import os
import sys
import time
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tickwell_e2e as e2e  # noqa: E402

TICKER = (25, 5, 195, 20)  # the ticker strip, client pixels


def control(context, command):
    """Sends one /control/ command to the stand-in weather server."""
    url = f"http://127.0.0.1:{context.options.port}/control/{command}"
    with urllib.request.urlopen(url, timeout=5) as answer:
        return answer.read().decode("ascii", "replace")


def weather_requests(context):
    """The server's log lines for the two weather pages."""
    return [line for line in control(context, "log").splitlines()
            if "webfcst" in line or "showProduct" in line]


def lamp(context, origin):
    shot = context.desktop.screenshot()
    return e2e.pixel(shot, *context.client_point(origin, e2e.LAMP_PIXEL))


def ticker_strip(context, origin):
    shot = context.desktop.screenshot()
    left, top, right, bottom = TICKER
    return bytes(b for y in range(top, bottom) for x in range(left, right)
                 for b in e2e.pixel(shot, *context.client_point(origin, (x, y))))


def start_with_readings(context, name):
    """Starts the program against a healthy server and waits until the first
    refresh is shown and over."""
    context.start_server()
    control(context, "clear")
    control(context, "up")
    home = context.config_home(name)
    program = context.start(home)
    _, x, y = context.main_window()
    origin = (x, y)

    def settled():
        shot = context.desktop.screenshot()
        idle = e2e.pixel(shot, *context.client_point(origin, e2e.LAMP_PIXEL)) == e2e.IDLE_LAMP
        return idle and not e2e.readout_mismatches(shot, origin)

    e2e.check(e2e.wait_until(settled, 20, interval=0.5), "the first refresh was not shown")
    return program, home, origin


def update_now(context, origin):
    e2e.open_menu(context, origin)
    context.desktop.keys("u")  # the access key of "&Update now"
    time.sleep(0.3)


def scenario_hang_then_close(context):
    """The server stops answering during a refresh: the lamp stays lit, the
    ticker keeps scrolling, "&Update now" starts nothing more, and closing
    the window ends the program at once with its settings saved."""
    program, home, origin = start_with_readings(context, "hang")
    control(context, "fault?page=forecast&kind=hang")
    before = len(weather_requests(context))
    update_now(context, origin)
    e2e.check(e2e.wait_until(lambda: lamp(context, origin) == e2e.BUSY_LAMP, 5),
              "the lamp did not light for the refresh")
    e2e.check(e2e.wait_until(lambda: len(weather_requests(context)) == before + 1, 5),
              "the refresh did not ask the server")

    first = ticker_strip(context, origin)
    time.sleep(1.0)
    e2e.check(ticker_strip(context, origin) != first, "the ticker stopped while the fetch hangs")

    update_now(context, origin)
    context.desktop.keys("Escape")  # in case the disabled item left the menu open
    time.sleep(1.0)
    e2e.check(len(weather_requests(context)) == before + 1,
              "a second refresh started while the first one hangs")
    e2e.check(lamp(context, origin) == e2e.BUSY_LAMP, "the lamp went dark during the hang")

    started = time.monotonic()
    context.close_with_button(program, origin)
    took = time.monotonic() - started
    e2e.check(took < 5, f"closing took {took:.1f} s while a fetch hung")
    saved = context.settings(home).read()
    e2e.check(saved.get("WinX") == origin[0] and saved.get("WinY") == origin[1],
              f"settings not saved on exit: {saved}")
    control(context, "clear")
    return f"closed in {took:.1f} s"


def scenario_down_and_back(context):
    """The server goes down while the program runs: a refresh gives up with
    the readings kept and the lamp dark; once the server is back, the next
    refresh fetches both pages again."""
    program, _, origin = start_with_readings(context, "down")
    control(context, "down")
    update_now(context, origin)
    e2e.check(e2e.wait_until(lambda: lamp(context, origin) == e2e.BUSY_LAMP, 5),
              "the lamp did not light for the refresh")
    # Twenty failed attempts take about 20 s of pauses.
    e2e.check(e2e.wait_until(lambda: lamp(context, origin) == e2e.IDLE_LAMP, 40, interval=0.5),
              "the refresh against a server that is down did not end")
    shot = context.desktop.screenshot()
    e2e.check(not e2e.readout_mismatches(shot, origin), "the readings changed while the server was down")

    control(context, "up")
    before = [line for line in weather_requests(context) if line.endswith(" 200")]
    update_now(context, origin)
    e2e.check(e2e.wait_until(
        lambda: len([line for line in weather_requests(context) if line.endswith(" 200")])
        >= len(before) + 2, 10), "no refresh after the server came back")
    e2e.check(e2e.wait_until(lambda: lamp(context, origin) == e2e.IDLE_LAMP, 10),
              "the lamp stayed lit after the server came back")
    context.close_with_button(program, origin)


SCENARIOS = [
    ("fault-hang-then-close", scenario_hang_then_close),
    ("fault-down-and-back", scenario_down_and_back),
]

if __name__ == "__main__":
    e2e.SCENARIOS = SCENARIOS
    sys.exit(e2e.main())
