// Writing users, with their templates, to a terminal and removing them.
#include <cstdio>
#include <cstring>

#include "api_native.h"
#include "devicesdk5.h"
#include "java_classes.h"
#include "jni_support.h"
#include "text_copy.h"

using namespace palmbridge;

namespace {

constexpr const char* kAddMethod = "dsdk_add_user";
constexpr const char* kRemoveMethod = "dsdk_remove_user";
// Local references that one template makes: the element and its data array.
constexpr jint kRefsPerTemplate = 2;
constexpr std::size_t kMessageSize = 160;

struct UserFields {
    jfieldID uid, card, pin, name, surname, schedule, templateCount, locked;
};

bool findUserFields(JNIEnv* env, jclass cls, UserFields& f) {
    return (f.uid = env->GetFieldID(cls, "uid", "I")) &&
           (f.card = env->GetFieldID(cls, "card", "I")) &&
           (f.pin = env->GetFieldID(cls, "pin", "I")) &&
           (f.name = env->GetFieldID(cls, "name", "Ljava/lang/String;")) &&
           (f.surname = env->GetFieldID(cls, "surname", "Ljava/lang/String;")) &&
           (f.schedule = env->GetFieldID(cls, "schedule", "I")) &&
           (f.templateCount = env->GetFieldID(cls, "template_count", "I")) &&
           (f.locked = env->GetFieldID(cls, "locked", "I"));
}

struct TemplateFields {
    jfieldID fingerId, format, id, data;
};

bool findTemplateFields(JNIEnv* env, jclass cls, TemplateFields& f) {
    return (f.fingerId = env->GetFieldID(cls, "finger_id", "I")) &&
           (f.format = env->GetFieldID(cls, "format", "I")) &&
           (f.id = env->GetFieldID(cls, "id", "I")) &&
           (f.data = env->GetFieldID(cls, "data", "[B"));
}

// A name field of fixed width: the text's first bytes, cut at the field's width, NUL-terminated
// only when shorter. The rest of the field stays zero; a null string leaves it empty.
bool copyNameField(JNIEnv* env, jobject user, jfieldID field, TextCopy& copy,
                   char (&out)[DSDK_USER_NAME_SIZE]) {
    auto text = static_cast<jstring>(env->GetObjectField(user, field));
    if (!copy.fill(env, text))
        return false;
    if (copy.get() != nullptr) {
        std::memcpy(out, copy.get(), strnlen(copy.get(), sizeof out));
    }
    return true;
}

// The template records of one enrolment and the data buffers they point to, all owned here.
class TemplateRecords {
  public:
    explicit TemplateRecords(jint count)
        : count_(count),
          records_(HeapArray<dsdk_template>::allocateZeroed(static_cast<std::size_t>(count))) {}
    TemplateRecords(const TemplateRecords&) = delete;
    TemplateRecords& operator=(const TemplateRecords&) = delete;
    ~TemplateRecords() {
        if (!records_)
            return;
        for (jint i = 0; i < count_; ++i)
            std::free(records_[static_cast<std::size_t>(i)].data);
    }
    const HeapArray<dsdk_template>& records() const { return records_; }
    dsdk_template& operator[](jint i) const { return records_[static_cast<std::size_t>(i)]; }

