#!/usr/bin/python3 -B
"""An exFAT stick (FUSE) pulled during a job, ended or killed: starts without it say so; with it
back every name returns, a taken name is never replaced, and no cut-short MP3 file remains."""

import os

from tarn_e2e import (PATIENCE, TITLE, Ui, check, decode, main, make_stick, plug, wait_until,
                      write_tone)

FILES = [("Track 01 - intro.wav", 4), ("Track 02 - verse.wav", 30), ("Track 03 - chorus.wav", 2),
         ("Track 04 - bridge.wav", 2), ("outro.wav", 2)]
AWAY = "These files are in a folder that is not there now"


def answer_all(ui, until):
    """Answers every message box, and returns their texts, until one of them holds `until`."""
    boxes = lambda: [w for w in ui.session.windows(".*", ui.process.pid) if w != ui.window]
    texts = ""
    while until not in texts:
        box = wait_until(boxes, lambda: "a message box, after %r" % texts, 120)[0]
        texts += wait_until(ui.message, "the message's text") + "\n"
        ui.session.key(box, "Return")
        wait_until(lambda: box not in boxes(), "the message box to close")
    return texts


def end(ui):
    ui.session.key(ui.window, "alt+x")
    check(ui.process.wait(timeout=PATIENCE) == 0, "Exit did not end the program")


def start_and_answer(program, session, *expected):
    """A start that says something over its window: what it says holds `expected`."""
    ui = Ui(session, session.start(program))
    told = wait_until(ui.message, "what the start says")
    check(all(text in told for text in expected), "the start says: %r" % told)
    ui.click(ui.node("push button", "OK", ui.nodes("alert")[-1]))
    ui.window = wait_until(lambda: [w for w in [session.windows(TITLE, ui.process.pid)]
                                    if len(w) == 1], "the main window alone")[0][0]
    return ui


def pull_during_the_job(program, session, kill):
    image, stick = make_stick(session, "killed" if kill else "ended")
    pull = plug(session, image, stick)
    paths = [write_tone(os.path.join(stick, name), seconds) for name, seconds in FILES]
    taken, finished = (os.path.join(stick, name) for name in ("Track 01 - intro.mp3",
                                                              "Track01intro.mp3"))
    if not kill:
        with open(taken, "wb") as keep:
            keep.write(b"keep")
    ui = Ui(session, session.start(program))
    ui.ready_to_encode(paths)
    ui.press("Go!")
    # Well into the second file's run: the first file is durable and recorded finished by then.
    second = os.path.join(stick, "Track02verse.mp3")
    wait_until(lambda: os.path.exists(second) and os.path.getsize(second) > 256 << 10,
               "the second file's run", 120)
    pull()
    if kill:
        ui.process.kill()
        ui.process.wait()
    else:
        told = answer_all(ui, AWAY)
        check("Job done!" in told and stick + "/" in told, "at the pull: %r" % told)
        end(ui)
    for _ in range(2):
        end(start_and_answer(program, session, AWAY, stick + "/",
                             "Track02verse.wav, to be Track 02 - verse.wav"))
    plug(session, image, stick)
    ui = (Ui(session, session.start(program)) if kill else
          start_and_answer(program, session, finished + " (to be " + taken + "): File exists."))
    chosen = sorted([name for name, _ in FILES] + [os.path.basename(taken)] +
                    ([] if kill else [os.path.basename(finished)]))
    wait_until(lambda: sorted(os.listdir(stick)) == chosen,
               lambda: "the names back with the stick: %r" % sorted(os.listdir(stick)))
    check(decode(taken if kill else finished)[2] == 4, "the finished file is cut")
    check(kill or open(taken, "rb").read() == b"keep", "the taken name was replaced")
    end(ui)
    if not kill:  # freed, for the next start to finish quietly
        os.remove(taken)


def test(program, session):
    for kill in (False, True):
        pull_during_the_job(program, session, kill)


main(test, stick=True)
