// qvconfig's commands end to end (runCommand) on the in-memory file system
// (tools/qvconfig/tests/memory_file_system.h).
//
// The fuzz input gives the executable (the shipped configuration or a small one, then values set
// to texts of the input's bytes, in the launcher's language or another, with or without their
// NUL, or removed; a DLL; stripped), the command (list, get, set, set-file, remove, apply,
// export to standard output or to a file, export --all, diff) with its VALUE, its text and the
// content of its text file (apply lines made of the input: set, set-escaped, remove, or bytes),
// the executable read-only or in use, and at most one call of the file system that fails, with
// its error code. Each call must hold:
//  - the exit code is one the command can give, and a command that fails says why on its own
//    line (the message ends with a line end);
//  - a command that fails leaves the executable byte-identical, and so does every command that
//    only reads it (list, get, export, diff) and a remove of a value that is not set;
//  - a command that succeeds in changing the executable (set, set-file, remove, apply) leaves a
//    file that reads back as the command meant: exactly the resources it held, with the value
//    set to the text and its NUL in language 0x0400, or removed, every other resource as it was,
//    and the symbol table carried behind them; and it prints the command's one line;
//  - no file other than the executable, the text files and an export's file is left: never a
//    temporary copy; the text files are never changed;
//  - the same input gives the same result twice.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "change_file.h"
#include "commands.h"
#include "memory_file_system.h"
#include "quorvex/launch_config.h"
#include "text_file.h"
#include "value_table.h"

namespace {

namespace cfg = quorvex::launch_config;
using qvconfig::Resource;
using qvconfig::ResourceKey;
using qvconfig::testing::MemoryFileSystem;
using qvconfig::testing::SeamCall;

constexpr std::uint16_t kValueLanguage = 0x0400;
constexpr std::uint16_t kOtherLanguage = 0x0409;
// msg_startup_error: the one value a small build carries, as a start requires it.
constexpr int kRequiredValue = 101;
constexpr std::size_t kMaxEdits = 8;
constexpr std::size_t kMaxApplyLines = 8;
constexpr int kMaxFailIndex = 8;
constexpr std::uint32_t kFailCodes[] = {5, 32, 112, 1359};
const std::string kExe = "C:\\work\\QuorvexService.exe";
const std::string kOther = "C:\\new\\QuorvexService.exe";
const std::string kTextFile = "C:\\work\\site.txt";
const std::string kExportFile = "C:\\work\\export.txt";

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "qvconfig_commands_fuzz: %s\n", what);
        std::abort();
    }
}

enum class Verb { list, get, set, setFile, remove, apply, exportOut, exportAll, exportFile, diff };
constexpr Verb kLastVerb = Verb::diff;

bool changes(Verb verb) {
    return verb == Verb::set || verb == Verb::setFile || verb == Verb::remove ||
           verb == Verb::apply;
}

using ValueKey = std::pair<int, std::uint16_t>;  // ID, language

// The resources of the executable: configuration values by ID and language, and the others.
struct Carried {
    std::map<ValueKey, std::string> values;
    std::vector<Resource> others;

    std::vector<Resource> resources() const {
        std::vector<Resource> all = others;
        for (const auto& [key, bytes] : values) {
            all.push_back(Resource{ResourceKey::integer(qvconfig::testing::kRtRcData),
                                   ResourceKey::integer(static_cast<std::uint16_t>(key.first)),
                                   key.second, bytes});
        }
        return all;
    }
};

Carried carriedBuild(bool shipped) {
    Carried c;
    for (const cfg::Value& v : cfg::kValues) {
        if (shipped || v.id == kRequiredValue) {
            if (v.shipped) {
                c.values[{v.id, kValueLanguage}] =
                    std::string(v.shippedText, static_cast<std::size_t>(v.shippedLength)) +
                    std::string(1, '\0');
            }
        }
    }
    c.others.push_back(Resource{ResourceKey::integer(qvconfig::testing::kRtIcon),
                                ResourceKey::integer(1), kValueLanguage, "icon"});
    c.others.push_back(Resource{ResourceKey::integer(qvconfig::testing::kRtVersion),
                                ResourceKey::integer(1), kOtherLanguage,
                                qvconfig::testing::versionBlock("QuorvexService.exe")});
    return c;
}

// A VALUE as typed: a value's name or ID, or bytes of the input.
std::string valueKey(FuzzedDataProvider& input) {
    const auto choice = input.ConsumeIntegralInRange<unsigned>(0, 2);
    const cfg::Value& v =
        cfg::kValues[input.ConsumeIntegralInRange<std::size_t>(0, cfg::kValueCount - 1)];
    if (choice == 0) {
        return v.name;
    }
    if (choice == 1) {
        return std::to_string(v.id);
    }
    return input.ConsumeRandomLengthString();
}

