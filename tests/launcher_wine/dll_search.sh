#!/usr/bin/env bash
# Where the process finds the DLLs that the runtime's JVM library imports: in the runtime's bin
# (through Path, which the launcher extends with it), never in the current directory, even when a
# planted copy lies there. The runtime holds the companion variant of the stand-in JVM library,
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

finish
