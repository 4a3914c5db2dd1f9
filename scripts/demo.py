#!/usr/bin/python3
"""A scripted session with the real window on a private X server, for a machine without a desktop.

Usage: demo.py PROGRAM FOLDER

Makes three WAV files in FOLDER, adds them through the open-file dialog, picks a quality, encodes
them, and leaves in FOLDER the MP3 files, a picture of each tab (the Encode tab while the job
runs) and of the "Job done!" message, and session.log with what the program and the
accessibility bus printed. Prints each step with ok or FAILED; exits 1 when one failed."""

import array
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import traceback
import wave

TITLE = "Tarn MP3 Encoder"
OPEN_DIALOG = "Choose the file which will be encoded:"
JOB_DONE = "           Job done!"
FILES = [  # chosen name, seconds, rate, bits, channels, pitch
    ("my song - live.wav", 60, 44100, 16, 2, 441),
    ("intro.wav", 20, 44100, 16, 2, 882),
    ("field-recording.wav", 30, 48000, 8, 1, 600),
]
OWN_FILES = (".wav", ".mp3", ".png", ".log")


class Broken(Exception):
    """A step that cannot go on."""


def wait_until(condition, what, patience=30.0):
    deadline = time.monotonic() + patience
    while not (value := condition()):
        if time.monotonic() > deadline:
            raise Broken("gave up waiting for " + what)
        time.sleep(0.1)
    return value


