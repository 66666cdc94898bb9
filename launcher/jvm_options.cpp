#include "jvm_options.h"

#include "words.h"

#include <cstdint>

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
    WordReader reader(limitToLine(line));
    std::string word;
    std::size_t length = 0;
    while (reader.next(word)) {
        if (!isClassPathFlag(word)) {
            continue;
        }
        if (!reader.next(word)) {
            break;
        }
        length += length == 0 ? std::char_traits<char>::length(kClassPathOptionPrefix) + word.size()
                              : 1 + word.size();
    }
    return length;
}

void parseJvmOptions(JvmStart& jvm, std::string_view javaHome, std::string_view mainClass,
                     std::string_view line, std::string_view applicationArgs) {
    jvm.freeOptions();
    (void)jvm.javaHome.assign(javaHome);
    (void)jvm.mainClass.assign(mainClass);
    (void)jvm.applicationArgs.assign(applicationArgs);

    WordReader reader(limitToLine(line));
    std::string word;
    std::size_t words = 0;
    std::size_t classPathSlot = SIZE_MAX;  // none yet
    while (reader.next(word)) {
        ++words;
        if (!isClassPathFlag(word)) {
            jvm.texts.push_back(word);
            continue;
        }
        if (!reader.next(word)) {
            break;  // a flag without a value is dropped
        }
        ++words;
        if (classPathSlot == SIZE_MAX) {
            classPathSlot = jvm.texts.size();
            std::string& option = jvm.texts.emplace_back(kClassPathOptionPrefix);
            appendBounded(option, word);
        } else {
            std::string& option = jvm.texts[classPathSlot];
            appendBounded(option, ";");
            appendBounded(option, word);
        }
    }
    // One slot per word; the texts are in place now, and the options point into them.
    const std::size_t count = jvm.texts.size();
    jvm.texts.resize(words);
    jvm.options.assign(words, JavaVMOption{});
    for (std::size_t k = 0; k < count; ++k) {
        jvm.options[k].optionString = jvm.texts[k].data();
        jvm.options[k].extraInfo = nullptr;
    }
    jvm.optionCount = static_cast<jint>(count);
}

}  // namespace qv
