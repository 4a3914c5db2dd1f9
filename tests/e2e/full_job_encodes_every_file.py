#!/usr/bin/env python3
"""A whole job as a user runs it: three WAV files added through the real open-file dialog, Go on
the Encode tab, the bars and clocks read while the files are encoded, "Job done!" answered with
Return; then the names on disk, the MP3 files decoded with mpg123, and the window idle again."""

import os
import re
import sys
import time

# Keeps the source folder free of compiled files.
sys.dont_write_bytecode = True

import tarn_e2e
from tarn_e2e import (IDLE, JOB_DONE, NAMES_LIST, SIZES_LIST, TIME_LABELS, TITLE, check,
                      percent_of, seconds_of, wait_until)

# With the slowest quality preset, long enough for a job of several seconds on an idle machine,
# so that the clocks are seen to run.
FILES = [
    # chosen name, seconds, rate, bits, channels, pitch, name while listed
    ("my song - live.wav", 60, 44100, 16, 2, 441.0, "mysonglive.wav"),
    ("intro.wav", 20, 44100, 16, 2, 882.0, "intro.wav"),
    ("field-recording.wav", 30, 48000, 8, 1, 600.0, "fieldrecording.wav"),
]
QUALITY = "Studio"
BITRATE = 192


def test():
    program = sys.argv[1]
    with tarn_e2e.Session() as session:
        music = os.path.join(session.folder, "music")
        os.mkdir(music)
        sums = {}
        for chosen, seconds, rate, bits, channels, pitch, _ in FILES:
            path = tarn_e2e.write_tone(os.path.join(music, chosen), seconds, rate, bits,
                                       channels, pitch)
            sums[chosen] = tarn_e2e.sha256(path)

        process = session.start(program)
        window = session.window_of(process, TITLE)
        ui = tarn_e2e.Ui(session, process)
        for count, (chosen, *_rest, listed) in enumerate(FILES, start=1):
            ui.add_through_dialog(os.path.join(music, chosen), window)
            wait_until(lambda: len(ui.rows(NAMES_LIST)) == count, "row %d of the list" % count)
            check(os.path.exists(os.path.join(music, listed)),
                  "%s is not on disk as %s while listed: %r" % (chosen, listed,
                                                                sorted(os.listdir(music))))
        check(ui.rows(NAMES_LIST) == [f[0] for f in FILES],
              "the list shows %r" % ui.rows(NAMES_LIST))
        sizes = ["{:,} bytes".format(os.path.getsize(os.path.join(music, f[6]))) for f in FILES]
        check(ui.rows(SIZES_LIST) == sizes, "the sizes read %r, not %r" %
              (ui.rows(SIZES_LIST), sizes))

        ui.tab("Options")
        ui.choose(QUALITY)
        ui.choose(str(BITRATE))
        ui.tab("Encode")
        buttons = tarn_e2e.button_nodes(ui)
        watch = tarn_e2e.Displays(ui)
        check(watch.read() == IDLE, "the Encode tab before Go shows %r" % watch.readings[-1])
        ui.press("Go!")

        wait_until(lambda: ui.enabled(buttons["Abort"]), "Abort to be enabled by Go")
        running = tarn_e2e.enabled_buttons(ui, buttons)
        check(not ui.message_boxes(window), "the job ended before it could be watched")
        check(running == ["Abort", "Help"], "during the job the enabled buttons are %r" % running)

        started = time.monotonic()
        widest = {"Partial": 0, "Total": 0}
        while not ui.message_boxes(window):
            check(process.poll() is None, "the program ended during the job")
            check(time.monotonic() - started < 120, "the job did not end within two minutes")
            watch.read()
            widest = {bar: max(width, widest[bar]) for bar, width in watch.bar_widths().items()}
        # A full bar is 4935 twips, 329 pixels, wide; the job bar got past a third.
        check(all(width > 110 for width in widest.values()),
              "the bars grew to %r pixels at most" % widest)

        box = ui.message_box(window)
        check(ui.nodes("label", JOB_DONE), "the message box does not say \"%s\": %r" %
              (JOB_DONE, [text for text in ui.texts() if "done" in (text or "")]))
        check(session.geometry(box)["viewable"], "the message box is not shown")
        # The window is reset to idle just before the message shows; the last readings may have
        # caught the reset, wholly or in part.
        readings = list(watch.readings)
        while readings and any(readings[-1][name] == IDLE[name]
                               for name in ("Total", "Total elapsed time")):
            readings.pop()
        check_readings(readings)
        ui.answer(box, window)

        expected = sorted([f[0] for f in FILES] + [f[0][:-3] + "mp3" for f in FILES])
        check(sorted(os.listdir(music)) == expected,
              "on disk after the job: %r, not %r" % (sorted(os.listdir(music)), expected))
        for chosen, seconds, rate, _bits, _channels, pitch, _ in FILES:
            check(tarn_e2e.sha256(os.path.join(music, chosen)) == sums[chosen],
                  "the job changed the bytes of %s" % chosen)
            mp3 = os.path.join(music, chosen[:-3] + "mp3")
            decoded = tarn_e2e.decode_mp3(mp3, session.folder)
            # The mode is "Stereo": a mono source is encoded in both channels.
            check((decoded.rate, decoded.channels) == (rate, 2),
                  "%s decodes at %d Hz in %d channels, not %d Hz in 2" %
                  (mp3, decoded.rate, decoded.channels, rate))
            check(abs(decoded.seconds - seconds) <= 0.2,
                  "%s lasts %.3f s, not %d s" % (mp3, decoded.seconds, seconds))
            check(abs(decoded.frequency - pitch) <= pitch * 0.02,
                  "%s plays %.1f Hz, not %.1f Hz" % (mp3, decoded.frequency, pitch))
            kbits = os.path.getsize(mp3) * 8 / 1000 / decoded.seconds
            check(abs(kbits - BITRATE) <= BITRATE * 0.03,
                  "%s has %.1f kbit/s, not %d" % (mp3, kbits, BITRATE))

        # Idle again: the list empty, only Add, Help and Exit of the buttons enabled.
        check(ui.rows(NAMES_LIST) == [] and ui.rows(SIZES_LIST) == [],
              "the lists are not empty after the job")
        idle = tarn_e2e.enabled_buttons(ui, buttons)
        check(idle == ["Add file to list", "Exit", "Help"],
              "after the job the enabled buttons are %r" % idle)
        check(watch.read() == IDLE, "the Encode tab after the job shows %r" % watch.readings[-1])
        check(watch.bar_widths() == {"Partial": 0, "Total": 0},
              "after the job the bars are %r pixels wide" % watch.bar_widths())

        ui.press("Exit")
        check(process.wait(timeout=tarn_e2e.PATIENCE) == 0, "Exit did not end the program cleanly")


