#!/usr/bin/python3
"""Every NAME.json validates against docs/report.schema.json and agrees with
its Log.txt and TAP files: on recordings made from the demo tape (clean, noisy
enough to fail blocks, and merged as takes) and, when it is there, on the
shared corpus.

    json_report_check.py SCHEMA VELLIQOR MAKE_RECORDING DEMO_TAP [CORPUS_DIR]

Exit 77 (skipped) without python3-jsonschema."""
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed")
    sys.exit(77)

schema_path, velliqor, make_recording, demo_tap = sys.argv[1:5]
corpus = sys.argv[5] if len(sys.argv) > 5 else ""
work = tempfile.mkdtemp(prefix="velliqor-json-")
validator = jsonschema.Draft202012Validator(json.load(open(schema_path)))
failures = []


def tap_records(path):
    data = open(path, "rb").read()
    records, at = [], 0
    while at + 2 <= len(data):
        n = data[at] | data[at + 1] << 8
        records.append(data[at + 2:at + 2 + n])
        at += 2 + n
    return records


def check(folder, report_name, where):
    report = json.load(open(os.path.join(folder, report_name)))
    for error in validator.iter_errors(report):
        failures.append("%s: %s at %s" % (where, error.message, list(error.absolute_path)))
    log = open(os.path.join(folder, "Log.txt"), encoding="latin-1", newline="").read()
    lines = [line for line in log.split("\r\n") if re.match(r"^\d{2,}:\d{2}-\d{2,}:\d{2} (?!\*)", line)]
    if len(lines) != len(report["blocks"]):
        failures.append("%s: %d block lines in Log.txt, %d blocks in the report" % (where, len(lines), len(report["blocks"])))
    for line, block in zip(lines, report["blocks"]):
        if not line.startswith(block["time"] + " "):
            failures.append("%s: block %d at %s, its line at %s" % (where, block["index"], block["time"], line[:11]))
        if ("Checksum: " + block["checksum"]) not in line or ("Len: %05d" % block["length"]) not in line and block["header"] is None:
            failures.append("%s: block %d says %s, %d bytes; its line: %s" % (where, block["index"], block["checksum"], block["length"], line))
        if block["fragment"] != ("Fragment: not stored" in line):
            failures.append("%s: block %d fragment %s; its line: %s" % (where, block["index"], block["fragment"], line))
        if block["tap_file"] is not None:
            records = tap_records(os.path.join(folder, block["tap_file"]))
            record = records[block["tap_record"]] if block["tap_record"] < len(records) else b""
            if len(record) != block["length"] or (record and record[0] != block["flag"]):
                failures.append("%s: block %d is not record %d of %s" % (where, block["index"], block["tap_record"], block["tap_file"]))
    stored = sum(1 for b in report["blocks"] if not b["fragment"])
    if report["summary"]["blocks"] != stored:
        failures.append("%s: the summary counts %d blocks, the list holds %d" % (where, report["summary"]["blocks"], stored))
    return report


def run(args, recording):
    return subprocess.run([velliqor, "--quiet", "--no-window", "--out", work] + args + [recording],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


recordings = []
for name, noise in (("clean", "0"), ("noisy1", "6000"), ("noisy2", "6500"), ("noisy3", "7000")):
    path = os.path.join(work, name + ".wav")
    seed = str(len(recordings) + 7)
    subprocess.run([make_recording, "--noise", noise, "--seed", seed, "--rounded", demo_tap, path], check=True,
                   stdout=subprocess.DEVNULL)
    recordings.append(path)
if corpus and os.path.isdir(corpus):
    recordings += sorted(glob.glob(os.path.join(corpus, "*.wav")))
failed_blocks = 0
for recording in recordings:
    base = os.path.splitext(os.path.basename(recording))[0]
    status = run(["--tzx"], recording)
    report = check(os.path.join(work, base), base + ".json", base)
    if report["status"] != status:
        failures.append("%s: the report says status %d, the command exited %d" % (base, report["status"], status))
    failed_blocks += report["summary"]["checksum_errors"]
takes = recordings[1:4]
subprocess.run([velliqor, "--quiet", "--no-window", "--out", work, "--merge"] + takes,
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
merged = check(os.path.join(work, "noisy1-merged"), "noisy1-merged.json", "noisy1-merged")
if not merged["merged"] or any("merge" not in b for b in merged["blocks"]):
    failures.append("noisy1-merged: the report does not say how its blocks were merged")
if failed_blocks == 0:
    failures.append("no block failed: the noisy recordings test nothing")
print("%d recordings and a merge checked, %d failed blocks among them" % (len(recordings), failed_blocks))
for f in failures:
    print(f)
shutil.rmtree(work)
sys.exit(1 if failures else 0)
