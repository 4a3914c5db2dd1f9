#!/usr/bin/env python3
"""Help on a desktop with no CHM viewer: the program's own window shows the manual at its
welcome page, also when Help is pressed during a job, which still runs to "Job done!". An Index
entry found by typing opens its page; Help again brings back the same window on that page; Exit
ends the program with the help window still open."""

import os
import sys

# Keeps the source folder free of compiled files.
sys.dont_write_bytecode = True

import tarn_e2e
from tarn_e2e import JOB_DONE, TITLE, check, wait_until

HELP_TITLE = "Tarn MP3 Encoder Help"
WELCOME = "Tarn MP3 Encoder turns uncompressed WAV files into MP3 files."


def page_of(topic):
    text = topic.queryText()
    return text.getText(0, text.characterCount)


def test():
    program = sys.argv[1]
    with tarn_e2e.Session() as session:
        song = tarn_e2e.write_tone(os.path.join(session.folder, "song.wav"), 90)
        process = session.start(program)
        window = session.window_of(process, TITLE)
        ui = tarn_e2e.Ui(session, process)
        ui.add_through_dialog(song, window)
        ui.tab("Options")
        ui.choose("Studio")
        ui.tab("Encode")
        buttons = tarn_e2e.button_nodes(ui)
        ui.press("Go!")
        wait_until(lambda: ui.enabled(buttons["Abort"]), "Abort to be enabled by Go")

        ui.click(buttons["Help"])
        help_window = session.window_of(process, HELP_TITLE)
        check(ui.enabled(buttons["Abort"]) and not ui.message_boxes(window),
              "the job ended before the help window showed")
        topic = ui.node("label", "Topic")
        check(WELCOME in page_of(topic), "the help window shows %r" % page_of(topic)[:200])

        box = ui.message_box(window, patience=120)
        check(ui.nodes("label", JOB_DONE), "the job did not end with \"%s\"" % JOB_DONE)
        ui.answer(box, window)
        check(os.path.getsize(os.path.join(session.folder, "song.mp3")) > 0,
              "the job wrote no MP3 file")

        ui.click(ui.node("page tab", "Index"))
        ui.click(ui.node("text", "Keyword"))
        session.type_text(help_window, "quality")
        ui.click(ui.node("list item", "quality presets"))
        wait_until(lambda: page_of(topic).startswith("Quality presets"),
                   "the page of the index entry")

        session.key(window, "alt+h")
        wait_until(lambda: session.windows(name=HELP_TITLE, pid=process.pid) == [help_window],
                   "the one help window to be shown again")
        check(page_of(topic).startswith("Quality presets"),
              "Help again shows %r" % page_of(topic)[:200])

        session.key(window, "alt+x")
        check(process.wait(timeout=tarn_e2e.PATIENCE) == 0,
              "Exit did not end the program cleanly with the help window open")


if __name__ == "__main__":
    tarn_e2e.main(test)
