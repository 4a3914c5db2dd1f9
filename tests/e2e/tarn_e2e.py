"""Helpers for driving the real program on a private X server.

Each test gets its own Xvfb (its display number chosen by the server itself, so tests can run
side by side), its own runtime folder (so the single-instance lock of one test is not seen by
another), its own state folder (for the journal of renamed files) and its own session and
accessibility buses (see main). The window is driven with the mouse and the keyboard through
xdotool and read through AT-SPI, each control found by its accessible name.
"""

import array
import contextlib
import hashlib
import math
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import wave

# Waits are bounded only so that a broken program cannot hang the test run.
PATIENCE = 30.0

TITLE = "Tarn MP3 Encoder"
OPEN_DIALOG = "Choose the file which will be encoded:"
JOB_DONE = "           Job done!"
NAMES_LIST = "List of files which will be encoded"
SIZES_LIST = "List of the file's size"


class Failure(Exception):
    pass


def wait_until(condition, what, patience=PATIENCE):
    deadline = time.monotonic() + patience
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("gave up waiting for " + what)
        time.sleep(0.1)


def check(condition, message):
    if not condition:
        raise Failure(message)


class Session:
    """An X server and private folders; programs started from here use them."""

    def __init__(self, width=1024, height=768):
        self.folder = tempfile.mkdtemp(prefix="tarn-e2e-")
        self.runtime = os.path.join(self.folder, "runtime")
        os.mkdir(self.runtime, 0o700)
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (width, height), "-nolisten", "tcp",
             # Without it the server resets whenever its last client leaves, and refuses
             # the next program for a moment.
             "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as reader:
            number = reader.readline().strip()
        check(number, "Xvfb did not start")
        self.display = ":" + number
        self.env = dict(os.environ)
        self.env.update({
            "DISPLAY": self.display,
            "XDG_RUNTIME_DIR": self.runtime,
            "XDG_STATE_HOME": os.path.join(self.folder, "state"),
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        })
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE",
                     "QT_SCALE_FACTOR", "QT_FONT_DPI"):
            self.env.pop(name, None)
        self.programs = []
        try:
            wait_until(lambda: subprocess.run(["xdpyinfo"], env=self.env, capture_output=True)
                       .returncode == 0, "the X server %s to accept clients" % self.display)
        except Failure:
            self.close()
            raise

    def close(self):
        for program in self.programs:
            if program.poll() is None:
                program.kill()
                program.wait()
        self.xvfb.terminate()
        self.xvfb.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def start(self, program, *arguments, cwd=None):
        process = subprocess.Popen([program, *arguments], env=self.env, cwd=cwd)
        self.programs.append(process)
        return process

    def run(self, *command, check_status=True):
        result = subprocess.run(list(command), env=self.env, capture_output=True, text=True)
        if check_status and result.returncode != 0:
            raise Failure("%s failed: %s" % (" ".join(command), result.stderr.strip()))
        return result.stdout

    def windows(self, name=None, pid=None):
        """Visible windows, by exact title and/or process."""
        command = ["xdotool", "search", "--all", "--onlyvisible"]
        if pid is not None:
            command += ["--pid", str(pid)]
        command += ["--name", "^%s$" % name if name else "."]
        out = self.run(*command, check_status=False)
        return [int(line) for line in out.split()]

    def window_of(self, process, name):
        def shown():
            check(self.xvfb.poll() is None, "the X server %s went away" % self.display)
            check(process.poll() is None, "process %d ended with status %s before showing "
                  "\"%s\"" % (process.pid, process.returncode, name))
            return self.windows(name=name, pid=process.pid)
        return wait_until(shown, "a window \"%s\" of process %d" % (name, process.pid))[0]

    def geometry(self, window):
        info = {}
        for line in self.run("xwininfo", "-id", str(window)).splitlines():
            key, _, value = line.strip().partition(":")
            info[key.strip()] = value.strip()
        return {
            "x": int(info["Absolute upper-left X"]),
            "y": int(info["Absolute upper-left Y"]),
            "width": int(info["Width"]),
            "height": int(info["Height"]),
            "viewable": info["Map State"] == "IsViewable",
        }

    def click(self, window, x, y):
        """A left click at (x, y) inside the window."""
        place = self.geometry(window)
        self.run("xdotool", "mousemove", str(place["x"] + x), str(place["y"] + y),
                 "click", "1")

    def key(self, window, *keys):
        self.run("xdotool", "windowfocus", "--sync", str(window))
        self.run("xdotool", "key", "--clearmodifiers", *keys)

    def type_text(self, window, text):
        self.run("xdotool", "windowfocus", "--sync", str(window))
        self.run("xdotool", "type", "--delay", "20", text)

    def screenshot(self, window, path):
        self.run("import", "-window", str(window), path)


