#!/usr/bin/env bash
# The real QuorvexService.exe as a Windows service under Wine's service manager: install with
# its settings, start (main runs in the program's working directory), stop through the stop
# method, System.exit(3) from the Java service, a stop sent right after the start, uninstall; an
# install again with other settings (an update), and a service of the name that runs another
# program, which install and uninstall leave alone.
# Wine ends the prefix's services when its last ordinary process ends: the tier's keeper (set up
# with the prefix) keeps it alive while the cases run.
source "$(dirname "$0")/lib.sh"

SERVICE=QvTestService-$$
cleanup() {
    wine sc stop "$SERVICE" >/dev/null 2>&1
    wine sc delete "$SERVICE" >/dev/null 2>&1
}
trap cleanup EXIT

# service_state: the state number of `sc query` (1 stopped, 2 start pending, 3 stop pending,
# 4 running), and the query in $CASE/query.txt.
service_state() {
    wine sc query "$SERVICE" >"$CASE/query.txt" 2>&1
    sed -n 's/^ *STATE *: *\([0-9]\).*/\1/p' "$CASE/query.txt"
}
# wait_state N: until the service is in state N (at most a minute); the last state in STATE.
wait_state() {
    local i
    for i in $(seq 1 300); do
        STATE=$(service_state)
        [ "$STATE" = "$1" ] && return 0
        sleep 0.2
    done
    return 1
}
query_field() { sed -n "s/^ *$1 *: *\([0-9]*\).*/\1/p" "$CASE/query.txt"; }

# service_case NAME STANDIN: an install folder whose service main behaves as the stand-in words
# say (value 19 passes them on: a service does not inherit the test's environment).
service_case() {
    install "$1"
    configure "set 33 $SERVICE" "set 34 Quorvex test service" "set 35 Runs the Wine test." \
        "set 36 manual" "set 39 7" \
        "set 19 QV_STANDIN_JVM=$2	QV_STANDIN_JVM_RECORD=$(winpath "$RECORD")	QV_STANDIN_JVM_SHOW=TEMP,TMP"
}

# --- install, start, stop, uninstall ---------------------------------------------------------------
service_case lifecycle serve
launch --mvk-install --mvk-debug
expect_eq "install: exit code" 0 "$RC"
IMAGE="\"$(winpath "$EXE")\" --mvk-service --mvk-debug"
expect_match "install: one line naming the service and its command line" \
    "^The service $SERVICE is installed: ${IMAGE//\\/\\\\}(;.*)?"$'\r'"$" "$(cat "$CASE/stdout.bin")"
wine "$QV_PROBE_EXE" service "$SERVICE" >"$CASE/config.txt"
expect_line "own process" "$CASE/config.txt" "type: 16"
expect_line "manual start" "$CASE/config.txt" "start: 3"
expect_line "image path" "$CASE/config.txt" "path: $IMAGE"
expect_line "display name" "$CASE/config.txt" "display: Quorvex test service"
expect_line "description" "$CASE/config.txt" "description: Runs the Wine test."
expect_line "installed stopped" "$CASE/config.txt" "state: 1"
expect_eq "event source" 0 "$(wine reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\$SERVICE" >/dev/null 2>&1; echo $?)"

expect_line "LocalSystem" "$CASE/config.txt" "account: LocalSystem"
expect_line "no dependencies" "$CASE/config.txt" "dependencies:"
expect_line "preshutdown: the stop timeout and 5 s" "$CASE/config.txt" "preshutdown: 35000"

launch --mvk-install --mvk-debug
expect_eq "second install: exit code" 0 "$RC"
expect_match "second install: the service is updated" \
    "^The service $SERVICE is updated: ${IMAGE//\\/\\\\}(;.*)?"$'\r'"$" "$(cat "$CASE/stdout.bin")"

