#!/usr/bin/python3 -B
"""SIGKILL in the middle of a job, while the listed files carry their cleaned names and two are
open: the next start gives every file its chosen name back, gives the finished MP3 file the name
formed from its chosen one and removes the one cut short."""

from tarn_e2e import Ui, check, decode, main, wait_until, write_tone

FILES = ["one song.wav", "two - songs.wav", "three songs - here.wav"]
LISTED = ["onesong.wav", "twosongs.wav", "threesongshere.wav"]


def test(program, session):
    ui = Ui(session, session.start(program))
    ui.ready_to_encode([write_tone(name, s) for name, s in zip(FILES, (30, 60, 10))])
    ui.press("Go!")
    wait_until(lambda: "twosongs.mp3" in session.files(), "the second file's run", 120)
    ui.process.kill()
    ui.process.wait()
    check(set(LISTED) <= set(session.files()), "at the kill: %r" % session.files())

    Ui(session, session.start(program))
    wait_until(lambda: session.files() == sorted(FILES + ["one song.mp3"]),
               lambda: "the chosen names back at the next start: %r" % session.files())
    check(abs(decode("one song.mp3")[2] - 30) <= 0.2, "the finished MP3 file does not last 30 s")


main(test)
