/* Machine-dependent JNI types for the Windows targets (32-bit and 64-bit x86). jni.h includes
 * this file; only the invocation and native interfaces' declarations are used, nothing of a JDK
 * is linked. */
#ifndef JNI_MD_WINDOWS_H
#define JNI_MD_WINDOWS_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
/* On 32-bit Windows the callee removes its arguments; on x64 the attribute is ignored. */
#define JNICALL __stdcall

typedef int jint;        /* 32 bits on every Windows data model */
typedef long long jlong; /* 64 bits */
typedef signed char jbyte;

#endif
