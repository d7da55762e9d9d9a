# Reads the progress bar's client area as ImageMagick's text dump ("x,y: (...)  #RRGGBB ...")
# and checks how its blocks look: a grid inset by 10 pixels, each block a filled rectangle
# with a one-pixel black line along its right and bottom sides, a gap of background after it;
# filled blocks pure red, the others one grey, filled ones first in reading order.
# Prints "blocks=N filled=K size=WxH grid=CxR" and exits 0, or prints the fault and exits 1.
# Variable: count (the number of blocks the bar must show).

function px(x, y) { return ((x "," y) in img) ? img[x "," y] : "" }
function grey(c) { return substr(c, 1, 2) == substr(c, 3, 2) && substr(c, 3, 2) == substr(c, 5, 2) }
function bad(message) { print "block bar: " message; failed = 1; exit 1 }

/^[0-9]+,[0-9]+:/ {
    split($1, xy, /[,:]/)
    match($0, /#[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f]/)
    img[xy[1] "," xy[2]] = toupper(substr($0, RSTART + 1, 6))
    if (xy[1] + 1 > width) width = xy[1] + 1
    if (xy[2] + 1 > height) height = xy[2] + 1
}

END {
    margin = 10
    background = px(0, 0)
    first = px(margin, margin)
    if (first == "" || first == background) bad("no block at the top-left corner of the grid")

    # Width and height of block 0 from its fill, then its black right and bottom lines.
    for (x = margin; px(x, margin) == first; x++) ;
    bw = x - margin
    if (px(x, margin) != "000000") bad("block 0 has no black line on its right (found " px(x, margin) ")")
    if (px(x + 1, margin) != background) bad("no gap after the right line of block 0")
    for (y = margin; px(margin, y) == first; y++) ;
    bh = y - margin
    if (px(margin, y) != "000000") bad("block 0 has no black line along its bottom (found " px(margin, y) ")")
    if (px(margin + bw, margin + bh) != "000000") bad("block 0's lines do not meet at its bottom-right corner")
    if (px(margin - 1, margin) != background || px(margin, margin - 1) != background)
        bad("block 0 has an outline on its left or top")

    # The grid: columns along the first row, rows down the first column.
    pitchx = bw + 2; pitchy = bh + 2
    for (cols = 0; margin + cols * pitchx < width && px(margin + cols * pitchx, margin) != background; cols++) ;
    for (rows = 0; margin + rows * pitchy < height && px(margin, margin + rows * pitchy) != background; rows++) ;

    # Every block in reading order: filled (red) ones first, then empty (grey) ones.
    blocks = 0; filled = 0; emptyColor = ""
    for (i = 0; i < cols * rows; i++) {
        c = px(margin + (i % cols) * pitchx, margin + int(i / cols) * pitchy)
        if (c == background) break
        blocks++
        if (c == "FF0000") {
            if (blocks != filled + 1) bad("red block " i " after an empty block")
            filled++
        } else {
            if (!grey(c)) bad("block " i " is neither red nor grey (" c ")")
            if (emptyColor == "") emptyColor = c
            if (c != emptyColor) bad("empty blocks of two colours (" emptyColor ", " c ")")
        }
    }
    if (count != "" && blocks != count) bad("shows " blocks " blocks, not " count)
    print "blocks=" blocks " filled=" filled " size=" bw "x" bh " grid=" cols "x" rows " empty=" emptyColor
}
