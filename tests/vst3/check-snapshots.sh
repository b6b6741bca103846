#!/bin/sh
# The bundle's snapshots carry the processor's class id as hosts read it, and are the
# panel's pictures at 1 x and 2 x.
# Usage: check-snapshots.sh SOURCE_DIR BUILD_DIR
source=$1 build=$2
id=$("$build/tools/zkhost" info "$build/Zephyrkettledrome.vst3" | sed -n 's/^Class ID: *//p')
folder=$build/Zephyrkettledrome.vst3/Contents/Resources/Snapshots
[ -n "$id" ] && cmp "$folder/${id}_snapshot.png" "$source/docs/panel.png" &&
    cmp "$folder/${id}_snapshot_2.0x.png" "$source/docs/panel@2x.png" && echo "snapshots of $id" && exit 0
echo "FAILED: no snapshots of class $id in $folder: $(ls "$folder")"
exit 1
