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


class Bench:
    def __init__(self, args):
        self.args = args
        self.files = args.files
        self.waiter = os.path.join(args.tools, "waiter.exe")
        self.probe = windows_path(os.path.join(args.tools, "probe.exe"))
        self.viewers = {"Lorvane": windows_path(args.exe)}
        for item in args.baseline:
            name, _, exe = item.partition("=")
            self.viewers[name] = windows_path(exe)
        accessories = "Program Files/Windows NT/Accessories"
        self.wordpad = "C:\\" + accessories.replace("/", "\\") + "\\wordpad.exe"
        prefix = os.environ["WINEPREFIX"]
        if not os.path.exists(os.path.join(prefix, "drive_c", accessories, "wordpad.exe")):
            self.wordpad = "wordpad.exe"
        self.notepad = "C:\\windows\\system32\\notepad.exe"
        self.results = {}  # (group, program) -> one dict of figures per round
        self.failures = []

    def file(self, name):
        return os.path.join(self.files, name)

    # One waiter run: gives the parsed key=value pairs, with "error" on failure.
    def wait_for(self, needle, command_line, steps=(), query_load=False, timeout=300):
        argv = ["wine", self.waiter, "--timeout", str(timeout)]
        if query_load:
            argv.append("--query-load")
        for step in steps:
            argv += step
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
        pairs = dict(re.findall(r"(\w+)=(\S+)", out))
        return pairs

    def run_job(self, group, program, pairs):
        self.results.setdefault((group, program), []).append(pairs)
        if "error" in pairs:
            self.failures.append(f"{group} / {program}: {pairs}")
        if self.args.verbose:
            print(f"    {group:10} {program:16} {pairs}", flush=True)

    def limit(self, viewer):
        """Earlier builds may reload a filled control very slowly: their waits are bounded."""
        return 300 if viewer == "Lorvane" else self.args.reload_timeout

    def viewer_job(self, group, viewer, name, steps=()):
        line = [self.viewers[viewer], windows_path(self.file(name))]
        self.run_job(group, viewer, self.wait_for(name, line, steps, timeout=self.limit(viewer)))

    def probe_line(self, name, options=()):
        rect = [str(v) for v in WINDOW]
        return [self.probe, "--rect"] + rect + list(options) + [windows_path(self.file(name))]

    def probe_job(self, group, name, fmt="text", program="probe", options=(), steps=()):
        line = self.probe_line(name, ["--format", fmt] + list(options))
        self.run_job(group, program, self.wait_for(name, line, steps, query_load=True))

    def peer_job(self, group, peer, name):
        exe = self.wordpad if peer == "wordpad" else self.notepad
        self.run_job(group, peer, self.wait_for(name, [exe, windows_path(self.file(name))]))

    @staticmethod
    def in_turn(jobs, round_number):
        """Runs the jobs, a different one first in each round."""
        shift = round_number % len(jobs)
        for job in jobs[shift:] + jobs[:shift]:
            job()

    def launch_group(self, group, name, round_number, viewer_steps=(), baseline_steps=None,
                     probe_steps=(), peers=True):
        """Every program started with the file; Lorvane (and the probe) then run their steps."""
        jobs = []
        for viewer in self.viewers:
            steps = viewer_steps
            if viewer != "Lorvane" and baseline_steps is not None:
                steps = baseline_steps(round_number)
            jobs.append(lambda v=viewer, s=steps: self.viewer_job(group, v, name, s))
        jobs.append(lambda: self.probe_job(group, name, steps=probe_steps))
        if self.args.probe_variants:
            variants = (("probe-hidden", "--load-hidden"), ("probe-noredraw", "--no-redraw"))
            for variant, option in variants:
                jobs.append(lambda p=variant, o=option:
                            self.probe_job(group, name, program=p, options=[o]))
        if peers:
            jobs.append(lambda: self.peer_job(group, "wordpad", name))
            jobs.append(lambda: self.peer_job(group, "notepad", name))
        self.in_turn(jobs, round_number)

    def switch_group(self, group, size, round_number):
        """UTF-8 against UTF-16 of the same text, both through the Options menu in one process:
        the file the program has open is overwritten with each encoding before its reload."""
        work = f"switch_{size}.txt"
        target = windows_path(self.file(work))
        steps = []
        for _ in range(2):
            for encoding, command in (("utf8", "126"), ("utf16", "125")):
                steps += [["--copy", windows_path(self.file(f"{encoding}_{size}.txt")), target],
                          ["--command", command]]

        def job(viewer):
            shutil.copyfile(self.file("tiny.txt"), self.file(work))
            self.viewer_job(group, viewer, work, steps)
        self.in_turn([lambda v=v: job(v) for v in self.viewers], round_number)

    def rtf_group(self, round_number):
        """RTF started as plain text, then Options > RTF; the probe loads it as RTF at once."""
        jobs = [lambda v=v: self.viewer_job("rtf 1M", v, "rtf_1M.rtf", [["--command", "124"]])
                for v in self.viewers]
        jobs.append(lambda: self.probe_job("rtf 1M", "rtf_1M.rtf", fmt="rtf"))
        self.in_turn(jobs, round_number)

    def place_lorvane(self):
        key = "HKCU\\Software\\Zyr\\Lorvane"
        for name, value in zip(("Left", "Top", "Width", "Depth"), WINDOW):
            subprocess.run(["wine", "reg", "add", key, "/v", name, "/t", "REG_DWORD", "/d", str(value),
                            "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def warm_up(self):
        self.place_lorvane()
        # The first start of each program in a prefix writes its settings; not measured.
        for viewer in self.viewers:
            self.wait_for("tiny.txt", [self.viewers[viewer], windows_path(self.file("tiny.txt"))])
        self.wait_for("tiny.txt", self.probe_line("tiny.txt"))
        self.wait_for("tiny.txt", [self.wordpad, windows_path(self.file("tiny.txt"))])
        self.wait_for("tiny.txt", [self.notepad, windows_path(self.file("tiny.txt"))])

    def run(self):
        rounds = self.args.rounds
        reload = [["--command", "123"]]  # Options > Plain text, on a file shown as plain text
        wrap = [["--command", "120"]]
        # The probe's cheapest reload: a new control, streamed into (127); its wrap toggle (120).
        probe_reload = [["--command", "127"]]
        started = time.time()
        self.warm_up()
        print(f"warm-up: {time.time() - started:.0f} s", flush=True)
        for r in range(rounds):
            started = time.time()
            print(f"round {r + 1} of {rounds}", flush=True)
            self.launch_group("tiny", "tiny.txt", r)
            self.launch_group("256K", "ascii_256K.txt", r, reload, probe_steps=probe_reload,
                              peers=False)
            self.launch_group("1M", "ascii_1M.txt", r, reload, probe_steps=probe_reload)
            # An earlier build's reload at 10 MiB is tried in the first round only, and stopped.
            self.launch_group("10M", "ascii_10M.txt", r, reload + wrap,
                              lambda n: wrap + (reload if n == 0 else []),
                              probe_steps=probe_reload + wrap)
            self.switch_group("utf 1M", "1M", r)
            self.rtf_group(r)
            # The largest files take minutes per program: measured in the first round only.
            if self.args.big and r == 0:
                self.switch_group("utf 10M", "10M", r)
                self.launch_group("50M", "ascii_50M.txt", r, reload, lambda n: [],
                                  probe_steps=probe_reload)
            print(f"  {time.time() - started:.0f} s", flush=True)


# ---- figures -----------------------------------------------------------------------------------

def number(pairs, key):
    try:
        return float(pairs[key]) if pairs and key in pairs else None
    except ValueError:
        return None


def step_ms(command, occurrence=1):
    """Getter: the time of the occurrence-th step that sent `command`."""
    def get(pairs):
        seen = 0
        for k in range(1, 20):
            if pairs and pairs.get(f"s{k}_cmd") == str(command):
                seen += 1
                if seen == occurrence:
                    return number(pairs, f"s{k}_ms")
        return None
    return get


def ready(pairs):
    return number(pairs, "ready_ms")


def first_load(pairs):
    us = number(pairs, "load_us")
    return us / 1000 if us is not None else None


def peak_mib(pairs):
    kb = number(pairs, "peak_kb")
    return kb / 1024 if kb else None


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
            if self.stopped(group, program):
                return f"> {self.bench.args.reload_timeout:,.0f} s (stopped)"
            return "-"
        return f"{value:,.0f}"

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
            yardstick = median(self.values(*b))
            if self.stopped(a[0], a[1]) and yardstick:
                return f"> {self.bench.args.reload_timeout * 1000 / yardstick:.0f}"
            return "-"
        middle = statistics.median(values)
        text = f"{middle:.2f}"
        if len(values) > 1:
            text += f" ({min(values):.2f}-{max(values):.2f})"
        if goal is not None:
            text += f" {'≤' if middle <= goal else '**>**'} {goal}"
        return text

    def count(self, group, program="Lorvane"):
        return len([p for p in self.runs(group, program) if p and "error" not in p])


def table(head, rows):
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    lines += ["| " + " | ".join(row) + " |" for row in rows]
    return "\n".join(lines)


LABELS = {"tiny": "tiny.txt (7 bytes)", "256K": "ascii_256K.txt", "1M": "ascii_1M.txt",
          "10M": "ascii_10M.txt", "50M": "ascii_50M.txt"}


def tables(bench):
    f = Figures(bench)
    out = []
    launch = [g for g in ("tiny", "1M", "10M", "50M") if f.has(g)]

    out.append("### Launch to ready\n")
    out.append("From CreateProcess to a visible window of the process whose caption holds the file's name and "
               "that has answered a WM_NULL round trip. Median ms; ratios are medians of per-round ratios "
               "(range in brackets), with the goal where there is one.\n")
    goals = {"tiny": (1.3, None), "1M": (1.10, 0.5), "10M": (1.05, 0.8), "50M": (None, None)}
    head = ["file", "probe ms", "Lorvane ms", "wordpad ms", "notepad ms", "Lorvane / probe",
            "Lorvane / wordpad", "Lorvane / notepad"]
    for o in f.others:
        head += [f"{o} ms", f"{o} / probe"]
    rows = []
    for g in launch:
        row = [LABELS[g]] + [f.ms(g, p, ready) for p in ("probe", "Lorvane", "wordpad", "notepad")]
        row.append(f.ratio((g, "Lorvane", ready), (g, "probe", ready), goals[g][0]))
        row.append(f.ratio((g, "Lorvane", ready), (g, "wordpad", ready), goals[g][1]))
        row.append(f.ratio((g, "Lorvane", ready), (g, "notepad", ready)))
        for o in f.others:
            row += [f.ms(g, o, ready), f.ratio((g, o, ready), (g, "probe", ready))]
        rows.append(row)
    out.append(table(head + ["n"], [r + [str(f.count(g))] for r, g in zip(rows, launch)]))
    if bench.args.probe_variants:
        out.append("\nProbe variants: the file streamed before the window is first shown (hidden), or with "
                   "WM_SETREDRAW off during the stream (noredraw); launch to ready, and the load's own time and "
                   "CPU time inside the process, each against the plain probe.\n")
        rows = []
        cpu = lambda p: number(p, "load_cpu_us")
        for g in launch:
            row = [LABELS[g]]
            for variant in ("probe-hidden", "probe-noredraw"):
                row += [f.ratio((g, variant, ready), (g, "probe", ready)),
                        f.ratio((g, variant, first_load), (g, "probe", first_load)),
                        f.ratio((g, variant, cpu), (g, "probe", cpu))]
            rows.append(row)
        out.append(table(["file", "hidden: ready", "hidden: load", "hidden: load CPU",
                          "noredraw: ready", "noredraw: load", "noredraw: load CPU"], rows))

    out.append("\n### Peak working set at ready (MiB), and the text length each control reports\n")
    head = ["file", "probe", "Lorvane", "wordpad", "notepad", "Lorvane / probe"] + f.others + \
           ["characters: probe / Lorvane / wordpad / notepad"]
    rows = []
    for g in launch:
        row = [LABELS[g]] + [f.ms(g, p, peak_mib) for p in ("probe", "Lorvane", "wordpad", "notepad")]
        row.append(f.ratio((g, "Lorvane", peak_mib), (g, "probe", peak_mib)))
        row += [f.ms(g, o, peak_mib) for o in f.others]
        lengths = []
        for p in ("probe", "Lorvane", "wordpad", "notepad"):
            seen = sorted({x.get("chars") for x in f.runs(g, p) if x and x.get("chars")})
            lengths.append("/".join(seen) or "-")
        rows.append(row + [" / ".join(lengths)])
    out.append(table(head, rows))

    out.append("\n### Reload of the file shown (Options > Plain text), against a first load\n")
    out.append("Lorvane's reload is the WM_COMMAND round trip, sent once the file is shown. The probe's first "
               "load is its own time for EM_STREAMIN into the control it started with (what a launch pays); "
               "the probe's reload is the cheapest one the control allows: a new control, streamed into. "
               "Lorvane's own first load is its launch with the file less its launch with the tiny file, same "
               "round (wider ranges). Goals: at most 1.2 times a first load at 1 MiB; about one at 10 MiB.\n")
    reload = step_ms(123)
    probe_reload = step_ms(127)
    head = ["file", "probe first load ms", "probe reload ms", "Lorvane reload ms", "reload / first load",
            "reload / probe reload", "reload / Lorvane's own first load"]
    for o in f.others:
        head += [f"{o} reload ms", f"{o} reload / first load"]
    rows = []
    for g in ("256K", "1M", "10M", "50M"):
        if not f.has(g):
            continue
        goal = {"1M": 1.2, "10M": 1.1}.get(g)
        own_first = [ready(a) - ready(b) if ready(a) and ready(b) else None
                     for a, b in zip(f.runs(g, "Lorvane"), f.runs("tiny", "Lorvane"))]
        own = [r / o for r, o in zip(f.values(g, "Lorvane", reload), own_first) if r and o and o > 0]
        row = [LABELS[g], f.ms(g, "probe", first_load), f.ms(g, "probe", probe_reload),
               f.ms(g, "Lorvane", reload),
               f.ratio((g, "Lorvane", reload), (g, "probe", first_load), goal),
               f.ratio((g, "Lorvane", reload), (g, "probe", probe_reload)),
               f"{statistics.median(own):.2f}" if own else "-"]
        for o in f.others:
            row += [f.ms(g, o, reload), f.ratio((g, o, reload), (g, "probe", first_load))]
        rows.append(row + [str(f.count(g))])
    out.append(table(head + ["n"], rows))

    out.append("\n### Other reloads through the Options menu\n")
    head = ["what", "Lorvane ms", "against ms", "ratio"]
    for o in f.others:
        head += [f"{o} ms", f"{o} ratio"]
    rows = []
    wrap = step_ms(120)
    measures = [
        ("Wrap at 10 MiB / the probe's wrap (a new control of the other style, streamed into)",
         ("10M", wrap), ("10M", "probe", wrap), 1.1),
        ("Wrap at 10 MiB / the probe's first load", ("10M", wrap), ("10M", "probe", first_load), 1.1),
        ("RTF reload of rtf_1M.rtf / the probe's first RTF load", ("rtf 1M", step_ms(124)),
         ("rtf 1M", "probe", first_load), 1.2),
    ]
    for size in ("1M", "10M"):
        g = f"utf {size}"
        if f.has(g):
            # The second UTF8 reload against the median of the two Unicode ones: each of them
            # replaces the same text.
            u16 = lambda p: median([step_ms(125, 1)(p), step_ms(125, 2)(p)])
            measures.append((f"UTF8 reload / Unicode reload of the same text ({size} of UTF-8)",
                             (g, step_ms(126, 2)), (g, "Lorvane", u16), 1.2))
    for label, (g, get), yard, goal in measures:
        if not f.has(g):
            continue
        program_yard = yard[1]
        row = [label, f.ms(g, "Lorvane", get), f.ms(*yard), f.ratio((g, "Lorvane", get), yard, goal)]
        for o in f.others:
            other_yard = (yard[0], o, yard[2]) if program_yard == "Lorvane" else yard
            row += [f.ms(g, o, get), f.ratio((g, o, get), other_yard)]
        rows.append(row)
    out.append(table(head, rows))
    chars = {}
    for g in ("utf 1M", "utf 10M"):
        if f.has(g):
            chars[g] = sorted({v for p in f.runs(g, "Lorvane") if p
                               for k, v in p.items() if k.endswith("_chars")})
    out.append("\nThe UTF8/Unicode rows are reloads in one running Lorvane: the file it has open is overwritten "
               "with the text in UTF-8, then in UTF-16 (no byte-order mark), twice, each time followed by "
               "Options > UTF8 or > Unicode. Characters in the control after each reload: "
               + "; ".join(f"{g}: {'/'.join(v)}" for g, v in chars.items())
               + " (one figure: both encodings give the same text).\n")
    return "\n".join(out)


def machine(load):
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
            f"- load average at the end: {load[0]:.2f} {load[1]:.2f} {load[2]:.2f} "
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
    parser.add_argument("--baseline", action="append", default=[],
                        help="NAME=EXE, another build to measure alongside")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--big", action="store_true")
    parser.add_argument("--probe-variants", action="store_true")
    parser.add_argument("--reload-timeout", type=float, default=120)
    parser.add_argument("--out", default=None)
    parser.add_argument("--command", default="bench/run.sh")
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("--raw", help="also keep every run's figures in this JSON file")
    parser.add_argument("--from-raw", help="only write the tables from a JSON file of --raw")
    args = parser.parse_args()

    started = time.time()
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
        meta = {"date": datetime.datetime.now().strftime("%Y-%m-%d %H:%M"), "commit": commit,
                "minutes": (time.time() - started) / 60, "load": os.getloadavg()}
    if args.raw:
        with open(args.raw, "w") as raw:
            json.dump({"results": {"|".join(key): runs for key, runs in bench.results.items()},
                       "failures": bench.failures, "meta": meta}, raw)
    text = tables(bench)
    report = (f"# Benchmark results\n\n- date: {meta['date']}\n"
              f"- command: `{args.command}` ({args.rounds} rounds; measuring took "
              f"{meta['minutes']:.1f} min; commit {meta['commit']} and the working tree)\n"
              f"{machine(meta['load'])}\n"
              + "".join(f"- {name}: {describe_baseline(name, exe)}\n"
                        for name, exe in bench.viewers.items() if name != "Lorvane")
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
