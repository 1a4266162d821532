#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Turns the raw timings of bench/run.sh into Markdown tables (called by run.sh).

Input (environment): B_RAW, a tab-separated file with one line per timed run:
tree, mode (warm/cold), tool, run number, seconds, peak RSS in KiB, exit status, output bytes;
B_OUT/labels (tool id, tab, label, in table order), B_OUT/notes, B_OUT/checks; B_RESULTS, the
Markdown file to write; B_SCALE, B_RUNS, B_TREES, B_ELAPSED, B_MACHINE, B_VERSIONS, B_CLI.
The tables go to B_RESULTS.
"""

import json
import os
import statistics
import time

env = os.environ


def lines_of(path):
    try:
        with open(path) as f:
            return [line.rstrip("\n") for line in f if line.strip()]
    except OSError:
        return []


labels = dict(line.split("\t", 1) for line in lines_of(os.path.join(env["B_OUT"], "labels")))
notes = lines_of(os.path.join(env["B_OUT"], "notes"))
checks = lines_of(os.path.join(env["B_OUT"], "checks"))

runs = {}
for line in lines_of(env["B_RAW"]):
    tree, mode, tool, _run, secs, rss, status, size = line.split("\t")
    runs.setdefault((tree, mode), {}).setdefault(tool, []).append(
        (float(secs), int(rss), int(status), int(size)))

out = [
    f"# dirscribe-cli benchmark ({env['B_SCALE']} trees)",
    "",
    f"- Run {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())}: {env['B_RUNS']} timed"
    f" run{'' if env['B_RUNS'] == '1' else 's'} of"
    " every command per tree and mode, interleaved, after one untimed warm-up run;"
    f" median wall time; the whole benchmark took {int(env['B_ELAPSED']) // 60} min"
    f" {int(env['B_ELAPSED']) % 60} s.",
    f"- Machine: {env['B_MACHINE']}.",
    "- Environment: LC_ALL=C; TZ unset (local time from /etc/localtime) except in the TZ=UTC"
    " rows. Every command writes its list to a file on the trees' disk, deleted after the run.",
    f"- Tools: {env['B_VERSIONS']}.",
]
if env.get("B_CLI"):
    out.append(f"- dirscribe-cli: {env['B_CLI']}.")
out += [f"- {n}" for n in notes]
out += [f"- Check: {c}" for c in checks]
out.append("")

for tree in ("wide", "flat", "deep"):
    try:
        with open(os.path.join(env["B_TREES"], f"{tree}.done")) as f:
            what = f"{json.load(f)['files']:,} files"
    except (OSError, ValueError, KeyError):
        what = "? files"
    for mode in ("warm", "cold"):
        data = runs.get((tree, mode))
        if not data:
            continue
        median = {tool: statistics.median(r[0] for r in v) for tool, v in data.items()}
        floor_s = median.get("floor")
        find_s = median.get("find-utc")
        out += [
            f"## {tree} ({what}), {mode} cache",
            "",
            "| tool | median s | min-max s | x floor | x TZ=UTC find | peak RSS MiB | output MiB |",
            "|---|---:|---:|---:|---:|---:|---:|",
        ]
        for tool, label in labels.items():
            v = data.get(tool)
            if not v:
                continue
            failed = [r[2] for r in v if r[2] != 0]
            if failed:
                label += f" (FAILED: exit status {failed[0]})"
            m = median[tool]
            xf = f"{m / floor_s:.2f}" if floor_s else "-"
            xu = f"{m / find_s:.2f}" if find_s else "-"
            out.append(
                f"| {label} | {m:.3f} | {min(r[0] for r in v):.3f}-{max(r[0] for r in v):.3f}"
                f" | {xf} | {xu} | {max(r[1] for r in v) / 1024:.1f}"
                f" | {max(r[3] for r in v) / 1048576:.1f} |")
        out.append("")
        if "cli0" in median and find_s and floor_s:
            out.append(f"dirscribe-cli -f 0 / TZ=UTC find = **{median['cli0'] / find_s:.2f}**;"
                       f" dirscribe-cli -f 0 / floor = **{median['cli0'] / floor_s:.2f}**")
            ones = [median[f"one{f}"] for f in range(6) if f"one{f}" in median]
            if "window" in median:
                out.append("")
                out.append(f"The window's run / dirscribe-cli -f 0 = **{median['window'] / median['cli0']:.2f}**")
            if "one0" in median and ones:
                out.append("")
                out.append(f"One thread: -f 0 / floor = **{median['one0'] / floor_s:.2f}**;"
                           f" -f 0 / TZ=UTC find = **{median['one0'] / find_s:.2f}**;"
                           f" slowest format / fastest = **{max(ones) / min(ones):.2f}**")
        else:
            out.append("dirscribe-cli -f 0 / TZ=UTC find: - (no dirscribe-cli rows)")
        out.append("")

text = "\n".join(out)
with open(env["B_RESULTS"], "w") as f:
    f.write(text)
