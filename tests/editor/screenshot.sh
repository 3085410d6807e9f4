#!/usr/bin/env bash
# Takes docs/editor-diagnostic.png from a real run: Debian's Neovim in an xterm on a virtual X
# server (Xvfb), with scenario-tool lsp attached (screenshot.lua). Run by hand after changing
# what the server shows, with a release build of scenario-tool:
#   tests/editor/screenshot.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/install-deps.sh xvfb xterm x11-apps netpbm xfonts-base neovim
tool=${SCENARIO_TOOL:-$PWD/build/release/tools/scenario-tool}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
"$tool" write-sources "$work" >/dev/null
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1200x520x24 -nolisten tcp &
sleep 1
DISPLAY=$display SCENARIO_TOOL=$tool SCREENSHOT_READY=$work/ready \
  xterm -geometry 132x30+0+0 -fa 'DejaVu Sans Mono' -fs 11 -bg white -fg black \
  -e nvim --clean -n -c "luafile tests/editor/screenshot.lua" "$work/GENOVA_TORINO_IC514-.txt" &
for _ in $(seq 100); do [ -e "$work/ready" ] && break; sleep 0.2; done
[ -e "$work/ready" ] || { echo "$0: Neovim did not show the diagnostic" >&2; exit 1; }
xwd -root -display "$display" -silent | xwdtopnm 2>/dev/null | pnmtopng >docs/editor-diagnostic.png
echo "docs/editor-diagnostic.png written"
