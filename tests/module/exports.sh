#!/bin/sh
# The module exports its entry points and nothing else, and needs no C++ runtime.
# Usage: exports.sh MODULE [SYMBOL...]   (default: the VST 2 entries VSTPluginMain and main)
module="$1"
shift
[ $# -gt 0 ] || set -- VSTPluginMain main
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
exported=$(nm -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$exported" = "$expected" ] || { echo "exports: $exported, expected: $expected"; exit 1; }
if ldd "$module" | grep -E 'libstdc\+\+|libgcc_s'; then echo "links the C++ runtime dynamically"; exit 1; fi
echo "exports: $exported"
