#!/usr/bin/env python3
"""Starts the real program with two WAV files, one given relative to its current folder, and a
missing one between them: both are listed and renamed, the missing one gets its message, and
Exit gives every name back."""

import os
import sys

# Keeps the source folder free of compiled files.
sys.dont_write_bytecode = True

import tarn_e2e
from tarn_e2e import NAMES_LIST, TITLE, check, files_in, wait_until


def test():
    # The program starts in the music folder.
    program = os.path.abspath(sys.argv[1])
    with tarn_e2e.Session() as session:
        music = os.path.join(session.folder, "music")
        os.mkdir(music)
        tarn_e2e.write_tone(os.path.join(music, "a one.wav"), 0.1)
        tarn_e2e.write_tone(os.path.join(music, "b-two.wav"), 0.1)
        gone = os.path.join(music, "gone.wav")

        process = session.start(program, "a one.wav", gone, os.path.join(music, "b-two.wav"),
                                cwd=music)
        window = session.window_of(process, TITLE)
        ui = tarn_e2e.Ui(session, process)
        box = ui.message_box(window)
        message = "The file cannot be read:\n" + gone
        wait_until(lambda: message in ui.texts(),
                   "the message for the missing file (the program shows %r)" % ui.texts())
        ui.answer(box, window)

        wait_until(lambda: ui.rows(NAMES_LIST) == ["a one.wav", "b-two.wav"],
                   "both files listed in order (the list shows %r)" % ui.rows(NAMES_LIST))
        check(files_in(music) == ["aone.wav", "btwo.wav"],
              "while listed the folder holds %r" % files_in(music))
        check(not ui.message_boxes(window), "more than one message was shown")

        ui.press("Exit")
        check(process.wait(timeout=tarn_e2e.PATIENCE) == 0, "Exit did not end the program")
        check(files_in(music) == ["a one.wav", "b-two.wav"],
              "after Exit the folder holds %r" % files_in(music))


if __name__ == "__main__":
    tarn_e2e.main(test)
