#!/usr/bin/python3
"""What a screen reader finds on Corvane's page, read from the accessibility bus.

Usage (inside a D-Bus session of its own, on a display):
    dbus-run-session -- /usr/bin/python3 accessibility_tree.py CORVANE CERTINFO

Starts CORVANE over a throw-away home folder and waits for its page in the accessibility tree.
Every certificate of the catalogue (as CERTINFO prints it) must have exactly one action, a push
button named "Install NAME", "Uninstall NAME" or "Export NAME" after its simple name; every
certificate with an install state says it in words; every group caption is a button that says
whether it is expanded; the logo link has a name. Exits 0 when all holds, 1 with the faults.
"""

import json
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

ACTIONS = ("Install", "Uninstall", "Export")
STATES = ("Installed", "Not installed", "Partly installed", "Installed state not known")


def walk(node, depth=0):
    """Every accessible under node, depth first; nodes that vanish while read are skipped."""
    if node is None or depth > 60:
        return
    yield node
    try:
        count = node.childCount
    except Exception:  # the page was replaced while being read
        return
    for index in range(count):
        try:
            child = node.getChildAtIndex(index)
        except Exception:
            continue
        yield from walk(child, depth + 1)


def describe(node):
    try:
        return node.getRoleName(), node.name or ""
    except Exception:
        return "", ""


def page_of(process_name):
    """The accessibles of the program's window, or [] while it is not there."""
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and describe(app)[1] == process_name:
            return list(walk(app))
    return []


def main():
    corvane, certinfo = sys.argv[1], sys.argv[2]
    catalogue = [json.loads(line) for line in
                 subprocess.run([certinfo], check=True, capture_output=True,
                                text=True).stdout.splitlines()]
    names = [record["subjectName"] for record in catalogue]

    home = tempfile.mkdtemp(prefix="corvane-a11y-")
    environment = dict(os.environ, HOME=home, XDG_DATA_HOME=home + "/data",
                       XDG_CONFIG_HOME=home + "/config", XDG_CACHE_HOME=home + "/cache",
                       TZ="Europe/Prague")
    program = subprocess.Popen([corvane], env=environment)
    faults = []
    try:
        deadline = time.time() + 60
        nodes = []
        while time.time() < deadline:
            nodes = page_of(os.path.basename(corvane))
            buttons = [describe(n) for n in nodes if describe(n)[0] == "push button"]
            if sum(1 for _, name in buttons if name.startswith(ACTIONS)) >= len(names):
                break
            time.sleep(0.5)

        described = [(node, *describe(node)) for node in nodes]
        actions = [(role, name) for _, role, name in described
                   if name.split(" ")[0] in ACTIONS and len(name.split(" ")) > 1]
        for name in names:
            mine = [(role, text) for role, text in actions
                    if text.split(" ", 1)[1] == name]
            if len(mine) != 1:
                faults.append(f"{name}: {len(mine)} actions named after it")
            elif mine[0][0] != "push button":
                faults.append(f"{name}: its action is a {mine[0][0]}")

        states = [name for _, role, name in described if role == "image" and name in STATES]
        installable = sum(1 for record in catalogue if record["groupFlags"] in (1028, 16392))
        if len(states) != installable:
            faults.append(f"{len(states)} states in words, {installable} expected")

        captions = [node for node, role, name in described
                    if role == "push button" and name and name.split(" ")[0] not in ACTIONS]
        if len(captions) != 4:
            faults.append(f"{len(captions)} caption buttons: {[describe(c)[1] for c in captions]}")
        for caption in captions:
            state = caption.getState()
            if not state.contains(pyatspi.STATE_EXPANDABLE) or not state.contains(
                    pyatspi.STATE_EXPANDED):
                faults.append(f"caption {describe(caption)[1]!r} does not say it is expanded")

        if not any(role == "link" and name == "Oberit home page" for _, role, name in described):
            faults.append("the logo link has no name")
    finally:
        program.kill()
        program.wait()
        subprocess.run(["rm", "-rf", home], check=False)

    for fault in faults:
        print(fault)
    if faults:
        apps = [describe(app)[1] for app in pyatspi.Registry.getDesktop(0) if app is not None]
        print(f"applications on the bus: {apps}; {len(nodes)} accessibles of ours")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
