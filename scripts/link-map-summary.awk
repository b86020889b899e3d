# Sums the input sections that a GNU ld map file places in the image, by where they come
# from: a library (its members together) or an object file. Prints "bytes origin" lines.
# Written for mawk as well as gawk, hence the hand-made hexadecimal parser.

/^Linker script and memory map/ { inmap = 1; next }
!inmap { next }

function hex(text,    value, i) {
    value = 0
    for (i = 3; i <= length(text); i++) {
        value = value * 16 + index("0123456789abcdef", tolower(substr(text, i, 1))) - 1
    }
    return value
}

function origin(path,    parts, n) {
    sub(/\(.*$/, "", path) # a library member counts for its library
    n = split(path, parts, "/")
    return parts[n]
}

function add(size, path) {
    if (path != "" && size ~ /^0x/ && hex(size) > 0) {
        total[origin(path)] += hex(size)
    }
}

# An input section is " .name 0xADDRESS 0xSIZE file" on one line, or its name alone with
# the rest on the next line when the name is long.
/^ \.[^ ]+ +0x[0-9a-f]+ +0x[0-9a-f]+ / { add($3, $4); pending = 0; next }
/^ \.[^ ]+$/ { pending = 1; next }
pending && /^ +0x[0-9a-f]+ +0x[0-9a-f]+ / { add($2, $3); pending = 0; next }
{ pending = 0 }

END { for (o in total) printf "%d %s\n", total[o], o }
