#!/usr/bin/env bash
# Draws a 10^4-pin Steiner tree with treeplot and renders the picture as a
# browser would, printing times and sizes. Renders with rsvg-convert (Debian
# package librsvg2-bin) and, where installed, headless Chromium (chromium).
#
#   tools/renderCheck.sh [BUILD_DIR [PIN_FILE OBSTACLE_FILE TREE_FILE]]
#
# Without files it makes the instance with treegen and the tree with zorvane.
# The pictures go to BUILD_DIR/renderCheck/.
set -euo pipefail
build=${1:-build}
out=$build/renderCheck
mkdir -p "$out"
TIMEFORMAT='%R s'

if (($# >= 4)); then
  pins=$2 obstacles=$3 tree=$4
else
  pins=$out/pins.txt obstacles=$out/obstacles.txt tree=$out/smt.txt
  "$build/treegen" --pins 10000 --obstacles 2000 --box 0,0,100000,100000 \
    --seed 1 "$pins" "$obstacles"
  echo "zorvane: $( { time "$build/zorvane" "$pins" "$obstacles" "$tree" \
    >/dev/null; } 2>&1 )"
fi

"$build/treecheck" "$pins" "$obstacles" "$tree" || true
svg=$out/tree.svg
echo "treeplot: $( { time "$build/treeplot" "$pins" "$obstacles" "$tree" \
  "$svg"; } 2>&1 ), $(stat -c %s "$svg") bytes"

rendered=0
if command -v rsvg-convert >/dev/null; then
  echo "rsvg-convert: $( { time rsvg-convert --width 1600 -o "$out/rsvg.png" \
    "$svg"; } 2>&1 ), $out/rsvg.png"
  rendered=1
fi
if command -v chromium >/dev/null; then
  # The page scales the picture to the window, as a browser tab shows it.
  page=$out/page.html
  printf '<html><body style="margin:0"><img src="tree.svg" style="width:100%%"></body></html>\n' >"$page"
  echo "chromium: $( { time chromium --headless --no-sandbox --disable-gpu \
    --hide-scrollbars --window-size=1600,1700 \
    --screenshot="$(realpath "$out")/chromium.png" \
    "file://$(realpath "$page")" >/dev/null 2>&1; } 2>&1 ), $out/chromium.png"
  rendered=1
fi
if ((rendered == 0)); then
  echo "neither rsvg-convert nor chromium is installed:" \
    "apt-get install librsvg2-bin (or chromium)" >&2
  exit 1
fi
