#!/usr/bin/python3
"""Uses the window as a screen reader user does, through AT-SPI alone, against the demo site and its uTorrent
stand-in: a failed sign-in's alert, signing in, the listing's rows, sending one and hearing it, opening the Search
tab and a torrent page. Run inside a session bus with a display (screen-reader-test.sh sets both up).
Usage: screen_reader_walk.py BUILD_DIR WORK_DIR"""
import os
import subprocess
import sys
import time
import urllib.request

import pyatspi
from gi.repository import GLib

build, work = sys.argv[1], sys.argv[2]
site_address = None
heard = []  # (role, name) of each notification shown or renamed


def fail(what):
    print(f"screen reader walk: {what}; notifications heard: {heard}", file=sys.stderr)
    if os.path.exists(f"{work}/window.log"):
        with open(f"{work}/window.log") as log:
            print("the window's last words:", *log.readlines()[-20:], sep="\n", file=sys.stderr)
    sys.exit(1)


def wait_for(what, probe, seconds=60):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = probe()
        except Exception:  # an object that went away while it was read
            found = None
        if found:
            return found
        time.sleep(0.2)
    fail("no " + what)


def find_all(root, role, name=None):
    """Objects of `role` under `root` that show, depth first (that is, in the order they are read)."""
    found = []

    def walk(node):
        for index in range(node.childCount):
            child = node.getChildAtIndex(index)
            if child is None or not child.getState().contains(pyatspi.STATE_SHOWING):
                continue
            if child.getRole() == role and (name is None or child.name == name):
                found.append(child)
            walk(child)

    walk(root)
    return found


def find(root, role, name=None):
    found = find_all(root, role, name)
    return found[0] if found else None


def act(node, action):
    actions = node.queryAction()
    names = [actions.getName(index) for index in range(actions.nActions)]
    if action not in names:
        fail(f"{node.name!r} has no action {action!r}, only {names}")
    actions.doAction(names.index(action))


def focused(root):
    """The innermost focused object: a list's focused row rather than the list."""
    def walk(node):
        for index in range(node.childCount):
            child = node.getChildAtIndex(index)
            if child is not None and (hit := walk(child)):
                return hit
        return node if node.getState().contains(pyatspi.STATE_FOCUSED) else None

    return walk(root)


def on_event(event):
    try:
        if event.source and event.source.getRole() == pyatspi.ROLE_NOTIFICATION:
            heard.append(event.source.name)
    except GLib.GError:  # gone before it was read
        pass


def start_processes():
    """The demo site with its client stand-ins, the profile pointed at it, then the window."""
    site = subprocess.Popen([f"{build}/demo/marrowfin-demo-site", "--port", "0", "--data-dir", f"{work}/site",
                             "--exit-on-stdin-close"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    fields = dict(part.split("=", 1) for part in site.stdout.readline().split() if "=" in part)
    host = f"127.0.0.1:{fields['site']}"
    global site_address
    site_address = f"http://{host}/_demo/"
    common = ["--config-dir", f"{work}/profile", "--site-host", host, "--captcha-image-host", host, "--ca-file",
              fields["ca"]]
    subprocess.run([f"{build}/src/cli/marrowfin-cli", *common, "remote", "set", "--client", "Utorrent", "--address",
                    "127.0.0.1", "--port", fields["utorrent"], "--user", "admin", "--password", "-"], input="admin\n",
                   text=True, check=True, stdout=subprocess.DEVNULL)
    window = subprocess.Popen([f"{build}/src/app/marrowfin", *common], stdout=open(f"{work}/window.log", "w"),
                              stderr=subprocess.STDOUT)
    return site, window


def main():
    # What a screen reader does when it starts: it says that assistive tools are on.
    subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                    "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:IsEnabled",
                    "variant:boolean:true"], check=True, stdout=subprocess.DEVNULL)
    pyatspi.Registry.registerEventListener(on_event, "object:state-changed:showing",
                                           "object:property-change:accessible-name")
    site, window = start_processes()
    try:
        walk()
    finally:
        window.terminate()
        window.wait(30)
        site.stdin.close()
        site.wait(30)


