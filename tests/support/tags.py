"""write WAV "TITLE|ARTIST|ALBUM|DATE|TRACK|GENRE|COMMENT" [COVER]: tags it as mutagen-based
taggers do; read MP3 COVER: its texts as mutagen, then ffprobe read them, and a line a picture."""
import json
import subprocess
import sys

from mutagen import id3, wave

FRAMES = "TIT2 TPE1 TALB TDRC TRCK TCON COMM".split()
if sys.argv[1] == "write":
    wav = wave.WAVE(sys.argv[2])
    wav.add_tags()
    for key, text in zip(FRAMES, sys.argv[3].split("|")):
        wav.tags.add(getattr(id3, key)(encoding=3, text=text))
    if len(sys.argv) > 4:
        with open(sys.argv[4], "rb") as cover:
            wav.tags.add(id3.APIC(encoding=3, mime="image/jpeg", type=3, desc="Front ✓",
                                  data=cover.read()))
    wav.save()
else:
    tag = id3.ID3(sys.argv[2])
    print("|".join(str(tag.getall(k)[0]) for k in FRAMES))
    probe = json.loads(subprocess.check_output(
        ["ffprobe", "-v", "error", "-of", "json", "-show_entries", "format_tags", sys.argv[2]],
        stderr=subprocess.DEVNULL))["format"]["tags"]
    print("|".join(probe[k] for k in "title artist album date track genre comment".split()))
    with open(sys.argv[3], "rb") as original:
        cover = original.read()
    for p in tag.getall("APIC"):
        print(f"{p.mime}|{p.type:d}|{p.desc}|{'same' if p.data == cover else 'differs'}")
