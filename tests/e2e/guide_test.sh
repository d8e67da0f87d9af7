#!/usr/bin/env bash
# Follows the guide as a new user would: installs this build into a temporary prefix, runs every
# command block of docs/guide.md marked "<!-- guide-test -->", in order, in a fresh home folder, and
# then checks that the kit and the updater the guide makes did what the guide says.
#
#   tests/e2e/guide_test.sh CMAKE BUILD_DIR GUIDE
#
# The commands come from the guide itself, so the guide cannot drift from what works.
set -euo pipefail

if [ $# -ne 3 ]; then
    echo "usage: $0 CMAKE BUILD_DIR GUIDE" >&2
    exit 2
fi
cmake=$1
build=$2
guide=$3

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A prefix install, as `cmake --install build --prefix ...` in the guide's first section.
if ! "$cmake" --install "$build" --prefix "$tmp/prefix" >"$tmp/install.log" 2>&1; then
    cat "$tmp/install.log" >&2
    echo "FAIL: cmake --install (is the whole build done?)" >&2
    exit 1
fi

# The marked blocks, each a fenced sh block right after its marker.
script="$tmp/guide.sh"
if ! awk '
    BEGIN { print "set -euo pipefail" }
    /^<!-- guide-test -->$/ { marked = 1; next }
    marked && /^```sh$/ { inside = 1; marked = 0; blocks++; print "# block " blocks; next }
    marked { printf "line %d: a guide-test marker not followed by a sh block\n", NR > "/dev/stderr"; bad = 1; exit }
    inside && /^```$/ { inside = 0; next }
    inside { print }
    END {
        if (bad) exit 1
        if (inside) { print "the last guide-test block is not closed" > "/dev/stderr"; exit 1 }
        if (blocks == 0) { print "no guide-test blocks" > "/dev/stderr"; exit 1 }
    }' "$guide" >"$script"; then
    echo "FAIL: cannot read the commands of $guide" >&2
    exit 1
fi

# A new user: an empty home, the kit under the prefix, no display, no system root of their own.
home="$tmp/home"
mkdir -p "$home"
run_env=(env -i "HOME=$home" "PREFIX=$tmp/prefix" "PATH=$tmp/prefix/bin:/usr/bin:/bin"
         "XDG_DATA_HOME=$home/.local/share" "QT_QPA_PLATFORM=offscreen" "LANG=C.UTF-8")
for passed in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
    if [ -n "${!passed:-}" ]; then
        run_env+=("$passed=${!passed}")
    fi
done
if ! (cd "$home" && "${run_env[@]}" bash "$script") >"$tmp/guide.log" 2>&1; then
    cat "$tmp/guide.log" >&2
    echo "FAIL: a command of the guide failed (the last lines above); the script was:" >&2
    cat -n "$script" >&2
    exit 1
fi
work="$home/vexa-work"

contains() {  # FILE TEXT WHAT
    if [ ! -f "$1" ]; then
        fail "$3: $1 is missing"
    elif ! grep -qF -- "$2" "$1"; then
        fail "$3: $1 lacks '$2'"
    fi
}

# Section 3: the sample kit and the kit of one's own on XP and Vista 64.
contains "$work/xp/Windows/DPINST.LOG" "sample-kit/Driver/XP32/DPInst.exe\", \"/s\", \"/sw\"" "sample kit install"
contains "$work/xp/Windows/TVCENTER.LOG" '"-setup", "QM718", "/s"' "sample kit follow-up"
contains "$work/xp/Windows/DPINST.LOG" 'mykit/Driver/XP32/DPInst.exe", "/s", "/sw", "/f"' "QM555 install on XP"
contains "$work/vista64/Windows/DPINST.LOG" 'mykit/Driver/Vista64/DPInst.exe", "/s", "/sw"' "QM555 install on Vista 64"
marker="$work/vista64/Windows/system32/Drivers/VexaQM555.flg"
if [ "$(tr '\0' '.' <"$marker" 2>/dev/null)" != "Do Not Delete." ]; then
    fail "QM555 marker on Vista 64: $marker does not hold the marker text"
fi
ls "$work/vista64/Windows/inf/"oem*.inf >/dev/null 2>&1 || fail "QM555 on Vista 64: no driver package in Windows/inf"
contains "$work/vista64/Windows/SETUP.LOG" '"-install", "QM555", "/s"' "QM555 follow-up program"

# Section 4: the uninstall and the default command line of the setup INI.
contains "$work/xp/Windows/DPINST.LOG" '"/s", "/u"' "QM555 uninstall on XP"
contains "$work/xp/Windows/DPINST.LOG" 'qm555.inf", "/D"' "QM555 uninstall on XP"
contains "$work/xp/Windows/SETUP.LOG" '"-remove", "QM555", "/s"' "QM555 uninstall follow-up"
contains "$work/xp-fresh/Windows/SETUP.LOG" '"-install", "QM555", "/s"' "install from CmdLineParameter"
[ -f "$work/xp-fresh/Windows/system32/Drivers/VexaQM555.flg" ] || fail "install from CmdLineParameter: no marker"

# Section 5: the packed updater carries the new images and no longer the sample ones.
updater="$work/fwupdate-nb10"
if [ ! -x "$updater" ]; then
    fail "fwpack: $updater was not made"
else
    listing=$("$tmp/prefix/bin/fwpack" --list "$updater" || true)
    for name in NB10_011.WPH.gz NB10_011.BIN.gz SWinFlash.exe.gz AddMem.sys.gz ConResEn.dll.gz; do
        grep -qF " $name" <<<"$listing" || fail "fwpack: $updater lacks $name"
    done
    if grep -qF "NB10_012" <<<"$listing"; then
        fail "fwpack: $updater still carries the sample images"
    fi
fi

# Section 6: the notebook runs the new firmware after the update, the failed check is reported by its
# exit status, and the unattended run ends well.
machine=$(env -i "PATH=/usr/bin:/bin" "WINSYS_ROOT=$work/nb10" "$tmp/prefix/bin/winsys" machine show || true)
grep -qF "running BIOS         model NB10, part number 011, version P03A, date 06/30/2007" <<<"$machine" ||
    fail "update: the notebook does not run BIOS P03A"
grep -qF "running firmware 1.30" <<<"$machine" || fail "update: the notebook does not run MICOM 1.30"
grep -qF "auto-on" <<<"$machine" || fail "update: the notebook was not switched on by itself"
contains "$work/messageboxes.log" '"caption": "Update Complete"' "update: the completion message"
if [ "$(grep -c '^fwupdate ended with 0$' "$tmp/guide.log")" -ne 2 ]; then
    fail "update: the full and the unattended update do not both end with 0"
fi
contains "$tmp/guide.log" "fwupdate ended with 16 " "update without AC adapter"

if [ "$failures" -ne 0 ]; then
    echo "--- what the guide's commands printed:" >&2
    cat "$tmp/guide.log" >&2
    exit 1
fi
echo "guide_test: every marked command of the guide ran, and the kit and updater it made work"
