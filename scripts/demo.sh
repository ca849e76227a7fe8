#!/usr/bin/env bash
# Builds the program and runs it on the bundled demo recording.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
echo
echo "== velliqor build/demo/demo.wav"
status=0
build/velliqor --snapshot build/demo/demo.png build/demo/demo.wav || status=$?
echo
echo "Recovered into build/demo/demo/:"
ls -l build/demo/demo/
echo "Picture of the live view: build/demo/demo.png"
exit $status
