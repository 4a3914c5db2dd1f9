"""Adds an ID3v2.4 tag to a WAV file in an "id3 " chunk, as mutagen-based taggers do.

Usage: tag_wav.py WAV TEXTS [PICTURE]
TEXTS holds the title, artist, album, date, track, genre and comment, split by "|"; PICTURE is
a file whose bytes become the front cover.
"""
import sys

from mutagen import id3, wave

wav = wave.WAVE(sys.argv[1])
wav.add_tags()
for key, text in zip("TIT2 TPE1 TALB TDRC TRCK TCON COMM".split(), sys.argv[2].split("|")):
    wav.tags.add(getattr(id3, key)(encoding=3, text=text))
if len(sys.argv) > 3:
    with open(sys.argv[3], "rb") as picture:
        wav.tags.add(id3.APIC(encoding=3, mime="image/jpeg", type=3, desc="Front ✓",
                              data=picture.read()))
wav.save()
