#!/usr/bin/python3 -B
"""Abort while the second of three files is shown and the third runs beside it; a whole job with Help pressed, to MP3 files mpg123
decodes to the rate and length that went in; a help Index entry opens its page; Exit ends."""

from tarn_e2e import PATIENCE, Ui, check, decode, main, wait_until, write_tone

TAKES = [("first take.wav", 10), ("second - take.wav", 60), ("third-take.wav", 10)]
# Chosen name, seconds, rate, bits, channels.
FILES = [("my song - live.wav", 60, 44100, 16, 2), ("field-recording.wav", 10, 48000, 8, 1)]


def test(program, session):
    ui = Ui(session, session.start(program, "--jobs", "2"))
    ui.ready_to_encode([write_tone(name, s) for name, s in TAKES])
    abort = ui.node("push button", "Abort")
    ui.press("Go!")
    # The first is done and the file bar has moved on to the second: its text, after a space,
    # is far from the first one's 100 %.
    wait_until(lambda: "thirdtake.mp3" in session.files() and any(
        t.startswith(" ") and t.endswith("%") and int(t[1:-1]) < 50 for t in ui.texts() if t),
        "the second file shown while the third runs", 120)
    ui.click(abort)
    # The third one's run was never reached as far as the user could see: it leaves nothing.
    taken = sorted(name for name, _ in TAKES) + ["first take.mp3", "second - take.mp3"]
    wait_until(lambda: sorted(session.files()) == sorted(taken), "the chosen names after Abort")
    check(not ui.boxes() and ui.rows() == [], "Abort left a message or a list")

    ui.click(ui.node("page tab", "Open File"))
    for name, *sound in FILES:
        ui.add(write_tone(name, *sound))
    wait_until(lambda: len(ui.rows()) == len(FILES), "the files in the list")
    ui.click(ui.node("page tab", "Encode"))
    help_button = ui.node("push button", "Help")
    ui.press("Go!")
    wait_until(lambda: ui.enabled(abort), "the job to start")
    ui.click(help_button)
    help_window = ui.window_titled("Tarn MP3 Encoder Help")
    check(ui.enabled(abort) and not ui.boxes(), "the job ended before the help window showed")
    topic = ui.node("label", "Topic")
    check("turns uncompressed WAV files into MP3 files" in ui.text(topic), "no welcome page")
    ui.answer("           Job done!", patience=120)
    mp3s = [name[:-3] + "mp3" for name, *_ in FILES]
    check(session.files() == sorted(taken + [f[0] for f in FILES] + mp3s), session.files())
    for (_, seconds, rate, *_), mp3 in zip(FILES, mp3s):
        got = decode(mp3)
        # Mono is encoded as stereo; the length within a frame or so.
        check(got[:2] == (rate, 2) and abs(got[2] - seconds) <= 0.2,
              "%s decodes to %r, not %r" % (mp3, got, (rate, 2, seconds)))

    ui.click(ui.node("page tab", "Index"))
    ui.click(ui.node("text", "Keyword"))
    session.type(help_window, "quality")
    ui.click(ui.node("list item", "quality presets"))
    wait_until(lambda: ui.text(topic).startswith("Quality presets"), "the entry's page")
    session.key(ui.window, "alt+x")
    check(ui.process.wait(timeout=PATIENCE) == 0, "Exit did not end the program with Help open")


main(test)
