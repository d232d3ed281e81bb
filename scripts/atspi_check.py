#!/usr/bin/env python3
"""What a screen reader hears of the logger, through AT-SPI (run by scripts/atspi-check.sh).

Presses Connect through the accessibility tree, waits for the pause question and reads its
reason, answers it, reads the chart's description, starts the download of the load bank's
stored records and reads "Record k of n". Passes when every text was read and the status
field's changes reached AT-SPI as events (the ones Orca listens to)."""
import re
import sys
import time

import pyatspi
from gi.repository import GLib

APP = "dc-load-logger"
events = []          # (event type, source name)
found = {}


def listener(event):
    try:
        events.append((event.type, event.source.name or ""))
    except Exception:
        pass


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        try:
            yield from walk(node.getChildAtIndex(i), depth + 1)
        except Exception:
            continue


def app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.name == APP:
            return a
    return None


def find(pred):
    a = app()
    for n in walk(a):
        try:
            if pred(n):
                return n
        except Exception:
            continue
    return None


def press(name):
    node = find(lambda n: n.name == name and n.getRoleName() == "push button")
    if node is None:
        return False
    node.queryAction().doAction(0)
    return True


steps = [
    ("the logger on the accessibility bus", lambda: app() is not None),
    ("Connect pressed", lambda: press("Connect")),
    ("pause question with its reason", lambda: read("reason", lambda n: n.name.startswith("current ") and " A below 5 A at " in n.name)),
    ("pause answered", lambda: press("Click to PAUSE TEST")),
    ("chart description", lambda: read("chart", lambda n: n.description.startswith("Volts against time, ") and "last" in n.description, "description")),
    ("download started", lambda: press("Results Stored in Load Bank")),
    ("Record k of n", lambda: read("record", lambda n: re.fullmatch(r"Download Record [1-9][0-9]* of [0-9]+", n.name or ""))),
]


def read(key, pred, attr="name"):
    node = find(pred)
    if node is not None:
        found[key] = getattr(node, attr)
        return True
    return False


def main():
    for kind in ("object:property-change:accessible-name", "object:text-changed", "object:announcement"):
        pyatspi.Registry.registerEventListener(listener, kind)
    deadline = time.monotonic() + float(sys.argv[1] if len(sys.argv) > 1 else 120)
    state = {"step": 0, "ok": False}

    def tick():
        if state["step"] >= len(steps):
            state["ok"] = True
            pyatspi.Registry.stop()
            return False
        if time.monotonic() > deadline:
            pyatspi.Registry.stop()
            return False
        name, action = steps[state["step"]]
        try:
            if action():
                print(f"atspi: {name}: ok", flush=True)
                state["step"] += 1
        except Exception as e:   # a window closing under the walk: look again
            print(f"atspi: {name}: {e}", flush=True)
        return True

    GLib.timeout_add(300, tick)
    pyatspi.Registry.start()
    status_events = [e for e in events if e[0].startswith("object:property-change:accessible-name") and e[1].startswith("Connection status ")]
    for k, v in found.items():
        print(f"atspi: read {k}: {v}")
    print(f"atspi: {len(status_events)} name-change events of the status field, e.g. {status_events[:2]}")
    if not state["ok"]:
        print(f"atspi: FAILED at step {state['step']}: {steps[min(state['step'], len(steps) - 1)][0]}", file=sys.stderr)
        return 1
    if not status_events:
        print("atspi: FAILED: no event when the status text changed", file=sys.stderr)
        return 1
    print("atspi: PASSED")
    return 0


if __name__ == "__main__":
    sys.exit(main())
