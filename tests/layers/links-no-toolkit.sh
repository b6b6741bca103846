#!/bin/sh
# Fails when the program links code of the GUI toolkit or FreeType: the core's tests build
# without either. The core itself must be there, or nm read nothing.
set -eu
symbols=$(nm -C "$1")
printf '%s\n' "$symbols" | grep -q 'zk::PluginEffect::' || { echo "$1: no symbols of the core" >&2; exit 1; }
if printf '%s\n' "$symbols" | grep -E ' (zk::gui::|FT_[A-Z])' >&2; then
    echo "$1 links the toolkit or FreeType" >&2
    exit 1
fi
