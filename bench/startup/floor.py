#!/usr/bin/python3
"""WebKit's own floor for the start-up benchmark: a bare WebKitGTK view in a GTK window loading a
trivial page. Prints the milliseconds from the process start (as the kernel recorded it) to the
page's load finishing."""
import os
import time

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("WebKit2", "4.1")
from gi.repository import Gtk, WebKit2  # noqa: E402


def process_start_seconds():
    with open("/proc/self/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[19]) / os.sysconf("SC_CLK_TCK")


def main():
    window = Gtk.Window()
    view = WebKit2.WebView()
    window.add(view)
    window.set_default_size(800, 600)

    def changed(_view, event):
        if event == WebKit2.LoadEvent.FINISHED:
            elapsed = time.clock_gettime(time.CLOCK_BOOTTIME) - process_start_seconds()
            print("%.0f" % (elapsed * 1000))
            Gtk.main_quit()

    view.connect("load-changed", changed)
    window.show_all()
    view.load_html("<!DOCTYPE html><p>floor</p>", "file:///")
    Gtk.main()


main()
