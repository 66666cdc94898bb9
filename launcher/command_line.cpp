#include "command_line.h"

#include "names.h"
#include "words.h"

#include <iterator>

namespace qv {

namespace {

struct CommandWord {
    std::string_view word;
    Command command;
};
// The service words: the first of them among the words counts.
constexpr CommandWord kServiceWords[] = {
    {kInstallWord, Command::Install},
    {kUninstallWord, Command::Uninstall},
    {kServiceWord, Command::Service},
};
// The launcher's own commands, in their order of precedence.
constexpr CommandWord kOwnWords[] = {
    {kHelpWord, Command::Help},
    {kVersionWord, Command::Version},
    {kCheckWord, Command::Check},
};

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

std::string_view splitArgumentText(std::string_view commandLine) {
    if (!commandLine.empty() && commandLine[0] == '"') {
        std::size_t close = commandLine.find('"', 1);
        // An unclosed quote: the whole line is the program name.
        if (close == std::string_view::npos || close + 1 >= commandLine.size()) {
            return {};
        }
        return commandLine.substr(close + 2);
    }
    std::size_t blank = commandLine.find(' ');
    if (blank == std::string_view::npos) {
        return {};
    }
    return commandLine.substr(blank + 1);
}

DebugRequest debugRequestOf(std::string_view text, std::string_view debugWord,
                            std::string_view debugAllWord) {
    if (contains(text, debugAllWord)) {
        return DebugRequest::DebugAll;
    }
    return contains(text, debugWord) ? DebugRequest::Debug : DebugRequest::None;
}

CommandLine readArguments(std::string_view argumentText) {
    CommandLine line;
    line.arguments.assign(argumentText);
    line.debug = debugRequestOf(argumentText, kDebugWord, kDebugAllWord);

    bool serviceCommand = false;
    std::size_t ownCommand = std::size(kOwnWords);
    bool debugWord = false;
    bool debugAllWord = false;
    WordReader reader(argumentText);
    std::string word;
    while (reader.next(word)) {
        for (const CommandWord& candidate : kServiceWords) {
            if (!serviceCommand && word == candidate.word) {
                line.command = candidate.command;
                serviceCommand = true;
            }
        }
        for (std::size_t i = 0; i < ownCommand; ++i) {
            if (word == kOwnWords[i].word) {
                ownCommand = i;
                break;
            }
        }
        debugWord = debugWord || word == kDebugWord;
        debugAllWord = debugAllWord || word == kDebugAllWord;
    }
    if (!serviceCommand && ownCommand < std::size(kOwnWords)) {
        line.command = kOwnWords[ownCommand].command;
    }
    line.serviceDebugWord = debugAllWord ? kDebugAllWord
                            : debugWord  ? kDebugWord
                                         : std::string_view();
    return line;
}

CommandLine readCommandLine(std::string_view commandLine) {
    return readArguments(splitArgumentText(commandLine));
}

std::string removePrivateOptions(std::string_view argumentText) {
    std::string work(argumentText);
    for (std::size_t marker = work.find(kPrivateOptionMarker); marker != std::string::npos;
         marker = work.find(kPrivateOptionMarker)) {
        std::size_t blank = work.find(' ', marker);
        if (blank != std::string::npos && blank + 1 < work.size()) {
            work.erase(marker, blank - marker + 1);
        } else {
            work.resize(marker);
        }
    }
    return work;
}

}  // namespace qv
