#!/usr/bin/python3
"""The Windows program used as a user would: scenarios run by CTest or run_all.sh.

usage: gui_scenarios.py --list
       gui_scenarios.py SCENARIO --windows-dir DIR --linux-dir DIR --make-recording EXE
                        --cache-dir DIR [--pictures-dir DIR] [--keep] [--time-limit S]
Exit status 0 passed, 1 failed, 77 skipped (a tool or an executable is missing).
"""
import argparse
import os
import re
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from gui_session import HERE, Failure, Session, Skip, check, log, main, wait_for

PROFILES = {
    # name: (title, About text, outer size, Canvas size)
    "2.01": ("Velliqor v2.01", "Velliqor 2.01", (810, 739), (800, 680)),
    "2.01-compact": ("Velliqor v2.01", "Velliqor 2.01", (800, 599), (790, 540)),
    "2.0": ("Velliqor v2.0", "Velliqor 2.0", (810, 731), (800, 680)),
    "2.0-long": ("Velliqor v2.0", "Velliqor 2.0", (810, 731), (800, 680)),
}
WINDOW_POSITION = (130, 4)
DEMO_TAP = os.path.join(HERE, "..", "..", "resources", "demo.tap")

# Live view colours as the screen shows them (R, G, B).
BACKGROUND = (255, 255, 228)
LANE = (155, 230, 255)
MIDLINE = (0, 100, 200)
GRAPH = {(0, 0, 200), (0, 150, 0)}      # period graph dots: data, pilot
LONG_PULSE = (0, 200, 250)
BITS = {(128, 255, 255), (0, 100, 255)}  # '0' and '1' bits in the screen panel
WINDOW_BRUSH = (255, 255, 255)           # the class brush: client column 0, left of the Canvas


# ---- recordings and the reference run ------------------------------------------

def tap_record(body):
    checksum = 0
    for b in body:
        checksum ^= b
    block = bytes(body) + bytes([checksum])
    return len(block).to_bytes(2, "little") + block


def small_tap():
    """A program header, its 600 bytes and a headerless block: 17 s of recording."""
    data = bytes((k * 37 + 11) & 0xFF for k in range(600))
    header = bytes([0, 0]) + b"gui-test  " + (600).to_bytes(2, "little") + (10).to_bytes(2, "little") \
        + (600).to_bytes(2, "little")
    return tap_record(header) + tap_record(b"\xff" + data) + tap_record(b"\xff" + bytes(range(64)))


class Recordings:
    def __init__(self, args, work):
        self.args, self.work = args, work

    def make(self, name, tap, options):
        tap_path = os.path.join(self.work, name + ".tap")
        with open(tap_path, "wb") as f:
            f.write(tap)
        wav = os.path.join(self.work, name + ".wav")
        subprocess.run([self.args.make_recording] + options + [tap_path, wav], check=True, timeout=120,
                       stdout=subprocess.DEVNULL)
        return wav

    def noisy(self):
        # Noise enough that the profiles disagree with one another and some
        # checksums fail (the Linux status 2 becomes 0 on Windows); ~51 s.
        return self.make("noisy", small_tap() * 3, ["--speed", "0.96", "--noise", "5200", "--rounded"])

    def clean(self):
        return self.make("clean", small_tap(), [])

    def long(self):
        # The demo tape four times over: 20 blocks in four TAP files, 3.5 minutes,
        # about 8 s under wine, long enough to act on the program mid-run.
        with open(DEMO_TAP, "rb") as f:
            demo = f.read()
        return self.make("long", demo * 4, ["--speed", "0.97", "--noise", "300"])


def place(wav, folder):
    """The recording linked into a folder of its own, so both programs' outputs sit apart."""
    os.makedirs(folder)
    link = os.path.join(folder, os.path.basename(wav))
    os.symlink(wav, link)
    return link, os.path.splitext(link)[0]


def run_linux(args, profile, wav, folder):
    link, output = place(wav, folder)
    exe = os.path.join(args.linux_dir, "velliqor-" + profile)
    status = subprocess.run([exe, "--no-window", link], stdout=subprocess.DEVNULL, timeout=300).returncode
    log("Linux velliqor-%s: status %d" % (profile, status))
    return status, output


