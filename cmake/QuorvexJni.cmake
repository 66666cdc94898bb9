# The JNI declarations of the JDK: jni.h everywhere, with the JDK's own jni_md.h on the host and
# ours on the Windows targets. Nothing of the JDK is linked into the deliverables.
if(NOT EXISTS "${QV_JDK_HOME}/include/jni.h")
    message(FATAL_ERROR "No jni.h below QV_JDK_HOME=${QV_JDK_HOME}")
endif()
add_library(qv_jni_headers INTERFACE)
if(WIN32)
    target_include_directories(qv_jni_headers SYSTEM INTERFACE
        "${PROJECT_SOURCE_DIR}/include/jni_win" "${QV_JDK_HOME}/include")
else()
    target_include_directories(qv_jni_headers SYSTEM INTERFACE
        "${QV_JDK_HOME}/include" "${QV_JDK_HOME}/include/linux")
    set(QV_LIBJVM "${QV_JDK_HOME}/lib/server/libjvm.so")
    set(QV_JAVA "${QV_JDK_HOME}/bin/java")
    set(QV_JAVAC "${QV_JDK_HOME}/bin/javac")
endif()
