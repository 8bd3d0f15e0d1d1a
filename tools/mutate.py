#!/usr/bin/env python3
"""Mutation testing of the engine's main paths: do the tests notice a planted fault?

Plants one small fault at a time (relational operator, arithmetic operator,
constant +-1, && / ||, deleted statement, negated condition) on a line of the
main paths, rebuilds incrementally in a build folder of its own, runs the tests
that cover that folder (each with a timeout, stopping at the first failure) and
puts the source back. The lines and the mutation on each are drawn from a
seeded generator, so the same seed on the same sources plants the same faults.

A mutant is caught when a test fails or times out, survives when every covering
test passes, and does not count when it does not compile or compiles to the
same object code as the original (a line built only for other processors). Survivors known to
change nothing observable are listed, each with its reason, in
tools/mutate_equivalents.txt; they are reported apart and left out of the score.

Not part of CI: 10 to 60 s per mutant on 2 busy cores (the PNG and blend files
take longest to rebuild), so 80 mutants take the better part of an hour. Run
it under nice:

    nice -n 10 tools/mutate.py --count 80 --seed 1
    nice -n 10 tools/mutate.py --rerun build-mutate/mutate-report.json   # survivors again
    nice -n 10 tools/mutate.py --rerun build-mutate/mutate-report.json --sanitize
    tools/mutate.py --count 80 --seed 1 --list                           # the plan only

The source tree is restored after every mutant, also on Ctrl-C or SIGTERM.
"""

import argparse
import concurrent.futures
import json
import os
import random
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# The main paths, by folder, with the test programs that cover each. Tests
# that need a display or the demo are left out: they are slow and cover
# nothing here that the others do not.
MAINPATHS = {
    "runtime": {
        "files": ["src/zarvo/runtime/image.cpp", "src/zarvo/runtime/pixelrows.cpp",
                  "src/zarvo/runtime/pixelrows.hpp"],
        "tests": ["image_test", "bitmap_test", "blender_drawto_test", "transitions_paint_test",
                  "filters_test", "resize_test", "collision_test", "bitmap_load_test"],
    },
    "graphics": {
        "files": ["src/zarvo/graphics/blender.cpp", "src/zarvo/graphics/filters.cpp"],
        "tests": ["blender_test", "blender_table_test", "blender_drawto_test", "filters_test",
                  "bitmap_test"],
    },
    "png": {
        "files": ["src/zarvo/png/png.cpp", "src/zarvo/png/pngrows.cpp"],
        "tests": ["png_test", "bitmap_load_test"],
    },
    "effects": {
        "files": ["src/zarvo/effects/easing.cpp", "src/zarvo/effects/effects.cpp"],
        "tests": ["easing_test", "animation_test", "transitions_paint_test", "show_test"],
    },
    "transitions": {
        "files": ["src/zarvo/transitions/effectkit.cpp", "src/zarvo/transitions/fade.cpp",
                  "src/zarvo/transitions/hstripes.cpp", "src/zarvo/transitions/vstripes.cpp",
                  "src/zarvo/transitions/slidein.cpp", "src/zarvo/transitions/slideout.cpp",
                  "src/zarvo/transitions/zoomin.cpp", "src/zarvo/transitions/zoomout.cpp",
                  "src/zarvo/transitions/transitions.cpp", "src/zarvo/transitions/show.cpp"],
        "tests": ["transitions_paint_test", "show_test", "engine_test"],
    },
    "engine": {
        "files": ["src/zarvo/engine.cpp", "src/zarvo/event.cpp", "src/zarvo/event.hpp"],
        "tests": ["engine_test", "event_test", "show_test", "animation_test"],
    },
}

EQUIVALENTS = ROOT / "tools" / "mutate_equivalents.txt"
SKIPPED = ("uncompiled", "unchanged", "stale")  # not counted towards --count

# ---------------------------------------------------------------------------
# Finding mutations.

BINARY = r"(?<=\S) {op} (?=\S)"  # clang-format puts one space each side of a binary operator


def masked(line, in_block):
    """The line with comments, strings and character literals blanked to spaces
    (same length, so columns still match), and whether a block comment is still
    open at its end."""
    out = []
    i, n = 0, len(line)
    while i < n:
        if in_block:
            end = line.find("*/", i)
            if end < 0:
                out.append(" " * (n - i))
                return "".join(out), True
            out.append(" " * (end + 2 - i))
            i = end + 2
            in_block = False
            continue
        c = line[i]
        if line.startswith("//", i):
            out.append(" " * (n - i))
            break
        if line.startswith("/*", i):
            in_block = True
            continue
        if c in "\"'":
            j = i + 1
            while j < n and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            j = min(j + 1, n)
            out.append(c + " " * max(0, j - i - 2) + (c if j - i >= 2 else ""))
            i = j
            continue
        out.append(c)
        i += 1
    return "".join(out), in_block