def accessible_texts(pid):
    """Names of every accessible object of the process, read through AT-SPI."""
    import pyatspi

    found = []

    def walk(node, depth):
        if node is None or depth > 30:
            return
        try:
            found.append(node.name)
            try:
                text = node.queryText()
                found.append(text.getText(0, text.characterCount))
            except NotImplementedError:
                pass
            children = list(node)
        except Exception:  # objects may vanish while they are read
            return
        for child in children:
            walk(child, depth + 1)

    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            walk(app, 0)
    return found


@contextlib.contextmanager
def private_bus_environment():
    """The environment for `dbus-run-session` so that the accessibility bus it starts is the
    caller's own.

    The bus launcher puts its socket in $XDG_RUNTIME_DIR/at-spi/bus (~/.cache without it), the
    same path for every session: two sessions at a time, or one that starts while the last one
    ends, take the socket from each other. With a display it would also mark that display with
    its bus, so it gets none."""
    runtime = tempfile.mkdtemp(prefix="tarn-e2e-bus-")
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, TARN_E2E_PRIVATE_BUS=runtime)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS"):
        env.pop(name, None)
    try:
        yield env
    finally:
        shutil.rmtree(runtime, ignore_errors=True)


def main(test):
    """Runs a test function (on buses of its own); prints the failure and exits 1 when it
    fails."""
    if not os.environ.get("TARN_E2E_PRIVATE_BUS"):
        with private_bus_environment() as env:
            sys.exit(subprocess.run(["dbus-run-session", "--", sys.executable] + sys.argv,
                                    env=env).returncode)
    try:
        test()
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr)
        sys.exit(1)
    print("passed")


def terminate(process):
    process.send_signal(signal.SIGTERM)
    return process.wait(timeout=PATIENCE)


# Sound files

