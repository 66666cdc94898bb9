# What makes the Windows build a release: the resources of the deliverables (version blocks from
# project(VERSION), the application manifest of the programs), their debug information in files
# of its own, the same bytes from every build of the same sources, and the install layout with
# its packages. Included by the top-level CMakeLists.txt before the subdirectories; what it does
# to a target is asked for where the target is made (qv_windows_release_binary).
if(NOT WIN32)
    return()
endif()

enable_language(RC)

# Debug information for every Windows binary (it never changes the code GCC generates); no build
# path in it or in the code (__FILE__), and no link time in the PE header: two builds of the same
# sources in different folders give the same bytes. The build folder is mapped after the source
# folder, so that it wins where it lies inside the sources (build/<preset>).
set(QV_SOURCE_PREFIX "/quorvex/src")
set(QV_BUILD_PREFIX "/quorvex/build")
add_compile_options(-g "-ffile-prefix-map=${PROJECT_SOURCE_DIR}=${QV_SOURCE_PREFIX}"
                    "-ffile-prefix-map=${CMAKE_BINARY_DIR}=${QV_BUILD_PREFIX}")
add_link_options(-Wl,--no-insert-timestamp)
set(QV_MANIFEST "${CMAKE_CURRENT_LIST_DIR}/windows/application.manifest")
set(QV_VERSION_RC_TEMPLATE "${CMAKE_CURRENT_LIST_DIR}/windows/version.rc.in")
string(REPLACE "." "," QV_VERSION_COMMAS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(QV_PRODUCT_NAME "Zarvel-Quorvex integration service")

# qv_manifest_resource(TARGET): the application manifest as resource 1 of a program, language
# 0x0400 like its other resources, the file's bytes as they stand.
function(qv_manifest_resource target)
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/resources/${target}-manifest.rc")
    file(CONFIGURE OUTPUT "${rc}" CONTENT "LANGUAGE 0, 1\n1 24 \"${QV_MANIFEST}\"\n")
    target_sources(${target} PRIVATE "${rc}")
    set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS "${QV_MANIFEST}")
endfunction()

# qv_version_resource(TARGET DESCRIPTION text [PRODUCT text] [SPECIAL_BUILD text])
# Gives the target a version block: file and product version from project(VERSION), language
# 0x0409 with code page 0x04E4, as the block of QuorvexService.
function(qv_version_resource target)
    cmake_parse_arguments(ARG "" "DESCRIPTION;PRODUCT;SPECIAL_BUILD" "" ${ARGN})
    get_target_property(type ${target} TYPE)
    set(QV_RC_INTERNAL_NAME "${target}")
    if(type STREQUAL "EXECUTABLE")
        set(QV_RC_FILE_NAME "${target}.exe")
        set(QV_RC_FILE_TYPE "0x1")  # VFT_APP
    else()
        set(QV_RC_FILE_NAME "${target}.dll")
        set(QV_RC_FILE_TYPE "0x2")  # VFT_DLL
    endif()
    set(QV_RC_DESCRIPTION "${ARG_DESCRIPTION}")
    set(QV_RC_PRODUCT "${QV_PRODUCT_NAME}")
    if(ARG_PRODUCT)
        set(QV_RC_PRODUCT "${ARG_PRODUCT}")
    endif()
    set(QV_RC_VERSION_COMMAS "${QV_VERSION_COMMAS}")
    set(QV_RC_FILE_FLAGS "0x0")
    set(QV_RC_SPECIAL_BUILD "")
    if(ARG_SPECIAL_BUILD)
        set(QV_RC_FILE_FLAGS "0x20")  # VS_FF_SPECIALBUILD
        set(QV_RC_SPECIAL_BUILD "\n            VALUE \"SpecialBuild\", \"${ARG_SPECIAL_BUILD}\"")
    endif()
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/resources/${target}.rc")
    configure_file("${QV_VERSION_RC_TEMPLATE}" "${rc}" @ONLY)
    target_sources(${target} PRIVATE "${rc}")
endfunction()

