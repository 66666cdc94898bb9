#!/usr/bin/env bash
# What the JVM's process sees of the environment the real QuorvexService.exe set up: Path with
# the runtime's bin directory, the variables of value 19 with their references expanded, the
# working directory of value 8, heap options from the memory status.
source "$(dirname "$0")/lib.sh"

install path_and_variables
mkdir -p "$BIN/work"
configure "set 8 work" \
    "set 19 QV_A=1	QV_B=%QV_A%;x	QV_DIR=%EXEDIR%\\data	QV_HOME=%JREHOMEDIR%	QV_PWD=%PWD%	QV_OLD=%OLDPWD%	QV_NONE=[%QV_UNSET_ANYWHERE%]	QV_NO_EQUALS"
path_before=$(cd "$CASE" && wine "$QV_PROBE_EXE" env Path)
SHOW=QV_A,QV_B,QV_DIR,QV_HOME,QV_PWD,QV_OLD,QV_NONE,QV_NO_EQUALS launch --mvk-debug
bin=$(winpath "$BIN")
home="$bin\\..\\..\\gui\\jre"
expect_eq "exit code" 0 "$RC"
expect_line "Path extended by the runtime's bin" "$RECORD" "main env Path=$path_before;$home\\bin"
expect_line "plain value" "$RECORD" "main env QV_A=1"
expect_line "a later entry sees an earlier one" "$RECORD" "main env QV_B=1;x"
expect_line "EXEDIR" "$RECORD" "main env QV_DIR=$bin\\data"
expect_line "JREHOMEDIR" "$RECORD" "main env QV_HOME=$home"
expect_line "PWD is the working directory" "$RECORD" "main env QV_PWD=$bin\\work"
expect_line "OLDPWD is where it was started" "$RECORD" "main env QV_OLD=$(winpath "$CASE")"
expect_line "an unset variable expands to nothing" "$RECORD" "main env QV_NONE=[]"
expect_line "an entry without = sets nothing" "$RECORD" "main env QV_NO_EQUALS unset"
expect_line "main runs in the working directory" "$RECORD" "main cwd=$bin\\work"
expect_line "working dir logged" <(log_text) "Working dir:	$bin\\work"
expect_line "variable logged" <(log_text) "Set var:	QV_B = 1;x"
expect_line "substitution logged" <(log_text) "Substitute:	QV_A = 1"

# Heap from the memory status: 100 percent of the available memory, capped for a 32-bit runtime.
install heap
configure "set 25 64" "set 28 100"
launch --mvk-debug
expect_eq "exit code" 0 "$RC"
expect_line "initial heap in MB" "$RECORD" "option[0]=-Xms64m"
expect_line "maximum heap capped at 1024 MB" "$RECORD" "option[1]=-Xmx1024m"
expect_match "cap logged" "Heap limit:	Reduced [0-9]+ MB heap size to 32-bit maximum 1024 MB" "$(log_text)"
expect_match "heap logged" "Heap -Xmx:	Requested 0 MB / 100%, Available: [0-9]+ MB, Heap size: 1024 MB" "$(log_text)"

# A 64-bit local runtime needs 64-bit Windows, which a 64-bit process never sees as WOW64.
install runtime_64bit_refused
configure "set 29 true"
launch --mvk-debug
expect_eq "exit code" 1 "$RC"
expect_line "refused" <(log_text) "Bundled JRE:	Cannot use 64-bit runtime on 32-bit OS."
expect_stdout "message 102" < <(printf '%s: %s\n' "$TITLE" "$MSG_LOCAL_RUNTIME")

finish
