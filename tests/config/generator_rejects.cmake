# The generator refuses a configuration that a built executable must not carry, and says why.
# Each case writes a small values file (and class path list), runs the generator on it and expects
# a failure whose message names the fault. Run with -DGENERATOR=... -DTEMPLATE=... -DICON=...
# -DWORK=<scratch dir>.
cmake_minimum_required(VERSION 3.25)

string(REPEAT "x" 127 text127)
string(REPEAT "x" 128 text128)
string(REPEAT "y" 20 text20)
string(ASCII 127 del)

# name | values file body | class path list body | expected message (regex). No case holds ";"
# (the list separator here): SEMI in a list body stands for it.
set(cases
    "longer_than_max|10 | error_title | text | 127 | \"${text128}\"\n||value 10 \\(error_title\\) is 128 characters long. its max is 127"
    "integer_longer_than_max|25 | heap | integer | 19 | \"${text20}\"\n||value 25 \\(heap\\) is 20 characters long"
    "list_longer_than_max|16 | class_path | text | 30 | @list.txt\n|lib\\a-0123456789.jar\nlib\\b-0123456789.jar\n|value 16 \\(class_path\\) is 41 characters long"
    "id_twice|1 | a | text | 9 | \"x\"\n1 | b | text | 9 | \"y\"\n||the ID 1 is listed twice"
    "name_twice|1 | a | text | 9 | \"x\"\n2 | a | text | 9 | \"y\"\n||the name a is listed twice"
    "unknown_kind|1 | a | string | 9 | \"x\"\n||the kind 'string' is not text, boolean or integer"
    "id_zero|0 | a | text | 9 | \"x\"\n||the ID '0' is not a number from 1 to 65535"
    "id_too_large|65536 | a | text | 9 | \"x\"\n||the ID '65536' is not a number from 1 to 65535"
    "field_missing|1 | a | text | \"x\"\n||expected 'ID . name . kind . max . shipped'"
    "unclosed_quote|1 | a | text | 9 | \"x\n||no closing double quote"
    "bare_text|1 | a | text | 9 | x\n||shipped must be"
    "entry_with_separator|16 | class_path | text | 999 | @list.txt\n|lib\\a.jarSEMIlib\\b.jar\n|list.txt:1: an entry must not hold '.'"
    "list_file_missing|16 | class_path | text | 999 | @absent.txt\n||absent.txt: no such file"
    "control_byte|1 | a | text | 9 | \"a${del}b\"\n||byte 0x7f is not printable ASCII"
)

# The one value that exactly fits is accepted: the bound is the max, not one less.
set(fits_values "10 | error_title | text | 127 | \"${text127}\"\n")

set(failures 0)
set(dir "${WORK}/generator_rejects")
file(REMOVE_RECURSE "${dir}")
function(run_generator case_dir result_var output_var)
    execute_process(
        COMMAND "${CMAKE_COMMAND}" "-DVALUES=${case_dir}/values.txt" "-DTEMPLATE=${TEMPLATE}"
                "-DICON=${ICON}" -DVERSION=1.0.0 "-DOUT_DIR=${case_dir}/out" -P "${GENERATOR}"
        RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    set(${result_var} "${result}" PARENT_SCOPE)
    set(${output_var} "${out}${err}" PARENT_SCOPE)
endfunction()

foreach(case IN LISTS cases)
    string(REPLACE "|" ";" parts "${case}")
    # The values body holds "|" itself: take the name, then the last two fields from the end.
    list(GET parts 0 name)
    list(GET parts -1 expected)
    list(GET parts -2 list_body)
    list(LENGTH parts n)
    math(EXPR last_values "${n} - 3")
    list(SUBLIST parts 1 ${last_values} values_parts)
    list(JOIN values_parts "|" values_body)
    string(REPLACE "SEMI" ";" list_body "${list_body}")
    set(case_dir "${dir}/${name}")
    file(WRITE "${case_dir}/values.txt" "${values_body}")
    if(NOT list_body STREQUAL "")
        file(WRITE "${case_dir}/list.txt" "${list_body}")
    endif()
    run_generator("${case_dir}" result output)
    string(REGEX REPLACE "[ \n]+" " " output "${output}")
    if(result EQUAL 0)
        message("FAIL ${name}: the generator accepted it")
        math(EXPR failures "${failures} + 1")
    elseif(NOT output MATCHES "${expected}")
        message("FAIL ${name}: expected a message matching '${expected}', got:\n${output}")
        math(EXPR failures "${failures} + 1")
    else()
        message("ok   ${name}")
    endif()
endforeach()

file(WRITE "${dir}/fits/values.txt" "${fits_values}")
run_generator("${dir}/fits" result output)
if(NOT result EQUAL 0)
    message("FAIL fits: a text of exactly its max was refused:\n${output}")
    math(EXPR failures "${failures} + 1")
else()
    file(STRINGS "${dir}/fits/out/shipped-values.txt" line)
    string(REPEAT "78" 127 hex127)
    if(NOT line STREQUAL "10 ${hex127}00")
        message("FAIL fits: shipped-values.txt holds '${line}'")
        math(EXPR failures "${failures} + 1")
    else()
        message("ok   fits")
    endif()
endif()

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} case(s) failed")
endif()
