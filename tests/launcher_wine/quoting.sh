#!/usr/bin/env bash
# An install under a folder whose path holds blanks, as "Program Files (x86)": the quoted class
# path or jar path, quoted JVM options with references to the program's folder, and quoted
# arguments reach the JVM and main whole, in class path mode and in jar mode.
source "$(dirname "$0")/lib.sh"

# install_with_blanks NAME: the install of `install NAME`, moved below "Program Files (x86)\Acme
# Door" (the program and its runtime keep their places relative to each other).
install_with_blanks() {
    install "$1"
    local top="$CASE/Program Files (x86)/Acme Door"
    mkdir -p "$top"
    mv "$CASE/svc" "$CASE/gui" "$top/"
    BIN=$top/svc/bin
    EXE=$BIN/QuorvexService.exe
    JRE=$top/gui/jre
    LOG=$BIN/morvakin.log
}

# The options the stand-in JVM received, one a line.
options() { sed -n 's/^option\[[0-9]*\]=//p' "$RECORD"; }

install_with_blanks class_path_mode
bin=$(winpath "$BIN")
mkdir -p "$BIN/extra"
: >"$BIN/extra/x.jar"
configure "set 12 \"-Dacme.q=%EXEDIR%\" -Dplain=1" "set 13 \"--site=Main Door\"" \
    "remove 14" "set 16 %EXEDIR%\\extra\\*.jar;%EXEDIR%\\lib\\a.jar;classes\\"
launch --mvk-debug "two words" last
expect_eq "exit code" 0 "$RC"
expect_eq "every option whole" \
    "$(printf '%s\n' "-Dacme.q=$bin" -Dplain=1 \
        "-Djava.class.path=$bin\\extra\\x.jar;$bin\\lib\\a.jar;classes\\" \
        org.springframework.boot.loader.JarLauncher "--site=Main Door" "two words" last)" \
    "$(options)"
expect_eq "main's arguments" "--site=Main Door|two words|last" \
    "$(sed -n 's/^main arg\[[0-9]*\]=//p' "$RECORD" | paste -sd '|')"
expect_line "the line keeps its quotes in the log" <(log_text) \
    "Launcher args:	\"-Dacme.q=$bin\" -Dplain=1 -classpath \"$bin\\extra\\x.jar;$bin\\lib\\a.jar;classes\\\" org.springframework.boot.loader.JarLauncher \"--site=Main Door\" \"two words\" last"

# Jar mode: the JVM is created with the jar as its class path; no main class is run (exit code -1).
install_with_blanks jar_mode
bin=$(winpath "$BIN")
configure "remove 15" "set 14 lib\\app.jar" "set 12 -Xss1m"
launch
expect_eq "exit code" 255 "$RC"
expect_eq "the jar path whole" "$(printf '%s\n' -Xss1m "-Djava.class.path=$bin\\lib\\app.jar")" \
    "$(options)"

# The shipped options file example, every option in it uncommented, below "Program Files (x86)":
# each option reaches the JVM whole, the heap dump path with its blanks.
install_with_blanks shipped_options_example
bin=$(winpath "$BIN")
sed -n 's/^#   \([^ ]\)/\1/p' "$(dirname "$QV_CLASSPATH_LIST")/QuorvexService.mvk.ini.example" |
    sed 's/$/\r/' >"$BIN/QuorvexService.mvk.ini"
launch
expect_eq "exit code" 0 "$RC"
expect_eq "the example's options, after the carried ones" \
    "$(printf '%s\n' -Xmx768M -XX:+HeapDumpOnOutOfMemoryError "-XX:HeapDumpPath=$bin\\dumps" \
        -Dfile.encoding=UTF-8)" \
    "$(options | sed -n '4,7p')"
expect_match "the carried options first" '^-Xmx1024M' "$(options | head -n 1)"

finish
