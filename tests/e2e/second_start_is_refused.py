#!/usr/bin/env python3
"""Starts the real program twice: the second start, given a WAV file, beeps, says the program is
already running and ends after OK; the first window is not disturbed and the file is listed
nowhere."""

import os
import sys

# Keeps the source folder free of compiled files.
sys.dont_write_bytecode = True

import tarn_e2e
from tarn_e2e import check, wait_until

TITLE = "Tarn MP3 Encoder"
MESSAGE = "The application is already running!"


def test():
    program = sys.argv[1]
    with tarn_e2e.Session() as session:
        first = session.start(program)
        window = session.window_of(first, TITLE)
        place = session.geometry(window)
        check(place["viewable"], "the first window is not shown")
        check((place["width"], place["height"]) == (376, 320),
              "the window is %dx%d, not 376x320" % (place["width"], place["height"]))
        check(abs(place["x"] + 188 - 512) <= 2 and abs(place["y"] + 160 - 384) <= 2,
              "the window is not centred: %r" % place)

        wav = tarn_e2e.write_tone(os.path.join(session.folder, "a song.wav"), 0.1)
        second = session.start(program, wav)
        box = session.window_of(second, TITLE)
        check(session.windows(name=TITLE, pid=second.pid) == [box],
              "the second start shows more than its message box")
        texts = wait_until(lambda: MESSAGE in tarn_e2e.accessible_texts(second.pid) and
                           tarn_e2e.accessible_texts(second.pid),
                           "the message \"%s\" through AT-SPI" % MESSAGE)
        check(not any(text == "File Name:" for text in texts),
              "the second start built its window on screen")
        check(second.poll() is None, "the second start ended before OK")

        session.key(box, "Return")
        status = second.wait(timeout=tarn_e2e.PATIENCE)
        check(status == 0, "the second start ended with status %d" % status)

        check(first.poll() is None, "the first instance ended")
        check(os.path.exists(wav), "the file given to the second start was renamed")
        check(tarn_e2e.Ui(session, first).rows(tarn_e2e.NAMES_LIST) == [],
              "the first window lists the file given to the second start")
        check(session.windows(name=TITLE, pid=first.pid) == [window],
              "the first window changed")
        check(session.geometry(window) == place, "the first window moved")
        check(tarn_e2e.terminate(first) == 0, "the first instance did not end cleanly")
        check(not session.windows(name=TITLE), "a window is left after the end")


if __name__ == "__main__":
    tarn_e2e.main(test)