def write_tone(path, seconds, rate=44100, bits=16, channels=2, frequency=441.0, noise=0.25):
    """A PCM WAV file of a sine tone over soft white noise, the same tone in every channel.

    The noise makes the encoder work about as hard as it does on music, so that a job lasts
    long enough to be watched without files of hundreds of megabytes."""
    frames = int(round(seconds * rate))
    scale, middle, kind = (12000, 0, "h") if bits == 16 else (90, 128, "B")
    shake = random.Random(frames)
    # One second of sound, repeated: a whole number of cycles per second keeps it seamless.
    one = array.array(kind, (
        middle + int(scale * (math.sin(2 * math.pi * frequency * n / rate) +
                              shake.uniform(-noise, noise)) / (1 + noise))
        for n in range(rate) for _ in range(channels)))
    if bits == 16 and sys.byteorder != "little":
        one.byteswap()
    second = one.tobytes()
    frame_bytes = channels * bits // 8
    data = second * (frames // rate) + second[:frame_bytes * (frames % rate)]
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(bits // 8)
        out.setframerate(rate)
        out.writeframes(data)
    return path


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as source:
        for block in iter(lambda: source.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


class Decoded:
    def __init__(self, rate, channels, frames, frequency):
        self.rate = rate
        self.channels = channels
        self.frames = frames
        self.seconds = frames / rate if rate else 0.0
        self.frequency = frequency


def decode_mp3(path, folder):
    """Decodes an MP3 file with mpg123; its format, length and the pitch of its first channel."""
    out = os.path.join(folder, "decoded-%d.wav" % os.getpid())
    result = subprocess.run(["mpg123", "-q", "-w", out, path], capture_output=True, text=True)
    check(result.returncode == 0 and os.path.exists(out),
          "mpg123 cannot decode %s: %s" % (path, result.stderr.strip()))
    try:
        with wave.open(out, "rb") as decoded:
            rate, channels = decoded.getframerate(), decoded.getnchannels()
            frames = decoded.getnframes()
            check(decoded.getsampwidth() == 2, "mpg123 wrote %d-byte samples" %
                  decoded.getsampwidth())
            # One second from the middle, away from the encoder's delay and padding.
            decoded.setpos(max(0, frames // 2 - rate // 2))
            samples = array.array("h", decoded.readframes(min(rate, frames)))
    finally:
        os.remove(out)
    if sys.byteorder != "little":
        samples.byteswap()
    first = samples[::channels]
    # Rising edges through a band wide enough that the noise of write_tone cannot cross it.
    band = 0.45 * max((abs(v) for v in first), default=0)
    edges, low = 0, False
    for v in first:
        if v < -band:
            low = True
        elif v > band and low:
            edges, low = edges + 1, False
    frequency = edges * rate / len(first) if len(first) else 0.0
    return Decoded(rate, channels, frames, frequency)


# The window through AT-SPI

class Ui:
    """The accessible objects of one process, found by role and accessible name.

    While a job runs the program answers only between two chunks of sound, so a search through
    all its objects then takes seconds: find the objects before Go and only read them during
    the job."""

    def __init__(self, session, process):
        import pyatspi
        self.pyatspi = pyatspi
        self.session = session
        self.process = process
        self._app = None

    def app(self):
        seen = []

        def found():
            check(self.process.poll() is None, "the program ended with status %s" %
                  self.process.returncode)
            seen[:] = []
            for app in self.pyatspi.Registry.getDesktop(0):
                try:
                    pid = app.get_process_id() if app is not None else None
                except Exception as error:  # an application that has just ended
                    pid = repr(error)
                seen.append(pid)
                if pid == self.process.pid:
                    return app
            return None
        if self._app is None:
            try:
                self._app = wait_until(found, "the program on the accessibility bus")
            except Failure as failure:
                raise Failure("%s (process %d; applications there: %r)" %
                              (failure, self.process.pid, seen)) from None
        return self._app

    def nodes(self, role=None, name=None, under=None):
        found = []

        def walk(node, depth):
            if node is None or depth > 30:
                return
            try:
                if ((role is None or node.getRoleName() == role) and
                        (name is None or node.name == name)):
                    found.append(node)
                children = list(node)
            except Exception:  # objects may vanish while they are read
                return
            for child in children:
                walk(child, depth + 1)

        walk(under if under is not None else self.app(), 0)
        return found

    def node(self, role, name, under=None, patience=PATIENCE):
        """The one object of that role and name (waits for it to appear)."""
        def one():
            found = self.nodes(role, name, under)
            check(len(found) <= 1, "%d objects are called \"%s\"" % (len(found), name))
            return found[0] if found else None
        return wait_until(one, "a %s called \"%s\"" % (role, name), patience)

    def enabled(self, node):
        return node.getState().contains(self.pyatspi.STATE_ENABLED)

    def showing(self, node):
        return node.getState().contains(self.pyatspi.STATE_SHOWING)

    def click(self, node, within=None):
        """A left click in the middle of the object (of the part of it inside `within`), with
        the mouse, as a person would."""
        def box(of):
            e = of.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
            return e.x, e.y, e.x + e.width, e.y + e.height
        left, top, right, bottom = box(node)
        if within is not None:
            outer = box(within)
            left, top = max(left, outer[0]), max(top, outer[1])
            right, bottom = min(right, outer[2]), min(bottom, outer[3])
        check(right > left and bottom > top, "\"%s\" is not on screen" % node.name)
        self.session.run("xdotool", "mousemove", str((left + right) // 2),
                         str((top + bottom) // 2), "click", "1")

    def press(self, name):
        button = self.node("push button", name)
        check(self.enabled(button), "\"%s\" is disabled" % name)
        self.click(button)

    def tab(self, name):
        """Clicks a tab and waits for its page to show (the tabs themselves carry no state)."""
        self.click(self.node("page tab", name))
        page = self.node("filler", name.strip(), under=self.node("filler", "SSTab1"))
        wait_until(lambda: self.showing(page), "the page \"%s\" in front" % name)

    def choose(self, item):
        """Picks an item of a drop-down list with the mouse: opens the list, clicks the item."""
        combos = [combo for combo in self.nodes("combo box")
                  if self.nodes("list item", item, under=combo)]
        check(len(combos) == 1, "%d drop-down lists offer \"%s\"" % (len(combos), item))
        self.click(combos[0])
        popup = self.nodes("list", under=combos[0])[0]
        wait_until(lambda: self.showing(popup), "the drop-down list to open")
        # The items are said to be wider than the list that shows them.
        self.click(self.node("list item", item, under=popup), within=popup)
        wait_until(lambda: not self.showing(popup), "the drop-down list to close")
        # On Linux a drop-down list is named by the item it shows.
        wait_until(lambda: combos[0].name == item, "\"%s\" to be chosen" % item)

    def rows(self, list_name):
        return [item.name for item in self.nodes("list item", under=self.node("list", list_name))]

    def texts(self):
        return accessible_texts(self.process.pid)

    def add_through_dialog(self, path, window):
        """Adds a file with "Add file to list" and the real open-file dialog."""
        self.press("Add file to list")
        dialog = self.session.window_of(self.process, OPEN_DIALOG)
        # The file name box has the focus when the dialog opens.
        self.session.type_text(dialog, path)
        self.session.key(dialog, "Return")
        wait_until(lambda: not self.session.windows(name=OPEN_DIALOG, pid=self.process.pid),
                   "the open-file dialog to close")

    def message_box(self, window, patience=PATIENCE):
        """A message box of the program (a window titled like the main one, besides it)."""
        def shown():
            check(self.process.poll() is None, "the program ended with status %s" %
                  self.process.returncode)
            return [w for w in self.session.windows(name=TITLE, pid=self.process.pid)
                    if w != window]
        boxes = wait_until(shown, "a message box", patience)
        check(len(boxes) == 1, "%d message boxes are shown" % len(boxes))
        return boxes[0]

    def message_boxes(self, window):
        return [w for w in self.session.windows(name=TITLE, pid=self.process.pid) if w != window]

    def answer(self, box, window):
        """Presses Return on a message box and waits for it to close."""
        self.session.key(box, "Return")
        wait_until(lambda: box not in self.message_boxes(window), "the message box to close")


# The Encode tab

TIME_LABELS = ["Partial elapsed time", "Partial estimated time", "Total elapsed time",
               "Total estimated time"]
TIME = re.compile(r"\d\d:\d\d:\d\d")
IDLE = {"Partial": "0%", "Total": "0%", **{name: "00:00:00" for name in TIME_LABELS}}
BUTTONS = ["Add file to list", "Clear list", "Delete file from list", "Go!", "Abort", "Help",
           "Exit"]


def seconds_of(text):
    hours, minutes, seconds = (int(part) for part in text.split(":"))
    return hours * 3600 + minutes * 60 + seconds


def percent_of(text):
    return int(text.strip().rstrip("%"))


class Displays:
    """The bars and clocks of the Encode tab, and every reading of them."""

    def __init__(self, ui):
        self.ui = ui
        # The objects stay for the life of the window; only their names and descriptions move.
        self.bars = {frame: self._bar_label(frame) for frame in ("Partial", "Total")}
        self.clocks = {name: ui.node("label", name) for name in TIME_LABELS}
        self.readings = []

    def _bar_label(self, frame):
        panel = self.ui.node("panel", frame)
        labels = [label for label in self.ui.nodes("label", under=panel)
                  if re.fullmatch(r" ?\d+%", label.name or "")]
        check(len(labels) == 1, "no single bar in the frame \"%s\"" % frame)
        return labels[0]

    def bar_widths(self):
        """The widths of the two bars in pixels."""
        return {frame: label.queryComponent().getExtents(self.ui.pyatspi.DESKTOP_COORDS).width
                for frame, label in self.bars.items()}

    def read(self):
        reading = {frame: label.name for frame, label in self.bars.items()}
        reading.update({name: label.description for name, label in self.clocks.items()})
        self.readings.append(reading)
        return reading


def button_nodes(ui):
    """The window's buttons by name, found once (see Ui)."""
    return {name: ui.node("push button", name) for name in BUTTONS}


def enabled_buttons(ui, buttons):
    return sorted(name for name, node in buttons.items() if ui.enabled(node))


def files_in(folder):
    return sorted(os.listdir(folder))
