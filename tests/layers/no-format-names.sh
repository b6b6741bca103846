#!/bin/sh
# The engine, the core, the panel and the toolkit know no plug-in format: no name, type or
# text of theirs names one (only each format's wrapper, under formats/, knows its format).
# Comments may still say what hosts of a format do.
# Usage: no-format-names.sh SOURCE_DIR [FOLDER...]   (the folders default to the four layers)
cd "$1" || exit 1
shift
[ $# -gt 0 ] || set -- core engine editor gui
found=$(find "$@" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.txt' -o -name '*.cmake' \) | sort |
    while read -r file; do
        # Comments go (C++'s, or CMake's #); what is left is code.
        case "$file" in
        *.h | *.cpp) strip='s://.*$::; s:/\*.*\*/::g; /\/\*/,/\*\//d' ;;
        *) strip='s:#.*$::' ;;
        esac
        # NEON's store intrinsics (vst1q_f32 ...) are no format.
        sed -e "$strip" -e 's/vst[1-4]q\{0,1\}_[a-z0-9_]*//g' "$file" |
            grep -n -i -E 'vst|lv2|clap' | sed "s|^|$file:|"
    done)
if [ -n "$found" ]; then
    echo "$found"
    exit 1
fi
echo "no format named in the code of $*"
