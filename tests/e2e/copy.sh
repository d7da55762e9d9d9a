#!/usr/bin/env bash
# Copying a disc as the user does: "Create ISO", a name in the save dialog, and the image compared
# byte for byte with the disc. Also: cancelling the save dialog, declining and accepting the
# overwrite question for an existing larger file, and a name typed without an extension. The save
# dialog proposes the disc's label as the name; the shell's taskbar interface is in use during the
# copies (Wine's taskbar shows no progress: the unit tests watch the button through a seam).
BUILD=$1 SRC=$2
. "$SRC/tests/e2e/libcdrom.sh"
. "$SRC/tests/e2e/libpelmora.sh"

e2e_prefix copy
e2e_session
disc=$E2E_DIR/disc.iso
e2e_make_iso "$disc" COPY_E2E 12
e2e_add_cdrom e "$disc"
e2e_start
out=$E2E_DIR/out
mkdir -p "$out"
e2e_start_pelmora
expect_drives 'E:\ - COPY_E2E'
expect_button "Create ISO" enabled 3000

# copy_to UNIX_PATH: "Create ISO", type the path, then wait for the copy to end.
copy_to() {
    local start
    start=$(now_ms)
    create_image "$1"
    CREATE_OUT=$DRV_OUT
    expect_button "Create ISO" enabled 60000
    COPY_MS=$(( $(now_ms) - start ))
}

echo "== cancelling the save dialog starts nothing"
drv create-cancel || fail "the save dialog did not cancel"
drv_has -F 'file type: [ISO files (*.iso)]' || fail "the save dialog does not offer 'ISO files (*.iso)' first"
drv_has -F 'file name: [COPY_E2E.iso]' || fail "the save dialog does not propose the label's name COPY_E2E.iso"
expect_button "Create ISO" enabled 1000
[ -z "$(ls -A "$out")" ] || fail "cancelling left files: $(ls "$out")"
drv status
[ "$DRV_OUT" = "status: []" ] || fail "the status line changed although nothing was copied"
pass "cancel: nothing copied, button still reads Create ISO"

echo "== a full copy, with the shell's taskbar interface taken up"
drv taskbar-created || fail "the main window did not handle TaskbarButtonCreated"
copy_to "$out/first.iso"
! printf '%s\n' "$CREATE_OUT" | grep -q '^overwrite question: ' || fail "an overwrite question for a new file"
expect_copy "$out/first.iso" "$disc"
(cd "$out" && sha256sum -c --strict first.iso.sha256) || fail "first.iso.sha256 does not check the image"
expect_time_status "after the copy"
pass "copy took $COPY_MS ms including the dialog"

echo "== declining the overwrite question keeps the existing file and starts nothing"
head -c $((20 * 1024 * 1024)) /dev/urandom >"$out/old.iso"
cp "$out/old.iso" "$E2E_DIR/old.orig"
drv create-declined "$(win_path "$out/old.iso")" || fail "declining the overwrite question was not asked after the save dialog"
expect_button "Create ISO" enabled 1000
cmp "$out/old.iso" "$E2E_DIR/old.orig" || fail "the existing file changed although overwriting was declined"
pass "declined: the old file is untouched"

echo "== an existing, larger file is replaced after the overwrite question"
copy_to "$out/old.iso"
printf '%s\n' "$CREATE_OUT" | grep -q '^overwrite question: ' || fail "no overwrite question for an existing file"
expect_copy "$out/old.iso" "$disc"
(cd "$out" && sha256sum -c --strict old.iso.sha256) || fail "old.iso.sha256 does not check the new image"
tr -d '\r' <"$out/old.iso.log" | grep -qx 'Replace: yes, before the copy' ||
    fail "the window's report does not say that the old file was replaced: $(cat "$out/old.iso.log")"
pass "old file replaced, none of its bytes left behind"

echo "== a name typed without an extension gets .iso"
copy_to "$out/backup"
[ ! -e "$out/backup" ] || fail "the image was written as 'backup' without an extension"
expect_copy "$out/backup.iso" "$disc"
pass "backup became backup.iso"

echo "== nothing else was written than the images, their checksums and their reports"
listing=$(cd "$out" && ls | sort | tr '\n' ' ')
[ "$listing" = "backup.iso backup.iso.log backup.iso.sha256 first.iso first.iso.log first.iso.sha256 old.iso old.iso.log old.iso.sha256 " ] || fail "unexpected files in the output folder: $listing"

e2e_close
