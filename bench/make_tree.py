#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Make the benchmark trees (wide, flat, deep) for bench/run.sh.

Every file is sparse (its length is set with ftruncate, no data is written) and gets a
modification time spread over 1990-2024, so a 1,000,000-file tree costs inodes, not space.
The trees are deterministic: the same scale and seed give the same names, sizes and times.

    bench/make_tree.py [--small] [--seed N] [--jobs N] [--trees wide,flat,deep] DEST

Full scale:  wide  1,000,000 files in 10,000 folders (100 x 100 folders, 100 files each)
             flat    200,000 files in one folder
             deep    a chain of 250 nested folders, 400 files at every level (100,000 files)
--small:     the same shapes at 1/100 of the files (deep keeps its 250 levels, 4 files each).

A tree is made in DEST/NAME.partial and renamed to DEST/NAME when complete; DEST/NAME.done
then records how it was made. An existing complete tree with the same parameters is kept.
"""

import argparse
import json
import os
import random
import shutil
import sys
import time
from concurrent.futures import ProcessPoolExecutor

SYLLABLES = (
    "ka", "lo", "mi", "nu", "re", "sa", "to", "vi", "ze", "bar", "den", "fol", "gru",
    "han", "jus", "kel", "mor", "nix", "pra", "qui", "ros", "sun", "tal", "ul", "wen",
)
WORDS = (
    "track", "photo", "notes", "report", "backup", "draft", "scan", "mix", "live",
    "final", "copy", "old", "new", "part", "disc", "holiday", "invoice", "letter",
)
# Some non-ASCII words, so that names have multi-byte characters (UTF-8).
ACCENTED = ("café", "größe", "niño", "résumé", "smörgås", "façade", "señal")
EXTENSIONS = (
    ".mp3", ".mp3", ".mp3", ".txt", ".txt", ".jpg", ".jpg", ".jpg", ".png", ".pdf",
    ".doc", ".zip", ".iso", ".avi", ".mkv", ".flac", ".wav", ".tar.gz", ".html", ".csv",
    "",  # a few names without an extension
)

YEAR_1990 = 631152000  # 1990-01-01 00:00:00 UTC
YEAR_2025 = 1735689600  # 2025-01-01 00:00:00 UTC

FULL = {
    "wide": {"top": 100, "sub": 100, "files": 100},
    "flat": {"files": 200_000},
    "deep": {"levels": 250, "files": 400},
}
SMALL = {
    "wide": {"top": 10, "sub": 10, "files": 100},
    "flat": {"files": 2_000},
    "deep": {"levels": 250, "files": 4},
}

FILE_FLAGS = os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC
DIR_FLAGS = os.O_RDONLY | os.O_DIRECTORY | os.O_CLOEXEC


def file_name(rng, index):
    """A name of varied length (about 6 to 90 characters), unique in its folder by its index."""
    roll = rng.random()
    if roll < 0.25:
        stem = "".join(rng.choice(SYLLABLES) for _ in range(rng.randint(1, 4)))
    elif roll < 0.85:
        stem = " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 5)))
    elif roll < 0.95:
        # long names, many of them over 65 characters
        stem = "_".join(rng.choice(WORDS + SYLLABLES) for _ in range(rng.randint(8, 16)))
    else:
        stem = rng.choice(ACCENTED) + " " + rng.choice(WORDS)
    return f"{stem} {index:06d}{rng.choice(EXTENSIONS)}"


def file_size(rng):
    """0 bytes, small, medium or multi-GB lengths (log-uniform up to about 8 GB)."""
    roll = rng.random()
    if roll < 0.05:
        return 0
    if roll < 0.08:
        return rng.randint(2**31, 8 * 10**9)  # past the 32-bit range
    return int(10 ** rng.uniform(0, 9.7))


def mod_time(rng):
    """Whole seconds spread over 1990-2024; about 2% fall exactly on a UTC midnight."""
    if rng.random() < 0.02:
        return YEAR_1990 + rng.randrange((YEAR_2025 - YEAR_1990) // 86400) * 86400
    return rng.randrange(YEAR_1990, YEAR_2025)


def make_files(dir_fd, rng, count):
    for index in range(count):
        name = file_name(rng, index)
        fd = os.open(name, FILE_FLAGS, 0o644, dir_fd=dir_fd)
        try:
            size = file_size(rng)
            if size:
                os.ftruncate(fd, size)
            t = mod_time(rng) * 1_000_000_000
            os.utime(fd, ns=(t, t))
        finally:
            os.close(fd)


def make_dir(parent_fd, name):
    os.mkdir(name, 0o755, dir_fd=parent_fd)
    return os.open(name, DIR_FLAGS, dir_fd=parent_fd)


def wide_top(args):
    """One top folder of the wide tree (run in a worker process)."""
    root, top, shape, seed = args
    rng = random.Random(f"{seed}/wide/{top}")
    root_fd = os.open(root, DIR_FLAGS)
    top_fd = make_dir(root_fd, f"{''.join(rng.choice(SYLLABLES) for _ in range(3))} {top:03d}")
    for sub in range(shape["sub"]):
        sub_fd = make_dir(top_fd, f"{rng.choice(WORDS)} {sub:03d}")
        make_files(sub_fd, rng, shape["files"])
        os.utime(sub_fd, ns=(mod_time(rng) * 10**9,) * 2)
        os.close(sub_fd)
    os.utime(top_fd, ns=(mod_time(rng) * 10**9,) * 2)
    os.close(top_fd)
    os.close(root_fd)
    return shape["sub"] * shape["files"]


def flat_part(args):
    """A slice of the flat tree's files (run in a worker process)."""
    root, part, first, count, seed = args
    rng = random.Random(f"{seed}/flat/{part}")
    root_fd = os.open(root, DIR_FLAGS)
    # the index keeps names unique across slices
    for index in range(first, first + count):
        name = file_name(rng, index)
        fd = os.open(name, FILE_FLAGS, 0o644, dir_fd=root_fd)
        size = file_size(rng)
        if size:
            os.ftruncate(fd, size)
        t = mod_time(rng) * 10**9
        os.utime(fd, ns=(t, t))
        os.close(fd)
    os.close(root_fd)
    return count


