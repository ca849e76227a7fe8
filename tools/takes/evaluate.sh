#!/usr/bin/env bash
# Measures --merge on a set of takes made by the corpus generator: every take
# decoded alone (one pass), the best take of each tape, and the merge of each
# tape's three takes, scored against the truth; merged blocks that differ from
# the tape yet pass their checksum are counted apart.
#   tools/takes/evaluate.sh SET_DIR [VELLIQOR] [OUT_DIR]
# SET_DIR is what `/usr/bin/python3 CORPUS/gen/make_set.py RECIPE.json SET_DIR`
# made (recording ids ending in _take1 .. _take3); CORPUS is shared/corpus
# (CORPUS=... to name another).
set -euo pipefail
set_dir=$(realpath "$1")
program=$(realpath "${2:-build/velliqor}")
out=${3:-$(mktemp -d)}
corpus=${CORPUS:-$(dirname "$0")/../../../shared/corpus}
rm -rf "$out/single" "$out/merged" "$out/runs"
mkdir -p "$out/single" "$out/merged"
"$program" --quiet --no-window --out "$out/single" "$set_dir"/recordings/*.wav > /dev/null 2>&1 || true
for first in "$set_dir"/recordings/*_take1.wav; do
  tape=$(basename "$first" _take1.wav)
  "$program" --quiet --no-window --out "$out/runs" --merge "$set_dir/recordings/${tape}"_take{1,2,3}.wav > /dev/null 2>&1 || true
  for k in 1 2 3; do cp -r "$out/runs/${tape}_take1-merged" "$out/merged/${tape}_take$k"; done
done
for kind in single merged; do
  /usr/bin/python3 "$corpus/gen/score.py" --manifest "$set_dir/manifest.json" --results "$out/$kind" \
    --json "$out/$kind.json" > /dev/null
done
/usr/bin/python3 - "$out" <<'PY'
import collections, json, re, sys
out = sys.argv[1]
single = json.load(open(out + '/single.json'))['recordings']
merged = {re.sub(r'_take\d$', '', r['id']): r for r in json.load(open(out + '/merged.json'))['recordings']}
tapes = collections.defaultdict(list)
for r in single:
    tapes[re.sub(r'_take\d$', '', r['id'])].append(r)
truth = sum(len(v[0]['blocks']) for v in tapes.values())
one = sum(r['exact'] for r in single)
best = sum(max(r['exact'] for r in v) for v in tapes.values())
merge = sum(merged[t]['exact'] for t in tapes)
false_ok = sum(1 for t in tapes for b in merged[t]['blocks']
               if b.get('verdict') == 'damaged' and b.get('recovered_checksum_ok'))
print('one pass %.1f %% (%d/%d), best take %.1f %% (%d/%d), --merge %.1f %% (%d/%d); '
      'merged blocks wrong yet passing: %d' % (100 * one / (3 * truth), one, 3 * truth, 100 * best / truth, best,
                                                truth, 100 * merge / truth, merge, truth, false_ok))
PY
