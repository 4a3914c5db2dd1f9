#!/usr/bin/python3
"""A scripted session with the real window on a private X server, for a machine without a desktop.

Usage: demo.py PROGRAM FOLDER

Makes three WAV files in FOLDER, adds them through the open-file dialog, picks a quality, encodes
them, and leaves in FOLDER the MP3 files, a picture of each tab (the Encode tab while the job
runs) and of the "Job done!" message, and session.log with what the program and the
accessibility bus printed. Prints each check with ok or FAILED; exits 1 when one failed."""

import os
import subprocess
import sys
import time
import traceback
import wave

# Keeps the source folder free of compiled files.
sys.dont_write_bytecode = True

import tarn_e2e
from tarn_e2e import IDLE, JOB_DONE, NAMES_LIST, TITLE, Failure, files_in, wait_until

FILES = [
    # chosen name, seconds, rate, bits, channels, pitch, name while listed
    ("my song - live.wav", 60, 44100, 16, 2, 441.0, "mysonglive.wav"),
    ("intro.wav", 20, 44100, 16, 2, 882.0, "intro.wav"),
    ("field-recording.wav", 30, 48000, 8, 1, 600.0, "fieldrecording.wav"),
]
QUALITY = "Studio"
OWN_FILES = (".wav", ".mp3", ".png", ".log")
WINDOW_SIZE = (376, 320)


class Report:
    def __init__(self, out):
        self.out = out
        self.failed = 0

    def check(self, what, condition, detail=""):
        if not condition:
            self.failed += 1
        self.say("%-8s %s%s" % ("ok" if condition else "FAILED", what,
                                "" if condition or not detail else ": " + detail))
        return condition

    def say(self, line):
        print(line, file=self.out, flush=True)


def sounds(folder):
    return [name for name in files_in(folder) if name.endswith((".wav", ".mp3"))]


def png_size(path):
    with open(path, "rb") as picture:
        head = picture.read(24)
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")


def shown(path):
    relative = os.path.relpath(path)
    return path if relative.startswith("..") else relative


def settle(ui):
    """Lets the window paint what it just changed: each answer on the accessibility bus needs a
    turn of its event loop, which paints what is due; then a moment for it to reach the X
    server."""
    for _ in range(3):
        _ = ui.app().name
    time.sleep(0.3)


def picture(session, ui, report, window, path, what, size=WINDOW_SIZE):
    settle(ui)
    session.screenshot(window, path)
    found = png_size(path) if os.path.exists(path) else None
    report.check("picture of %s: %s" % (what, shown(path)),
                 found is not None and (size is None or found == size),
                 "picture size %r" % (found,))


