#!/usr/bin/env bash
# Checks the shape docs/architecture.md describes, on the built core library
# (its path the first argument):
# - the core holds no mutable object of static storage, besides the Canvas
#   (the front end's, one per window): every other record lives in a Run;
# - TAP files are named in one place: set_tap_name has one caller.
set -euo pipefail
cd "$(dirname "$0")/.."
core_library="$1"
bad=0

# Objects in writable sections (.data, .bss and their thread-local kinds);
# read-only data after relocation (.data.rel.ro) and the compiler's own
# exception-handling references are constant; a sanitizer's own objects
# (a checked build) are the sanitizer's.
mutable=$(objdump -t "$core_library" |
  grep -E ' O \.(data|bss|tdata|tbss)' | grep -v -E '\.data\.rel\.ro|DW\.ref\.' |
  awk '{print $NF}' | grep -v -E '^__(odr_asan|asan|ubsan|tsan|sancov)' | c++filt | sort -u | grep -v -x 'canvas' || true)
if [ -n "$mutable" ]; then
  echo "mutable objects of static storage in the core (keep them in the Run):"
  echo "$mutable"
  bad=1
fi

callers=$(grep -rn 'set_tap_name(' common input analysis decode output view merge recovery app |
  grep -v -E '^[^:]+:[0-9]+:\s*(//|void set_tap_name)' || true)
if [ "$(printf '%s\n' "$callers" | grep -c .)" -ne 1 ]; then
  echo "set_tap_name must have exactly one caller, the TAP writer's store_block:"
  echo "$callers"
  bad=1
fi
[ $bad -eq 0 ] && echo "core shape: no mutable object besides the Canvas; TAP files named in one place"
exit $bad
