#!/usr/bin/env bash
# Builds the program and runs it on the bundled demo recording.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
echo
status=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # With a display: the live view in a window, slow enough to watch. Close it to finish.
  echo "== velliqor --pace 4 build/demo/demo.wav   (close the window or press Escape when done)"
  build/velliqor --pace 4 --snapshot build/demo/demo.png build/demo/demo.wav || status=$?
else
  echo "== velliqor build/demo/demo.wav"
  build/velliqor --snapshot build/demo/demo.png build/demo/demo.wav || status=$?
fi
echo
echo "Recovered into build/demo/demo/:"
ls -l build/demo/demo/
echo "Picture of the live view: build/demo/demo.png"
exit $status
