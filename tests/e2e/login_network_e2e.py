#!/usr/bin/env python3
"""A start at login before the network is up, end to end on Linux: the
command of the autostart entry that `tickwell --autostart on` writes runs in
a network namespace of its own, whose interface and default route appear
only some seconds later; the program waits for them, then opens its window
(and, through the new route, reads the HTTPS fake of the weather service),
with no error box. Started by hand in a namespace without a route, the same
program shows the error box at once; asked to end while it waits, it ends
at once.

    login_network_e2e.py --build build/linux [--display :63] [--port 18400]

Needs root (ip netns, veth), ip, Xvfb and xdotool. The X server is reached
through its socket in /tmp/.X11-unix, which every network namespace sees.
The namespaces and links are removed whatever happens. Standard library only.
"""

import argparse
import os
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from live_e2e import FixedXvfb  # noqa: E402
from tickwell_e2e import (Desktop, Failure, check, port_in_use, run_scenarios,  # noqa: E402
                          wait_until)

ERROR_BOX = "Tickwell Error"
NETWORK_DELAY = 6.0  # seconds from the start to the interface and route


def run(*arguments):
    subprocess.run(arguments, check=True, capture_output=True, timeout=30)


def desktop_entry_arguments(exec_value):
    """The argument list of an Exec= value: the desktop entry string's
    escapes first (a doubled backslash), then the quoting rules of the
    Exec key, which are a shell's for double quotes; %% is a literal %."""
    unescaped = []
    index = 0
    while index < len(exec_value):
        if exec_value[index] == "\\" and index + 1 < len(exec_value):
            unescaped.append({"s": " ", "n": "\n", "t": "\t", "r": "\r"}.get(
                exec_value[index + 1], exec_value[index + 1]))
            index += 2
        else:
            unescaped.append(exec_value[index])
            index += 1
    return [argument.replace("%%", "%") for argument in shlex.split("".join(unescaped))]


class Namespace:
    """A network namespace with only loopback, and a veth pair whose inner
    end (with an address and a default route through the outer end) is
    moved in when asked."""

    def __init__(self, name, subnet):
        self.name = name
        self.outer = f"{name}-o"[:15]
        self.inner = f"{name}-i"[:15]
        self.host_address = f"{subnet}.1"
        self.guest_address = f"{subnet}.2"
        self.remove()
        run("ip", "netns", "add", name)
        run("ip", "netns", "exec", name, "ip", "link", "set", "lo", "up")

    def connect(self):
        run("ip", "link", "add", self.outer, "type", "veth", "peer", "name", self.inner)
        run("ip", "addr", "add", f"{self.host_address}/24", "dev", self.outer)
        run("ip", "link", "set", self.outer, "up")
        run("ip", "link", "set", self.inner, "netns", self.name)
        inside = ("ip", "netns", "exec", self.name)
        run(*inside, "ip", "addr", "add", f"{self.guest_address}/24", "dev", self.inner)
        run(*inside, "ip", "link", "set", self.inner, "up")
        run(*inside, "ip", "route", "add", "default", "via", self.host_address)

    def remove(self):
        # Deleting one end of a veth pair deletes both.
        subprocess.run(["ip", "link", "del", self.outer], capture_output=True, timeout=30)
        subprocess.run(["ip", "netns", "del", self.name], capture_output=True, timeout=30)


