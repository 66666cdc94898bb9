#!/usr/bin/env bash
# Two instances of the real QuorvexService.exe: one mutex name lets only the first run (the second
# ends with exit code 2 and value 105); without a mutex name both run. The first instance's main
# is held until the second has ended, so the two overlap for certain.
source "$(dirname "$0")/lib.sh"

# start_held: starts the program in the background with main held; waits until main runs.
start_held() {
    HOLD=$CASE/hold
    rm -f "$HOLD.started" "$HOLD.release"
    (QV_STANDIN_JVM_HOLD=$(winpath "$HOLD") OUT=first launch --mvk-debug; echo "$RC" >"$CASE/first.rc") &
    FIRST=$!
    local i
    for i in $(seq 1 1200); do
        [ -e "$HOLD.started" ] && return 0
        kill -0 "$FIRST" 2>/dev/null || break
        sleep 0.1
    done
    kill "$FIRST" 2>/dev/null
    wait "$FIRST"
    fail "the first instance did not reach main (exit code $(cat "$CASE/first.rc" 2>/dev/null)):"$'\n'"$(cat "$CASE/first.bin" "$CASE/first.err" 2>/dev/null)"
    return 1
}
release_held() {
    : >"$HOLD.release"
    wait "$FIRST"
    FIRST_RC=$(cat "$CASE/first.rc" 2>/dev/null)
}

install one_mutex_name
if start_held; then
    launch --mvk-debug
    expect_eq "second instance: exit code" 2 "$RC"
    expect_stdout "second instance: value 105 under the title" < <(printf '%s: %s\n' "$TITLE" "$MSG_INSTANCE")
    release_held
    expect_eq "first instance: exit code" 0 "$FIRST_RC"
fi
# Both appended to the one log: the second block has the guard's lines and no report or exit code.
expect_count "two blocks" 2 <(log_text) "Version:	3.12"
expect_count "both tried the mutex" 2 <(log_text) "Create mutex:	$MUTEX"
expect_count "the second found it taken" 1 <(log_text) "Error:		Instance already exists."
expect_count "only the first ended with an exit code" 1 <(log_text) "Exit code:	0"
expect_eq "no report" "" "$(log_text | grep -E '^(Error msg|Open URL):')"
expect_count "one JVM" 1 "$RECORD" "main returned"
expect_eq "no address opened" "" "$(cat "$URLS" 2>/dev/null)"

install guard_off
configure "remove 23"
if start_held; then
    launch --mvk-debug
    expect_eq "second instance: exit code" 0 "$RC"
    release_held
    expect_eq "first instance: exit code" 0 "$FIRST_RC"
fi
expect_count "two JVMs" 2 "$RECORD" "main returned"
expect_eq "no mutex lines" "" "$(log_text | grep '^Create mutex:')"
expect_count "both ended" 2 <(log_text) "Exit code:	0"

finish
