#!/usr/bin/env bash
# Runs two builds of the installer and of scenario-tool side by side on the same inputs and
# compares, byte for byte, everything they print, write and return: the installer's files and
# status; write-sources; check (text, --json, --sarif, --no-track-plan), compile (with and
# without --write-on-error) and the compiled files, inspect (with and without the descriptions),
# map and diff, and explain for every code. The inputs are the carried scenario, every pair of
# descriptions in tests/fixtures/, the examples of docs/, and edited or broken variants of the
# carried scenario (keywords misspelt or in capitals, a field naming two records, fields too many
# or too few, comments, cells taken, values out of range, texts too long, ...).
#
# Usage: scripts/side-by-side.sh OLD_BUILD NEW_BUILD [WORK_DIR]
#   each build folder holds app/genova_torino_ic514 and tools/scenario-tool (a release, bench
#   or test build). Prints one line per difference and ends with status 1 when there is one.
set -euo pipefail
if [[ $# -lt 2 ]]; then
  echo "usage: $0 OLD_BUILD NEW_BUILD [WORK_DIR]" >&2
  exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${3:-$(mktemp -d)}
mkdir -p "$work"
exec python3 - "$repo" "$(realpath "$1")" "$(realpath "$2")" "$(realpath "$work")" <<'EOF'
import os, re, shutil, subprocess, sys

repo, old_build, new_build, work = sys.argv[1:5]
builds = {"old": old_build, "new": new_build}
differences = []
runs = 0


def tool(side):
    return os.path.join(builds[side], "tools", "scenario-tool")


def run(side, cwd, args, stdin=None):
    """Runs a program in `cwd`; what it printed and returned, and every file it left there."""
    global runs
    runs += 1
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    p = subprocess.run(args, cwd=cwd, capture_output=True, env=env, timeout=600)
    return p.returncode, p.stdout, p.stderr


def files_under(folder):
    found = {}
    for root, _, names in os.walk(folder):
        for n in names:
            path = os.path.join(root, n)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = f.read()
    return found


def compare(label, a, b):
    if a == b:
        return
    what = []
    for name, x, y in zip(("status", "stdout", "stderr", "files"), a, b):
        if x != y:
            what.append(name)
            if isinstance(x, bytes):
                xs, ys = x.splitlines(), y.splitlines()
                for i in range(max(len(xs), len(ys))):
                    lx = xs[i] if i < len(xs) else b"<none>"
                    ly = ys[i] if i < len(ys) else b"<none>"
                    if lx != ly:
                        what.append(f"  line {i + 1}:\n    old {lx[:300]!r}\n    new {ly[:300]!r}")
                        break
            elif isinstance(x, dict):
                for n in sorted(set(x) | set(y)):
                    if x.get(n) != y.get(n):
                        what.append(f"  file {n} differs")
    differences.append(f"{label}: " + "\n".join(what))


def side_by_side(label, case, commands):
    """Runs each command in a copy of the case's folder for each build, and compares."""
    results = {}
    for side in builds:
        folder = os.path.join(work, side, case)
        shutil.rmtree(folder, ignore_errors=True)
        shutil.copytree(os.path.join(work, "inputs", case), folder)
        out = []
        for args in commands:
            status, stdout, stderr = run(side, folder, [tool(side)] + args)
            out.append((status, stdout, stderr))
        results[side] = (out, files_under(folder))
    for i, args in enumerate(commands):
        o, n = results["old"][0][i], results["new"][0][i]
        compare(f"{label}: scenario-tool {' '.join(args)}", o + ({},), n + ({},))
    compare(f"{label}: files left", (0, b"", b"", results["old"][1]),
            (0, b"", b"", results["new"][1]))


# ---- The inputs ----

def put_case(case, files):
    folder = os.path.join(work, "inputs", case)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


carried = os.path.join(work, "carried")
for side in builds:
    folder = os.path.join(work, side, "write-sources")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    written = run(side, folder, [tool(side), "write-sources", "."])
    if side == "old":
        old_written = (written, files_under(folder))
    else:
        compare("write-sources", old_written[0] + (old_written[1],), written + (files_under(folder),))
shutil.rmtree(carried, ignore_errors=True)
shutil.copytree(os.path.join(work, "new", "write-sources"), carried)
LINE_NAME, TRAIN_NAME = "GENOVA_TORINO_linea.txt", "GENOVA_TORINO_IC514-.txt"
with open(os.path.join(carried, LINE_NAME), "rb") as f:
    LINE = f.read()
with open(os.path.join(carried, TRAIN_NAME), "rb") as f:
    TRAIN = f.read()


def edit(text, old, new, count=1):
    """`text` with its first line that starts with `old` (or holds it) replaced by `new`."""
    lines = text.split(b"\r\n")
    done = 0
    for i, line in enumerate(lines):
        if done < count and (line.startswith(old) or old in line):
            lines[i] = new(line) if callable(new) else new
            done += 1
    if not done:
        raise SystemExit(f"no line with {old!r} to edit")
    return b"\r\n".join(lines)


def swap(text, a, b):
    """`text` with its first lines that start with `a` and with `b` traded."""
    lines = text.split(b"\r\n")
    i = next(k for k, line in enumerate(lines) if line.startswith(a))
    j = next(k for k, line in enumerate(lines) if line.startswith(b))
    lines[i], lines[j] = lines[j], lines[i]
    return b"\r\n".join(lines)


def before(text, marker, added):
    return text.replace(marker, added + marker, 1)


long_text = b"(" + b"A" * 70000 + b")"
variants = {
    # the train description
    "two-records-in-one-field": ("T", lambda t: edit(t, b"segnale,    1500", lambda l: l.replace(
        b"segnale", b"segnale rallentamento") + b", 3000, 30, 400, 0, 1, 0")),
    "speed-and-station-in-one-field": ("T", lambda t: edit(t, b"stazione,    3150",
                                                             lambda l: l.replace(b"stazione", b"stazione velocita"))),
    "speed-and-adhesion-in-one-field": ("T", lambda t: edit(t, b"velocita,    4200",
                                                              b"velocita aderenza,    4200,   100, 4300, 90")),
    "misspelt-keyword": ("T", lambda t: edit(t, b"segnale,    2600", lambda l: l.replace(b"segnale", b"segnlae"))),
    "misspelt-heading": ("T", lambda t: t.replace(b"[segnali]", b"[segnal]")),
    "field-too-many": ("T", lambda t: edit(t, b"segnale,    5600", lambda l: l + b", 7")),
    "field-too-few": ("T", lambda t: edit(t, b"segnale,    6900", lambda l: l[: l.rfind(b",")])),
    "signal-on-taken-cell": ("T", lambda t: edit(t, b"segnale,    2600", b"segnale,    1520,   2, 2, 3,  1, 0,    2,  2,1,1, 0")),
    "keywords-in-capitals": ("T", lambda t: t.replace(b"segnale,", b"SEGNALE,").replace(b"velocita,", b"Velocita,")),
    "slowdowns-and-marks": ("T", lambda t: t.replace(b"[rallentamenti]\r\n", b"[rallentamenti]\r\n"
                                                     b"rallentamento,  52000,  60,  800,  0,  1,  0\r\n"
                                                     b"rallentamento,  70000,  100,  1000,  5,  0,  3\r\n"
                                                     b"rallentamento,  90000,  120,  500,  0,  0,  0\r\n"
                                                     b"abbattimento,  60000,  100\r\nabbattimento,  61000,  0\r\n")),
    "slowdown-warning-on-signal": ("T", lambda t: t.replace(b"[rallentamenti]\r\n", b"[rallentamenti]\r\n"
                                                            b"rallentamento,  2700,  60,  300,  0,  1,  0\r\n")),
    "slowdown-countdown-taken": ("T", lambda t: t.replace(b"[rallentamenti]\r\n", b"[rallentamenti]\r\n"
                                                          b"rallentamento,  3000,  60,  300,  0,  1,  0\r\n")),
    "mark-on-signal": ("T", lambda t: t.replace(b"[rallentamenti]\r\n", b"[rallentamenti]\r\n"
                                                b"abbattimento,  1460,  80\r\n")),
    "signal-in-cell-1": ("T", lambda t: before(t, b"segnale,    1500", b"segnale,    10,   2, 3, 1,  0, 0,    2,  2,1,0, 0\r\n")),
    "stations-out-of-order": ("T", lambda t: swap(t, b"stazione,    3150", b"stazione,    7350")),
    "station-not-on-50": ("T", lambda t: edit(t, b"stazione,    3150", lambda l: l.replace(b"3150", b"3160"))),
    "station-kind-too-large": ("T", lambda t: edit(t, b"stazione,    3150", lambda l: l.replace(b"3150,  2,", b"3150,  300,"))),
    "station-name-too-long": ("T", lambda t: edit(t, b"stazione,    3150", lambda l: l.replace(b"GENOVA P.PRINCIPE", long_text))),
    "station-name-in-utf8": ("T", lambda t: edit(t, b"stazione,       0", lambda l: l.replace(b"BRIGNOLE", "BRIGNOLÈ".encode()))),
    "comments-in-a-row": ("T", lambda t: before(t, b"segnale,    1500", b"-- one\r\n-- two\r\n-- the segnale below, 1, 2\r\n")),
    "comment-with-commas": ("T", lambda t: before(t, b"segnale,    1500", b"- signals, then boards\r\n// segnale 9000\r\n")),
    "last-record-without-end": ("T", lambda t: t[: t.rfind(b"[fine]")]),
    "train-without-header": ("T", lambda t: t.replace(b"[generale]", b"[general]")),
    "speed-not-in-steps-of-5": ("T", lambda t: edit(t, b"velocita,    4200", b"velocita,    4200,   102")),
    "position-outside-route": ("T", lambda t: before(t, b"[fine]", b"segnale,   180000,   2, 3, 1,  0, 0,    2,  2,1,0, 0\r\n")),
    # the line description
    "gradient-in-general-section": ("L", lambda l: edit(l, b"lunghezza percorso", lambda x: x + b"\r\npendenza,  100,  2")),
    "progressive-not-on-50": ("L", lambda l: edit(l, b"progressiva chilometrica due", b"progressiva chilometrica due,    10,    0,    0")),
    "progressive-not-on-50-before-header": ("L", lambda l: b"progressiva chilometrica tre, 20, 0, 0\r\n" + edit(l, b"progressiva chilometrica due", b"progressiva chilometrica due,    10,    0,    0")),
    "progressive-in-capitals": ("L", lambda l: edit(l, b"progressiva chilometrica due", b"Progressiva chilometrica due,    10,    0,    0")),
    "background-two-words": ("L", lambda l: edit(l, b"sfondo uno", b"sfondo uno due,    1000, 77")),
    "repetition-both-codes": ("L", lambda l: edit(l, b"ripetizione", b"ripetizione segnali 9 4 codici,    500,    170000")),
    "repetition-no-code": ("L", lambda l: edit(l, b"ripetizione", b"ripetizione segnali codici,    500,    170000")),
    "no-line-length": ("L", lambda l: edit(l, b"lunghezza percorso", b"- no length")),
    "line-too-long": ("L", lambda l: edit(l, b"lunghezza percorso", b"LUNGHEZZA PERCORSO,    1000001")),
    "line-without-header": ("L", lambda l: l.replace(b"[generale]", b"[general]")),
    "curve-without-class": ("L", lambda l: edit(l, b"curvas4,  950", b"curvas,  950,  550")),
    "curve-in-capitals": ("L", lambda l: edit(l, b"curvas4,  950", b"CURVAS4,  950,  550")),
    "mountain-and-gradient-in-one-field": ("L", lambda l: edit(l, b"montagna,   500", b"montagna pendenza,   500,  2850,  11,  600, 3")),
    "mountains-overlapping": ("L", lambda l: before(l, b"montagna,   500", b"montagna,   400,  3000,  2\r\n")),
    "boards-on-one-cell": ("L", lambda l: before(l, b"indicatori_vmax,  800", b"indicatori_vmax,  810,  60,  60,  60,  0,  ,  ,  ,  0\r\n")),
    "board-text-too-long": ("L", lambda l: edit(l, b"cartello_indicatore,  133850", b"cartello_indicatore,  133850,   " + long_text)),
    "board-field-too-few": ("L", lambda l: edit(l, b"cartello_indicatore,  162000", b"cartello_indicatore,  162000")),
    "gradient-out-of-order": ("L", lambda l: edit(l, b"pendenza,  5000", b"pendenza,  4500,   8")),
}

cases = {"carried": (LINE_NAME, LINE, TRAIN_NAME, TRAIN)}
for name, (which, change) in variants.items():
    cases[name] = (LINE_NAME, change(LINE) if which == "L" else LINE,
                   TRAIN_NAME, change(TRAIN) if which == "T" else TRAIN)

fixtures = os.path.join(repo, "tests", "fixtures")
for n in sorted(os.listdir(fixtures)):
    if not n.endswith("_linea.txt"):
        continue
    stem = n[: -len("_linea.txt")]
    for t in sorted(os.listdir(fixtures)):
        if t.startswith(stem + "_") and t.endswith("-.txt"):
            with open(os.path.join(fixtures, n), "rb") as f, open(os.path.join(fixtures, t), "rb") as g:
                cases["fixture-" + t[:-5]] = (n, f.read(), t, g.read())


def doc_examples(path):
    """The ```line and ```train blocks of a document, grouped by the heading above them."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    groups, heading = {}, "top"
    for part in re.split(r"(?m)^(#+ .*)$", text):
        if part.startswith("#"):
            heading = part
            continue
        for kind, body in re.findall(r"```(line|train)\n(.*?)```", part, re.S):
            groups.setdefault(heading, {})[kind] = body.replace("\n", "\r\n").encode("cp1252")
    return groups


defaults = doc_examples(os.path.join(repo, "docs", "format.md"))
default_pair = {}
for g in defaults.values():
    default_pair.update(g)
for doc in ("format.md", "errors.md", "warnings.md"):
    for i, (heading, given) in enumerate(doc_examples(os.path.join(repo, "docs", doc)).items()):
        pair = dict(default_pair, **given)
        cases[f"doc-{doc[:-3]}-{i}"] = ("EXAMPLE_linea.txt", pair["line"], "EXAMPLE_T-.txt", pair["train"])

# ---- The runs ----

for case, (ln, lb, tn, tb) in cases.items():
    put_case(case, {ln: lb, tn: tb})
    stem = tn[: -len("-.txt")]
    commands = [
        ["check", ln, tn], ["check", "--json", ln, tn], ["check", "--sarif", ln, tn],
        ["check", "--no-track-plan", ln, tn], ["check", "--werror", ln, tn],
        ["compile", ln, tn, "--out", "."], ["compile", "--json", "--write-on-error", ln, tn, "--out", "w"],
        ["compile", "--no-track-plan", "-w", ln, tn, "--out", "n"],
        ["inspect", f"{stem}.dat", f"{stem}.sim"], ["inspect", "--json", f"{stem}.dat"],
        ["inspect", f"w/{stem}.dat", "--sources", ln, tn],
        ["inspect", "--json", f"w/{stem}.dat", f"w/{stem}.sim", "--sources", ln, tn],
        ["inspect", f"n/{stem}.dat", "--only", "signal,station,slowdown", "--sources", ln, tn],
        ["inspect", f"w/{stem}.dat", "--only", "signal", "--km", "1-10", "--sources", ln, tn],
        ["map", "--from-sources", ln, tn, "-o", "-"], ["map", f"w/{stem}.dat", "--km", "1-20", "-o", "-"],
    ]
    if case != "carried":
        commands += [
            ["diff", f"../carried-pair/{LINE_NAME}", f"../carried-pair/{TRAIN_NAME}", ln, tn],
            ["diff", "--json", f"../carried-pair/{LINE_NAME}", f"../carried-pair/{TRAIN_NAME}", ln, tn],
            ["diff", ln, tn, f"../carried-pair/{LINE_NAME}", f"../carried-pair/{TRAIN_NAME}"],
            ["diff", "../carried-pair/w", "w"],
        ]
    if case == "carried":
        put_case("carried-pair", {ln: lb, tn: tb})
        for side in builds:
            folder = os.path.join(work, side, "carried-pair")
            shutil.rmtree(folder, ignore_errors=True)
            shutil.copytree(os.path.join(work, "inputs", "carried-pair"), folder)
            run(side, folder, [tool(side), "compile", ln, tn, "--out", "w"])
    side_by_side(case, case, commands)

# The descriptions beside the compiled files, as inspect finds them.
put_case("beside", {LINE_NAME: LINE, TRAIN_NAME: TRAIN})
side_by_side("beside", "beside", [["compile", LINE_NAME, TRAIN_NAME, "--out", "."],
                                  ["inspect", "GENOVA_TORINO_IC514.dat"],
                                  ["inspect", "--json", "GENOVA_TORINO_IC514.dat"]])

put_case("explain", {})
side_by_side("explain", "explain", [["explain", str(c)] for c in list(range(0, 110)) + [1250, 1251]])

# The installer, headless, in a fresh folder each.
installed = {}
for side in builds:
    folder = os.path.join(work, side, "installer")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    program = os.path.join(folder, "genova_torino_ic514")
    shutil.copy(os.path.join(builds[side], "app", "genova_torino_ic514"), program)
    status, stdout, stderr = run(side, folder, [program])
    files = files_under(folder)
    del files["genova_torino_ic514"]
    installed[side] = (status, stdout, stderr, files)
compare("installer", installed["old"], installed["new"])

print(f"{len(cases)} cases, {runs} runs, {len(differences)} differences")
for d in differences:
    print(d)
sys.exit(1 if differences else 0)
EOF
