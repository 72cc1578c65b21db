#!/usr/bin/env python3
"""named_tests_check.py BUILD_DIR DOCUMENT...: fails when a document names a test that
does not exist: `Suite.Case` as the GoogleTest programs that ctest runs list it, or a
ctest name (`..._test`, or `name` after the word ctest). Every threat row (a table row
whose first cell is bold) must name at least one GoogleTest case."""
import json, re, subprocess, sys

build, documents = sys.argv[1], sys.argv[2:]
tests = json.loads(subprocess.run(["ctest", "--show-only=json-v1"], cwd=build, check=True,
                                  capture_output=True, text=True).stdout)["tests"]
ctest_names, cases = {test["name"] for test in tests}, set()
for command in (test.get("command") or [] for test in tests):
    if "--gtest_color=no" in command:
        suite = ""
        for line in subprocess.run(command + ["--gtest_list_tests"], cwd=build + "/bin", check=True,
                                   capture_output=True, text=True, timeout=60).stdout.splitlines():
            if line.startswith(" "):
                cases.add(suite + line.split()[0])
            elif line.strip():
                suite = line.split()[0]
failures = []
for document in documents:
    for number, line in enumerate(open(document, encoding="utf-8").read().splitlines(), 1):
        named = re.findall(r"`([A-Z]\w*\.[A-Z]\w*)`", line)
        programs = re.findall(r"`(\w+_test)`|ctest `([a-z]\w*)`", line)
        failures += [f"{document}:{number}: no test {n}" for n in named if n not in cases]
        failures += [f"{document}:{number}: no ctest {p}" for pair in programs for p in pair
                     if p and p not in ctest_names]
        if line.startswith("| **") and not named:
            failures.append(f"{document}:{number}: a threat row names no test case")
print(f"{len(cases)} test cases listed by {len(ctest_names)} ctest entries")
print("\n".join(failures) or "every named test exists")
sys.exit(1 if failures else 0)
