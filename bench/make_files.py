#!/usr/bin/env python3
"""Writes the benchmark's input files into a folder: CR LF text of words in lines of varied
length, always the same for the same seed, and counts.json, the length each file's text has in
the text control (WM_GETTEXTLENGTH, which counts a CR LF as two characters).

  make_files.py FOLDER [--big]

ascii_SIZE.txt   plain 8-bit text (1M, 10M; 50M with --big)
utf16_SIZE.txt   UTF-16LE text, no byte-order mark, in which about 10 % of the letters are
                 accented (same sizes)
utf8_SIZE.txt    UTF-8 text with accented letters likewise (same sizes)
utf8_SIZE.u16    the text of utf8_SIZE.txt in UTF-16LE: what the control is given for it
line_5M.txt      5 MB of plain text in one line of words, without a line break
lines100K_5M.txt 5 MB of plain text in lines of 100 KB
rtf_1M.rtf       RTF with runs of bold, italic, colour and size
tiny.txt         7 bytes: "Hello\\r\\n"
Sizes are in MiB of file bytes.
"""
import json
import os
import random
import sys

WORDS = ("the quick brown fox jumps over lazy dog viewer text line window control stream "
         "file format plain rich unicode wrap font find search open save paragraph chunk "
         "buffer read write memory page system program message menu option command").split()
ACCENTED = "éèêëàâäôöûüùçñíóúÉÀÇÑ"


def lines(rng, accent_share):
    while True:
        words = []
        for _ in range(rng.randint(2, 16)):
            word = rng.choice(WORDS)
            if accent_share:
                word = "".join(rng.choice(ACCENTED) if rng.random() < accent_share else c
                               for c in word)
            words.append(word)
        yield " ".join(words) + "\r\n"


def text_of(size, seed, accent_share=0.0, encoding="ascii"):
    """Whole lines up to exactly `size` encoded bytes (the last line is cut at a character)."""
    rng = random.Random(seed)
    parts, total = [], 0
    for line in lines(rng, accent_share):
        length = len(line.encode(encoding))
        if total + length > size:
            rest = line
            while len(rest.encode(encoding)) > size - total:
                rest = rest[:-1]
            parts.append(rest)
            break
        parts.append(line)
        total += length
    return "".join(parts)


def long_lines_of(size, line_size, seed):
    """Words in lines of `line_size` bytes (CR LF included) up to `size` bytes; one line without
    a break when `line_size` is not less than `size`."""
    rng = random.Random(seed)
    parts, total, line = [], 0, 0
    while total < size:
        word = rng.choice(WORDS) + " "
        if line_size < size and line + len(word) + 2 >= line_size:
            word = word[:-1] + "\r\n"
            line = -len(word)
        word = word[:size - total]
        parts.append(word)
        total += len(word)
        line += len(word)
    return "".join(parts)


def rtf_of(size, seed):
    rng = random.Random(seed)
    head = ("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fmodern Courier New;}{\\f1\\fswiss Arial;}}"
            "{\\colortbl;\\red200\\green0\\blue0;\\red0\\green120\\blue0;\\red0\\green0\\blue200;}\r\n")
    runs = ["\\b ", "\\i ", "\\cf1 ", "\\cf2 ", "\\cf3 ", "\\f1 ", "\\fs28 ", "\\ul "]
    parts, total = [head], len(head)
    for line in lines(rng, 0.0):
        words = line.rstrip("\r\n").split(" ")
        out = []
        for word in words:
            if rng.random() < 0.2:
                out.append("{" + rng.choice(runs) + word + "}")
            else:
                out.append(word)
        paragraph = " ".join(out) + "\\par\r\n"
        if total + len(paragraph) + 1 > size:
            break
        parts.append(paragraph)
        total += len(paragraph)
    parts.append("}")
    return "".join(parts)


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def main():
    folder = sys.argv[1]
    big = "--big" in sys.argv[2:]
    mib = 1024 * 1024
    counts = {"tiny.txt": 7}
    write(folder, "tiny.txt", b"Hello\r\n")
    sizes = [("1M", mib), ("10M", 10 * mib)] + ([("50M", 50 * mib)] if big else [])
    for label, size in sizes:
        text = text_of(size, 1)
        write(folder, f"ascii_{label}.txt", text.encode("ascii"))
        counts[f"ascii_{label}.txt"] = len(text)
        text = text_of(size, 4, 0.1, "utf-16-le")
        write(folder, f"utf16_{label}.txt", text.encode("utf-16-le"))
        counts[f"utf16_{label}.txt"] = len(text)
        text = text_of(size, 2, 0.1, "utf-8")
        write(folder, f"utf8_{label}.txt", text.encode("utf-8"))
        write(folder, f"utf8_{label}.u16", text.encode("utf-16-le"))
        counts[f"utf8_{label}.txt"] = counts[f"utf8_{label}.u16"] = len(text)
    for name, line_size in (("line_5M.txt", 5000000), ("lines100K_5M.txt", 100000)):
        text = long_lines_of(5000000, line_size, 5)
        write(folder, name, text.encode("ascii"))
        counts[name] = len(text)
    write(folder, "rtf_1M.rtf", rtf_of(mib, 3).encode("ascii"))
    with open(os.path.join(folder, "counts.json"), "w") as out:
        json.dump(counts, out)


if __name__ == "__main__":
    main()
