"""The program's windows as a screen reader sees them: walks the accessibility tree (AT-SPI) of
the main window (at the start and with a page shown), the save window, the print window, the
file dialog and PDF export window of "Seite speichern", post-processing, and the search and
info windows, and fails on any shown control that takes the focus or can be pressed and has no
name, or has no role of its own. The windows are opened with the keyboard. Runs inside
a11y_session.sh."""

import os
import sys

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from a11y_common import (active_window, descendants, find, focus, has_state, keys, press,  # noqa: E402
                         program, shown_windows, tab_to, type_text, wait_for, wait_node,
                         wait_window, wait_window_gone, x_windows)

# Actions that only move a value (scroll bars, progress bars) or the focus: a node that has
# only these is not something the user presses.
PASSIVE_ACTIONS = {"Increase", "Decrease", "SetFocus", ""}
# Roles that tell a screen reader nothing about what the control is.
NO_ROLE = {pyatspi.ROLE_UNKNOWN, pyatspi.ROLE_INVALID, pyatspi.ROLE_FILLER, pyatspi.ROLE_PANEL}


def pressable(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return False
    return any(action.getName(i) not in PASSIVE_ACTIONS for i in range(action.nActions))


def problems_in(window, label):
    """The shown controls of `window` without a name or a role."""
    found = []
    for node in descendants(window):
        if not has_state(node, pyatspi.STATE_SHOWING):
            continue
        if not (has_state(node, pyatspi.STATE_FOCUSABLE) or pressable(node)):
            continue
        where = "%s: %s" % (label, node.getRoleName())
        parent = node.parent
        if parent is not None:
            where += " in %s %r" % (parent.getRoleName(), parent.name)
        if not (node.name or "").strip():
            found.append(where + " has no name")
        elif node.getRole() in NO_ROLE:
            found.append(where + " %r has no role of its own" % node.name)
    print("%s: %d nodes walked" % (label, sum(1 for _ in descendants(window))))
    return found


def main():
    problems = []
    try:
        walk_windows(problems)
    finally:
        for problem in problems:
            print(problem)
    if problems:
        print("%d controls without a name or role" % len(problems))
        return 1
    print("every focusable or pressable control has a name and a role")
    return 0


def walk_windows(problems):
    """Opens the windows one after another with the keyboard and walks each."""
    app = program()
    main_window = wait_window(app, " Korvalis")
    problems += problems_in(main_window, "main window at the start")

    # The tree's pop-up menu (the menu key on the selected entry) holds "Zeige Info".
    focus(wait_node(main_window, "Baumansicht", roles=[pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE]))
    mapped = x_windows()
    keys("Menu")
    wait_for("the pop-up menu", lambda: x_windows() - mapped)
    keys("Up", "Return")  # its last entry
    info = wait_window(app, "Info")
    problems += problems_in(info, "info window")  # it stays open beside the main window

    # "Anzeigen" loads the selected entry's page; the page tools come on with it.
    press(wait_node(main_window, "Anzeigen", enabled=True))
    save_page = wait_node(main_window, "Seite speichern", enabled=True)
    problems += problems_in(main_window, "main window with a page")

    before = set(shown_windows(app))
    press(wait_node(main_window, "Speichern", enabled=True))
    save_window = wait_for("the save window", lambda: next(
        (w for w in shown_windows(app) if w not in before), None))
    problems += problems_in(save_window, "save window")
    keys("alt+F4")  # the window manager closes it
    wait_window_gone(app, save_window)

    press(wait_node(main_window, "Drucken", enabled=True))
    print_window = wait_window(app, "Drucken")
    problems += problems_in(print_window, "print window")
    press(wait_node(print_window, "Quit"))
    wait_window_gone(app, print_window)

    press(save_page)
    dialog = wait_window(app, "Angezeigte Seite speichern")
    problems += problems_in(dialog, "save dialog")
    # The file type "PDF" (the last), then the file's name, then Return.
    name_field = next(n for n in descendants(dialog) if n.getRole() == pyatspi.ROLE_TEXT
                      and has_state(n, pyatspi.STATE_EDITABLE)
                      and has_state(n, pyatspi.STATE_SHOWING))
    types = next(n for n in descendants(dialog) if n.getRole() == pyatspi.ROLE_COMBO_BOX
                 and has_state(n, pyatspi.STATE_SHOWING) and "(*.jpg)" in (n.name or ""))
    tab_to(types)
    keys("End")
    tab_to(name_field)
    keys("ctrl+a")
    type_text(os.path.join(os.environ["KORVALIS_WORK"], "out", "seite.pdf"))
    keys("Return")
    pdf_window = wait_for("the PDF export window", lambda: next(
        (w for w in shown_windows(app) if find(w, "PDF-Datei erstellen") is not None), None))
    problems += problems_in(pdf_window, "PDF export window")
    keys("alt+F4")
    wait_window_gone(app, pdf_window)

    before = set(shown_windows(app))
    press(wait_node(main_window, "Grafiknachbearbeitung", enabled=True))
    post = wait_for("post-processing", lambda: next(
        (w for w in shown_windows(app) if w not in before), None))
    problems += problems_in(post, "post-processing")
    keys("alt+F4")
    wait_window_gone(app, post)

    # Ctrl+F asks for the text to search; the results come in the search window.
    wait_for("the main window active", lambda: active_window(app) == main_window)
    focus(wait_node(main_window, "Baumansicht", roles=[pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE]))
    before = set(shown_windows(app))
    keys("ctrl+f")
    ask = wait_for("the search question", lambda: next(
        (w for w in shown_windows(app) if w not in before), None))
    problems += problems_in(ask, "search question")
    type_text("Bayern")
    keys("Return")
    search = wait_window(app, "Such")
    problems += problems_in(search, "search window")


if __name__ == "__main__":
    sys.exit(main())