wine sc start "$SERVICE" >"$CASE/start.txt" 2>&1
expect_eq "sc start" 0 "$?"
wait_state 4 || fail "not running: state $STATE"
expect_line "main runs in the working directory" "$RECORD" "main cwd=$(winpath "$BIN")"
expect_line "main serves" "$RECORD" "main serving"
# The service's own temporary folder (below the program data folder, C:\users\Public on Wine)
# comes first, the exit hook last; TEMP and TMP name the same folder.
tmpdir=$(grep -a '^option\[0\]=-Djava.io.tmpdir=' "$RECORD" | tr -d '\r')
tmpdir=${tmpdir#*tmpdir=}
expect_match "java.io.tmpdir: the service's folder" "^[A-Z]:.*\\\\$SERVICE\\\\Temp\$" "$tmpdir"
expect_line "TEMP: the service's folder" "$RECORD" "main env TEMP=$tmpdir"
expect_line "TMP: the service's folder" "$RECORD" "main env TMP=$tmpdir"
expect_line "-Xrs is added" "$RECORD" "option[6]=-Xrs"
expect_line "the abort hook is given" "$RECORD" "option[7]=abort"
expect_line "the exit hook is given" "$RECORD" "option[8]=exit"
wine sc stop "$SERVICE" >/dev/null 2>&1
wait_state 1 || fail "not stopped: state $STATE"
expect_eq "stopped with success" 0 "$(query_field WIN32_EXIT_CODE)"
expect_line "the stop attached a thread" "$RECORD" "AttachCurrentThread"
expect_line "the default stop method" "$RECORD" "System.exit 0"
expect_line "the exit hook learnt the code" "$RECORD" "exit hook 0"

launch --mvk-uninstall
expect_eq "uninstall: exit code" 0 "$RC"
expect_stdout "uninstall: one line" < <(printf 'The service %s is uninstalled.\n' "$SERVICE")
expect_eq "uninstalled" 1060 "$(wine "$QV_PROBE_EXE" service "$SERVICE" | sed -n 's/^error: //p')"
expect_eq "event source removed" 1 "$(wine reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\$SERVICE" >/dev/null 2>&1; echo $?)"

# --- what the JVM and main print lands in the output log (value 41 unset: logs beside the program)
service_case output serve,print
launch --mvk-install
wine sc start "$SERVICE" >/dev/null 2>&1
wait_state 4 || fail "not running: state $STATE"
wine sc stop "$SERVICE" >/dev/null 2>&1
wait_state 1 || fail "not stopped: state $STATE"
expect_eq "stopped with success" 0 "$(query_field WIN32_EXIT_CODE)"
OUTPUT_LOG="$BIN/logs/$SERVICE.log"
[ -f "$OUTPUT_LOG" ] || fail "no output log $OUTPUT_LOG"
expect_match "the start line comes first" \
    "^--- $SERVICE started at [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} ---"$'\r'"\$" \
    "$(head -n 1 "$OUTPUT_LOG")"
expect_eq "what the creation and main printed, in order" \
    "$(printf 'stand-in JVM: created\r\nmain: to standard output\r\nmain: to standard error\r')" \
    "$(tail -n +2 "$OUTPUT_LOG")"
launch --mvk-uninstall

# --- a configured stop method ends main; the service stops with success -----------------------
service_case stop_method serve
configure "set 37 app.Service.shutdown"
launch --mvk-install
wine sc start "$SERVICE" >/dev/null 2>&1
wait_state 4 || fail "not running: state $STATE"
wine sc stop "$SERVICE" >/dev/null 2>&1
wait_state 1 || fail "not stopped: state $STATE"
expect_eq "stopped with success" 0 "$(query_field WIN32_EXIT_CODE)"
expect_line "the stop method was called with no arguments" "$RECORD" "stop shutdown args=0"
expect_line "main returned" "$RECORD" "main returned"
expect_no_line "no System.exit" "$RECORD" "System.exit 0"
launch --mvk-uninstall

# --- main has returned and DestroyJavaVM waits for the serving thread: a stop still reaches it ---
service_case stop_after_main serve-after-main
launch --mvk-install --mvk-debug
wine sc start "$SERVICE" >/dev/null 2>&1
wait_state 4 || fail "not running: state $STATE"
for i in $(seq 1 100); do
    grep -q "DestroyJavaVM waits" "$RECORD" 2>/dev/null && break
    sleep 0.1
done
expect_line "main returned at once" "$RECORD" "main returned"
expect_line "DestroyJavaVM waits" "$RECORD" "DestroyJavaVM waits for the serving thread"
wine sc stop "$SERVICE" >/dev/null 2>&1
wait_state 1 || fail "not stopped: state $STATE"
expect_eq "stopped with success" 0 "$(query_field WIN32_EXIT_CODE)"
expect_line "the stop attached a thread" "$RECORD" "AttachCurrentThread"
expect_line "the default stop method" "$RECORD" "System.exit 0"
expect_line "the exit hook learnt the code" "$RECORD" "exit hook 0"
expect_match "the debug log has the stop by System.exit" "Service:	stopped by System.exit\(0\) at " "$(log_text)"
expect_eq "no stop timeout" "" "$(log_text | grep 'stop timeout passed')"
launch --mvk-uninstall

