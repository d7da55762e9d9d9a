# Shared by the project's scripts: configure and build. Source it; it defines functions only.

# build_pelmora ROOT: builds the whole tree and sets PELMORA_BUILT to the build folder: build/
# through the presets, or $PELMORA_BUILD_DIR, which lets several people build side by side in
# one work tree.
build_pelmora() {
    local root=$1
    if [ -z "${PELMORA_BUILD_DIR:-}" ]; then
        PELMORA_BUILT=$root/build
        cmake --preset mingw >/dev/null
        cmake --build --preset mingw
    else
        PELMORA_BUILT=$PELMORA_BUILD_DIR
        cmake -S "$root" -B "$PELMORA_BUILT" --toolchain "$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
        cmake --build "$PELMORA_BUILT" -j2
    fi
}

# build_pelmora_x64 ROOT: compiles the whole tree (tool, tests, helpers) once more for 64-bit
# Windows, as warnings-clean as the 32-bit build, so that pointer-size mistakes (window longs,
# handles kept in integers, size_t cut to DWORD) fail the build. It never ships; its tests run only
# on a machine that cannot run 32-bit programs. Into build-x64/ through the presets, or
# $PELMORA_BUILD_DIR-x64; sets PELMORA_BUILT_X64 to that folder.
build_pelmora_x64() {
    local root=$1
    echo "64-bit compile check"
    if [ -z "${PELMORA_BUILD_DIR:-}" ]; then
        PELMORA_BUILT_X64=$root/build-x64
        cmake --preset mingw-x64 >/dev/null
        cmake --build --preset mingw-x64
    else
        PELMORA_BUILT_X64=$PELMORA_BUILD_DIR-x64
        cmake -S "$root" -B "$PELMORA_BUILT_X64" --toolchain "$root/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
        cmake --build "$PELMORA_BUILT_X64" -j2
    fi
}
