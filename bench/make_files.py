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
log_SIZE.txt     plain text like a program's log: a timestamp, a level, a thread, a source,
                 and a message of varied words, numbers, paths, addresses and keys (same
                 sizes)
rtf_1M.rtf       RTF with runs of bold, italic, colour and size
tiny.txt         7 bytes: "Hello\\r\\n"
Sizes are in MiB of file bytes.
"""
import itertools
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


SYLLABLES = ("ka ro mi te sun dal vor pe li gan tos rek mu fi nor bel sha quo zin wex ta ly "
             "dre por sim cal ux ven hol ari bo nek").split()
LEVELS = ("DEBUG",) * 6 + ("INFO",) * 10 + ("WARN",) * 3 + ("ERROR",)


def vocabulary(rng, count):
    return ["".join(rng.choice(SYLLABLES) for _ in range(rng.randint(1, 4))) for _ in range(count)]


def log_lines(rng):
    """Lines of a program's log: each field varies as in a real one, so that the words, numbers
    and punctuation repeat far less than in the files of words above."""
    words = vocabulary(rng, 6000)
    sources = [".".join(rng.choice(words) for _ in range(rng.randint(1, 3))) for _ in range(300)]
    folders = ["/" + "/".join(rng.choice(words) for _ in range(rng.randint(1, 4))) for _ in range(200)]
    # A few words are common, most are rare, as in any text.
    weights = list(itertools.accumulate(1 / (rank + 1) for rank in range(len(words))))
    milliseconds = 0
    while True:
        milliseconds += rng.randint(0, 900)
        seconds, fraction = divmod(milliseconds, 1000)
        minutes, second = divmod(seconds, 60)
        hours, minute = divmod(minutes, 60)
        days, hour = divmod(hours, 24)
        head = (f"2026-{11 + days // 30:02}-{1 + days % 30:02} {hour:02}:{minute:02}:{second:02}."
                f"{fraction:03} {rng.choice(LEVELS):5} [{rng.choice(words)[:6]}-{rng.randint(1, 64)}] "
                f"{rng.choice(sources)}: ")
        parts = rng.choices(words, cum_weights=weights, k=rng.randint(1, 4))
        kind = rng.randrange(8)
        if kind == 0:
            parts.append(f"{rng.choice(folders)}/{rng.choice(words)}_{rng.randint(0, 9999):04}."
                         f"{rng.choice(('log', 'dat', 'json', 'tmp', 'idx'))}")
        elif kind == 1:
            parts.append(f"in {rng.randint(0, 99999)} ms ({rng.randint(0, 100)}.{rng.randint(0, 99):02}%)")
        elif kind == 2:
            parts.append(f"from {rng.randint(1, 254)}.{rng.randint(0, 255)}.{rng.randint(0, 255)}."
                         f"{rng.randint(1, 254)}:{rng.randint(1024, 65535)}")
        elif kind == 3:
            parts.append(f"{rng.choice(words)}={rng.randint(0, 1 << 32)} {rng.choice(words)}=0x"
                         f"{rng.getrandbits(32):08x}")
        elif kind == 4:
            parts.append(f"id {rng.getrandbits(64):016x}-{rng.getrandbits(16):04x}")
        yield head + " ".join(parts) + "\r\n"


def log_of(size, seed):
    """Whole log lines up to exactly `size` bytes (the last line is cut)."""
    rng = random.Random(seed)
    parts, total = [], 0
    for line in log_lines(rng):
        if total + len(line) > size:
            parts.append(line[:size - total])
            break
        parts.append(line)
        total += len(line)
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
    for label, size in sizes:
        text = log_of(size, 6)
        write(folder, f"log_{label}.txt", text.encode("ascii"))
        counts[f"log_{label}.txt"] = len(text)
    for name, line_size in (("line_5M.txt", 5000000), ("lines100K_5M.txt", 100000)):
        text = long_lines_of(5000000, line_size, 5)
        write(folder, name, text.encode("ascii"))
        counts[name] = len(text)
    write(folder, "rtf_1M.rtf", rtf_of(mib, 3).encode("ascii"))
    with open(os.path.join(folder, "counts.json"), "w") as out:
        json.dump(counts, out)


if __name__ == "__main__":
    main()
