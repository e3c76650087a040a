#!/usr/bin/env python3
"""Prints the table of hanzi costs in runtime/document_encoding.cpp.

The GBK characters whose two bytes are also a UTF-8 sequence (lead C2 to DF, trail A1 to BF)
are the ones a short text is ambiguous over. For each, the cost is how rare it is in Chinese
text, in whole bits: -log2 of its share of all hanzi, from the word frequencies of jieba's
dictionary (Debian's python3-jieba), clipped to 8..24 and written as a letter from 'a' (8).

    python3 tools/hanzi_costs.py [/usr/lib/python3/dist-packages/jieba/dict.txt]
"""
import collections
import math
import sys

path = sys.argv[1] if len(sys.argv) > 1 else "/usr/lib/python3/dist-packages/jieba/dict.txt"
counts = collections.Counter()
with open(path, encoding="utf-8") as dictionary:
    for line in dictionary:
        word, frequency = line.split()[:2]
        for c in word:
            if "\u4e00" <= c <= "\u9fff":
                counts[c] += int(frequency)
total = sum(counts.values())

for lead in range(0xC2, 0xE0):
    row = ""
    for trail in range(0xA1, 0xC0):
        hanzi = bytes([lead, trail]).decode("gbk")
        bits = -math.log2(counts[hanzi] / total) if counts[hanzi] else 24
        row += chr(ord("a") + min(24, max(8, round(bits))) - 8)
    print(f'    "{row}"  // {lead:02X}')
