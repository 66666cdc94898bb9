#!/usr/bin/env bash
# Where the process finds the DLLs that the runtime's JVM library imports: in the runtime's bin,
# never in the current directory or in a folder earlier on Path, even when a planted copy lies
# there. The runtime holds the companion variant of the stand-in JVM library,
# which imports jvm_companion.dll; each copy of that DLL writes down its own path when loaded, and
# whether the shell's library was mapped by then (a start that goes well never needs it).
# CTest sets, beside what lib.sh needs: QV_COMPANION_JVM_DLL QV_COMPANION_DLL.
source "$(dirname "$0")/lib.sh"

# install_with_companion NAME PLANT_DIR: an install whose runtime's bin holds the companion, and
# a planted copy of it in PLANT_DIR (made when missing).
install_with_companion() {
    install "$1"
    cp "$QV_COMPANION_JVM_DLL" "$JRE/bin/client/jvm.dll"
    cp "$QV_COMPANION_DLL" "$JRE/bin/jvm_companion.dll"
    mkdir -p "$2"
    cp "$QV_COMPANION_DLL" "$2/jvm_companion.dll"
}

# case NAME PLANT_DIR CONFIG: the working directory (per CONFIG) holds the planted copy.
while read -r name plant config; do
    install_with_companion "$name" "$QV_TEST_WORK/$name/$plant"
    configure "$config"
    launch
    expect_eq "$name: exit code" 0 "$RC"
    expect_eq "$name: companion from the runtime's bin" \
        "companion loaded from $(winpath "$JRE/bin/jvm_companion.dll")" \
        "$(grep '^companion' "$RECORD")"
    expect_line "$name: no shell on the way to the JVM" "$RECORD" "shell32.dll mapped: no"
    expect_line "$name: main ran" "$RECORD" "main returned"
done <<'CASES'
started_in_plant_folder . remove 8
working_directory_elsewhere data set 8 ..\..\data
CASES

# A folder on Path before the runtime's bin (which the launcher appends to Path) holds a planted
# copy: WINEPATH puts the folder at the head of Path.
install_with_companion path_folder_first "$QV_TEST_WORK/path_folder_first/on_path"
WINEPATH=$(winpath "$QV_TEST_WORK/path_folder_first/on_path") launch
expect_eq "path_folder_first: exit code" 0 "$RC"
path_line=$(grep -a '^main env Path=' "$RECORD" | tr -d '\r')
expect_eq "path_folder_first: the planted folder is first on Path" \
    "main env Path=$(winpath "$QV_TEST_WORK/path_folder_first/on_path")" "${path_line%%;*}"
expect_eq "path_folder_first: companion from the runtime's bin" \
    "companion loaded from $(winpath "$JRE/bin/jvm_companion.dll")" \
    "$(grep '^companion' "$RECORD")"
expect_line "path_folder_first: main ran" "$RECORD" "main returned"

finish
