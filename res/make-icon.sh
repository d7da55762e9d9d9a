#!/usr/bin/env bash
# Draws the application icon, a silver data disc with a red arc of copied sectors, and writes
# res/Pelmora.ico with the sizes 16, 32, 48 and 256 (the 256 one stored PNG-compressed).
# Each size is drawn at four times its size and scaled down, so small sizes stay crisp and round.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# f EXPR: a coordinate of the 256-unit design, scaled to the canvas being drawn ($canvas pixels).
f() { awk -v c="$canvas" "BEGIN { printf \"%.2f\", ($1) * c / 256 }"; }

draw() {
    local size=$1
    canvas=$((size * 4))
    local cx cy
    cx=$(f 128); cy=$(f 128)
    # Outer disc edge, the readable surface, the sheen wedges, the red arc, the clear hub and the hole.
    convert -size "${canvas}x${canvas}" xc:none \
        -fill '#5a6470' -draw "circle $cx,$cy $cx,$(f 6)" \
        -fill '#c9d1da' -draw "circle $cx,$cy $cx,$(f 12)" \
        -fill '#e9eef3' -draw "path 'M $cx,$cy L $(f 128),$(f 12) A $(f 116),$(f 116) 0 0,1 $(f 210),$(f 46) Z'" \
        -fill '#b7d7f0' -draw "path 'M $cx,$cy L $(f 210),$(f 46) A $(f 116),$(f 116) 0 0,1 $(f 244),$(f 128) Z'" \
        -fill '#eedcf2' -draw "path 'M $cx,$cy L $(f 128),$(f 244) A $(f 116),$(f 116) 0 0,1 $(f 46),$(f 210) Z'" \
        -fill '#d8f0da' -draw "path 'M $cx,$cy L $(f 46),$(f 210) A $(f 116),$(f 116) 0 0,1 $(f 12),$(f 128) Z'" \
        -fill '#e00000' -draw "path 'M $(f 128),$(f 22) A $(f 106),$(f 106) 0 0,1 $(f 234),$(f 128) L $(f 212),$(f 128) A $(f 84),$(f 84) 0 0,0 $(f 128),$(f 44) Z'" \
        -fill '#8b96a3' -draw "circle $cx,$cy $cx,$(f 82)" \
        -fill '#f4f7fa' -draw "circle $cx,$cy $cx,$(f 88)" \
        -fill '#5a6470' -draw "circle $cx,$cy $cx,$(f 106)" \
        -fill '#aab4bf' -draw "circle $cx,$cy $cx,$(f 110)" \
        "$work/big-$size.png"
    # Only the disc is opaque, and its hub hole is see-through: the alpha channel comes from a mask.
    convert "$work/big-$size.png" \
        \( -size "${canvas}x${canvas}" xc:black -fill white -draw "circle $cx,$cy $cx,$(f 6)" \
           -fill black -draw "circle $cx,$cy $cx,$(f 114)" \) \
        -alpha off -compose CopyOpacity -composite \
        -filter Lanczos -resize "${size}x${size}" -depth 8 -strip "$work/icon-$size.png"
}

for size in 16 32 48 256; do
    draw "$size"
done
convert "$work/icon-16.png" "$work/icon-32.png" "$work/icon-48.png" "$work/icon-256.png" \
    -strip "$here/Pelmora.ico"
echo "wrote $here/Pelmora.ico"