def check_readings(readings):
    """The bars and clocks moved as a job moves them."""
    check(len(readings) >= 5, "only %d readings during the job" % len(readings))
    for reading in readings:
        check(re.fullmatch(r" \d+%|0%", reading["Partial"]),
              "the file bar reads %r" % reading["Partial"])
        check(re.fullmatch(r"\d+%", reading["Total"]), "the job bar reads %r" % reading["Total"])
        for name in TIME_LABELS:
            check(tarn_e2e.TIME.fullmatch(reading[name] or ""),
                  "%s reads %r" % (name, reading[name]))

    files = [percent_of(r["Partial"]) for r in readings]
    jobs = [percent_of(r["Total"]) for r in readings]
    check(any(0 < p < 100 for p in files), "the file bar never showed a part done: %r" %
          sorted(set(files)))
    check(any(0 < p < 100 for p in jobs), "the job bar never showed a part done: %r" %
          sorted(set(jobs)))
    check(len(set(jobs)) >= 3, "the job bar hardly moved: %r" % sorted(set(jobs)))
    check(jobs == sorted(jobs), "the job bar went back: %r" % jobs)

    elapsed = [seconds_of(r["Total elapsed time"]) for r in readings]
    check(elapsed == sorted(elapsed), "the job's elapsed time went back: %r" % elapsed)
    check(max(elapsed) >= 2, "the job's elapsed time reached only %d s" % max(elapsed))
    check(max(seconds_of(r["Partial elapsed time"]) for r in readings) >= 1,
          "the file's elapsed time never moved")
    check(any(seconds_of(r["Total estimated time"]) > 0 for r in readings),
          "no estimate of the job's time was shown")
    check(any(seconds_of(r["Partial estimated time"]) > 0 for r in readings),
          "no estimate of a file's time was shown")
    # The file bar starts again for each new file.
    falls = sum(1 for a, b in zip(files, files[1:]) if b < a)
    check(falls >= len(FILES) - 1, "the file bar did not start again for each file: %r" % files)


if __name__ == "__main__":
    tarn_e2e.main(test)
