#!/usr/bin/env python3
"""Takes a picture of each tab of the real window under Xvfb, of the file list with two files
in it, and of the Encode tab while they are encoded. Usage: screenshots.py PROGRAM [FOLDER] (default folder: ./screenshots)."""

import os
import sys

# Keeps the source folder free of compiled files.
sys.dont_write_bytecode = True

import tarn_e2e
from added_file_gets_its_name_back import TITLE, add_through_dialog, write_wav

TABS = ["open-file", "options", "encode", "about"]
# Tab centres in the window: the strip is 23 pixels high at y 64, each tab a quarter of 377.
TAB_Y = 64 + 11
GO_BUTTON = (8 + 92, 64 + 200 + 12)


def tab_x(tab):
    return 377 * tab // 4 + 47


def take(program, folder):
    os.makedirs(folder, exist_ok=True)
    saved = []
    with tarn_e2e.Session() as session:
        process = session.start(program)
        window = session.window_of(process, TITLE)
        for tab, name in enumerate(TABS):
            session.click(window, tab_x(tab), TAB_Y)
            # Lets the window repaint the page it switched to.
            session.run("xdotool", "sleep", "0.5")
            path = os.path.join(folder, "tab-%d-%s.png" % (tab + 1, name))
            session.screenshot(window, path)
            saved.append(path)

        music = os.path.join(session.folder, "music")
        os.mkdir(music)
        session.click(window, tab_x(0), TAB_Y)
        for name in ("my song - live.wav", "second-take.wav"):
            write_wav(os.path.join(music, name), frames=44100 * 180)
            add_through_dialog(session, process, window, os.path.join(music, name))
        session.run("xdotool", "sleep", "0.5")
        path = os.path.join(folder, "open-file-with-files.png")
        session.screenshot(window, path)
        saved.append(path)

        session.click(window, tab_x(2), TAB_Y)
        session.click(window, *GO_BUTTON)
        session.run("xdotool", "sleep", "0.8")
        path = os.path.join(folder, "encode-running.png")
        session.screenshot(window, path)
        saved.append(path)
        tarn_e2e.terminate(process)
    return saved


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    for picture in take(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "screenshots"):
        print(picture)
