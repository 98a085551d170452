"""What the accessibility checks share: finding the program and its windows on the
accessibility bus (AT-SPI), waiting for them, and pressing keys on the X display (xdotool)."""

import os
import subprocess
import time

import pyatspi

TIMEOUT = 30.0  # seconds any one wait may take


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls `probe` until it returns something true, at most `timeout` seconds."""
    end = time.monotonic() + timeout
    while True:
        found = probe()
        if found:
            return found
        if time.monotonic() > end:
            raise AssertionError("gave up waiting for " + what)
        time.sleep(0.1)


def keys(*names):
    """Key strokes as the user types them, to the window that has the focus."""
    for name in names:
        subprocess.run(["xdotool", "key", "--clearmodifiers", name], check=True)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)


def x_windows():
    """The program's X windows that are mapped (a pop-up menu is one, though it is not on the
    accessibility bus as a window of its own)."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                            os.environ["KORVALIS_PID"]], capture_output=True, text=True)
    return set(found.stdout.split())


def program():
    """The program's application node on the accessibility bus."""
    pid = int(os.environ["KORVALIS_PID"])

    def probe():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:  # an application that left the bus meanwhile
                continue
        return None

    return wait_for("the program on the accessibility bus", probe)


def has_state(node, state):
    try:
        return node.getState().contains(state)
    except Exception:
        return False


def shown_windows(app):
    """The program's top-level windows that are shown."""
    result = []
    for window in app:
        if window is not None and has_state(window, pyatspi.STATE_SHOWING):
            result.append(window)
    return result


def active_window(app):
    for window in shown_windows(app):
        if has_state(window, pyatspi.STATE_ACTIVE):
            return window
    return None


def wait_window(app, name, timeout=TIMEOUT):
    """The shown top-level window whose name (its title) starts with `name`."""
    try:
        return wait_for(
            "the window " + repr(name),
            lambda: next((w for w in shown_windows(app) if (w.name or "").startswith(name)), None),
            timeout,
        )
    except AssertionError as failure:
        shown = ", ".join(repr(w.name) for w in shown_windows(app))
        raise AssertionError("%s (shown: %s)" % (failure, shown)) from None


def wait_window_gone(app, window, timeout=TIMEOUT):
    wait_for("the window " + repr(window.name) + " to close",
             lambda: not any(w == window for w in shown_windows(app)), timeout)


def descendants(node, into_views=False):
    """Every node below `node`. The items of lists, tables and trees are their view's content,
    named by the data they show: the walk stops at the view unless `into_views`."""
    views = (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_LIST)
    stack = [node]
    while stack:
        current = stack.pop()
        try:
            children = [c for c in current if c is not None]
        except Exception:
            children = []
        for child in reversed(children):
            yield child
            if into_views or child.getRole() not in views:
                stack.append(child)


def find(window, name, roles=None):
    """The first shown node below `window` named `name` (and of one of `roles`)."""
    for node in descendants(window):
        if node.name == name and has_state(node, pyatspi.STATE_SHOWING) and (
                roles is None or node.getRole() in roles):
            return node
    return None


def wait_node(window, name, roles=None, enabled=False, timeout=TIMEOUT):
    def probe():
        node = find(window, name, roles)
        if node is not None and (not enabled or has_state(node, pyatspi.STATE_ENABLED)):
            return node
        return None

    return wait_for(repr(name) + (" enabled" if enabled else ""), probe, timeout)


def focus(node):
    """Gives `node` the keyboard focus, as a screen reader's "move focus here" does; where the
    control offers no such action (a tree), Tab takes the focus there."""
    try:
        node.queryComponent().grabFocus()
        wait_for("the focus on " + repr(node.name),
                 lambda: has_state(node, pyatspi.STATE_FOCUSED), 1.0)
    except AssertionError:
        tab_to(node)


def top_window(node):
    while node.parent is not None and node.parent.getRole() != pyatspi.ROLE_APPLICATION:
        node = node.parent
    return node


def focused_in(window):
    """The control of `window` that has the keyboard focus (a view, not its item), or None."""
    return next((n for n in descendants(window) if has_state(n, pyatspi.STATE_FOCUSED)), None)


def tab_to(node, most=40):
    """Presses Tab until `node` has the focus, as a keyboard user does (at most `most` times).
    Each Tab waits for the focus to move on, so a busy machine does not run past the node."""
    window = top_window(node)
    for _ in range(most):
        if has_state(node, pyatspi.STATE_FOCUSED):
            return
        before = focused_in(window)
        keys("Tab")
        try:
            wait_for("the focus to move", lambda: has_state(node, pyatspi.STATE_FOCUSED)
                     or focused_in(window) != before, 5.0)
        except AssertionError:
            continue
    if not has_state(node, pyatspi.STATE_FOCUSED):
        raise AssertionError("Tab does not reach %s %r" % (node.getRoleName(), node.name))


def press(node):
    """Presses the button `node` with the keyboard: the focus on it, then Space."""
    focus(node)
    keys("space")
