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
