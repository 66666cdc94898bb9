// The classes of the Java service that the bridge constructs, with the constructors it calls:
// JNI class names and descriptors, all in one place.
#pragma once

#include <cstdint>

#include "jni_support.h"

#define PALMBRIDGE_DESCRIPTOR(nested) "Lcom/zarvel/quorvexservice/apinative/ApiNative$" nested ";"

namespace palmbridge::java {

// A class and the descriptor of the constructor the bridge calls.
struct Shape {
    const char* name;
    const char* ctor;
};

inline constexpr Shape kDeviceConnectedResult{PALMBRIDGE_CLASS("DSDKDeviceConnectedResult"),
                                              "(IZ)V"};

// A device type code becomes a new DSDKTypes made from the code.
inline constexpr Shape kTypes{PALMBRIDGE_CLASS("DSDKTypes"), "(I)V"};
inline constexpr Shape kDevice{PALMBRIDGE_CLASS("DSDKDevice"),
                               "(" PALMBRIDGE_DESCRIPTOR("DSDKTypes") "ILjava/lang/String;"
                               "Ljava/lang/String;S)V"};
inline constexpr Shape kDeviceSearchResult{PALMBRIDGE_CLASS("DSDKDeviceSearchResult"),
                                           "(I[" PALMBRIDGE_DESCRIPTOR("DSDKDevice") ")V"};

inline constexpr Shape kFwVer{PALMBRIDGE_CLASS("DSDKFwVer"), "(ILjava/lang/String;)V"};
inline constexpr Shape kSerial{PALMBRIDGE_CLASS("DSDKSerial"), "(II)V"};
inline constexpr Shape kNetworkConfig{
    PALMBRIDGE_CLASS("DSDKNetworkConfig"),
    "(ILjava/lang/String;SLjava/lang/String;Ljava/lang/String;Ljava/lang/String;)V"};

inline constexpr Shape kScanTemplate{PALMBRIDGE_CLASS("ScanTemplate"), "(S[B)V"};
inline constexpr Shape kScanTemplateResult{PALMBRIDGE_CLASS("DSDKScanTemplateResult"),
                                           "(I[" PALMBRIDGE_DESCRIPTOR("ScanTemplate") ")V"};
inline constexpr Shape kScanCard{PALMBRIDGE_CLASS("DSDKScanCard"), "(II)V"};

inline constexpr Shape kSystemParameter{PALMBRIDGE_CLASS("DSDKSystemParameter"), "(II)V"};
inline constexpr Shape kSystemParametersResult{
    PALMBRIDGE_CLASS("DSDKSystemParametersResult"),
    "(I[" PALMBRIDGE_DESCRIPTOR("DSDKSystemParameter") ")V"};

inline constexpr Shape kLogRecord{PALMBRIDGE_CLASS("LogRecord"), "(IIIIIIIIID)V"};
inline constexpr Shape kLogResult{PALMBRIDGE_CLASS("DSDKLogResult"),
                                  "(I[" PALMBRIDGE_DESCRIPTOR("LogRecord") ")V"};

// Classes that the bridge reads field by field.
inline constexpr const char* kUserData = PALMBRIDGE_CLASS("DSDKUserData");
inline constexpr const char* kBioTemplate = PALMBRIDGE_CLASS("DSDKBioTemplate");

}  // namespace palmbridge::java

namespace palmbridge {

// Finds the class and its constructor; false with the JVM's error pending.
[[nodiscard]] inline bool findConstructor(JNIEnv* env, const java::Shape& shape, JavaClass& out) {
    return findConstructor(env, shape.name, shape.ctor, out);
}

// A result object of the SDK status and one value: null, with the JVM's error pending, when the
// class or its constructor is missing. The object is handed to Java as NewObject gives it.
template <typename Value>
jobject newResult(JNIEnv* env, const java::Shape& shape, std::int32_t status, Value value) {
    JavaClass result;
    if (!findConstructor(env, shape, result))
        return nullptr;
    return env->NewObject(result.cls, result.ctor, static_cast<jint>(status), value);
}

}  // namespace palmbridge
