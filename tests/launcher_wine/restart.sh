#!/usr/bin/env bash
# The restart flag (value 31) with the real QuorvexService.exe: passes repeat while each gives -1
# and a JVM can be created; the first failed creation ends the run with the report and -1.
source "$(dirname "$0")/lib.sh"

install restarts_until_creation_fails
configure "set 31 true"
STANDIN=no-class,creations=3 launch --mvk-debug
expect_eq "exit code" 255 "$RC"
expect_count "four creations" 4 <(grep '^create version' "$RECORD") "create version=0x00010002 nOptions=5 ignoreUnrecognized=1"
expect_count "three JVMs" 3 "$RECORD" "create result=0"
expect_count "three destroyed" 3 "$RECORD" "DestroyJavaVM"
expect_count "the fourth refused" 1 "$RECORD" "create result=-1"
expect_count "three restarts" 3 <(log_text) "Exit code:	-1, restarting the application!"
expect_eq "no final exit code line" "" "$(log_text | grep -x 'Exit code:	-1')"
expect_match "report after the failed creation" "^$TITLE: $MSG_STARTUP" "$(cat "$CASE/stdout.bin")"
expect_line "report logged" <(log_text) "Error msg:	$MSG_STARTUP"
wait_for_urls
expect_eq "support page opened once" "$SUPPORT_URL" "$(cat "$URLS" 2>/dev/null)"

# Exit code 0 ends the run after one pass, restart flag or not.
install restart_flag_main_returns
configure "set 31 true"
launch --mvk-debug
expect_eq "exit code" 0 "$RC"
expect_count "one JVM" 1 "$RECORD" "create result=0"
expect_eq "log end" "Exit code:	0" "$(log_text | tail -n 1)"

# Without the flag one pass, whatever its exit code; "True" is not "true".
install no_restart
configure "set 31 True"
STANDIN=no-class launch --mvk-debug
expect_eq "exit code" 255 "$RC"
expect_count "one JVM" 1 "$RECORD" "create result=0"
expect_eq "log end" "Exit code:	-1" "$(log_text | tail -n 1)"

finish
