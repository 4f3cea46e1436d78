#!/usr/bin/env python3
"""Reads and drives the program through the desktop's accessibility bus, as a screen reader does.

  atspi_probe.py tree               every object of the program: depth, role, name, states, actions
  atspi_probe.py press ROLE NAME    runs the first action of the object with that role and name

Prints one line per object (tree) or "done" (press). Exits 2 when the program is not on the
bus, 3 when no such object exists, 4 when the object has no action.
"""

import sys

import pyatspi

PROGRAM = "tolmary"


def program():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name.lower() == PROGRAM:
            return app
    return None


def walk(node, depth=0):
    yield depth, node
    for child in node:
        if child is not None:
            yield from walk(child, depth + 1)


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def states(node):
    wanted = {
        pyatspi.STATE_FOCUSABLE: "focusable",
        pyatspi.STATE_FOCUSED: "focused",
        pyatspi.STATE_PRESSED: "pressed",
        pyatspi.STATE_ENABLED: "enabled",
    }
    held = node.getState()
    return [word for state, word in wanted.items() if held.contains(state)]


def main(argv):
    app = program()
    if app is None:
        return 2
    if argv[1] == "tree":
        for depth, node in walk(app):
            print("\t".join([str(depth), node.getRoleName(), node.name,
                             ",".join(states(node)), ",".join(actions(node))]))
        return 0
    role, name = argv[2], argv[3]
    for _, node in walk(app):
        if node.getRoleName() == role and node.name == name:
            if not actions(node):
                return 4
            node.queryAction().doAction(0)
            print("done")
            return 0
    return 3


if __name__ == "__main__":
    sys.exit(main(sys.argv))
