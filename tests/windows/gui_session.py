"""Drives the Windows program under wine in a private X display, like a user.

A Session owns one Xvfb, one wine prefix (cached between runs, guarded by a
file lock), a work folder and every process started in it; close() ends them
all and is reached on every path out (signals become exceptions). Waits poll
with deadlines: GUI steps take 0.05-2 s and vary with load, and fixed sleeps
are either slow or flaky.
"""
import ctypes
import fcntl
import os
import re
import shutil
import signal
import subprocess
import sys
import time

SKIP = 77  # CTest's SKIP_RETURN_CODE
HERE = os.path.dirname(os.path.abspath(__file__))
IMPORT = "/usr/bin/import"    # ImageMagick's; /usr/local/bin may hold stand-ins
CONVERT = "/usr/bin/convert"
PREFIX_FORMAT = "2"           # bump when the prefix set-up below changes
REGISTRY_FILES = ("system.reg", "user.reg", "userdef.reg")

# Managed=N: without a window manager, every hide or close of a managed
# window waits 2 s for an answer that never comes. ShowCrashDialog=0: a crash
# ends the process at once instead of hanging on winedbg's dialog.
REGISTRY = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
"""


class Skip(Exception):
    """A tool or input the scenario needs is missing."""


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


_t0 = time.monotonic()


def log(message):
    print("[%6.2fs] %s" % (time.monotonic() - _t0, message), flush=True)


def wait_for(what, probe, timeout, interval=0.05):
    """Polls probe() until it returns something true; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def _die_with_parent():
    # If the harness is killed outright (a CTest timeout), its children go too.
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def _raise_on_signal(number, frame):
    raise SystemExit("stopped by signal %d" % number)


class Image:
    """An RGB picture read from a binary PPM."""

    def __init__(self, ppm):
        fields = []
        at = 0
        while len(fields) < 4:  # magic, width, height, maxval
            while ppm[at:at + 1].isspace():
                at += 1
            end = at
            while not ppm[end:end + 1].isspace():
                end += 1
            fields.append(ppm[at:end])
            at = end
        check(fields[0] == b"P6" and fields[3] == b"255", "screenshot is not an 8-bit PPM")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.data = ppm[at + 1:at + 1 + 3 * self.width * self.height]
        check(len(self.data) == 3 * self.width * self.height, "screenshot is truncated")
        self.ppm = ppm

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def save_png(self, path):
        subprocess.run([CONVERT, "ppm:-", "png:" + path], input=self.ppm, check=True, timeout=30)


class App:
    """One run of a Windows executable under wine."""

    def __init__(self, process, name):
        self.process = process
        self.name = name

    def status(self):
        return self.process.poll()

    def wait_exit(self, timeout):
        wait_for(self.name + " to end", lambda: self.process.poll() is not None, timeout)
        return self.process.returncode