# qv_split_debug_info(TARGET): after each link, the debug information goes into FILE.debug beside
# the binary, and the binary is stripped and names that file in its debug link (gdb and other
# debuggers look for it beside the binary, and check its CRC). objcopy writes the time into the PE
# header of what it writes, unless SOURCE_DATE_EPOCH gives one: 0, as the linker leaves it.
function(qv_split_debug_info target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND "${CMAKE_COMMAND}" -E env SOURCE_DATE_EPOCH=0
                "${CMAKE_OBJCOPY}" --only-keep-debug "$<TARGET_FILE:${target}>"
                "$<TARGET_FILE:${target}>.debug"
        COMMAND "${CMAKE_COMMAND}" -E env SOURCE_DATE_EPOCH=0
                "${CMAKE_OBJCOPY}" --strip-all "--add-gnu-debuglink=$<TARGET_FILE:${target}>.debug"
                "$<TARGET_FILE:${target}>"
        COMMENT "Debug information of ${target} into $<TARGET_FILE_NAME:${target}>.debug"
        VERBATIM)
endfunction()

# qv_windows_release_binary(TARGET [DESCRIPTION text [PRODUCT text] [SPECIAL_BUILD text]]
#                           [MANIFEST])
# Called where the target is made: a version block when DESCRIPTION is given, the application
# manifest with MANIFEST, and the debug information split off after each link.
function(qv_windows_release_binary target)
    cmake_parse_arguments(ARG "MANIFEST" "DESCRIPTION;PRODUCT;SPECIAL_BUILD" "" ${ARGN})
    if(ARG_DESCRIPTION)
        qv_version_resource(${target} DESCRIPTION "${ARG_DESCRIPTION}" PRODUCT "${ARG_PRODUCT}"
                            SPECIAL_BUILD "${ARG_SPECIAL_BUILD}")
    endif()
    if(ARG_MANIFEST)
        qv_manifest_resource(${target})
    endif()
    qv_split_debug_info(${target})
endfunction()

# --- Install layout and packages ------------------------------------------------------------------
# Three components, one ZIP package each (cpack -G ZIP, or scripts/package):
#   deliverables  what is installed on a customer's machine, in the layout of README.md
#   symbols       the debug files of the deliverables, on the same paths as their binaries
#   simulator     the devicesdk5 simulator, for development and tests only, in a folder that says so
# Each holds a SHA256SUMS of its files. The vendor's devicesdk5.dll is in none of them.
# Folders of the install get these permissions whatever the umask of the one who installs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(QV_PACKAGE_BASE "quorvex-${PROJECT_VERSION}-win${QV_TARGET_BITS}")
set(QV_SIMULATOR_FOLDER "DEV-ONLY-devicesdk5-simulator")
set(QV_PACKAGE_FILES "${CMAKE_BINARY_DIR}/package-files")

# The package's README is the site guide, release/README.md. Its CONFIGURATION.md holds the parts of
# config/README.md that a site needs (marked <!-- site --> ... <!-- /site -->: what a value is,
# the table of values with the references, and qvconfig), without what only a build of the sources
# knows (the generator's files, the generated header), so that both documents name only files a
# site has.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/release/README.md"
                                                               "${PROJECT_SOURCE_DIR}/config/README.md")
configure_file("${PROJECT_SOURCE_DIR}/release/README.md" "${QV_PACKAGE_FILES}/README.md" @ONLY)
file(READ "${PROJECT_SOURCE_DIR}/config/README.md" qv_config_readme)
# The blocks go into variables of their own: their texts hold ";", which a list would split at.
set(qv_site_block_count 0)
while(TRUE)
    string(FIND "${qv_config_readme}" "<!-- site -->\n" begin)
    if(begin EQUAL -1)
        break()
    endif()
    math(EXPR begin "${begin} + 14")
    string(SUBSTRING "${qv_config_readme}" ${begin} -1 qv_config_readme)
    string(FIND "${qv_config_readme}" "<!-- /site -->" end)
    if(end EQUAL -1)
        message(FATAL_ERROR "config/README.md: a <!-- site --> block is not closed")
    endif()
    string(SUBSTRING "${qv_config_readme}" 0 ${end} block)
    string(STRIP "${block}" block)
    set(qv_site_block_${qv_site_block_count} "${block}")
    math(EXPR qv_site_block_count "${qv_site_block_count} + 1")
    string(SUBSTRING "${qv_config_readme}" ${end} -1 qv_config_readme)
