#!/usr/bin/env python3
"""Adds a file through the real open-file dialog and sees it renamed on disk and listed; a
SIGTERM gives it its chosen name back, and so does the next start after the program was
killed outright."""

import os
import signal
import sys
import wave

# Keeps the source folder free of compiled files.
sys.dont_write_bytecode = True

import tarn_e2e
from tarn_e2e import TITLE, check, wait_until


def write_wav(path, frames=4410):
    with wave.open(path, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(44100)
        out.writeframes(bytes(4 * frames))


def add_through_dialog(session, process, window, path):
    tarn_e2e.Ui(session, process).add_through_dialog(path, window)


def names(folder):
    return sorted(name for name in os.listdir(folder))


def test():
    program = sys.argv[1]
    with tarn_e2e.Session() as session:
        music = os.path.join(session.folder, "music")
        os.mkdir(music)
        write_wav(os.path.join(music, "my song.wav"))

        first = session.start(program)
        window = session.window_of(first, TITLE)
        add_through_dialog(session, first, window, os.path.join(music, "my song.wav"))
        wait_until(lambda: names(music) == ["mysong.wav"], "the file to be renamed on disk")
        texts = wait_until(
            lambda: (lambda found: "17,684 bytes" in found and found)(
                tarn_e2e.accessible_texts(first.pid)),
            "the size row in the list")
        check("my song.wav" in texts, "the name row shows the chosen name")

        check(tarn_e2e.terminate(first) == 0, "SIGTERM did not end the program cleanly")
        check(names(music) == ["my song.wav"], "SIGTERM left %r" % names(music))

        second = session.start(program)
        window = session.window_of(second, TITLE)
        add_through_dialog(session, second, window, os.path.join(music, "my song.wav"))
        wait_until(lambda: names(music) == ["mysong.wav"], "the file to be renamed again")
        second.send_signal(signal.SIGKILL)
        second.wait()
        check(names(music) == ["mysong.wav"], "a killed program cannot give names back")

        third = session.start(program)
        session.window_of(third, TITLE)
        wait_until(lambda: names(music) == ["my song.wav"],
                   "the next start to give the name back")
        check(tarn_e2e.terminate(third) == 0, "the third start did not end cleanly")


if __name__ == "__main__":
    tarn_e2e.main(test)
