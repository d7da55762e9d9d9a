# cmake -DFILE=<path> -P WriteSha256.cmake: writes <path>.sha256 beside the file, in the form
# that `sha256sum -c` checks from that folder ("<hash>  <name>").
file(SHA256 "${FILE}" hash)
get_filename_component(name "${FILE}" NAME)
file(WRITE "${FILE}.sha256" "${hash}  ${name}\n")
