# Generates the launch configuration of QuorvexService from launch-values.txt (run with cmake -P).
#
#   cmake -DVALUES=launch-values.txt -DTEMPLATE=resources.rc.in -DICON=quorvex.ico
#         -DVERSION=1.0.0 -DOUT_DIR=<dir> -P generate.cmake
#
# Writes, below OUT_DIR:
#   QuorvexService.rc              the resource script: the values as RCDATA, the icon, the version
#   include/quorvex/launch_config.h  the table of values (ID, name, kind, max, shipped text) for C++
#   shipped-values.txt             one line per carried value: ID, a blank, its bytes in hex with
#                                  the NUL (what a built executable must hold)
# Fails when a line is malformed, an ID or a name repeats, or a carried text is longer than its max.
cmake_minimum_required(VERSION 3.25)

foreach(arg VALUES TEMPLATE ICON VERSION OUT_DIR)
    if(NOT DEFINED ${arg})
        message(FATAL_ERROR "generate.cmake: -D${arg}=... is required")
    endif()
endforeach()
get_filename_component(config_dir "${VALUES}" DIRECTORY)

# CMake lists are ";"-separated and treat "[" "]" specially: the texts travel with those three
# characters replaced by control characters that no text of ours holds, and get them back on output.
string(ASCII 1 semi_mark)
string(ASCII 2 open_mark)
string(ASCII 3 close_mark)
function(protect out text)
    string(REPLACE ";" "${semi_mark}" text "${text}")
    string(REPLACE "[" "${open_mark}" text "${text}")
    string(REPLACE "]" "${close_mark}" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()
function(restore out text)
    string(REPLACE "${semi_mark}" ";" text "${text}")
    string(REPLACE "${open_mark}" "[" text "${text}")
    string(REPLACE "${close_mark}" "]" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# read_lines(out file): the lines of a file, without line ends, comments and empty lines.
function(read_lines out file)
    if(NOT EXISTS "${file}")
        message(FATAL_ERROR "${file}: no such file")
    endif()
    file(READ "${file}" content)
    foreach(c "${semi_mark}" "${open_mark}" "${close_mark}")
        string(FIND "${content}" "${c}" pos)
        if(NOT pos EQUAL -1)
            message(FATAL_ERROR "${file}: holds a control character (bytes 1 to 3 are not allowed)")
        endif()
    endforeach()
    protect(content "${content}")
    string(REPLACE "\r" "" content "${content}")
    string(REPLACE "\n" ";" lines "${content}")
    set(result "")
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        string(STRIP "${line}" stripped)
        if(stripped STREQUAL "" OR stripped MATCHES "^#")
            continue()
        endif()
        list(APPEND result "${number}:${line}")
    endforeach()
    set(${out} "${result}" PARENT_SCOPE)
endfunction()

# Texts for the resource compiler: backslash and control bytes escaped, quotes doubled.
function(rc_escape out text)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\"\"" text "${text}")
    string(REPLACE "\t" "\\t" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Texts for C++: backslash, quote and tab escaped.
function(cxx_escape out text)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    string(REPLACE "\t" "\\t" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Only printable ASCII and tab: the resource compiler and the C++ compiler take them as they are.
function(check_text where text)
    restore(plain "${text}")
    string(LENGTH "${plain}" len)
    if(len GREATER 0)
        string(HEX "${plain}" hex)
        string(REGEX MATCHALL ".." bytes "${hex}")
        foreach(b IN LISTS bytes)
            math(EXPR v "0x${b}")
            if(NOT (v EQUAL 9 OR (v GREATER_EQUAL 32 AND v LESS 127)))
                message(FATAL_ERROR "${where}: byte 0x${b} is not printable ASCII or a tab")
            endif()
        endforeach()
    endif()
endfunction()

# Splits "a | b | c | d | rest": the first four fields at "|", the rest of the line as it stands.
function(split_fields out line)
    set(fields "")
    foreach(i RANGE 1 4)
        string(FIND "${line}" "|" bar)
        if(bar EQUAL -1)
            set(${out} "" PARENT_SCOPE)
            return()
        endif()
        string(SUBSTRING "${line}" 0 ${bar} field)
        string(STRIP "${field}" field)
        list(APPEND fields "${field}")
        math(EXPR next "${bar} + 1")
        string(SUBSTRING "${line}" ${next} -1 line)
    endforeach()
    string(STRIP "${line}" line)
    list(APPEND fields "${line}")
    set(${out} "${fields}" PARENT_SCOPE)
endfunction()

read_lines(value_lines "${VALUES}")
set(rc_values "")
set(cxx_rows "")
set(expected "")
set(seen_ids "")
set(seen_names "")
set(cxx_value_constants "")  # one typed constant a value, for the launcher's reads
set(count 0)
foreach(entry IN LISTS value_lines)
    string(REGEX MATCH "^[0-9]+" number "${entry}")
    string(LENGTH "${number}:" skip)
    string(SUBSTRING "${entry}" ${skip} -1 line)
    set(where "${VALUES}:${number}")
    split_fields(fields "${line}")
    list(LENGTH fields nfields)
    if(NOT nfields EQUAL 5)
        message(FATAL_ERROR "${where}: expected 'ID | name | kind | max | shipped'")
    endif()
    list(GET fields 0 id)
    list(GET fields 1 name)
    list(GET fields 2 kind)
    list(GET fields 3 max)
    list(GET fields 4 shipped)
    if(NOT id MATCHES "^[1-9][0-9]*$" OR id GREATER 65535)
        message(FATAL_ERROR "${where}: the ID '${id}' is not a number from 1 to 65535")
    endif()
    if(NOT name MATCHES "^[a-z][a-z0-9_]*$")
        message(FATAL_ERROR "${where}: the name '${name}' is not lower case letters, digits and _")
    endif()
    if(NOT kind MATCHES "^(text|boolean|integer)$")
        message(FATAL_ERROR "${where}: the kind '${kind}' is not text, boolean or integer")
    endif()
    if(NOT max MATCHES "^[0-9]+$")
        message(FATAL_ERROR "${where}: the max '${max}' is not a number")
    endif()
    if(id IN_LIST seen_ids)
        message(FATAL_ERROR "${where}: the ID ${id} is listed twice")
    endif()
    if(name IN_LIST seen_names)
        message(FATAL_ERROR "${where}: the name ${name} is listed twice")
    endif()
    list(APPEND seen_ids ${id})
    list(APPEND seen_names ${name})

    # The constant of the value: "k" and the name in camel case (local_runtime: kLocalRuntime).
    string(REPLACE "_" ";" words "${name}")
    set(constant "k")
    foreach(word IN LISTS words)
        string(SUBSTRING "${word}" 0 1 head)
        string(SUBSTRING "${word}" 1 -1 tail)
        string(TOUPPER "${head}" head)
        string(APPEND constant "${head}${tail}")
    endforeach()
    string(APPEND cxx_value_constants "inline constexpr ValueConstant<${id}, ${max}> ${constant}{};\n")

    set(carried TRUE)
    if(shipped STREQUAL "-")
        set(carried FALSE)
        set(text "")
    elseif(shipped MATCHES "^@(.+)$")
        set(list_file "${config_dir}/${CMAKE_MATCH_1}")
        read_lines(entries "${list_file}")
        set(text "")
        set(sep "")
        foreach(e IN LISTS entries)
            string(REGEX MATCH "^[0-9]+" enumber "${e}")
            string(LENGTH "${enumber}:" eskip)
            string(SUBSTRING "${e}" ${eskip} -1 e)
            string(STRIP "${e}" e)
            string(FIND "${e}" "${semi_mark}" semi)
            if(NOT semi EQUAL -1)
                message(FATAL_ERROR "${list_file}:${enumber}: an entry must not hold ';'")
            endif()
            set(text "${text}${sep}${e}")
            set(sep "${semi_mark}")
        endforeach()
    elseif(shipped MATCHES "^\"")
        string(FIND "${shipped}" "\"" last REVERSE)
        if(last EQUAL 0)
            message(FATAL_ERROR "${where}: the shipped text has no closing double quote")
        endif()
        math(EXPR len "${last} - 1")
        string(SUBSTRING "${shipped}" 1 ${len} text)
    else()
        message(FATAL_ERROR "${where}: shipped must be \"text\", @file or -")
    endif()

    if(carried)
        check_text("${where}" "${text}")
        restore(plain "${text}")
        string(LENGTH "${plain}" text_len)
        if(text_len GREATER max)
            message(FATAL_ERROR
                "${where}: value ${id} (${name}) is ${text_len} characters long; its max is ${max}")
        endif()
        # The resource: the text in pieces of at most 64 characters, then the NUL.
        set(rc_block "${id} RCDATA\nBEGIN\n")
        set(pos 0)
        while(pos LESS text_len)
            string(SUBSTRING "${plain}" ${pos} 64 piece)
            rc_escape(piece "${piece}")
            protect(piece "${piece}")
            string(APPEND rc_block "    \"${piece}\"\n")
            math(EXPR pos "${pos} + 64")
        endwhile()
        string(APPEND rc_block "    \"\\0\"\nEND\n\n")
        string(APPEND rc_values "${rc_block}")
        if(text_len GREATER 0)
            string(HEX "${plain}" hex)
        else()
            set(hex "")
        endif()
        string(APPEND expected "${id} ${hex}00\n")
        cxx_escape(cxx_text "${text}")
        string(APPEND cxx_rows
            "    {${id}, \"${name}\", Kind::${kind}, ${max}, true, ${text_len}, \"${cxx_text}\"},\n")
    else()
        string(APPEND cxx_rows
            "    {${id}, \"${name}\", Kind::${kind}, ${max}, false, 0, \"\"},\n")
    endif()
    math(EXPR count "${count} + 1")
endforeach()

# write_if_changed(file content): leaves an unchanged output alone, so nothing rebuilds needlessly.
function(write_if_changed file content)
    restore(content "${content}")
    file(WRITE "${file}.tmp" "${content}")
    file(COPY_FILE "${file}.tmp" "${file}" ONLY_IF_DIFFERENT)
    file(REMOVE "${file}.tmp")
endfunction()

if(NOT VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "generate.cmake: VERSION '${VERSION}' is not MAJOR.MINOR.PATCH")
endif()
set(QV_VERSION "${VERSION}")
set(QV_VERSION_COMMAS "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},0")
set(QV_ICON_FILE "${ICON}")
set(QV_CONFIG_VALUES "${rc_values}")
file(READ "${TEMPLATE}" template)
protect(template "${template}")
string(CONFIGURE "${template}" rc_script @ONLY)
write_if_changed("${OUT_DIR}/QuorvexService.rc" "${rc_script}")

write_if_changed("${OUT_DIR}/shipped-values.txt" "${expected}")

set(header "// Generated by config/generate.cmake from config/launch-values.txt: do not edit.
#pragma once

namespace quorvex::launch_config {

enum class Kind { text, boolean, integer };

// One configuration value: its ID (the resource name), a name for people, how the launcher reads
// it, the longest text it may hold (characters without the NUL), and what a build carries.
struct Value {
    int id;
    const char* name;
    Kind kind;
    int maxLength;
    bool shipped;
    int shippedLength;
    const char* shippedText;
};

inline constexpr int kValueCount = ${count};

inline constexpr Value kValues[kValueCount] = {
${cxx_rows}};

// Each value as a constant of a type of its own that carries its ID and its longest text: code
// that reads a value names it by its constant, so that the buffer it reads into is checked
// against the value's longest text when the program is compiled.
template <int Id, int MaxLength>
struct ValueConstant {
    static constexpr int id = Id;
    static constexpr int maxLength = MaxLength;
};

${cxx_value_constants}
}  // namespace quorvex::launch_config
")
file(MAKE_DIRECTORY "${OUT_DIR}/include/quorvex")
write_if_changed("${OUT_DIR}/include/quorvex/launch_config.h" "${header}")
