#!/usr/bin/env python3
"""A small mutation tester: does a test suite notice one-line faults in the code it covers?

For each source file given, it lists one-line mutants (a flipped comparison, a negated
condition, an integer constant off by one, a dropped statement, && and || swapped, a return of
the default value), picks up to --max of them with a seeded shuffle, and tries each: it writes
the mutant into a copy of the source tree, rebuilds the chosen targets in a build folder of its
own (only what the mutant touches is recompiled), and runs the chosen tests with a time limit.
A mutant that does not compile is not counted; one that no test notices survives and is printed
as "file:line: before -> after". The last line gives the kill rate.

  scripts/mutants.py --tests 'StreamParser|Chunked' src/core/net/StreamParser.cpp
  scripts/mutants.py --target vexilon_ui_tests --tests 'CameraWindow' --max 30 \\
      src/ui/camera/CameraWindow.cpp

The copy lives in build/mutants/src and the build in build/mutants/build; both are reused, so
only the first run builds everything.
"""

import argparse
import json
import os
import random
import re
import shutil
import subprocess
import sys
import time
from dataclasses import dataclass

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


@dataclass
class Mutant:
    file: str  # relative to the repository
    line: int  # 1-based
    kind: str
    before: str
    after: str

    def where(self):
        return f"{self.file}:{self.line}"


# Statements whose first word makes them declarations or control flow, not droppable actions.
NOT_DROPPABLE = re.compile(
    r"^(return|break|continue|case|default|using|typedef|namespace|class|struct|enum|template|"
    r"static_assert|const|constexpr|static|auto|int|bool|char|double|float|long|short|unsigned|"
    r"signed|void|std::|friend|public|private|protected|explicit|virtual|inline|extern|throw|"
    r"goto|if|for|while|do|switch|else|try|catch|#)\b"
)
COMPARISONS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}


def code_mask(line):
    """True for each character of line that is code: not in a string, character or comment."""
    mask = [True] * len(line)
    i, quote = 0, None
    while i < len(line):
        c = line[i]
        if quote:
            mask[i] = False
            if c == "\\":
                if i + 1 < len(line):
                    mask[i + 1] = False
                i += 2
                continue
            if c == quote:
                quote = None
        elif c in "\"'":
            # A digit separator (1'000) is no character literal.
            if c == "'" and i > 0 and line[i - 1].isalnum() and i + 1 < len(line) and line[i + 1].isalnum():
                i += 1
                continue
            quote = c
            mask[i] = False
        elif line.startswith("//", i):
            for k in range(i, len(line)):
                mask[k] = False
            break
        i += 1
    return mask


def all_code(mask, start, end):
    return all(mask[start:end])


def matching_paren(line, open_at):
    depth = 0
    for i in range(open_at, len(line)):
        if line[i] == "(":
            depth += 1
        elif line[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return None


def mutants_of_line(path, number, line, previous):
    stripped = line.strip()
    if not stripped or stripped.startswith(("//", "#", "*", "/*")):
        return []
    mask = code_mask(line)
    found = []

    def add(kind, start, end, replacement):
        if all_code(mask, start, end):
            after = line[:start] + replacement + line[end:]
            found.append(Mutant(path, number, kind, stripped, after.strip()))

    for m in re.finditer(r" (<=|>=|==|!=|<|>) ", line):
        add("comparison", m.start(1), m.end(1), COMPARISONS[m.group(1)])
    for m in re.finditer(r" (&&|\|\|) ", line):
        add("logic", m.start(1), m.end(1), "||" if m.group(1) == "&&" else "&&")
    for m in re.finditer(r"(?<![\w.'])(\d+)(?![\w.'])", line):
        value = int(m.group(1))
        add("constant", m.start(1), m.end(1), str(value + 1))
        if value > 0:
            add("constant", m.start(1), m.end(1), str(value - 1))
    for m in re.finditer(r"\b(if|while) \(", line):
        close = matching_paren(line, m.end() - 1)
        if close is not None:
            condition = line[m.end() : close]
            add("negation", m.end(), close, f"!({condition})")
    m = re.match(r"^(\s*)return (.+);$", line.rstrip())
    if m and m.group(2) not in ("{}", "nullptr", "false", "0") and all_code(mask, 0, len(line.rstrip())):
        found.append(Mutant(path, number, "return", stripped, "return {};"))
    ends_statement = previous.rstrip().endswith((";", "{", "}", ":")) or not previous.strip()
    if (
        stripped.endswith(";")
        and ends_statement
        and not NOT_DROPPABLE.match(stripped)
        and stripped.count("(") == stripped.count(")")
        and not stripped.startswith("}")
        and all_code(mask, len(line) - len(line.lstrip()), len(line) - len(line.lstrip()) + 1)
    ):
        found.append(Mutant(path, number, "drop", stripped, ";"))
    return found


def list_mutants(files):
    found = []
    for path in files:
        with open(os.path.join(ROOT, path), encoding="utf-8") as f:
            lines = f.read().split("\n")
        in_comment = False
        previous = ""
        for index, line in enumerate(lines):
            if in_comment:
                in_comment = "*/" not in line
                continue
            if line.strip().startswith("/*"):
                in_comment = "*/" not in line
                continue
            found.extend(mutants_of_line(path, index + 1, line, previous))
            previous = line
    return found


def run(command, timeout=None, **kwargs):
    try:
        return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                              timeout=timeout, **kwargs)
    except subprocess.TimeoutExpired:
        return None


