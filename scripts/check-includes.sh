#!/usr/bin/env bash
# Fails on any #include between core folders that docs/architecture.md does
# not allow (its "include-graph" block), and on any core include of app/.
set -euo pipefail
cd "$(dirname "$0")/.."
core=(common view input analysis decode output merge recovery)
declare -A allowed
while read -r line; do
  folder="${line%%:*}"
  allowed[$folder]="${line#*:}"
done < <(sed -n '/include-graph: begin/,/include-graph: end/p' docs/architecture.md | grep -E '^[a-z]+:')

bad=0
for folder in "${core[@]}"; do
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "docs/architecture.md does not list the folder $folder"
    bad=1
    continue
  fi
  for file in "$folder"/*.h "$folder"/*.cpp; do
    [ -f "$file" ] || continue
    while read -r target; do
      [ "$target" = "$folder" ] || [ "$target" = common ] && continue
      if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
        echo "$file includes $target/, which docs/architecture.md does not allow for $folder/"
        bad=1
      fi
    done < <(sed -n 's|^#include "\([a-z_]*\)/.*|\1|p' "$file" | sort -u)
  done
done
[ $bad -eq 0 ] && echo "include graph: every include of the core is allowed"
exit $bad
