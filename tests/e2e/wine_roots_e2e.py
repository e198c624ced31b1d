#!/usr/bin/env python3
"""The user's trusted-root store under Wine and TICKWELL_CA_FILE, and the
headers of the API requests:

- with the real service's address, the file's certificate never enters the
  store, checked while the program runs and after it ends, and the log file
  says the file was ignored;
- a run against the HTTPS fake on loopback that is killed while its
  certificate is in the store leaves it there, recorded in the program's
  key; the next start takes it out and the record with it;
- the API requests carry no "Pragma: no-cache";
- a TICKWELL_CA_FILE that cannot be read stops the start with an error box
  and leaves its note in the log file, %LOCALAPPDATA%\\Tickwell\\tickwell.log.

    wine_roots_e2e.py --program build/win32/tickwell.exe \\
                      --fake build/linux/tools/tickwell-nws-fake \\
                      --make-cert tools/nws_fake/make_test_cert.sh

Run it through tests/e2e/wine_run.sh, which builds the programs and sets up
the Wine environment (WINEPREFIX and friends must be exported). Standard
library only.
"""

import http.server
import os
import ssl
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tickwell_e2e as e2e  # noqa: E402
from wine_live_e2e import Context, parse_wine_options, run_wine_suite  # noqa: E402

RECORD_VALUE = "AddedRoots"


def thumbprint(pem_path):
    """The certificate's SHA-1 thumbprint in capitals, as the store's key names it."""
    result = subprocess.run(["openssl", "x509", "-in", pem_path, "-noout", "-fingerprint",
                             "-sha1"], capture_output=True, text=True, check=True)
    return result.stdout.strip().split("=", 1)[1].replace(":", "").upper()


def store_holds(context, thumb):
    """Whether the user's root store has a certificate of this thumbprint."""
    roots = context.registry.trusted_roots()
    return any(key.upper().endswith("\\" + thumb) for key in roots)


def record(context):
    return context.registry.values().get(RECORD_VALUE)


def end(context, process):
    """Closes the main window with its button when it is there, else ends
    the process."""
    windows = context.desktop.find_windows("Tickwell")
    if windows:
        x, y, _, _ = context.desktop.geometry(windows[0])
        context.close(process, (x, y))
        return "closed"
    process.kill()
    process.wait()
    return "killed (no window)"


def scenario_real_service(context):
    """TICKWELL_CA_FILE with the real service's address: the store never
    gains the certificate (no network here: the requests fail, fine), and
    the log file says the file was ignored."""
    log = log_path(context)
    if os.path.exists(log):
        os.remove(log)
    thumb = thumbprint(os.path.join(context.certs, "ca.pem"))
    e2e.check(not store_holds(context, thumb), "the store holds the test certificate already")
    environment = {"TICKWELL_API_BASE": "https://api.weather.gov",
                   "TICKWELL_CA_FILE": os.path.join(context.certs, "ca.pem")}
    process = context.start(context.options.program, environment)
    looks = 0
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and process.poll() is None:
        e2e.check(not store_holds(context, thumb), "the certificate entered the store")
        looks += 1
        time.sleep(0.5)
    how = end(context, process)
    e2e.check(not store_holds(context, thumb), "the certificate is in the store after the run")
    e2e.check(record(context) is None, f"a record was written: {record(context)}")
    noted = read_log(log)
    e2e.check(any(line.endswith("TICKWELL_CA_FILE is used only with a TICKWELL_API_BASE on this "
                                "machine; ignored for api.weather.gov") for line in noted),
              f"the log does not say the file was ignored: {noted}")
    return f"{looks} looks while it ran; {how}"


def scenario_killed_run(context):
    """A run on the fake killed while the certificate is trusted; the next
    start (on the real service's address, no file) takes it out."""
    thumb = thumbprint(os.path.join(context.certs, "ca.pem"))
    fake = context.fake("ok")
    process = context.start(context.options.program, context.live_environment(fake))
    e2e.check(e2e.wait_until(lambda: store_holds(context, thumb), 30),
              "the certificate never entered the store")
    e2e.check(record(context) is not None, "no record while the certificate is in the store")
    context.main_window()
    process.kill()  # SIGKILL: nothing of the program runs any more
    process.wait()
    e2e.check(store_holds(context, thumb), "the certificate left with the killed run")

    process = context.start(context.options.program,
                            {"TICKWELL_API_BASE": "https://api.weather.gov"})
    gone = e2e.wait_until(lambda: not store_holds(context, thumb), 30)
    e2e.check(gone, "the next start left the certificate in the store")
    e2e.check(record(context) is None, f"the record stayed: {record(context)}")
    how = end(context, process)
    e2e.check(not store_holds(context, thumb), "the certificate is back in the store")
    return f"taken out at the next start, which was then {how}"


