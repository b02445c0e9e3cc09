#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""halvoctl as the module tests see it: answers each command with what the scenario in
$HALVO_FAKE_DIR/scenario.json gives for it (a recorded document, a status, a message) and logs
every call (its arguments, what came on standard input, its environment) to calls.jsonl."""
import json
import os
import sys

folder = os.environ["HALVO_FAKE_DIR"]
argv = sys.argv[1:]
words = []
i = 0
while i < len(argv):
    if argv[i] == "--address":
        i += 2
        continue
    if argv[i] not in ("--json", "--password-stdin"):
        words.append(argv[i])
    i += 1
key = words[0] if words else ""
if key == "show" and "--all" in words:
    key = "show --all"
stdin = sys.stdin.readline() if "--password-stdin" in argv else None
with open(os.path.join(folder, "calls.jsonl"), "a", encoding="utf-8") as log:
    log.write(
        json.dumps({"argv": sys.argv, "key": key, "stdin": stdin, "env": dict(os.environ)}) + "\n"
    )
with open(os.path.join(folder, "scenario.json"), encoding="utf-8") as f:
    answer = json.load(f).get(key, {"rc": 2, "stderr": "halvoctl: no answer for " + key})
stdout = answer.get("stdout", "")
if "recorded" in answer:
    with open(answer["recorded"], encoding="utf-8") as f:
        stdout = f.read()
elif "document" in answer:
    stdout = json.dumps(answer["document"])
sys.stdout.write(stdout)
sys.stderr.write(answer.get("stderr", ""))
sys.exit(answer.get("rc", 0))
