"""A user without a mouse: loads a page, saves it ("Seite speichern", JPEG), exports it as a PDF
(the file dialog, then the PDF export window) and downloads two pages with the save window,
with key strokes only (xdotool key and type; Tab moves the focus, Space presses). The
accessibility bus only tells the script where the focus is and which window is up. Checks that
each file appears in the out folder. Runs inside a11y_session.sh."""

import glob
import os
import sys

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from a11y_common import (descendants, find, has_state, keys, program, shown_windows,  # noqa: E402
                         tab_to, type_text, wait_for, wait_node, wait_window, wait_window_gone,
                         x_windows)

OUT = os.path.join(os.environ["KORVALIS_WORK"], "out")


def text_of(node):
    return node.queryText().getText(0, -1)


def file_appears(path, what):
    wait_for(what + " in " + path, lambda: os.path.isfile(path) and os.path.getsize(path) > 0, 60)
    print("%s: %s (%d bytes)" % (what, os.path.basename(path), os.path.getsize(path)))


def save_dialog_answer(app, name, last_type=False):
    """Answers "Seite speichern"'s file dialog with the keyboard: the file type "PDF" (the last
    one) when `last_type`, the file name, Return."""
    dialog = wait_window(app, "Angezeigte Seite speichern")
    name_field = wait_for("the file name field", lambda: next(
        (n for n in descendants(dialog) if n.getRole() == pyatspi.ROLE_TEXT
         and has_state(n, pyatspi.STATE_EDITABLE) and has_state(n, pyatspi.STATE_SHOWING)), None))
    if last_type:
        types = next(n for n in descendants(dialog) if n.getRole() == pyatspi.ROLE_COMBO_BOX
                     and has_state(n, pyatspi.STATE_SHOWING) and "(*.jpg)" in (n.name or ""))
        tab_to(types)
        keys("End")
    tab_to(name_field)
    keys("ctrl+a")
    type_text(os.path.join(OUT, name))
    keys("Return")
    wait_window_gone(app, dialog)


def main():
    app = program()
    main_window = wait_window(app, " Korvalis")

    # Return on the tree's entry loads its first page.
    tree = wait_node(main_window, "Baumansicht", roles=[pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE])
    tab_to(tree)
    keys("Return")
    save_page = wait_node(main_window, "Seite speichern", enabled=True)
    print("page shown: ID %s, page %s" % (text_of(find(main_window, "ID")),
                                          text_of(find(main_window, "Seite", [pyatspi.ROLE_TEXT]))))

    # "Seite speichern" as JPEG (the file type offered first).
    tab_to(save_page)
    keys("space")
    save_dialog_answer(app, "seite.jpg")
    file_appears(os.path.join(OUT, "seite.jpg"), "page saved")

    # "Seite speichern" as PDF: the export window, its "PDF-Datei erstellen".
    tab_to(save_page)
    keys("space")
    save_dialog_answer(app, "seite.pdf", last_type=True)
    pdf_window = wait_for("the PDF export window", lambda: next(
        (w for w in shown_windows(app) if find(w, "PDF-Datei erstellen") is not None), None))
    tab_to(find(pdf_window, "PDF-Datei erstellen"))
    keys("space")
    file_appears(os.path.join(OUT, "seite.pdf"), "PDF exported")
    with open(os.path.join(OUT, "seite.pdf"), "rb") as pdf:
        if not pdf.read(5) == b"%PDF-":
            raise AssertionError("seite.pdf is no PDF file")
    if has_state(pdf_window, pyatspi.STATE_SHOWING):
        keys("alt+F4")
        wait_window_gone(app, pdf_window)

    # Two pages of the entry shown through the save window: ID, from, to, "Links erstellen",
    # "DL Start". The target folder is the one "Seite speichern" used.
    entry_id = text_of(find(main_window, "ID"))
    page = int(text_of(find(main_window, "Seite", [pyatspi.ROLE_TEXT])))
    before = set(shown_windows(app))
    tab_to(wait_node(main_window, "Speichern", enabled=True))
    keys("space")
    save_window = wait_for("the save window", lambda: next(
        (w for w in shown_windows(app) if w not in before), None))
    wait_for("the save window active", lambda: has_state(save_window, pyatspi.STATE_ACTIVE))
    fields = [n for n in descendants(save_window) if n.getRole() == pyatspi.ROLE_TEXT
              and has_state(n, pyatspi.STATE_EDITABLE)]
    by_name = {n.name: n for n in fields}
    for name, value in (("ID:", entry_id), ("von:", str(page)), ("bis:", str(page + 1))):
        field = by_name.get(name.rstrip(":"))
        if field is None:
            raise AssertionError("the save window has no field %r (has %s)" % (
                name, sorted(by_name)))
        tab_to(field)
        keys("ctrl+a")
        type_text(value)
    tab_to(find(save_window, "Links erstellen"))
    keys("space")
    # Both rows chosen: the list's menu (the menu key), "Auswahl:", "Alle ausw\u00e4hlen".
    save_list = wait_node(save_window, "Speicherliste")
    wait_for("two rows in the list", lambda: save_list.queryTable().nRows >= 2)
    tab_to(save_list)
    mapped = x_windows()
    keys("Menu")
    wait_for("the list's menu", lambda: x_windows() - mapped)
    keys("Down", "Right", "Down", "Return")
    # Names for the files, then the download.
    tab_to(by_name["Dateiname"])
    type_text("Seite_[3]")
    tab_to(find(save_window, "Dateinamen \u00fcbernehmen"))
    keys("space")
    start = wait_node(save_window, "DL Start", enabled=True)
    tab_to(start)
    keys("space")
    wait_for("two downloaded pages in " + OUT, lambda: len(
        [f for f in glob.glob(os.path.join(OUT, "*")) if not os.path.basename(f).startswith(
            "seite.") and os.path.getsize(f) > 0]) >= 2, 120)
    pages = sorted(os.path.basename(f) for f in glob.glob(os.path.join(OUT, "*"))
                   if not os.path.basename(f).startswith("seite."))
    print("batch: " + ", ".join(pages))
    print("page loaded, saved, exported as PDF and a two-page batch run, all with the keyboard")
    return 0


if __name__ == "__main__":
    sys.exit(main())
