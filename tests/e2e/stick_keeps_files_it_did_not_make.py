#!/usr/bin/python3 -B
"""An exFAT stick (FUSE): a WAV file named take.MP3, which is its own MP3 file there, is refused and
kept; with the stick back after a killed job, a start removes no file that the job did not make."""

import os
import time

from tarn_e2e import Ui, check, main, make_stick, plug, wait_until, write_tone


def test(program, session):
    image, stick = make_stick(session)
    pull = plug(session, image, stick)
    take = write_tone(os.path.join(stick, "take.MP3"), 0.1)
    song = write_tone(os.path.join(stick, "song.wav"), 30)
    kept = open(take, "rb").read()
    ui = Ui(session, session.start(program, take))
    ui.answer("The file cannot be added: its MP3 file would take its name and replace it:\n" + take)
    ui.ready_to_encode([song])
    ui.press("Go!")
    started = os.path.join(stick, "song.mp3")
    wait_until(lambda: os.path.exists(started) and os.path.getsize(started) > 64 << 10,
               "the run", 120)
    ui.process.kill()
    ui.process.wait()
    pull()
    plug(session, image, stick)
    # Meanwhile another tool made song.mp3 anew, later than the job wrote it.
    os.remove(started)
    with open(started, "wb") as mine:
        mine.write(b"mine")
    os.utime(started, (time.time() + 60,) * 2)
    ui = Ui(session, session.start(program))
    ui.answer("These files could not be put back in order, and the program tries again when it "
              "next starts:\n" + started + " (cut short, to be removed): It has changed since the "
              "program wrote it, and is left as it is.")
    check(open(started, "rb").read() == b"mine", "the other tool's song.mp3 was removed")
    check(open(take, "rb").read() == kept, "take.MP3 was changed")


main(test, stick=True)
