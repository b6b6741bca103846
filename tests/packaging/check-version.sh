#!/bin/sh
# The one version, as every host and the user read it: zkhost --version, the CLAP
# descriptor, the VST3 class info (major.minor.micro.build), the VST 2 vendor version (the
# major number) and the About page's line. The LV2 bundle's is checked by check-lv2-tools.
# Usage: check-version.sh BUILD_DIR VERSION
build=$1 version=$2
major=${version%%.*}
failures=0
expect() { # what, got, wanted
    if [ "$2" = "$3" ]; then echo "ok: $1: $2"; else echo "FAILED: $1 is \"$2\", not \"$3\""; failures=$((failures + 1)); fi
}
field() { "$build/tools/zkhost" info "$1" | sed -n "s/^$2: *//p"; }
expect "zkhost --version" "$("$build/tools/zkhost" --version)" "zkhost $version"
expect "the CLAP descriptor's version" "$(field "$build/Zephyrkettledrome.clap" Version)" "$version"
expect "the VST3 class version" "$(field "$build/Zephyrkettledrome.vst3" Version)" "$version.0"
expect "the VST 2 vendor version" "$(field "$build/Zephyrkettledrome.so" "Vendor version")" "$major"
about=$("$build/tests/editor/zk_render_panel" --about-text)
about=${about% With SSE}
about=${about% With NEON}
expect "the About page" "${about% No SSE}" "Version $version"
[ $failures -eq 0 ]
