#include "jvm_start.h"

#include <algorithm>

namespace qv {

namespace {

constexpr std::uint32_t kErrorFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
constexpr const char* kMainMethod = "main";
constexpr const char* kMainSignature = "([Ljava/lang/String;)V";
constexpr const char* kStringClass = "java/lang/String";

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isClassPathFlag(std::string_view word) {
    return word == "-classpath" || word == "-jar";
}

// The value of a class path flag without one leading and then one trailing double quote.
std::string_view unquote(std::string_view value) {
    if (!value.empty() && value.front() == '"') {
        value.remove_prefix(1);
    }
    if (!value.empty() && value.back() == '"') {
        value.remove_suffix(1);
    }
    return value;
}

// The class path option is a text of the line's capacity; the preparation refuses a line whose
// option would not fit (classPathOptionLength), so nothing is ever cut here in practice.
void appendBounded(std::string& text, std::string_view part) {
    const std::size_t room = text.size() < kLineSize - 1 ? kLineSize - 1 - text.size() : 0;
    text.append(part.substr(0, room));
}

std::string_view limitToLine(std::string_view line) {
    return line.substr(0, kLineSize - 1);
}

// True when an exception is pending: it is described (and so cleared).
bool describePending(JNIEnv* env) {
    if (env->ExceptionOccurred() != nullptr) {
        env->ExceptionDescribe();
        return true;
    }
    return false;
}

}  // namespace

void JvmStart::freeOptions() {
    options.clear();
    texts.clear();
    optionCount = 0;
}

std::vector<std::string_view> splitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isWhiteSpace(text[i])) {
            ++i;
        }
        std::size_t start = i;
        while (i < text.size() && !isWhiteSpace(text[i])) {
            ++i;
        }
        if (i > start) {
            words.push_back(text.substr(start, i - start));
        }
    }
    return words;
}

std::size_t countWords(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isWhiteSpace(text[i]) && (i == 0 || isWhiteSpace(text[i - 1]))) {
            ++count;
        }
    }
    return count;
}

std::size_t classPathOptionLength(std::string_view line) {
    const std::vector<std::string_view> words = splitWords(limitToLine(line));
    std::size_t length = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!isClassPathFlag(words[i])) {
            continue;
        }
        if (++i >= words.size()) {
            break;
        }
        std::size_t value = unquote(words[i]).size();
        length += length == 0 ? std::char_traits<char>::length(kClassPathOptionPrefix) + value
                              : 1 + value;
    }
    return length;
}

void parseJvmOptions(JvmStart& jvm, std::string_view javaHome, std::string_view mainClass,
                     std::string_view line, std::string_view applicationArgs) {
    jvm.freeOptions();
    (void)jvm.javaHome.assign(javaHome);
    (void)jvm.mainClass.assign(mainClass);
    (void)jvm.applicationArgs.assign(applicationArgs);

    const std::vector<std::string_view> words = splitWords(limitToLine(line));
    const std::size_t n = words.size();
    if (n == 0) {
        return;
    }
    jvm.texts.assign(n, std::string());
    jvm.options.assign(n, JavaVMOption{});
    std::size_t skipped = 0;
    std::size_t classPathSlot = n;  // none yet
    for (std::size_t i = 0; i < n; ++i) {
        if (!isClassPathFlag(words[i])) {
            jvm.texts[i - skipped] = std::string(words[i]);
            continue;
        }
        ++skipped;
        if (++i >= n) {
            break;  // a flag without a value is dropped
        }
        const std::string_view value = unquote(words[i]);
        if (classPathSlot == n) {
            classPathSlot = i - skipped;
            std::string& option = jvm.texts[classPathSlot];
            option = kClassPathOptionPrefix;
            appendBounded(option, value);
        } else {
            std::string& option = jvm.texts[classPathSlot];
            appendBounded(option, ";");
            appendBounded(option, value);
            ++skipped;
        }
    }
    jvm.optionCount = static_cast<jint>(n - skipped);
    for (std::size_t k = 0; k < n - skipped; ++k) {
        jvm.options[k].optionString = jvm.texts[k].data();
        jvm.options[k].extraInfo = nullptr;
    }
}

JNIEnv* createJvm(Context& ctx, JvmStart& jvm) {
    FixedText<kPathSize> path;
    if (!path.assign(jvm.javaHome.view()) || !path.append(kJvmLibrary)) {
        ctx.os.setLastError(kErrorFilenameTooLong);
        return nullptr;
    }
    jvm.library = ctx.os.loadLibrary(path.c_str());
    if (jvm.library == nullptr) {
        return nullptr;
    }
    CreateJavaVmFn createJavaVm = ctx.os.findCreateJavaVm(jvm.library);
    if (createJavaVm == nullptr) {
        return nullptr;
    }
    jvm.initArgs.version = JNI_VERSION_1_2;
    jvm.initArgs.nOptions = jvm.optionCount;
    jvm.initArgs.options = jvm.options.empty() ? nullptr : jvm.options.data();
    jvm.initArgs.ignoreUnrecognized = JNI_TRUE;
    void* env = nullptr;
    if (createJavaVm(&jvm.vm, &env, &jvm.initArgs) != JNI_OK) {
        return nullptr;
    }
    jvm.env = static_cast<JNIEnv*>(env);
    return jvm.env;
}

int runMainClass(JvmStart& jvm, JNIEnv* env) {
    if (env == nullptr || jvm.mainClass.empty()) {
        return -1;
    }
    jvm.mainClass.replaceAll('.', '/');
    jclass mainClass = env->FindClass(jvm.mainClass.c_str());
    if (describePending(env) || mainClass == nullptr) {
        return -1;
    }
    jmethodID main = env->GetStaticMethodID(mainClass, kMainMethod, kMainSignature);
    describePending(env);
    if (main == nullptr) {
        return -1;
    }
    const std::vector<std::string_view> words = splitWords(jvm.applicationArgs.view());
    jclass stringClass = env->FindClass(kStringClass);
    if (describePending(env) || stringClass == nullptr) {
        return -1;
    }
    jobjectArray arguments =
        env->NewObjectArray(static_cast<jsize>(words.size()), stringClass, nullptr);
    if (describePending(env) || arguments == nullptr) {
        return -1;
    }
    for (std::size_t k = 0; k < words.size(); ++k) {
        const std::string word(words[k]);
        // Each call that can throw is checked before the next JNI call is made.
        jstring element = env->NewStringUTF(word.c_str());
        if (describePending(env) || element == nullptr) {
            return -1;
        }
        env->SetObjectArrayElement(arguments, static_cast<jsize>(k), element);
        if (describePending(env)) {
            return -1;
        }
    }
    env->CallStaticVoidMethod(mainClass, main, arguments);
    return 0;
}

void destroyJvm(JvmStart& jvm) {
    if (jvm.vm != nullptr) {
        (void)jvm.vm->DestroyJavaVM();
    }
}

bool executeInProcess(Context& ctx, JvmStart& jvm, int& exitCode) {
    exitCode = -1;
    JNIEnv* env = createJvm(ctx, jvm);
    const bool created = env != nullptr;
    if (created) {
        exitCode = runMainClass(jvm, env);
        destroyJvm(jvm);
    }
    jvm.freeOptions();
    return created;
}

}  // namespace qv