std::string applyFileOf(FuzzedDataProvider& input) {
    std::string content;
    const std::size_t lines = input.ConsumeIntegralInRange<std::size_t>(0, kMaxApplyLines);
    for (std::size_t i = 0; i < lines; ++i) {
        switch (input.ConsumeIntegralInRange<unsigned>(0, 3)) {
            case 0:
                content += "set " + valueKey(input) + " " + input.ConsumeRandomLengthString();
                break;
            case 1:
                content +=
                    "set-escaped " + valueKey(input) + " " + input.ConsumeRandomLengthString();
                break;
            case 2:
                content += "remove " + valueKey(input);
                break;
            default:
                content += input.ConsumeRandomLengthString();
                break;
        }
        content += input.ConsumeBool() ? "\r\n" : "\n";
    }
    return content;
}

struct Run {
    std::vector<std::string> args;
    Verb verb = Verb::list;
    std::string key;   // set, set-file, remove: VALUE
    std::string text;  // set: TEXT
    std::string textFile;
    Carried carried;
    bool dll = false;
    bool stripped = false;
    bool readOnly = false;
    bool inUse = false;
    std::optional<SeamCall> failKind;
    int failIndex = 0;
    std::uint32_t failCode = 0;
};

Run runOf(FuzzedDataProvider& input) {
    Run r;
    r.carried = carriedBuild(input.ConsumeBool());
    const std::size_t edits = input.ConsumeIntegralInRange<std::size_t>(0, kMaxEdits);
    for (std::size_t i = 0; i < edits; ++i) {
        const int id = input.ConsumeIntegralInRange<int>(1, 110);
        const std::uint16_t language = input.ConsumeBool() ? kValueLanguage : kOtherLanguage;
        if (input.ConsumeBool()) {
            r.carried.values.erase({id, language});
        } else {
            std::string bytes = input.ConsumeRandomLengthString();
            if (input.ConsumeBool()) {
                bytes += '\0';
            }
            r.carried.values[{id, language}] = bytes;
        }
    }
    const auto flags = input.ConsumeIntegral<std::uint8_t>();
    // Rare, so that most inputs reach the change itself.
    r.dll = (flags & 0x0F) == 0x01;
    r.stripped = (flags & 0x10) != 0;
    r.readOnly = (flags & 0xE0) == 0x20;
    r.inUse = (flags & 0xE0) == 0x40;
    if (input.ConsumeBool()) {
        r.failKind = static_cast<SeamCall>(
            input.ConsumeIntegralInRange<std::size_t>(0, qvconfig::testing::kSeamCallKinds - 1));
        r.failIndex = input.ConsumeIntegralInRange<int>(0, kMaxFailIndex);
        r.failCode = input.PickValueInArray(kFailCodes);
    }

    r.verb = static_cast<Verb>(input.ConsumeIntegralInRange<int>(0, static_cast<int>(kLastVerb)));
    switch (r.verb) {
        case Verb::list:
            r.args = {"list", kExe};
            break;
        case Verb::get:
            r.key = valueKey(input);
            r.args = {"get", kExe, r.key};
            break;
        case Verb::set:
            r.key = valueKey(input);
            r.text = input.ConsumeRandomLengthString();
            r.args = {"set", kExe, r.key, r.text};
            break;
        case Verb::setFile:
            r.key = valueKey(input);
            r.textFile = input.ConsumeRandomLengthString();
            r.args = {"set-file", kExe, r.key, kTextFile};
            break;
        case Verb::remove:
            r.key = valueKey(input);
            r.args = {"remove", kExe, r.key};
            break;
        case Verb::apply:
            r.textFile = applyFileOf(input);
            r.args = {"apply", kExe, kTextFile};
            break;
        case Verb::exportOut:
            r.args = {"export", kExe};
            break;
        case Verb::exportAll:
            r.args = {"export", "--all", kExe};
            break;
        case Verb::exportFile:
            r.args = {"export", kExe, kExportFile};
            break;
        case Verb::diff:
            r.args = {"diff", kExe, kOther};
            break;
    }
    return r;
}

struct Result {
    int code = 0;
    std::string out;
    std::string err;
    std::map<std::string, std::string> files;
};

Result execute(const Run& r) {
    MemoryFileSystem files;
    files.addFile(kExe,
                  qvconfig::testing::executableImage(r.carried.resources(), r.dll, !r.stripped));
    files.addFile(kOther, qvconfig::testing::executableImage(carriedBuild(true).resources()));
    files.addFile(kTextFile, r.textFile);
    files.setReadOnly(kExe, r.readOnly);
    files.setInUse(kExe, r.inUse);
    files.faults.failKind = r.failKind;
    files.faults.failIndex = r.failIndex;
    files.faults.failCode = r.failCode;
    Result result;
    result.code = qvconfig::runCommand(files, r.args, result.out, result.err);
    for (const std::string& path : files.filePaths()) {
        result.files[path] = files.fileContent(path);
    }
    return result;
}