def windows_status(linux_status):
    # The Windows program does not report failed checksums in its status.
    return 0 if linux_status == 2 else linux_status


# ---- the output folder -----------------------------------------------------------

def folder_files(folder):
    check(os.path.isdir(folder), "no output folder " + folder)
    files = {}
    for name in sorted(os.listdir(folder)):
        # The Linux run's note of which recording owns the folder, and its report.
        if name == ".velliqor-recording" or name.endswith(".json"):
            continue
        with open(os.path.join(folder, name), "rb") as f:
            files[name] = f.read()
    return files


def tap_records(name, data):
    records, at = [], 0
    while at < len(data):
        check(at + 2 <= len(data), "%s: a length field is cut off at byte %d" % (name, at))
        n = data[at] | data[at + 1] << 8
        check(at + 2 + n <= len(data), "%s: the record at byte %d is cut off" % (name, at))
        records.append(data[at + 2:at + 2 + n])
        at += 2 + n
    return records


def check_log_matches_taps(folder):
    """Every block line of Log.txt has its record, in order, in the TAP file named before it."""
    files = folder_files(folder)
    log_text = files.get("Log.txt", b"")
    check(log_text.endswith(b"\r\n") and log_text.count(b"\n") == log_text.count(b"\r\n"),
          "Log.txt does not end in whole CR LF lines")
    logged = []  # (file name, [(record length, checksum OK, line)])
    for line in log_text.split(b"\r\n"):
        if line.startswith(b"Filename: "):
            logged.append((line[len(b"Filename: "):].decode("latin-1"), []))
        elif re.match(rb"[0-9:]+-[0-9:]+ ", line) and b", Checksum: " in line:
            check(logged, "a block line comes before any Filename line")
            data_len = re.search(rb"<data> +Len: (\d+)", line)
            logged[-1][1].append((int(data_len.group(1)) if data_len else 19, b"Checksum: OK" in line, line))
        elif line.startswith(b"*** Block not stored"):
            logged[-1][1].pop()
    check(sorted(n for n, _ in logged) == sorted(n for n in files if n != "Log.txt"),
          "the TAP files %s are not those Log.txt names" % sorted(files))
    for name, blocks in logged:
        records = tap_records(name, files[name])
        check(len(records) == len(blocks), "%s holds %d records, Log.txt lists %d blocks"
              % (name, len(records), len(blocks)))
        for record, (length, ok, line) in zip(records, blocks):
            check(len(record) == length, "%s: record of %d bytes for %r" % (name, len(record), line))
            parity = 0
            for b in record:
                parity ^= b
            check(ok == (parity == 0), "%s: checksum differs from %r" % (name, line))
    return sum(len(b) for _, b in logged)


def check_same_output(windows_folder, linux_folder):
    win, lin = folder_files(windows_folder), folder_files(linux_folder)
    check(sorted(win) == sorted(lin), "output files %s, the Linux build wrote %s" % (sorted(win), sorted(lin)))
    for name in win:
        check(win[name] == lin[name], "%s differs from the Linux build's" % name)
    log("output folder identical to the Linux build's: %s" % ", ".join(sorted(win)))


# ---- steps a user takes --------------------------------------------------------

def start_profile(session, args, profile, cwd):
    # cwd: the recording's folder, so that the scenarios do not hang on where
    # the output folder goes (output_next_to_recording pins that).
    title, _, size, _ = PROFILES[profile]
    exe = os.path.join(args.windows_dir, "velliqor-%s.exe" % profile)
    app = session.start(exe, cwd)
    main_window = session.wait_window(title)
    check(session.geometry(main_window) == WINDOW_POSITION + size,
          "main window at %s, expected %s" % (session.geometry(main_window), WINDOW_POSITION + size))
    info = session.probe("main", "VELLIQOR")  # found by its window class
    check(info is not None and info["title"] == title.encode(), "no window of class VELLIQOR titled " + title)
    return app, main_window


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def choose_file(session, path):
    """Types the path into the open-file dialog's name box and presses Return."""
    dialog = session.wait_window("Open")
    typed = wine_path(path)
    name_box = None

    def holds_path():
        nonlocal name_box
        name_box = child(session.probe("dialog", "Open"), "Edit")
        return name_box["text"] == typed.encode()

    for attempt in range(3):
        session.focus(dialog)
        if attempt:
            # A key lost, or the focus elsewhere: clear the box and type again.
            session.click(*centre(name_box["rect"]))
            session.keys("End", "shift+Home", "BackSpace")
        session.type(typed)
        try:
            # The dialog takes the keys in a while after xdotool has sent them.
            wait_for("the name box to hold the path", holds_path, 3, 0.1)
            break
        except Failure:
            log("the name box holds %r; typing again" % name_box["text"])
    else:
        raise Failure("could not type %s into the open-file dialog" % typed)
    session.keys("Return")
    session.wait_gone("Open")
    log("chose " + typed)


