// The Java side that the bridge works with, as plain data: the native methods of ApiNative, the
// classes the bridge constructs with the constructors it calls, and the fields it reads from the
// objects Java hands in, by JNI name and descriptor. One table for the bridge and for every
// program that checks a Java side against it; nothing here calls the JVM.
#pragma once

#include <cstddef>
#include <iterator>

// JNI name of a class nested in ApiNative, and its descriptor.
#define PALMBRIDGE_API_CLASS "com/zarvel/quorvexservice/apinative/ApiNative"
#define PALMBRIDGE_CLASS(nested) PALMBRIDGE_API_CLASS "$" nested
#define PALMBRIDGE_DESCRIPTOR(nested) "L" PALMBRIDGE_CLASS(nested) ";"

namespace palmbridge::java {

inline constexpr const char* kApiNative = PALMBRIDGE_API_CLASS;

// A method of ApiNative that the bridge implements (static in the reference class; the bridge
// serves an instance method of the same descriptor as well).
struct Native {
    const char* name;
    const char* descriptor;
};

inline constexpr Native kNatives[] = {
    {"dsdk_create", "()J"},
    {"dsdk_release", "(J)V"},
    {"dsdk_add_device", "(JI)I"},
    {"dsdk_remove_device", "(JI)I"},
    {"dsdk_connect", "(JILjava/lang/String;SS)I"},
    {"dsdk_disconnect", "(JI)I"},
    {"dsdk_device_connected", "(JI)" PALMBRIDGE_DESCRIPTOR("DSDKDeviceConnectedResult")},
    {"dsdk_init_device", "(JI)I"},
    {"dsdk_search_devices", "(JI)" PALMBRIDGE_DESCRIPTOR("DSDKDeviceSearchResult")},
    {"dsdk_get_firmware_version", "(JI)" PALMBRIDGE_DESCRIPTOR("DSDKFwVer")},
    {"dsdk_get_serial", "(JI)" PALMBRIDGE_DESCRIPTOR("DSDKSerial")},
    {"dsdk_get_network_config", "(JI)" PALMBRIDGE_DESCRIPTOR("DSDKNetworkConfig")},
    {"dsdk_get_network_config_full", "(JI)" PALMBRIDGE_DESCRIPTOR("DSDKNetworkConfig")},
    {"dsdk_scan_biometric", "(JII)" PALMBRIDGE_DESCRIPTOR("DSDKScanTemplateResult")},
    {"dsdk_scan_card", "(JI)" PALMBRIDGE_DESCRIPTOR("DSDKScanCard")},
    {"dsdk_add_user",
     "(JI" PALMBRIDGE_DESCRIPTOR("DSDKUserData") "[" PALMBRIDGE_DESCRIPTOR("DSDKBioTemplate") ")I"},
    {"dsdk_remove_user", "(JI" PALMBRIDGE_DESCRIPTOR("DSDKUserData") ")I"},
    {"dsdk_set_time", "(JILjava/time/LocalDateTime;)I"},
    {"dsdk_get_system_parameters", "(JI)" PALMBRIDGE_DESCRIPTOR("DSDKSystemParametersResult")},
    {"dsdk_set_system_parameters", "(JI[" PALMBRIDGE_DESCRIPTOR("DSDKSystemParameter") ")I"},
    {"dsdk_get_logs", "(JII)" PALMBRIDGE_DESCRIPTOR("DSDKLogResult")},
    {"dsdk_get_log_cache", "(JII)" PALMBRIDGE_DESCRIPTOR("DSDKLogResult")},
};
static_assert(std::size(kNatives) == 22);

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

// Every class above, for programs that check a Java side.
inline constexpr const Shape* kConstructed[] = {
    &kDeviceConnectedResult,
    &kTypes,
    &kDevice,
    &kDeviceSearchResult,
    &kFwVer,
    &kSerial,
    &kNetworkConfig,
    &kScanTemplate,
    &kScanTemplateResult,
    &kScanCard,
    &kSystemParameter,
    &kSystemParametersResult,
    &kLogRecord,
    &kLogResult,
};

// Classes that the bridge reads field by field.
inline constexpr const char* kUserData = PALMBRIDGE_CLASS("DSDKUserData");
inline constexpr const char* kBioTemplate = PALMBRIDGE_CLASS("DSDKBioTemplate");

// A field of a class.
struct Field {
    const char* name;
    const char* descriptor;
};

// The fields that one reading of an object looks up, in this order: the first that is missing
// ends the lookup with the JVM's error. Each list of fields has an enumeration of its positions.
struct FieldReads {
    const char* className;
    const Field* fields;
    std::size_t count;
};
// The most fields that one reading looks up.
inline constexpr std::size_t kMaxFieldReads = 8;

// A reading of the fields of the list from the first up to and including last; an empty reading
// (refused below) when last lies beyond the list.
template <typename Position, std::size_t N>
constexpr FieldReads fieldReads(const char* className, const Field (&fields)[N], Position last) {
    const auto count = static_cast<std::size_t>(last) + 1;
    return count <= N ? FieldReads{className, fields, count} : FieldReads{className, fields, 0};
}

// DSDKUserData: a user to write (all fields) or to remove (the user id alone).
enum class UserField : std::size_t {
    kUid,
    kCard,
    kPin,
    kName,
    kSurname,
    kSchedule,
    kTemplateCount,
    kLocked,
};
inline constexpr Field kUserFields[] = {
    {"uid", "I"},
    {"card", "I"},
    {"pin", "I"},
    {"name", "Ljava/lang/String;"},
    {"surname", "Ljava/lang/String;"},
    {"schedule", "I"},
    {"template_count", "I"},
    {"locked", "I"},
};
static_assert(std::size(kUserFields) == static_cast<std::size_t>(UserField::kLocked) + 1);
inline constexpr FieldReads kUserToWrite = fieldReads(kUserData, kUserFields, UserField::kLocked);
inline constexpr FieldReads kUserToRemove = fieldReads(kUserData, kUserFields, UserField::kUid);

// DSDKBioTemplate: a template of a user to write.
enum class TemplateField : std::size_t { kFingerId, kFormat, kId, kData };
inline constexpr Field kTemplateFields[] = {
    {"finger_id", "I"},
    {"format", "I"},
    {"id", "I"},
    {"data", "[B"},
};
static_assert(std::size(kTemplateFields) == static_cast<std::size_t>(TemplateField::kData) + 1);
inline constexpr FieldReads kTemplateToWrite =
    fieldReads(kBioTemplate, kTemplateFields, TemplateField::kData);

// DSDKSystemParameter: a parameter to set.
enum class ParameterField : std::size_t { kId, kValue };
inline constexpr Field kParameterFields[] = {
    {"id", "I"},
    {"value", "I"},
};
static_assert(std::size(kParameterFields) == static_cast<std::size_t>(ParameterField::kValue) + 1);
inline constexpr FieldReads kParameterToSet =
    fieldReads(kSystemParameter.name, kParameterFields, ParameterField::kValue);

// Every reading above, for programs that check a Java side.
inline constexpr const FieldReads* kReads[] = {&kUserToWrite, &kUserToRemove, &kTemplateToWrite,
                                               &kParameterToSet};

constexpr bool readsFit() {
    for (const FieldReads* reads : kReads) {
        if (reads->count == 0 || reads->count > kMaxFieldReads)
            return false;
    }
    return true;
}
static_assert(readsFit(), "every reading looks up 1 to kMaxFieldReads fields");

}  // namespace palmbridge::java
