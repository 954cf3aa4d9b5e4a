#!/usr/bin/env python3
"""Runs the measurements in interleaved rounds and writes the tables (see bench/run.sh, which
builds the programs, prepares Wine and the display, and calls this).

Every figure is a median over the rounds; every comparison is the median of per-round ratios,
so that both sides of a ratio were measured close together on the same machine.
"""
import argparse
import datetime
import json
import os
import platform
import re
import shutil
import statistics
import subprocess
import tempfile
import time

# Lorvane and the probe get the same window: how fast the control takes a text depends on how
# its lines compare with the control's width. This is where Wine puts a new window on the
# benchmark's 1280 x 1024 screen, so it is also what Lorvane shows on its first start.
WINDOW = (0, 0, 960, 768)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


# The formats measured: the file Lorvane shows, the Options command that switches it to the
# format (None: it starts in it), and the file and format the probe loads as the floor. The
# probe is given UTF-8 text as UTF-16, which is what the control takes for it.
FORMATS = {
    "text": ("ascii_{}.txt", None, "ascii_{}.txt", "text"),
    "utf16": ("utf16_{}.txt", "125", "utf16_{}.txt", "utf16"),
    "utf8": ("utf8_{}.txt", "126", "utf8_{}.u16", "utf16"),
    # A program's log costs the control several times what the same bytes of repeated words do.
    "log": ("log_{}.txt", None, "log_{}.txt", "text"),
}
FORMAT_LABELS = {"text": "plain text", "utf16": "UTF-16", "utf8": "UTF-8", "log": "plain text, log-like"}
# Launches with the tiny file in each round, of which the round keeps the median.
LAUNCHES = 5
# Plain text in long lines, which the control lays out slowly: one line of 5 MB, and lines of
# 100 KB.
LONG_LINES = ("line_5M.txt", "lines100K_5M.txt")
# A caret a reader put a few screens down, within the text a first piece holds.
PLACE_NEAR = 20000
WRAP, PLAIN, RTF = "120", "123", "124"
COPY = "110"

# Commands on big files: the plain text with a last line that alone holds FIND_TEXT.
FIND_TEXT = "zyxwvut"
FIND_LINE = "\r\nthe last line holds " + FIND_TEXT + "\r\n"
MISSING_TEXT = "qqqjjj"
FR_DOWN, FR_MATCHCASE = 1, 4
# What each program is asked, in this order: (row label, text, Find flags); then the copies.
FINDS = [("to the last line", FIND_TEXT, FR_DOWN), ("to the last line, match case", FIND_TEXT, FR_DOWN | FR_MATCHCASE),
         ("no match", MISSING_TEXT, FR_DOWN), ("no match, match case", MISSING_TEXT, FR_DOWN | FR_MATCHCASE)]
COPIES = [("1 MiB", 1 << 20), ("10 MiB", 10 << 20)]
FIND_GOAL = 0.1  # Lorvane / the bare control's EM_FINDTEXT
COPY_GOAL = 2.0  # Lorvane / notepad


def summary(values, form, goal=None):
    """The median of `values` with their range when there are several, and the goal if any."""
    middle = statistics.median(values)
    text = format(middle, form)
    if len(values) > 1:
        text += f" ({format(min(values), form)}-{format(max(values), form)})"
    if goal is not None:
        text += f" {'≤' if middle <= goal else '**>**'} {goal}"
    return text


