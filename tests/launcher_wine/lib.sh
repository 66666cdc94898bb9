# Shared by the launcher's Wine tests: install folders, configuration with qvconfig, runs of the
# real QuorvexService.exe, and checks. Sourced by each test script; CTest sets:
#   QV_WINE_RUN QV_WINE_ROOT   the emulator wrapper and the root of the Wine prefixes
#   QV_LAUNCHER_EXE QV_QVCONFIG_EXE QV_STANDIN_DLL QV_PROBE_EXE   the programs under test and helpers
#   QV_CLASSPATH_LIST          config/classpath.txt
#   QV_TEST_WORK               a scratch folder of the test
set -uo pipefail
export QV_WINE_PREFIX=launcher
# No "Morvakin" variable from the environment the tests run in: each case sets what it needs.
unset Morvakin

checks=0
failures=0
TEST_NAME=$(basename "$0" .sh)

fail() {
    failures=$((failures + 1))
    echo "FAIL [${CASE_NAME:-}] $*"
}

# expect_eq WHAT EXPECTED ACTUAL
expect_eq() {
    checks=$((checks + 1))
    if [ "$2" != "$3" ]; then
        fail "$1:"$'\n'"  expected: $(printf '%q' "$2")"$'\n'"  actual:   $(printf '%q' "$3")"
    fi
}

# expect_match WHAT REGEX TEXT
expect_match() {
    checks=$((checks + 1))
    if ! [[ $3 =~ $2 ]]; then
        fail "$1: $(printf '%q' "$3") does not match $2"
    fi
}

# expect_line WHAT FILE LINE: FILE holds LINE as a whole line. expect_no_line: it does not.
expect_line() {
    checks=$((checks + 1))
    grep -qxF -- "$3" "$2" 2>/dev/null || fail "$1: no line $(printf '%q' "$3") in $2"
}
expect_no_line() {
    checks=$((checks + 1))
    if grep -qxF -- "$3" "$2" 2>/dev/null; then fail "$1: unexpected line $(printf '%q' "$3")"; fi
}

# expect_count WHAT EXPECTED FILE LINE: how often FILE holds LINE.
expect_count() {
    checks=$((checks + 1))
    local n
    n=$(grep -cxF -- "$4" "$3" 2>/dev/null)
    [ "${n:-0}" -eq "$2" ] || fail "$1: $(printf '%q' "$4") $n times, expected $2"
}

finish() {
    echo "$TEST_NAME: $checks checks, $failures failed"
    [ "$failures" -eq 0 ] && [ "$checks" -gt 0 ]
    exit $?
}

# The Windows form of a Linux path (the Linux root is drive Z:).
winpath() {
    local p
    p=$(realpath -m "$1")
    printf 'Z:%s' "${p//\//\\}"
}

wine() { "$QV_WINE_RUN" "$QV_WINE_ROOT" "$@"; }

# unix_text FILE: the file with CR LF line ends turned into LF (for comparing whole texts).
unix_text() { sed 's/\r$//' "$1"; }

# A log's lines, without line ends.
log_text() { unix_text "$LOG"; }

# install NAME: a fresh install folder with the shipped layout, for one case:
#   $CASE/svc/bin/QuorvexService.exe   the program ($EXE, in $BIN), shipped configuration
#   $CASE/gui/jre                      the local runtime ($JRE): bin\java.exe, bin\client\jvm.dll
# Every case gets its own mutex name, so that cases can run side by side.
install() {
    CASE_NAME=$1
    CASE=$QV_TEST_WORK/$1
    rm -rf "$CASE"
    BIN=$CASE/svc/bin
    EXE=$BIN/QuorvexService.exe
    JRE=$CASE/gui/jre
    LOG=$BIN/morvakin.log
    RECORD=$CASE/record.txt
    URLS=$CASE/urls.txt
    mkdir -p "$BIN" "$JRE/bin/client"
    cp "$QV_LAUNCHER_EXE" "$EXE"
    : >"$JRE/bin/java.exe"
    cp "$QV_STANDIN_DLL" "$JRE/bin/client/jvm.dll"
    MUTEX=qv-test-$TEST_NAME-$1
    configure "set 23 $MUTEX"
}

