#!/usr/bin/env python3
"""End-to-end scenarios: the real program under Xvfb, driven with xdotool,
checked with screenshots (ImageMagick `import`) and its saved settings.

The program talks to the stand-in weather server on the port it was built
for (TICKWELL_SERVER_PORT); the driver starts and stops that server. Each
scenario runs with a configuration folder of its own.

    tickwell_e2e.py --build build/e2e              # the Linux program
    tickwell_e2e.py --program X.exe --wine ...     # the Windows program

Standard library only.
"""

import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import traceback

SCREEN_WIDTH = 800
SCREEN_HEIGHT = 600
BORDER = 1  # the window's border; client pixels start inside it

# Colours as (red, green, blue).
LIT = (220, 255, 0)
UNLIT = (120, 140, 0)
IDLE_LAMP = (20, 90, 0)
BUSY_LAMP = (50, 220, 0)

# Seven-segment digits: a top, b upper right, c lower right, d bottom,
# e lower left, f upper left, g middle; "o" is the degree sign.
SEGMENTS_OF = {
    "0": "abcdef", "1": "bc", "2": "abdeg", "3": "abcdg", "4": "bcfg",
    "5": "acdfg", "6": "acdefg", "7": "abc", "8": "abcdefg", "9": "abcdfg",
    "o": "abfg", "-": "g",
}


def segment_pixel(segment, x, y, length):
    """A pixel in the middle of one segment of the glyph cell at (x, y)."""
    mid = 1 + length // 2
    return {
        "a": (x + mid, y),
        "g": (x + mid, y + length),
        "d": (x + mid, y + 2 * length + 1),
        "f": (x, y + 1),
        "b": (x + length + 1, y + 1),
        "e": (x, y + length + 1),
        "c": (x + length + 1, y + length + 1),
    }[segment]


def expected_segments(text, x, y, length):
    """(client pixel, lit?) for every segment of a readout text."""
    result = []
    for character in text:
        if character == ".":
            x += length // 2 + 1
            continue
        lit = SEGMENTS_OF[character]
        for segment in "abcdefg":
            result.append((segment_pixel(segment, x, y, length), segment in lit))
        x += length + 3
    return result


# The sample roundup row: DENVER INTL AP 47 18 31 ... 30.12.
SAMPLE_READOUTS = [("47o", 15), ("031", 45), ("30.12", 75), ("18o", 115)]
# Before the first readings arrive.
BAR_READOUTS = [("--o", 15), ("---", 45), ("--.--", 75), ("--o", 115)]
READOUT_Y = 31
SEGMENT_LENGTH = 3
LAMP_PIXEL = (7, 32)
CLOSE_BUTTON = (5 + 7, 5 + 7)  # the middle of the "X" button, client pixels


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(predicate, timeout, interval=0.2):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            return value
        time.sleep(interval)


# ---------------------------------------------------------------------------
# Settings adapters: where the program keeps its five values.

class FileSettings:
    """The Linux program's settings file under $XDG_CONFIG_HOME."""

    def __init__(self, config_home):
        self.path = os.path.join(config_home, "Quillfen", "Tickwell", "settings")

    def read(self):
        values = {}
        try:
            with open(self.path, encoding="ascii") as handle:
                for line in handle:
                    line = line.strip()
                    if not line or line.startswith("#") or "=" not in line:
                        continue
                    name, value = line.split("=", 1)
                    values[name.strip()] = int(value.strip())
        except FileNotFoundError:
            pass
        return values


class WineRegistrySettings:
    """The Windows program's registry key, read with `wine reg query`."""

    KEY = r"HKCU\Software\Quillfen\Tickwell"

    def __init__(self, environment):
        self.environment = environment

    def read(self):
        result = subprocess.run(["wine", "reg", "query", self.KEY], env=self.environment,
                                capture_output=True, text=True, timeout=60)
        values = {}
        for line in result.stdout.replace("\r", "").splitlines():
            parts = line.split()
            if len(parts) == 3 and parts[1] == "REG_DWORD":
                number = int(parts[2], 16)
                values[parts[0]] = number - (1 << 32) if number >= 1 << 31 else number
        return values


# ---------------------------------------------------------------------------
# The X server, the weather server and the program.

