#!/usr/bin/env python3
"""Closes the live program many times at random moments while its requests
are in flight, and checks each close: exit status 0, the process gone within
a second of the close, no sanitizer report, and the settings file the same
as the program wrote it at its first close.

The program talks to servers made to keep a request going: one that accepts
the connection and waits before the TLS handshake, one that answers with a
body of 50 MB sent slowly (plain, or gzip that inflates to it), and, when the
build has it, the HTTPS fake of the weather service answering normally.
Half the closes are stop signals (SIGTERM, SIGINT, SIGHUP in turn), half are
clicks on the window's close button. Several programs run at once, each on
a virtual display and in a home folder of its own.

    close_stress_e2e.py --build build/asan [--closes 200] [--parallel 6]

Standard library only (and Xvfb, xdotool and openssl).
"""

import argparse
import os
import random
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tickwell_e2e import BORDER, CLOSE_BUTTON, FileSettings, Xvfb, port_in_use, wait_until  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BODY_BYTES = 50 * 1024 * 1024
CLOSE_LIMIT = 1.0       # seconds from the close to the end of the process
HANG_LIMIT = 20.0       # after this the process is killed and counted as hung
LATEST_CLOSE = 4.0      # closes come 0 to this many seconds after the start
STOP_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)


# ---------------------------------------------------------------------------
# Servers that keep a request going

class StallingServer:
    """An HTTPS server on loopback whose every connection runs `serve`, each
    on a thread of its own, until the client goes or the server stops."""

    def __init__(self, certs, serve):
        self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.context.load_cert_chain(os.path.join(certs, "server.pem"),
                                     os.path.join(certs, "server.key"))
        self.serve = serve
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(64)
        self.port = self.listener.getsockname()[1]
        self.stopping = threading.Event()
        threading.Thread(target=self.accept_loop, daemon=True).start()

    def accept_loop(self):
        while not self.stopping.is_set():
            try:
                connection, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self.run_one, args=(connection,), daemon=True).start()

    def run_one(self, connection):
        connection.settimeout(HANG_LIMIT)
        try:
            self.serve(self, connection)
        except (OSError, ssl.SSLError, ValueError):
            pass  # the program went away mid-way, as it is meant to
        finally:
            connection.close()

    def handshake(self, connection):
        wrapped = self.context.wrap_socket(connection, server_side=True)
        request = b""
        while b"\r\n\r\n" not in request and len(request) < 65536:
            chunk = wrapped.recv(4096)
            if not chunk:
                raise OSError("closed")
            request += chunk
        return wrapped

    def pause(self, seconds):
        """False once the server stops."""
        return not self.stopping.wait(seconds)

    def stop(self):
        self.stopping.set()
        self.listener.close()


def serve_slow_handshake(server, connection):
    """Waits up to 6 s with the TCP connection open before the handshake,
    then answers nothing more."""
    if server.pause(random.uniform(0.5, 6.0)):
        wrapped = server.handshake(connection)
        server.pause(HANG_LIMIT)
        wrapped.close()