def child(info, cls, ident=None):
    check(info is not None, "the dialog has gone")
    found = [c for c in info["children"]
             if c["class"] == cls and c["visible"] and (ident is None or c["id"] == ident)]
    check(found, "no %s control (id %s) in %r" % (cls, ident, info["title"]))
    return found[0]


def centre(rect):
    x, y, w, h = rect
    return x + w // 2, y + h // 2


def click_close_button(session, info):
    # Wine draws the caption itself: the close button's centre sits 10 pixels
    # in from the right border and half a caption (19 pixels) below the top one.
    x, y, w, _ = info["window"]
    border = info["client"][0] - x
    session.click(x + w - border - 10, y + border + 9)


def open_menu_item(session, main_window, menu_x):
    """Opens a menu of the menu bar by mouse and clicks its only item."""
    x, y, _, _ = session.geometry(main_window)
    before = set(session.windows())
    session.click(x + menu_x, y + 33)  # the menu bar, under the border and the 19-pixel caption
    popup = wait_for("the popup menu", lambda: sorted(set(session.windows()) - before), 5)[0]
    px, py, pw, ph = session.geometry(popup)
    session.click(px + pw // 2, py + ph // 2)


def check_about(session, app, profile):
    # Fails at once, not at the deadline, if the run ends without showing About.
    wait_for("the About box", lambda: session.windows("About") or app.status() is not None, 20)
    check(app.status() is None, "the program ended instead of showing About")
    about = session.wait_window("About")
    info = session.probe("dialog", "About")
    check(info is not None, "the About box is not a dialog")
    text = PROFILES[profile][1].encode()
    check(any(c["class"] == "Static" and c["text"] == text for c in info["children"]),
          "About shows %r, expected %r" % ([c["text"] for c in info["children"]], text))
    check(child(info, "Button", 1)["text"] == b"OK", "the About box has no OK button")
    log("About box shows %r" % text.decode())
    return about, info


def lower_canvas(session, profile):
    """Grabs the Canvas rows up to the level lane: the panel text changes at
    every end of screen while the run goes on, and no dialog or menu covers it."""
    W, H = PROFILES[profile][3]
    cx, cy, _, _ = session.probe("main", "VELLIQOR")["client"]
    return lambda: session.grab(cx + 1, cy + H - 301, W, 301).data


def check_paused(app, frame):
    first = frame()
    time.sleep(0.6)
    check(app.status() is None, "the program ended while the About box was open")
    check(frame() == first, "the live view changed while the About box was open")


def check_running(frame, what):
    first = frame()
    wait_for(what, lambda: frame() != first, 10, 0.1)


# ---- scenarios -------------------------------------------------------------------

def run_to_end(args, session, work, profile):
    """The profile's program: its window, its About text, and a run whose
    output is byte-identical to the Linux build of the same profile."""
    wav = Recordings(args, work).noisy()
    linux_status, linux_folder = run_linux(args, profile, wav, os.path.join(work, "linux"))
    link, folder = place(wav, os.path.join(work, "windows"))
    app, main_window = start_profile(session, args, profile, os.path.dirname(link))
    choose_file(session, link)
    session.focus(main_window)
    session.keys("alt+h", "a")
    about, _ = check_about(session, app, profile)
    session.focus(about)
    session.keys("Escape")
    session.wait_gone("About")
    status = app.wait_exit(120)
    check(status == windows_status(linux_status), "exit status %d, expected %d" % (status, windows_status(linux_status)))
    check_same_output(folder, linux_folder)


def about_box(args, session, work):
    """About opens by keys and by mouse, closes by OK, Escape and its close
    button, holds the run while open, and the run then ends as it should."""
    profile = "2.01"
    wav = Recordings(args, work).long()
    linux_status, linux_folder = run_linux(args, profile, wav, os.path.join(work, "linux"))
    link, folder = place(wav, os.path.join(work, "windows"))
    app, main_window = start_profile(session, args, profile, os.path.dirname(link))
    choose_file(session, link)
    frame = lower_canvas(session, profile)
    check_running(frame, "the live view to move")

    for opening, closing in (("keys", "OK"), ("mouse", "Escape"), ("keys", "close button")):
        if opening == "keys":
            session.focus(main_window)
            session.keys("alt+h", "a")
        else:
            open_menu_item(session, main_window, 56)  # "Help", after "File"
        about, info = check_about(session, app, profile)
        check_paused(app, frame)
        if closing == "OK":
            session.click(*centre(child(info, "Button", 1)["rect"]))
        elif closing == "Escape":
            session.focus(about)
            session.keys("Escape")
        else:
            click_close_button(session, info)
        session.wait_gone("About")
        check_running(frame, "the run to go on after closing About with " + closing)
        log("About opened by %s, closed by %s; the run paused and went on" % (opening, closing))

    status = app.wait_exit(120)
    check(status == windows_status(linux_status), "exit status %d, expected %d" % (status, windows_status(linux_status)))
    check_same_output(folder, linux_folder)


def stop_keeps_output(args, session, work, how):
    """Stopping mid-run (File > Exit, or the window's close button) ends with
    status 1 and leaves Log.txt and the TAP files whole and correct so far."""
    profile = "2.01"
    wav = Recordings(args, work).long()
    _, linux_folder = run_linux(args, profile, wav, os.path.join(work, "linux"))
    link, folder = place(wav, os.path.join(work, "windows"))
    app, main_window = start_profile(session, args, profile, os.path.dirname(link))
    choose_file(session, link)
    # The second TAP file exists once the first is complete: stop while blocks
    # sit in both a closed and an open file. 15 of the 20 blocks are still ahead.
    wait_for("the second TAP file", lambda: os.path.exists(os.path.join(folder, "001_velliqor.tap")), 60)
    check(app.status() is None, "the run ended before it could be stopped")
    if how == "exit":
        session.focus(main_window)
        session.keys("alt+f", "x")
    else:
        click_close_button(session, session.probe("main", "VELLIQOR"))
    status = app.wait_exit(30)
    check(status == 1, "exit status %d after stopping, expected 1" % status)

    blocks = check_log_matches_taps(folder)
    win, lin = folder_files(folder), folder_files(linux_folder)
    check(lin["Log.txt"].startswith(win["Log.txt"]) and len(win["Log.txt"]) < len(lin["Log.txt"]),
          "Log.txt is not the start of the whole run's log")
    taps = sorted(n for n in win if n != "Log.txt")
    for name in taps[:-1]:
        check(win[name] == lin.get(name), "%s differs from the whole run's" % name)
    check(lin.get(taps[-1], b"").startswith(win[taps[-1]]), "%s is not the start of the whole run's" % taps[-1])
    log("stopped by %s after %d of 20 blocks; %s whole" % (how, blocks, ", ".join(taps + ["Log.txt"])))


def output_next_to_recording(args, session, work):
    """The output folder goes next to the chosen recording, whatever the
    program's start folder, as the command line's does."""
    start = os.path.join(work, "start")
    os.makedirs(start)
    link, folder = place(Recordings(args, work).clean(), os.path.join(work, "tapes"))
    app, _ = start_profile(session, args, "2.01", start)
    choose_file(session, link)
    check(app.wait_exit(60) == 0, "the run did not end with status 0")
    check(os.listdir(start) == [], "the output went into the start folder: %s" % os.listdir(start))
    check(os.path.isfile(os.path.join(folder, "Log.txt")), "no Log.txt in " + folder)


def cancel_error(args, session, work):
    """Cancelling the open-file dialog: "System Error!" with the file-not-found text, then status 1."""
    app, _ = start_profile(session, args, "2.01", work)
    session.wait_window("Open")
    info = session.probe("dialog", "Open")
    session.click(*centre(child(info, "Button", 2)["rect"]))  # Cancel
    check_error_box(session, app, "Файл не найден!".encode("cp1251"))
    check(os.listdir(work) == ["velliqor-2.01.exe.out"], "files appeared: %s" % os.listdir(work))


def no_extension_error(args, session, work):
    """A chosen file without extension: "System Error!" naming the fault, then status 1."""
    tape = os.path.join(work, "tape")
    with open(tape, "wb") as f:
        f.write(bytes(4800))
    app, _ = start_profile(session, args, "2.01", work)
    choose_file(session, tape)
    check_error_box(session, app, b"Filename must have extension!")
    check(sorted(os.listdir(work)) == ["tape", "velliqor-2.01.exe.out"], "files appeared: %s" % os.listdir(work))


def check_error_box(session, app, text):
    box = session.wait_window("System Error!")
    info = session.probe("dialog", "System Error!")
    check(any(c["class"] == "Static" and c["text"] == text for c in info["children"]),
          "the box says %r, expected %r" % ([c["text"] for c in info["children"]], text))
    check(app.status() is None, "the program ended before the box was dismissed")
    session.focus(box)
    session.keys("Return")
    status = app.wait_exit(20)
    check(status == 1, "exit status %d after the error box, expected 1" % status)
    log("error box %r dismissed; status 1" % text.decode("cp1251"))


def live_view(args, session, work, profile):
    """A screenshot mid-run: the Canvas at client (1,0) with its background,
    level lane, midline, screen panel bits and pulse markers."""
    W, H = PROFILES[profile][3]
    wav = Recordings(args, work).long()
    link, _ = place(wav, os.path.join(work, "windows"))
    app, main_window = start_profile(session, args, profile, os.path.dirname(link))
    choose_file(session, link)
    wx, wy, ww, wh = session.geometry(main_window)
    cx, cy, cw, ch = session.probe("main", "VELLIQOR")["client"]
    check(cw >= W + 1 and ch >= H, "client area %dx%d cannot show the %dx%d Canvas at (1,0)" % (cw, ch, W, H))
    ox, oy = cx - wx, cy - wy  # the client area inside the window picture

    def canvas(image, x, y):
        """The pixel of the Canvas at x and y counted up from its bottom row."""
        return image.pixel(ox + 1 + x, oy + H - 1 - y)

    def columns_of(image, colour):
        """Columns holding a marker line of the colour over the band's rows 400..677 (as far as shown)."""
        top = min(677, H - 1)
        candidates = [x for x in range(W) if canvas(image, x, 450) == colour]
        return sum(1 for x in candidates
                   if sum(canvas(image, x, y) == colour for y in range(400, top + 1)) >= 0.9 * (top - 399))

    def panel_filled(image):
        bits = sum(canvas(image, x, y) in BITS for x in range(160, 386, 3) for y in range(1, 193, 3))
        return bits >= 0.3 * (226 // 3 + 1) * 64

    def good_frame():
        if app.status() is not None:
            raise Failure("the run ended before a frame with pulses and bits was seen")
        image = session.grab(wx, wy, ww, wh)
        return image if columns_of(image, LONG_PULSE) >= 3 and panel_filled(image) else None

    image = wait_for("a frame with long pulse markers and a filled screen panel", good_frame, 60, 0.1)
    image.save_png(os.path.join(args.pictures_dir, "windows-%s.png" % profile))

    for y in range(H):
        check(image.pixel(ox, oy + y) == WINDOW_BRUSH, "client column 0 row %d is %s, not the window's brush"
              % (y, image.pixel(ox, oy + y)))
    for x in range(W):
        for y in range(301, 311):
            check(canvas(image, x, y) == BACKGROUND, "background at (%d, %d) is %s" % (x, y, canvas(image, x, y)))
        graph_dots = 0
        for y in range(220, 301):
            p = canvas(image, x, y)
            if p in GRAPH:
                graph_dots += 1
            elif y == 260 and x % 2 == 0:
                check(p == MIDLINE, "midline at (%d, 260) is %s" % (x, p))
            else:
                check(p == LANE, "level lane at (%d, %d) is %s" % (x, y, p))
        check(graph_dots <= 1, "%d period graph dots in column %d" % (graph_dots, x))
    for x in range(160, 386):
        for y in range(1, 193):
            p = canvas(image, x, y)
            check(p == BACKGROUND or p in BITS, "screen panel at (%d, %d) is %s" % (x, y, p))
    log("live view: background, level lane, midline, screen panel and %d long pulse markers as expected"
        % columns_of(image, LONG_PULSE))

    session.focus(main_window)
    session.keys("alt+f", "x")
    check(app.wait_exit(30) == 1, "File > Exit did not end the run with status 1")


SCENARIOS = {
    "run_to_end.2.01": lambda a, s, w: run_to_end(a, s, w, "2.01"),
    "run_to_end.2.01-compact": lambda a, s, w: run_to_end(a, s, w, "2.01-compact"),
    "run_to_end.2.0": lambda a, s, w: run_to_end(a, s, w, "2.0"),
    "run_to_end.2.0-long": lambda a, s, w: run_to_end(a, s, w, "2.0-long"),
    "about_box": about_box,
    "exit_keeps_output": lambda a, s, w: stop_keeps_output(a, s, w, "exit"),
    "close_keeps_output": lambda a, s, w: stop_keeps_output(a, s, w, "close"),
    "output_next_to_recording": output_next_to_recording,
    "cancel_error": cancel_error,
    "no_extension_error": no_extension_error,
    "live_view.2.01": lambda a, s, w: live_view(a, s, w, "2.01"),
    "live_view.2.01-compact": lambda a, s, w: live_view(a, s, w, "2.01-compact"),
}


def over_time(number, frame):
    raise Failure("the scenario ran over its time limit")


def run(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--windows-dir", required=True, help="the Windows build's folder of .exe files")
    parser.add_argument("--linux-dir", required=True, help="the Linux build's folder of executables")
    parser.add_argument("--make-recording", required=True)
    parser.add_argument("--cache-dir", required=True, help="holds the wine prefix between runs")
    parser.add_argument("--pictures-dir", help="where the live view pictures go (default: the cache dir)")
    parser.add_argument("--keep", action="store_true", help="keep the work folder (as failed runs do)")
    parser.add_argument("--time-limit", type=int, default=240, help="seconds for the whole scenario")
    args = parser.parse_args(argv)
    args.pictures_dir = args.pictures_dir or args.cache_dir
    for name in ("windows_dir", "linux_dir", "make_recording", "cache_dir", "pictures_dir"):
        setattr(args, name, os.path.abspath(getattr(args, name)))  # the programs run elsewhere

    Session.require_tools()
    needed = [os.path.join(args.windows_dir, "velliqor-%s.exe" % p) for p in PROFILES]
    needed += [os.path.join(args.linux_dir, "velliqor-" + p) for p in PROFILES] + [args.make_recording]
    missing = [p for p in needed if not os.path.isfile(p)]
    if missing:
        raise Skip("missing: " + ", ".join(missing))

    # Every wait has its own deadline; this one also ends a scenario stuck
    # anywhere else, in time to clean up before CTest's timeout kills it.
    signal.signal(signal.SIGALRM, over_time)
    signal.alarm(args.time_limit)
    session = Session(args.cache_dir, args.scenario)
    passed = False
    try:
        session.open()
        SCENARIOS[args.scenario](args, session, session.work_dir)
        passed = True
    finally:
        signal.alarm(0)
        if not passed and session.xvfb is not None:
            session.save_screen()
        session.close(passed, args.keep)


if __name__ == "__main__":
    if sys.argv[1:] == ["--list"]:
        print("\n".join(SCENARIOS))
        sys.exit(0)
    sys.exit(main(run, sys.argv[1:]))
