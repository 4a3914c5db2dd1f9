#!/usr/bin/env python3
"""The program killed with SIGKILL in the middle of a job, while the listed files carry their
cleaned names and two of them are open: the next start gives every file its chosen name back,
gives the finished MP3 file the name formed from its chosen one, removes the MP3 file that was
cut short, and no file or byte of a source is lost."""

import os
import signal
import sys

# Keeps the source folder free of compiled files.
sys.dont_write_bytecode = True

import tarn_e2e
from tarn_e2e import NAMES_LIST, TITLE, check, files_in, wait_until

FILES = [
    # chosen name, name while listed
    ("one song.wav", "onesong.wav"),
    ("two - songs.wav", "twosongs.wav"),
    ("three songs - here.wav", "threesongshere.wav"),
]
SECONDS = 30


def wavs(folder):
    return sorted(name for name in files_in(folder) if name.endswith(".wav"))


def test():
    program = sys.argv[1]
    with tarn_e2e.Session() as session:
        check(session.env["XDG_STATE_HOME"].startswith(session.folder),
              "the journal would not be the test's own")
        music = os.path.join(session.folder, "music")
        os.mkdir(music)
        sums = {}
        for chosen, _ in FILES:
            path = tarn_e2e.write_tone(os.path.join(music, chosen), SECONDS)
            sums[chosen] = tarn_e2e.sha256(path)

        first = session.start(program)
        window = session.window_of(first, TITLE)
        ui = tarn_e2e.Ui(session, first)
        for count, (chosen, _) in enumerate(FILES, start=1):
            ui.add_through_dialog(os.path.join(music, chosen), window)
            wait_until(lambda: len(ui.rows(NAMES_LIST)) == count, "row %d of the list" % count)
        ui.tab("Options")
        ui.choose("Studio")
        ui.tab("Encode")
        ui.press("Go!")

        # Killed while the second file is being encoded: its WAV and MP3 files are open.
        second_mp3 = os.path.join(music, FILES[1][1][:-3] + "mp3")
        wait_until(lambda: os.path.exists(second_mp3), "the second file to be encoded",
                   patience=120)
        first.send_signal(signal.SIGKILL)
        first.wait()
        # The cleaned names show that the job had not ended: its end gives the names back.
        on_disk = files_in(music)
        for _, listed in FILES:
            check(listed in on_disk, "%s is not on disk at the kill: %r" % (listed, on_disk))

        second = session.start(program)
        session.window_of(second, TITLE)
        wait_until(lambda: wavs(music) == sorted(f[0] for f in FILES),
                   "the next start to give every WAV file its chosen name (now %r)" %
                   files_in(music))
        for chosen, _ in FILES:
            check(tarn_e2e.sha256(os.path.join(music, chosen)) == sums[chosen],
                  "the bytes of %s changed" % chosen)
        # Besides the sources only the MP3 file of the run that had finished is there, whole.
        mp3s = sorted(name for name in files_in(music) if not name.endswith(".wav"))
        check(mp3s == ["one song.mp3"], "besides the sources: %r" % mp3s)
        decoded = tarn_e2e.decode_mp3(os.path.join(music, "one song.mp3"), session.folder)
        check(abs(decoded.seconds - SECONDS) < 0.2,
              "the finished MP3 file lasts %.2f s, not %d s" % (decoded.seconds, SECONDS))
        check(tarn_e2e.terminate(second) == 0, "the next start did not end cleanly")
        check(wavs(music) == sorted(f[0] for f in FILES),
              "the end of the next start moved files: %r" % files_in(music))


if __name__ == "__main__":
    tarn_e2e.main(test)
