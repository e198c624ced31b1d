#!/usr/bin/python3
"""A stand-in for logind on a private bus: owns org.freedesktop.login1 (so
that a Ping to it is answered) and sends the Manager's PrepareForSleep
signal when told on standard input: a line "sleep" sends (true), "wake"
sends (false); each is acknowledged with "sent LINE" on standard output.
"ready" is printed once the name is owned.

    login1_standin.py BUS_ADDRESS

Needs python3-dbus and python3-gi (run with /usr/bin/python3).
"""

import sys

import dbus
import dbus.lowlevel
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib


class Manager(dbus.service.Object):
    """Enough of logind for a client that pings it."""


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(sys.argv[1])
    name = dbus.service.BusName("org.freedesktop.login1", bus)
    Manager(bus, "/org/freedesktop/login1")
    loop = GLib.MainLoop()

    def on_line(channel, condition):
        line = sys.stdin.readline()
        if not line:
            loop.quit()
            return False
        command = line.strip()
        if command in ("sleep", "wake"):
            signal = dbus.lowlevel.SignalMessage("/org/freedesktop/login1",
                                                 "org.freedesktop.login1.Manager",
                                                 "PrepareForSleep")
            signal.append(dbus.Boolean(command == "sleep"))
            bus.send_message(signal)
            bus.flush()
            print(f"sent {command}", flush=True)
        return True

    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, on_line)
    print("ready", flush=True)
    loop.run()
    del name


if __name__ == "__main__":
    main()
