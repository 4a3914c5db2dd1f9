"""The real program on a private X server, driven with xdotool and read through AT-SPI."""

import array
import contextlib
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import wave

# Waits are bounded only so that a broken program cannot hang the test run.
PATIENCE = 30.0
TITLE = "Tarn MP3 Encoder"
OPEN_DIALOG = "Choose the file which will be encoded:"


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def wait_until(condition, what, patience=PATIENCE):
    """Waits for condition() to hold; `what` names it, or says at the end what is there."""
    deadline = time.monotonic() + patience
    while not (value := condition()):
        if time.monotonic() > deadline:
            raise AssertionError("gave up waiting for " + (what() if callable(what) else what))
        time.sleep(0.1)
    return value


def main(test, wayland=False, stick=False):
    if stick and os.geteuid() != 0:
        print("mounting a FUSE stick needs root")
        sys.exit(77)  # skipped
    with Session() as session:
        session.set_up(wayland)  # inside, so that what a failed set-up started ends too
        test(os.path.abspath(sys.argv[1]), session)


class Session(contextlib.ExitStack):
    """An Xvfb or Weston with its own bus and folders; ends what it started, the last first."""

    def set_up(self, wayland):
        self.folder = tempfile.mkdtemp(prefix="tarn-e2e-")
        self.callback(shutil.rmtree, self.folder, ignore_errors=True)
        self.music = os.path.join(self.folder, "music")
        os.mkdir(self.music)
        os.chdir(self.music)
        runtime = os.path.join(self.folder, "runtime")
        os.mkdir(runtime, 0o700)
        for name in ("DISPLAY", "AT_SPI_BUS_ADDRESS"):  # this process's accessibility bus, too
            os.environ.pop(name, None)
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "WAYLAND"))}
        self.env.update(XDG_RUNTIME_DIR=runtime, XDG_STATE_HOME=os.path.join(self.folder, "state"),
                        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        # A session bus, and so an accessibility bus, of its own, with no display to mark.
        bus = self.run(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                       stdout=subprocess.PIPE, text=True).stdout.readline().strip()
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.env["DBUS_SESSION_BUS_ADDRESS"] = bus
        if wayland:  # --debug lets weston-debug show what Weston has on screen.
            self.run(["weston", "--backend=headless-backend.so", "--socket=tarn", "--idle-time=0",
                      "--debug"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_until(lambda: os.path.exists(os.path.join(runtime, "tarn")), "Weston's socket")
            return self.env.update(WAYLAND_DISPLAY="tarn", QT_QPA_PLATFORM="wayland")
        # -noreset: no restart, which refuses clients for a moment, when the last client leaves.
        xvfb = self.run(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten",
                         "tcp", "-noreset"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.env.update(DISPLAY=":%d" % int(xvfb.stdout.readline()), QT_QPA_PLATFORM="xcb")

    def run(self, command, stop=subprocess.Popen.terminate, **options):
        process = self.enter_context(subprocess.Popen(command, env=self.env, **options))
        self.callback(stop, process)  # before the wait on leaving the process's context
        return process

    def start(self, program, *arguments):
        return self.run([program, *arguments], subprocess.Popen.kill, cwd=self.music)

    def files(self):
        return sorted(os.listdir(self.music))

    def xdotool(self, *arguments):
        return subprocess.run(["xdotool", *map(str, arguments)], env=self.env,
                              capture_output=True, text=True).stdout

    def windows(self, title, pid):
        return [int(window) for window in self.xdotool(
            "search", "--all", "--onlyvisible", "--pid", pid, "--name", "^%s$" % title).split()]

    def key(self, window, *keys):
        self.xdotool("windowfocus", "--sync", window, "key", "--clearmodifiers", *keys)

    def type(self, window, text):
        self.xdotool("windowfocus", "--sync", window, "type", "--delay", 20, text)


class Ui:
    """A program's windows and objects: in a job searches are slow, so find them before Go."""

    def __init__(self, session, process):
        import pyatspi
        self.at, self.session, self.process = pyatspi, session, process
        self.window = self.window_titled(TITLE) if "DISPLAY" in session.env else None
        self.app = wait_until(self._app, "the program on the accessibility bus")

    def _app(self):
        for app in self.at.Registry.getDesktop(0):
            with contextlib.suppress(Exception):  # an application that has just ended
                if app is not None and app.get_process_id() == self.process.pid:
                    return app

    def window_titled(self, title):
        def shown():
            check(self.process.poll() is None, "the program ended: %s" % self.process.returncode)
            return self.session.windows(title, self.process.pid)
        return wait_until(shown, "a window \"%s\"" % title)[0]

    def boxes(self):
        """The message boxes shown: windows titled as the main one, besides it."""
        return [w for w in self.session.windows(TITLE, self.process.pid) if w != self.window]

    def nodes(self, role=None, name=None, under=None):
        found = []

        def walk(node, depth):
            with contextlib.suppress(Exception):  # objects may vanish while they are read
                if role in (None, node.getRoleName()) and name in (None, node.name):
                    found.append(node)
                for child in list(node) if depth < 30 else []:
                    walk(child, depth + 1)
        walk(under or self.app, 0)
        return found

    def node(self, role, name, under=None):
        def one():
            found = self.nodes(role, name, under)
            check(len(found) <= 1, "%d objects are called \"%s\"" % (len(found), name))
            return found[0] if found else None
        return wait_until(one, "a %s called \"%s\"" % (role, name))

    def text(self, node):
        with contextlib.suppress(Exception):  # an object without text
            return node.queryText().getText(0, -1)  # -1: to the end

    def texts(self):
        return [part for node in self.nodes() for part in (node.name, self.text(node))]

    def enabled(self, node):
        return node.getState().contains(self.at.STATE_ENABLED)

    def click(self, node):
        wait_until(lambda: node.getState().contains(self.at.STATE_SHOWING),
                   "\"%s\" on screen" % node.name)
        box = node.queryComponent().getExtents(self.at.DESKTOP_COORDS)
        self.session.xdotool("mousemove", box.x + box.width // 2, box.y + box.height // 2,
                             "click", 1)

    def press(self, name):
        button = self.node("push button", name)
        check(self.enabled(button), "\"%s\" is disabled" % name)
        self.click(button)

    def rows(self):
        names = self.node("list", "List of files which will be encoded")
        return [row.name for row in self.nodes("list item", under=names)]

    def add(self, path, look=lambda dialog: None):
        """Adds a file with "Add file to list" and the real open dialog, after look(dialog)."""
        self.press("Add file to list")
        dialog = self.window_titled(OPEN_DIALOG)
        look(dialog)
        # The name box has the focus.
        self.session.type(dialog, os.path.abspath(path))
        self.session.key(dialog, "Return")
        wait_until(lambda: not self.session.windows(OPEN_DIALOG, self.process.pid),
                   "the open dialog to close")

    def ready_to_encode(self, paths):
        """Lists the files, picks the slowest quality, "Studio", and shows the Encode tab."""
        for path in paths:
            self.add(path)
        wait_until(lambda: len(self.rows()) == len(paths), "%d files in the list" % len(paths))
        self.click(self.node("page tab", "Options"))
        quality = self.node("combo box", "Normal")
        self.click(quality)
        items = self.nodes("list", under=quality)[0]
        wait_until(lambda: items.getState().contains(self.at.STATE_SHOWING), "the list to open")
        self.session.xdotool("key", "End", "Return")
        self.node("combo box", "Studio")
        self.click(self.node("page tab", "Encode"))

    def message(self):
        """The text of the message box shown last."""
        parts = [part for alert in self.nodes("alert")[-1:] for node in self.nodes(under=alert)
                 for part in (node.name, self.text(node))]
        return "\n".join(filter(None, parts))

    def answer(self, message, patience=PATIENCE):
        box = wait_until(self.boxes, "a message box", patience)[0]
        wait_until(lambda: message in self.texts(), "the message \"%s\"" % message)
        self.session.key(box, "Return")
        wait_until(lambda: box not in self.boxes(), "the message box to close")


def make_stick(session, name="stick"):
    """An exFAT image in the session's folder; with plug(), the path it is mounted at."""
    image, stick = (os.path.join(session.folder, name + suffix) for suffix in (".img", ""))
    subprocess.run(["truncate", "--size=64M", image], check=True)
    subprocess.run(["mkfs.exfat", image], check=True, stdout=subprocess.DEVNULL)
    return image, stick


def plug(session, image, stick):
    """Mounts the image at `stick` (FUSE); returns pull(), which takes it away as a stick goes."""
    # Taken by the same image only once the stick's last user has let go of it.
    wait_until(lambda: not subprocess.run(["losetup", "--associated", image], check=True,
                                          capture_output=True, text=True).stdout,
               "the stick to be let go")
    os.makedirs(stick, exist_ok=True)
    device = subprocess.run(["losetup", "--find", "--show", image], check=True,
                            capture_output=True, text=True).stdout.strip()
    subprocess.run(["mount.exfat-fuse", device, stick], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def pull(check=True):
        for command in (["umount", "--lazy", stick], ["losetup", "--detach", device]):
            subprocess.run(command, check=check, stderr=subprocess.DEVNULL)
        os.path.isdir(stick) and os.rmdir(stick)
    session.callback(pull, False)
    return pull


def write_tone(path, seconds, rate=44100, bits=16, channels=2, pitch=441):
    """A PCM WAV file of a tone over soft noise, which makes the encoder work as hard as music."""
    kind, scale, middle = ("h", 12000, 0) if bits == 16 else ("B", 90, 128)
    noise = random.Random(pitch)
    second = array.array(kind, (
        middle + round(scale * (0.8 * math.sin(2 * math.pi * pitch * n / rate) +
                                noise.uniform(-0.2, 0.2)))
        for n in range(rate) for _ in range(channels))).tobytes()
    with wave.open(path, "wb") as out:
        out.setparams((channels, bits // 8, rate, 0, "NONE", None))
        out.writeframes((second * math.ceil(seconds))[:round(seconds * rate) * len(second) // rate])
    return path


def decode(mp3):
    """(rate, channels, seconds) of an MP3 file as mpg123 decodes it."""
    with tempfile.NamedTemporaryFile(suffix=".wav") as out:
        subprocess.run(["mpg123", "-q", "-w", out.name, mp3], check=True)
        with wave.open(out.name) as sound:
            rate = sound.getframerate()
            return rate, sound.getnchannels(), round(sound.getnframes() / rate, 1)
