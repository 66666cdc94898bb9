#include "command_line.h"

#include <string_view>
#include <utility>

#include "commands.h"

namespace qvconfig {

const char kUsage[] =
    "Usage: qvconfig COMMAND EXE [VALUE [TEXT]]\n"
    "Reads and changes the launch configuration carried by a QuorvexService executable.\n"
    "\n"
    "  qvconfig list EXE                 every configuration value EXE carries\n"
    "  qvconfig get EXE VALUE            the text of one value, followed by a line end\n"
    "  qvconfig set EXE VALUE TEXT       stores TEXT as the value\n"
    "  qvconfig set-file EXE VALUE FILE  stores the content of FILE (line ends at its end\n"
    "                                    are dropped; tabs and inner line ends are kept)\n"
    "  qvconfig remove EXE VALUE         removes the value: the setting is then unset\n"
    "  qvconfig apply EXE FILE           makes the changes FILE lists, all or none: one\n"
    "                                    'set VALUE TEXT' or 'remove VALUE' a line\n"
    "                                    ('set-escaped VALUE TEXT' for \\n, \\r, \\t,\n"
    "                                    \\\\ and \\xHH in TEXT)\n"
    "  qvconfig export [--all] EXE [FILE]\n"
    "                                    writes an apply file (to FILE, or to standard\n"
    "                                    output) of the values that differ from what this\n"
    "                                    release ships; --all: of every value\n"
    "  qvconfig diff EXE EXE2            lists the values in which the two differ\n"
    "                                    (exit code 0 the same, 1 they differ)\n"
    "  qvconfig table                    the values the launcher reads, with their limits\n"
    "\n"
    "  qvconfig --remove-signature set|set-file|remove|apply EXE ...\n"
    "                                    changes a signed EXE and removes its signature,\n"
    "                                    which the change would break: sign it again\n"
    "\n"
    "VALUE is an ID (10) or a name (error_title); see 'qvconfig table'.\n"
    "A change is made on a copy beside EXE and replaces EXE only once it is complete and\n"
    "checked: whatever fails, EXE stays as it was.\n"
    "\n"
    "Exit codes: 0 done, 1 command line not understood, 2 file cannot be read or written,\n"
    "3 not a QuorvexService executable, not a configuration value, or a text it cannot hold\n"
    "(nothing changed), 4 the value is not set (get); diff: 1 the two differ.\n";

namespace {

int usage(std::string& err, std::string_view problem) {
    err += "qvconfig: ";
    err += problem;
    err += "\n\n";
    err += kUsage;
    return kExitUsage;
}

const Value* valueOrComplain(const std::string& key, std::string& err) {
    const Value* value = lookupValue(key);
    if (value == nullptr) {
        err += "qvconfig: '" + key +
               "' is not a configuration value of QuorvexService (see 'qvconfig table')\n";
    }
    return value;
}

// The command with a configuration value: kExitOk, or kExitRefused after a message.
int withValue(Verb verb, const std::vector<std::string>& args, Command& command, std::string& err) {
    const Value* value = valueOrComplain(args[2], err);
    if (value == nullptr) {
        return kExitRefused;
    }
    command = Command{verb, args[1], value, args.size() == 4 ? args[3] : std::string()};
    return kExitOk;
}

}  // namespace

int parseCommandLine(const std::vector<std::string>& words, Command& command, std::string& err) {
    constexpr std::string_view kRemoveSignature = "--remove-signature";
    if (!words.empty() && words[0] == kRemoveSignature) {
        const std::vector<std::string> rest(words.begin() + 1, words.end());
        Command changing;
        if (const int code = parseCommandLine(rest, changing, err); code != kExitOk) {
            return code;
        }
        if (changing.verb != Verb::set && changing.verb != Verb::setFile &&
            changing.verb != Verb::remove && changing.verb != Verb::apply) {
            return usage(err, "--remove-signature goes with set, set-file, remove and apply");
        }
        changing.removeSignature = true;
        command = std::move(changing);
        return kExitOk;
    }
    const std::vector<std::string>& args = words;
    if (args.empty()) {
        return usage(err, "no command given");
    }
    const std::string& word = args[0];
    const std::size_t n = args.size();
    if (word == "help" || word == "--help" || word == "-h" || word == "/?") {
        command = Command{Verb::help, {}, nullptr, {}};
        return kExitOk;
    }
    if (word == "table") {
        if (n != 1) {
            return usage(err, "'table' takes no arguments");
        }
        command = Command{Verb::table, {}, nullptr, {}};
        return kExitOk;
    }
    if (word == "list") {
        if (n != 2) {
            return usage(err, "'list' takes EXE");
        }
        command = Command{Verb::list, args[1], nullptr, {}};
        return kExitOk;
    }
    if (word == "get") {
        return n == 3 ? withValue(Verb::get, args, command, err)
                      : usage(err, "'get' takes EXE and VALUE");
    }
    if (word == "apply") {
        if (n != 3) {
            return usage(err, "'apply' takes EXE and FILE");
        }
        command = Command{Verb::apply, args[1], nullptr, args[2]};
        return kExitOk;
    }
    if (word == "export") {
        const bool all = n > 1 && args[1] == "--all";
        const std::size_t first = all ? 2 : 1;
        if (n != first + 1 && n != first + 2) {
            return usage(err, "'export' takes [--all] EXE [FILE]");
        }
        command = Command{Verb::exportValues, args[first], nullptr,
                          n == first + 2 ? args[first + 1] : std::string()};
        command.all = all;
        command.toFile = n == first + 2;
        return kExitOk;
    }
    if (word == "diff") {
        if (n != 3) {
            return usage(err, "'diff' takes EXE and EXE2");
        }
        command = Command{Verb::diff, args[1], nullptr, args[2]};
        return kExitOk;
    }
    const bool set = word == "set";
    const bool setFile = word == "set-file";
    const bool remove = word == "remove";
    if (!set && !setFile && !remove) {
        return usage(err, "unknown command '" + word + "'");
    }
    if ((remove && n != 3) || (!remove && n != 4)) {
        return usage(err, remove ? "'remove' takes EXE and VALUE"
                                 : (set ? "'set' takes EXE, VALUE and TEXT (quote a text with "
                                          "blanks)"
                                        : "'set-file' takes EXE, VALUE and FILE"));
    }
    return withValue(remove ? Verb::remove : (set ? Verb::set : Verb::setFile), args, command, err);
}

}  // namespace qvconfig
