// Writing users, with their templates, to a terminal and removing them.
#include <cstring>

#include "api_native.h"
#include "devicesdk5.h"
#include "java_objects.h"
#include "jni_support.h"
#include "text_copy.h"

using namespace palmbridge;

namespace {

constexpr const char* kAddMethod = "dsdk_add_user";
constexpr const char* kRemoveMethod = "dsdk_remove_user";
// Local references that one template makes: the element and its data array.
constexpr jint kRefsPerTemplate = 2;

using java::TemplateField;
using java::UserField;

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

bool readTemplate(JNIEnv* env, jobject element, const FieldIds& f, jint index,
                  dsdk_template& record) {
    if (element == nullptr) {
        throwFormatted(env, kNullPointer, "%s: template %ld is null", kAddMethod,
                       static_cast<long>(index));
        return false;
    }
    record.finger_id = env->GetIntField(element, f[TemplateField::kFingerId]);
    record.format = env->GetIntField(element, f[TemplateField::kFormat]);
    record.id = env->GetIntField(element, f[TemplateField::kId]);
    auto data = static_cast<jbyteArray>(env->GetObjectField(element, f[TemplateField::kData]));
    if (data == nullptr) {
        throwFormatted(env, kNullPointer, "%s: the data of template %ld is null", kAddMethod,
                       static_cast<long>(index));
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
    FieldIds uf;
    if (!uf.find(env, java::kUserToWrite))
        return kBridgeRefused;

    dsdk_user record{};
    TextCopy name, surname;
    record.uid = env->GetIntField(user, uf[UserField::kUid]);
    record.card = env->GetIntField(user, uf[UserField::kCard]);
    record.pin = env->GetIntField(user, uf[UserField::kPin]);
    if (!copyNameField(env, user, uf[UserField::kName], name, record.name))
        return kBridgeRefused;
    if (!copyNameField(env, user, uf[UserField::kSurname], surname, record.surname))
        return kBridgeRefused;
    record.schedule = env->GetIntField(user, uf[UserField::kSchedule]);
    record.template_count = env->GetIntField(user, uf[UserField::kTemplateCount]);
    record.locked = env->GetIntField(user, uf[UserField::kLocked]);

    const jint count = record.template_count;
    if (!checkCount(env, kAddMethod, "template_count", count, kMaxTemplateCount))
        return kBridgeRefused;
    if (count > 0) {
        // The count comes from the user, the templates from the array: never read past it.
        if (!checkNotNull(env, templates, kAddMethod, "templates"))
            return kBridgeRefused;
        const jsize given = env->GetArrayLength(templates);
        if (given < count) {
            throwFormatted(env, kIllegalArgument,
                           "%s: template_count %ld exceeds the %ld templates given", kAddMethod,
                           static_cast<long>(count), static_cast<long>(given));
            return kBridgeRefused;
        }
    }
    TemplateRecords records(count);
    if (!checkAllocated(env, records.records(), kAddMethod, "the template records"))
        return kBridgeRefused;

    FieldIds tf;
    if (!tf.find(env, java::kTemplateToWrite))
        return kBridgeRefused;
    const bool read = readElements(
        env, templates, count, kRefsPerTemplate,
        [&](jint i, jobject element) { return readTemplate(env, element, tf, i, records[i]); });
    if (!read)
        return kBridgeRefused;

    return dsdk_add_user(toSdkHandle(handle), device, &record, count, records.records().get(), 0,
                         0);
}

JNIEXPORT jint JNICALL PALMBRIDGE_EXPORT(dsdk_1remove_1user)(JNIEnv* env, jobject, jlong handle,
                                                             jint device, jobject user) {
    if (!checkNotNull(env, user, kRemoveMethod, "user"))
        return kBridgeRefused;
    FieldIds uf;
    if (!uf.find(env, java::kUserToRemove))
        return kBridgeRefused;

    dsdk_user record{};  // only the user id is sent; the rest stays zero
    record.uid = env->GetIntField(user, uf[UserField::kUid]);
    return dsdk_remove_user(toSdkHandle(handle), device, &record);
}

}  // extern "C"
