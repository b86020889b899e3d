# The reporting of the static checks, sourced by each check script: every check prints one
# line; the script ends with the count of failures.
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() {
    echo "ok:   $*"
}
expect() { # expect <description> <expected> <actual>
    if [ "$2" = "$3" ]; then pass "$1: $3"; else fail "$1: expected '$2', found '$3'"; fi
}
expect_imports() { # expect_imports <objdump -p output> <the DLLs allowed, lower case>
    local dll dlls
    dlls=$(awk '$1 == "DLL" && $2 == "Name:" { print $3 }' <<<"$1")
    # Every image imports something: an empty list means the dump was not read.
    [ -n "$dlls" ] || fail "no imported DLL found in the dump"
    for dll in $dlls; do
        if [[ " $2 " == *" ${dll,,} "* ]]; then pass "import $dll"; else fail "import $dll is not allowed"; fi
    done
}
finish() { # finish <what was checked>
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed for $1"
        exit 1
    fi
    echo "all checks passed for $1"
}
