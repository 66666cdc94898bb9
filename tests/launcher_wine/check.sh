#!/usr/bin/env bash
# The launcher's own commands on the real QuorvexService.exe: --mvk-check shows the start without
# creating a JVM and ends with the report the start itself would give, or with its findings (main
# looked up in jars made by the JDK's jar tool, the guard of a running instance, the start type as
# the install reads it); --mvk-version, --mvk-help.
source "$(dirname "$0")/lib.sh"

# The stand-in JVM library built for the 32-bit machine field (0x14C) instead of its own.
patch_machine_x86() {
    perl -e '
        open(my $f, "+<:raw", $ARGV[0]) or die;
        seek($f, 0x3C, 0); read($f, my $o, 4); my $pe = unpack("V", $o);
        seek($f, $pe + 4, 0); print $f pack("v", 0x14C); close($f);' "$1"
}

out_text() { unix_text "$CASE/${1:-stdout}.bin"; }

SERVICE=QvCheckTest-$$
trap 'wine sc delete "$SERVICE" >/dev/null 2>&1' EXIT

# The shipped configuration with its application jar (value 14), which holds the main class.
install check_ok
make_jar "$BIN/lib/quorvexservice-1.0.0.jar" org.springframework.boot.loader.JarLauncher
bin=$(winpath "$BIN")
launch --mvk-check
expect_eq "exit code" 0 "$RC"
expect_line "main found in the jar" <(out_text) \
    "Main class org.springframework.boot.loader.JarLauncher: found in .\\lib\\quorvexservice-1.0.0.jar"
# Value 14 and the list of value 16, whose first entry is that jar too: every other one is missing.
listed=$(grep -c . "$QV_CLASSPATH_LIST")
expect_line "the missing entries counted" <(out_text) \
    "Class path entries missing: $((listed - 1)) of $((listed + 1))"
expect_line "the start type as the install reads it" <(out_text) "  start type: automatic"
expect_eq "no JVM created" no "$([ -e "$RECORD" ] && echo yes || echo no)"
expect_eq "no log written" no "$([ -e "$LOG" ] && echo yes || echo no)"
expect_line "value as shipped" <(out_text) "  15 main_class: org.springframework.boot.loader.JarLauncher (as shipped)"
expect_line "runtime" <(out_text) "Runtime: $bin\\..\\..\\gui\\jre"
expect_line "library of the program's own architecture" <(out_text) \
    "  present, a DLL for x64, the program's own architecture"
expect_line "an option" <(out_text) "  -Xmx1024M"
expect_line "a missing class path entry" <(out_text) "  missing  lib\\spring-boot-2.7.18.jar"
expect_eq "last line" "The service could start." "$(out_text | tail -n 1)"

# A library of another architecture: the check stops with the report the start gives when
# LoadLibraryA refuses it.
install check_other_architecture
patch_machine_x86 "$JRE/bin/client/jvm.dll"
OUT=started launch
expect_eq "the start: exit code" 255 "$RC"
# Windows' text for the load error names the library in its insert ("Bad EXE format for %1.").
expect_eq "the start's report names the library" yes \
    "$(grep -qF "$(winpath "$BIN")\\..\\..\\gui\\jre\\bin\\client\\jvm.dll" "$CASE/started.bin" &&
        echo yes || echo no)"
expect_eq "no insert left unfilled" no "$(grep -qF '%1' "$CASE/started.bin" && echo yes || echo no)"
wait_for_urls
OUT=checked launch --mvk-check
expect_eq "the check: exit code" 1 "$RC"
expect_line "the cause" <(out_text checked) "  present, a DLL for x86, but this program is built for x64"
# The check's output ends, byte for byte, with the start's whole output and the support page.
{ cat "$CASE/started.bin"; printf 'Support page: %s\r\n' "$SUPPORT_URL"; } >"$CASE/expected-end.bin"
expect_eq "the start's report, then the support page" yes \
    "$(tail -c "$(stat -c %s "$CASE/expected-end.bin")" "$CASE/checked.bin" |
        cmp -s - "$CASE/expected-end.bin" && echo yes || echo no)"
