#!/usr/bin/env python3
"""Mutation run over the engine and the script engine: how many small faults do the tests catch?

  mutate.py list  SRC --count N [--seed S] > mutants.json
      Picks N mutants at random (the same ones for the same seed and code): a comparison turned
      round (< <=, > >=, == !=), && and || swapped, true and false swapped, a whole number made
      one larger. Each is named by its file, the exact text of its line and which match on that
      line it is, so the same mutants can be made in another checkout where the line is unchanged.

  mutate.py prepare SRC BUILD
      Configures a build for mutation: the libraries shared (a mutant relinks one library, no test
      program), no windows, no benchmarks, quick optimisation, no debug information.

  mutate.py run SRC BUILD mutants.json results.jsonl [--exclude REGEX]
      Makes each mutant in turn, builds, runs the tests of the folders that can see it (stopping at
      the first failure) and puts the file back. One line of results per mutant: killed, survived,
      or invalid (it did not build). A run that stops can be started again: done mutants are kept.

  mutate.py count results.jsonl [other.jsonl]
      Killed against valid; with two files, over the mutants valid in both.
"""
import json
import os
import random
import re
import subprocess
import sys
import time

ROOTS = ("engine", "script")
# Which test folders can catch a fault in which product folder.
TEST_DIRS = {
    "engine": ["tests/lib", "tests/engine", "tests/transfer", "tests/cli"],
    "script": ["tests/script", "tests/cli"],
}
OPERATORS = [(" < ", " <= "), (" <= ", " < "), (" > ", " >= "), (" >= ", " > "),
             (" == ", " != "), (" != ", " == "), (" && ", " || "), (" || ", " && ")]
WORDS = [("true", "false"), ("false", "true")]
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.'])")


def code_mask(line, in_block):
    """Which characters of the line are code (not comment, string or character literal)."""
    mask = [False] * len(line)
    i = 0
    while i < len(line):
        if in_block:
            end = line.find("*/", i)
            if end < 0:
                return mask, True
            i, in_block = end + 2, False
            continue
        c = line[i]
        if line.startswith("//", i):
            break
        if line.startswith("/*", i):
            in_block = True
            i += 2
            continue
        if c in "\"'":
            if c == '"' and i > 0 and line[i - 1] == "R":  # raw strings: leave the line alone
                return [False] * len(line), in_block
            j = i + 1
            while j < len(line) and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            i = j + 1
            continue
        mask[i] = True
        i += 1
    return mask, in_block


def sites(line, mask):
    """(kind, start, original, replacement) for every mutable spot of a code line."""
    found = []
    for old, new in OPERATORS:
        start = line.find(old)
        while start >= 0:
            if all(mask[start:start + len(old)]):
                found.append((start, old, new))
            start = line.find(old, start + 1)
    for old, new in WORDS:
        for m in re.finditer(r"\b%s\b" % old, line):
            if mask[m.start()]:
                found.append((m.start(), old, new))
    for m in NUMBER.finditer(line):
        if mask[m.start()]:
            found.append((m.start(), m.group(1), str(int(m.group(1)) + 1)))
    return found


def mutable_lines(path):
    in_block = False
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f.read().split("\n"), 1):
            mask, in_block_after = code_mask(line, in_block)
            stripped = line.strip()
            if not stripped.startswith("#") and "static_assert" not in line:
                yield number, line, mask
            in_block = in_block_after


def list_mutants(src, count, seed):
    every = []
    for root in ROOTS:
        for folder, _, files in sorted(os.walk(os.path.join(src, root))):
            for name in sorted(files):
                if not name.endswith(".cpp"):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, src)
                for number, line, mask in mutable_lines(path):
                    for k, (start, old, new) in enumerate(sorted(sites(line, mask))):
                        every.append({"file": rel, "line": number, "text": line, "site": k,
                                      "start": start, "old": old, "new": new})
    random.Random(seed).shuffle(every)
    for i, m in enumerate(every[:count]):
        m["id"] = i
    return every[:count]


