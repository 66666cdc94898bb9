#include "java_objects.h"

namespace palmbridge {

bool FieldIds::find(JNIEnv* env, const java::FieldReads& reads) {
    jclass cls = env->FindClass(reads.className);
    if (cls == nullptr)
        return false;
    for (std::size_t i = 0; i < reads.count; ++i) {
        ids_[i] = env->GetFieldID(cls, reads.fields[i].name, reads.fields[i].descriptor);
        if (ids_[i] == nullptr)
            return false;
    }
    return true;
}

}  // namespace palmbridge
