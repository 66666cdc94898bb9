# Test tooling: GoogleTest from the system's sources, and wine64 as the emulator that runs the
# win64 test programs, each test tier in a private Wine prefix inside the build tree.
set(QV_RUN_TESTS ON)
if(WIN32 AND QV_TARGET_BITS EQUAL 32)
    # 32-bit Windows programs cannot run on the build machines: that tier checks binaries only.
    set(QV_RUN_TESTS OFF)
endif()

if(WIN32 AND QV_RUN_TESTS)
    set(QV_WINE_ROOT "${CMAKE_BINARY_DIR}/wine")
    set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/tests/support/wine-run;${QV_WINE_ROOT}")
endif()

if(QV_RUN_TESTS)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    include(GoogleTest)
endif()

# qv_add_gtest(name SOURCES ... LIBS ...): one test program, one CTest test per program.
function(qv_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    qv_warnings(${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    if(WIN32)
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix)
        # Beside the project's DLLs, where the Windows loader looks first.
        set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
    endif()
endfunction()
