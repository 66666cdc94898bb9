#!/usr/bin/env bash
# The debug log of the real QuorvexService.exe: off by default, on at the debug level through
# "--mvk-debug" or the variable Morvakin, with every decision of the start at the debug-all level;
# appended, one block a run, CR LF line ends.
source "$(dirname "$0")/lib.sh"

# The whole log of a run of the shipped configuration at the debug level, for the argument text $1
# whose words without the launcher's own are $2.
expected_debug_log() {
    local bin jre cp args
    bin=$(winpath "$BIN")
    jre="$bin\\..\\..\\gui\\jre"
    cp=".\\lib\\quorvexservice-1.0.0.jar;$(shipped_class_path)"
    args="-Xmx1024M -Dlog4j.configurationFile=./config/log4j2.yaml -Dext.localDB.spring.config=./config/quorvexservice.cfg -classpath \"$cp\" org.springframework.boot.loader.JarLauncher${2:+ $2}"
    printf '\n\nVersion:\t3.12\n'
    printf 'CmdLine:\t%s %s\n' "$bin\\QuorvexService.exe" "$1"
    printf 'WOW64:\t\tno\n'
    printf 'Create mutex:\t%s\n' "$MUTEX"
    printf 'Working dir:\t%s\n' "$bin\\."
    printf 'Java min ver:\t\nJava max ver:\t\n'
    printf 'Bundled JRE:\t..\\..\\gui\\jre\n'
    printf 'Check launcher:\t%s (OK)\n' "$jre\\bin\\java.exe"
    printf 'Main class:\torg.springframework.boot.loader.JarLauncher\n'
    shipped_class_path | tr ';' '\n' | sed 's/^/Add classpath:\t/'
    printf 'Launcher:\t%s\n' "$jre\\bin\\java.exe"
    printf 'Launcher args:\t%s\n' "$args"
    printf 'Args length:\t%d/32768 chars\n' "${#args}"
    printf 'Exit code:\t0\n'
}

install debug_level
launch --mvk-debug
expect_eq "exit code" 0 "$RC"
expect_eq "the whole log" "$(expected_debug_log --mvk-debug)" "$(log_text)"
expect_eq "every line ends with CR LF" "$(grep -c '' "$LOG")" "$(grep -c $'\r$' "$LOG")"

# The variable alone, with "debug" inside a longer word, switches the log on as well; the
# command-line words reach main without the launcher's own ones.
install variable_debug
Morvakin=xdebugx launch x--mvk-y z
expect_eq "exit code" 0 "$RC"
expect_eq "the whole log" "$(expected_debug_log 'x--mvk-y z' xz)" "$(log_text)"
expect_line "main's argument" "$RECORD" "main arg[0]=xz"

# debug-all: the same lines plus a trace of every configuration read and every search entry;
# taking those out leaves the debug-level log.
install debug_all
launch --mvk-debug-all
expect_eq "exit code" 0 "$RC"
expect_eq "debug-level lines" "$(expected_debug_log --mvk-debug-all)" \
    "$(log_text | grep -v -E '^Resource [0-9]+:'$'\t''|^[a-zA-Z]+\(\)$')"
expect_line "a value read" <(log_text) "Resource 10:	$TITLE"
expect_line "a missing value read" <(log_text) "Resource 31:	<NULL>"
expect_line "search entry" <(log_text) "jreSearch()"
expect_line "search entry" <(log_text) "bundledJreSearch()"
expect_eq "reads in order" "10 22 101 23 8" \
    "$(log_text | sed -n 's/^Resource \([0-9]*\):.*/\1/p' | head -5 | paste -sd ' ')"

install variable_debug_all
Morvakin=debug-all launch
expect_line "variable switches on debug-all" <(log_text) "Resource 10:	$TITLE"

# Each line reaches the file when it is written: while main is held, the log already holds the
# whole preparation, and the run's end follows once main returns.
install log_while_running
HOLD=$CASE/hold
(QV_STANDIN_JVM_HOLD=$(winpath "$HOLD") launch --mvk-debug; echo "$RC" >"$CASE/held.rc") &
HELD=$!
for _ in $(seq 1 1200); do
    [ -e "$HOLD.started" ] || ! kill -0 "$HELD" 2>/dev/null && break
    sleep 0.1
done
expect_eq "main reached" yes "$([ -e "$HOLD.started" ] && echo yes || echo no)"
expect_eq "log while main runs" "$(expected_debug_log --mvk-debug | sed '$d')" "$(log_text)"
: >"$HOLD.release"
wait "$HELD"
expect_eq "exit code" 0 "$(cat "$CASE/held.rc")"
expect_eq "log after the run" "$(expected_debug_log --mvk-debug)" "$(log_text)"

# Off: no file; a start failure still prints its message.
install no_log
rm -r "$JRE"
launch
expect_eq "exit code" 1 "$RC"
expect_eq "no log file" no "$([ -e "$LOG" ] && echo yes || echo no)"
expect_stdout "message" < <(printf '%s: %s\n' "$TITLE" "$MSG_LOCAL_RUNTIME")

# Two runs leave two blocks, each opened by two empty lines and the version line.
install two_runs
launch --mvk-debug
launch --mvk-debug
expect_count "two version lines" 2 <(log_text) "Version:	3.12"
expect_eq "two empty lines before each" "4" "$(log_text | grep -B2 '^Version:' | grep -c '^$')"
expect_count "two ends" 2 <(log_text) "Exit code:	0"

# A failed start at the debug level: the report's lines end the block.
install failed_start_log
rm -r "$JRE"
launch --mvk-debug
expect_eq "last lines" "$(printf 'Check launcher:\t%s (not found)\nError msg:\t%s\nOpen URL:\t%s' \
    "$(winpath "$BIN")\\..\\..\\gui\\jre\\bin\\java.exe" "$MSG_LOCAL_RUNTIME" "$SUPPORT_URL")" "$(log_text | tail -n 3)"

finish