# make_jar JAR CLASS...: a jar made by the JDK's jar tool that holds the class files of the classes
# named (dotted form), as the JVM's class loader finds them; --mvk-check looks for main in it.
make_jar() {
    local jar=$1 stage=$CASE/jar-stage class
    shift
    rm -rf "$stage"
    mkdir -p "$stage" "$(dirname "$jar")"
    for class in "$@"; do
        mkdir -p "$stage/$(dirname "${class//.//}")"
        printf '\xca\xfe\xba\xbe' >"$stage/${class//.//}.class"
    done
    jar --create --file "$jar" -C "$stage" . || fail "jar could not make $jar"
}

# configure LINE...: qvconfig apply of the lines ("set VALUE TEXT" or "remove VALUE") on $EXE.
configure() {
    printf '%s\n' "$@" >"$CASE/changes.txt"
    wine "$QV_QVCONFIG_EXE" apply "$EXE" "$CASE/changes.txt" >"$CASE/qvconfig.out" 2>&1
    local rc=$?
    [ "$rc" -eq 0 ] || fail "qvconfig apply: exit code $rc: $(cat "$CASE/qvconfig.out")"
}

# launch [ARGS...]: runs the program from the install folder with the stand-in's record and the
# URL record set; STANDIN (behaviour words of the stand-in) and SHOW (variables main writes down)
# are passed on when set. Leaves the exit code in RC (a Windows -1 arrives as 255) and the standard
# output, byte for byte, in $CASE/stdout.bin (or $CASE/$OUT.bin).
launch() {
    (
        cd "$CASE" || exit 99
        export QV_STANDIN_JVM_RECORD
        QV_STANDIN_JVM_RECORD=$(winpath "$RECORD")
        export QV_URL_RECORD
        QV_URL_RECORD=$(winpath "$URLS")
        export QV_STANDIN_JVM=${STANDIN:-}
        export QV_STANDIN_JVM_SHOW=${SHOW:-}
        exec "$QV_WINE_RUN" "$QV_WINE_ROOT" "$EXE" "$@" >"$CASE/${OUT:-stdout}.bin" 2>"$CASE/${OUT:-stdout}.err"
    )
    RC=$?
}

# expect_stdout WHAT: the standard output of the last launch is, byte for byte, what the commands
# given on standard input print, with every LF as CR LF (console text mode).
expect_stdout() {
    checks=$((checks + 1))
    perl -pe 's/\n/\r\n/g' >"$CASE/expected-stdout.bin"
    if ! cmp -s "$CASE/expected-stdout.bin" "$CASE/stdout.bin"; then
        fail "$1: standard output"$'\n'"  expected: $(od -c "$CASE/expected-stdout.bin" | head -8)"$'\n'"  actual:   $(od -c "$CASE/stdout.bin" | head -8)"
    fi
}

# The shell opens URLs in another process: wait until it has written its record (at most a
# minute; what it wrote is then checked as usual).
wait_for_urls() {
    local i
    for i in $(seq 1 600); do
        [ -s "$URLS" ] && return 0
        sleep 0.1
    done
    return 1
}

# The text of the last error code as Windows gives it.
system_text() { wine "$QV_PROBE_EXE" sysmsg "$1"; }

# The shipped class path list joined with ";", as the launcher carries it.
shipped_class_path() { sed 's/\r$//' "$QV_CLASSPATH_LIST" | grep -v '^#' | grep -v '^$' | paste -sd ';'; }

TITLE="Zarvel-Quorvex integration service"
MSG_STARTUP="An error occurred while starting the application."
MSG_LOCAL_RUNTIME="This application was configured to use a bundled Java Runtime Environment but the runtime is missing or corrupted."
MSG_RUNTIME_REQUIRED="This application requires a Java Runtime Environment"
MSG_STALE="The registry refers to a nonexistent Java Runtime Environment installation or the runtime is corrupted."
MSG_INSTANCE="An application instance is already running."
SUPPORT_URL="https://support.zarvel.example/quorvex-service"
DOWNLOAD_URL="https://www.zarvel.example/java-runtime"
