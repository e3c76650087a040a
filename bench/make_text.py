#!/usr/bin/env python3
"""Writes GBK text files of given sizes for the file benchmark.

    make_text.py OUT_DIR SIZE_MB...   ->  OUT_DIR/text-<SIZE>mb.txt

Lines of Chinese and ASCII of 10 to 70 characters, CR LF, the same bytes on every run. A file
that already has the right size is kept.
"""
import os
import random
import sys

HANZI = ("的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面"
         "而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把性好"
         "应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质气第向道"
         "命此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长"
         "求老头基资边流路级少图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处府研")
WORDS = ["Quenlo", "text", "GBK", "editor", "line", "benchmark", "2048", "x86_64", "Wine",
         "notepad", "CR LF", "buffer", "0123456789", "save", "open", "paint"]


def line(rng):
    parts = []
    length = rng.randint(10, 70)
    while sum(len(p) for p in parts) < length:
        if rng.random() < 0.6:
            parts.append("".join(rng.choice(HANZI) for _ in range(rng.randint(2, 8))))
        else:
            parts.append(" " + rng.choice(WORDS) + " ")
    return "".join(parts).encode("gbk") + b"\r\n"


def write(path, size):
    if os.path.exists(path) and os.path.getsize(path) == size:
        return
    rng = random.Random(size)
    block = b"".join(line(rng) for _ in range(20000))  # about 1 MB of distinct lines
    with open(path + ".part", "wb") as out:
        left = size
        while left > 0:
            chunk = block[:left]
            if len(chunk) < len(block):  # end on a whole line
                cut = chunk.rfind(b"\r\n")
                chunk = chunk[:cut + 2] if cut > 0 else chunk
                chunk += b"x" * (left - len(chunk))
            out.write(chunk)
            left -= len(chunk)
    os.replace(path + ".part", path)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for mb in sys.argv[2:]:
        write(os.path.join(out_dir, f"text-{mb}mb.txt"), int(mb) * 1024 * 1024)


if __name__ == "__main__":
    main()