def balanced(text):
    depth = 0
    for c in text:
        depth += c == "("
        depth -= c == ")"
        if depth < 0:
            return False
    return depth == 0


def mutations_of(line, code):
    """Every mutation of one line: (kind, new line). code is the masked line."""
    found = []

    def sub(start, end, repl, kind):
        found.append((kind, line[:start] + repl + line[end:]))

    swaps = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
    for m in re.finditer(BINARY.format(op=r"(<=|>=|==|!=|<|>)"), code):
        sub(m.start(1), m.end(1), swaps[m.group(1)], "relational")
    arith = {"+": "-", "-": "+", "*": "/", "/": "*", "+=": "-=", "-=": "+=", "%": "*"}
    for m in re.finditer(BINARY.format(op=r"(\+=|-=|\+|-|\*|/|%)"), code):
        sub(m.start(1), m.end(1), arith[m.group(1)], "arithmetic")
    for m in re.finditer(BINARY.format(op=r"(&&|\|\|)"), code):
        sub(m.start(1), m.end(1), "||" if m.group(1) == "&&" else "&&", "logical")
    for m in re.finditer(r"(?<![\w.])(0[xX][0-9A-Fa-f]+|\d+)([uU]?[lL]{0,2}[uU]?)(?![\w.])", code):
        text, suffix = m.group(1), m.group(2)
        if re.search(r"alignas\($", code[: m.start()]):
            continue  # not a power of two would not compile
        value = int(text, 16) if text[:2].lower() == "0x" else int(text)
        # Leading-zero decimals would read as octal; shift counts and sizes are fine.
        if not text.startswith("0x") and len(text) > 1 and text[0] == "0":
            continue
        for v in (value + 1, value - 1):
            if v < 0:
                continue
            new = (hex(v).upper().replace("0X", "0x") if text[:2].lower() == "0x" else str(v))
            sub(m.start(), m.end(), new + suffix, "constant")
    stripped = code.strip()
    m = re.match(r"^\s*(?:\}\s*)?(?:else\s+)?(?:if|while)\s*\(", code)
    if m:
        depth, end = 1, m.end()
        while end < len(code) and depth:
            depth += (code[end] == "(") - (code[end] == ")")
            end += 1
        if depth == 0:
            a, b = m.end(), end - 1
            found.append(("negated", line[:a] + "!(" + line[a:b] + ")" + line[b:]))
    if (stripped.endswith(";") and balanced(stripped) and not stripped.startswith("return")
            and not re.match(r"^(case|default|break|continue|using|namespace|static_assert|"
                             r"template|typedef|struct|class|enum|friend)\b", stripped)
            and "{" not in stripped and "}" not in stripped
            and not re.search(r"=\s*(delete|default)\s*;$", stripped)
            and not re.match(r"^(const\s+|static\s+|constexpr\s+|auto\b)", stripped)
            and not re.match(r"^[\w:<>,\s\*&]+\s[\*&]?\w+(\[\w*\])?\s*(=.*)?;$", stripped)):
        indent = line[: len(line) - len(line.lstrip())]
        found.append(("deleted", indent + ";  // deleted: " + stripped))
    return found


def candidate_lines(path):
    """(line number, text, mutations) for every line of code in path."""
    lines = path.read_text().split("\n")
    out, in_block = [], False
    for no, line in enumerate(lines, 1):
        code, in_block = masked(line, in_block)
        s = code.strip()
        if not s or s.startswith("#") or "static_assert" in s:
            continue
        muts = mutations_of(line, code)
        if muts:
            out.append((no, line, muts))
    return out


def plan(folders, count, seed):
    """The mutants to run: lines in a seeded order, one mutation drawn on each."""
    rng = random.Random(seed)
    pool = []
    for folder in sorted(folders):
        for f in MAINPATHS[folder]["files"]:
            for no, line, muts in candidate_lines(ROOT / f):
                pool.append((folder, f, no, line, muts))
    rng.shuffle(pool)
    chosen = []
    for folder, f, no, line, muts in pool:
        # The kind first, so lines full of literals do not make every mutant a constant.
        kinds = sorted({k for k, _ in muts})
        kind = kinds[rng.randrange(len(kinds))]
        same = [n for k, n in muts if k == kind]
        new = same[rng.randrange(len(same))]
        chosen.append({"folder": folder, "file": f, "line": no, "kind": kind,
                       "old": line, "new": new})
    return chosen  # taken in order until enough have compiled


# ---------------------------------------------------------------------------
# Building and testing.

def run(cmd, timeout=None, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=timeout, **kw)


