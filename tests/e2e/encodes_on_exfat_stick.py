#!/usr/bin/python3 -B
"""Music on an exFAT stick mounted through FUSE, which can neither rename without replacing nor
link: files with spaces and hyphens are listed, encoded and given their names back, their MP3
files take the chosen names, and a name already taken is never replaced."""

import os
import sys

from tarn_e2e import PATIENCE, Ui, check, decode, main, make_stick, plug, wait_until, write_tone

FILES = [("one song.wav", 2), ("two - songs.wav", 1)]


def test(program, session):
    image, stick = make_stick(session)
    plug(session, image, stick)
    # Left once the program has ended.
    session.callback(os.chdir, session.folder)
    session.music = stick
    os.chdir(stick)
    with open("two - songs.mp3", "wb") as taken:
        taken.write(b"keep")
    ui = Ui(session, session.start(program, *[write_tone(name, s) for name, s in FILES]))
    wait_until(lambda: ui.rows() == [name for name, _ in FILES], "both files in the list")
    check({"onesong.wav", "twosongs.wav"} <= set(session.files()), session.files())
    ui.click(ui.node("page tab", "Encode"))
    ui.press("Go!")
    ui.answer("           Job done!", patience=120)
    ui.answer("These files keep the names they have, since they could not be renamed:\n" +
              os.path.join(session.music, "twosongs.mp3") + "\n    to two - songs.mp3: File "
              "exists.\nThe program tries again when it next starts.")
    check(session.files() == ["one song.mp3", "one song.wav", "two - songs.mp3",
                              "two - songs.wav", "twosongs.mp3"], session.files())
    check(open("two - songs.mp3", "rb").read() == b"keep", "the taken name was replaced")
    for mp3, seconds in (("one song.mp3", 2), ("twosongs.mp3", 1)):
        check(abs(decode(mp3)[2] - seconds) <= 0.1, "%s does not last %s s" % (mp3, seconds))
    session.key(ui.window, "alt+x")
    check(ui.process.wait(timeout=PATIENCE) == 0, "Exit did not end the program")


if os.geteuid() != 0:
    print("mounting a FUSE stick needs root")
    sys.exit(77)
main(test)
