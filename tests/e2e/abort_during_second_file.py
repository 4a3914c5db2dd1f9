#!/usr/bin/env python3
"""Abort pressed while the second of three files is encoded: the window is idle at once, the
third file is never encoded, no "Job done!" comes, and every file on disk has the name the user
chose (the MP3 files written so far too). A job started afterwards runs to its end."""

import os
import sys

# Keeps the source folder free of compiled files.
sys.dont_write_bytecode = True

import tarn_e2e
from tarn_e2e import IDLE, JOB_DONE, NAMES_LIST, TITLE, check, files_in, wait_until

FILES = [
    # chosen name, seconds, name while listed
    ("first take.wav", 10, "firsttake.wav"),
    # Long enough that Abort lands well inside it even on a fast machine.
    ("second - take.wav", 60, "secondtake.wav"),
    ("third-take.wav", 10, "thirdtake.wav"),
]


def mp3_of(name):
    return name[:-3] + "mp3"


def test():
    program = sys.argv[1]
    with tarn_e2e.Session() as session:
        music = os.path.join(session.folder, "music")
        os.mkdir(music)
        sums = {}
        for chosen, seconds, _ in FILES:
            path = tarn_e2e.write_tone(os.path.join(music, chosen), seconds)
            sums[chosen] = tarn_e2e.sha256(path)

        process = session.start(program)
        window = session.window_of(process, TITLE)
        ui = tarn_e2e.Ui(session, process)
        for count, (chosen, _, _) in enumerate(FILES, start=1):
            ui.add_through_dialog(os.path.join(music, chosen), window)
            wait_until(lambda: len(ui.rows(NAMES_LIST)) == count, "row %d of the list" % count)
        check(files_in(music) == sorted(f[2] for f in FILES),
              "while listed the files are %r" % files_in(music))
        ui.tab("Options")
        ui.choose("Studio")
        ui.tab("Encode")
        buttons = tarn_e2e.button_nodes(ui)
        displays = tarn_e2e.Displays(ui)

        ui.press("Go!")
        # The second run has started when its MP3 file exists: runs go in list order.
        second_mp3 = os.path.join(music, mp3_of(FILES[1][2]))
        wait_until(lambda: os.path.exists(second_mp3), "the second file to be encoded",
                   patience=120)
        check(not ui.message_boxes(window), "the job ended before the second file was encoded")
        ui.click(buttons["Abort"])

        wait_until(lambda: tarn_e2e.enabled_buttons(ui, buttons) ==
                   ["Add file to list", "Exit", "Help"], "the window to be idle after Abort")
        check(displays.read() == IDLE, "after Abort the Encode tab shows %r" %
              displays.readings[-1])
        check(ui.rows(NAMES_LIST) == [], "after Abort the list holds %r" % ui.rows(NAMES_LIST))

        # The names come back once the run that was stopped has closed its files.
        expected = sorted([f[0] for f in FILES] + [mp3_of(f[0]) for f in FILES[:2]])
        wait_until(lambda: files_in(music) == expected,
                   "the chosen names on disk after Abort (now %r)" % files_in(music))
        # The stopped run has returned, so the job is over: it would have ended with its message.
        check(not ui.message_boxes(window) and not ui.nodes("label", JOB_DONE),
              "a message was shown after Abort")
        check(process.poll() is None, "the program ended after Abort")
        for chosen, seconds, _ in FILES:
            check(tarn_e2e.sha256(os.path.join(music, chosen)) == sums[chosen],
                  "the bytes of %s changed" % chosen)
        first = tarn_e2e.decode_mp3(os.path.join(music, mp3_of(FILES[0][0])), session.folder)
        check(abs(first.seconds - FILES[0][1]) <= 0.2,
              "the first MP3 file lasts %.3f s, not %d s" % (first.seconds, FILES[0][1]))
        # A complete, shorter MP3 file: the run stopped after its current chunk.
        second = tarn_e2e.decode_mp3(os.path.join(music, mp3_of(FILES[1][0])), session.folder)
        check(0 < second.seconds < FILES[1][1] - 1,
              "the second MP3 file lasts %.3f s of %d s" % (second.seconds, FILES[1][1]))

        # The next job runs every entry.
        third = os.path.join(music, FILES[2][0])
        ui.tab("Open File")
        ui.add_through_dialog(third, window)
        wait_until(lambda: ui.rows(NAMES_LIST) == [FILES[2][0]], "the third file in the list")
        ui.tab("Encode")
        ui.press("Go!")
        box = ui.message_box(window, patience=120)
        check(ui.nodes("label", JOB_DONE), "the next job did not end with \"Job done!\"")
        ui.answer(box, window)
        expected.append(mp3_of(FILES[2][0]))
        check(files_in(music) == sorted(expected), "after the next job: %r" % files_in(music))
        decoded = tarn_e2e.decode_mp3(os.path.join(music, mp3_of(FILES[2][0])), session.folder)
        check(abs(decoded.seconds - FILES[2][1]) <= 0.2,
              "the third MP3 file lasts %.3f s, not %d s" % (decoded.seconds, FILES[2][1]))
        check(tarn_e2e.terminate(process) == 0, "the program did not end cleanly")


if __name__ == "__main__":
    tarn_e2e.main(test)