def configure(build, sanitize):
    if not (build / "build.ninja").exists():
        r = run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
                 "-DCMAKE_BUILD_TYPE=Release", "-DZARVO_BUILD_TESTS=ON",
                 "-DZARVO_BUILD_DEMO=OFF", "-DZARVO_SANITIZE=" + ("ON" if sanitize else "OFF")])
        if r.returncode:
            sys.exit("configure failed:\n" + r.stdout)


def build_targets(build, targets, timeout):
    try:
        r = run(["cmake", "--build", str(build), "-j2", "--target", *targets], timeout=timeout)
    except subprocess.TimeoutExpired:
        return False
    return r.returncode == 0


def objectfile(build, source):
    """The object a .cpp compiles to, or None for a header (it reaches many)."""
    if not source.endswith(".cpp"):
        return None
    o = build / "CMakeFiles" / "zarvo.dir" / (source + ".o")
    return o if o.exists() else None


def digest(path):
    import hashlib
    return hashlib.sha256(path.read_bytes()).hexdigest() if path and path.exists() else None


def discover(build):
    """Every ctest test: name, program, command, folder, environment."""
    r = run(["ctest", "--test-dir", str(build), "--show-only=json-v1"])
    tests = []
    for t in json.loads(r.stdout)["tests"]:
        if "command" not in t:
            continue
        props = {p["name"]: p["value"] for p in t.get("properties", [])}
        env = dict(os.environ)
        for kv in props.get("ENVIRONMENT", []):
            k, _, v = kv.partition("=")
            env[k] = v
        tests.append({"name": t["name"], "program": Path(t["command"][0]).name,
                      "command": t["command"], "cwd": props.get("WORKING_DIRECTORY", str(build)),
                      "env": env, "skip": props.get("SKIP_RETURN_CODE")})
    return tests