def make_certificates(folder, address):
    """A throwaway authority and a server certificate for `address`."""
    os.makedirs(folder, exist_ok=True)

    def openssl(*arguments):
        subprocess.run(["openssl", *arguments], cwd=folder, check=True, capture_output=True)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
            "/CN=Tickwell login test CA", "-keyout", "ca.key", "-out", "ca.pem",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", f"/CN={address}",
            "-keyout", "server.key", "-out", "server.csr")
    with open(os.path.join(folder, "server.ext"), "w", encoding="ascii") as handle:
        handle.write(f"subjectAltName=IP:{address}\nbasicConstraints=CA:FALSE\n"
                     "extendedKeyUsage=serverAuth\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "2", "-extfile", "server.ext", "-out", "server.pem")


class Context:
    def __init__(self, options, desktop, work):
        self.options = options
        self.desktop = desktop
        self.work = work
        self.namespaces = []
        self.processes = []
        self.exec_line = None

    def namespace(self):
        index = len(self.namespaces)
        subnet = f"10.{200 + os.getpid() % 50}.{index}"
        namespace = Namespace(f"twl{os.getpid() % 100000}n{index}", subnet)
        self.namespaces.append(namespace)
        return namespace

    def home(self, name):
        folder = os.path.join(self.work, name)
        os.makedirs(folder, exist_ok=True)
        return folder

    def environment(self, home, api_base, ca_file=None):
        environment = dict(self.desktop.environment, XDG_CONFIG_HOME=home, HOME=home,
                           TICKWELL_API_BASE=api_base, TICKWELL_PAGE_DIR=home,
                           TICKWELL_REQUEST_SPACING="2")
        for key in ("https_proxy", "HTTPS_PROXY", "http_proxy", "all_proxy", "ALL_PROXY",
                    "no_proxy", "NO_PROXY", "TICKWELL_CA_FILE"):
            environment.pop(key, None)
        if ca_file:
            environment["TICKWELL_CA_FILE"] = ca_file
        return environment

    def autostart_command(self):
        """The Exec= line of the entry `--autostart on` writes, as arguments."""
        home = self.home("autostart")
        result = subprocess.run([self.options.program, "--autostart", "on"],
                                env=dict(os.environ, XDG_CONFIG_HOME=home),
                                capture_output=True, text=True, timeout=30)
        check(result.returncode == 0, f"--autostart on failed: {result.stderr.strip()}")
        entry = os.path.join(home, "autostart", "tickwell.desktop")
        with open(entry, encoding="utf-8") as handle:
            lines = [line for line in handle.read().splitlines() if line.startswith("Exec=")]
        check(len(lines) == 1, f"the entry has {len(lines)} Exec lines")
        self.exec_line = lines[0]
        return desktop_entry_arguments(lines[0][len("Exec="):])

    def start(self, namespace, arguments, environment, log_name):
        log = open(os.path.join(self.work, log_name), "wb")
        process = subprocess.Popen(["ip", "netns", "exec", namespace.name, *arguments],
                                   env=environment, stdout=log, stderr=subprocess.STDOUT)
        log.close()
        self.processes.append(process)
        return process

    def output(self, log_name):
        with open(os.path.join(self.work, log_name), encoding="utf-8", errors="replace") as handle:
            return handle.read()

    def cleanup(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.processes = []
        for namespace in self.namespaces:
            namespace.remove()
        self.namespaces = []


def scenario_network_comes_later(context):
    """The autostart entry's command waits for the network that appears 6 s
    later, then opens the 200x45 window, no error box, and reads the fake."""
    arguments = context.autostart_command()
    check(arguments[0] == context.options.program and arguments[1:] == ["--at-login"],
          f"the entry runs {arguments}")
    namespace = context.namespace()
    certs = os.path.join(context.work, "certs")
    make_certificates(certs, namespace.host_address)
    # Listening on every address, the fake answers as soon as the route to
    # the outer end of the link exists.
    fake = subprocess.Popen(
        [context.options.fake, "--host", "0.0.0.0", "--port", str(context.options.port),
         "--cert", os.path.join(certs, "server.pem"), "--key", os.path.join(certs, "server.key"),
         "--max-age", "0"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        check(wait_until(lambda: port_in_use(context.options.port), 10),
              "the fake did not start listening")
        home = context.home("later")
        started = time.monotonic()
        process = context.start(
            namespace, arguments,
            context.environment(home, f"https://{namespace.host_address}:{context.options.port}",
                                os.path.join(certs, "ca.pem")), "later.log")
        # Before the network: no window and no error box, and the program runs.
        while time.monotonic() - started < NETWORK_DELAY - 0.5:
            check(not context.desktop.find_windows(ERROR_BOX),
                  "an error box appeared before the network")
            check(not context.desktop.find_windows("Tickwell"),
                  "the window opened before the network")
            check(process.poll() is None, f"the program ended: {context.output('later.log')!r}")
            time.sleep(0.3)
        time.sleep(max(0.0, started + NETWORK_DELAY - time.monotonic()))
        namespace.connect()
        connected = time.monotonic()
        window = context.desktop.wait_for_window("Tickwell", timeout=10)
        opened = time.monotonic() - connected
        _, _, width, height = context.desktop.geometry(window)
        check((width, height) == (200, 45), f"the window is {width}x{height}")
        check(opened < 3.0, f"the window opened {opened:.1f} s after the network came up")
        roundup = os.path.join(home, "roundup.txt")
        check(wait_until(lambda: os.path.exists(roundup) and os.path.getsize(roundup) > 0, 30),
              "no roundup page from the fake through the new route")
        check(not context.desktop.find_windows(ERROR_BOX), "an error box appeared")
        output = context.output("later.log")
        check("waiting up to 120 seconds for the network" in output, f"output: {output!r}")
        process.send_signal(signal.SIGTERM)
        check(process.wait(timeout=10) == 0, "SIGTERM did not close the program cleanly")
        return (f"window {opened:.1f} s after the route came up; "
                f"entry {context.exec_line!r}")
    finally:
        fake.terminate()
        fake.wait(timeout=10)


def scenario_by_hand_without_network(context):
    """The same command without --at-login, in a namespace with no route:
    the error box at once."""
    arguments = [argument for argument in context.autostart_command()
                 if argument != "--at-login"]
    namespace = context.namespace()
    home = context.home("by-hand")
    started = time.monotonic()
    process = context.start(namespace, arguments,
                            context.environment(home, "https://api.weather.gov"), "by-hand.log")
    context.desktop.wait_for_window(ERROR_BOX, timeout=5)
    took = time.monotonic() - started
    check(took < 3.0, f"the error box took {took:.1f} s")
    check(not context.desktop.find_windows("Tickwell"), "the main window opened")
    process.kill()
    process.wait()
    return f"error box after {took:.1f} s"


def scenario_stopped_while_waiting(context):
    """Started with --at-login where no network comes: SIGTERM ends the
    wait and the program at once, without a box."""
    namespace = context.namespace()
    home = context.home("stopped")
    process = context.start(namespace, [context.options.program, "--at-login"],
                            context.environment(home, "https://api.weather.gov"), "stopped.log")
    check(wait_until(lambda: "waiting up to" in context.output("stopped.log"), 5),
          "the program did not say it waits")
    time.sleep(1.5)
    sent = time.monotonic()
    process.send_signal(signal.SIGTERM)
    try:
        code = process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        raise Failure("SIGTERM did not end the wait")
    took = time.monotonic() - sent
    check(code == 0, f"exit code {code}")
    check(took < 1.0, f"ending took {took:.2f} s")
    check(not context.desktop.find_windows(ERROR_BOX), "an error box appeared")
    return f"ended {took:.2f} s after SIGTERM"


SCENARIOS = [
    ("network-comes-later", scenario_network_comes_later),
    ("by-hand-without-network", scenario_by_hand_without_network),
    ("stopped-while-waiting", scenario_stopped_while_waiting),
]


def parse_options():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="a build tree with the live tickwell")
    parser.add_argument("--display", default=":63", help="the X display to start Xvfb on")
    parser.add_argument("--port", type=int, default=18400, help="the fake's port")
    parser.add_argument("--only", action="append", help="run only this scenario (repeatable)")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    options = parser.parse_args()
    options.program = os.path.abspath(os.path.join(options.build, "platform/linux/tickwell"))
    options.fake = os.path.abspath(os.path.join(options.build, "tools/tickwell-nws-fake"))
    return options


def main():
    options = parse_options()
    if os.geteuid() != 0 or not shutil.which("ip"):
        print("SKIP login network scenarios: they need root and ip(8)")
        return 0
    work = tempfile.mkdtemp(prefix="tickwell-login-e2e-")
    xvfb = FixedXvfb(options.display)
    context = Context(options, Desktop(xvfb.display), work)
    failures = 0
    try:
        failures = run_scenarios(SCENARIOS, options.only, context, prefix="login-")
    finally:
        context.cleanup()
        xvfb.stop()
        if options.keep or failures:
            print(f"work folder kept: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)
    print(f"{failures} login scenario(s) failed" if failures else "all login scenarios passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
