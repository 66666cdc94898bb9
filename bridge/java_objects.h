// Objects of the Java service: the result objects the bridge hands to Java, the arrays of
// elements inside them, and the fields it reads from the objects Java hands in. The classes,
// constructors and fields come from the table in java_classes.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "java_classes.h"
#include "jni_support.h"

namespace palmbridge {

// Finds the class and its constructor; false with the JVM's error pending.
[[nodiscard]] inline bool findConstructor(JNIEnv* env, const java::Shape& shape, JavaClass& out) {
    return findConstructor(env, shape.name, shape.ctor, out);
}

// A result object of the SDK status and its values, of a class already found. The object is
// handed to Java as NewObject gives it.
template <typename... Values>
jobject newResult(JNIEnv* env, const JavaClass& result, std::int32_t status, Values... values) {
    return env->NewObject(result.cls, result.ctor, static_cast<jint>(status), values...);
}

// The same, finding the class first: null, with the JVM's error pending, when the class or its
// constructor is missing.
template <typename... Values>
jobject newResult(JNIEnv* env, const java::Shape& shape, std::int32_t status, Values... values) {
    JavaClass result;
    if (!findConstructor(env, shape, result))
        return nullptr;
    return newResult(env, result, status, values...);
}

// The result object of the SDK status and an array of count elements of elementClass:
// element(i) makes element i, or gives null with the exception pending. The elements are made in
// order inside local frames (refsPerElement local references each at most, see forEachInFrames).
// Null, with the exception pending, when an element, the array or the result cannot be made.
// Result is a java::Shape (found after the elements) or a JavaClass (found before).
template <typename Result, typename Element>
jobject newArrayResult(JNIEnv* env, const Result& result, std::int32_t status, jclass elementClass,
                       jint count, jint refsPerElement, Element element) {
    jobjectArray array = newElementArray(env, count, elementClass);
    if (array == nullptr)
        return nullptr;
    const bool built = forEachInFrames(env, count, refsPerElement, [&](jint i) {
        jobject made = element(i);
        return made != nullptr && store(env, array, i, made);
    });
    if (!built)
        return nullptr;
    return newResult(env, result, status, array);
}

// The reverse: reads elements 0 to count - 1 of a Java array, in order inside local frames
// (refsPerElement local references each at most). read(i, element) takes each element, null
// included, and gives false, with an exception pending, to stop. False when an element cannot be
// had or read stopped.
template <typename Read>
[[nodiscard]] bool readElements(JNIEnv* env, jobjectArray array, jint count, jint refsPerElement,
                                Read read) {
    return forEachInFrames(env, count, refsPerElement, [&](jint i) {
        jobject element = env->GetObjectArrayElement(array, i);
        return !failed(env) && read(i, element);
    });
}

// The field IDs of one reading of java_classes.h, found for one call.
class FieldIds {
  public:
    // Finds the class and then its fields in the reading's order; false with the JVM's error
    // pending at the first that is missing.
    [[nodiscard]] bool find(JNIEnv* env, const java::FieldReads& reads);

    // The ID of the field at a position of the reading's enumeration.
    template <typename Position>
    jfieldID operator[](Position position) const {
        return ids_[static_cast<std::size_t>(position)];
    }

  private:
    jfieldID ids_[java::kMaxFieldReads] = {};
};

}  // namespace palmbridge
