#!/usr/bin/env bash
# qvconfig.exe as an integrator runs it: exact output of 'get', exit codes, messages on stderr.
# Usage: qvconfig_cli.sh WINE_RUN WINE_ROOT QVCONFIG_EXE CARRIER_EXE WORK_DIR
set -uo pipefail
wine_run=$1 root=$2 tool=$3 carrier=$4 work=$5
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
cp "$carrier" carrier.exe
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run EXPECTED_CODE ARGS...: runs the tool, keeps stdout in out.bin and stderr in err.txt.
run() {
    local expected=$1
    shift
    "$wine_run" "$root" "$tool" "$@" >out.bin 2>err.txt
    local code=$?
    [ "$code" -eq "$expected" ] || fail "qvconfig $* exited $code, expected $expected: $(cat err.txt)"
}

run 0 get carrier.exe 1
printf '..\\..\\gui\\jre\n' >expected.bin
cmp -s out.bin expected.bin || fail "get 1 printed $(od -c out.bin | head -3)"

run 0 set carrier.exe error_title $'Tab\there "quoted"'
run 0 get carrier.exe 10
printf 'Tab\there "quoted"\n' >expected.bin
cmp -s out.bin expected.bin || fail "get 10 after set printed $(od -c out.bin | head -3)"

run 3 set carrier.exe 10 "$(printf '%0128d' 0)"
grep -q 'value 10 (error_title) may hold at most 127 characters; the text has 128' err.txt ||
    fail "over-long text: $(cat err.txt)"
[ ! -s out.bin ] || fail "a refusal printed on stdout: $(cat out.bin)"

run 4 get carrier.exe 31
grep -q 'value 31 (restart) is not set' err.txt || fail "missing value: $(cat err.txt)"

run 1 frobnicate carrier.exe
grep -q "unknown command 'frobnicate'" err.txt || fail "unknown command: $(cat err.txt)"

run 2 list absent.exe
grep -q 'absent.exe: failed opening the file: ' err.txt || fail "absent file: $(cat err.txt)"

run 0 remove carrier.exe 22
run 4 get carrier.exe support_url

run 0 list carrier.exe
grep -q '^10    error_title                17  Tab\\there "quoted"$' out.bin || fail "list: $(cat out.bin)"
if grep -q '^22 ' out.bin; then fail "list still shows the removed value 22"; fi

# Texts arrive as typed: one the ANSI code page (1252 here) holds is stored in it, one it cannot
# hold is refused instead of being stored as question marks.
run 0 set carrier.exe 10 'Café'
run 0 get carrier.exe 10
printf 'Caf\xe9\n' >expected.bin
cmp -s out.bin expected.bin || fail "get 10 after set Café printed $(od -c out.bin | head -3)"
run 3 set carrier.exe 10 'Дверь'
grep -q 'word 4 of the command line holds characters that the ANSI code page (1252) cannot hold; nothing changed' err.txt ||
    fail "Cyrillic text: $(cat err.txt)"
run 0 get carrier.exe 10
cmp -s out.bin expected.bin || fail "the refused text changed value 10: $(od -c out.bin | head -3)"

# export writes the apply file byte for byte to standard output; applied to a fresh copy, diff
# finds nothing between the two, and exits 1 with a line a value against the shipped build.
run 0 export carrier.exe
printf '# qvconfig export: the configuration values that differ from this release'"'"'s shipped ones, of carrier.exe\r\nset error_title Caf\xe9\r\nremove support_url\r\n' >expected.bin
cmp -s out.bin expected.bin || fail "export printed $(od -c out.bin | head -5)"
cp out.bin site.txt
cp "$carrier" fresh.exe
run 1 diff fresh.exe carrier.exe
printf '10    error_title           "Zarvel-Quorvex integration service" -> "Caf\xe9"\n22    support_url           "https://support.zarvel.example/quorvex-service" -> (not set)\n' >expected.bin
cmp -s out.bin expected.bin || fail "diff printed $(od -c out.bin | head -5)"
run 0 apply fresh.exe site.txt
run 0 diff fresh.exe carrier.exe
[ ! -s out.bin ] || fail "diff of equal configurations printed $(cat out.bin)"

echo "qvconfig_cli: $failures failure(s)"
[ "$failures" -eq 0 ]
