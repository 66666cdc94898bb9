#include "jvm_options.h"

#include "words.h"

namespace qv {

namespace {

bool isClassPathFlag(std::string_view word) {
    return word == "-classpath" || word == "-jar";
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

}  // namespace

std::size_t classPathOptionLength(std::string_view line) {
    const std::vector<std::string> words = splitWords(limitToLine(line));
    std::size_t length = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!isClassPathFlag(words[i])) {
            continue;
        }
        if (++i >= words.size()) {
            break;
        }
        std::size_t value = words[i].size();
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

    std::vector<std::string> words = splitWords(limitToLine(line));
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
            jvm.texts[i - skipped] = std::move(words[i]);
            continue;
        }
        ++skipped;
        if (++i >= n) {
            break;  // a flag without a value is dropped
        }
        const std::string_view value = words[i];
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

}  // namespace qv
