#!/usr/bin/python3 -B
"""A later start hands its files to the running window and ends silently; they join the list,
after a job that runs. Without files, or unanswered, it says so and ends after OK or SIGTERM."""

import os
import signal

from tarn_e2e import PATIENCE, TITLE, Ui, check, main, wait_until, write_tone

# Long enough for a second start, its hand-over and its end on a busy machine.
QUICK = 10


def test(program, session):
    for name in ("a.wav", "b c.wav", "d.wav", "e-f.wav", "g h.wav"):
        write_tone(name, 0.1)
    ui = Ui(session, session.start(program, "a.wav"))
    # Nobody answers a message box here: a start that showed one would not end.
    check(session.start(program, "b c.wav", os.path.abspath("d.wav")).wait(QUICK) == 0,
          "the start with files did not end at once")
    wait_until(lambda: ui.rows() == ["a.wav", "b c.wav", "d.wav"], "the files in order")

    bare = Ui(session, session.start(program))
    wait_until(lambda: "The application is already running!" in bare.texts(), "the refusal")
    bare.process.terminate()
    check(bare.process.wait(PATIENCE) == -signal.SIGTERM, "SIGTERM did not end the refusal")

    # A window that does not answer: the start that gave up on it has its files back.
    os.kill(ui.process.pid, signal.SIGSTOP)
    unanswered = session.start(program, "g h.wav")
    box = wait_until(lambda: session.windows(TITLE, unanswered.pid), "the refusal", QUICK)[0]
    session.key(box, "Return")
    check(unanswered.wait(PATIENCE) == 0, "the refusal did not end after OK")
    os.kill(ui.process.pid, signal.SIGCONT)
    check(session.start(program, "d.wav").wait(QUICK) == 0, "the window did not recover")
    check(ui.rows() == ["a.wav", "b c.wav", "d.wav"], "listed: %r" % ui.rows())

    ui.press("Clear list")
    ui.ready_to_encode([write_tone("long take.wav", 60)])
    abort = ui.node("push button", "Abort")
    ui.press("Go!")
    wait_until(lambda: ui.enabled(abort), "the job to start")
    check(session.start(program, "e-f.wav").wait(QUICK) == 0, "the start did not end at once")
    check("e-f.wav" in session.files() and ui.enabled(abort), "the file joined during the job")
    ui.answer("           Job done!", patience=120)
    wait_until(lambda: ui.rows() == ["e-f.wav"] and "ef.wav" in session.files(), "the file")


main(test)
