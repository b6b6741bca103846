#!/bin/sh
# Installs the plug-ins of this folder where Linux hosts look for them, or removes them.
#   ./install.sh              for you:        ~/.vst ~/.clap ~/.lv2 ~/.vst3
#   ./install.sh --system     for every user: /usr/local/lib/vst, clap, lv2, vst3 (as root)
#   ./install.sh --uninstall [--system]       removes exactly what the install put there
# An install notes what it wrote, files and the folders it had to make, in a record
# (~/.local/share/zephyrkettledrome/installed, or /usr/local/share/... with --system); an
# install over an earlier one removes that one first.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
scope=user
action=install
for argument in "$@"; do
    case $argument in
    --system) scope=system ;;
    --uninstall) action=uninstall ;;
    -h | --help)
        sed -n '2,8s/^# \{0,1\}//p' "$0"
        exit 0
        ;;
    *)
        echo "install.sh: unknown option $argument (try --help)" >&2
        exit 2
        ;;
    esac
done

if [ $scope = system ]; then
    recordDir=/usr/local/share/zephyrkettledrome
else
    [ -n "${HOME:-}" ] || {
        echo "install.sh: HOME is not set" >&2
        exit 1
    }
    recordDir=${XDG_DATA_HOME:-$HOME/.local/share}/zephyrkettledrome
fi
record=$recordDir/installed

# Where a folder of this package goes: vst -> ~/.vst or /usr/local/lib/vst, and so on; the
# VST3 presets (vst3/presets/...) go to ~/.vst3/presets or /usr/local/share/vst3/presets.
target() {
    if [ $scope = system ]; then echo "/usr/local/lib/$1"; else echo "$HOME/.$1"; fi
}
destinationOf() { # kind, path inside its folder
    case $scope/$1/$2 in
    system/vst3/presets/*) echo "/usr/local/share/vst3/$2" ;;
    *) echo "$(target "$1")/$2" ;;
    esac
}
places() { echo "$(target vst), $(target clap), $(target lv2) and $(target vst3)"; }

notes=$(mktemp)
installing=
# An install that fails half-way takes back what it wrote.
finish() {
    status=$?
    [ $status -eq 0 ] || [ -z "$installing" ] || removeListed "$notes"
    rm -f "$notes" "$notes.list" "$notes.old"
    exit $status
}
trap finish EXIT

# Makes a folder and its missing parents, noting each one it made.
makeFolder() {
    [ -d "$1" ] && return 0
    makeFolder "$(dirname "$1")"
    mkdir "$1"
    echo "folder $1" >>"$notes"
}

# Removes what a list names: files first, then the folders an install made, inner ones
# before the folders holding them; a folder that holds something else by now stays.
removeListed() {
    sed -n 's/^file //p' "$1" | while IFS= read -r path; do rm -f "$path"; done
    sed -n 's/^folder //p' "$1" | sort -r | while IFS= read -r path; do rmdir "$path" 2>/dev/null || true; done
}

removeRecorded() {
    cp "$record" "$notes.old"
    rm -f "$record"
    removeListed "$notes.old"
    rm -f "$notes.old"
}

uninstall() {
    [ -f "$record" ] || {
        echo "install.sh: nothing to remove: no record of an install at $record" >&2
        exit 1
    }
    removeRecorded
    echo "Removed Zephyrkettledrome from $(places)."
}

install() {
    if [ -f "$record" ]; then
        echo "Replacing the earlier install recorded at $record"
        removeRecorded
    fi
    installing=1
    for kind in vst clap lv2 vst3; do
        [ -d "$here/$kind" ] || continue
        (cd "$here/$kind" && find . -type f) | sed 's|^\./||' | sort >"$notes.list"
        while IFS= read -r relative; do
            destination=$(destinationOf $kind "$relative")
            makeFolder "$(dirname "$destination")"
            echo "file $destination" >>"$notes"
            cp "$here/$kind/$relative" "$destination"
            chmod 644 "$destination"
            [ ! -x "$here/$kind/$relative" ] || chmod 755 "$destination"
        done <"$notes.list"
        rm -f "$notes.list"
    done
    makeFolder "$recordDir"
    cp "$notes" "$record"
    installing=
    echo "Installed Zephyrkettledrome into $(places)."
    echo "Hosts find it at their next scan. To remove it: $0 --uninstall$([ $scope = user ] || echo ' --system')"
}

$action
