# What makes the Windows build a release: the resources of the deliverables (version blocks from
# project(VERSION), the application manifest of the programs). Included by the top-level
# CMakeLists.txt before the subdirectories; what it does to the targets runs once they all exist.
if(NOT WIN32)
    return()
endif()

enable_language(RC)
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

# The deliverables' resources, and the simulator's, which says what it is.
function(qv_release_targets)
    qv_version_resource(palmbridge DESCRIPTION "Bridge to the terminals' device SDK (JNI library of ApiNative)")
    qv_version_resource(qvconfig DESCRIPTION "Configuration tool for QuorvexService")
    qv_manifest_resource(qvconfig)
    qv_manifest_resource(QuorvexService)
    qv_version_resource(devicesdk5
        DESCRIPTION "SIMULATOR of devicesdk5 for development and tests, not the vendor's device SDK"
        PRODUCT "Quorvex devicesdk5 simulator (development only, never ship)"
        SPECIAL_BUILD "Simulator: stands in for the vendor's devicesdk5.dll")
endfunction()
cmake_language(DEFER DIRECTORY "${PROJECT_SOURCE_DIR}" CALL qv_release_targets)
