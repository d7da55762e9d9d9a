# Shared by the end-to-end scripts: a private Wine prefix with virtual CD-ROM drives backed by
# .iso files. Source it after setting BUILD (the build folder) and SRC (the source folder).
set -euo pipefail

# e2e_prefix NAME: a fresh prefix for this test, copied from the test command's template
# (PELMORA_WINE_TEMPLATE), with its own persistent server. Sets WINEPREFIX and E2E_DIR.
e2e_prefix() {
    local name=$1
    . "$SRC/scripts/wine-env.sh"
    wine_select
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    E2E_DIR=$BUILD/e2e/$name
    # A server left running on this test's prefix by an earlier run goes before the prefix does.
    # Only that one: the prefix inherited from the caller (the unit tests' own, with the server
    # the test command started outside ctest's pipes) is left alone.
    if [ -d "$E2E_DIR/prefix" ]; then
        WINEPREFIX=$E2E_DIR/prefix wineserver -k </dev/null >/dev/null 2>&1 || true
    fi
    rm -rf "$E2E_DIR"
    mkdir -p "$E2E_DIR/drives"
    local template=${PELMORA_WINE_TEMPLATE:-$BUILD/wine/template}
    if [ ! -f "$template/.pelmora-ready" ]; then
        echo "no Wine template prefix at $template: run the tests through scripts/test.sh" >&2
        exit 1
    fi
    cp -a "$template" "$E2E_DIR/prefix"
    export WINEPREFIX=$E2E_DIR/prefix
    export E2E_DIR
    trap e2e_stop EXIT
}

# e2e_make_iso OUT LABEL MEGABYTES: a data disc with files of pseudo-random bytes.
# An empty LABEL gives a disc without a volume label.
e2e_make_iso() {
    local out=$1 label=$2 mb=$3
    local tree=$E2E_DIR/tree-$(basename "$out" .iso)
    rm -rf "$tree"; mkdir -p "$tree/sub"
    echo "Pelmora test disc" >"$tree/readme.txt"
    if [ "$mb" -gt 0 ]; then
        head -c $((mb * 1024 * 1024)) /dev/urandom >"$tree/sub/data.bin"
    fi
    if [ -n "$label" ]; then
        xorriso -as mkisofs -quiet -V "$label" -o "$out" "$tree" >/dev/null 2>&1
    else
        xorriso -as mkisofs -quiet -o "$out" "$tree" >/dev/null 2>&1
        # mkisofs writes a default label when none is given; blank the volume identifier
        # (32 bytes at offset 40 of the primary volume descriptor in sector 16).
        printf '%*s' 32 '' | dd of="$out" bs=1 seek=$((16 * 2048 + 40)) conv=notrunc status=none
    fi
    rm -rf "$tree"
}

# place_disc LETTER ISO: drive LETTER's device file becomes the disc ISO (a hard link, else a
# copy), replaced under its old name; sets DISC_DIR to the drive's folder.
place_disc() {
    DISC_DIR=$E2E_DIR/drives/$1
    mkdir -p "$DISC_DIR"
    if [ ! "$2" -ef "$DISC_DIR/disc.iso" ]; then
        ln -f "$2" "$DISC_DIR/disc.iso.new" 2>/dev/null || cp "$2" "$DISC_DIR/disc.iso.new"
        mv -f "$DISC_DIR/disc.iso.new" "$DISC_DIR/disc.iso"
    fi
}

# e2e_add_cdrom LETTER ISO: drive LETTER becomes a CD-ROM drive holding the disc ISO.
# Call before e2e_start (the mount manager reads this only when the server starts).
e2e_add_cdrom() {
    place_disc "$1" "$2"
    ln -sfn "$DISC_DIR" "$WINEPREFIX/dosdevices/$1:"
    ln -sfn "$DISC_DIR/disc.iso" "$WINEPREFIX/dosdevices/$1::"
    e2e_mark_cdrom "$1"
}

# e2e_add_empty_cdrom LETTER: a CD-ROM drive with no disc in it.
e2e_add_empty_cdrom() {
    local letter=$1 dir=$E2E_DIR/drives/$1
    mkdir -p "$dir-device"
    ln -sfn "$dir-nothing" "$WINEPREFIX/dosdevices/$letter:"
    ln -sfn "$dir-device" "$WINEPREFIX/dosdevices/$letter::"
    e2e_mark_cdrom "$letter"
}

e2e_mark_cdrom() {
    wine reg add 'HKLM\Software\Wine\Drives' /v "$1:" /t REG_SZ /d cdrom /f </dev/null >/dev/null 2>&1
}

# e2e_start: (re)starts this prefix's server so that it sees the drives, outside any pipe.
e2e_start() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

e2e_stop() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k </dev/null >/dev/null 2>&1 || true
}

# e2e_wine PROGRAM ARGS...: runs a Windows program of ours in the prefix and returns its exit code.
e2e_wine() {
    wine "$@" </dev/null
}

# e2e_cached_iso NAME LABEL MEGABYTES: prints the path of a disc image kept in the build folder
# and made only once, so that scripts needing a large disc do not each spend time building it.
e2e_cached_iso() {
    local name=$1 label=$2 mb=$3
    local dir=$BUILD/e2e/discs out=$BUILD/e2e/discs/$1.iso
    if [ ! -f "$out" ]; then
        mkdir -p "$dir"
        local saved=$E2E_DIR
        E2E_DIR=$dir
        e2e_make_iso "$out.tmp" "$label" "$mb"
        E2E_DIR=$saved
        mv -f "$out.tmp" "$out"
    fi
    echo "$out"
}

# e2e_insert LETTER ISO: puts the disc ISO into drive LETTER while programs run. The device
# file is replaced under its old name and the drive redefined through Wine's mount manager.
e2e_insert() {
    place_disc "$1" "$2"
    mount_cdrom insert "$1" "$DISC_DIR" "$DISC_DIR/disc.iso"
}

# mount_cdrom ARGS...: tells Wine's mount manager of a drive (tests/helpers/mount_cdrom.cpp).
mount_cdrom() {
    timeout 30 wine "$BUILD/tests/mount_cdrom.exe" "$@" </dev/null
}

# e2e_eject LETTER: takes the disc out of drive LETTER while programs run; the drive stays,
# empty (its root does not exist and its device is an empty folder).
e2e_eject() {
    local letter=$1 dir=$E2E_DIR/drives/$1
    mkdir -p "$dir-device"
    mount_cdrom insert "$letter" "$dir-nothing" "$dir-device" >/dev/null &&
        echo "ejected $letter:"
}

# e2e_read_shim: builds the preload shim that slows reads of a disc file or makes them fail
# (tests/e2e/read_shim.c) into the test's folder and sets READ_SHIM to it. It is built for the
# Wine loader that runs our programs (PELMORA_WINE_LOADER), which is where it is preloaded.
e2e_read_shim() {
    READ_SHIM=$E2E_DIR/read_shim.so
    gcc -m"$PELMORA_WINE_BITS" -shared -fPIC -o "$READ_SHIM" "$SRC/tests/e2e/read_shim.c" -ldl || {
        echo "cannot build the read shim" >&2
        exit 1
    }
}

# e2e_remove_drive LETTER: the drive letter goes away while programs run.
e2e_remove_drive() {
    local letter=$1
    mount_cdrom remove "$letter" >/dev/null || return 1
    # Without its device link the letter would answer again with another volume's data.
    rm -f "$WINEPREFIX/dosdevices/$letter::"
    echo "removed drive $letter:"
}
