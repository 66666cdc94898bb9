// qvconfig's reading of its command line (command_line) into the command it asks for.
//
// The fuzz input, split at its NUL bytes, gives the words after the program name (an empty input
// none). Each call must hold:
//  - the words of a command give it: "help", "--help", "-h" or "/?" (whatever follows), "table"
//    alone, "list EXE", "get EXE VALUE", "set EXE VALUE TEXT", "set-file EXE VALUE FILE",
//    "remove EXE VALUE", "apply EXE FILE", "export [--all] EXE [FILE]" and "diff EXE EXE2", each
//    word taken whole into its place, VALUE as the configuration value it names; nothing is
//    printed;
//  - a VALUE that names no value is refused with one message line that quotes it whole;
//  - any other words give the problem (an unknown command quoted whole), an empty line and the
//    usage, and exit code 1;
//  - "--remove-signature" before the words of set, set-file, remove or apply gives that command
//    with the signature to be removed; before any other words it is refused with the usage;
//  - a command is given only with exit code 0; the same words give the same result twice.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "value_table.h"

namespace {

using qvconfig::Verb;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "qvconfig_command_line_fuzz: %s\n", what);
        std::abort();
    }
}

struct Form {
    const char* word;
    Verb verb;
    std::size_t words;  // with the command itself
    bool value;         // the third word is a VALUE
};

const Form kForms[] = {
    {"table", Verb::table, 1, false},     {"list", Verb::list, 2, false},
    {"get", Verb::get, 3, true},          {"set", Verb::set, 4, true},
    {"set-file", Verb::setFile, 4, true}, {"remove", Verb::remove, 3, true},
    {"apply", Verb::apply, 3, false},     {"diff", Verb::diff, 3, false},
};

bool same(const qvconfig::Command& a, const qvconfig::Command& b) {
    return a.verb == b.verb && a.exe == b.exe && a.value == b.value && a.argument == b.argument &&
           a.all == b.all && a.toFile == b.toFile && a.removeSignature == b.removeSignature;
}

std::vector<std::string> wordsOf(std::string_view input) {
    std::vector<std::string> words;
    if (input.empty())
        return words;
    for (std::size_t start = 0;;) {
        const std::size_t nul = input.find('\0', start);
        words.emplace_back(input.substr(start, nul == std::string_view::npos ? nul : nul - start));
        if (nul == std::string_view::npos)
            return words;
        start = nul + 1;
    }
}

// The problem, then an empty line and the usage. The problem is `problem` itself, or begins with
// it when `whole` is false.
void checkUsage(const std::string& err, const std::string& problem, bool whole) {
    const std::string usage = std::string("\n\n") + qvconfig::kUsage;
    check(err.size() > usage.size() &&
              err.compare(err.size() - usage.size(), usage.size(), usage) == 0,
          "the usage does not follow the problem");
    const std::string named = err.substr(0, err.size() - usage.size());
    const std::string expected = "qvconfig: " + problem;
    check(whole ? named == expected : named.rfind(expected, 0) == 0, "the problem is not named");
}

void checkCommand(const std::vector<std::string>& args, int code, const qvconfig::Command& command,
                  const std::string& err) {
    if (args.empty()) {
        check(code == qvconfig::kExitUsage, "no words, but no usage");
        checkUsage(err, "no command given", true);
        return;
    }
    const std::string& word = args[0];
    if (word == "--remove-signature") {
        // The words after it, read on their own, must be a command that changes the file.
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        qvconfig::Command changing;
        std::string restErr;
        const int restCode = qvconfig::parseCommandLine(rest, changing, restErr);
        checkCommand(rest, restCode, changing, restErr);
        if (restCode != qvconfig::kExitOk) {
            check(code == restCode && err == restErr, "--remove-signature hid the words' refusal");
            return;
        }
        if (changing.verb != Verb::set && changing.verb != Verb::setFile &&
            changing.verb != Verb::remove && changing.verb != Verb::apply) {
            check(code == qvconfig::kExitUsage, "--remove-signature taken with a reading command");
            checkUsage(err, "--remove-signature goes with set, set-file, remove and apply", true);
            return;
        }
        changing.removeSignature = true;
        check(code == qvconfig::kExitOk && err.empty() && same(command, changing),
              "--remove-signature was not taken with its command");
        return;
    }
    if (word == "help" || word == "--help" || word == "-h" || word == "/?") {
        check(code == qvconfig::kExitOk && err.empty(), "help not given");
        check(same(command, qvconfig::Command{Verb::help, {}, nullptr, {}}), "help not given");
        return;
    }
    if (word == "export") {
        const bool all = args.size() > 1 && args[1] == "--all";
        const std::size_t first = all ? 2 : 1;
        if (args.size() != first + 1 && args.size() != first + 2) {
            check(code == qvconfig::kExitUsage, "an export with the wrong words was taken");
            checkUsage(err, "'export' takes [--all] EXE [FILE]", true);
            return;
        }
        check(code == qvconfig::kExitOk && err.empty(), "an export was not taken");
        qvconfig::Command expected{Verb::exportValues, args[first], nullptr,
                                   args.size() == first + 2 ? args[first + 1] : std::string()};
        expected.all = all;
        expected.toFile = args.size() == first + 2;
        check(same(command, expected), "the export is not the words'");
        return;
    }
    const Form* form = nullptr;
    for (const Form& f : kForms) {
        if (word == f.word)
            form = &f;
    }
    if (form == nullptr) {
        check(code == qvconfig::kExitUsage, "an unknown command was taken");
        checkUsage(err, "unknown command '" + word + "'", true);
        return;
    }
    if (args.size() != form->words) {
        check(code == qvconfig::kExitUsage, "a command with the wrong words was taken");
        checkUsage(err, "'" + word + "' takes ", false);
        return;
    }
    const qvconfig::Value* value = form->value ? qvconfig::lookupValue(args[2]) : nullptr;
    if (form->value && value == nullptr) {
        check(code == qvconfig::kExitRefused, "a VALUE that names nothing was taken");
        check(err == "qvconfig: '" + args[2] +
                         "' is not a configuration value of QuorvexService (see 'qvconfig "
                         "table')\n",
              "the refusal does not quote the VALUE whole");
        return;
    }
    check(code == qvconfig::kExitOk && err.empty(), "a command was not taken");
    std::string argument;
    if (form->verb == Verb::apply || form->verb == Verb::diff)
        argument = args[2];
    if (form->words == 4)
        argument = args[3];
    check(same(command, qvconfig::Command{form->verb, form->words > 1 ? args[1] : std::string(),
                                          value, argument}),
          "the command is not the words'");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> args =
        wordsOf(std::string_view(reinterpret_cast<const char*>(data), size));
    // What the caller held, to see that a refused command line leaves it alone.
    const qvconfig::Command held{Verb::list, "held.exe", nullptr, "held"};
    qvconfig::Command command = held;
    std::string err;
    const int code = qvconfig::parseCommandLine(args, command, err);

    qvconfig::Command again = held;
    std::string errAgain;
    check(qvconfig::parseCommandLine(args, again, errAgain) == code && errAgain == err &&
              same(again, command),
          "not deterministic");
    if (code != qvconfig::kExitOk)
        check(same(command, held), "a refused command line changed the command");
    checkCommand(args, code, command, err);
    return 0;
}