// The values after the change the command asks for, or nothing when it asks for none that can be
// made (a VALUE that names no value, a text the value refuses, a line of the apply file that
// cannot be read): the command must then fail.
std::optional<std::map<ValueKey, std::string>> intended(const Run& r) {
    std::map<ValueKey, std::string> values = r.carried.values;
    if (r.verb == Verb::apply) {
        std::vector<qvconfig::Change> parsed;
        std::string ignored;
        if (qvconfig::parseChanges(kTextFile, r.textFile, parsed, ignored) != qvconfig::kExitOk) {
            return std::nullopt;
        }
        for (const qvconfig::Change& c : parsed) {
            if (c.set) {
                values[{c.value->id, kValueLanguage}] = c.text + std::string(1, '\0');
            } else {
                values.erase({c.value->id, kValueLanguage});
            }
        }
        return values;
    }
    const cfg::Value* value = qvconfig::lookupValue(r.key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (r.verb == Verb::remove) {
        values.erase({value->id, kValueLanguage});
        return values;
    }
    const std::string text = r.verb == Verb::set ? r.text : qvconfig::valueTextOfFile(r.textFile);
    if (!qvconfig::refusal(*value, text).empty() ||
        (r.verb == Verb::setFile && r.textFile.size() > qvconfig::kMaxTextFileBytes)) {
        return std::nullopt;
    }
    values[{value->id, kValueLanguage}] = text + std::string(1, '\0');
    return values;
}

void checkRun(const Run& r, const Result& result) {
    const std::string original =
        qvconfig::testing::executableImage(r.carried.resources(), r.dll, !r.stripped);
    check(result.code >= qvconfig::kExitOk && result.code <= qvconfig::kExitNotSet,
          "an exit code no command gives");
    check(result.err.empty() || result.err.back() == '\n', "a message without its line end");
    const bool differs = r.verb == Verb::diff && result.code == qvconfig::kExitDiffer;
    if (result.code != qvconfig::kExitOk && !differs) {
        check(!result.err.empty(), "a command failed without a word");
    }
    // No temporary copy is left; the text files are as they were.
    for (const auto& [path, bytes] : result.files) {
        check(path == kExe || path == kOther || path == kTextFile || path == kExportFile,
              "a file was left behind");
    }
    check(result.files.at(kTextFile) == r.textFile, "the text file changed");
    check(result.files.at(kOther) ==
              qvconfig::testing::executableImage(carriedBuild(true).resources()),
          "the second executable changed");
    if (result.files.count(kExportFile) != 0) {
        check(r.verb == Verb::exportFile && result.code == qvconfig::kExitOk,
              "an export file written by a command that did not succeed");
    }
    const std::string& after = result.files.at(kExe);
    if (!changes(r.verb) || result.code != qvconfig::kExitOk) {
        check(after == original, "the executable changed");
        if (changes(r.verb)) {
            check(result.out.empty(), "a failed change printed a result");
        }
        return;
    }
    // A change that succeeded: what the command meant, nothing else.
    const auto values = intended(r);
    check(values.has_value(), "a change that cannot be made succeeded");
    const cfg::Value* value = qvconfig::lookupValue(r.key);
    if (r.verb == Verb::remove && r.carried.values.count({value->id, kValueLanguage}) == 0) {
        check(after == original, "removing a value that is not set changed the file");
        check(result.out == "value " + std::to_string(value->id) + " (" + value->name +
                                ") was not set; nothing changed\n",
              "wrong result line");
        return;
    }
    Carried expected = r.carried;
    expected.values = *values;
    check(after == qvconfig::testing::executableImage(expected.resources(), r.dll, !r.stripped),
          "the executable does not read back as the command meant");
    std::string line;
    if (r.verb == Verb::remove) {
        line = "value " + std::to_string(value->id) + " (" + value->name + ") removed\n";
    } else if (r.verb == Verb::apply) {
        std::vector<qvconfig::Change> parsed;
        std::string ignored;
        (void)qvconfig::parseChanges(kTextFile, r.textFile, parsed, ignored);
        line = std::to_string(parsed.size()) + " change(s) applied\n";
    } else {
        const std::string text =
            r.verb == Verb::set ? r.text : qvconfig::valueTextOfFile(r.textFile);
        line = "value " + std::to_string(value->id) + " (" + value->name +
               ") set: " + std::to_string(text.size()) + " characters\n";
    }
    check(result.out == line, "wrong result line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const Run r = runOf(input);
    const Result result = execute(r);
    checkRun(r, result);
    const Result again = execute(r);
    check(again.code == result.code && again.out == result.out && again.err == result.err &&
              again.files == result.files,
          "not deterministic");
    return 0;
}
