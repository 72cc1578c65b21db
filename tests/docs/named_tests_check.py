#!/usr/bin/env python3
"""Fails when a document names a test that the suite does not have.

Usage: named_tests_check.py BUILD_DIR DOCUMENT...
A test is named as `Suite.Case` (GoogleTest) or as a ctest name in
backticks ending in _test. Every row of a threat table (a row whose first
cell is bold) must name at least one GoogleTest case. The cases are those
that the test programs list with --gtest_list_tests, run through ctest's
own command lines, so a program that ctest does not run does not count.
"""
import json
import re
import subprocess
import sys

build, documents = sys.argv[1], sys.argv[2:]
shown = json.loads(subprocess.run(["ctest", "--show-only=json-v1"], cwd=build, check=True,
                                  capture_output=True, text=True).stdout)
ctest_names, cases = set(), set()
for test in shown["tests"]:
    ctest_names.add(test["name"])
    command = test.get("command") or []
    if not any(word.endswith(".exe") for word in command) or "--gtest_color=no" not in command:
        continue
    listing = subprocess.run(command + ["--gtest_list_tests"], cwd=build + "/bin", check=True,
                             capture_output=True, text=True, timeout=60).stdout
    suite = ""
    for line in listing.splitlines():
        if not line.strip():
            continue
        if not line.startswith(" "):
            suite = line.strip().split()[0]
        else:
            cases.add(suite + line.strip().split()[0])

failures = []
for document in documents:
    text = open(document, encoding="utf-8").read()
    for number, line in enumerate(text.splitlines(), 1):
        named = re.findall(r"`([A-Z]\w*\.[A-Z]\w*)`", line)
        failures += [f"{document}:{number}: no test {name}" for name in named if name not in cases]
        programs = re.findall(r"`(\w+_test)`", line)
        failures += [f"{document}:{number}: no ctest {p}" for p in programs if p not in ctest_names]
        if line.startswith("| **") and not named:
            failures.append(f"{document}:{number}: a threat row names no test case")
print(f"{len(cases)} test cases listed by {len(ctest_names)} ctest entries")
print("\n".join(failures) or "every named test exists")
sys.exit(1 if failures else 0)
