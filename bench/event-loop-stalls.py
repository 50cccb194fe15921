"""Prints the longest stall of a window's event loop, in milliseconds, over SECONDS.

Usage: /usr/bin/python3 bench/event-loop-stalls.py WINDOW-ID SECONDS

Sends the window a _NET_WM_PING every 20 ms, as a window manager does, and times each answer:
Qt answers from its event loop, so the longest round trip is the longest time the loop was busy.
Needs python3-xlib (Debian's, for /usr/bin/python3).
"""
import sys
import time

from Xlib import X, display, protocol

connection = display.Display()
root = connection.screen().root
# The answers go to the root window; no window manager is running to take them first.
root.change_attributes(event_mask=X.StructureNotifyMask)
window = connection.create_resource_object("window", int(sys.argv[1], 0))
protocols = connection.intern_atom("WM_PROTOCOLS")
ping = connection.intern_atom("_NET_WM_PING")

waiting, longest, serial = {}, 0.0, 0
start = time.monotonic()
next_ping = start
end = start + float(sys.argv[2])
while time.monotonic() < end or (waiting and time.monotonic() < end + 10):
    now = time.monotonic()
    if now >= next_ping and now < end:
        serial += 1
        window.send_event(protocol.event.ClientMessage(
            window=window, client_type=protocols, data=(32, [ping, serial, window.id, 0, 0])))
        connection.flush()
        waiting[serial] = now
        next_ping += 0.02
    while connection.pending_events():
        event = connection.next_event()
        if event.type == X.ClientMessage and event.client_type == protocols:
            sent = waiting.pop(event.data[1][1], None)
            if sent is not None:
                longest = max(longest, time.monotonic() - sent)
    time.sleep(0.001)
for sent in waiting.values():  # never answered
    longest = max(longest, time.monotonic() - sent)
print(f"{longest * 1000:.0f}")