class Session:
    def __init__(self, cache_dir, name):
        self.cache_dir = os.path.abspath(cache_dir)
        self.name = name
        self.work_dir = os.path.join(self.cache_dir, "work")
        self.failed_dir = os.path.join(self.cache_dir, "failed-" + name)
        self.prefix = os.path.join(self.cache_dir, "wineprefix")
        self.probe_exe = os.path.join(self.cache_dir, "window_probe.exe")
        self.xvfb = None
        self.apps = []
        self.lock_file = None
        self.env = None

    # ---- set-up and clean-up -------------------------------------------------

    @staticmethod
    def require_tools():
        missing = [t for t in ("wine", "wineserver", "Xvfb", "xdotool") if shutil.which(t) is None]
        missing += [t for t in (IMPORT, CONVERT) if not os.access(t, os.X_OK)]
        if missing:
            raise Skip("missing: " + ", ".join(missing))

    def open(self):
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(number, _raise_on_signal)
        os.makedirs(self.cache_dir, exist_ok=True)
        self._lock()
        # Under the lock no one else uses it: what is there was left by a killed run.
        shutil.rmtree(self.work_dir, ignore_errors=True)
        os.makedirs(self.work_dir)
        self._start_display()
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": self.prefix,
            "WINEDEBUG": "-all",
            # No Mono/Gecko installs, and no menu entries written into $HOME.
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
            "DISPLAY": self.display,
            "XAUTHORITY": self.xauthority,
            # English dialogs ("Open") and code page 1252 whatever the caller's locale.
            "LC_ALL": "C.UTF-8",
            "LANG": "C.UTF-8",
        })
        self.env.pop("WINELOADER", None)
        self.env.pop("WINESERVER", None)
        self._ensure_probe()
        self._ensure_prefix()

    def save_screen(self):
        path = os.path.join(self.cache_dir, "failed-%s.png" % self.name)
        try:
            self.grab(0, 0, 1280, 1024).save_png(path)
            log("screen saved as " + path)
        except Exception as e:  # only a diagnostic: never hide the real failure
            log("could not save the screen: %s" % e)

    def _lock(self):
        # CTest's RESOURCE_LOCK serialises the tests; the lock also covers
        # run_all.sh or a second ctest using the same cached prefix.
        lock_file = open(os.path.join(self.cache_dir, "lock"), "w")
        try:
            wait_for("the lock of " + self.cache_dir, lambda: self._try_lock(lock_file), 600, 0.2)
        except BaseException:
            lock_file.close()
            raise
        self.lock_file = lock_file

    @staticmethod
    def _try_lock(lock_file):
        try:
            fcntl.flock(lock_file, fcntl.LOCK_EX | fcntl.LOCK_NB)
            return True
        except BlockingIOError:
            return False

    def _start_display(self):
        # A cookie of our own: a client of another test suite that was told
        # the same display number (ours reused it after theirs ended) cannot
        # connect and flood or grab our server.
        self.xauthority = os.path.join(self.cache_dir, "Xauthority")
        with os.fdopen(os.open(self.xauthority, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "wb") as f:
            def counted(b):
                return len(b).to_bytes(2, "big") + b
            # FamilyWild with an empty address and display number: any display.
            f.write(b"\xff\xff" + counted(b"") + counted(b"") + counted(b"MIT-MAGIC-COOKIE-1")
                    + counted(os.urandom(16)))
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-auth", self.xauthority, "-screen", "0", "1280x1024x24",
             "-dpi", "96", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()  # written once the server accepts clients
        check(number.isdigit(), "Xvfb did not report a display number")
        self.display = ":" + number
        log("Xvfb on display " + self.display)

    def _wine(self, args, timeout, **kwargs):
        return subprocess.run(args, env=self.env, timeout=timeout, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent, **kwargs)

    def _ensure_prefix(self):
        stamp = os.path.join(self.prefix, "velliqor-prefix-ready")
        version = subprocess.run(["wine", "--version"], capture_output=True, text=True,
                                 env=self.env, timeout=60).stdout.strip() + " format " + PREFIX_FORMAT
        pristine = os.path.join(self.prefix, "velliqor-pristine")
        if os.path.exists(stamp) and open(stamp).read() == version:
            # A run killed outright may have left its server behind: ours only.
            self._wine(["wineserver", "-k"], 30)
            self._wine(["wineserver", "-w"], 30)
            # Every scenario starts from the same registry: the open-file dialog
            # remembers the last folder per program, and would open (and leave
            # the current directory) in an earlier scenario's folder.
            for name in REGISTRY_FILES:
                shutil.copyfile(os.path.join(pristine, name), os.path.join(self.prefix, name))
            log("cached wine prefix " + self.prefix)
            return
        log("making the wine prefix " + self.prefix)
        started = time.monotonic()
        if os.path.exists(self.prefix):
            self._wine(["wineserver", "-k"], 30)
            self._wine(["wineserver", "-w"], 30)
            shutil.rmtree(self.prefix)
        self._wine(["wineboot", "--init"], 300, check=True)
        keys = os.path.join(self.cache_dir, "keys.reg")
        with open(keys, "w") as f:
            f.write(REGISTRY)
        self._wine(["wine", "regedit", "/S", keys], 120, check=True)
        self._wine(["wineserver", "-w"], 120)  # writes the registry files out
        # Debian's wine does not find its own fonts: without them dialogs fall
        # back to other fonts and the caption buttons draw as letters.
        fonts = os.path.join(self.prefix, "drive_c", "windows", "Fonts")
        os.makedirs(fonts, exist_ok=True)
        for name in os.listdir("/usr/share/wine/fonts"):
            target = os.path.join(fonts, name)
            if not os.path.lexists(target):
                os.symlink(os.path.join("/usr/share/wine/fonts", name), target)
        with open(os.path.join(self.prefix, "user.reg")) as f:
            check('"Managed"="N"' in f.read(), "the registry keys did not reach the prefix")
        os.makedirs(pristine)
        for name in REGISTRY_FILES:
            shutil.copyfile(os.path.join(self.prefix, name), os.path.join(pristine, name))
        with open(stamp, "w") as f:
            f.write(version)
        log("prefix made in %.1f s" % (time.monotonic() - started))

    def _ensure_probe(self):
        source = os.path.join(HERE, "window_probe.c")
        if os.path.exists(self.probe_exe) and os.path.getmtime(self.probe_exe) >= os.path.getmtime(source):
            return
        compiler = next((c for c in ("x86_64-w64-mingw32-gcc-posix", "x86_64-w64-mingw32-gcc-win32",
                                     "x86_64-w64-mingw32-gcc") if shutil.which(c)), None)
        if compiler is None:
            raise Skip("no MinGW-w64 C compiler for the window probe")
        subprocess.run([compiler, "-O1", "-o", self.probe_exe + ".tmp", source, "-luser32"],
                       check=True, timeout=120)
        os.replace(self.probe_exe + ".tmp", self.probe_exe)

    def close(self, passed=False, keep=False):
        """Ends everything; the work folder goes, or becomes failed-NAME for a look."""
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(number, signal.SIG_IGN)  # a second signal must not cut the clean-up short
        if self.env is not None:
            # Ends what still runs in our prefix, nothing else, and the server
            # itself rather than waiting out its 3 s linger.
            _quietly(self._wine, ["wineserver", "-k"], 30)
        for app in self.apps:
            if _quietly(app.process.wait, 10) is None:
                app.process.kill()
                _quietly(app.process.wait, 10)
        if self.env is not None:
            _quietly(self._wine, ["wineserver", "-w"], 30)
        if self.xvfb is not None:
            self.xvfb.terminate()
            if _quietly(self.xvfb.wait, 10) is None:
                self.xvfb.kill()
                _quietly(self.xvfb.wait, 10)
            self.xvfb = None
        if self.lock_file is not None and os.path.isdir(self.work_dir):
            if passed and not keep:
                shutil.rmtree(self.work_dir, ignore_errors=True)
            else:
                shutil.rmtree(self.failed_dir, ignore_errors=True)
                os.rename(self.work_dir, self.failed_dir)
                log("work folder kept: " + self.failed_dir)
        if self.lock_file is not None:
            self.lock_file.close()
            self.lock_file = None

    # ---- programs ------------------------------------------------------------

    def start(self, exe, cwd):
        output = open(os.path.join(self.work_dir, os.path.basename(exe) + ".out"), "ab")
        process = subprocess.Popen(["wine", exe], cwd=cwd, env=self.env, stdout=output, stderr=output,
                                   stdin=subprocess.DEVNULL, preexec_fn=_die_with_parent)
        output.close()
        app = App(process, os.path.basename(exe))
        self.apps.append(app)
        log("started " + app.name)
        return app

    def probe(self, kind, name):
        """What Windows knows of a window: the main window by class, or a dialog by title.

        Returns None when there is no such window, else a dict with title
        (bytes), window and client (x, y, w, h) and children (dicts).
        """
        done = subprocess.run(["wine", self.probe_exe, kind, name], env=self.env, capture_output=True,
                              timeout=60, preexec_fn=_die_with_parent)
        if done.returncode == 2:
            return None
        check(done.returncode == 0, "window probe failed with status %d" % done.returncode)
        result = {"children": []}
        for line in done.stdout.decode("ascii").splitlines():
            f = line.split()
            if f[0] == "acp":
                result["acp"] = int(f[1])
            elif f[0] == "title":
                result["title"] = _unhex(f[1])
            elif f[0] in ("window", "client"):
                result[f[0]] = tuple(int(v) for v in f[1:5])
            elif f[0] == "child":
                result["children"].append({"id": int(f[1]), "class": f[2], "text": _unhex(f[3]),
                                           "rect": tuple(int(v) for v in f[4:8]), "visible": f[8] == "1"})
        return result

    # ---- X side: windows, keyboard, mouse, pictures -------------------------

    def xdo(self, *args):
        # xdotool aborts a search with BadWindow when a window vanishes while it
        # enumerates: callers poll, so an error here just means "ask again".
        try:
            done = subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True, text=True,
                                  timeout=30)
        except subprocess.TimeoutExpired:
            raise Failure("the X server did not answer xdotool %s within 30 s" % " ".join(args))
        return done.stdout if done.returncode == 0 else None

    def windows(self, name=None):
        """Ids of the visible X windows of wine programs, or of those titled `name` exactly."""
        if name is None:
            args = ["search", "--onlyvisible", "--class", r"\.exe$"]
        else:
            args = ["search", "--onlyvisible", "--name", "^" + re.escape(name) + "$"]
        out = self.xdo(*args)
        return [int(w) for w in out.split()] if out else []

    def wait_window(self, name, timeout=60):  # wine can take long to start on a machine running two tests at a time
        ids = wait_for('a window titled "%s"' % name, lambda: self.windows(name), timeout)
        return ids[0]

    def wait_gone(self, name, timeout=10):
        wait_for('the window "%s" to close' % name, lambda: not self.windows(name), timeout)

    def geometry(self, window):
        out = self.xdo("getwindowgeometry", "--shell", str(window))
        check(out is not None, "window %d has gone" % window)
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def focus(self, window):
        # No window manager, so no windowactivate: set the X input focus directly.
        check(self.xdo("windowfocus", "--sync", str(window)) is not None, "cannot focus window %d" % window)

    def keys(self, *keys):
        check(self.xdo("key", "--delay", "30", *keys) is not None, "xdotool key failed")

    def type(self, text):
        check(self.xdo("type", "--delay", "4", text) is not None, "xdotool type failed")

    def click(self, x, y):
        check(self.xdo("mousemove", "--sync", str(x), str(y), "click", "1") is not None, "xdotool click failed")

    def grab(self, x, y, w, h):
        """The screen's pixels in the rectangle."""
        done = subprocess.run([IMPORT, "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                               "-depth", "8", "ppm:-"], env=self.env, capture_output=True, timeout=30)
        check(done.returncode == 0, "screenshot failed: " + done.stderr.decode(errors="replace"))
        return Image(done.stdout)


def _quietly(step, *args):
    """Runs one clean-up step; a hung or failing one must not skip the rest."""
    try:
        result = step(*args)
        return 0 if result is None else result
    except (subprocess.TimeoutExpired, OSError) as e:
        log("clean-up: %s" % e)
        return None


def _unhex(text):
    return b"" if text == "-" else bytes.fromhex(text)


def main(run, argv):
    """Runs one scenario function; maps the outcome to an exit status for CTest."""
    try:
        run(argv)
    except Skip as e:
        print("SKIPPED: %s" % e, flush=True)
        return SKIP
    except Failure as e:
        print("FAILED: %s" % e, flush=True)
        return 1
    print("PASSED", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit("gui_session.py is a module; run gui_scenarios.py")