def make_wide(root, shape, seed, pool):
    jobs = [(root, top, shape, seed) for top in range(shape["top"])]
    return sum(pool.map(wide_top, jobs))


def make_flat(root, shape, seed, pool):
    total = shape["files"]
    parts = 20
    step = (total + parts - 1) // parts
    jobs = [(root, p, p * step, min(step, total - p * step), seed)
            for p in range(parts) if p * step < total]
    return sum(pool.map(flat_part, jobs))


def make_deep(root, shape, seed, pool):
    rng = random.Random(f"{seed}/deep")
    fd = os.open(root, DIR_FLAGS)
    fds = [fd]
    made = 0
    for level in range(shape["levels"]):
        make_files(fd, rng, shape["files"])
        made += shape["files"]
        if level + 1 < shape["levels"]:
            fd = make_dir(fd, f"d{level + 1:03d}")
            fds.append(fd)
    # set the folder times from the bottom up (making a child changes its parent's time)
    for fd in reversed(fds):
        os.utime(fd, ns=(mod_time(rng) * 10**9,) * 2)
        os.close(fd)
    return made


MAKERS = {"wide": make_wide, "flat": make_flat, "deep": make_deep}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("dest", help="folder that receives the trees (made if missing)")
    ap.add_argument("--small", action="store_true", help="1/100 of the files, for quick trials")
    ap.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 1,
                    help="worker processes (default: number of CPUs)")
    ap.add_argument("--trees", default="wide,flat,deep", help="comma-separated subset")
    opts = ap.parse_args()

    shapes = SMALL if opts.small else FULL
    os.makedirs(opts.dest, exist_ok=True)
    with ProcessPoolExecutor(max_workers=max(1, opts.jobs)) as pool:
        for name in opts.trees.split(","):
            if name not in MAKERS:
                sys.exit(f"make_tree.py: unknown tree '{name}'")
            final = os.path.join(opts.dest, name)
            marker = final + ".done"
            params = {"tree": name, "shape": shapes[name], "seed": opts.seed}
            if os.path.isdir(final) and os.path.isfile(marker):
                with open(marker) as f:
                    if json.load(f).get("params") == params:
                        print(f"{name}: already made in {final}")
                        continue
            for old in (final, final + ".partial"):
                if os.path.lexists(old):
                    shutil.rmtree(old)
            if os.path.exists(marker):
                os.remove(marker)
            partial = final + ".partial"
            os.mkdir(partial)
            start = time.monotonic()
            files = MAKERS[name](partial, shapes[name], opts.seed, pool)
            os.rename(partial, final)
            secs = time.monotonic() - start
            with open(marker, "w") as f:
                json.dump({"params": params, "files": files, "seconds": round(secs, 1)}, f)
                f.write("\n")
            print(f"{name}: {files:,} files in {secs:.1f} s -> {final}")


if __name__ == "__main__":
    main()
