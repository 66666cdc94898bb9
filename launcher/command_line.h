// The command line, read once: what the program is asked to do, which debug log is asked for,
// and what goes on to the service's image path and to the Java service.
//
// Two rules read it. The commands and the debug word an install carries are whole words
// (words.h). The debug log is asked for by the substring rule: "--mvk-debug" anywhere in the
// argument text, even inside a longer word, opens it, and "--mvk-debug-all" anywhere opens it
// with every read.
#ifndef QV_LAUNCHER_COMMAND_LINE_H
#define QV_LAUNCHER_COMMAND_LINE_H

#include <string>
#include <string_view>

namespace qv {

// What a run does. The service words come first (the first such word counts), then the
// launcher's own commands in the order help, version, check, wherever their words stand; without
// any, the program starts the Java service.
enum class Command { Start, Help, Version, Check, Install, Uninstall, Service };

// The debug log asked for.
enum class DebugRequest { None, Debug, DebugAll };

struct CommandLine {
    // The argument text: the raw command line without the program name.
    std::string arguments;
    Command command = Command::Start;
    // What the argument text asks for by the substring rule.
    DebugRequest debug = DebugRequest::None;
    // The debug word an install carries into the service's command line: kDebugAllWord when it
    // is among the words, else kDebugWord when that is, else empty.
    std::string_view serviceDebugWord;
};

// The argument text of a raw command line: what follows the program name (quoted or not) and
// the one character after it.
std::string_view splitArgumentText(std::string_view commandLine);

// The record of an argument text, and of a raw command line.
CommandLine readArguments(std::string_view argumentText);
CommandLine readCommandLine(std::string_view commandLine);

// The substring rule of the debug log over a text, with the words that ask for the log and for
// the log with every read.
DebugRequest debugRequestOf(std::string_view text, std::string_view debugWord,
                            std::string_view debugAllWord);

// The argument text without the launcher's own words: each "--mvk-" is removed from there up to
// and with the next blank (to the end when no blank follows).
std::string removePrivateOptions(std::string_view argumentText);

}  // namespace qv

#endif  // QV_LAUNCHER_COMMAND_LINE_H