class Xvfb:
    """A virtual X server on a display number of its own, well above the ones
    other tools pick first."""

    def __init__(self):
        # TICKWELL_E2E_FIRST_DISPLAY keeps a run to ten display numbers of
        # its own, beside other runs on the same machine.
        first = os.environ.get("TICKWELL_E2E_FIRST_DISPLAY")
        numbers = range(int(first), int(first) + 10) if first else \
            range(150 + os.getpid() % 50, 260)
        for number in numbers:
            if os.path.exists(f"/tmp/.X{number}-lock") or \
                    os.path.exists(f"/tmp/.X11-unix/X{number}"):
                continue
            self.process = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24",
                 "-nolisten", "tcp", "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if wait_until(lambda: os.path.exists(f"/tmp/.X11-unix/X{number}")
                          or self.process.poll() is not None, 10) and self.process.poll() is None:
                self.display = f":{number}"
                return
            self.process.kill()
            self.process.wait()
        raise Failure("Xvfb did not start")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class WineServer:
    """The Wine prefix's server and Wine's services, started afresh on the
    tests' display and stopped at the end. Wine's desktop process must live
    on the display its programs use: a window dragged on another display
    than that process's is unmapped. Its output goes nowhere, so that no
    service keeps a test's output pipe open."""

    def __init__(self, environment):
        self.environment = environment
        self.stop()
        subprocess.run(["wine", "wineboot"], env=environment, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       start_new_session=True, timeout=180)

    def stop(self):
        for argument in ("-k", "-w"):
            subprocess.run(["wineserver", argument], env=self.environment,
                           capture_output=True, timeout=60)


class Desktop:
    """xdotool and import on one display."""

    def __init__(self, display):
        self.environment = dict(os.environ, DISPLAY=display)

    def run(self, *arguments, check_result=False):
        result = subprocess.run(list(arguments), env=self.environment, capture_output=True,
                                text=True, timeout=30)
        if check_result and result.returncode != 0:
            raise Failure(f"{' '.join(arguments)} failed: {result.stderr.strip()}")
        return result.stdout

    def find_windows(self, name):
        output = self.run("xdotool", "search", "--onlyvisible", "--name", f"^{name}$")
        return [int(line) for line in output.split()]

    def wait_for_window(self, name, timeout=15):
        found = wait_until(lambda: self.find_windows(name), timeout)
        check(found, f'no window "{name}" appeared')
        return found[0]

    def geometry(self, window):
        output = self.run("xwininfo", "-id", str(window), check_result=True)
        values = {}
        for line in output.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    values[key] = int(line.split(":")[1])
        return (values["Absolute upper-left X"], values["Absolute upper-left Y"],
                values["Width"], values["Height"])

    def screenshot(self):
        """The whole screen as raw RGB bytes."""
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                              env=self.environment, capture_output=True, timeout=30).stdout
        check(len(data) == SCREEN_WIDTH * SCREEN_HEIGHT * 3, "screenshot has the wrong size")
        return data

    def save_screenshot(self, path, crop=None):
        arguments = ["import", "-window", "root"]
        if crop:
            arguments += ["-crop", "{}x{}+{}+{}".format(*crop)]
        subprocess.run(arguments + [path], env=self.environment, timeout=30, check=True)

    def mouse_move(self, x, y):
        self.run("xdotool", "mousemove", str(x), str(y), check_result=True)

    def click(self, x, y, button=1):
        self.mouse_move(x, y)
        time.sleep(0.1)
        self.run("xdotool", "click", str(button), check_result=True)

    def drag(self, start, end, steps=8):
        self.mouse_move(*start)
        time.sleep(0.1)
        self.run("xdotool", "mousedown", "1", check_result=True)
        for step in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * step // steps
            y = start[1] + (end[1] - start[1]) * step // steps
            self.mouse_move(x, y)
            time.sleep(0.05)
        self.run("xdotool", "mouseup", "1", check_result=True)

    def keys(self, *names):
        for name in names:
            self.run("xdotool", "key", name, check_result=True)
            time.sleep(0.1)

    def type_text(self, text):
        self.run("xdotool", "type", "--delay", "50", text, check_result=True)


def pixel(shot, x, y):
    offset = (y * SCREEN_WIDTH + x) * 3
    return tuple(shot[offset:offset + 3])


def port_in_use(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.5):
            return True
    except OSError:
        return False


