"""Prints an MP3 file's tag as mutagen reads it and as ffprobe reads it.

Usage: read_mp3_tags.py MP3 [PICTURE]
Line 1: mutagen's title, artist, album, date, track, genre and comment, split by "|".
Line 2: ffprobe's, the same way.
Then one line for each picture, as mutagen reads it: MIME type, picture type, description,
and whether its bytes are those of the file PICTURE.
"""
import json
import subprocess
import sys

from mutagen.id3 import ID3

tag = ID3(sys.argv[1])
print("|".join(str(tag.getall(k)[0]) for k in "TIT2 TPE1 TALB TDRC TRCK TCON COMM".split()))
probe = json.loads(subprocess.check_output(
    ["ffprobe", "-v", "error", "-of", "json", "-show_entries", "format_tags", sys.argv[1]],
    stderr=subprocess.DEVNULL))
tags = probe["format"]["tags"]
print("|".join(tags[k] for k in "title artist album date track genre comment".split()))
for picture in tag.getall("APIC"):
    with open(sys.argv[2], "rb") as original:
        same = picture.data == original.read()
    print(f"{picture.mime}|{picture.type:d}|{picture.desc}|{'same' if same else 'differs'}")