def gzip_bomb():
    packer = zlib.compressobj(9, zlib.DEFLATED, 31)
    zeros = bytes(1024 * 1024)
    packed = b"".join(packer.compress(zeros) for _ in range(BODY_BYTES // len(zeros)))
    return packed + packer.flush()


GZIP_BOMB = gzip_bomb()


def serve_large_body(server, connection):
    """A 200 answer whose 50 MB body comes slowly; every other connection
    sends it as gzip that inflates to 50 MB."""
    wrapped = server.handshake(connection)
    packed = random.random() < 0.5
    body_length = len(GZIP_BOMB) if packed else BODY_BYTES
    encoding = b"Content-Encoding: gzip\r\n" if packed else b""
    wrapped.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/geo+json\r\n" + encoding +
                    b"Content-Length: " + str(body_length).encode() + b"\r\n\r\n")
    sent = 0
    step = 512 if packed else 16384
    while sent < body_length and server.pause(0.05):
        piece = GZIP_BOMB[sent:sent + step] if packed else b" " * min(step, body_length - sent)
        wrapped.sendall(piece)
        sent += len(piece)
    wrapped.close()


class NormalFake:
    """tickwell-nws-fake, answering as the weather service does."""

    def __init__(self, program, certs, work):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            self.port = probe.getsockname()[1]
        self.process = subprocess.Popen(
            [program, "--port", str(self.port), "--cert", os.path.join(certs, "server.pem"),
             "--key", os.path.join(certs, "server.key"), "--log", os.path.join(work, "fake.log")],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_until(lambda: port_in_use(self.port), 10):
            raise RuntimeError("the weather service fake did not start")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


# ---------------------------------------------------------------------------
# The closes

def catches_sigterm(pid):
    """Whether the process has its own handler for SIGTERM yet."""
    try:
        with open(f"/proc/{pid}/status", encoding="ascii") as handle:
            for line in handle:
                if line.startswith("SigCgt:"):
                    return int(line.split()[1], 16) & (1 << (signal.SIGTERM - 1)) != 0
    except (FileNotFoundError, ProcessLookupError):
        pass
    return False


class Slot:
    """One program at a time on a display and in a home folder of its own."""

    def __init__(self, number, options, work, certs, servers, results):
        self.number = number
        self.options = options
        self.home = os.path.join(work, f"slot{number}")
        os.makedirs(self.home)
        self.reports = os.path.join(work, "reports")
        self.certs = certs
        self.servers = servers
        self.results = results
        self.settings_path = FileSettings(self.home).path
        self.written = None  # the settings file as the first close left it
        self.xvfb = Xvfb()

    def environment(self, server_port):
        environment = dict(os.environ, DISPLAY=self.xvfb.display, HOME=self.home,
                           XDG_CONFIG_HOME=self.home,
                           TICKWELL_API_BASE=f"https://127.0.0.1:{server_port}",
                           TICKWELL_CA_FILE=os.path.join(self.certs, "ca.pem"),
                           TICKWELL_REQUEST_SPACING="1")
        for key in ("https_proxy", "HTTPS_PROXY", "http_proxy", "all_proxy", "ALL_PROXY"):
            environment.pop(key, None)
        # LeakSanitizer's check at exit takes a second or more with several
        # programs on two cores, which would hide the program's own time to
        # close; the other sanitizer runs look for leaks.
        leaks = 1 if self.options.leaks else 0
        environment["ASAN_OPTIONS"] = (f"halt_on_error=1:abort_on_error=1:detect_leaks={leaks}:"
                                       f"log_path={self.reports}/asan")
        environment["UBSAN_OPTIONS"] = (f"halt_on_error=1:print_stacktrace=1:"
                                        f"log_path={self.reports}/ubsan")
        environment["LSAN_OPTIONS"] = "suppressions=" + os.path.join(
            ROOT, "tests/e2e/lsan-suppressions.txt")
        return environment

    def find_window(self):
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tickwell$"],
                                env=dict(os.environ, DISPLAY=self.xvfb.display),
                                capture_output=True, text=True, timeout=30)
        return result.stdout.split()[0] if result.stdout.split() else None

    def close_with_button(self, process, moment):
        window = wait_until(lambda: process.poll() is not None or self.find_window(),
                            HANG_LIMIT, interval=0.05)
        if process.poll() is not None or not window:
            return None
        time.sleep(max(0.0, moment - time.monotonic()))
        x, y = BORDER + CLOSE_BUTTON[0], BORDER + CLOSE_BUTTON[1]
        subprocess.run(["xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1"],
                       env=dict(os.environ, DISPLAY=self.xvfb.display),
                       capture_output=True, timeout=30)
        # The close is timed from when xdotool has sent the click: its own
        # start, slow on a busy machine, is no part of the program's time.
        return time.monotonic()

    def close_with_signal(self, process, moment, number):
        if not wait_until(lambda: process.poll() is not None or catches_sigterm(process.pid),
                          HANG_LIMIT, interval=0.005) or process.poll() is not None:
            return None
        time.sleep(max(0.0, moment - time.monotonic()))
        started = time.monotonic()
        process.send_signal(STOP_SIGNALS[number % len(STOP_SIGNALS)])
        return started

    def run_once(self, number, turn):
        """The slot's `turn`th run: signals and clicks take turns, and each
        pair of them goes to the next server."""
        server_name, server_port = self.servers[(self.number + turn // 2) % len(self.servers)]
        by_button = turn % 2 == 1
        log = open(os.path.join(self.home, "program.log"), "ab")
        started = time.monotonic()
        process = subprocess.Popen([self.options.program], env=self.environment(server_port),
                                   stdout=log, stderr=log)
        moment = started + random.uniform(0.0, LATEST_CLOSE)
        if by_button:
            closed = self.close_with_button(process, moment)
        else:
            closed = self.close_with_signal(process, moment, turn // 2)
        how = f"{'button' if by_button else 'signal'} at {moment - started:.2f} s ({server_name})"
        try:
            code = process.wait(timeout=HANG_LIMIT)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            code = "hung"
        log.close()
        took = time.monotonic() - closed if closed is not None else None
        self.record(number, how, code, took)

    def record(self, number, how, code, took):
        problems = []
        if took is None:
            problems.append("ended before it could be closed")
        elif took > CLOSE_LIMIT:
            problems.append(f"took {took:.2f} s to close")
        if code != 0:
            problems.append(f"exit status {code}")
        try:
            with open(self.settings_path, encoding="ascii") as handle:
                settings = handle.read()
        except FileNotFoundError:
            settings = ""
        # A program stopped before its window was up ends without writing
        # the file; once one has written it, it never changes again.
        if self.written is None and settings:
            self.written = settings
        if self.written is not None and settings != self.written:
            problems.append(f"settings file now {settings!r}, first written {self.written!r}")
        self.results.append((number, how, took, problems))

    def stop(self):
        self.xvfb.stop()


def run_slots(options, work, certs, servers):
    results = []
    slots = [Slot(n, options, work, certs, servers, results) for n in range(options.parallel)]
    numbers = list(range(options.closes))

    def work_through(slot):
        for turn, number in enumerate(numbers[slot.number::options.parallel]):
            slot.run_once(number, turn)

    threads = [threading.Thread(target=work_through, args=(slot,)) for slot in slots]
    try:
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
    finally:
        for slot in slots:
            slot.stop()
    return results, slots


def sanitizer_reports(folder):
    """The sanitizers' reports of errors; LeakSanitizer's list of the leaks
    it was told to ignore, written at every exit, is none."""
    reports = []
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as handle:
            text = handle.read()
        if "ERROR:" in text or "runtime error:" in text or "WARNING:" in text:
            reports.append((name, text))
    return reports


def parse_options():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", required=True, help="the build folder (ASan or normal)")
    parser.add_argument("--program", help="the program to close (default BUILD's tickwell)")
    parser.add_argument("--closes", type=int, default=200)
    parser.add_argument("--parallel", type=int, default=6)
    parser.add_argument("--servers", default="handshake,body,normal",
                        help="which servers to use, comma-separated")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    parser.add_argument("--leaks", action="store_true",
                        help="let LeakSanitizer check each exit (slower closes)")
    options = parser.parse_args()
    options.program = options.program or os.path.join(options.build, "platform/linux/tickwell")
    options.fake = os.path.join(options.build, "tools/tickwell-nws-fake")
    return options


def main():
    options = parse_options()
    began = time.monotonic()
    work = tempfile.mkdtemp(prefix="tickwell-close-stress-")
    os.makedirs(os.path.join(work, "reports"))
    certs = os.path.join(work, "certs")
    subprocess.run([os.path.join(ROOT, "tools/nws_fake/make_test_cert.sh"), certs], check=True)
    stoppable = []
    servers = []
    wanted = options.servers.split(",")
    if "handshake" in wanted:
        stoppable.append(StallingServer(certs, serve_slow_handshake))
        servers.append(("slow handshake", stoppable[-1].port))
    if "body" in wanted:
        stoppable.append(StallingServer(certs, serve_large_body))
        servers.append(("50 MB body", stoppable[-1].port))
    if "normal" in wanted and os.path.exists(options.fake):
        stoppable.append(NormalFake(options.fake, certs, work))
        servers.append(("normal", stoppable[-1].port))
    try:
        results, slots = run_slots(options, work, certs, servers)
    finally:
        for server in stoppable:
            server.stop()
    failed = [result for result in results if result[3]]
    unwritten = [slot.number for slot in slots if slot.written is None]
    reports = sanitizer_reports(os.path.join(work, "reports"))
    times = sorted(took for _, _, took, _ in results if took is not None)
    for number, how, took, problems in sorted(failed):
        print(f"close {number} ({how}): {'; '.join(problems)}")
    for name, text in reports[:3]:
        print(f"--- {name}\n{text[:4000]}")
    print(f"close stress: {len(results)} closes, {len(failed)} failed, "
          f"{len(reports)} sanitizer reports; slowest close {times[-1] if times else 0:.2f} s, "
          f"median {times[len(times) // 2] if times else 0:.2f} s; "
          f"{time.monotonic() - began:.0f} s in all")
    if unwritten:
        print(f"close stress: no close of the programs {unwritten} wrote the settings file")
    if failed or reports or unwritten or len(results) != options.closes:
        print(f"close stress: FAILED (work folder {work})")
        return 1
    if not options.keep:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