class WeatherServer:
    def __init__(self, program, port, log_path):
        check(not port_in_use(port), f"port {port} is taken by another program; "
              "build for another port (TICKWELL_E2E_PORT) or stop that program")
        self.process = subprocess.Popen(
            [program, "--host", "127.0.0.1", "--port", str(port), "--log", log_path],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        check(wait_until(lambda: port_in_use(port), 10),
              f"the weather server is not listening on {port}")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class Program:
    """One run of the program with its own configuration."""

    def __init__(self, options, desktop, config_home, extra_environment=None):
        self.environment = dict(desktop.environment, XDG_CONFIG_HOME=config_home,
                                HOME=config_home, **(extra_environment or {}))
        if options.wine:
            command = ["wine", options.program]
            self.environment.update(options.wine_environment)
        else:
            command = [options.program]
        self.log = open(os.path.join(config_home, "program.log"), "ab")
        self.process = subprocess.Popen(command, env=self.environment,
                                        stdout=self.log, stderr=subprocess.STDOUT)

    def wait(self, timeout=15):
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise Failure("the program did not end")
        return self.process.returncode

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


# ---------------------------------------------------------------------------
# Scenarios

class Context:
    def __init__(self, options, desktop, work):
        self.options = options
        self.desktop = desktop
        self.work = work
        self.server = None
        self.programs = []

    def config_home(self, name):
        path = os.path.join(self.work, name)
        os.makedirs(path, exist_ok=True)
        return path

    def settings(self, config_home):
        if self.options.wine:
            return WineRegistrySettings(dict(self.desktop.environment,
                                             **self.options.wine_environment))
        return FileSettings(config_home)

    def start_server(self):
        if self.server is None:
            self.server = WeatherServer(self.options.server, self.options.port,
                                        os.path.join(self.work, "server.log"))

    def stop_server(self):
        if self.server is not None:
            self.server.stop()
            self.server = None

    def start(self, config_home, extra_environment=None):
        program = Program(self.options, self.desktop, config_home, extra_environment)
        self.programs.append(program)
        return program

    def cleanup(self):
        for program in self.programs:
            program.kill()
        self.programs = []

    def main_window(self):
        window = self.desktop.wait_for_window("Tickwell")
        x, y, width, height = self.desktop.geometry(window)
        check((width, height) == (200, 45), f"the window is {width}x{height}, not 200x45")
        return window, x, y

    def client_point(self, origin, point):
        return origin[0] + BORDER + point[0], origin[1] + BORDER + point[1]

    def close_with_button(self, program, origin):
        self.desktop.click(*self.client_point(origin, CLOSE_BUTTON))
        code = program.wait()
        check(code == 0, f"exit code {code} after the close button, not 0")


def readout_mismatches(shot, origin, readouts=None):
    wrong = []
    for text, x in readouts or SAMPLE_READOUTS:
        for point, lit in expected_segments(text, x, READOUT_Y, SEGMENT_LENGTH):
            seen = pixel(shot, origin[0] + BORDER + point[0], origin[1] + BORDER + point[1])
            wanted = LIT if lit else UNLIT
            if seen != wanted:
                wrong.append((text, point, seen, wanted))
    return wrong


def scenario_server_down_at_start(context):
    """Nothing listens at start-up: the window opens anyway, silent, with bars
    for the readings; once the server is up, the refresh shows its readings."""
    context.stop_server()
    check(not port_in_use(context.options.port),
          f"port {context.options.port} is taken by another program")
    program = context.start(context.config_home("server-down"))
    _, x, y = context.main_window()
    origin = (x, y)
    check(not context.desktop.find_windows("Tickwell Error"), "an error box appeared")
    bars = wait_until(lambda: not readout_mismatches(context.desktop.screenshot(), origin,
                                                     BAR_READOUTS), 5, interval=0.5)
    check(bars, "the readouts do not show bars before the first readings")
    context.start_server()
    shown = wait_until(lambda: not readout_mismatches(context.desktop.screenshot(), origin),
                       30, interval=0.5)
    check(shown, "no readings once the server was up")
    check(program.process.poll() is None, "the program ended")
    context.close_with_button(program, origin)


def scenario_readings(context):
    """A normal start shows the sample readings, then the idle lamp."""
    context.start_server()
    program = context.start(context.config_home("readings"))
    window, x, y = context.main_window()
    origin = (x, y)
    if not context.options.wine:
        properties = context.desktop.run("xprop", "-id", str(window))
        for wanted in ("_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR",
                       "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_WINDOW_TYPE_UTILITY",
                       "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x2, 0x0, 0x0, 0x0, 0x0"):
            check(wanted in properties, f"the window lacks {wanted}")

    def shows_readings():
        shot = context.desktop.screenshot()
        lamp = pixel(shot, *context.client_point(origin, LAMP_PIXEL))
        return shot if not readout_mismatches(shot, origin) and lamp == IDLE_LAMP else None

    shot = wait_until(shows_readings, 20, interval=0.5)
    if not shot:
        shot = context.desktop.screenshot()
        wrong = readout_mismatches(shot, origin)
        lamp = pixel(shot, *context.client_point(origin, LAMP_PIXEL))
        context.desktop.save_screenshot(os.path.join(context.work, "readings-failed.png"))
        raise Failure(f"readings not shown: {wrong[:5]} ({len(wrong)} wrong), lamp {lamp}")
    if context.options.screenshot:
        context.desktop.save_screenshot(context.options.screenshot, crop=(200, 45, x, y))
    context.close_with_button(program, origin)


def scenario_drag_and_reopen(context):
    """A drag moves the window; "X" saves the position; the next start opens there."""
    context.start_server()
    home = context.config_home("drag")
    program = context.start(home)
    _, x, y = context.main_window()
    start = (x + 60, y + 30)
    context.desktop.drag(start, (start[0] + 150, start[1] + 110))
    moved = wait_until(lambda: context.desktop.geometry(context.main_window()[0])[:2] != (x, y), 5)
    check(moved, "the drag did not move the window")
    _, new_x, new_y = context.main_window()
    check((new_x, new_y) == (x + 150, y + 110),
          f"the window is at ({new_x}, {new_y}), not ({x + 150}, {y + 110})")
    context.close_with_button(program, (new_x, new_y))
    saved = context.settings(home).read()
    check(saved.get("WinX") == new_x and saved.get("WinY") == new_y,
          f"saved position {saved.get('WinX')}, {saved.get('WinY')}, not {new_x}, {new_y}")

    program = context.start(home)
    _, again_x, again_y = context.main_window()
    check((again_x, again_y) == (new_x, new_y),
          f"reopened at ({again_x}, {again_y}), not ({new_x}, {new_y})")
    context.close_with_button(program, (again_x, again_y))


def open_menu(context, origin):
    context.desktop.click(*context.client_point(origin, (100, 30)), button=3)
    time.sleep(0.5)


def scenario_outlook_saved_at_exit(context):
    """The menu's "&Outlook Forecast" is saved when the program ends."""
    context.start_server()
    home = context.config_home("outlook")
    program = context.start(home)
    _, x, y = context.main_window()
    open_menu(context, (x, y))
    context.desktop.keys("o")  # the item's access key
    time.sleep(0.5)
    check(context.settings(home).read().get("Outlook", 0) == 0,
          "the choice was saved before the program ended")
    context.close_with_button(program, (x, y))
    saved = context.settings(home).read()
    check(saved.get("Outlook") == 1, f"Outlook saved as {saved.get('Outlook')}, not 1")


def scenario_preferences_ok(context):
    """Preferences with 20 and OK saves 4800 ticks at once."""
    context.start_server()
    home = context.config_home("preferences")
    program = context.start(home)
    _, x, y = context.main_window()
    open_menu(context, (x, y))
    context.desktop.keys("p")
    dialog = context.desktop.wait_for_window("Tickwell Preferences")
    dx, dy, width, height = context.desktop.geometry(dialog)
    check((dx, dy) == (x + BORDER, y + BORDER) or context.options.wine,
          f"the dialog is at ({dx}, {dy}), not at the window's client origin")
    if context.options.dialog_screenshot:
        context.desktop.save_screenshot(context.options.dialog_screenshot,
                                        crop=(width, height, dx, dy))
    context.desktop.mouse_move(dx + width // 2, dy + 10)
    context.desktop.keys("End", "BackSpace", "BackSpace", "BackSpace", "BackSpace")
    context.desktop.type_text("x20")  # the letter is refused
    context.desktop.keys("Return")
    check(wait_until(lambda: not context.desktop.find_windows("Tickwell Preferences"), 5),
          "the dialog did not close")
    saved = wait_until(lambda: context.settings(home).read().get("Interval") == 4800, 5)
    check(saved, f"Interval is {context.settings(home).read().get('Interval')}, not 4800")
    time.sleep(1)
    context.close_with_button(program, (x, y))


def scenario_signals_save(context):
    """SIGTERM, SIGINT and SIGHUP after a window move take the close path:
    the new position is saved and the program exits with 0."""
    if context.options.wine:
        return "skipped"
    context.start_server()
    for number, name in enumerate(("SIGTERM", "SIGINT", "SIGHUP")):
        home = context.config_home(f"signal-{name}")
        program = context.start(home)
        _, x, y = context.main_window()
        start = (x + 60, y + 30)
        context.desktop.drag(start, (start[0] + 40 + 10 * number, start[1] + 30))
        check(wait_until(lambda: context.main_window()[1:] != (x, y), 5), "the drag did not move the window")
        _, new_x, new_y = context.main_window()
        program.process.send_signal(getattr(signal, name))
        code = program.wait()
        check(code == 0, f"exit code {code} after {name}, not 0")
        saved = context.settings(home).read()
        check((saved.get("WinX"), saved.get("WinY")) == (new_x, new_y),
              f"after {name} the saved position is {saved.get('WinX')}, {saved.get('WinY')}, "
              f"not {new_x}, {new_y}")


def scenario_display_lost(context):
    """The X server goes away: the settings are saved and the program ends."""
    if context.options.wine:
        return "skipped"
    context.start_server()
    own = Xvfb()
    desktop = context.desktop
    try:
        context.desktop = Desktop(own.display)
        home = context.config_home("display-lost")
        program = context.start(home)
        _, x, y = context.main_window()
        start = (x + 60, y + 30)
        context.desktop.drag(start, (start[0] + 70, start[1] + 50))
        check(wait_until(lambda: context.main_window()[1:] != (x, y), 5), "the drag did not move the window")
        _, new_x, new_y = context.main_window()
    finally:
        context.desktop = desktop
        own.stop()
    code = program.wait()
    saved = context.settings(home).read()
    check((saved.get("WinX"), saved.get("WinY")) == (new_x, new_y),
          f"saved position {saved.get('WinX')}, {saved.get('WinY')}, not {new_x}, {new_y}")
    return f"exit code {code}"


def scenario_flush_with_a_panel(context):
    """With a panel taking the bottom of the screen, a window saved flush with
    the bottom right corner of the display opens there."""
    if context.options.wine:
        return "skipped"
    context.start_server()
    home = context.config_home("panel")
    os.makedirs(os.path.dirname(FileSettings(home).path), exist_ok=True)
    corner = (SCREEN_WIDTH - 200, SCREEN_HEIGHT - 45)
    with open(FileSettings(home).path, "w", encoding="ascii") as handle:
        handle.write(f"WinX={corner[0]}\nWinY={corner[1]}\n")
    context.desktop.run("xprop", "-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA",
                        f"0,0,{SCREEN_WIDTH},{SCREEN_HEIGHT - 30}", check_result=True)
    try:
        program = context.start(home)
        _, x, y = context.main_window()
    finally:
        context.desktop.run("xprop", "-root", "-remove", "_NET_WORKAREA")
    check((x, y) == corner, f"the window opened at ({x}, {y}), not {corner}")
    context.close_with_button(program, (x, y))


def scenario_menu_layout(context):
    """The menu is centred on the click; only the checked item shows a mark,
    in a column every label starts after."""
    if context.options.wine:
        return "skipped"
    context.start_server()
    program = context.start(context.config_home("menu"))
    window, x, y = context.main_window()
    click = context.client_point((x, y), (100, 30))
    open_menu(context, (x, y))
    menus = [w for w in context.desktop.find_windows(".*") if w != window
             and context.desktop.geometry(w)[2:] != (SCREEN_WIDTH, SCREEN_HEIGHT)]
    check(len(menus) == 1, f"{len(menus)} menu windows")
    mx, my, width, height = context.desktop.geometry(menus[0])
    check(mx + width // 2 == click[0], f"the menu spans {mx}..{mx + width}, centred on "
          f"{mx + width // 2}, not on the click at {click[0]}")
    shot = context.desktop.screenshot()
    background = pixel(shot, mx + 5, my + height - 4)
    # Five items of equal height; the check column of items 2 to 5 is empty,
    # that of item 1 ("Today's Forecast", checked by default) is not.
    item = (height - 6) // 5
    def column_marked(index):
        top = my + 3 + index * item
        return any(pixel(shot, cx, cy) != background
                   for cx in range(mx + 4, mx + 14) for cy in range(top + 3, top + item - 3))
    check(column_marked(0), "the checked item shows no mark")
    for index in range(1, 5):
        check(not column_marked(index), f"item {index + 1} shows something in the check column")
    context.desktop.keys("Escape")
    context.close_with_button(program, (x, y))


# Parts of the window whose pixels depend on when a program started: the
# ticker strip and the clock (client coordinates, right and bottom outside).
TIME_DEPENDENT = [(25, 5, 195, 20), (145, 25, 198, 43)]


def write_settings(config_home, text):
    path = FileSettings(config_home).path
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii") as handle:
        handle.write(text)


def enlargement_mismatches(shot, plain, big, scale):
    """Pixels of the 1x window at `plain` that the window at `big` does not
    show as a scale x scale square of the same colour."""
    wrong = []
    for y in range(45):
        for x in range(200):
            client = (x - BORDER, y - BORDER)
            if any(left <= client[0] < right and top <= client[1] < bottom
                   for left, top, right, bottom in TIME_DEPENDENT):
                continue
            wanted = pixel(shot, plain[0] + x, plain[1] + y)
            for dy in range(scale):
                for dx in range(scale):
                    seen = pixel(shot, big[0] + x * scale + dx, big[1] + y * scale + dy)
                    if seen != wanted:
                        wrong.append(((x, y), (dx, dy), seen, wanted))
    return wrong


def scenario_scale(context):
    """TICKWELL_SCALE=2 (over Scale=3 in the file) gives a 400x90 window showing
    the 1x picture with every pixel as a 2x2 square; Scale=99 is passed over;
    Xft.dpi 240 gives 3x; the enlarged close button still closes."""
    if context.options.wine:
        return "skipped"
    context.start_server()
    plain_home, big_home = context.config_home("scale-1"), context.config_home("scale-2")
    write_settings(plain_home, "Scale=99\nWinX=0\nWinY=0\n")
    write_settings(big_home, "Scale=3\nWinX=0\nWinY=100\n")
    context.start(plain_home)
    big = context.start(big_home, {"TICKWELL_SCALE": "2"})

    def windows_by_size():
        sizes = {}
        for window in context.desktop.find_windows("Tickwell"):
            x, y, width, height = context.desktop.geometry(window)
            sizes[(width, height)] = (x, y)
        return sizes if len(sizes) == 2 else None

    sizes = wait_until(windows_by_size, 15)
    check(sizes and set(sizes) == {(200, 45), (400, 90)}, f"window sizes {sizes}, not 200x45 and 400x90")
    plain, scaled = sizes[(200, 45)], sizes[(400, 90)]

    def same_picture():
        shot = context.desktop.screenshot()
        if readout_mismatches(shot, plain):
            return None
        return shot if not enlargement_mismatches(shot, plain, scaled, 2) else None

    if not wait_until(same_picture, 20, interval=0.5):
        shot = context.desktop.screenshot()
        wrong = enlargement_mismatches(shot, plain, scaled, 2)
        context.desktop.save_screenshot(os.path.join(context.work, "scale-failed.png"))
        raise Failure(f"{len(wrong)} pixels differ from the 1x picture, first {wrong[:3]}")
    close_at = (scaled[0] + 2 * (BORDER + CLOSE_BUTTON[0]), scaled[1] + 2 * (BORDER + CLOSE_BUTTON[1]))
    context.desktop.click(*close_at)
    check(big.wait() == 0, "the enlarged window's close button did not end the program")
    context.cleanup()

    # The screen's density, as a desktop session publishes it.
    context.desktop.run("xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set",
                        "RESOURCE_MANAGER", "Xft.dpi:\t240\n", check_result=True)
    try:
        context.start(context.config_home("scale-dpi"))
        found = wait_until(lambda: context.desktop.find_windows("Tickwell"), 15)
        check(found, "no window at 240 dpi")
        size = context.desktop.geometry(found[0])[2:]
        check(size == (600, 135), f"at 240 dpi the window is {size[0]}x{size[1]}, not 600x135")
    finally:
        context.desktop.run("xprop", "-root", "-remove", "RESOURCE_MANAGER")


def scenario_canvas(context):
    """The FLTK canvas gives the raster canvas's pixels."""
    if context.options.wine or not context.options.canvas_check:
        return "skipped"
    result = subprocess.run([context.options.canvas_check], env=context.desktop.environment,
                            capture_output=True, text=True, timeout=30)
    check(result.returncode == 0, (result.stdout + result.stderr).strip())
    return result.stdout.strip()


SCENARIOS = [
    ("canvas", scenario_canvas),
    ("server-down-at-start", scenario_server_down_at_start),
    ("readings", scenario_readings),
    ("drag", scenario_drag_and_reopen),
    ("outlook", scenario_outlook_saved_at_exit),
    ("preferences", scenario_preferences_ok),
    ("signals-save", scenario_signals_save),
    ("flush-with-a-panel", scenario_flush_with_a_panel),
    ("menu-layout", scenario_menu_layout),
    ("display-lost", scenario_display_lost),
    ("scale", scenario_scale),
]


def parse_options():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", help="a build tree configured for the stand-in server")
    parser.add_argument("--program", help="the program (default: BUILD's tickwell)")
    parser.add_argument("--server", help="tickwell-weather-server (default: from BUILD)")
    parser.add_argument("--canvas-check", help="tickwell-canvas-check (default: from BUILD)")
    parser.add_argument("--port", type=int, default=18080,
                        help="the port the program was built for (default 18080)")
    parser.add_argument("--wine", action="store_true", help="run the program with wine")
    parser.add_argument("--only", action="append", help="run only this scenario (repeatable)")
    parser.add_argument("--screenshot", help="save the main window's picture here")
    parser.add_argument("--dialog-screenshot", help="save the Preferences dialog's picture here")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    options = parser.parse_args()
    if options.build:
        build = options.build
        options.program = options.program or os.path.join(build, "platform/linux/tickwell")
        options.server = options.server or os.path.join(build, "tools/tickwell-weather-server")
        options.canvas_check = options.canvas_check or os.path.join(
            build, "platform/linux/tickwell-canvas-check")
    if not options.program or not options.server:
        parser.error("give --build, or --program and --server")
    options.wine_environment = {}
    if options.wine:
        options.wine_environment = {key: os.environ[key] for key in
                                    ("WINEPREFIX", "WINEARCH", "WINEDEBUG", "WINEDLLOVERRIDES")
                                    if key in os.environ}
    return options


def run_scenarios(scenarios, only, context, prefix="", before_each=lambda: None):
    """Runs the scenarios (only those named in `only`, when it names any) one
    by one and prints a PASS or FAIL line for each; a broken driver counts as
    a failure, with its trace. The context is cleaned up after each.
    Returns the number that failed."""
    failures = 0
    for name, scenario in scenarios:
        if only and name not in only:
            continue
        before_each()
        started = time.monotonic()
        try:
            note = scenario(context)
            print(f"PASS {prefix}{name} ({time.monotonic() - started:.1f} s)"
                  + (f": {note}" if note else ""))
        except Failure as failure:
            failures += 1
            print(f"FAIL {prefix}{name}: {failure}")
        except Exception:  # a broken driver counts as a failure, with its trace
            failures += 1
            print(f"FAIL {prefix}{name}: driver error")
            traceback.print_exc()
        finally:
            context.cleanup()
        sys.stdout.flush()
    return failures


def main():
    options = parse_options()
    work = tempfile.mkdtemp(prefix="tickwell-e2e-")
    xvfb = Xvfb()
    desktop = Desktop(xvfb.display)
    context = Context(options, desktop, work)
    wine_server = None
    failures = 0
    try:
        if options.wine:
            wine_server = WineServer(dict(desktop.environment, **options.wine_environment))
        failures = run_scenarios(SCENARIOS, options.only, context)
    finally:
        context.cleanup()
        context.stop_server()
        if wine_server:
            wine_server.stop()
        xvfb.stop()
        if options.keep or failures:
            print(f"work folder kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)
    print(f"{failures} scenario(s) failed" if failures else "all scenarios passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