class HeaderLog(http.server.BaseHTTPRequestHandler):
    """Answers every GET with 404 and keeps its headers."""
    seen = []

    def do_GET(self):  # noqa: N802 (the handler's name is the library's)
        HeaderLog.seen.append((self.path, {k.lower(): v for k, v in self.headers.items()}))
        self.send_response(404)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *arguments):
        pass


def scenario_no_pragma(context):
    """The API requests ask for fresh answers the service's way only: no
    Pragma: no-cache header."""
    HeaderLog.seen = []
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), HeaderLog)
    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls.load_cert_chain(os.path.join(context.certs, "server.pem"),
                        os.path.join(context.certs, "server.key"))
    server.socket = tls.wrap_socket(server.socket, server_side=True)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        environment = {"TICKWELL_API_BASE": f"https://127.0.0.1:{server.server_address[1]}",
                       "TICKWELL_CA_FILE": os.path.join(context.certs, "ca.pem")}
        process = context.start(context.options.program, environment)
        e2e.check(e2e.wait_until(lambda: HeaderLog.seen, 30), "no request arrived")
        end(context, process)
    finally:
        server.shutdown()
        server.server_close()
    with_pragma = [path for path, headers in HeaderLog.seen if "pragma" in headers]
    e2e.check(not with_pragma, f"Pragma sent with {with_pragma}")
    return f"{len(HeaderLog.seen)} request(s), none with Pragma"


def log_path(context):
    """The program's log file in the prefix, as a path of this machine."""
    folder = subprocess.run(["wine", "cmd", "/c", "echo %LOCALAPPDATA%"], env=context.environment,
                            capture_output=True, text=True, timeout=60).stdout.strip()
    e2e.check(folder and "%" not in folder, f"LOCALAPPDATA is {folder!r}")
    unix = subprocess.run(["winepath", "-u", folder + "\\Tickwell\\tickwell.log"],
                          env=context.environment, capture_output=True, text=True,
                          timeout=60).stdout.strip()
    e2e.check(unix, f"winepath gave nothing for {folder}")
    return unix


def read_log(path):
    e2e.check(os.path.exists(path), f"no log file at {path}")
    with open(path, encoding="utf-8", errors="replace") as file:
        return file.read().splitlines()


def scenario_unreadable_ca_file(context):
    """A TICKWELL_CA_FILE that is not there: the error box names it, the
    program ends with status 1, and the log file holds the same note with
    its time, after the note that the file cannot be read."""
    log = log_path(context)
    if os.path.exists(log):
        os.remove(log)
    missing = os.path.join(context.work, "no-such-folder", "ca.pem")
    windows_missing = subprocess.run(["winepath", "-w", missing], env=context.environment,
                                     capture_output=True, text=True, timeout=60).stdout.strip()
    process = context.start(context.options.program,
                            {"TICKWELL_API_BASE": "https://127.0.0.1:9",
                             "TICKWELL_CA_FILE": windows_missing})
    box = context.desktop.wait_for_window("Tickwell Error", timeout=30)
    x, y, width, height = context.desktop.geometry(box)
    # Without a window manager the keyboard follows the pointer.
    context.desktop.mouse_move(x + width // 2, y + height // 2)
    time.sleep(0.3)
    context.desktop.keys("Return")
    try:
        code = process.wait(timeout=15)
    except subprocess.TimeoutExpired:
        raise e2e.Failure("the program did not end after its error box")
    e2e.check(code == 1, f"exit status {code}, not 1")
    lines = read_log(log)
    wanted = "could not trust the certificates of TICKWELL_CA_FILE " + windows_missing
    noted = [line for line in lines if line.endswith(wanted)]
    e2e.check(noted, f"the log holds no note of the file: {lines}")
    why = f"TICKWELL_CA_FILE {windows_missing} cannot be read"
    e2e.check(any(line.endswith(why) for line in lines), f"the log does not say why: {lines}")
    stamp = noted[0][:len("2026-01-01 00:00:00 ")]
    e2e.check(time.strptime(stamp, "%Y-%m-%d %H:%M:%S ") is not None, f"no time on {noted[0]}")
    return f"noted: {noted[0]}"


SCENARIOS = [
    ("roots-real-service", scenario_real_service),
    ("roots-killed-run", scenario_killed_run),
    ("requests-without-pragma", scenario_no_pragma),
    ("unreadable-ca-file-logged", scenario_unreadable_ca_file),
]


def main():
    return run_wine_suite(parse_wine_options(__doc__), SCENARIOS, Context, "roots")

if __name__ == "__main__":
    sys.exit(main())
