#!/usr/bin/env bash
# Runs a command and passes when it exits with the code given and its output (standard
# output and standard error together) holds the text given.
#   expect-exit.sh CODE TEXT COMMAND [ARGUMENT...]
set -uo pipefail
code=$1
text=$2
shift 2
output=$("$@" 2>&1)
status=$?
printf '%s\n' "$output"
if [ "$status" -ne "$code" ]; then
    echo "exit code $status, expected $code"
    exit 1
fi
if ! grep -qF -- "$text" <<<"$output"; then
    echo "the output lacks: $text"
    exit 1
fi