  private:
    jint count_;
    HeapArray<dsdk_template> records_;
};

// Refuses a template that is null, or whose data is, naming which one.
void throwNullTemplate(JNIEnv* env, jint index, const char* part) {
    char message[kMessageSize];
    std::snprintf(message, sizeof message, "%s: %s%ld is null", kAddMethod, part,
                  static_cast<long>(index));
    throwNullPointer(env, message);
}

bool readTemplate(JNIEnv* env, jobject element, const TemplateFields& f, jint index,
                  dsdk_template& record) {
    if (element == nullptr) {
        throwNullTemplate(env, index, "template ");
        return false;
    }
    record.finger_id = env->GetIntField(element, f.fingerId);
    record.format = env->GetIntField(element, f.format);
    record.id = env->GetIntField(element, f.id);
    auto data = static_cast<jbyteArray>(env->GetObjectField(element, f.data));
    if (data == nullptr) {
        throwNullTemplate(env, index, "the data of template ");
        return false;
    }

    const jsize size = env->GetArrayLength(data);
    // A zero-length template still gets a buffer of its own.
    auto bytes =
        static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : static_cast<std::size_t>(size)));
    if (bytes == nullptr) {
        throwAllocationFailure(env, kAddMethod, "template data");
        return false;
    }
    record.data = bytes;  // owned by TemplateRecords from here
    record.data_size = size;
    env->GetByteArrayRegion(data, 0, size, reinterpret_cast<jbyte*>(bytes));
    return !failed(env);
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1add_1user)(JNIEnv* env, jobject, jlong handle,
                                                          jint device, jobject user,
                                                          jobjectArray templates) {
    if (!checkNotNull(env, user, kAddMethod, "user"))
        return kBridgeRefused;
    jclass userClass = env->FindClass(java::kUserData);
    UserFields uf{};
    if (userClass == nullptr || !findUserFields(env, userClass, uf))
        return kBridgeRefused;

    dsdk_user record{};
    TextCopy name, surname;
    record.uid = env->GetIntField(user, uf.uid);
    record.card = env->GetIntField(user, uf.card);
    record.pin = env->GetIntField(user, uf.pin);
    if (!copyNameField(env, user, uf.name, name, record.name))
        return kBridgeRefused;
    if (!copyNameField(env, user, uf.surname, surname, record.surname))
        return kBridgeRefused;
    record.schedule = env->GetIntField(user, uf.schedule);
    record.template_count = env->GetIntField(user, uf.templateCount);
    record.locked = env->GetIntField(user, uf.locked);

    const jint count = record.template_count;
    if (!checkCount(env, kAddMethod, "template_count", count, kMaxTemplateCount))
        return kBridgeRefused;
    if (count > 0) {
        // The count comes from the user, the templates from the array: never read past it.
        if (!checkNotNull(env, templates, kAddMethod, "templates"))
            return kBridgeRefused;
        const jsize given = env->GetArrayLength(templates);
        if (given < count) {
            char message[kMessageSize];
            std::snprintf(message, sizeof message,
                          "%s: template_count %ld exceeds the %ld templates given", kAddMethod,
                          static_cast<long>(count), static_cast<long>(given));
            throwIllegalArgument(env, message);
            return kBridgeRefused;
        }
    }
    TemplateRecords records(count);
    if (!checkAllocated(env, records.records(), kAddMethod, "the template records"))
        return kBridgeRefused;

    jclass templateClass = env->FindClass(java::kBioTemplate);
    TemplateFields tf{};
    if (templateClass == nullptr || !findTemplateFields(env, templateClass, tf))
        return kBridgeRefused;
    const bool read = forEachInFrames(env, count, kRefsPerTemplate, [&](jint i) {
        jobject element = env->GetObjectArrayElement(templates, i);
        return !failed(env) && readTemplate(env, element, tf, i, records[i]);
    });
    if (!read)
        return kBridgeRefused;

    return dsdk_add_user(toSdkHandle(handle), device, &record, count, records.records().get(), 0,
                         0);
}

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1remove_1user)(JNIEnv* env, jobject, jlong handle,
                                                             jint device, jobject user) {
    if (!checkNotNull(env, user, kRemoveMethod, "user"))
        return kBridgeRefused;
    jclass userClass = env->FindClass(java::kUserData);
    if (userClass == nullptr)
        return kBridgeRefused;
    jfieldID uid = env->GetFieldID(userClass, "uid", "I");
    if (uid == nullptr)
        return kBridgeRefused;

    dsdk_user record{};  // only the user id is sent; the rest stays zero
    record.uid = env->GetIntField(user, uid);
    return dsdk_remove_user(toSdkHandle(handle), device, &record);
}

}  // extern "C"
