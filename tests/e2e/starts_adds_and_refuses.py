#!/usr/bin/python3 -B
"""Files on the command line, one missing; one added through the open dialog, one refused;
SIGTERM ends the program in order, which gives every name back."""

import os

from tarn_e2e import PATIENCE, Ui, check, main, wait_until, write_tone


def test(program, session):
    for name in ("a one.wav", "b-two.wav", "my song.wav"):
        write_tone(name, 0.1)
    write_tone("LOW RATE.WAV", 0.1, rate=22050)
    open("notes.txt", "w").close()
    chosen = session.files()
    # Named like markup, which the message shows as written.
    missing = os.path.abspath("<i>gone</i>.wav")
    ui = Ui(session, session.start(program, "a one.wav", missing, os.path.abspath("b-two.wav")))
    ui.answer("The file cannot be read:\n" + missing + "\nNo such file or directory.")
    wait_until(lambda: ui.rows() == ["a one.wav", "b-two.wav"], "both files in the list")
    check({"aone.wav", "btwo.wav"} <= set(session.files()), "listed: %r" % session.files())

    def shows_wav_files(dialog):
        wait_until(lambda: "LOW RATE.WAV" in ui.texts(), "the dialog to list WAV files")
        check("*.wav" in ui.texts() and "notes.txt" not in ui.texts(), "no *.wav, or other files")
    ui.add("my song.wav", shows_wav_files)
    ui.add("LOW RATE.WAV")
    ui.answer("The Sample Rate must be 44.1 or 48 kHz.")
    check(ui.rows() == ["a one.wav", "b-two.wav", "my song.wav"], "listed: %r" % ui.rows())
    check("LOW RATE.WAV" in session.files(), "the refused file was renamed")

    ui.process.terminate()
    check(ui.process.wait(timeout=PATIENCE) == 0, "SIGTERM did not end the program cleanly")
    check(session.files() == chosen, "after SIGTERM the folder holds %r" % session.files())


main(test)
