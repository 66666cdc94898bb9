#!/usr/bin/env bash
# Runtimes registered in the registry (written with reg add in the test prefix) and registry
# references in configuration text, with the real QuorvexService.exe.
source "$(dirname "$0")/lib.sh"

reg_clear() {
    local key
    for key in 'HKLM\SOFTWARE\JavaSoft' 'HKLM\SOFTWARE\IBM' 'HKLM\SOFTWARE\ZarvelTest'; do
        wine reg delete "$key" /f >/dev/null 2>&1
    done
}
# reg_runtime KEY VERSION HOME: a registered runtime; HOME gets bin\java.exe and the stand-in.
reg_runtime() {
    wine reg add "HKLM\\SOFTWARE\\JavaSoft\\$1\\$2" /v JavaHome /d "$(winpath "$3")" /f >/dev/null ||
        fail "reg add $1\\$2"
    if [ -n "${4:-}" ]; then return; fi
    mkdir -p "$3/bin/client"
    : >"$3/bin/java.exe"
    cp "$QV_STANDIN_DLL" "$3/bin/client/jvm.dll"
}
# The runtime the JVM was created from: the last entry of the Path main saw.
runtime_used() { sed -n 's/^main env Path=.*;//p' "$RECORD"; }

reg_clear

# The local runtime is missing; with a minimum version the newest registered JDK is used.
install newest_registered
rm -r "$JRE"
reg_runtime JDK 11.0.9 "$CASE/jdk11"
reg_runtime JDK 17.0.2 "$CASE/jdk17"
reg_runtime JDK MSI "$CASE/msi" no-home
reg_runtime JRE 21 "$CASE/jre21"
configure "set 2 1.8"
launch --mvk-debug
expect_eq "exit code" 0 "$RC"
expect_eq "JDK 17 used (JRE keys are not scanned with preference 3)" "$(winpath "$CASE/jdk17")\\bin" "$(runtime_used)"
expect_line "window" <(log_text) "Java min ver:	1.008.000"
expect_line "scan" <(log_text) "32-bit search:	SOFTWARE\\JavaSoft\\JDK..."
expect_line "candidate" <(log_text) "Check:		SOFTWARE\\JavaSoft\\JDK\\17.0.2"
expect_line "match" <(log_text) "Match:		1.017.000_002"
expect_line "result" <(log_text) "Runtime used:	1.017.000_002 (32-bit)"
expect_no_line "JRE key not scanned" <(log_text) "32-bit search:	SOFTWARE\\JavaSoft\\JRE..."

# A maximum version keeps JDK 17 out.
install version_window
rm -r "$JRE"
configure "set 2 1.8" "set 3 11.0.9" "set 18 1"
launch --mvk-debug
expect_eq "exit code" 0 "$RC"
expect_eq "JDK 11 used" "$(winpath "$CASE/../newest_registered/jdk11")\\bin" "$(runtime_used)"
expect_line "JRE 21 above the window" <(log_text) "Ignore:		1.021.000"

# Mode 1 scans only the 64-bit view of 64-bit Windows, which a 64-bit process never sees as
# WOW64: nothing is scanned, and the message names the bits of the mode.
install bits_mode_64_only
rm -r "$JRE"
configure "set 2 1.8" "set 30 1"
launch --mvk-debug
expect_eq "exit code" 1 "$RC"
expect_eq "no key scanned" "" "$(log_text | grep -E '^(32|64)-bit search:')"
expect_stdout "composed message" < <(printf '%s: %s 1.8 (64-bit)\n' "$TITLE" "$MSG_RUNTIME_REQUIRED")
wait_for_urls
expect_eq "download page opened" "$DOWNLOAD_URL" "$(cat "$URLS" 2>/dev/null)"

# No usable runtime in the window, one stale entry: value 103 with the window and the bits, value
# 104, and the download page opened.
reg_clear
install stale_registry
rm -r "$JRE"
reg_runtime JDK 17.0.2 "$CASE/removed-jdk" no-home
configure "set 2 17" "set 3 17.9"
launch
expect_eq "exit code" 1 "$RC"
expect_stdout "composed message" < <(printf '%s: %s 17 - 17.9 (32-bit)\n%s\n' "$TITLE" "$MSG_RUNTIME_REQUIRED" "$MSG_STALE")
wait_for_urls
expect_eq "download page opened" "$DOWNLOAD_URL" "$(cat "$URLS" 2>/dev/null)"

# A registry reference in value 12: the value's data become part of an option.
reg_clear
install registry_reference
wine reg add 'HKLM\SOFTWARE\ZarvelTest\Options' /v Stack /d 2m /f >/dev/null || fail "reg add"
wine reg add 'HKLM\SOFTWARE\ZarvelTest\Options' /ve /d fromDefault /f >/dev/null || fail "reg add /ve"
configure "set 12 -Xss%HKEY_LOCAL_MACHINE\\SOFTWARE\\ZarvelTest\\Options\\Stack% -Dmissing=%HKEY_LOCAL_MACHINE\\SOFTWARE\\ZarvelTest\\Options\\Absent%. -Ddefault=%HKEY_LOCAL_MACHINE\\SOFTWARE\\ZarvelTest\\Options\\%"
launch --mvk-debug
expect_eq "exit code" 0 "$RC"
expect_line "value placed in the option" "$RECORD" "option[0]=-Xss2m"
expect_line "a missing value gives nothing" "$RECORD" "option[1]=-Dmissing=."
expect_line "an empty value name reads the default value" "$RECORD" "option[2]=-Ddefault=fromDefault"
expect_line "substitution logged" <(log_text) "Substitute:	HKEY_LOCAL_MACHINE\\SOFTWARE\\ZarvelTest\\Options\\Stack = 2m"

# A value of 1025 bytes (1024 characters and the terminator) does not fit a reference: the start
# fails naming it, like every other text that does not fit; the JVM is not created.
reg_clear
install registry_value_too_large
wine reg add 'HKLM\SOFTWARE\ZarvelTest\Options' /v Big /d "$(printf 'b%.0s' $(seq 1 1024))" /f >/dev/null ||
    fail "reg add"
configure "set 12 -Dbig=%HKEY_LOCAL_MACHINE\\SOFTWARE\\ZarvelTest\\Options\\Big%"
launch --mvk-debug
expect_eq "exit code" 1 "$RC"
named="The registry value %HKEY_LOCAL_MACHINE\\SOFTWARE\\ZarvelTest\\Options\\Big% holds more than 1024 bytes."
expect_stdout "report names the reference" < <(printf '%s: %s\n\n%s\n' "$TITLE" "$MSG_STARTUP" "$named")
expect_line "error logged" <(log_text) "Error:		$named"
expect_eq "no JVM" no "$([ -e "$RECORD" ] && echo yes || echo no)"

reg_clear
finish
