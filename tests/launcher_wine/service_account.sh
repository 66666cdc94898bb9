#!/usr/bin/env bash
# The service's account and dependencies (values 44 and 45) and its event source under Wine's
# service manager, with the real QuorvexService.exe: what the service manager holds after an
# install, the password read from standard input and shown nowhere, the folder and file the
# account is granted, the message file registered, and --mvk-check showing the values and the
# debug variable of the service's own environment.
#
# What Wine 8.0 honours (measured): the account as given, at a create and at a change
# (QueryServiceConfigA); of the dependencies a create (CreateServiceA) keeps only the first name,
# a change (ChangeServiceConfigA) the whole list, and QueryServiceConfigA gives none back, so the
# test reads them from the registry; a file's DACL is kept only as far as Unix mode bits hold it,
# so the grants themselves are checked on the fake machine; the account lookup knows no virtual
# accounts ("NT SERVICE\..."), so the install of one is refused here, and nothing stays.
source "$(dirname "$0")/lib.sh"

SERVICE=QvAccountTest-$$
SERVICE_KEY="HKLM\\SYSTEM\\CurrentControlSet\\Services\\$SERVICE"
EVENT_KEY="HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\$SERVICE"
cleanup() {
    wine sc stop "$SERVICE" >/dev/null 2>&1
    wine sc delete "$SERVICE" >/dev/null 2>&1
}
trap cleanup EXIT

out_text() { unix_text "$CASE/stdout.bin"; }
# registry_value KEY NAME: the data `reg query` shows for the value.
registry_value() {
    wine reg query "$1" /v "$2" 2>/dev/null | sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | sed 's/\r$//'
}
installed() { [ -z "$(wine "$QV_PROBE_EXE" service "$SERVICE" | sed -n 's/^error: //p')" ]; }

# --- LocalService with dependencies ----------------------------------------------------------------
install local_service
configure "set 33 $SERVICE" "set 36 manual" "set 44 LocalService" "set 45 Tcpip; Dhcp"
IMAGE="\"$(winpath "$EXE")\" --mvk-service"
launch --mvk-install
expect_eq "install: exit code" 0 "$RC"
expect_match "install: one line, no password asked for" \
    "^The service $SERVICE is installed: ${IMAGE//\\/\\\\}(;.*)?"$'\r'"$" "$(cat "$CASE/stdout.bin")"
wine "$QV_PROBE_EXE" service "$SERVICE" >"$CASE/config.txt"
expect_line "the account" "$CASE/config.txt" "account: NT AUTHORITY\\LocalService"
expect_match "the first dependency in the registry" "^Tcpip" \
    "$(registry_value "$SERVICE_KEY" DependOnService)"
expect_eq "the program is the event source's message file" "$(winpath "$EXE")" \
    "$(registry_value "$EVENT_KEY" EventMessageFile)"
expect_eq "the log folder made" yes "$([ -d "$BIN/logs" ] && echo yes || echo no)"
expect_eq "the debug log made" yes "$([ -f "$LOG" ] && echo yes || echo no)"

launch --mvk-check
expect_line "check: the account" <(out_text) \
    "Service account: NT AUTHORITY\\LocalService (a built-in service account)"
expect_line "check: the dependencies" <(out_text) "Service dependencies: Tcpip, Dhcp"
expect_line "check: no environment of its own" <(out_text) \
    "Environment of the installed service $SERVICE: Morvakin not set (no Environment value)"
# The debug log for the next start, without a reinstall: the service's own environment.
wine reg add "$SERVICE_KEY" /v Environment /t REG_MULTI_SZ /d "Morvakin=debug" /f >/dev/null 2>&1 ||
    fail "reg add Environment"
launch --mvk-check
expect_line "check: the debug variable of the service's environment" <(out_text) \
    "Environment of the installed service $SERVICE: \"Morvakin=debug\""

launch --mvk-uninstall
expect_eq "uninstall: exit code" 0 "$RC"
installed && fail "still installed after the uninstall"
expect_eq "event source removed" "" "$(registry_value "$EVENT_KEY" EventMessageFile)"

# --- an update: the account and the dependencies set again -----------------------------------------
install update
configure "set 33 $SERVICE" "set 36 manual"
launch --mvk-install
expect_eq "install as LocalSystem: exit code" 0 "$RC"
configure "set 44 networkservice" "set 45 Afd;Tcpip"
launch --mvk-install
expect_eq "update: exit code" 0 "$RC"
expect_match "update: the service updated" "^The service $SERVICE is updated: " "$(out_text)"
wine "$QV_PROBE_EXE" service "$SERVICE" >"$CASE/config.txt"
expect_line "the account changed" "$CASE/config.txt" "account: NT AUTHORITY\\NetworkService"
expect_eq "both dependencies in the registry" 'Afd\0Tcpip' \
    "$(registry_value "$SERVICE_KEY" DependOnService)"
configure "remove 44" "remove 45"
launch --mvk-install
wine "$QV_PROBE_EXE" service "$SERVICE" >"$CASE/config.txt"
expect_line "back to LocalSystem" "$CASE/config.txt" "account: LocalSystem"
expect_eq "the dependencies cleared" "" "$(registry_value "$SERVICE_KEY" DependOnService)"
launch --mvk-uninstall
expect_eq "uninstall: exit code" 0 "$RC"

# --- a user account: the password from standard input, shown nowhere ------------------------------
install user_account
USER_NAME=$(wine "$QV_PROBE_EXE" env USERNAME)
PASSWORD='Secret pass;"42"'
configure "set 33 $SERVICE" "set 36 manual" "set 44 .\\$USER_NAME"
IMAGE="\"$(winpath "$EXE")\" --mvk-service"
launch --mvk-install <<<"$PASSWORD"
expect_eq "install: exit code" 0 "$RC"
expect_eq "install: the prompt on a line of its own, then the line of the install" \
    "Password of .\\$USER_NAME: " "$(out_text | head -n 1)"
expect_match "install: the service installed" "^The service $SERVICE is installed: " \
    "$(out_text | sed -n 2p)"
expect_eq "the password appears nowhere" 0 \
    "$(cat "$CASE/stdout.bin" "$CASE/stdout.err" | grep -c -F "$PASSWORD")"
wine "$QV_PROBE_EXE" service "$SERVICE" >"$CASE/config.txt"
expect_line "the account" "$CASE/config.txt" "account: .\\$USER_NAME"
launch --mvk-uninstall
expect_eq "uninstall: exit code" 0 "$RC"

# Without a line on standard input nothing is installed.
launch --mvk-install </dev/null
expect_eq "no password: exit code" 1 "$RC"
expect_stdout "no password: refused, naming the account" < <(printf 'Password of .\\%s: \nThe service %s could not be installed: No password of .\\%s came from standard input.\n' "$USER_NAME" "$SERVICE" "$USER_NAME")
installed && fail "installed without a password"

# --- an account the system cannot name: refused, nothing stays --------------------------------------
install virtual_account
configure "set 33 $SERVICE" "set 36 manual" "set 44 NT SERVICE\\$SERVICE"
launch --mvk-install
expect_eq "virtual account unknown to Wine: exit code" 1 "$RC"
expect_stdout "refused, naming the account, the folder and the cause" < <(printf 'The service %s could not be installed: NT SERVICE\\%s could not be given modify rights on %s\\logs: %s\n' "$SERVICE" "$SERVICE" "$(winpath "$BIN")" "$(system_text 1332 | sed 's/\r$//')")
installed && fail "the service stayed after the refused install"
expect_eq "no event source stayed" "" "$(registry_value "$EVENT_KEY" EventMessageFile)"

finish
