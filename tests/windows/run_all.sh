#!/usr/bin/env bash
# Runs every Windows GUI scenario, one after another, on already built programs.
# usage: tests/windows/run_all.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR [--pictures-dir DIR] [--keep]
# The wine prefix is cached in LINUX_BUILD_DIR/tests/windows/gui-cache, as
# CTest's tests cache it (set VELLIQOR_GUI_CACHE to use another folder).
# Exit status: 0 all passed, 1 any failed, 77 all skipped.
set -uo pipefail
if [ $# -lt 2 ]; then
  sed -n '3p' "$0" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
windows_dir=$(cd "$1" && pwd) || exit 2
linux_dir=$(cd "$2" && pwd) || exit 2
shift 2
cache=${VELLIQOR_GUI_CACHE:-$linux_dir/tests/windows/gui-cache}
python=/usr/bin/python3
if [ ! -x "$python" ]; then
  echo "SKIPPED: no $python"
  exit 77
fi

failed=() passed=0 skipped=0
SECONDS=0
for scenario in $("$python" "$here/gui_scenarios.py" --list); do
  echo "== $scenario"
  "$python" "$here/gui_scenarios.py" "$scenario" --windows-dir "$windows_dir" --linux-dir "$linux_dir" \
    --make-recording "$linux_dir/make_recording" --cache-dir "$cache" "$@"
  case $? in
    0) passed=$((passed + 1)) ;;
    77) skipped=$((skipped + 1)) ;;
    *) failed+=("$scenario") ;;
  esac
done
echo "$passed passed, $skipped skipped, ${#failed[@]} failed in $SECONDS s"
[ ${#failed[@]} -eq 0 ] || { echo "failed: ${failed[*]}"; exit 1; }
[ "$passed" -gt 0 ] || exit 77
exit 0
