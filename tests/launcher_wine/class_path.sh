#!/usr/bin/env bash
# The class path and the options the real QuorvexService.exe hands to the JVM: wildcards over
# real files, the options file beside the program, application arguments.
source "$(dirname "$0")/lib.sh"

install wildcards
mkdir -p "$BIN/lib/ext/sub"
: >"$BIN/lib/a.jar"
: >"$BIN/lib/ext/x.jar"
: >"$BIN/lib/ext/y.jar"
: >"$BIN/lib/ext/notes.txt"
configure "set 14 lib\\app.jar" "set 16 lib\\a.jar;;lib\\ext\\*.jar;lib\\none\\*.jar;lib\\ext\\?.jar" "remove 12"
launch --mvk-debug
expect_eq "exit code" 0 "$RC"
cp_option=$(sed -n 's/^option\[0\]=-Djava.class.path=//p' "$RECORD")
IFS=';' read -r -a entries <<<"$cp_option"
expect_eq "jar and plain entry first" "lib\\app.jar lib\\a.jar" "${entries[0]} ${entries[1]}"
expect_eq "*.jar matches the two jars, ?.jar the same two" \
    "lib\\ext\\x.jar lib\\ext\\x.jar lib\\ext\\y.jar lib\\ext\\y.jar" \
    "$(printf '%s\n' "${entries[@]:2}" | sort | paste -sd ' ')"
expect_eq "five entries" 6 "${#entries[@]}"
expect_line "main class after the class path" "$RECORD" "option[1]=org.springframework.boot.loader.JarLauncher"
expect_line "pattern logged" <(log_text) "Add classpath:	lib\\ext\\*.jar"
expect_line "match logged" <(log_text) "      \"      :	lib\\ext\\x.jar"

# "lib\*" matches every directory entry: files, the subdirectory, "." and "..".
install wildcard_all_entries
mkdir -p "$BIN/lib/sub"
: >"$BIN/lib/one.jar"
configure "remove 14" "set 16 lib\\*" "remove 12"
launch
expect_eq "exit code" 0 "$RC"
cp_option=$(sed -n 's/^option\[0\]=-Djava.class.path=//p' "$RECORD")
expect_eq "every entry of lib" "lib\\. lib\\.. lib\\one.jar lib\\sub" "$(tr ';' '\n' <<<"$cp_option" | sort | paste -sd ' ')"

# The options file beside the program: comments dropped, one option a word, references expanded;
# after the options of value 12. Value 13 and the command line give main its arguments.
install options_file
printf '# options of this site\r\n\r\n-Xss1m\r\n-Dx=1 # note\r\n-Dsite.dir=%%EXEDIR%%\\site -Dtwo=2\r\n' \
    >"$BIN/QuorvexService.mvk.ini"
configure "set 12 -Dfirst=1" "set 13 start --port 80"
launch --mvk-debug run
expect_eq "exit code" 0 "$RC"
bin=$(winpath "$BIN")
expect_eq "options in order" \
    "-Dfirst=1|-Xss1m|-Dx=1|-Dsite.dir=$bin\\site|-Dtwo=2|-Djava.class.path=.\\lib\\quorvexservice-1.0.0.jar;$(shipped_class_path)|org.springframework.boot.loader.JarLauncher|start|--port|80|run" \
    "$(sed -n 's/^option\[[0-9]*\]=//p' "$RECORD" | paste -sd '|')"
expect_eq "main's arguments" "start|--port|80|run" "$(sed -n 's/^main arg\[[0-9]*\]=//p' "$RECORD" | paste -sd '|')"
expect_line "file logged" <(log_text) "Loading:	$bin\\QuorvexService.mvk.ini"
expect_line "reference logged" <(log_text) "Substitute:	EXEDIR = $bin"

finish
