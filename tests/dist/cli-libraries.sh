#!/usr/bin/env bash
# omi-cli loads what a command uses: no Qt GUI, fonts, X11 or GL but for a
# report, no Qt SQL but for the store, no Qt Network at all (UDP is the
# system's socket). The dynamic loader's own account (LD_DEBUG=files) is read.
#   cli-libraries.sh <omi-cli> <omi-sim>
set -u
CLI=$1
SIM=$2
TMP=$(mktemp -d)
mkfifo "$TMP/sim"
"$SIM" --pty --type 234 --serial 417 >"$TMP/sim" &
SIM_PID=$!
mkfifo "$TMP/udp"
"$SIM" --udp 127.0.0.1:0 --type 234 --serial 417 >"$TMP/udp" &
UDP_PID=$!
trap 'kill $SIM_PID $UDP_PID 2>/dev/null; rm -rf "$TMP"' EXIT
exec 3<"$TMP/sim"
read -r PTY <&3
exec 4<"$TMP/udp"
read -r _ UDP <&4
failed=0
HEAVY='lib(Qt6Gui|Qt6Sql|Qt6Network|fontconfig|freetype|harfbuzz|X11|xcb|EGL|GLX|OpenGL|gssapi_krb5)\.so'

# loaded ARGS...: the libraries the command's process loaded; its exit
# status in $RC.
RC=0
loaded() {
    LD_DEBUG=files "$CLI" "$@" >/dev/null 2>"$TMP/debug"
    RC=$?
    sed -n 's/.*file=\([^ ]*\) \[0\];  \(needed\|dynamically loaded\) by.*/\1/p' "$TMP/debug" | sort -u >"$TMP/libs"
}

# none ARGS...: the command succeeds and loads none of the heavy libraries.
none() {
    loaded "$@"
    local heavy
    heavy=$(grep -E "$HEAVY" "$TMP/libs" | tr '\n' ' ')
    if [[ $RC != 0 ]]; then
        echo "FAIL: omi-cli $* ended with $RC"
        grep -v ':.*file=\|^ *[0-9]*:\s*$' "$TMP/debug" | head -5
        failed=1
    fi
    if [[ -n $heavy ]]; then
        echo "FAIL: omi-cli $* loads $heavy"
        failed=1
    fi
}
# has LIB ARGS...: the command loads LIB (the check sees what it should).
has() {
    local lib=$1
    shift
    loaded "$@"
    if ! grep -q "^$lib" "$TMP/libs"; then
        echo "FAIL: omi-cli $* does not load $lib"
        failed=1
    fi
}

none --version
none --imitation identify
none --imitation state
none --udp "$UDP" identify
FROM=$(date -d '-3 days' +%F)
TO=$(date +%F)
none --data-dir "$TMP/data" --port "$PTY" archive daily --from "$FROM" --to "$TO" --csv "$TMP/table.csv"
has libQt6Sql.so --data-dir "$TMP/data" archive daily --store "$TMP/none.sqlite" --serial 417 --type 234
has libQt6Gui.so --data-dir "$TMP/data" --port "$PTY" archive daily --from "$FROM" --to "$TO" \
    --report "$TMP/report.pdf"
if [[ ! -s $TMP/report.pdf ]]; then
    echo "FAIL: the report module wrote no PDF"
    failed=1
fi
exit $failed
