#!/usr/bin/env bash
# Scores the general analysis against the events trace files hold themselves (for another
# instrument's file, the analysis the technician accepted on that instrument):
#
#   scripts/score-events.sh DIR...
#
# For every .sor and .zt file under the folders (a file whose content was met before is
# skipped), `otdr events --method general --json` is compared with `otdr events --stored
# --json`. Counted are the stored reflective events, fibre ends and splices of 0.1 dB or more;
# one is found when one of ours lies within max(5 m, 3 points, one pulse length in the fibre)
# of it, and one of ours is right when it lies that close to any stored event, small ones
# included. A stored event at the front panel is the launch and is not counted. Printed per
# maker (the supplier name `otdr inspect --json` gives, else "unknown") and in total: recall,
# precision, the median error of the splice loss of found splices and the median error of the
# reflectance of found reflections (only where both sides give one; the count follows in
# brackets). Files whose front panel lies where the trace shows no reflection (offsets kept
# while the data were cut) are left out with a notice on stderr.
#
# Both lists are the event tables as the grid shows them: they end at the first fibre end.
# OTDR names the tool (default: build/ci/src/cli/otdr of this tree, else otdr on the PATH).
set -euo pipefail

if [ $# -eq 0 ]; then
    echo "usage: $0 DIR..." >&2
    exit 2
fi
here="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "${OTDR:-}" ]; then
    if [ -x "$here/build/ci/src/cli/otdr" ]; then OTDR="$here/build/ci/src/cli/otdr"; else OTDR=otdr; fi
fi

exec python3 - "$OTDR" "$@" <<'PYTHON'
import hashlib
import json
import os
import statistics
import subprocess
import sys

otdr = sys.argv[1]
folders = sys.argv[2:]
HALF_LIGHT_M_PER_NS = 0.149896229  # half the distance light travels in vacuum in 1 ns
SPEED_OF_LIGHT = 299792458.0
FIBRE_END = "光纤末端"


def run(args):
    return subprocess.run([otdr] + args, capture_output=True, text=True)


def trace_files():
    files = []
    for folder in folders:
        if not os.path.isdir(folder):
            sys.exit(f"score-events: {folder}: not a folder")
        for root, _, names in os.walk(folder):
            files += [os.path.join(root, n) for n in names
                      if n.lower().endswith((".sor", ".zt"))]
    seen, unique = set(), []
    for f in sorted(files):
        with open(f, "rb") as h:
            digest = hashlib.sha256(h.read()).digest()
        if digest not in seen:
            seen.add(digest)
            unique.append(f)
    return unique, len(files) - len(unique)


def events_of(files, args):
    """The event tables of the files, by file name; refusals are reported and left out, and
    the events a table leaves out are counted."""
    tables, left_out = {}, 0
    for start in range(0, len(files), 200):
        part = files[start:start + 200]
        r = run(["events", "--json", "-q"] + args + part)
        for line in r.stderr.splitlines():
            if line.endswith("; left out"):
                left_out += 1
            else:
                print(line, file=sys.stderr)
        if r.stdout.strip():
            out = json.loads(r.stdout)
            for t in out if isinstance(out, list) else [out]:
                tables[t["file"]] = t["events"]
    return tables, left_out


def describe(path):
    """Maker, tolerance (m), front panel (m) and resolution (m) of a file."""
    r = run(["inspect", "--json", path])
    if r.returncode == 0:
        j = json.loads(r.stdout)
        fixed = j.get("fixed") or {}
        maker = ((j.get("supplier") or {}).get("name") or "").strip() or "unknown"
        n = fixed.get("group_index_used") or 1.468
        pulse = (fixed.get("pulse_widths_ns") or [0])[0]
        spacing = (fixed.get("resolution_m") or [0])[0]
        ao = fixed.get("acquisition_offset") or 0
        fpo = fixed.get("front_panel_offset") or 0
        panel = max(0.0, (-ao if ao != 0 else fpo) * 1e-10 * SPEED_OF_LIGHT / n)
    else:
        info = run(["info", "--json", path])
        if info.returncode != 0:
            return None
        j = json.loads(info.stdout)
        maker, n, panel = "unknown", j["refractive_index"], 0.0
        pulse, spacing = j["pulse_width_ns"], j["sample_spacing"] * j.get("helix_factor", 1.0)
    if not 1.0 < n <= 2.0:
        n = 1.468
    tolerance = max(5.0, 3 * spacing, pulse * HALF_LIGHT_M_PER_NS / n)
    return maker.upper(), tolerance, panel, spacing


def contradicts_offsets(path, panel, tolerance, spacing):
    """No reflection stands at the front panel the header places, well into the trace."""
    if panel <= tolerance or spacing <= 0:
        return False
    r = run(["export", path])
    if r.returncode != 0:
        return False
    levels = [float(line.split(",")[1]) for line in r.stdout.splitlines()[1:]
              if line.count(",") >= 1 and line.split(",")[1]]
    p, w = int(panel / spacing), int(-(-tolerance // spacing))
    a, b = max(0, p - w), min(len(levels), p + w + 1)
    later = levels[b + w:b + 5 * w]
    return bool(levels[a:b]) and bool(later) and max(levels[a:b]) < statistics.median(later) + 1.0


def metres(e):
    return (e["distance_km"] or 0.0) * 1000.0


class Score:
    def __init__(self):
        self.counted = self.found = self.ours = self.right = 0
        self.loss, self.refl = [], []

    def add(self, other):
        self.counted += other.counted
        self.found += other.found
        self.ours += other.ours
        self.right += other.right
        self.loss += other.loss
        self.refl += other.refl


def score_file(stored, ours, tolerance, panel):
    s = Score()
    for e in stored:
        launch = abs(metres(e) - panel) <= tolerance
        end = e["type"] == FIBRE_END
        if launch or not (e["reflective"] or end or abs(e["loss_db"] or 0.0) >= 0.1):
            continue
        s.counted += 1
        near = min(ours, key=lambda o: abs(metres(o) - metres(e)), default=None)
        if near is None or abs(metres(near) - metres(e)) > tolerance:
            continue
        s.found += 1
        if (not e["reflective"] and not end and near["type"] != FIBRE_END
                and e["loss_db"] is not None and near["loss_db"] is not None):
            s.loss.append(abs(near["loss_db"] - e["loss_db"]))
        if (e["reflective"] and e["reflectance_db"] is not None and e["reflectance_db"] < 0
                and near["reflectance_db"] is not None):
            s.refl.append(abs(near["reflectance_db"] - e["reflectance_db"]))
    s.ours = len(ours)
    s.right = sum(any(abs(metres(o) - metres(e)) <= tolerance for e in stored) for o in ours)
    return s


files, duplicates = trace_files()
if duplicates:
    print(f"score-events: {duplicates} files of content met before skipped", file=sys.stderr)
general, _ = events_of(files, ["--method", "general"])
stored, behind = events_of(files, ["--stored"])
if behind:
    print(f"score-events: {behind} stored events lie outside the tables (behind the fibre end "
          "or outside the range) and are not counted", file=sys.stderr)
makers, total = {}, Score()
for f in files:
    if f not in general or f not in stored:
        continue
    d = describe(f)
    if d is None:
        continue
    maker, tolerance, panel, spacing = d
    if contradicts_offsets(f, panel, tolerance, spacing):
        print(f"score-events: {f}: no reflection at the front panel the file places "
              f"({panel:.1f} m): left out", file=sys.stderr)
        continue
    s = score_file(stored[f], general[f], tolerance, panel)
    makers.setdefault(maker, Score()).add(s)
    total.add(s)


def ratio(a, b):
    return f"{a:3d}/{b:<3d} {a / b if b else 0.0:4.2f}"


def median(v):
    return f"{statistics.median(v) if v else float('nan'):8.3f}({len(v)})"


print(f"{'maker':<32} {'recall':>12} {'precision':>12} {'splice err':>14} {'refl err':>14}")
for name, s in sorted(makers.items()) + [("TOTAL", total)]:
    print(f"{name:<32} {ratio(s.found, s.counted):>12} {ratio(s.right, s.ours):>12} "
          f"{median(s.loss):>14} {median(s.refl):>14}")
PYTHON