def pump(seconds):
    """Lets the events the window sent arrive."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.monotonic() >= end:
            return
        time.sleep(0.05)


def walk():
    desktop = pyatspi.Registry.getDesktop(0)

    def app():
        return next((child for child in desktop if child is not None and child.name == "marrowfin"), None)

    frame = wait_for("frame named Marrowfin", lambda: find(app(), pyatspi.ROLE_FRAME, "Marrowfin"))

    # The sign-in screen: every control named, the keys on one of them.
    user = wait_for("user name field", lambda: find(frame, pyatspi.ROLE_TEXT, "User name or e-mail"))
    password = find(frame, pyatspi.ROLE_PASSWORD_TEXT, "Password")
    login = find(frame, pyatspi.ROLE_PUSH_BUTTON, "Login")
    anonymous = find(frame, pyatspi.ROLE_CHECK_BOX, "Anonymous")
    if not (password and login and anonymous and find(frame, pyatspi.ROLE_PUSH_BUTTON, "About Marrowfin")):
        fail("a sign-in control without its name")
    start = focused(frame)
    if not start or not start.name:
        fail("the keys start on an unnamed object")
    if anonymous.getState().contains(pyatspi.STATE_CHECKED):
        act(anonymous, "Toggle")
    wait_for("user name field taking typing", lambda: user.getState().contains(pyatspi.STATE_ENABLED))

    # A wrong password: an alert named by its title, its message the description, the keys on its button.
    user.queryEditableText().setTextContents("demo")
    password.queryEditableText().setTextContents("wrong")
    act(login, "Press")
    alert = wait_for("sign-in alert", lambda: find(frame, pyatspi.ROLE_ALERT))
    if alert.name != "Login failed." or not alert.description:
        fail(f"the alert reads {alert.name!r} / {alert.description!r}")
    button = wait_for("focus on the alert's button", lambda: focused(alert))
    if button.getRole() != pyatspi.ROLE_PUSH_BUTTON or not button.name:
        fail(f"the alert's focus is on {button.getRoleName()} {button.name!r}")
    act(button, "Press")
    wait_for("the alert gone", lambda: find(frame, pyatspi.ROLE_ALERT) is None)

    password.queryEditableText().setTextContents("demo")
    act(login, "Press")

    # The listing: named after its screen, rows in reading order, each named with its category and figures.
    listing = wait_for("list All Torrents", lambda: find(frame, pyatspi.ROLE_LIST, "All Torrents"))
    rows = wait_for("rows", lambda: find_all(listing, pyatspi.ROLE_LIST_ITEM))
    tops = [row.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).y for row in rows]
    if tops != sorted(tops) or len(set(tops)) != len(tops):
        fail(f"rows are read out of their visual order: {tops}")
    if any(" seeders" not in row.name or row.name.count(", ") < 4 for row in rows):
        fail(f"a row without its category or figures: {[row.name for row in rows]}")
    for row in rows:
        states = row.getState()
        if not (states.contains(pyatspi.STATE_FOCUSABLE) and states.contains(pyatspi.STATE_SELECTABLE)):
            fail(f"row {row.name!r} can take neither focus nor selection")

    # The second row: focused, sent, heard.
    second = rows[1]
    act(second, "SetFocus")
    wait_for("focus on the second row", lambda: focused(frame) and focused(frame).name == second.name)
    torrent = second.name.split(", ")[0]
    act(second, "Send to client")
    wait_for("the send announced", lambda: pump(0.2) or f"Sent to the client: {torrent}" in heard or alert_said(frame), 30)
    if f"Sent to the client: {torrent}" not in heard:
        fail("the send ended in an alert: " + alert_said(frame))
    wait_for("the row marked sent", lambda: any(row.name.startswith(torrent + ",") and ", sent," in row.name
                                                for row in find_all(listing, pyatspi.ROLE_LIST_ITEM)))

    # A refresh the site fails is heard, and the rows stay.
    site_control("fail?mode=500")
    act(find(frame, pyatspi.ROLE_PUSH_BUTTON, "Reload"), "Press")
    wait_for("the failed refresh announced",
             lambda: pump(0.2) or [said for said in heard if said.startswith("The refresh failed: ")], 30)
    site_control("fail?mode=off")

    # The listing's settings: each choice a radio button under its label's name, pressed to choose it.
    act(find(frame, pyatspi.ROLE_PUSH_BUTTON, "Category and order"), "Press")
    order = wait_for("the Order by choices", lambda: find(frame, pyatspi.ROLE_PANEL, "Order by:"))
    size = find(order, pyatspi.ROLE_RADIO_BUTTON, "Size")
    act(size, "Press")
    wait_for("Size chosen", lambda: size.getState().contains(pyatspi.STATE_CHECKED), 5)
    if not find(frame, pyatspi.ROLE_LIST, "Group"):
        fail("the category picker's columns have no names")
    act(wait_for("the way back", lambda: find(frame, pyatspi.ROLE_PUSH_BUTTON, "Done")
                 or find(frame, pyatspi.ROLE_PUSH_BUTTON, "Back"), 5), "Press")

    # Every tab opens by its own action, and says it is the selected one.
    tabs = find(frame, pyatspi.ROLE_PAGE_TAB_LIST)
    for tab in find_all(tabs, pyatspi.ROLE_PAGE_TAB):
        act(tab, "Press")
        wait_for(f"the {tab.name} tab selected", lambda: tab.getState().contains(pyatspi.STATE_SELECTED))
    if [tab.name for tab in find_all(tabs, pyatspi.ROLE_PAGE_TAB)][3] != "Download history":
        fail("the history tab does not read as Download history")
    search_tab = find(tabs, pyatspi.ROLE_PAGE_TAB, "Search")
    act(search_tab, "Press")
    wait_for("the Search tab selected", lambda: search_tab.getState().contains(pyatspi.STATE_SELECTED))
    field = wait_for("search field", lambda: find(frame, pyatspi.ROLE_TEXT, "Search"))
    field.queryEditableText().setTextContents("kestrel")
    wait_for("a clear button named", lambda: find(frame, pyatspi.ROLE_PUSH_BUTTON, "Clear search"), 5)
    field.queryComponent().grabFocus()
    wait_for("focus on the search field", lambda: field.getState().contains(pyatspi.STATE_FOCUSED))
    pyatspi.Registry.generateKeyboardEvent(0xFF0D, None, pyatspi.KEY_SYM)  # Return
    found = wait_for("the search's count announced", lambda: pump(0.2) or [said for said in heard if said.endswith(" found")])
    if not find(frame, pyatspi.ROLE_LIST, "Search") or found[-1] == "No torrents found":
        fail(f"the search found nothing to list: {found}")

    # Back on the listing, a row opened by its action shows the torrent page, its content readable.
    act(find(tabs, pyatspi.ROLE_PAGE_TAB, "All Torrents"), "Press")
    listing = wait_for("list All Torrents again", lambda: find(frame, pyatspi.ROLE_LIST, "All Torrents"))
    first = wait_for("a row", lambda: find(listing, pyatspi.ROLE_LIST_ITEM))
    name = first.name.split(", ")[0]
    act(first, "Press")
    wait_for("the torrent page's text", lambda: any(
        name in (node.name or "") or name in text_of(node) for node in find_all(app(), pyatspi.ROLE_HEADING)), 90)


def site_control(command):
    with urllib.request.urlopen(site_address + command, timeout=10) as answer:
        answer.read()


def alert_said(root):
    alert = find(root, pyatspi.ROLE_ALERT)
    return f"{alert.name} {alert.description}" if alert else ""


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return ""


if __name__ == "__main__":
    main()
    print("screen reader walk: passed")
