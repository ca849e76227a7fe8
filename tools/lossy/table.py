#!/usr/bin/env python3
"""Makes the table of tools/lossy/measure.sh from the scorer's JSON files:
blocks exact per recording for velliqor and audio2tape under each encoding,
and the totals as percentages. Prints it and writes it to TABLE.md; the cells
are padded so that the Markdown reads as well in a terminal.
  table.py OUT_DIR TABLE.md NAME:LABEL... [--note TEXT]
OUT_DIR/NAME/{velliqor,audio2tape}.json are read for each encoding NAME."""
import json
import sys

TOOLS = ('velliqor', 'audio2tape')


def main(argv):
    note = None
    if '--note' in argv:
        i = argv.index('--note')
        note = argv[i + 1]
        argv = argv[:i] + argv[i + 2:]
    out, table_path, encodings = argv[0], argv[1], [e.split(':', 1) for e in argv[2:]]
    scores = {}
    for name, _ in encodings:
        for tool in TOOLS:
            with open('%s/%s/%s.json' % (out, name, tool)) as f:
                scores[name, tool] = {r['id']: r for r in json.load(f)['recordings']}
    ids = list(scores[encodings[0][0], TOOLS[0]])
    rows = [['recording'] + ['%s %s' % (label, tool) for _, label in encodings for tool in TOOLS]]
    totals = {key: [0, 0] for key in scores}
    for rid in ids:
        row = [rid]
        for name, _ in encodings:
            for tool in TOOLS:
                r = scores[name, tool][rid]
                row.append('%d/%d' % (r['exact'], r['truth_blocks']))
                totals[name, tool][0] += r['exact']
                totals[name, tool][1] += r['truth_blocks']
        rows.append(row)
    rows.append(['**total**'] + ['%d/%d' % tuple(totals[name, tool]) for name, _ in encodings for tool in TOOLS])
    rows.append(['**exact**'] + ['**%.1f %%**' % (100.0 * totals[name, tool][0] / totals[name, tool][1])
                                 if totals[name, tool][1] else '-' for name, _ in encodings for tool in TOOLS])
    widths = [max(len(r[c]) for r in rows) for c in range(len(rows[0]))]

    def line(cells, numbers=True):
        return '| ' + ' | '.join(c.ljust(w) if k == 0 or not numbers else c.rjust(w)
                                 for k, (c, w) in enumerate(zip(cells, widths))) + ' |'
    lines = [line(rows[0], numbers=False),
             '| ' + ' | '.join('-' * (w - 1) + ('-' if k == 0 else ':') for k, w in enumerate(widths)) + ' |']
    lines += [line(r) for r in rows[1:]]
    if note:
        lines += ['', note]
    text = '\n'.join(lines) + '\n'
    sys.stdout.write(text)
    with open(table_path, 'w') as f:
        f.write(text)


if __name__ == '__main__':
    main(sys.argv[1:])