def session_steps(program, folder, report):
    with tarn_e2e.Session() as session:
        sums = {}
        made = []
        for chosen, seconds, rate, bits, channels, pitch, _ in FILES:
            path = tarn_e2e.write_tone(os.path.join(folder, chosen), seconds, rate, bits,
                                       channels, pitch)
            sums[chosen] = tarn_e2e.sha256(path)
            with wave.open(path, "rb") as wav:
                made.append((chosen, wav.getframerate(), 8 * wav.getsampwidth(),
                             wav.getnchannels()))
        report.check("made WAV files: " + ", ".join("%s (%d Hz, %d-bit, %d ch)" % form
                                                    for form in made),
                     [form[1:] for form in made] == [f[2:5] for f in FILES])

        process = session.start(program)
        window = session.window_of(process, TITLE)
        place = session.geometry(window)
        report.check("the window is shown, %dx%d" % (place["width"], place["height"]),
                     (place["width"], place["height"]) == WINDOW_SIZE)
        ui = tarn_e2e.Ui(session, process)
        buttons = tarn_e2e.button_nodes(ui)

        for count, (chosen, *_rest, listed) in enumerate(FILES, start=1):
            ui.add_through_dialog(os.path.join(folder, chosen), window)
            wait_until(lambda: len(ui.rows(NAMES_LIST)) == count, "row %d of the list" % count)
        report.check("added through the open-file dialog and listed by their names",
                     ui.rows(NAMES_LIST) == [f[0] for f in FILES], repr(ui.rows(NAMES_LIST)))
        listed = sorted(f[6] for f in FILES)
        report.check("while listed their names on disk have no spaces or hyphens",
                     sounds(folder) == listed, repr(sounds(folder)))
        picture(session, ui, report, window, os.path.join(folder, "tab-1-open-file.png"),
                "the Open File tab with the list")

        ui.tab("Options")
        ui.choose(QUALITY)
        report.check("quality \"%s\" chosen on the Options tab" % QUALITY,
                     QUALITY in [combo.name for combo in ui.nodes("combo box")])
        picture(session, ui, report, window, os.path.join(folder, "tab-2-options.png"),
                "the Options tab")
        ui.tab("About ")
        picture(session, ui, report, window, os.path.join(folder, "tab-4-about.png"),
                "the About tab")

        ui.tab("Encode")
        displays = tarn_e2e.Displays(ui)
        ui.press("Go!")
        started = time.monotonic()
        pictured = False
        while not ui.message_boxes(window):
            tarn_e2e.check(time.monotonic() - started < 180, "the job did not end in 3 minutes")
            reading = displays.read()
            if (not pictured and 20 <= tarn_e2e.percent_of(reading["Total"]) <= 80 and
                    reading["Total elapsed time"] >= "00:00:02"):
                picture(session, ui, report, window, os.path.join(folder, "tab-3-encode.png"),
                        "the Encode tab during the job")
                pictured = True
        if not pictured:
            report.check("the Encode tab pictured during the job", False, "the job was too quick")
        seen = [r for r in displays.readings if r["Total elapsed time"] != "00:00:00"]
        report.check("the bars moved during the job",
                     len({r["Total"] for r in seen}) >= 3 and
                     len({r["Partial"] for r in seen}) >= 3)
        report.check("the four clocks moved during the job",
                     all(any(r[name] != "00:00:00" for r in seen)
                         for name in tarn_e2e.TIME_LABELS))

        box = ui.message_box(window)
        report.check("the job ended with \"%s\"" % JOB_DONE.strip(),
                     bool(ui.nodes("label", JOB_DONE)))
        picture(session, ui, report, box, os.path.join(folder, "job-done.png"),
                "the message at the end of the job", size=None)
        ui.answer(box, window)

        expected = sorted([f[0] for f in FILES] + [f[0][:-3] + "mp3" for f in FILES])
        report.check("the WAV and MP3 files carry the chosen names",
                     sounds(folder) == expected, repr(sounds(folder)))
        report.check("the WAV files are there, unchanged",
                     all(os.path.exists(os.path.join(folder, f[0])) and
                         tarn_e2e.sha256(os.path.join(folder, f[0])) == sums[f[0]]
                         for f in FILES))
        for chosen, seconds, rate, _bits, _channels, pitch, _ in FILES:
            mp3 = os.path.join(folder, chosen[:-3] + "mp3")
            try:
                decoded = tarn_e2e.decode_mp3(mp3, session.folder)
            except Failure as failure:
                report.check("%s decodes" % os.path.basename(mp3), False, str(failure))
                continue
            report.check("%s decodes with mpg123: %.2f s, %d Hz, %d channels, %.0f Hz tone" %
                         (os.path.basename(mp3), decoded.seconds, decoded.rate,
                          decoded.channels, decoded.frequency),
                         abs(decoded.seconds - seconds) <= 0.2 and decoded.rate == rate and
                         decoded.channels == 2 and abs(decoded.frequency - pitch) <= pitch * 0.02,
                         "expected %d s, %d Hz, 2 channels, %.0f Hz" % (seconds, rate, pitch))

        report.check("the window is idle again: empty list, only Add, Help and Exit enabled",
                     ui.rows(NAMES_LIST) == [] and
                     tarn_e2e.enabled_buttons(ui, buttons) == ["Add file to list", "Exit",
                                                               "Help"])
        report.check("the bars read 0% and the clocks 00:00:00", displays.read() == IDLE,
                     repr(displays.readings[-1]))
        ui.press("Exit")
        report.check("Exit ends the program", process.wait(timeout=tarn_e2e.PATIENCE) == 0)


def run(program, folder):
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if name.endswith(OWN_FILES):
            os.remove(os.path.join(folder, name))
    log = os.path.join(folder, "session.log")
    print("Demo session of %s, files in %s/" % (program, shown(folder)), flush=True)
    # The accessibility bus lives in a session bus of the demo's own. What the buses and the
    # program print goes to the log; the report comes back through a pipe of its own.
    report_end, write_end = os.pipe()
    with open(log, "w") as noise, tarn_e2e.private_bus_environment() as env:
        session = subprocess.Popen(["dbus-run-session", "--", sys.executable, __file__,
                                    "--inside", str(write_end), program, folder],
                                   pass_fds=[write_end], stdout=noise, stderr=noise, env=env)
        os.close(write_end)
        with os.fdopen(report_end) as report:
            for line in report:
                print(line, end="", flush=True)
        status = session.wait()
    if status not in (0, 1):
        print("FAILED   the session broke off (status %d); see %s" % (status, shown(log)))
        return 1
    return status


def inside(report_fd, program, folder):
    with os.fdopen(int(report_fd), "w") as out:
        report = Report(out)
        try:
            session_steps(program, folder, report)
        except Failure as failure:
            report.check("the session went on to its end", False, str(failure))
        except Exception as error:  # a fault of the demo itself: said, and its trace logged
            traceback.print_exc()
            report.check("the session went on to its end", False,
                         "%s: %s (trace in session.log)" % (type(error).__name__, error))
        report.say("%d check(s) failed." % report.failed if report.failed else
                   "All checks passed.")
    return 1 if report.failed else 0


if __name__ == "__main__":
    arguments = sys.argv[1:]
    if arguments[:1] == ["--inside"]:
        sys.exit(inside(*arguments[1:4]))
    if len(arguments) != 2:
        sys.exit(__doc__)
    sys.exit(run(os.path.abspath(arguments[0]), os.path.abspath(arguments[1])))