def apply(src, m):
    """The file's text with the mutant made, or None when its line is not found once."""
    path = os.path.join(src, m["file"])
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        original = f.read()
    lines = original.split("\n")
    where = [i for i, line in enumerate(lines) if line == m["text"]]
    if not where:
        return original, None
    i = min(where, key=lambda j: abs(j + 1 - m["line"]))
    line = lines[i]
    mask, _ = code_mask(line, False)
    spots = sorted(sites(line, mask))
    if m["site"] >= len(spots) or spots[m["site"]][1] != m["old"]:
        return original, None
    start = spots[m["site"]][0]
    lines[i] = line[:start] + m["new"] + line[start + len(m["old"]):]
    return original, "\n".join(lines)


def prepare(src, build):
    flags = "-O1 -g0"
    subprocess.run(["cmake", "-S", src, "-B", build, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS_RELEASE=" + flags,
                    "-DCMAKE_C_FLAGS_RELEASE=" + flags, "-DQF_BUILD_GUI=OFF",
                    "-DQF_BUILD_BENCH=OFF", "-DQF_LIBRARY_TYPE=SHARED",
                    "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON",
                    "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache",
                    "-DCMAKE_C_COMPILER_LAUNCHER=ccache"], check=True)
    subprocess.run(["cmake", "--build", build], check=True)


def run_tests(build, dirs, exclude):
    for d in dirs:
        cmd = ["ctest", "--test-dir", os.path.join(build, d), "-j2", "--stop-on-failure",
               "--timeout", "60", "-Q"]
        if exclude:
            cmd += ["-E", exclude]
        if subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode:
            return d
    return None


def run(src, build, mutants_file, results_file, exclude):
    mutants = json.load(open(mutants_file))
    done = set()
    if os.path.exists(results_file):
        done = {json.loads(line)["id"] for line in open(results_file) if line.strip()}
    for m in mutants:
        if m["id"] in done:
            continue
        started = time.time()
        original, mutated = apply(src, m)
        path = os.path.join(src, m["file"])
        result = {"id": m["id"], "file": m["file"], "line": m["line"]}
        if mutated is None:
            result["outcome"] = "missing"
        else:
            try:
                with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
                    f.write(mutated)
                built = subprocess.run(["cmake", "--build", build], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL).returncode == 0
                if not built:
                    result["outcome"] = "invalid"
                else:
                    caught = run_tests(build, TEST_DIRS[m["file"].split("/")[0]], exclude)
                    result["outcome"] = "killed" if caught else "survived"
                    if caught:
                        result["by"] = caught
            finally:
                with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
                    f.write(original)
        result["seconds"] = round(time.time() - started, 1)
        with open(results_file, "a") as f:
            f.write(json.dumps(result) + "\n")
        print(json.dumps(result), flush=True)
    subprocess.run(["cmake", "--build", build], stdout=subprocess.DEVNULL)


def count(files):
    runs = [{r["id"]: r["outcome"] for r in map(json.loads, open(f)) if r} for f in files]
    valid = set.intersection(*({i for i, o in run.items() if o in ("killed", "survived")}
                               for run in runs))
    for f, results in zip(files, runs):
        killed = sum(1 for i in valid if results[i] == "killed")
        print(f"{f}: {killed} of {len(valid)} killed")
    if len(runs) == 2:
        lost = sorted(i for i in valid if runs[0][i] == "killed" and runs[1][i] != "killed")
        gained = sorted(i for i in valid if runs[0][i] != "killed" and runs[1][i] == "killed")
        print("killed before, not after:", lost)
        print("killed after, not before:", gained)


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    option = lambda name, default: argv[argv.index(name) + 1] if name in argv else default
    if argv[1] == "list":
        json.dump(list_mutants(argv[2], int(option("--count", 200)), int(option("--seed", 1))),
                  sys.stdout, indent=0)
    elif argv[1] == "prepare":
        prepare(argv[2], argv[3])
    elif argv[1] == "run":
        run(argv[2], argv[3], argv[4], argv[5], option("--exclude", ""))
    elif argv[1] == "count":
        count(argv[2:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
