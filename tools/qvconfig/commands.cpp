#include "commands.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "change_file.h"
#include "command_line.h"
#include "config_diff.h"
#include "configuration.h"
#include "export_file.h"
#include "message_text.h"
#include "resource_file.h"
#include "system_text.h"
#include "text_file.h"
#include "value_table.h"

namespace qvconfig {
namespace {

constexpr std::size_t kListPreviewChars = 60;

// The configuration value a resource holds as the launcher reads it (RCDATA of a value's ID, in
// the values' language), or null.
const Value* configValueOf(const Resource& r) {
    if (!(r.type == ResourceKey::integer(kRcDataType)) || !r.name.isInteger ||
        r.language != kValueLanguage) {
        return nullptr;
    }
    return findValue(r.name.id);
}

bool isConfigValue(const Resource& r, int id) {
    const Value* value = configValueOf(r);
    return value != nullptr && value->id == id;
}

// The text of a value's data: the bytes before the first NUL (all of them when there is none).
std::string_view textOf(const Resource& r) {
    const std::string_view bytes(r.bytes);
    return bytes.substr(0, bytes.find('\0'));
}

int fileFailure(FileSystem& files, std::string& err, const std::string& path, const FileError& e) {
    if (e.kind == FileError::Kind::Signed) {
        appendf(err,
                "qvconfig: %s: the file is signed, and a change would leave a signature that no "
                "longer verifies; nothing changed. To change it, give --remove-signature before "
                "the command (the signature is removed) and sign the file again.\n",
                path.c_str());
        return kExitRefused;
    }
    if (e.kind == FileError::Kind::NotQuorvexService) {
        appendf(err, "qvconfig: %s: not a QuorvexService executable (", path.c_str());
        err += e.detail;
        err += "); nothing changed\n";
        return kExitRefused;
    }
    appendf(err, "qvconfig: %s: failed %s: ", path.c_str(), e.step);
    err += systemErrorText(files, e.code, path);
    if (!e.detail.empty()) {
        err += " (" + e.detail + ")";
    }
    err += "\n";
    return kExitFile;
}

int listValues(FileSystem& files, const std::string& path, std::string& out, std::string& err) {
    Executable exe;
    FileError e;
    if (!readExecutable(files, path, exe, e)) {
        return fileFailure(files, err, path, e);
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

int getValue(FileSystem& files, const std::string& path, const Value& value, std::string& out,
             std::string& err) {
    Executable exe;
    FileError e;
    if (!readExecutable(files, path, exe, e)) {
        return fileFailure(files, err, path, e);
    }
    for (const Resource& r : exe.resources) {
        if (isConfigValue(r, value.id)) {
            out += textOf(r);
            out += "\n";
            return kExitOk;
        }
    }
    appendf(err, "qvconfig: %s: value %d (%s) is not set\n", path.c_str(), value.id, value.name);
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

// After a change of a signed file that removed its signature.
void noteSignatureRemoved(const Executable& exe, std::string& out) {
    if (exe.isSigned) {
        out += "signature removed: sign the file again\n";
    }
}

int setValue(FileSystem& files, const std::string& path, const Value& value,
             const std::string& text, Signature signature, std::string& out, std::string& err) {
    const std::string why = refusal(value, text);
    if (!why.empty()) {
        appendf(err, "qvconfig: %s; nothing changed\n", why.c_str());
        return kExitRefused;
    }
    Executable exe;
    FileError e;
    if (!readExecutable(files, path, exe, e)) {
        return fileFailure(files, err, path, e);
    }
    std::vector<Resource> resources = exe.resources;
    storeValue(resources, value, text);
    if (!writeResources(files, path, exe, resources, signature, e)) {
        return fileFailure(files, err, path, e);
    }
    appendf(out, "value %d (%s) set: %zu characters\n", value.id, value.name, text.size());
    noteSignatureRemoved(exe, out);
    noteReading(value, text, err);
    return kExitOk;
}

int setFromFile(FileSystem& files, const std::string& path, const Value& value,
                const std::string& textFile, Signature signature, std::string& out,
                std::string& err) {
    std::string content;
    if (const int code = readTextFile(files, textFile, content, err); code != kExitOk) {
        return code;
    }
    return setValue(files, path, value, valueTextOfFile(std::move(content)), signature, out, err);
}

int removeValue(FileSystem& files, const std::string& path, const Value& value, Signature signature,
                std::string& out, std::string& err) {
    Executable exe;
    FileError e;
    if (!readExecutable(files, path, exe, e)) {
        return fileFailure(files, err, path, e);
    }
    std::vector<Resource> resources = exe.resources;
    if (!dropValue(resources, value)) {
        appendf(out, "value %d (%s) was not set; nothing changed\n", value.id, value.name);
        return kExitOk;
    }
    if (!writeResources(files, path, exe, resources, signature, e)) {
        return fileFailure(files, err, path, e);
    }
    appendf(out, "value %d (%s) removed\n", value.id, value.name);
    noteSignatureRemoved(exe, out);
    return kExitOk;
}

int applyFile(FileSystem& files, const std::string& path, const std::string& changeFile,
              Signature signature, std::string& out, std::string& err) {
    std::string content;
    if (const int code = readTextFile(files, changeFile, content, err); code != kExitOk) {
        return code;
    }
    std::vector<Change> changes;
    if (const int code = parseChanges(changeFile, content, changes, err); code != kExitOk) {
        return code;
    }
    Executable exe;
    FileError e;
    if (!readExecutable(files, path, exe, e)) {
        return fileFailure(files, err, path, e);
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
    if (!writeResources(files, path, exe, resources, signature, e)) {
        return fileFailure(files, err, path, e);
    }
    appendf(out, "%zu change(s) applied\n", changes.size());
    noteSignatureRemoved(exe, out);
    return kExitOk;
}

// Reads the configuration of the executable at `path`: kExitOk, or the code of a message.
int readConfiguration(FileSystem& files, const std::string& path, Configuration& configuration,
                      std::string& err) {
    Executable exe;
    FileError e;
    if (!readExecutable(files, path, exe, e)) {
        return fileFailure(files, err, path, e);
    }
    configuration.clear();
    for (const Resource& r : exe.resources) {
        if (const Value* value = configValueOf(r)) {
            configuration[value->id] = std::string(textOf(r));
        } else if (r.type == ResourceKey::integer(kRcDataType)) {
            // What no apply file can carry is named, so that nothing is lost unseen.
            appendf(err, "qvconfig: note: %s: the resource RCDATA ", path.c_str());
            if (r.name.isInteger) {
                appendf(err, "%u", static_cast<unsigned>(r.name.id));
            } else {
                err += printable(r.name.text);
            }
            appendf(err, " (language 0x%04X) is not a configuration value the launcher reads\n",
                    r.language);
        }
    }
    return kExitOk;
}

int exportValues(FileSystem& files, const Command& command, std::string& out, std::string& err) {
    Configuration carried;
    if (const int code = readConfiguration(files, command.exe, carried, err); code != kExitOk) {
        return code;
    }
    const std::vector<Change> changes =
        command.all ? wholeConfiguration(carried) : changesBetween(shippedConfiguration(), carried);
    for (const Change& c : changes) {
        const std::string why = c.set ? refusal(*c.value, c.text) : std::string();
        if (!why.empty()) {
            appendf(err, "qvconfig: %s: %s, so no apply file can carry it; nothing exported\n",
                    command.exe.c_str(), why.c_str());
            return kExitRefused;
        }
    }
    const std::string text =
        exportText((command.all ? "qvconfig export --all: every configuration value of "
                                : "qvconfig export: the configuration values that differ from this "
                                  "release's shipped ones, of ") +
                       command.exe,
                   changes);
    if (!command.toFile) {
        out += text;
        return kExitOk;
    }
    if (!files.writeTextFile(command.argument, text)) {
        appendf(err, "qvconfig: %s: cannot be written\n", command.argument.c_str());
        return kExitFile;
    }
    appendf(out, "%zu change(s) written to %s\n", changes.size(), command.argument.c_str());
    return kExitOk;
}

int diffValues(FileSystem& files, const std::string& pathA, const std::string& pathB,
               std::string& out, std::string& err) {
    Configuration a;
    Configuration b;
    if (const int code = readConfiguration(files, pathA, a, err); code != kExitOk) {
        return code;
    }
    if (const int code = readConfiguration(files, pathB, b, err); code != kExitOk) {
        return code;
    }
    const std::string lines = differenceLines(a, b);
    out += lines;
    return lines.empty() ? kExitOk : kExitDiffer;
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

}  // namespace

int runCommand(FileSystem& files, const std::vector<std::string>& args, std::string& out,
               std::string& err) {
    Command command;
    if (const int code = parseCommandLine(args, command, err); code != kExitOk) {
        return code;
    }
    const Signature signature = command.removeSignature ? Signature::Remove : Signature::Keep;
    switch (command.verb) {
        case Verb::help:
            out += kUsage;
            return kExitOk;
        case Verb::table:
            return printTable(out);
        case Verb::list:
            return listValues(files, command.exe, out, err);
        case Verb::get:
            return getValue(files, command.exe, *command.value, out, err);
        case Verb::set:
            return setValue(files, command.exe, *command.value, command.argument, signature, out,
                            err);
        case Verb::setFile:
            return setFromFile(files, command.exe, *command.value, command.argument, signature, out,
                               err);
        case Verb::remove:
            return removeValue(files, command.exe, *command.value, signature, out, err);
        case Verb::apply:
            return applyFile(files, command.exe, command.argument, signature, out, err);
        case Verb::exportValues:
            return exportValues(files, command, out, err);
        case Verb::diff:
            return diffValues(files, command.exe, command.argument, out, err);
    }
    return kExitUsage;
}

}  // namespace qvconfig
