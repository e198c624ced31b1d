#!/usr/bin/env python3
"""The end-to-end scenarios against the Windows program under Wine: the same
scenarios as the Linux program's (tickwell_e2e.py, run with --wine), plus a
last check of the registry key the runs leave behind.

    wine_e2e.py --program build/win32-e2e/tickwell.exe \\
                --server build/win32-e2e-server/tools/tickwell-weather-server

Run it through tests/e2e/wine_run.sh, which builds both programs for one port
and sets up the Wine environment (WINEPREFIX and friends must be exported).
Standard library only.
"""

import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tickwell_e2e as e2e  # noqa: E402

SETTING_NAMES = ("Interval", "Outlook", "Fast", "WinX", "WinY")


def scenario_registry(context):
    """After the runs above, the key holds the five settings as REG_DWORD."""
    settings = context.settings(None).read()  # only REG_DWORD values are read
    missing = [name for name in SETTING_NAMES if name not in settings]
    e2e.check(not missing, f"the key lacks REG_DWORD values {missing}: {settings}")
    e2e.check(settings["Interval"] == 4800, f"Interval is {settings['Interval']}, not 4800")
    return ", ".join(f"{name}={settings[name]}" for name in SETTING_NAMES)


def scenario_end_session(context):
    """The session ends (wineboot --end-session sends WM_QUERYENDSESSION and
    WM_ENDSESSION, then ends the process): a window moved since the start
    has its new position saved."""
    context.start_server()
    program = context.start(context.config_home("end-session"))
    _, x, y = context.main_window()
    start = (x + 60, y + 30)
    context.desktop.drag(start, (start[0] + 50, start[1] + 40))
    e2e.check(e2e.wait_until(lambda: context.main_window()[1:] != (x, y), 5),
              "the drag did not move the window")
    _, new_x, new_y = context.main_window()
    environment = dict(context.desktop.environment, **context.options.wine_environment)
    subprocess.run(["wineboot", "--end-session"], env=environment, timeout=60,
                   capture_output=True)
    program.wait()
    saved = context.settings(None).read()
    e2e.check((saved.get("WinX"), saved.get("WinY")) == (new_x, new_y),
              f"saved position {saved.get('WinX')}, {saved.get('WinY')}, not {new_x}, {new_y}")


def main():
    if "--wine" not in sys.argv:
        sys.argv.append("--wine")
    e2e.SCENARIOS.append(("end-session", scenario_end_session))
    e2e.SCENARIOS.append(("registry", scenario_registry))
    return e2e.main()


if __name__ == "__main__":
    sys.exit(main())