def write_tone(path, seconds, rate, bits, channels, pitch):
    """A PCM WAV file of a tone over soft noise, so that the encoder works as hard as on music."""
    kind, scale, middle = ("h", 12000, 0) if bits == 16 else ("B", 90, 128)
    noise = random.Random(pitch)
    second = array.array(kind, (
        middle + round(scale * (0.8 * math.sin(2 * math.pi * pitch * n / rate) +
                                noise.uniform(-0.2, 0.2)))
        for n in range(rate) for _ in range(channels))).tobytes()
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(bits // 8)
        out.setframerate(rate)
        out.writeframes(second * seconds)


class Desktop:
    """A private X server with the program on it, read through AT-SPI, driven with xdotool."""

    def __init__(self, program, folder):
        import pyatspi
        self.at = pyatspi
        self.home = tempfile.mkdtemp(prefix="tarn-demo-")
        os.mkdir(os.path.join(self.home, "runtime"), 0o700)
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", "-noreset"], pass_fds=[write_end])
        os.close(write_end)
        with os.fdopen(read_end) as reader:
            display = ":" + reader.readline().strip()
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "WAYLAND"))}
        self.env.update(DISPLAY=display, XDG_RUNTIME_DIR=os.path.join(self.home, "runtime"),
                        XDG_STATE_HOME=os.path.join(self.home, "state"), QT_QPA_PLATFORM="xcb",
                        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.process = subprocess.Popen([program], env=self.env, cwd=folder)
        self.window = self.window_titled(TITLE)
        self.app = wait_until(self._app, "the program on the accessibility bus")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.xvfb.terminate()
        self.xvfb.wait()
        shutil.rmtree(self.home, ignore_errors=True)

    def _app(self):
        for app in self.at.Registry.getDesktop(0):
            try:
                if app is not None and app.get_process_id() == self.process.pid:
                    return app
            except Exception:  # an application that has just ended
                pass

    def xdotool(self, *arguments):
        return subprocess.run(["xdotool", *map(str, arguments)], env=self.env,
                              capture_output=True, text=True).stdout

    def windows(self, title):
        found = self.xdotool("search", "--all", "--onlyvisible", "--pid", self.process.pid,
                             "--name", "^%s$" % title)
        return [int(window) for window in found.split()]

    def window_titled(self, title, patience=30.0):
        return wait_until(lambda: self.windows(title), "a window \"%s\"" % title, patience)[0]

    def boxes(self):
        return [window for window in self.windows(TITLE) if window != self.window]

    def nodes(self, role=None, name=None, under=None):
        found = []

        def walk(node, depth):
            try:
                if role in (None, node.getRoleName()) and name in (None, node.name):
                    found.append(node)
                children = list(node) if depth < 30 else []
            except Exception:  # objects may vanish while they are read
                return
            for child in children:
                walk(child, depth + 1)
        walk(under or self.app, 0)
        return found

    def node(self, role, name):
        return wait_until(lambda: self.nodes(role, name), "a %s \"%s\"" % (role, name))[0]

    def click(self, node):
        showing = self.at.STATE_SHOWING
        wait_until(lambda: node.getState().contains(showing), "\"%s\" on screen" % node.name)
        box = node.queryComponent().getExtents(self.at.DESKTOP_COORDS)
        self.xdotool("mousemove", box.x + box.width // 2, box.y + box.height // 2, "click", 1)

    def key(self, window, *keys):
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", "--clearmodifiers", *keys)

    def add(self, path):
        self.click(self.node("push button", "Add file to list"))
        dialog = self.window_titled(OPEN_DIALOG)
        self.xdotool("windowfocus", "--sync", dialog)
        self.xdotool("type", "--delay", 20, path)
        self.key(dialog, "Return")
        wait_until(lambda: not self.windows(OPEN_DIALOG), "the open-file dialog to close")

    def picture(self, window, path):
        # Each answer on the accessibility bus takes a turn of the program's event loop, which
        # paints what is due; then a moment for the picture to reach the X server.
        for _ in range(3):
            _ = self.app.name
        time.sleep(0.3)
        self.xdotool("windowraise", window)
        subprocess.run(["import", "-window", str(window), path], env=self.env, check=True)


def steps(program, folder, say):
    for name, seconds, rate, bits, channels, pitch in FILES:
        write_tone(os.path.join(folder, name), seconds, rate, bits, channels, pitch)
    say(True, "made %s" % ", ".join(name for name, *_ in FILES))
    desktop = Desktop(program, folder)
    try:
        say(True, "the window \"%s\" is shown" % TITLE)
        for name, *_ in FILES:
            desktop.add(os.path.join(folder, name))
        names = desktop.node("list", "List of files which will be encoded")
        listed = [row.name for row in desktop.nodes("list item", under=names)]
        say(listed == [name for name, *_ in FILES], "added through the open-file dialog: %s" %
            ", ".join(listed))
        desktop.picture(desktop.window, os.path.join(folder, "tab-1-open-file.png"))
        desktop.click(desktop.node("page tab", "Options"))
        quality = desktop.node("combo box", "Normal")
        desktop.click(quality)
        wait_until(lambda: desktop.nodes("list", under=quality)[0].getState().contains(
            desktop.at.STATE_SHOWING), "the list of qualities to open")
        desktop.xdotool("key", "End", "Return")
        desktop.node("combo box", "Studio")
        say(True, "quality \"Studio\" chosen")
        desktop.picture(desktop.window, os.path.join(folder, "tab-2-options.png"))
        desktop.click(desktop.node("page tab", "About "))
        desktop.picture(desktop.window, os.path.join(folder, "tab-4-about.png"))
        desktop.click(desktop.node("page tab", "Encode"))
        total = desktop.node("label", "Total elapsed time")
        desktop.click(desktop.node("push button", "Go!"))
        # Pictured once the job's clock has run for two seconds.
        wait_until(lambda: (total.description or "") >= "00:00:02", "the job to run", 120)
        desktop.picture(desktop.window, os.path.join(folder, "tab-3-encode.png"))
        box = wait_until(desktop.boxes, "the end of the job", 180)[0]
        say(bool(desktop.nodes("label", JOB_DONE)), "the job ended with \"Job done!\"")
        desktop.picture(box, os.path.join(folder, "job-done.png"))
        desktop.key(box, "Return")
        for name, *_ in FILES:
            mp3 = os.path.join(folder, name[:-3] + "mp3")
            decoded = subprocess.run(["mpg123", "-q", "-t", mp3], capture_output=True)
            say(decoded.returncode == 0, "%s written and decoded by mpg123" % os.path.basename(mp3))
        desktop.click(desktop.node("push button", "Exit"))
        say(desktop.process.wait(timeout=30) == 0, "Exit ends the program")
    finally:
        desktop.close()


def inside(report_fd, program, folder):
    """The session itself, on the buses dbus-run-session started; the report goes to report_fd."""
    failed = 0
    with os.fdopen(int(report_fd), "w") as report:
        def say(ok, what):
            nonlocal failed
            failed += not ok
            print("%-8s %s" % ("ok" if ok else "FAILED", what), file=report, flush=True)
        try:
            steps(program, folder, say)
        except Exception as error:  # said, and its trace logged
            traceback.print_exc()
            say(False, "the session broke off: %s (see session.log)" % error)
        print("%d step(s) failed." % failed if failed else "All steps passed.", file=report)
    return 1 if failed else 0


def run(program, folder):
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if name.endswith(OWN_FILES):
            os.remove(os.path.join(folder, name))
    print("Demo session of %s, files in %s/" % (program, os.path.relpath(folder)), flush=True)
    # The accessibility bus lives in a session bus of the demo's own, whose launcher keeps its
    # socket under $XDG_RUNTIME_DIR: a folder of its own, and no display to mark.
    runtime = tempfile.mkdtemp(prefix="tarn-demo-bus-")
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "AT_SPI_BUS_ADDRESS")}
    env["XDG_RUNTIME_DIR"] = runtime
    report_end, write_end = os.pipe()
    with open(os.path.join(folder, "session.log"), "w") as log:
        session = subprocess.Popen(
            ["dbus-run-session", "--", sys.executable, __file__, "--inside", str(write_end),
             program, folder], pass_fds=[write_end], stdout=log, stderr=log, env=env)
        os.close(write_end)
        with os.fdopen(report_end) as report:
            for line in report:
                print(line, end="", flush=True)
        status = session.wait()
    shutil.rmtree(runtime, ignore_errors=True)
    return status


if __name__ == "__main__":
    arguments = sys.argv[1:]
    if arguments[:1] == ["--inside"]:
        sys.exit(inside(*arguments[1:4]))
    if len(arguments) != 2:
        sys.exit(__doc__)
    sys.exit(run(os.path.abspath(arguments[0]), os.path.abspath(arguments[1])))
