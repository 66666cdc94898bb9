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

    const std::string_view words = limitToLine(line);
    const std::size_t n = countWords(words);
    if (n == 0) {
        return;
    }
    jvm.texts.assign(n, std::string());
    jvm.options.assign(n, JavaVMOption{});
    WordReader reader(words);
    std::string word;
    std::size_t count = 0;
    std::size_t classPathSlot = n;  // none yet
    while (reader.next(word)) {
        if (!isClassPathFlag(word)) {
            jvm.texts[count++] = word;
            continue;
        }
        if (!reader.next(word)) {
            break;  // a flag without a value is dropped
        }
        if (classPathSlot == n) {
            classPathSlot = count++;
            std::string& option = jvm.texts[classPathSlot];
            option = kClassPathOptionPrefix;
            appendBounded(option, word);
        } else {
            std::string& option = jvm.texts[classPathSlot];
            appendBounded(option, ";");
            appendBounded(option, word);
        }
    }
    jvm.optionCount = static_cast<jint>(count);
    for (std::size_t k = 0; k < count; ++k) {
        jvm.options[k].optionString = jvm.texts[k].data();
        jvm.options[k].extraInfo = nullptr;
    }
}

}  // namespace qv
