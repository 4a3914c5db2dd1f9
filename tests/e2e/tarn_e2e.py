"""Helpers for driving the real program on a private X server.

Each test gets its own Xvfb (its display number chosen by the server itself, so tests can run
side by side), its own runtime folder (so the single-instance lock of one test is not seen by
another) and its own state folder (for the journal of renamed files).
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# Waits are bounded only so that a broken program cannot hang the test run.
PATIENCE = 30.0


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

    def start(self, program):
        process = subprocess.Popen([program], env=self.env)
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


def main(test):
    """Runs a test function; prints the failure and exits 1 when it fails."""
    try:
        test()
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr)
        sys.exit(1)
    print("passed")


def terminate(process):
    process.send_signal(signal.SIGTERM)
    return process.wait(timeout=PATIENCE)
