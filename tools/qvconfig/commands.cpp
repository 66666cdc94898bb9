#include "commands.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>

#include "resource_file.h"
#include "value_table.h"

namespace qvconfig {
namespace {

constexpr std::size_t kListPreviewChars = 60;
// A text file for set-file larger than this cannot hold any value, whatever its line ends.
constexpr std::size_t kMaxTextFileBytes = 1024 * 1024;

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
    "  qvconfig table                    the values the launcher reads, with their limits\n"
    "\n"
    "VALUE is an ID (10) or a name (error_title); see 'qvconfig table'.\n"
    "A change is made on a copy beside EXE and replaces EXE only once it is complete and\n"
    "checked: whatever fails, EXE stays as it was.\n"
    "\n"
    "Exit codes: 0 done, 1 command line not understood, 2 file cannot be read or written,\n"
    "3 not a QuorvexService executable, not a configuration value, or a text it cannot hold\n"
    "(nothing changed), 4 the value is not set (get).\n";

void appendf(std::string& out, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));

void appendf(std::string& out, const char* format, ...) {
    constexpr std::size_t kLineCapacity = 512;
    char line[kLineCapacity];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) {
        out.append(line, std::min(static_cast<std::size_t>(n), sizeof line - 1));
    }
}

bool isConfigValue(const Resource& r, int id) {
    return r.type == ResourceKey::integer(kRcDataType) && r.name.isInteger && r.name.id == id &&
           r.language == kValueLanguage;
}

// The text of a value's data: the bytes before the first NUL (all of them when there is none).
std::string_view textOf(const Resource& r) {
    const std::string_view bytes(r.bytes);
    return bytes.substr(0, bytes.find('\0'));
}

// A text for a listing: control bytes shown as \t or \xNN.
std::string printable(std::string_view text) {
    std::string shown;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            shown += "\\t";
        } else if (byte < 0x20 || byte == 0x7f) {
            appendf(shown, "\\x%02X", byte);
        } else {
            shown += c;
        }
    }
    return shown;
}

int fileFailure(std::string& err, const std::string& path, const FileError& e) {
    if (e.kind == FileError::Kind::NotQuorvexService) {
        appendf(err, "qvconfig: %s: not a QuorvexService executable (", path.c_str());
        err += e.detail;
        err += "); nothing changed\n";
        return kExitRefused;
    }
    appendf(err, "qvconfig: %s: failed %s: ", path.c_str(), e.step);
    err += systemErrorText(e.code, path);
    if (!e.detail.empty()) {
        err += " (" + e.detail + ")";
    }
    err += "\n";
    return kExitFile;
}

const Value* valueOrComplain(const std::string& key, std::string& err) {
    const Value* value = lookupValue(key);
    if (value == nullptr) {
        appendf(err, "qvconfig: '%s' is not a configuration value of QuorvexService", key.c_str());
        err += " (see 'qvconfig table')\n";
    }
    return value;
}

int listValues(const std::string& path, std::string& out, std::string& err) {
    Executable exe;
    FileError e;
    if (!readExecutable(path, exe, e)) {
        return fileFailure(err, path, e);
    }
    std::vector<const Resource*> values;
    for (const Resource& r : exe.resources) {
        if (r.type == ResourceKey::integer(kRcDataType)) {
            values.push_back(&r);
        }
    }
    std::stable_sort(values.begin(), values.end(), [](const Resource* a, const Resource* b) {
        if (a->name.isInteger != b->name.isInteger) {
            return a->name.isInteger;
        }
        return a->name.isInteger ? a->name.id < b->name.id : a->name.text < b->name.text;
    });
    out += "ID    name                  length  text\n";
    for (const Resource* r : values) {
        const std::string_view text = textOf(*r);
        const Value* known = r->name.isInteger ? findValue(r->name.id) : nullptr;
        std::string shown = printable(text.substr(0, kListPreviewChars));
        if (text.size() > kListPreviewChars) {
            shown += "...";
        }
        if (r->name.isInteger) {
            appendf(out, "%-5u ", static_cast<unsigned>(r->name.id));
        } else {
            appendf(out, "%-5s ", r->name.text.c_str());
        }
        appendf(out, "%-21s %7zu  ", known != nullptr ? known->name : "(not read)", text.size());
        out += shown;
        if (r->language != kValueLanguage) {
            appendf(out, "  [language 0x%04X: the launcher reads only 0x%04X]", r->language,
                    kValueLanguage);
        }
        if (text.size() == r->bytes.size()) {
            out += "  [stored without its NUL]";
        }
        out += "\n";
    }
    return kExitOk;
}

