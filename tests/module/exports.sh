#!/bin/sh
# The module exports its two entry points and nothing else, and needs no C++ runtime.
module="$1"
exported=$(nm -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$exported" = "VSTPluginMain main " ] || { echo "exports: $exported"; exit 1; }
if ldd "$module" | grep -E 'libstdc\+\+|libgcc_s'; then echo "links the C++ runtime dynamically"; exit 1; fi
echo "exports: $exported"