sleep 1
expect_eq "only the start opened the page" "$SUPPORT_URL" "$(cat "$URLS" 2>/dev/null)"

# A main class that no entry of the class path holds: the JVM would not find main.
install check_main_missing
make_jar "$BIN/lib/quorvexservice-1.0.0.jar" org.springframework.boot.loader.JarLauncher
configure "set 15 com.zarvel.quorvexservice.Missing"
launch --mvk-check
expect_eq "main missing: exit code" 1 "$RC"
expect_line "main missing: the finding" <(out_text) \
    "Main class com.zarvel.quorvexservice.Missing (com/zarvel/quorvexservice/Missing.class): not found in the class path"
expect_eq "main missing: last line" "The service will not start." "$(out_text | tail -n 1)"
expect_eq "main missing: no JVM created" no "$([ -e "$RECORD" ] && echo yes || echo no)"

# While an instance runs (its main held), the check reports the guard it holds and goes on.
install check_beside_instance
make_jar "$BIN/lib/quorvexservice-1.0.0.jar" org.springframework.boot.loader.JarLauncher
HOLD=$CASE/hold
(QV_STANDIN_JVM_HOLD=$(winpath "$HOLD") OUT=first launch; echo "$RC" >"$CASE/first.rc") &
FIRST=$!
for _ in $(seq 1 1200); do
    [ -e "$HOLD.started" ] || ! kill -0 "$FIRST" 2>/dev/null && break
    sleep 0.1
done
if [ -e "$HOLD.started" ]; then
    OUT=checked launch --mvk-check
    expect_eq "beside an instance: exit code" 0 "$RC"
    expect_line "beside an instance: the guard is taken" <(out_text checked) "  Error:		Instance already exists."
    expect_line "beside an instance: said so" <(out_text checked) \
        "Another instance holds the guard of value 23 (mutex_name): while it runs, a start ends with exit code 2"
    expect_line "beside an instance: the check went on" <(out_text checked) \
        "Main class org.springframework.boot.loader.JarLauncher: found in .\\lib\\quorvexservice-1.0.0.jar"
    expect_eq "beside an instance: last line" "The service could start." "$(out_text checked | tail -n 1)"
else
    fail "the first instance did not reach main: $(cat "$CASE/first.bin" "$CASE/first.err" 2>/dev/null)"
fi
: >"$HOLD.release"
wait "$FIRST"
expect_eq "the instance ran on undisturbed" 0 "$(cat "$CASE/first.rc" 2>/dev/null)"
expect_count "one JVM: the instance's" 1 "$RECORD" "main returned"

# A start type written as the service manager's tools show it: the check and the install agree.
install check_start_type
make_jar "$BIN/lib/quorvexservice-1.0.0.jar" org.springframework.boot.loader.JarLauncher
configure "set 33 $SERVICE" "set 36 Manual"
launch --mvk-check
expect_eq "Manual: the check's exit code" 0 "$RC"
expect_line "Manual: read as manual" <(out_text) "  start type: manual"
launch --mvk-install
expect_eq "Manual: the install's exit code" 0 "$RC"
wine "$QV_PROBE_EXE" service "$SERVICE" >"$CASE/config.txt"
expect_line "Manual: a demand start" "$CASE/config.txt" "start: 3"
launch --mvk-uninstall
expect_eq "Manual: uninstalled" 0 "$RC"

install version_and_help
launch --mvk-version
expect_eq "version: exit code" 0 "$RC"
expect_match "version" "^QuorvexService [0-9]+\\.[0-9]+\\.[0-9]+ \\(launcher 3\\.12\\)$" "$(out_text)"
launch --mvk-help
expect_eq "help: exit code" 0 "$RC"
expect_eq "help lists every word" 8 "$(out_text | grep -c -E '^  --mvk-[a-z-]+ ')"
expect_eq "no JVM created" no "$([ -e "$RECORD" ] && echo yes || echo no)"

finish