def run_tests(tests, timeout):
    """(caught?, the first failing test and why). Stops at the first failure."""
    failed = []

    def one(t):
        if failed:
            return None
        try:
            r = subprocess.run(t["command"], cwd=t["cwd"], env=t["env"], timeout=timeout,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            return (t["name"], "timeout")
        if r.returncode not in (0, t["skip"]):
            return (t["name"], "exit %d" % r.returncode)
        return None

    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        for res in pool.map(one, tests):
            if res and not failed:
                failed.append(res)
    return (True, failed[0]) if failed else (False, None)


# ---------------------------------------------------------------------------
# Keeping the source tree whole.

class Restore:
    """Holds the original text of the file being mutated and writes it back."""

    def __init__(self):
        self.path, self.text = None, None
        signal.signal(signal.SIGTERM, self._signal)

    def _signal(self, *_):
        raise KeyboardInterrupt

    def plant(self, path, text):
        self.put_back()
        self.path, self.text = path, path.read_text()
        path.write_text(text)

    def put_back(self):
        if self.path is not None:
            self.path.write_text(self.text)
            self.path, self.text = None, None


def load_equivalents():
    """{(file, old stripped, new stripped): reason}."""
    eq = {}
    if EQUIVALENTS.exists():
        for raw in EQUIVALENTS.read_text().split("\n"):
            if not raw.strip() or raw.startswith("#"):
                continue
            parts = [p.strip() for p in raw.split(" | ")]
            if len(parts) == 4:
                eq[tuple(parts[:3])] = parts[3]
    return eq


def key(m):
    return (m["file"], m["old"].strip(), m["new"].strip())


# ---------------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--count", type=int, default=80, help="mutants that compile, in all")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--folders", default=",".join(MAINPATHS),
                    help="comma-separated folders of the main paths (default: all)")
    ap.add_argument("--build", help="build folder (default build-mutate, or build-mutate-asan)")
    ap.add_argument("--sanitize", action="store_true",
                    help="build with the sanitizers, as CI's second pass does: leaks and stray "
                         "reads count as caught (slower; meant for --rerun of survivors)")
    ap.add_argument("--timeout", type=float, default=60, help="seconds per test")
    ap.add_argument("--rerun", help="a report of an earlier run: run its survivors again")
    ap.add_argument("--list", action="store_true", help="print the plan and stop")
    args = ap.parse_args()

    folders = [f for f in args.folders.split(",") if f]
    for f in folders:
        if f not in MAINPATHS:
            sys.exit("unknown folder %s (known: %s)" % (f, ", ".join(MAINPATHS)))
    build = Path(args.build or ROOT / ("build-mutate-asan" if args.sanitize else "build-mutate"))
    if args.sanitize:
        os.environ.setdefault("ASAN_OPTIONS", "detect_leaks=1:abort_on_error=1")
        os.environ.setdefault("UBSAN_OPTIONS", "halt_on_error=1")
        os.environ.setdefault("LSAN_OPTIONS", "suppressions=%s" % (ROOT / "tests" / "lsan.supp"))
    if args.rerun:
        earlier = json.loads(Path(args.rerun).read_text())
        todo = [m for m in earlier["mutants"] if m["result"] == "survived"]
        count = len(todo)
    else:
        todo, count = plan(folders, args.count, args.seed), args.count
    if args.list:
        for m in todo[:count]:
            print("%s:%d %s\n  - %s\n  + %s" % (m["file"], m["line"], m["kind"],
                                                m["old"].strip(), m["new"].strip()))
        return 0

    configure(build, args.sanitize)
    programs = sorted({p for f in MAINPATHS.values() for p in f["tests"]})
    print("baseline build ...", flush=True)
    if not build_targets(build, programs, None):
        sys.exit("the unmutated tree does not build")
    tests = [t for t in discover(build) if t["program"] in programs]
    failing, why = run_tests(tests, args.timeout)
    if failing:
        sys.exit("the unmutated tree fails %s (%s): nothing to measure against" % why)
    # A mutant that compiles to the very same object (a line built only for
    # other processors, or one the compiler folds away) cannot be caught.
    original = {f: digest(objectfile(build, f))
                for folder in folders for f in MAINPATHS[folder]["files"]}
    equivalents = load_equivalents()
    restore = Restore()
    results = []
    started = time.time()
    try:
        # The sources must match what was read: a mutant is planted on the line as seen.
        for m in todo:
            if sum(r["result"] not in SKIPPED for r in results) >= count:
                break
            path = ROOT / m["file"]
            lines = path.read_text().split("\n")
            if lines[m["line"] - 1] != m["old"]:
                m["result"] = "stale"
                results.append(m)
                continue
            lines[m["line"] - 1] = m["new"]
            covering = [t for t in tests if t["program"] in MAINPATHS[m["folder"]]["tests"]]
            restore.plant(path, "\n".join(lines))
            t0 = time.time()
            if not build_targets(build, MAINPATHS[m["folder"]]["tests"], 600):
                m["result"] = "uncompiled"
            elif original.get(m["file"]) and \
                    digest(objectfile(build, m["file"])) == original[m["file"]]:
                m["result"] = "unchanged"
            else:
                caught, why = run_tests(covering, args.timeout)
                m["result"] = "caught" if caught else "survived"
                m["by"] = why
                if not caught and key(m) in equivalents:
                    m["result"] = "equivalent"
                    m["reason"] = equivalents[key(m)]
            restore.put_back()
            results.append(m)
            n = sum(r["result"] not in SKIPPED for r in results)
            print("[%d/%d] %-10s %s:%d %s (%.0f s)%s" % (
                n, count, m["result"], m["file"], m["line"], m["kind"], time.time() - t0,
                "  by %s (%s)" % m["by"] if m.get("by") else ""), flush=True)
    except KeyboardInterrupt:
        print("interrupted; the source is restored", flush=True)
    finally:
        restore.put_back()
        # Leave the build folder matching the restored sources.
        build_targets(build, programs, None)

    report(results, build, started)
    return 0


def report(results, build, started):
    by = {}
    for m in results:
        by.setdefault(m["folder"], []).append(m)
    kinds = ("caught", "survived", "equivalent", "unchanged", "uncompiled")
    print("\n%-12s %s  score" % ("folder", "  ".join("%10s" % k for k in kinds)))
    total = dict.fromkeys(kinds, 0)
    for folder in sorted(by) + ["all"]:
        c = total if folder == "all" else {k: sum(m["result"] == k for m in by[folder])
                                           for k in kinds}
        if folder != "all":
            for k in kinds:
                total[k] += c[k]
        real = c["caught"] + c["survived"]
        score = "%.1f%%" % (100.0 * c["caught"] / real) if real else "-"
        print("%-12s %s  %s" % (folder, "  ".join("%10d" % c[k] for k in kinds), score))
    print("(score: caught of the mutants that compile to new code and are not known equivalents;"
          " %.0f min)" % ((time.time() - started) / 60))
    for kind, title in (("survived", "Survivors"), ("equivalent", "Known equivalents")):
        shown = [m for m in results if m["result"] == kind]
        if shown:
            print("\n%s:" % title)
            for m in shown:
                print("  %s:%d %s%s\n    - %s\n    + %s" % (
                    m["file"], m["line"], m["kind"],
                    " (%s)" % m["reason"] if m.get("reason") else "",
                    m["old"].strip(), m["new"].strip()))
    out = build / "mutate-report.json"
    out.write_text(json.dumps({"mutants": results}, indent=1))
    print("\nreport: %s" % out)


if __name__ == "__main__":
    sys.exit(main())
