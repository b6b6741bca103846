#!/bin/sh
# The pictures of the panel the README shows and the VST3 bundle's snapshots are made from
# (docs/panel.png, docs/panel@2x.png) are the panel as it is drawn now, pixel for pixel.
# Usage: check-panel-pictures.sh SOURCE_DIR BUILD_DIR
source=$1 build=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$build/tests/editor/zk_render_panel" "$scratch/1.png" >/dev/null &&
    "$build/tests/editor/zk_render_panel" "$scratch/2.png" --scale 2 >/dev/null || exit 1
python3 "$source/scripts/compare-panels.py" "$source/docs/panel.png" "$scratch/1.png" --exact &&
    python3 "$source/scripts/compare-panels.py" "$source/docs/panel@2x.png" "$scratch/2.png" --scale 2 --exact ||
    { echo "remake them: zk_render_panel docs/panel.png; zk_render_panel docs/panel@2x.png --scale 2"; exit 1; }