int getValue(const std::string& path, const std::string& key, std::string& out, std::string& err) {
    const Value* value = valueOrComplain(key, err);
    if (value == nullptr) {
        return kExitRefused;
    }
    Executable exe;
    FileError e;
    if (!readExecutable(path, exe, e)) {
        return fileFailure(err, path, e);
    }
    for (const Resource& r : exe.resources) {
        if (isConfigValue(r, value->id)) {
            out += textOf(r);
            out += "\n";
            return kExitOk;
        }
    }
    appendf(err, "qvconfig: %s: value %d (%s) is not set\n", path.c_str(), value->id, value->name);
    return kExitNotSet;
}

// Stores `text` as the value in the resource list, replacing what it held.
void storeValue(std::vector<Resource>& resources, const Value& value, const std::string& text) {
    std::string data = text;
    data.push_back('\0');
    auto existing = std::find_if(resources.begin(), resources.end(),
                                 [&](const Resource& r) { return isConfigValue(r, value.id); });
    if (existing != resources.end()) {
        existing->bytes = data;
    } else {
        resources.push_back(Resource{ResourceKey::integer(kRcDataType),
                                     ResourceKey::integer(static_cast<std::uint16_t>(value.id)),
                                     static_cast<std::uint16_t>(kValueLanguage), data});
    }
}

// Takes the value out of the resource list; false when it was not there.
bool dropValue(std::vector<Resource>& resources, const Value& value) {
    const auto before = resources.size();
    resources.erase(std::remove_if(resources.begin(), resources.end(),
                                   [&](const Resource& r) { return isConfigValue(r, value.id); }),
                    resources.end());
    return resources.size() != before;
}

void noteReading(const Value& value, const std::string& text, std::string& err) {
    const std::string note = readingNote(value, text);
    if (!note.empty()) {
        appendf(err, "qvconfig: note: value %d (%s): %s\n", value.id, value.name, note.c_str());
    }
}

int setValue(const std::string& path, const Value& value, const std::string& text, std::string& out,
             std::string& err) {
    const std::string why = refusal(value, text);
    if (!why.empty()) {
        appendf(err, "qvconfig: %s; nothing changed\n", why.c_str());
        return kExitRefused;
    }
    Executable exe;
    FileError e;
    if (!readExecutable(path, exe, e)) {
        return fileFailure(err, path, e);
    }
    std::vector<Resource> resources = exe.resources;
    storeValue(resources, value, text);
    if (!writeResources(path, exe, resources, e)) {
        return fileFailure(err, path, e);
    }
    appendf(out, "value %d (%s) set: %zu characters\n", value.id, value.name, text.size());
    noteReading(value, text, err);
    return kExitOk;
}

// The whole content of a text file; kExitOk, or the exit code after a message.
int readTextFile(const std::string& textFile, std::string& text, std::string& err) {
    std::ifstream in(textFile, std::ios::binary);
    if (!in) {
        appendf(err, "qvconfig: %s: cannot be read\n", textFile.c_str());
        return kExitFile;
    }
    text.clear();
    constexpr std::size_t kChunk = 4096;
    char chunk[kChunk];
    while (text.size() <= kMaxTextFileBytes && in.read(chunk, sizeof chunk).gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        appendf(err, "qvconfig: %s: cannot be read\n", textFile.c_str());
        return kExitFile;
    }
    if (text.size() > kMaxTextFileBytes) {
        appendf(err, "qvconfig: %s is larger than any value may be (%zu bytes); nothing changed\n",
                textFile.c_str(), kMaxTextFileBytes);
        return kExitRefused;
    }
    return kExitOk;
}

int setFromFile(const std::string& path, const Value& value, const std::string& textFile,
                std::string& out, std::string& err) {
    std::string text;
    if (const int code = readTextFile(textFile, text, err); code != kExitOk) {
        return code;
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return setValue(path, value, text, out, err);
}

int removeValue(const std::string& path, const Value& value, std::string& out, std::string& err) {
    Executable exe;
    FileError e;
    if (!readExecutable(path, exe, e)) {
        return fileFailure(err, path, e);
    }
    std::vector<Resource> resources = exe.resources;
    if (!dropValue(resources, value)) {
        appendf(out, "value %d (%s) was not set; nothing changed\n", value.id, value.name);
        return kExitOk;
    }
    if (!writeResources(path, exe, resources, e)) {
        return fileFailure(err, path, e);
    }
    appendf(out, "value %d (%s) removed\n", value.id, value.name);
    return kExitOk;
}

struct Change {
    const Value* value;
    bool set;
    std::string text;
};

// The changes of an apply file: "set VALUE TEXT" (the text is the rest of the line after one
// blank, tabs included) or "remove VALUE", one a line; empty lines and lines starting with "#"
// are skipped. kExitOk, or kExitRefused after a message naming the line.
int parseChanges(const std::string& file, const std::string& content, std::vector<Change>& changes,
                 std::string& err) {
    std::size_t start = 0;
    int number = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string line = content.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::size_t verbEnd = line.find(' ');
        const std::string verb = line.substr(0, verbEnd);
        const std::size_t keyStart = verbEnd == std::string::npos ? line.size() : verbEnd + 1;
        const std::size_t keyEnd = line.find(' ', keyStart);
        const std::string key = line.substr(keyStart, keyEnd - keyStart);
        const bool set = verb == "set";
        if ((!set && verb != "remove") || key.empty() || (!set && keyEnd != std::string::npos)) {
            appendf(err,
                    "qvconfig: %s:%d: expected 'set VALUE TEXT' or 'remove VALUE'; nothing "
                    "changed\n",
                    file.c_str(), number);
            return kExitRefused;
        }
        const Value* value = lookupValue(key);
        if (value == nullptr) {
            appendf(err,
                    "qvconfig: %s:%d: '%s' is not a configuration value of QuorvexService; "
                    "nothing changed\n",
                    file.c_str(), number, key.c_str());
            return kExitRefused;
        }
        Change change{value, set, keyEnd == std::string::npos ? "" : line.substr(keyEnd + 1)};
        if (set) {
            const std::string why = refusal(*value, change.text);
            if (!why.empty()) {
                appendf(err, "qvconfig: %s:%d: %s; nothing changed\n", file.c_str(), number,
                        why.c_str());
                return kExitRefused;
            }
        }
        changes.push_back(std::move(change));
    }
    return kExitOk;
}

