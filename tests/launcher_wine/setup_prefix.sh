#!/usr/bin/env bash
# The Wine prefix of the launcher's tests: a fresh Windows installation in which http and https
# addresses are "opened" by the URL recorder instead of a browser.
# Usage: setup_prefix.sh WINE_RUN WINE_ROOT URL_RECORDER_EXE KEEPER_EXE
set -euo pipefail
export QV_WINE_PREFIX=launcher
"$(dirname "$0")/../support/wine-prefix-up" "$1" "$2" "$4"
recorder=$(realpath "$3")
recorder="Z:${recorder//\//\\}"
for scheme in http https; do
    "$1" "$2" reg add "HKCR\\$scheme\\shell\\open\\command" /ve /d "\"$recorder\" \"%1\"" /f
done
"$1" "$2" reg query 'HKCR\https\shell\open\command'
