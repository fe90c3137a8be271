#!/usr/bin/python3
"""Stand-ins for the idle watch's tests on private buses. "login1 RECORD": the login manager on
$DBUS_SYSTEM_BUS_ADDRESS, each Session.Lock a line in RECORD (RECORD.ready once it serves).
"inhibit RECORD": an application holding an inhibitor while it runs (its cookie in RECORD)."""
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

SESSION = "/org/freedesktop/login1/session/_31"


class Manager(dbus.service.Object):
    @dbus.service.method("org.freedesktop.login1.Manager", in_signature="s", out_signature="o")
    def GetSession(self, _id):
        return SESSION


class Session(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(bus, SESSION)
        self.record = record

    @dbus.service.method("org.freedesktop.login1.Session")
    def Lock(self):
        with open(self.record, "a") as f:
            f.write("lock\n")


def main():
    mode, record = sys.argv[1], sys.argv[2]
    DBusGMainLoop(set_as_default=True)
    if mode == "login1":
        bus = dbus.bus.BusConnection(os.environ["DBUS_SYSTEM_BUS_ADDRESS"])
        name = dbus.service.BusName("org.freedesktop.login1", bus)
        objects = [Manager(bus, "/org/freedesktop/login1"), Session(bus, record)]
        open(record + ".ready", "w").close()
    else:
        bus = dbus.SessionBus()
        cookie = bus.call_blocking("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                   "org.freedesktop.ScreenSaver", "Inhibit", "ss",
                                   ("idle test", "a film"))
        with open(record, "w") as f:
            f.write(f"{cookie}\n")
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
