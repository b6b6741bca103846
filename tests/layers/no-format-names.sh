#!/bin/sh
# The engine, the core, the panel and the toolkit know no plug-in format: not even its name
# appears in them (only each format's wrapper, under formats/, knows its format).
# Usage: no-format-names.sh SOURCE_DIR
cd "$1" || exit 1
if found=$(grep -rniI -e vst2 -e clap core engine editor gui); then
    echo "$found"
    exit 1
fi
echo "no format named in core, engine, editor or gui"