int applyFile(const std::string& path, const std::string& changeFile, std::string& out,
              std::string& err) {
    std::string content;
    if (const int code = readTextFile(changeFile, content, err); code != kExitOk) {
        return code;
    }
    std::vector<Change> changes;
    if (const int code = parseChanges(changeFile, content, changes, err); code != kExitOk) {
        return code;
    }
    Executable exe;
    FileError e;
    if (!readExecutable(path, exe, e)) {
        return fileFailure(err, path, e);
    }
    std::vector<Resource> resources = exe.resources;
    for (const Change& c : changes) {
        if (c.set) {
            storeValue(resources, *c.value, c.text);
            noteReading(*c.value, c.text, err);
        } else {
            dropValue(resources, *c.value);
        }
    }
    if (!writeResources(path, exe, resources, e)) {
        return fileFailure(err, path, e);
    }
    appendf(out, "%zu change(s) applied\n", changes.size());
    return kExitOk;
}

int printTable(std::string& out) {
    out += "ID    name                  kind     max    shipped\n";
    for (const Value& v : quorvex::launch_config::kValues) {
        appendf(out, "%-5d %-21s %-8s %-6d ", v.id, v.name, kindName(v.kind), v.maxLength);
        if (!v.shipped) {
            out += "(unset)";
        } else {
            const std::string_view text(v.shippedText);
            out += printable(text.substr(0, kListPreviewChars));
            if (text.size() > kListPreviewChars) {
                out += "...";
            }
        }
        out += "\n";
    }
    return kExitOk;
}

int usage(std::string& err, const char* problem) {
    appendf(err, "qvconfig: %s\n\n", problem);
    err += kUsage;
    return kExitUsage;
}

}  // namespace

int runCommand(const std::vector<std::string>& args, std::string& out, std::string& err) {
    if (args.empty()) {
        return usage(err, "no command given");
    }
    const std::string& command = args[0];
    const std::size_t n = args.size();
    if (command == "help" || command == "--help" || command == "-h" || command == "/?") {
        out += kUsage;
        return kExitOk;
    }
    if (command == "table") {
        return n == 1 ? printTable(out) : usage(err, "'table' takes no arguments");
    }
    if (command == "list") {
        return n == 2 ? listValues(args[1], out, err) : usage(err, "'list' takes EXE");
    }
    if (command == "get") {
        return n == 3 ? getValue(args[1], args[2], out, err)
                      : usage(err, "'get' takes EXE and VALUE");
    }
    if (command == "apply") {
        return n == 3 ? applyFile(args[1], args[2], out, err)
                      : usage(err, "'apply' takes EXE and FILE");
    }
    const bool set = command == "set";
    const bool setFile = command == "set-file";
    const bool remove = command == "remove";
    if (!set && !setFile && !remove) {
        return usage(err, ("unknown command '" + command + "'").c_str());
    }
    if ((remove && n != 3) || (!remove && n != 4)) {
        return usage(err, remove ? "'remove' takes EXE and VALUE"
                                 : (set ? "'set' takes EXE, VALUE and TEXT (quote a text with "
                                          "blanks)"
                                        : "'set-file' takes EXE, VALUE and FILE"));
    }
    const Value* value = valueOrComplain(args[2], err);
    if (value == nullptr) {
        return kExitRefused;
    }
    if (remove) {
        return removeValue(args[1], *value, out, err);
    }
    if (setFile) {
        return setFromFile(args[1], *value, args[3], out, err);
    }
    return setValue(args[1], *value, args[3], out, err);
}

}  // namespace qvconfig