endwhile()
if(NOT qv_site_block_count EQUAL 3)
    message(FATAL_ERROR "config/README.md: 3 <!-- site --> blocks expected, ${qv_site_block_count} found")
endif()
set(qv_site_about "${qv_site_block_0}")
set(qv_site_table "${qv_site_block_1}")
set(qv_site_qvconfig "${qv_site_block_2}")
# The class path's shipped text names its source list; a site reads the list from the program.
set(qv_class_path_source "from `classpath.txt` (below)")
string(FIND "${qv_site_table}" "${qv_class_path_source}" found)
if(found EQUAL -1)
    message(FATAL_ERROR "config/README.md: value 16 no longer says '${qv_class_path_source}'")
endif()
string(REPLACE "${qv_class_path_source}"
               "the Java service's jars (`qvconfig get QuorvexService.exe 16` shows them)"
               qv_site_table "${qv_site_table}")
file(CONFIGURE OUTPUT "${QV_PACKAGE_FILES}/CONFIGURATION.md" CONTENT
"# Configuration of QuorvexService.exe @PROJECT_VERSION@

${qv_site_about}

## The values

${qv_site_table}

## qvconfig: changing the program's values

${qv_site_qvconfig}
" @ONLY)
file(CONFIGURE OUTPUT "${QV_PACKAGE_FILES}/${QV_SIMULATOR_FOLDER}/README.txt" CONTENT
"devicesdk5.dll in this folder is a SIMULATOR of the vendor's device SDK, for development and
tests only. It answers like a set of terminals that exist in memory, and talks to no device.
Never install it on a customer's machine: put the vendor's own devicesdk5.dll beside
palmbridge.dll instead. Its version block says the same (SpecialBuild).
" @ONLY)

install(PROGRAMS "$<TARGET_FILE:QuorvexService>" "$<TARGET_FILE:palmbridge>"
        DESTINATION svc/bin COMPONENT deliverables)
install(FILES "${PROJECT_SOURCE_DIR}/config/QuorvexService.mvk.ini.example"
        DESTINATION svc/bin COMPONENT deliverables)
install(PROGRAMS "$<TARGET_FILE:qvconfig>" DESTINATION tools COMPONENT deliverables)
install(FILES "${QV_PACKAGE_FILES}/README.md" DESTINATION . COMPONENT deliverables)
install(FILES "${QV_PACKAGE_FILES}/CONFIGURATION.md" DESTINATION .
        COMPONENT deliverables)

install(FILES "$<TARGET_FILE:QuorvexService>.debug" "$<TARGET_FILE:palmbridge>.debug"
        DESTINATION svc/bin COMPONENT symbols)
install(FILES "$<TARGET_FILE:qvconfig>.debug" DESTINATION tools COMPONENT symbols)

install(PROGRAMS "$<TARGET_FILE:devicesdk5>" DESTINATION "${QV_SIMULATOR_FOLDER}"
        COMPONENT simulator)
install(FILES "$<TARGET_FILE:devicesdk5>.debug"
              "${QV_PACKAGE_FILES}/${QV_SIMULATOR_FOLDER}/README.txt"
        DESTINATION "${QV_SIMULATOR_FOLDER}" COMPONENT simulator)

# Last of each component: SHA256SUMS over every file installed so far below the prefix.
foreach(component deliverables symbols simulator)
    install(SCRIPT "${CMAKE_CURRENT_LIST_DIR}/windows/write-sums.cmake" COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quorvex)
set(CPACK_PACKAGE_VENDOR Zarvel)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL deliverables symbols simulator)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_DELIVERABLES_FILE_NAME "${QV_PACKAGE_BASE}")
set(CPACK_ARCHIVE_SYMBOLS_FILE_NAME "${QV_PACKAGE_BASE}-symbols")
set(CPACK_ARCHIVE_SIMULATOR_FILE_NAME "${QV_PACKAGE_BASE}-DEV-ONLY-simulator")
include(CPack)
