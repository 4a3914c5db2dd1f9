#!/usr/bin/env python3
"""A 22050 Hz WAV file chosen in the real open-file dialog is refused with its message; after OK
the list is empty, Go stays disabled and the file has its own name and bytes."""

import os
import sys

# Keeps the source folder free of compiled files.
sys.dont_write_bytecode = True

import tarn_e2e
from tarn_e2e import NAMES_LIST, SIZES_LIST, TITLE, check, files_in, wait_until

MESSAGE = "The Sample Rate must be 44.1 or 48 kHz."
CHOSEN = "low rate - demo.wav"


def test():
    program = sys.argv[1]
    with tarn_e2e.Session() as session:
        music = os.path.join(session.folder, "music")
        os.mkdir(music)
        path = tarn_e2e.write_tone(os.path.join(music, CHOSEN), 2, rate=22050)
        before = tarn_e2e.sha256(path)

        process = session.start(program)
        window = session.window_of(process, TITLE)
        ui = tarn_e2e.Ui(session, process)
        buttons = tarn_e2e.button_nodes(ui)
        ui.add_through_dialog(path, window)

        box = ui.message_box(window)
        wait_until(lambda: ui.nodes("label", MESSAGE),
                   "the message \"%s\" (the program shows %r)" % (MESSAGE, ui.texts()))
        check(session.geometry(box)["viewable"], "the message box is not shown")
        ui.answer(box, window)

        check(ui.rows(NAMES_LIST) == [] and ui.rows(SIZES_LIST) == [],
              "the refused file is listed: %r" % ui.rows(NAMES_LIST))
        check(tarn_e2e.enabled_buttons(ui, buttons) == ["Add file to list", "Exit", "Help"],
              "after the refusal the enabled buttons are %r" %
              tarn_e2e.enabled_buttons(ui, buttons))
        check(files_in(music) == [CHOSEN], "after the refusal the folder holds %r" %
              files_in(music))
        check(tarn_e2e.sha256(path) == before, "the refused file's bytes changed")
        check(tarn_e2e.terminate(process) == 0, "the program did not end cleanly")
        check(files_in(music) == [CHOSEN], "after the end the folder holds %r" %
              files_in(music))


if __name__ == "__main__":
    tarn_e2e.main(test)