class Bench:
    def __init__(self, args):
        self.args = args
        self.files = args.files
        with open(os.path.join(args.files, "counts.json")) as counts:
            self.counts = json.load(counts)
        self.sizes = ["1M", "10M"] + (["50M"] if args.big else [])
        self.waiter = os.path.join(args.tools, "waiter.exe")
        self.follower = os.path.join(args.tools, "follower.exe")
        self.probe = windows_path(os.path.join(args.tools, "probe.exe"))
        self.viewers = {"Lorvane": windows_path(args.exe)}
        for item in args.baseline:
            name, _, exe = item.partition("=")
            self.viewers[name] = windows_path(exe)
        # Builds measured with the tiny file only (what changes the start, not the load).
        self.launchers = {}
        for item in args.launch_baseline:
            name, _, exe = item.partition("=")
            self.launchers[name] = windows_path(exe)
        accessories = "Program Files/Windows NT/Accessories"
        self.wordpad = "C:\\" + accessories.replace("/", "\\") + "\\wordpad.exe"
        prefix = os.environ["WINEPREFIX"]
        if not os.path.exists(os.path.join(prefix, "drive_c", accessories, "wordpad.exe")):
            self.wordpad = "wordpad.exe"
        self.notepad = "C:\\windows\\system32\\notepad.exe"
        self.results = {}  # (group, program) -> one dict of figures per round
        self.failures = []
        self.loads = []  # the 1-minute load average before each group of runs

    def file(self, name):
        return os.path.join(self.files, name)

    # One waiter run: gives the parsed key=value pairs, with "error" on failure.
    def wait_for(self, needle, command_line, steps=(), query_load=False, whole=None, timeout=300):
        argv = ["wine", self.waiter, "--timeout", str(timeout)]
        if query_load:
            argv.append("--query-load")
        if whole is not None:
            argv += ["--whole", str(whole)]
        for step in steps:
            argv += [str(part) for part in step]
        argv += [needle, "--"] + command_line
        # Output goes through a file: Wine's helper processes inherit the waiter's handles, and a
        # pipe would stay open for as long as they run.
        with tempfile.TemporaryFile("w+") as output:
            try:
                subprocess.run(argv, stdout=output, stderr=subprocess.DEVNULL,
                               timeout=timeout * (2 + len(steps)) + 60)
                wrong = ""
            except subprocess.TimeoutExpired:
                wrong = " error=wine-timeout"
            output.seek(0)
            out = output.read() + wrong
        return dict(re.findall(r"(\w+)=(\S+)", out))

    def run_job(self, group, program, pairs):
        self.results.setdefault((group, program), []).append(pairs)
        if "error" in pairs:
            self.failures.append(f"{group} / {program}: {pairs}")
        if self.args.verbose:
            print(f"    {group:10} {program:16} {pairs}", flush=True)

    def limit(self, viewer):
        """Earlier builds may reload very slowly: their waits are bounded."""
        return 300 if viewer == "Lorvane" else self.args.reload_timeout

    def viewer_job(self, group, viewer, name, steps=(), whole=None):
        line = [{**self.viewers, **self.launchers}[viewer], windows_path(self.file(name))]
        self.run_job(group, viewer, self.wait_for(name, line, steps, whole=whole,
                                                  timeout=self.limit(viewer)))

    def probe_line(self, name, options=()):
        rect = [str(v) for v in WINDOW]
        return [self.probe, "--rect"] + rect + list(options) + [windows_path(self.file(name))]

    def probe_job(self, group, name, fmt="text", steps=()):
        pairs = self.wait_for(name, self.probe_line(name, ["--format", fmt]), steps, query_load=True)
        expected = self.counts.get(name)
        if expected is not None and "error" not in pairs and pairs.get("chars") != str(expected):
            self.failures.append(f"{group} / probe: {pairs.get('chars')} characters, not {expected}")
        self.run_job(group, "probe", pairs)

    def peer_job(self, group, peer, name):
        exe = self.wordpad if peer == "wordpad" else self.notepad
        self.run_job(group, peer, self.wait_for(name, [exe, windows_path(self.file(name))]))

    def in_turn(self, jobs, round_number):
        """Runs the jobs, a different one first in each round."""
        self.loads.append(os.getloadavg()[0])
        shift = round_number % len(jobs)
        for job in jobs[shift:] + jobs[:shift]:
            job()

    def tiny_group(self, round_number):
        """Each program's launch LAUNCHES times in turn; the round keeps their median. A single
        launch varies by a third from one run to the next, and the probe's launch is what every
        first text is set against."""
        programs = list(self.viewers) + list(self.launchers) + ["probe", "wordpad", "notepad"]
        jobs = [lambda v=v: self.viewer_job("tiny", v, "tiny.txt")
                for v in list(self.viewers) + list(self.launchers)]
        jobs.append(lambda: self.probe_job("tiny", "tiny.txt"))
        jobs += [lambda p=p: self.peer_job("tiny", p, "tiny.txt") for p in ("wordpad", "notepad")]
        for launch in range(LAUNCHES):
            self.in_turn(jobs, round_number + launch)
        for program in programs:
            runs = self.results[("tiny", program)]
            launches = runs[-LAUNCHES:]
            kept = dict(launches[0])
            times = [float(p["ready_ms"]) for p in launches if "error" not in p and "ready_ms" in p]
            if len(times) == LAUNCHES:
                kept["ready_ms"] = str(statistics.median(times))
            else:
                kept.setdefault("error", "launch")
            runs[-LAUNCHES:] = [kept]

    def viewer_steps(self, fmt, size, whole):
        if fmt != "text":
            return []
        if size == "1M":
            return [["--reload", PLAIN, whole]]
        if size == "10M":
            # Wrap with the caret a few screens down, then back with the caret at the end.
            return [["--place", PLACE_NEAR], ["--reload", WRAP, whole],
                    ["--place", -1], ["--reload", WRAP, whole]]
        return []

    def switched_job(self, group, viewer, name, command, whole):
        """Started with a tiny file, which is then overwritten and shown in the format."""
        work = "switch_" + name
        shutil.copyfile(self.file("tiny.txt"), self.file(work))
        steps = [["--copy", windows_path(self.file(name)), windows_path(self.file(work))],
                 ["--reload", command, whole]]
        self.viewer_job(group, viewer, work, steps, whole=self.counts["tiny.txt"])

    def load_group(self, fmt, size, round_number):
        group = f"{fmt} {size}"
        name, command, probe_name, probe_format = (
            part.format(size) if part and "{}" in part else part for part in FORMATS[fmt])
        whole = self.counts[name]
        jobs = []
        # Earlier builds and the peers are measured at 10 and 50 MiB in the first round only:
        # each such load takes from seconds to minutes, and they are not what the goals compare.
        once = size == "1M" or round_number == 0
        viewers = [v for v in self.viewers if v == "Lorvane" or once]
        for viewer in viewers:
            if command is None:
                steps = self.viewer_steps(fmt, size, whole)
                jobs.append(lambda v=viewer, s=steps: self.viewer_job(group, v, name, s, whole))
            else:
                jobs.append(lambda v=viewer: self.switched_job(group, v, name, command, whole))
        probe_steps = [["--command", WRAP]] if group == "text 10M" else []
        jobs.append(lambda: self.probe_job(group, probe_name, probe_format, probe_steps))
        if fmt == "text" and once:
            jobs += [lambda p=p: self.peer_job(group, p, name) for p in ("wordpad", "notepad")]
        self.in_turn(jobs, round_number)

    def long_lines_group(self, name, round_number):
        whole = self.counts[name]
        jobs = [lambda v=v: self.viewer_job(name, v, name, whole=whole)
                for v in self.viewers if v == "Lorvane" or round_number == 0]
        jobs.append(lambda: self.probe_job(name, name))
        self.in_turn(jobs, round_number)

    def long_line_reload_group(self, size, round_number):
        """The log-like file loaded, then Wrap with the caret a few screens down, then Wrap again
        back to unwrapped lines; the probe's wrap of the same file (a new wrapping control
        streamed into at once) and its first load are the yardsticks."""
        name = f"log_{size}.txt"
        group, whole = f"reload {name}", self.counts[name]
        steps = [["--place", PLACE_NEAR], ["--reload", WRAP, whole], ["--reload", WRAP, whole]]
        jobs = [lambda: self.viewer_job(group, "Lorvane", name, steps, whole),
                lambda: self.probe_job(group, name, steps=[["--command", WRAP]])]
        self.in_turn(jobs, round_number)

    def rtf_group(self, round_number):
        """RTF started as plain text, then Options > RTF; the probe loads it as RTF at once."""
        jobs = [lambda v=v: self.viewer_job("rtf 1M", v, "rtf_1M.rtf", [["--command", RTF]])
                for v in self.viewers]
        jobs.append(lambda: self.probe_job("rtf 1M", "rtf_1M.rtf", fmt="rtf"))
        self.in_turn(jobs, round_number)

    # Lorvane following a log of 1 MiB that another program writes to (bench/follower.cpp).
    def follow_group(self, round_number):
        log = os.path.join(tempfile.gettempdir(), f"lorvane-bench-follow-{os.getpid()}.log")
        shutil.copyfile(self.file("ascii_1M.txt"), log)
        argv = ["wine", self.follower, "--idle", "10", "--writes", "8", "--seconds", "10",
                windows_path(log), "--", self.viewers["Lorvane"], windows_path(log)]
        with tempfile.TemporaryFile("w+") as output:
            try:
                subprocess.run(argv, stdout=output, stderr=subprocess.DEVNULL, timeout=300)
                wrong = ""
            except subprocess.TimeoutExpired:
                wrong = " error=wine-timeout"
            output.seek(0)
            pairs = dict(re.findall(r"(\w+)=(\S+)", output.read() + wrong))
        os.remove(log)
        self.run_job("follow", "Lorvane", pairs)

    def place_lorvane(self):
        key = "HKCU\\Software\\Zyr\\Lorvane"
        for name, value in zip(("Left", "Top", "Width", "Depth"), WINDOW):
            subprocess.run(["wine", "reg", "add", key, "/v", name, "/t", "REG_DWORD", "/d", str(value),
                            "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def commands_file(self, size):
        name = f"find_{size}.txt"
        if not os.path.exists(self.file(name)):
            with open(self.file(f"ascii_{size}.txt"), "rb") as source, open(self.file(name), "wb") as out:
                out.write(source.read() + FIND_LINE.encode("ascii"))
            self.counts[name] = self.counts[f"ascii_{size}.txt"] + len(FIND_LINE)
        return name

    def commands_group(self, size, round_number):
        """Find Next from the top and Copy once the file is in. Lorvane's first Find Next also
        takes its copy of the text, and is measured apart; the probe's control is asked with
        EM_FINDTEXTW directly, notepad as its Find dialog asks its main window."""
        group = f"commands {size}"
        name = self.commands_file(size)
        whole = self.counts[name]
        def finds(kind):
            steps = []
            for _, text, flags in FINDS:
                steps += [["--select", 0, 0], [kind, text, flags]]
            return steps
        def copies(command):
            return [step for _, chars in COPIES for step in (["--select", 0, chars], command)]
        lorvane = [["--select", 0, 0], ["--find", FIND_TEXT, FR_DOWN]] + finds("--find") + copies(["--command", COPY])
        notepad = finds("--find") + copies(["--control-copy"])
        line = [self.viewers["Lorvane"], windows_path(self.file(name))]
        jobs = [lambda: self.run_job(group, "Lorvane", self.wait_for(name, line, lorvane, whole=whole)),
                lambda: self.run_job(group, "probe", self.wait_for(
                    name, self.probe_line(name, ["--format", "text"]), finds("--control-find"))),
                lambda: self.run_job(group, "notepad", self.wait_for(
                    name, [self.notepad, windows_path(self.file(name))], notepad))]
        self.in_turn(jobs, round_number)

    def warm_up(self):
        self.place_lorvane()
        # The first start of each program in a prefix writes its settings; not measured.
        for exe in list(self.viewers.values()) + list(self.launchers.values()):
            self.wait_for("tiny.txt", [exe, windows_path(self.file("tiny.txt"))])
        self.wait_for("tiny.txt", self.probe_line("tiny.txt"))
        self.wait_for("tiny.txt", [self.wordpad, windows_path(self.file("tiny.txt"))])
        self.wait_for("tiny.txt", [self.notepad, windows_path(self.file("tiny.txt"))])

    def run(self):
        rounds = self.args.rounds
        started = time.time()
        self.warm_up()
        print(f"warm-up: {time.time() - started:.0f} s", flush=True)
        for r in range(rounds):
            started = time.time()
            print(f"round {r + 1} of {rounds}", flush=True)
            groups = self.args.groups.split(",")
            if "launch" in groups:
                self.tiny_group(r)
            for size in self.sizes:
                for fmt in FORMATS:
                    if "load" in groups:
                        self.load_group(fmt, size, r)
            for name in LONG_LINES:
                if "load" in groups:
                    self.long_lines_group(name, r)
            if "load" in groups:
                self.rtf_group(r)
            for size in self.sizes[1:]:
                if "commands" in groups:
                    self.commands_group(size, r)
                    self.long_line_reload_group(size, r)
            if "follow" in groups:
                self.follow_group(r)
            print(f"  {time.time() - started:.0f} s", flush=True)


# ---- figures -----------------------------------------------------------------------------------

def number(pairs, key):
    try:
        value = float(pairs[key]) if pairs and key in pairs else None
    except ValueError:
        return None
    # The waiter gives -1 for a figure it has no value for (no answer during a load, say).
    return None if value is not None and value < 0 else value


def step_key(command, key, occurrence=1):
    """Getter: a figure of the occurrence-th step that sent `command`."""
    def get(pairs):
        seen = 0
        for k in range(1, 20):
            if pairs and pairs.get(f"s{k}_cmd") == str(command):
                seen += 1
                if seen == occurrence:
                    return number(pairs, f"s{k}_{key}")
        return None
    return get


def key(name):
    return lambda pairs: number(pairs, name)


def plus(a, b):
    return lambda pairs: a(pairs) + b(pairs) if a(pairs) is not None and b(pairs) is not None else None


def in_mib(get):
    return lambda pairs: get(pairs) / 1024 if get(pairs) else None


ready = key("ready_ms")


def first_load(pairs):
    us = number(pairs, "load_us")
    return us / 1000 if us is not None else None


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


class Figures:
    def __init__(self, bench):
        self.bench = bench
        self.others = [v for v in bench.viewers if v != "Lorvane"]

    def runs(self, group, program):
        return self.bench.results.get((group, program), [])

    def has(self, group, program="Lorvane"):
        return any(p and "error" not in p for p in self.runs(group, program))

    def values(self, group, program, get):
        return [get(p) for p in self.runs(group, program)]

    def stopped(self, group, program):
        """Whether a run of the program was stopped (its figures are missing, not small)."""
        return any(p and "error" in p for p in self.runs(group, program))

    def ms(self, group, program, get):
        value = median(self.values(group, program, get))
        if value is None:
            return "stopped" if self.stopped(group, program) else "-"
        return f"{value:,.0f}"

    def spread(self, group, program, get, goal=None):
        """Median with the range over the rounds, and the goal where there is one."""
        values = [v for v in self.values(group, program, get) if v is not None]
        if not values:
            return "stopped" if self.stopped(group, program) else "-"
        return summary(values, ",.0f", goal)

    def ratios(self, a, b):
        """Per-round ratios of two (group, program, getter) measures, same rounds."""
        out = []
        for x, y in zip(self.values(*a), self.values(*b)):
            if x is not None and y:
                out.append(x / y)
        return out

    def ratio(self, a, b, goal=None):
        values = self.ratios(a, b)
        if not values:
            return "stopped" if self.stopped(a[0], a[1]) else "-"
        return summary(values, ".2f", goal)

    def count(self, group, program="Lorvane"):
        return len([p for p in self.runs(group, program) if p and "error" not in p])


def table(head, rows):
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    lines += ["| " + " | ".join(row) + " |" for row in rows]
    return "\n".join(lines)


def load_getters(fmt):
    """First text, whole text, peak working set and the answers' median and 95th percentile of
    a viewer's run. A format Lorvane is switched to adds the start with the tiny file to the
    switch's own times: what a start in that format would take."""
    if FORMATS[fmt][1] is None:
        return {"first": key("first_ms"), "whole": key("whole_ms"), "peak": key("peak_whole_kb"),
                "p50": key("lat_p50"), "p95": key("lat_p95")}
    get = lambda name: step_key(FORMATS[fmt][1], name)
    return {"first": plus(ready, get("first_ms")), "whole": plus(ready, get("whole_ms")),
            "peak": get("peak_whole_kb"), "p50": get("lat_p50"), "p95": get("lat_p95")}


WHOLE_GOALS = {"1M": 1.0, "10M": 0.8, "50M": 0.8}


def loading_table(bench, f, program):
    head = ["file", "probe: whole text ms", "first text ms", "first text / probe's tiny launch",
            "whole text ms", "whole text / probe", "answers while loading: median ms",
            "95th percentile ms", "peak MiB", "peak / probe", "n"]
    rows = []
    probe_peak = in_mib(key("peak_kb"))
    for size in bench.sizes:
        for fmt in FORMATS:
            g = f"{fmt} {size}"
            if not f.runs(g, program):
                continue
            get = load_getters(fmt)
            peak = in_mib(get["peak"])
            rows.append([f"{FORMATS[fmt][0].format(size)} ({FORMAT_LABELS[fmt]})",
                         f.ms(g, "probe", ready), f.ms(g, program, get["first"]),
                         f.ratio((g, program, get["first"]), ("tiny", "probe", ready), 1.3),
                         f.ms(g, program, get["whole"]),
                         f.ratio((g, program, get["whole"]), (g, "probe", ready), WHOLE_GOALS[size]),
                         f.spread(g, program, get["p50"]), f.spread(g, program, get["p95"], 250),
                         f.ms(g, program, peak),
                         f.ratio((g, program, peak), (g, "probe", probe_peak), 1.15),
                         str(f.count(g, program))])
    return table(head, rows)


def long_lines_table(f, program):
    head = ["file", "probe: whole text ms", "first text ms", "whole text ms", "whole text / probe",
            "answers while loading: median ms", "95th percentile ms", "n"]
    get = load_getters("text")
    rows = [[name, f.ms(name, "probe", ready), f.ms(name, program, get["first"]),
             f.ms(name, program, get["whole"]),
             f.ratio((name, program, get["whole"]), (name, "probe", ready), 1.0),
             f.spread(name, program, get["p50"]), f.spread(name, program, get["p95"]),
             str(f.count(name, program))]
            for name in LONG_LINES if f.runs(name, program)]
    return table(head, rows)


def long_line_reload_table(bench, f):
    """Wrap and back on the log-like files: each reload's first and whole text against the first
    load in the same mode, and the window's answers meanwhile."""
    rows = []
    for size in bench.sizes[1:]:
        name = f"log_{size}.txt"
        g = f"reload {name}"
        if not f.has(g):
            continue
        measures = [("Wrap", 1, ("probe", step_key(WRAP, "ms")), "the probe's wrap"),
                    ("No wrap (Wrap again)", 2, ("probe", first_load), "the probe's first load")]
        for label, occurrence, (program, against), against_label in measures:
            whole = step_key(WRAP, "whole_ms", occurrence)
            rows.append([f"{label}, {name}", f.ms(g, "Lorvane", step_key(WRAP, "first_ms", occurrence)),
                         f.ms(g, "Lorvane", whole),
                         f.ratio((g, "Lorvane", whole), (g, program, against), 1.0) + f" ({against_label})",
                         f.spread(g, "Lorvane", step_key(WRAP, "lat_p95", occurrence), 250),
                         f.spread(g, "Lorvane", step_key(WRAP, "lat_max", occurrence)),
                         str(f.count(g))])
    return table(["reload", "first text ms", "whole text ms", "whole text / against",
                  "answers p95 ms", "longest wait ms", "n"], rows)


def place_text(pairs, command, occurrence, moment):
    """The reader's place (first visible character, selection) at a moment of a reload."""
    seen = 0
    for k in range(1, 20):
        if pairs and pairs.get(f"s{k}_cmd") == str(command):
            seen += 1
            if seen == occurrence:
                return pairs.get(f"s{k}_place_{moment}")
    return None


def place_kept(pairs, command, occurrence):
    """Same selection, and the same first visible character within a few lines."""
    before, after = (place_text(pairs, command, occurrence, m) for m in ("before", "whole"))
    if not before or not after:
        return None
    b, a = ([int(v) for v in text.split(",")] for text in (before, after))
    return b[1:] == a[1:] and abs(b[0] - a[0]) <= 400


def reload_rows(bench, f, program):
    rows = []
    wrap_against = ("text 10M", "probe", step_key(WRAP, "ms"))
    measures = [
        (f"Wrap at 10 MiB, caret at character {PLACE_NEAR:,}", "text 10M", WRAP, 1, wrap_against,
         "the probe's wrap", None),
        ("Wrap back at 10 MiB, caret at the end", "text 10M", WRAP, 2, wrap_against,
         "the probe's wrap", None),
        ("Options > Plain text at 1 MiB", "text 1M", PLAIN, 1, ("text 1M", "probe", first_load),
         "the probe's first load", 1.2),
    ]
    for label, g, command, occurrence, against, against_label, goal in measures:
        if not f.has(g, program):
            continue
        first = step_key(command, "first_ms", occurrence)
        whole = step_key(command, "whole_ms", occurrence)
        runs = f.runs(g, program)
        kept = [place_kept(p, command, occurrence) for p in runs]
        places = sorted({" → ".join(place_text(p, command, occurrence, m) or "-"
                                    for m in ("before", "first", "whole")) for p in runs if p})
        rows.append([label, f.ms(g, program, first),
                     f.ratio((g, program, first), ("tiny", "probe", ready), 1.3 if (command, occurrence) == (WRAP, 1) else None),
                     f.ratio((g, program, first), ("tiny", program, ready)),
                     f.ms(g, program, whole),
                     f.ratio((g, program, whole), against, goal) + f" ({against_label})",
                     f.spread(g, program, step_key(command, "lat_p95", occurrence)),
                     "; ".join(places),
                     f"{sum(1 for k in kept if k)} of {len([k for k in kept if k is not None])}"])
    if f.has("rtf 1M", program):
        rtf = step_key(RTF, "ms")
        rows.append(["Options > RTF of rtf_1M.rtf shown as plain text (one stream)", "-", "-", "-",
                     f.ms("rtf 1M", program, rtf),
                     f.ratio(("rtf 1M", program, rtf), ("rtf 1M", "probe", first_load), 1.2)
                     + " (the probe's first RTF load)", "-", "-", "-"])
    return table(["reload", "first text ms", "first text / probe's tiny launch",
                  "first text / own tiny launch", "whole text ms", "whole text / against",
                  "answers p95 ms", "place: first visible, selection start, end: before → at first "
                  "text → at whole text", "place kept"], rows)


LOADING_NOTE = (
    "First text: from CreateProcess until the window whose caption holds the file's name "
    "is found and its text control answers with a length above zero. Whole text: until "
    "that length equals the file's whole text (the probe's length for it, checked in every "
    "probe run) and stays so for 100 ms. Both against the probe in the same round: first "
    "text against its launch with the tiny file, whole text against its launch with the "
    "same text. UTF-16 and UTF-8: the program starts with a tiny file of the same name, "
    "which is then overwritten with the text and shown through Options > Unicode or > "
    "UTF8; its times are that start plus the switch's own (from the command). Answers: "
    "WM_NULL sent every 20 ms between first and whole text; a message that would have been "
    "sent while the window was busy counts with the wait it would have had (median and "
    "95th percentile of each run; median and range over the runs). Peak: peak working set "
    "at whole text. The probe is given UTF-8 text as UTF-16 (what the control takes).\n"
)

RELOADS_NOTE = (
    "Times from sending the command (WM_COMMAND) with the whole file shown, to the first "
    "text of the new load (a new text control holding some text) and to its whole "
    "text. The caret is put at the character named (EM_SETSEL, EM_SCROLLCARET) before "
    "the command. The place is read with EM_GETFIRSTVISIBLELINE, EM_LINEINDEX and "
    "EM_EXGETSEL; it counts as kept when the selection is the same at whole text and "
    "the first visible character within 400 characters of where it was.\n"
)


def step_of(number, name):
    return key(f"s{number}_{name}")


def commands_rows(bench, f):
    """One row per command and size: Lorvane, the bare control, notepad, and the ratios with
    their goals. Later rows (commands during a load, saves, reloads) add to the same list."""
    rows = []
    for size in bench.sizes[1:]:
        g = f"commands {size}"
        if not f.runs(g, "Lorvane"):
            continue
        file = FORMATS["text"][0].format(size)
        first = step_of(1, "ms")
        rows.append([f"Find Next, first after the load, {FINDS[0][0]} (takes the copy)", file,
                     f.spread(g, "Lorvane", first), f.ms(g, "probe", step_of(1, "ms")),
                     f.ratio((g, "Lorvane", first), (g, "probe", step_of(1, "ms")), FIND_GOAL),
                     f.ms(g, "notepad", step_of(1, "ms")),
                     f.ratio((g, "Lorvane", first), (g, "notepad", step_of(1, "ms"))), str(f.count(g))])
        for index, (label, _, _) in enumerate(FINDS):
            mine, theirs = step_of(index + 2, "ms"), step_of(index + 1, "ms")
            rows.append([f"Find Next, {label}", file, f.spread(g, "Lorvane", mine), f.ms(g, "probe", theirs),
                         f.ratio((g, "Lorvane", mine), (g, "probe", theirs), FIND_GOAL),
                         f.ms(g, "notepad", theirs), f.ratio((g, "Lorvane", mine), (g, "notepad", theirs)),
                         str(f.count(g))])
        for index, (label, _) in enumerate(COPIES):
            mine, theirs = step_of(len(FINDS) + 2 + index, "ms"), step_of(len(FINDS) + 1 + index, "ms")
            rows.append([f"Copy of {label}", file, f.spread(g, "Lorvane", mine), "-", "-",
                         f.ms(g, "notepad", theirs),
                         f.ratio((g, "Lorvane", mine), (g, "notepad", theirs), COPY_GOAL), str(f.count(g))])
    return rows


COMMANDS_NOTE = (
    "Each command once the whole file is in (find_SIZE.txt: ascii_SIZE.txt and a last line that "
    "alone holds the find text), from the top: Lorvane as its Find dialog asks (to the selection "
    "of the match, or to the \"No matches found\" box), the bare control asked EM_FINDTEXTW from "
    "the same start, and Wine's notepad as its Find dialog asks. Copy: the selection from the top, "
    "to the command's end (Lorvane's Copy, notepad's WM_COPY). Each command is given once the "
    "program has drawn the selection set before it (the control's repaint of a large text would "
    "otherwise count towards it); Lorvane's Find Next moves the selection with drawing off and "
    "leaves the view to be drawn after it has answered, like that repaint. Median ms with the "
    "range over the rounds; ratios are medians of per-round ratios, with the goal.\n")


def tables(bench):
    f = Figures(bench)
    programs = ["Lorvane"] + f.others
    out = []

    out.append("### Launch with a tiny file\n")
    out.append("From CreateProcess to a visible window of the process whose caption holds the file's "
               "name and that has answered a WM_NULL round trip (tiny.txt, 7 bytes); each round's figure "
               f"is the median of {LAUNCHES} launches in turn. Median ms; "
               "ratios are medians of per-round ratios (range in brackets), with the goal.\n")
    rows = []
    for program in ["probe"] + programs + list(bench.launchers) + ["wordpad", "notepad"]:
        rows.append([program, f.ms("tiny", program, ready),
                     f.ratio(("tiny", program, ready), ("tiny", "probe", ready),
                             1.05 if program == "Lorvane" else None),
                     str(f.count("tiny", program))])
    out.append(table(["program", "launch ms", "/ probe", "n"], rows))

    for program in programs:
        out.append(f"\n### Loading: {program}\n")
        if program == "Lorvane":
            out.append(LOADING_NOTE)
        out.append(loading_table(bench, f, program))

    for program in programs:
        out.append(f"\n### Long lines: {program}\n")
        out.append("Plain text that the control lays out slowly: whole text against the probe's one "
                   "stream of the same file in the same round. Answers as above.\n")
        out.append(long_lines_table(f, program))

    out.append("\n### Peers with plain text\n")
    out.append("Wine's wordpad and notepad from start to ready (their window answers only once the "
               "whole text is in), against Lorvane's first and whole text in the same round.\n")
    rows = []
    for g in ["text " + s for s in bench.sizes]:
        get = load_getters("text")
        row = [FORMATS["text"][0].format(g.split()[1])]
        for peer in ("wordpad", "notepad"):
            row += [f.ms(g, peer, ready), f.ratio((g, "Lorvane", get["first"]), (g, peer, ready)),
                    f.ratio((g, "Lorvane", get["whole"]), (g, peer, ready))]
        rows.append(row + [str(f.count(g, "wordpad"))])
    out.append(table(["file", "wordpad ms", "first text / wordpad", "whole text / wordpad",
                      "notepad ms", "first text / notepad", "whole text / notepad", "n"], rows))

    out.append("\n### Reloads of long lines\n")
    out.append("The log-like file loaded whole, the caret put at character "
               f"{PLACE_NEAR:,}, then Wrap, then Wrap again (no wrap), each followed to its whole "
               "text; times from the command. Against the probe in the same round: its wrap (a new "
               "wrapping control streamed into at once) and its first load. Answers as above.\n")
    out.append(long_line_reload_table(bench, f))

    for program in programs:
        out.append(f"\n### Reloads: {program}\n")
        if program == "Lorvane":
            out.append(RELOADS_NOTE)
        out.append(reload_rows(bench, f, program))

    if f.has("follow"):
        out.append("\n### Following a growing file: Lorvane\n")
        out.append("A 1 MiB log that bench/follower.exe writes to while Lorvane shows it: the CPU time "
                   "Lorvane takes in 10 s while the file does not change; the delay from writing one "
                   "line to the text control holding it (8 lines, 1.1 to 1.5 s apart); while 1 MiB/s "
                   "is written for 10 s in ten writes a second, WM_NULL answers every 20 ms, and the "
                   "time from the last write to the whole file in the text. For comparison, one look "
                   "at the file's size and time (GetFileAttributesExW) from the follower, and the set-up "
                   "and the signal delay of a change notification on the file's folder. Median of the "
                   "rounds (range).\n")
        rows = []
        for name, key_name in [("idle CPU ms in 10 s", "idle_cpu_ms"), ("one look, µs", "look_us"),
                               ("change notification set-up, µs", "notify_setup_us"),
                               ("change notification signal, ms", "notify_ms"),
                               ("line on screen, median ms", "delay_p50"), ("line on screen, max ms", "delay_max"),
                               ("answers at 1 MiB/s, p50 ms", "lat_p50"), ("answers at 1 MiB/s, p95 ms", "lat_p95"),
                               ("answers at 1 MiB/s, max ms", "lat_max"), ("catch-up after the last write, ms", "catch_up_ms"),
                               ("text equals the file (1 = yes)", "text_is_file")]:
            goal = 250 if key_name == "lat_p95" else None
            rows.append([name, f.spread("follow", "Lorvane", key(key_name), goal)])
        out.append(table(["figure", "value"], rows))
    rows = commands_rows(bench, f)
    if rows:
        out.append("\n### Commands on big files\n")
        out.append(COMMANDS_NOTE)
        out.append(table(["command", "file", "Lorvane ms", "bare control ms", "Lorvane / control",
                          "notepad ms", "Lorvane / notepad", "n"], rows))
    return "\n".join(out)


def machine(load, load_at_start=None, loads=None):
    cpu = "?"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as info:
        memory = int(info.readline().split()[1]) / 1024 / 1024
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    return (f"- machine: {os.cpu_count()} CPUs ({cpu}), {memory:.1f} GiB memory, {platform.system()} "
            f"{platform.release()}\n- {wine}\n"
            + (f"- load average at the start: {load_at_start[0]:.2f} {load_at_start[1]:.2f} "
               f"{load_at_start[2]:.2f}\n" if load_at_start else "")
            + (f"- 1-minute load average before each group of runs: {loads[0]:.2f} to "
               f"{loads[2]:.2f}, median {loads[1]:.2f}\n" if loads else "")
            + f"- load average at the end: {load[0]:.2f} {load[1]:.2f} {load[2]:.2f} "
            f"(other work on the machine widens the ranges)")


def describe_baseline(name, exe):
    subject = subprocess.run(["git", "log", "-1", "--format=%s", name, "--"], capture_output=True,
                             text=True)
    if subject.returncode == 0 and subject.stdout.strip():
        return (f"Lorvane.exe built from commit {name} (\"{subject.stdout.strip()}\"), "
                "measured in the same rounds")
    return f"{exe}, measured in the same rounds"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--files", required=True)
    parser.add_argument("--tools", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--exe-commit", help="the commit the exe was built from")
    parser.add_argument("--baseline", action="append", default=[],
                        help="NAME=EXE, another build to measure alongside")
    parser.add_argument("--launch-baseline", action="append", default=[],
                        help="NAME=EXE, another build measured with the tiny file only")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--big", action="store_true")
    parser.add_argument("--groups", default="launch,load,commands,follow",
                        help="which measurements: launch (the tiny file), load, commands (with the long-line reloads), follow")
    parser.add_argument("--reload-timeout", type=float, default=300)
    parser.add_argument("--out", default=None)
    parser.add_argument("--command", default="bench/run.sh")
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("--raw", help="also keep every run's figures in this JSON file")
    parser.add_argument("--from-raw", help="only write the tables from a JSON file of --raw")
    args = parser.parse_args()

    started = time.time()
    load_at_start = os.getloadavg()
    bench = Bench(args)
    if args.from_raw:
        with open(args.from_raw) as raw:
            kept = json.load(raw)
        bench.results = {tuple(key.split("|")): runs for key, runs in kept["results"].items()}
        bench.failures = kept["failures"]
        meta = kept.get("meta") or {"date": "?", "commit": "?", "minutes": 0, "load": (0, 0, 0)}
    else:
        bench.run()
        commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], capture_output=True,
                                text=True).stdout.strip()
        if args.exe_commit:
            commit = f"Lorvane.exe of commit {args.exe_commit}, the benchmark of {commit}"
        elif os.path.normpath(args.exe) != os.path.normpath("build/bench/Lorvane.exe"):
            commit = f"{args.exe}, the benchmark of commit {commit}"
        else:
            commit = f"commit {commit} and the working tree"
        meta = {"date": datetime.datetime.now().strftime("%Y-%m-%d %H:%M"), "commit": commit,
                "rounds": args.rounds,
                "minutes": (time.time() - started) / 60, "load": os.getloadavg(),
                "load_at_start": load_at_start,
                "loads": [min(bench.loads), statistics.median(bench.loads), max(bench.loads)]}
    if args.raw:
        with open(args.raw, "w") as raw:
            json.dump({"results": {"|".join(key): runs for key, runs in bench.results.items()},
                       "failures": bench.failures, "meta": meta}, raw)
    text = tables(bench)
    report = (f"# Benchmark results\n\n- date: {meta['date']}\n"
              f"- command: `{args.command}` ({meta.get('rounds', args.rounds)} rounds; measuring took "
              f"{meta['minutes']:.1f} min; {meta['commit']})\n"
              f"{machine(meta['load'], meta.get('load_at_start'), meta.get('loads'))}\n"
              + "".join(f"- {name}: {describe_baseline(name, exe)}\n"
                        for name, exe in {**bench.viewers, **bench.launchers}.items()
                        if name != "Lorvane")
              + "\nPrograms: Lorvane; probe = a bare rich edit control made as Lorvane makes its own, "
                "streamed from ReadFile (the floor); Wine's wordpad.exe and notepad.exe (the peers).\n\n"
              + text + "\n")
    if bench.failures:
        report += "\nRuns that failed or were stopped:\n\n"
        report += "".join(f"- {f}\n" for f in bench.failures)
    print()
    print(text)
    if bench.failures:
        print("\nfailed or stopped:", *bench.failures, sep="\n  ")
    if args.out:
        # A "## Notes" section written by hand at the end of the report outlives the next run.
        if os.path.exists(args.out):
            with open(args.out) as old:
                kept_notes = old.read().partition("\n## Notes\n")
            if kept_notes[1]:
                report += kept_notes[1] + kept_notes[2]
        with open(args.out, "w") as out:
            out.write(report)
        print(f"\nwritten to {args.out}")


if __name__ == "__main__":
    main()
