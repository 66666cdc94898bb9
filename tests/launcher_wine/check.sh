#!/usr/bin/env bash
# The launcher's own commands on the real QuorvexService.exe: --mvk-check shows the start without
# creating a JVM and ends with the report the start itself would give; --mvk-version, --mvk-help.
source "$(dirname "$0")/lib.sh"

# The stand-in JVM library built for the 32-bit machine field (0x14C) instead of its own.
patch_machine_x86() {
    perl -e '
        open(my $f, "+<:raw", $ARGV[0]) or die;
        seek($f, 0x3C, 0); read($f, my $o, 4); my $pe = unpack("V", $o);
        seek($f, $pe + 4, 0); print $f pack("v", 0x14C); close($f);' "$1"
}

out_text() { unix_text "$CASE/${1:-stdout}.bin"; }

install check_ok
bin=$(winpath "$BIN")
launch --mvk-check
expect_eq "exit code" 0 "$RC"
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

install version_and_help
launch --mvk-version
expect_eq "version: exit code" 0 "$RC"
expect_match "version" "^QuorvexService [0-9]+\\.[0-9]+\\.[0-9]+ \\(launcher 3\\.12\\)$" "$(out_text)"
launch --mvk-help
expect_eq "help: exit code" 0 "$RC"
expect_eq "help lists every word" 8 "$(out_text | grep -c -E '^  --mvk-[a-z-]+ ')"
expect_eq "no JVM created" no "$([ -e "$RECORD" ] && echo yes || echo no)"

finish
