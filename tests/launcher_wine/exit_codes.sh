#!/usr/bin/env bash
# Exit codes 0, 1 and -1 of the real QuorvexService.exe and what each outcome shows: the error
# report on standard output with Windows' own text for the last error, the address opened.
source "$(dirname "$0")/lib.sh"

# main returns: exit code 0, nothing printed, no address opened; the JVM got the shipped options.
install main_returns
launch a b
expect_eq "exit code" 0 "$RC"
expect_eq "no log without a request" no "$([ -e "$LOG" ] && echo yes || echo no)"
launch --mvk-debug a b
expect_eq "exit code" 0 "$RC"
expect_eq "no address opened" "" "$(log_text | grep '^Open URL:')"
expect_stdout "nothing printed" < <(:)
expect_line "main ran" "$RECORD" "main returned"
expect_line "destroyed" "$RECORD" "DestroyJavaVM"
expect_line "version and flags" "$RECORD" "create version=0x00010002 nOptions=7 ignoreUnrecognized=1"
expect_line "shipped heap option" "$RECORD" "option[0]=-Xmx1024M"
expect_line "shipped class path" "$RECORD" "option[3]=-Djava.class.path=.\\lib\\quorvexservice-1.0.0.jar;$(shipped_class_path)"
expect_line "main class" "$RECORD" "option[4]=org.springframework.boot.loader.JarLauncher"
expect_line "main's arguments" "$RECORD" "main arg[1]=b"

# Value 101 missing: exit code 1, the title and a colon alone (the loader cleared the last error).
install startup_message_missing
configure "remove 101"
launch
expect_eq "exit code" 1 "$RC"
expect_stdout "title only" < <(printf '%s: \n' "$TITLE")
expect_eq "no JVM" "" "$(cat "$RECORD" 2>/dev/null)"

# The local runtime is missing and no registry search is configured: value 102, no system text
# (the launcher test reset the last error), the support page opened.
install local_runtime_missing
rm -r "$JRE"
launch
expect_eq "exit code" 1 "$RC"
expect_stdout "message 102" < <(printf '%s: %s\n' "$TITLE" "$MSG_LOCAL_RUNTIME")
wait_for_urls
expect_eq "support page opened" "$SUPPORT_URL" "$(cat "$URLS" 2>/dev/null)"

# The JVM library cannot be loaded: exit code -1, value 101 with Windows' text for the load
# failure, the support page opened; the log names the library and ends with the report, without
# an "Exit code:" line.
# The system text keeps its own CR LF, so its log line ends in CR before the log's own line end.
install jvm_library_missing
rm "$JRE/bin/client/jvm.dll"
launch --mvk-debug
expect_eq "exit code" 255 "$RC"
expect_stdout "message 101 and the system text of error 126" \
    < <(printf '%s: %s\n\n' "$TITLE" "$MSG_STARTUP"; system_text 126; printf '\n')
wait_for_urls
expect_eq "support page opened" "$SUPPORT_URL" "$(cat "$URLS" 2>/dev/null)"
# The log names the library it tried before the report.
expect_eq "last log lines" \
    "$(printf 'Error:\t\tThe JVM library %s cannot be loaded.\nError msg:\t%s\nError:\t\t%s\n\nOpen URL:\t%s' \
        "$(winpath "$BIN")\\..\\..\\gui\\jre\\bin\\client\\jvm.dll" "$MSG_STARTUP" "$(system_text 126)" "$SUPPORT_URL")" \
    "$(log_text | tail -n 5)"
expect_eq "no exit code line" "" "$(log_text | grep '^Exit code:')"

# The library has no JNI_CreateJavaVM: exit code -1 with the system text of error 127.
install entry_missing
cp "$QV_PROBE_EXE" "$JRE/bin/client/jvm.dll"
launch
expect_eq "exit code" 255 "$RC"
expect_stdout "message 101 and the system text of error 127" \
    < <(printf '%s: %s\n\n' "$TITLE" "$MSG_STARTUP"; system_text 127; printf '\n')

# JNI_CreateJavaVM fails: exit code -1 with the report.
install creation_fails
STANDIN=fail-create launch
expect_eq "exit code" 255 "$RC"
expect_match "report" "^$TITLE: $MSG_STARTUP" "$(cat "$CASE/stdout.bin")"
expect_line "creation refused" "$RECORD" "create result=-1"
wait_for_urls
expect_eq "support page opened" "$SUPPORT_URL" "$(cat "$URLS" 2>/dev/null)"

# The main class, its main method or the argument array cannot be set up: exit code -1, nothing
# printed by the launcher (the JVM describes its exception), the JVM destroyed, no address opened.
for behaviour in no-class no-method no-array; do
    install "main_not_run_$behaviour"
    STANDIN=$behaviour launch --mvk-debug
    expect_eq "$behaviour: exit code" 255 "$RC"
    expect_stdout "$behaviour: nothing printed" < <(:)
    expect_match "$behaviour: exception described" "ExceptionDescribe java.lang" "$(cat "$RECORD")"
    expect_line "$behaviour: destroyed" "$RECORD" "DestroyJavaVM"
    expect_no_line "$behaviour: main not run" "$RECORD" "main returned"
    expect_eq "$behaviour: no address opened" "" "$(log_text | grep '^Open URL:')"
    expect_eq "$behaviour: no report" "" "$(log_text | grep '^Error msg:')"
    expect_eq "$behaviour: exit code logged" "Exit code:	-1" "$(log_text | tail -n 1)"
done

# Without a main class the jar runs: its full path is the class path, and no main is called.
install jar_mode
configure "remove 15"
launch
expect_eq "exit code" 255 "$RC"
expect_line "jar as class path" "$RECORD" "option[3]=-Djava.class.path=$(winpath "$BIN")\\.\\lib\\quorvexservice-1.0.0.jar"
expect_no_line "no main class looked up" "$RECORD" "FindClass org/springframework/boot/loader/JarLauncher"
expect_line "destroyed" "$RECORD" "DestroyJavaVM"

# A program path longer than the launcher's path capacity (259 characters): the start fails with
# a message that says so, under the default title (the configuration is not read yet).
install long_program_path
deep=$CASE/$(printf 'd%.0s' {1..70})/$(printf 'e%.0s' {1..70})/$(printf 'f%.0s' {1..70})/bin
mkdir -p "$deep"
mv "$EXE" "$deep/"
EXE=$deep/QuorvexService.exe
launch
expect_eq "exit code" 1 "$RC"
expect_stdout "message" < <(printf 'Morvakin: The program path does not fit into 259 characters.\n')

finish
