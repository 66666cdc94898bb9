#!/usr/bin/env bash
# A program folder whose name holds a character outside the ANSI code page (1252 here): the
# launcher stops with exit code 1 and says why, instead of running from the folder that the
# best-fit look-alike of its path names ("svc-ā" read as "svc-a"), which any user could create.
source "$(dirname "$0")/lib.sh"

install outside_code_page
# The look-alike folder holds a runtime of its own, the one a start from the wrong folder finds.
LOOKALIKE=$CASE/svc-a/bin
mkdir -p "$LOOKALIKE/jre/bin/client"
: >"$LOOKALIKE/jre/bin/java.exe"
cp "$QV_STANDIN_DLL" "$LOOKALIKE/jre/bin/client/jvm.dll"
configure "set 1 jre"
mv "$CASE/svc" "$CASE/svc-ā"
EXE=$CASE/svc-ā/bin/QuorvexService.exe
launch --mvk-debug
expect_eq "exit code" 1 "$RC"
expect_stdout "the reason" < <(printf '%s\n' "Morvakin: The program path holds a character that the ANSI code page of this computer cannot hold, so the program's folder cannot be named exactly. Install the program in a folder whose path holds none.")
expect_eq "no JVM from the look-alike folder" "" "$(cat "$RECORD" 2>/dev/null)"
expect_eq "no log in either folder" "" "$(ls "$CASE/svc-ā/bin" "$LOOKALIKE" | grep -i morvakin)"

# The same install in a folder whose name the code page holds (é is 0xE9 in 1252) starts.
install inside_code_page
configure "set 1 jre"
mkdir -p "$BIN/jre/bin/client"
: >"$BIN/jre/bin/java.exe"
cp "$QV_STANDIN_DLL" "$BIN/jre/bin/client/jvm.dll"
mv "$CASE/svc" "$CASE/svc-é"
EXE=$CASE/svc-é/bin/QuorvexService.exe
launch
expect_eq "exit code" 0 "$RC"
expect_line "main ran" "$RECORD" "main returned"

finish
