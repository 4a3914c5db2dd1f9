#!/usr/bin/python3 -B
"""On a headless Weston with no X server: the window shows, a file named on the command line is
listed and encoded to "Job done!", Help shows its window and Exit ends the program."""

import subprocess

from tarn_e2e import PATIENCE, Ui, check, main, wait_until, write_tone


def test(program, session):
    def shown(title):
        scene = subprocess.run(["weston-debug", "scene-graph"], env=session.env, text=True,
                               capture_output=True, timeout=PATIENCE).stdout
        return "top-level window '%s' of org.example.tarn.tarnme" % title in scene

    def act(node):  # What an assistive tool does to press a button, and all there is without X.
        node.queryAction().doAction(0)

    ui = Ui(session, session.start(program, write_tone("a song.wav", 1)))
    wait_until(lambda: shown("Tarn MP3 Encoder"), "Weston to show the window")
    wait_until(lambda: ui.rows() == ["a song.wav"], "the file in the list")
    act(ui.node("push button", "Go!"))
    ui.node("label", "           Job done!")
    act(ui.node("push button", "OK"))
    act(ui.node("push button", "Help"))
    wait_until(lambda: shown("Tarn MP3 Encoder Help"), "Weston to show the help window")
    act(ui.node("push button", "Exit"))
    check(ui.process.wait(timeout=PATIENCE) == 0, "Exit did not end the program")


main(test, wayland=True)