# --- System.exit(3) from the Java service: stopped with service-specific code 3 ---------------
service_case exits_three exit=3
launch --mvk-install
wine sc start "$SERVICE" >/dev/null 2>&1
wait_state 1 || fail "not stopped: state $STATE"
expect_eq "win32 exit code: service-specific" 1066 "$(query_field WIN32_EXIT_CODE)"
expect_eq "service exit code" 3 "$(query_field SERVICE_EXIT_CODE)"
launch --mvk-uninstall

# --- a stop right after the start still ends stopped ----------------------------------------------
service_case early_stop serve
launch --mvk-install
wine sc start "$SERVICE" >/dev/null 2>&1
# The service manager takes a stop only once the service accepts it: send it until it does.
for i in $(seq 1 300); do
    wine sc stop "$SERVICE" >/dev/null 2>&1 && break
    sleep 0.1
done
wait_state 1 || fail "not stopped after an early stop: state $STATE"
expect_eq "stopped with success" 0 "$(query_field WIN32_EXIT_CODE)"
launch --mvk-uninstall

# --- installed again with other settings: the service manager holds the new ones ---------------
service_case update serve
launch --mvk-install --mvk-debug
expect_eq "first install: exit code" 0 "$RC"
# Wine's service manager keeps no delayed start, shows no recovery actions and takes a change of
# dependencies without making it (measured with Wine 8.0): the unit tests cover those.
configure "set 34 Quorvex test service, updated" "remove 35" "set 36 automatic" "set 38 40" \
    "set 39 9"
launch --mvk-install --mvk-debug-all
expect_eq "update: exit code" 0 "$RC"
IMAGE="\"$(winpath "$EXE")\" --mvk-service --mvk-debug-all"
expect_match "update: one line naming the service and its new command line" \
    "^The service $SERVICE is updated: ${IMAGE//\\/\\\\}(;.*)?"$'\r'"$" "$(cat "$CASE/stdout.bin")"
wine "$QV_PROBE_EXE" service "$SERVICE" >"$CASE/config.txt"
expect_line "image path with the new debug word" "$CASE/config.txt" "path: $IMAGE"
expect_line "display name" "$CASE/config.txt" "display: Quorvex test service, updated"
expect_line "description cleared" "$CASE/config.txt" "description: "
expect_line "automatic start" "$CASE/config.txt" "start: 2"
expect_line "LocalSystem" "$CASE/config.txt" "account: LocalSystem"
expect_line "no dependencies" "$CASE/config.txt" "dependencies:"
expect_line "preshutdown" "$CASE/config.txt" "preshutdown: 45000"
expect_eq "event source" 0 "$(wine reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\$SERVICE" >/dev/null 2>&1; echo $?)"
launch --mvk-uninstall
expect_eq "uninstall after the update" 0 "$RC"

# --- a service of the name that runs another program is left alone -------------------------------
service_case another_program serve
wine sc create "$SERVICE" binpath= "C:\\tools\\agent.exe --run" >"$CASE/sc.txt" 2>&1 ||
    fail "sc create: $(cat "$CASE/sc.txt")"
launch --mvk-install
expect_eq "install over another program: exit code" 1 "$RC"
expect_stdout "install over another program: refused, naming it" < <(printf 'The service %s could not be installed: %s It runs C:\\tools\\agent.exe, not this program.\n' "$SERVICE" "$(system_text 1073 | sed 's/\r$//')")
launch --mvk-uninstall
expect_eq "uninstall of another program: exit code" 1 "$RC"
expect_stdout "uninstall of another program: refused, naming it" < <(printf 'The service %s could not be uninstalled: It runs C:\\tools\\agent.exe, not this program.\n' "$SERVICE")
wine "$QV_PROBE_EXE" service "$SERVICE" >"$CASE/config.txt"
expect_line "the other program's service stays" "$CASE/config.txt" "path: C:\\tools\\agent.exe --run"
wine sc delete "$SERVICE" >/dev/null 2>&1

# --- outside the service manager ---------------------------------------------------------------
install not_a_service
launch --mvk-service
expect_eq "exit code" 1 "$RC"
expect_stdout "the system's text" < <(printf -- '--mvk-service: %s\n' "$(system_text 1063 | sed 's/\r$//')")
expect_eq "no JVM" "" "$(cat "$RECORD" 2>/dev/null)"

finish
