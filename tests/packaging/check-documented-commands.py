#!/usr/bin/env python3
"""Every command that README.md and docs/*.md show exists: each script or program named by
its path (scripts/..., examples/..., fuzz/..., and build/... in a build), each zkhost
subcommand and each of its options as the zkhost of the build lists them, each -DZK_ option
of the CMake build. Code spans and code blocks are read; prose is not.
Usage: check-documented-commands.py SOURCE_DIR BUILD_DIR"""
import os
import re
import subprocess
import sys

source, build = sys.argv[1], sys.argv[2]
zkhost = os.path.join(build, "tools", "zkhost")
pages = [os.path.join(source, "README.md")] + sorted(
    os.path.join(source, "docs", name) for name in os.listdir(os.path.join(source, "docs")) if name.endswith(".md"))


def helpText(*subcommand):
    return subprocess.run([zkhost, *subcommand, "--help"], capture_output=True, text=True, timeout=30).stdout


topHelp = helpText()
subcommands = re.findall(r"^  (\w+)\s{2,}", topHelp.split("Subcommands:")[1], re.M)
options = {name: set(re.findall(r"--[\w-]+", helpText(name))) | {"--help", "--version"} for name in subcommands}
cmakeOptions = set()
for folder, _, files in os.walk(source):
    if "/build" in folder or "/.git" in folder:
        continue
    for name in files:
        if name == "CMakeLists.txt" or name.endswith(".cmake"):
            text = open(os.path.join(folder, name), encoding="utf-8").read()
            cmakeOptions |= set(re.findall(r"option\((ZK_\w+)", text))
            cmakeOptions |= set(re.findall(r"\b(ZK_[A-Z0-9_]+)\b", text))

problems, checked = [], 0


def problem(page, text):
    problems.append(f"{os.path.relpath(page, source)}: {text}")


for page in pages:
    text = open(page, encoding="utf-8").read()
    blocks = re.findall(r"^```[^\n]*\n(.*?)^```", text, re.M | re.S)
    indented = re.findall(r"(?:^(?: {4}|\t)[^\n]*\n)+", re.sub(r"^```.*?^```", "", text, flags=re.M | re.S), re.M)
    spans = re.findall(r"`([^`\n]+)`", re.sub(r"^```.*?^```", "", text, flags=re.M | re.S))
    code = blocks + indented + spans
    for piece in code:
        # Paths of the repository's programs, and of the build's.
        for path in re.findall(r"(?<![\w./-])((?:scripts|examples|fuzz|packaging)/[\w.-]+)", piece):
            checked += 1
            if not os.path.exists(os.path.join(source, path)):
                problem(page, f"{path} does not exist")
        for path in re.findall(r"(?<![\w./-])build/((?:tools|tests|bench)/[\w./-]*\w)", piece):
            checked += 1
            if not os.path.exists(os.path.join(build, path)):
                problem(page, f"build/{path} is not in the build")
        for name in re.findall(r"-D(ZK_\w+)", piece):
            checked += 1
            if name not in cmakeOptions:
                problem(page, f"-D{name} is no option of the build")
        # zkhost command lines: the subcommand, then the options that follow it.
        for line in piece.splitlines():
            for match in re.finditer(r"zkhost(?:\.exe)?((?:\s+\S+)*)", line):
                words = match.group(1).split()
                if not words or words[0].startswith("-") and words[0] not in ("--version", "--help", "--answer-dialogs"):
                    continue
                sub = next((w for w in words if not w.startswith("-") and w in subcommands), None)
                if words[0] not in subcommands and not words[0].startswith("-"):
                    if re.fullmatch(r"[a-z]+", words[0]) and words[0] not in ("is", "and", "or", "as", "the", "on", "in", "to"):
                        checked += 1
                        problem(page, f"zkhost {words[0]}: no such subcommand")
                    continue
                for word in words:
                    option = re.match(r"(--[\w-]+)", word)
                    if not option or word.startswith("---"):
                        continue
                    checked += 1
                    known = options.get(sub, set()) if sub else {"--help", "--version", "--answer-dialogs"}
                    if option.group(1) not in known and option.group(1) != "--answer-dialogs":
                        problem(page, f"zkhost {sub or ''} {option.group(1)}: no such option")

for p in problems:
    print("FAILED:", p)
print(f"{checked} commands, paths and options checked in {len(pages)} pages, {len(problems)} not found")
sys.exit(1 if problems else 0)
