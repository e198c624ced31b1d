#!/usr/bin/env python3
"""The Windows program on screens of high density, under Wine: with the
desktop at 192 dpi the window is 400x90 and shows the very picture of the 1x
window with every pixel a 2x2 square: of the window at 96 dpi, the close
button's "X" included, and of the 1x window forced by Scale=1 that runs
beside it, the ticker too; at 96 dpi it is 200x45; Scale=3 gives 600x135 in 3x3 squares;
the enlarged close button still closes, and the saved position is in screen
pixels.

    wine_dpi_e2e.py --program build/win64/tickwell-demo.exe [--shots DIR]

The demo serves its own sample pages, so no server is needed. The density
is Wine's LogPixels of the current user (HKCU\\Control Panel\\Desktop), read
when Wine's server starts, so each density restarts it. Run it with the
Wine environment of scripts/wine-env.sh (e.g. through tests/e2e/wine_run.sh).
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tickwell_e2e as e2e  # noqa: E402
from wine_live_e2e import Registry  # noqa: E402

KEY = r"HKCU\Software\Quillfen\Tickwell"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
WIDTH, HEIGHT = 200, 45
# Inside the ticker's frame, client pixels, right and bottom outside.
TICKER = (26, 6, 194, 19)
CHARACTER_WIDTH = 8  # at least as wide as a character of the ticker's font


class Screen:
    """One screenshot, read at 1x through a window's enlargement."""

    def __init__(self, shot):
        self.shot = shot

    def at(self, origin, x, y, scale=1, dx=0, dy=0):
        return e2e.pixel(self.shot, origin[0] + x * scale + dx, origin[1] + y * scale + dy)


def uneven_squares(screen, origin, scale):
    """1x pixels of the window at `origin` whose scale x scale square is not
    of one colour."""
    wrong = []
    for y in range(HEIGHT):
        for x in range(WIDTH):
            first = screen.at(origin, x, y, scale)
            if any(screen.at(origin, x, y, scale, dx, dy) != first
                   for dy in range(scale) for dx in range(scale)):
                wrong.append((x, y))
    return wrong


def inside(rects, x, y):
    return any(left <= x < right and top <= y < bottom for left, top, right, bottom in rects)


def picture_mismatches(screen, plain, big, scale):
    """Window pixels (the border's included) where the enlarged window's
    squares differ from the 1x window, outside what moves with time."""
    wrong = []
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if inside(e2e.TIME_DEPENDENT, x - e2e.BORDER, y - e2e.BORDER):
                continue
            if screen.at(big, x, y, scale) != screen.at(plain, x, y):
                wrong.append((x, y))
    return wrong


def reference_mismatches(screen, big, reference, scale):
    """Window pixels where the enlarged window's squares differ from the
    window at 96 dpi (`reference`), outside what moves with time."""
    wrong = []
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if inside(e2e.TIME_DEPENDENT, x - e2e.BORDER, y - e2e.BORDER):
                continue
            if screen.at(big, x, y, scale) != reference[(x, y)]:
                wrong.append((x, y))
    return wrong


def readout_mismatches(screen, origin, scale):
    wrong = []
    for text, x in e2e.SAMPLE_READOUTS:
        for point, lit in e2e.expected_segments(text, x, e2e.READOUT_Y, e2e.SEGMENT_LENGTH):
            seen = screen.at(origin, e2e.BORDER + point[0], e2e.BORDER + point[1], scale)
            if seen != (e2e.LIT if lit else e2e.UNLIT):
                wrong.append((text, point, seen))
    return wrong


