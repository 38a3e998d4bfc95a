#!/usr/bin/env bash
# The bash completion of omi-cli: what <TAB> offers after a few command lines.
#   completion.sh <completion file>
set -u
source "$1"
failed=0
# complete LINE EXPECTED...: the words offered for the last word of LINE
# (a line ending in a blank completes an empty word) must be EXPECTED.
complete_line() {
    local line=$1
    shift
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _omi_cli
    local got expected
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
    if [[ $got != "$expected" ]]; then
        echo "FAIL: '$line' gave: $got; expected: $expected"
        failed=1
    fi
}
complete_line "omi-cli ar" archive
complete_line "omi-cli --port /dev/ttyUSB0 archive " daily daily-diff hourly hourly-diff
complete_line "omi-cli --imitation archive hourly-" hourly-diff
complete_line "omi-cli archive daily --all" --all-records
complete_line "omi-cli --imitation identify --a"
complete_line "omi-cli state --parity e" even
complete_line "omi-cli sh" show-archive
complete_line "omi-cli help cal" calibrate
complete_line "omi-cli calibrate " lower upper pressure
complete_line "omi-cli --udp 10.0.0.5 send --cmd 1 --t" --table --timeout --type
complete_line "omi-cli se" send set-clock set-number
exit $failed
