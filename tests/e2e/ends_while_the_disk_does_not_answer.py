#!/usr/bin/python3 -B
"""The music's disk stops answering syncs (a dead NFS server, a hung USB device) while two renamed
files are listed: SIGTERM still ends the program, and the next start finds every name in order."""

import os
import sys

from tarn_e2e import PATIENCE, Ui, check, main, wait_until, write_tone


def test(program, session):
    for name in ("a one.wav", "b-two.wav"):
        write_tone(name, 0.1)
    chosen = session.files()
    hang = os.path.join(session.folder, "hang")
    session.env.update(LD_PRELOAD=sys.argv[2], TARN_HANG_SYNCS_UNDER=session.music,
                       TARN_HANG_SYNCS_WHEN=hang)
    ui = Ui(session, session.start(program, "a one.wav", "b-two.wav"))
    wait_until(lambda: ui.rows() == ["a one.wav", "b-two.wav"], "both files in the list")
    check({"aone.wav", "btwo.wav"} <= set(session.files()), "listed: %r" % session.files())

    open(hang, "w").close()
    ui.process.terminate()
    # The names come back; the sync that would make that durable never answers.
    check(ui.process.wait(timeout=PATIENCE) != 0, "the end was not told as cut short")
    check(session.files() == chosen, "after the end the folder holds %r" % session.files())

    os.remove(hang)
    del session.env["LD_PRELOAD"]
    again = Ui(session, session.start(program))
    state = os.path.join(session.env["XDG_STATE_HOME"], "tarnme")
    wait_until(lambda: not os.path.exists(os.path.join(state, "renames")),
               "the next start to put the records in order")
    check(session.files() == chosen, "after the next start the folder holds %r" % session.files())
    again.process.terminate()
    check(again.process.wait(timeout=PATIENCE) == 0, "SIGTERM did not end the program cleanly")


main(test)
