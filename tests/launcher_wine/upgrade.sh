#!/usr/bin/env bash
# A site upgraded as the README says: the configuration of a configured program exported, the
# program replaced by a new build, the export applied to it. The new program carries the same
# configuration (diff finds nothing) and --mvk-check shows the same start, byte for byte; texts
# with a line end, a tab and a byte of the ANSI code page survive.
source "$(dirname "$0")/lib.sh"

qvconfig() { wine "$QV_QVCONFIG_EXE" "$@" >"$CASE/qvconfig.out" 2>"$CASE/qvconfig.err"; QV_RC=$?; }

install site
make_jar "$BIN/lib/quorvexservice-1.0.0.jar" org.springframework.boot.loader.JarLauncher
# The site's configuration: changed, added and removed values, texts that a plain line cannot
# carry among them.
configure "set 10 Gate Caf$(printf '\xe9') Nord" \
    "set 12 -Xmx512M -Dsite.name=north" \
    "set-escaped 13 --site=north\\t--door=main" \
    "set-escaped 35 First line.\\r\\nSecond line." \
    "set 19 SITE_HOME=%EXEDIR%\\site	SITE_ZONE=north" \
    "remove 22" \
    "set 33 QvUpgradeTest"
OUT=before launch --mvk-check
expect_eq "check of the configured program: exit code" 0 "$RC"
expect_line "the configured title" <(unix_text "$CASE/before.bin") \
    "  10 error_title: Gate Caf$(printf '\xe9') Nord (changed from the shipped text)"

# 1. export the site's values
qvconfig export "$(winpath "$EXE")" "$(winpath "$CASE/site.txt")"
expect_eq "export: exit code" 0 "$QV_RC"
expect_eq "export: its line" "8 change(s) written to $(winpath "$CASE/site.txt")" "$(unix_text "$CASE/qvconfig.out")"
expect_line "a line end travels escaped" <(unix_text "$CASE/site.txt") \
    "set-escaped service_description First line.\\r\\nSecond line."
expect_line "a removed value" <(unix_text "$CASE/site.txt") "remove support_url"
cp "$EXE" "$CASE/old.exe"

# 2. the new build replaces the program; 3. the export is applied to it
cp "$QV_LAUNCHER_EXE" "$EXE"
qvconfig diff "$(winpath "$CASE/old.exe")" "$(winpath "$EXE")"
expect_eq "diff before the apply: they differ" 1 "$QV_RC"
expect_line "diff names a changed value" "$CASE/qvconfig.out" \
    "13    app_args              \"--site=north\\t--door=main\" -> (not set)"
qvconfig apply "$(winpath "$EXE")" "$(winpath "$CASE/site.txt")"
expect_eq "apply: exit code" 0 "$QV_RC"
expect_eq "apply: its line" "8 change(s) applied" "$(unix_text "$CASE/qvconfig.out")"

# 4. the same configuration, the same start
qvconfig diff "$(winpath "$CASE/old.exe")" "$(winpath "$EXE")"
expect_eq "diff after the apply: the same" 0 "$QV_RC"
expect_eq "diff after the apply: nothing listed" "" "$(cat "$CASE/qvconfig.out")"
qvconfig get "$(winpath "$EXE")" 35
expect_eq "a text with a line end, byte for byte" \
    "$(printf 'First line.\r\nSecond line.\n' | od -c)" "$(od -c <"$CASE/qvconfig.out")"
OUT=after launch --mvk-check
expect_eq "check of the new program: exit code" 0 "$RC"
checks=$((checks + 1))
cmp -s "$CASE/before.bin" "$CASE/after.bin" ||
    fail "--mvk-check differs: $(diff <(unix_text "$CASE/before.bin") <(unix_text "$CASE/after.bin") | head -5)"

finish