def sync_copy(copy):
    """Mirrors the working tree's files into copy, touching only files that differ."""
    listed = run(["git", "ls-files", "--cached", "--others", "--exclude-standard"], cwd=ROOT)
    paths = set(listed.stdout.splitlines())
    # A file deleted or renamed since the last run must go too: the build finds sources by folder.
    for folder, _, names in os.walk(copy):
        for name in names:
            target = os.path.join(folder, name)
            if os.path.relpath(target, copy) not in paths:
                os.remove(target)
    for path in sorted(paths):
        source, target = os.path.join(ROOT, path), os.path.join(copy, path)
        if not os.path.isfile(source):
            continue
        with open(source, "rb") as f:
            data = f.read()
        if os.path.isfile(target):
            with open(target, "rb") as f:
                if f.read() == data:
                    continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        # A fresh time stamp, not the source's: an older one could look older than an object
        # built from the copy's previous content, and the change would not be rebuilt.
        shutil.copyfile(source, target)
        shutil.copymode(source, target)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("files", nargs="+", help="source files to mutate, relative to the repository")
    parser.add_argument("--tests", required=True, help="ctest regular expression of the tests to run")
    parser.add_argument("--target", action="append", help="build targets (default vexilon_core_tests)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--max", type=int, default=40, help="mutants to try (default 40)")
    parser.add_argument("--timeout", type=float, help="seconds per test run (default 3 x the clean run, at least 20)")
    parser.add_argument("--work", default=os.path.join(ROOT, "build", "mutants"))
    parser.add_argument("--json", help="write every result to this file")
    parser.add_argument("--list", action="store_true", help="only count the mutants")
    args = parser.parse_args()
    targets = args.target or ["vexilon_core_tests"]
    files = [os.path.relpath(os.path.abspath(f), ROOT) for f in args.files]

    candidates = list_mutants(files)
    if args.list:
        for m in candidates:
            print(f"{m.where()}: [{m.kind}] {m.before} -> {m.after}")
        print(f"{len(candidates)} mutants")
        return 0
    chosen = candidates[:]
    random.Random(args.seed).shuffle(chosen)
    chosen = sorted(chosen[: args.max], key=lambda m: (m.file, m.line))

    copy, build = os.path.join(args.work, "src"), os.path.join(args.work, "build")
    sync_copy(copy)
    if not os.path.exists(os.path.join(build, "build.ninja")):
        # No optimisation and no debug information: each mutant compiles and links fastest.
        configure = run(["cmake", "-S", copy, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                         "-DCMAKE_CXX_FLAGS_DEBUG=-O0"])
        if configure.returncode != 0:
            print(configure.stdout)
            return 2
    ninja = ["cmake", "--build", build, "--target", *targets]
    ctest = ["ctest", "--test-dir", build, "-R", args.tests, "-j", str(os.cpu_count() or 2),
             "--stop-on-failure"]

    built = run(ninja)
    if built.returncode != 0:
        print(built.stdout[-4000:])
        print("the unmutated code does not build", file=sys.stderr)
        return 2
    start = time.monotonic()
    clean = run(ctest + ["--timeout", "300"])
    clean_seconds = time.monotonic() - start
    counted = re.search(r"tests passed, \d+ tests failed out of (\d+)", clean.stdout)
    if clean.returncode != 0 or not counted or counted.group(1) == "0":
        print(clean.stdout[-4000:])
        print("the chosen tests do not pass (or none matched) without mutants", file=sys.stderr)
        return 2
    timeout = args.timeout or max(20.0, 3 * clean_seconds)
    print(f"{len(candidates)} mutants in {len(files)} files; trying {len(chosen)} (seed {args.seed}) "
          f"against {counted.group(1)} tests, {clean_seconds:.1f} s clean")

    results = []
    originals = {}
    for m in chosen:
        path = os.path.join(copy, m.file)
        if m.file not in originals:
            with open(path, encoding="utf-8") as f:
                originals[m.file] = f.read()
        lines = originals[m.file].split("\n")
        indent = lines[m.line - 1][: len(lines[m.line - 1]) - len(lines[m.line - 1].lstrip())]
        lines[m.line - 1] = indent + m.after
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        try:
            built = run(ninja, timeout=600)
            if built is None or built.returncode != 0:
                outcome = "unviable"
            else:
                tested = run(ctest + ["--timeout", str(int(timeout))], timeout=timeout * 4 + 60)
                outcome = "killed" if tested is None or tested.returncode != 0 else "survived"
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(originals[m.file])
        results.append((m, outcome))
        if outcome == "survived":
            print(f"{m.where()}: {m.before} -> {m.after}", flush=True)

    run(ninja)  # leave the build as the source is
    viable = [r for r in results if r[1] != "unviable"]
    killed = sum(1 for r in viable if r[1] == "killed")
    rate = 100.0 * killed / len(viable) if viable else 0.0
    if args.json:
        with open(args.json, "w", encoding="utf-8") as f:
            json.dump({"files": files, "tests": args.tests, "seed": args.seed, "killed": killed,
                       "viable": len(viable), "unviable": len(results) - len(viable),
                       "results": [{"where": m.where(), "kind": m.kind, "before": m.before,
                                    "after": m.after, "outcome": o} for m, o in results]}, f, indent=1)
    print(f"killed {killed} of {len(viable)} mutants that compiled ({len(results) - len(viable)} did not): "
          f"kill rate {rate:.0f} %")
    return 0


if __name__ == "__main__":
    sys.exit(main())