def ticker_shift(screen, plain, big, scale):
    """The number of 1x pixels by which the enlarged window's ticker text
    stands shifted against the 1x window's (they scroll on timers of their
    own), or None when no shift shows the same text over at least half the
    strip."""
    left, top, right, bottom = TICKER
    width = right - left

    def column(origin, x, window_scale):
        return tuple(screen.at(origin, e2e.BORDER + left + x, e2e.BORDER + y, window_scale)
                     for y in range(top, bottom))

    plain_columns = [column(plain, x, 1) for x in range(width)]
    big_columns = [column(big, x, scale) for x in range(width)]
    # The strip's last character cell may show a glyph cut short.
    shown = width - CHARACTER_WIDTH
    for shift in range(-width // 2, width // 2 + 1):
        overlap = [(x, x + shift) for x in range(shown) if 0 <= x + shift < shown]
        if len(overlap) >= shown // 2 and \
                all(big_columns[x] == plain_columns[y] for x, y in overlap) and \
                len(set(big_columns)) > 2:
            return shift
    return None


class Context:
    def __init__(self, options, desktop, work):
        self.options = options
        self.desktop = desktop
        self.work = work
        self.environment = dict(desktop.environment, **options.wine_environment)
        self.registry = Registry(self.environment)
        self.server = None
        self.processes = []

    def set_density(self, dpi):
        result = self.registry.run("add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD",
                                   "/d", str(dpi), "/f")
        e2e.check(result.returncode == 0, f"LogPixels not set: {result.stderr.strip()}")
        if self.server:
            self.server.stop()
        self.server = e2e.WineServer(self.environment)

    def set_settings(self, **values):
        for name, value in values.items():
            if value is None:
                self.registry.run("delete", KEY, "/v", name, "/f")
                continue
            result = self.registry.run("add", KEY, "/v", name, "/t", "REG_DWORD", "/d",
                                       str(value), "/f")
            e2e.check(result.returncode == 0, f"{name} not set: {result.stderr.strip()}")

    def start(self):
        before = set(self.desktop.find_windows("Tickwell"))
        log = open(os.path.join(self.work, "program.log"), "ab")
        process = subprocess.Popen(["wine", self.options.program], env=self.environment,
                                   stdout=log, stderr=subprocess.STDOUT)
        self.processes.append(process)
        found = e2e.wait_until(lambda: set(self.desktop.find_windows("Tickwell")) - before, 30)
        e2e.check(found, "no new window appeared")
        window = found.pop()
        x, y, width, height = self.desktop.geometry(window)
        return process, (x, y), (width, height)

    def wait_for_readouts(self, origin, scale, name):
        if not e2e.wait_until(lambda: not readout_mismatches(
                Screen(self.desktop.screenshot()), origin, scale), 30, interval=0.5):
            self.save(f"{name}-failed.png")
            wrong = readout_mismatches(Screen(self.desktop.screenshot()), origin, scale)
            raise e2e.Failure(f"{name}: readings not shown: {wrong[:4]} ({len(wrong)} wrong)")

    def save(self, name, crop=None):
        folder = self.options.shots or self.work
        os.makedirs(folder, exist_ok=True)
        self.desktop.save_screenshot(os.path.join(folder, name), crop)

    def close(self, process, origin, scale):
        x = origin[0] + (e2e.BORDER + e2e.CLOSE_BUTTON[0]) * scale + scale // 2
        y = origin[1] + (e2e.BORDER + e2e.CLOSE_BUTTON[1]) * scale + scale // 2
        self.desktop.click(x, y)
        try:
            code = process.wait(timeout=15)
        except subprocess.TimeoutExpired:
            raise e2e.Failure(f"the {scale}x close button did not end the program")
        e2e.check(code == 0, f"exit code {code} after the {scale}x close button")

    def cleanup(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.processes = []

    def stop(self):
        self.cleanup()
        self.registry.clear()
        self.registry.run("delete", DESKTOP_KEY, "/v", "LogPixels", "/f")
        if self.server:
            self.server.stop()


def start_at_96_dpi(context, name):
    """The window at 96 dpi, 200x45, with the sample readings shown."""
    context.set_density(96)
    context.set_settings(WinX=0, WinY=0)
    process, origin, size = context.start()
    e2e.check(size == (WIDTH, HEIGHT), f"at 96 dpi the window is {size}, not 200x45")
    context.wait_for_readouts(origin, 1, name)
    return process, origin


def reference_picture(context):
    """The window's pixels at 96 dpi, once its readings are shown."""
    _, origin = start_at_96_dpi(context, "reference")
    screen = Screen(context.desktop.screenshot())
    context.save("windows-96dpi.png", (WIDTH + 10, HEIGHT + 10, 0, 0))
    context.cleanup()
    return {(x, y): screen.at(origin, x, y) for y in range(HEIGHT) for x in range(WIDTH)}


def scenario_double_density(context):
    """At 192 dpi: Scale=1 forces a 200x45 window; without Scale the window is
    400x90, every 1x pixel a 2x2 square, the same picture as the window at
    96 dpi and as the 1x window (the border and the close button included)
    and the same ticker text; its close button ends it, and its position is
    saved in screen pixels."""
    reference = reference_picture(context)
    context.set_density(192)
    context.set_settings(WinX=0, WinY=0, Scale=1)
    _, plain, size = context.start()
    e2e.check(size == (WIDTH, HEIGHT), f"with Scale=1 the window is {size}, not 200x45")
    context.set_settings(WinX=0, WinY=100, Scale=None)
    big_process, big, size = context.start()
    e2e.check(size == (2 * WIDTH, 2 * HEIGHT), f"at 192 dpi the window is {size}, not 400x90")
    context.wait_for_readouts(plain, 1, "plain")
    context.wait_for_readouts(big, 2, "double")
    # Both tickers restart their text ("&Today's Forecast"), a moment apart,
    # so that both show some of the same stretch of it.
    for origin, scale in ((plain, 1), (big, 2)):
        context.desktop.click(origin[0] + 100 * scale, origin[1] + 30 * scale, button=3)
        time.sleep(0.5)
        context.desktop.keys("t")

    def same_picture():
        screen = Screen(context.desktop.screenshot())
        if uneven_squares(screen, big, 2) or picture_mismatches(screen, plain, big, 2) or \
                reference_mismatches(screen, big, reference, 2):
            return None
        shift = ticker_shift(screen, plain, big, 2)
        return None if shift is None else (shift,)

    matched = e2e.wait_until(same_picture, 20, interval=0.5)
    if not matched:
        screen = Screen(context.desktop.screenshot())
        context.save("double-failed.png")
        raise e2e.Failure(f"uneven squares {uneven_squares(screen, big, 2)[:5]}, "
                          f"pixels unlike 1x {picture_mismatches(screen, plain, big, 2)[:5]}, "
                          f"pixels unlike 96 dpi "
                          f"{len(reference_mismatches(screen, big, reference, 2))}: "
                          f"{reference_mismatches(screen, big, reference, 2)[:5]}, "
                          f"ticker shift {ticker_shift(screen, plain, big, 2)}")
    context.save("windows-192dpi.png", (2 * WIDTH + 10, 100 + 2 * HEIGHT + 10, 0, 0))
    context.close(big_process, big, 2)
    values = context.registry.values()
    e2e.check(values.get("WinY") == ("REG_DWORD", "0x64"), f"saved position {values}")
    return f"the tickers {abs(matched[0])} px apart"


def scenario_ordinary_density(context):
    """At 96 dpi the window is 200x45 with the sample readings."""
    process, origin = start_at_96_dpi(context, "plain")
    context.close(process, origin, 1)


def scenario_forced_triple(context):
    """Scale=3 at 96 dpi: 600x135, every 1x pixel a 3x3 square, the
    readings right; Scale=7 is passed over (200x45)."""
    context.set_density(96)
    context.set_settings(WinX=0, WinY=0, Scale=7)
    _, _, size = context.start()
    e2e.check(size == (WIDTH, HEIGHT), f"with Scale=7 the window is {size}, not 200x45")
    context.cleanup()
    context.set_settings(WinX=0, WinY=0, Scale=3)
    process, origin, size = context.start()
    e2e.check(size == (3 * WIDTH, 3 * HEIGHT), f"with Scale=3 the window is {size}, not 600x135")
    context.wait_for_readouts(origin, 3, "triple")
    wrong = uneven_squares(Screen(context.desktop.screenshot()), origin, 3)
    e2e.check(not wrong, f"uneven 3x3 squares at {wrong[:5]}")
    context.close(process, origin, 3)


SCENARIOS = [
    ("double-density", scenario_double_density),
    ("ordinary-density", scenario_ordinary_density),
    ("forced-triple", scenario_forced_triple),
]


def parse_options():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="tickwell-demo.exe")
    parser.add_argument("--shots", help="folder for the screenshots")
    parser.add_argument("--only", action="append", help="run only this scenario (repeatable)")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    options = parser.parse_args()
    options.wine_environment = {key: os.environ[key] for key in
                                ("WINEPREFIX", "WINEARCH", "WINEDEBUG", "WINEDLLOVERRIDES",
                                 "WINELOADER", "PATH") if key in os.environ}
    return options


def main():
    options = parse_options()
    work = tempfile.mkdtemp(prefix="tickwell-wine-dpi-")
    xvfb = e2e.Xvfb()
    context = Context(options, e2e.Desktop(xvfb.display), work)
    failures = 0
    try:
        failures = e2e.run_scenarios(SCENARIOS, options.only, context, prefix="wine-dpi-",
                                     before_each=context.registry.clear)
    finally:
        context.stop()
        xvfb.stop()
        if options.keep or failures:
            print(f"work folder kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)
    print(f"{failures} scenario(s) failed" if failures else "all scenarios passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
