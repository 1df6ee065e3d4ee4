#!/usr/bin/python3
"""A stand-in desktop notification service for tests, on the session bus of its environment.

Owns org.freedesktop.Notifications, appends every Notify and CloseNotification call to LOG as one JSON
line, prints "ready" once it owns the name and ends on SIGTERM. A test clicks a notification, as a user
would, through Click(id) of the interface org.vantrex.Test on the same object: the service then says so
with ActionInvoked(id, "default"). Usage: notification_service.py LOG
"""
import json
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"
PATH = "/org/freedesktop/Notifications"
TEST = "org.vantrex.Test"


def image_of(hints):
    """The size of an image-data hint as [width, height], or None without one."""
    image = hints.get("image-data")
    return None if image is None else [int(image[0]), int(image[1])]


class Notifications(dbus.service.Object):
    def __init__(self, bus, log_path):
        super().__init__(bus, PATH)
        self.log_path = log_path
        self.last_id = 0

    def log(self, call):
        with open(self.log_path, "a", encoding="utf-8") as log:
            log.write(json.dumps(call) + "\n")

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout):
        if replaces_id == 0:
            self.last_id += 1
        notification_id = replaces_id or self.last_id
        urgency = hints.get("urgency")
        # The notification protocol's urgency is a byte; anything else is logged as what it was, so that
        # the test's comparison fails.
        urgency = int(urgency) if isinstance(urgency, dbus.Byte) else repr(urgency)
        self.log({"method": "Notify", "id": int(notification_id), "app_name": app_name,
                  "replaces_id": int(replaces_id), "app_icon": app_icon, "summary": summary, "body": body,
                  "actions": list(actions), "urgency": urgency,
                  "desktop_entry": hints.get("desktop-entry"), "image": image_of(hints),
                  "expire_timeout": int(expire_timeout)})
        return notification_id

    @dbus.service.method(NAME, out_signature="as")
    def GetCapabilities(self):
        return ["actions", "body"]

    @dbus.service.method(NAME, out_signature="ssss")
    def GetServerInformation(self):
        return ("vantrex-test-notifications", "VANTREX", "1", "1.2")

    @dbus.service.method(NAME, in_signature="u")
    def CloseNotification(self, notification_id):
        self.log({"method": "CloseNotification", "id": int(notification_id)})
        # Reason 3: closed by a call to CloseNotification.
        self.NotificationClosed(notification_id, 3)

    @dbus.service.signal(NAME, signature="uu")
    def NotificationClosed(self, notification_id, reason):
        pass

    @dbus.service.signal(NAME, signature="us")
    def ActionInvoked(self, notification_id, action_key):
        pass

    @dbus.service.method(TEST, in_signature="u")
    def Click(self, notification_id):
        self.ActionInvoked(notification_id, "default")


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    service = Notifications(bus, sys.argv[1])
    # Another owner means another service would get the calls: fail rather than queue behind it.
    name = dbus.service.BusName(NAME, bus, do_not_queue=True)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    print("ready", flush=True)
    loop.run()
    del name, service


if __name__ == "__main__":
    main()
