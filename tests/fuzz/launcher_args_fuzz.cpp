// The launcher's command line and argument line: the split of the command line into the program
// name and the argument text, the removal of the launcher's own "--mvk-" words, the launcher
// argument line parsed into the JVM's options, and main's arguments made on the in-memory JVM.
//
// The fuzz input gives three texts: the command line, the launcher argument line (up to a NUL, as
// the launcher's fixed text holds it) and the application arguments. Each must hold:
//  - the argument text is the end of the command line: after a quoted program name and the one
//    character after its closing quote, or after the first blank; empty when there is neither;
//  - the application arguments hold no "--mvk-", are the argument text with some characters
//    taken out, and are the argument text itself when it has no "--mvk-";
//  - the JVM options: one per word of the line (within its 32767 characters; double quotes group
//    a word and are dropped) that is not a class path flag ("-classpath", "-jar") or its value,
//    in order; where the first flag with a value stood, one "-Djava.class.path=" option of every
//    flag's value joined by ";", as long as classPathOptionLength says; every option a
//    terminated text within the line's capacity, the option array pointing at the texts;
//  - main receives the words of the application arguments (grouped by quotes as the line's), one
//    String a word, in order;
//  - the same input twice gives the same options and arguments.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "capacities.h"
#include "class_path.h"
#include "command_line.h"
#include "entry.h"
#include "fake_machine.h"
#include "fixed_text.h"
#include "jvm_options.h"
#include "jvm_start.h"
#include "words.h"

namespace {

using qv::testing::FakeJvm;

constexpr const char* kMainClass = "app.Main";
constexpr const char* kMainClassSlashed = "app/Main";
constexpr std::string_view kMarker = "--mvk-";

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "launcher_args_fuzz: %s\n", what);
        std::abort();
    }
}

bool isClassPathFlag(std::string_view word) {
    return word == "-classpath" || word == "-jar";
}

// Words of a text, written here independently of the launcher: runs of characters between white
// space (the C locale's), where a double quote starts or ends a stretch in which white space does
// not separate; the quotes are not part of the word, a pair of them alone is an empty word, and
// an unclosed one runs to the end.
std::vector<std::string> wordsOf(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : text) {
        const bool white = c == ' ' || (c >= '\t' && c <= '\r');
        if (white && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

void checkArgumentText(std::string_view commandLine) {
    const std::string_view text = qv::splitArgumentText(commandLine);
    check(text.empty() || text.data() + text.size() == commandLine.data() + commandLine.size(),
          "argument text is not the end of the command line");
    std::size_t start = commandLine.size();
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t close = commandLine.find('"', 1);
        if (close != std::string_view::npos && close + 1 < commandLine.size())
            start = close + 2;
    } else if (const std::size_t blank = commandLine.find(' '); blank != std::string_view::npos) {
        start = blank + 1;
    }
    check(text.size() == commandLine.size() - std::min(start, commandLine.size()),
          "argument text starts at the wrong place");

    const std::string filtered = qv::removePrivateOptions(text);
    check(filtered.find(kMarker) == std::string::npos, "a --mvk- word reached the arguments");
    if (text.find(kMarker) == std::string_view::npos)
        check(filtered == text, "arguments changed without a --mvk- word");
    std::size_t at = 0;  // filtered must be a subsequence of the text
    for (char c : filtered) {
        while (at < text.size() && text[at] != c)
            ++at;
        check(at < text.size(), "arguments hold characters the text does not");
        ++at;
    }
}

// The options the line must give, built from the words of the line, and the length of the class
// path option before any cut to the line's capacity.
struct Expected {
    std::vector<std::string> options;
    std::size_t classPathLength = 0;
};

Expected expectedOptions(std::string_view line) {
    const std::vector<std::string> words = wordsOf(line.substr(0, qv::kLineSize - 1));
    Expected expected;
    std::vector<std::string>& options = expected.options;
    std::size_t classPathAt = SIZE_MAX;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!isClassPathFlag(words[i])) {
            options.push_back(words[i]);
            continue;
        }
        if (++i >= words.size())
            break;
        const std::string_view value = words[i];
        if (classPathAt == SIZE_MAX) {
            classPathAt = options.size();
            options.push_back(std::string(qv::kClassPathOptionPrefix).append(value));
        } else {
            options[classPathAt].append(";").append(value);
        }
    }
    if (classPathAt != SIZE_MAX) {
        expected.classPathLength = options[classPathAt].size();
        if (options[classPathAt].size() > qv::kLineSize - 1)
            options[classPathAt].resize(qv::kLineSize - 1);
    }
    return expected;
}

struct Parsed {
    std::vector<std::string> options;
    std::vector<std::string> mainArguments;
    bool operator==(const Parsed& o) const {
        return options == o.options && mainArguments == o.mainArguments;
    }
};

Parsed parseAndRun(std::string_view line, std::string_view applicationArgs) {
    qv::JvmStart jvm;
    qv::parseJvmOptions(jvm, "C:\\jre", kMainClass, line, applicationArgs);
    Parsed parsed;
    check(jvm.optionCount >= 0 && static_cast<std::size_t>(jvm.optionCount) <= jvm.options.size(),
          "option count beyond the options");
    for (jint k = 0; k < jvm.optionCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        check(jvm.options[i].optionString == jvm.texts[i].data(), "option not its text");
        check(jvm.options[i].extraInfo == nullptr, "option with extra information");
        const std::size_t length = std::strlen(jvm.options[i].optionString);
        check(length == jvm.texts[i].size(), "option text holds a NUL");
        check(length <= qv::kLineSize - 1, "option beyond the line's capacity");
        parsed.options.push_back(jvm.texts[i]);
    }

    FakeJvm fake;
    fake.recordCalls = false;
    fake.classes.insert(kMainClassSlashed);
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_2;
    JavaVM* vm = nullptr;
    void* env = nullptr;
    check(fake.create(&vm, &env, &args) == JNI_OK, "the in-memory JVM was not created");
    check(qv::runMainClass(jvm, static_cast<JNIEnv*>(env)) == 0, "main was not run");
    check(fake.mainArguments.size() == 1, "main not called once");
    parsed.mainArguments = fake.mainArguments.front();
    return parsed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string commandLine = input.ConsumeRandomLengthString();
    const std::string lineBytes = input.ConsumeRandomLengthString();
    const std::string applicationArgs = input.ConsumeRemainingBytesAsString();
    // The line as the launcher holds it: a fixed text, which never holds a NUL.
    const std::string line(qv::textUpToNul(lineBytes.data(), lineBytes.size()));

    checkArgumentText(commandLine);

    const Parsed parsed = parseAndRun(line, applicationArgs);
    const Expected expected = expectedOptions(line);
    check(parsed.options == expected.options, "options are not the line's words");
    check(qv::classPathOptionLength(line) == expected.classPathLength,
          "class path option length differs from the option");
    const std::string_view arguments =
        qv::textUpToNul(applicationArgs.data(), applicationArgs.size());
    if (arguments.size() <= qv::kLineSize - 1)
        check(parsed.mainArguments == wordsOf(arguments),
              "main's arguments are not the words of the application arguments");
    check(parseAndRun(line, applicationArgs) == parsed, "not deterministic");
    return 0;
}
