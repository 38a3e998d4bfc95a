#!/usr/bin/env bash
# The manual pages render with man without a single warning.
#   manpages.sh PAGE...
set -u
failed=0
for page in "$@"; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null)
    if [[ -n $warnings ]]; then
        echo "FAIL: $page:"
        echo "$warnings"
        failed=1
    elif [[ $text != *ИМЯ* ]]; then
        echo "FAIL: $page renders no text"
        failed=1
    fi
done
exit $failed
