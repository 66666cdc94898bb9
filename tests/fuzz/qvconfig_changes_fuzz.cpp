// qvconfig's reading of an apply file (change_file) and of the text of a set-file (text_file).
//
// The fuzz input is the content of the apply file, and also the content of a set-file's text
// file. Each call must hold:
//  - a file that reads gives exactly the changes its lines list, in order: a line ends with LF,
//    one CR before it is dropped; empty lines and lines starting with "#" are skipped;
//    "remove VALUE" takes the value out, "set VALUE TEXT" stores the rest of the line after the
//    blank behind VALUE (empty without that blank), "set-escaped VALUE TEXT" the same with \\,
//    \t, \n, \r and \xHH (either case) read as the byte they stand for; every VALUE names a
//    configuration value and every text is one the value accepts;
//  - any other file fails at its first line that is none of these, with one message line that
//    names the file and that line, says why (the expected form; the VALUE that names no value,
//    whole, its control bytes shown as \t or \xNN; a backslash of a set-escaped text that starts
//    no escape; or the value's refusal of the text) and ends with "nothing changed"; the changes
//    the caller held are then untouched;
//  - the changes read, written back as an apply file (changeLine, CR LF line ends), read the same;
//  - export followed by apply is the identity: the fuzz input, read as a configuration (below),
//    exported against the shipped values (export) and whole (export --all) gives an apply file of
//    one comment line and one line a change, which reads back and, applied to the shipped
//    configuration and to an empty one, gives exactly that configuration;
//  - the set-file text is the content without the LF and CR bytes at its end, nothing else;
//  - the same input gives the same result twice.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "change_file.h"
#include "commands.h"
#include "configuration.h"
#include "export_file.h"
#include "text_file.h"
#include "value_table.h"

namespace {

namespace cfg = quorvex::launch_config;

// A long path, so that with a long VALUE the message outgrows any fixed line.
const std::string kFile =
    "C:\\Program Files\\Zarvel\\Quorvex integration service\\deployment\\site-configuration"
    "\\values for the north gate, the south gate and the loading bay\\service-values.txt";

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "qvconfig_changes_fuzz: %s\n", what);
        std::abort();
    }
}

bool startsWith(std::string_view s, std::string_view head) {
    return s.substr(0, head.size()) == head;
}

// A VALUE as a message quotes it.
std::string shown(std::string_view key) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (char c : key) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            text += "\\t";
        } else if (byte < 0x20 || byte == 0x7f) {
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        } else {
            text += c;
        }
    }
    return text;
}

bool same(const std::vector<qvconfig::Change>& a, const std::vector<qvconfig::Change>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].value != b[i].value || a[i].set != b[i].set || a[i].text != b[i].text)
            return false;
    }
    return true;
}

// What the file should give: its changes, or the message of its first bad line.
struct Expected {
    std::vector<qvconfig::Change> changes;
    std::string message;  // empty when the file reads
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = static_cast<char>(c | 0x20);
    if (lower >= 'a' && lower <= 'f')
        return lower - 'a' + 10;
    return -1;
}

// The text a set-escaped line stands for, or false at a backslash that starts no escape.
bool unescaped(std::string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const std::string_view rest = text.substr(i + 1);
        if (startsWith(rest, "\\")) {
            out += '\\';
        } else if (startsWith(rest, "t")) {
            out += '\t';
        } else if (startsWith(rest, "n")) {
            out += '\n';
        } else if (startsWith(rest, "r")) {
            out += '\r';
        } else if (rest.size() >= 3 && rest[0] == 'x' && hexDigit(rest[1]) >= 0 &&
                   hexDigit(rest[2]) >= 0) {
            out += static_cast<char>(hexDigit(rest[1]) * 16 + hexDigit(rest[2]));
            i += 2;
        } else {
            return false;
        }
        ++i;
    }
    return true;
}

Expected expectedOf(std::string_view content) {
    Expected e;
    int number = 0;
    for (std::size_t pos = 0; pos < content.size();) {
        const std::size_t lf = content.find('\n', pos);
        std::string_view line = content.substr(pos, lf == std::string_view::npos ? lf : lf - pos);
        pos = lf == std::string_view::npos ? content.size() : lf + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        std::string why;
        const bool escaped = startsWith(line, "set-escaped ");
        qvconfig::Change change{nullptr, escaped || startsWith(line, "set "), {}};
        std::string_view key;
        bool escapesRead = true;
        if (change.set) {
            const std::string_view rest = line.substr(escaped ? 12 : 4);
            const std::size_t blank = rest.find(' ');
            key = rest.substr(0, blank);
            if (blank != std::string_view::npos) {
                if (escaped)
                    escapesRead = unescaped(rest.substr(blank + 1), change.text);
                else
                    change.text = std::string(rest.substr(blank + 1));
            }
        } else if (startsWith(line, "remove ")) {
            key = line.substr(7);
        }
        if (key.empty() || key.find(' ') != std::string_view::npos) {
            why = "expected 'set VALUE TEXT' or 'remove VALUE'";
        } else if ((change.value = qvconfig::lookupValue(key)) == nullptr) {
            why = "'" + shown(key) + "' is not a configuration value of QuorvexService";
        } else if (!escapesRead) {
            why = "a backslash in a set-escaped text must start \\\\, \\t, \\n, \\r or \\xHH";
        } else if (change.set) {
            why = qvconfig::refusal(*change.value, change.text);
        }
        if (!why.empty()) {
            e.changes.clear();
            e.message = "qvconfig: " + kFile + ":" + std::to_string(number) + ": " + why +
                        "; nothing changed\n";
            return e;
        }
        e.changes.push_back(std::move(change));
    }
    return e;
}

void checkChangeFile(const std::string& content) {
    const qvconfig::Change held{&cfg::kValues[0], true, "held before"};
    std::vector<qvconfig::Change> changes{held};
    std::string err;
    const int code = qvconfig::parseChanges(kFile, content, changes, err);

    std::vector<qvconfig::Change> again{held};
    std::string errAgain;
    check(qvconfig::parseChanges(kFile, content, again, errAgain) == code && errAgain == err &&
              same(again, changes),
          "not deterministic");

    const Expected expected = expectedOf(content);
    if (!expected.message.empty()) {
        check(code == qvconfig::kExitRefused, "a bad line was not refused");
        check(err == expected.message, "the message is not the bad line's");
        check(same(changes, {held}), "a refused file changed the caller's changes");
        return;
    }
    check(code == qvconfig::kExitOk && err.empty(), "a sound file was refused");
    check(same(changes, expected.changes), "the changes are not the file's lines");

    std::string written;
    for (const qvconfig::Change& c : changes) {
        written += qvconfig::changeLine(c);
        written += "\r\n";
    }
    std::vector<qvconfig::Change> reread;
    std::string errReread;
    check(qvconfig::parseChanges(kFile, written, reread, errReread) == qvconfig::kExitOk &&
              errReread.empty() && same(reread, changes),
          "the changes written back do not read the same");
}

// The configuration the fuzz input describes: the shipped one or an empty one (first byte), then
// changes of two bytes each, a value (any of the table) and what happens to it: removed, or set to
// a text of the next input bytes (their NUL bytes made 0x01: a carried text ends at its NUL) as
// long as the second byte says, or as long as the value's max when it says 255.
qvconfig::Configuration configurationOf(std::string_view input) {
    constexpr unsigned char kRemove = 0;
    constexpr unsigned char kLongest = 255;
    qvconfig::Configuration c;
    if (input.empty())
        return c;
    if (static_cast<unsigned char>(input[0]) & 1)
        c = qvconfig::shippedConfiguration();
    std::size_t pos = 1;
    while (pos + 2 <= input.size()) {
        const cfg::Value& value =
            cfg::kValues[static_cast<unsigned char>(input[pos]) % cfg::kValueCount];
        const auto how = static_cast<unsigned char>(input[pos + 1]);
        pos += 2;
        if (how == kRemove) {
            c.erase(value.id);
            continue;
        }
        const std::size_t length =
            how == kLongest ? static_cast<std::size_t>(value.maxLength)
                            : std::min<std::size_t>(how, static_cast<std::size_t>(value.maxLength));
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            const char byte = pos < input.size() ? input[pos + i % (input.size() - pos)] : 'v';
            text += byte == '\0' ? '\x01' : byte;
        }
        pos += std::min(length, input.size() - std::min(pos, input.size()));
        c[value.id] = std::move(text);
    }
    return c;
}

// Exported as `changes` and read back, the file gives `expected` on `base`.
void checkExport(std::string_view comment, const std::vector<qvconfig::Change>& changes,
                 qvconfig::Configuration base, const qvconfig::Configuration& expected) {
    const std::string file = qvconfig::exportText(comment, changes);
    check(startsWith(file, "#"), "an export does not start with its comment");
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = file.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    check(lines == changes.size() + 1 &&
              static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n')) == lines &&
              file.size() >= 2 && file.compare(file.size() - 2, 2, "\r\n") == 0,
          "an export is not a comment line and one line a change");
    std::vector<qvconfig::Change> read;
    std::string err;
    check(qvconfig::parseChanges(kFile, file, read, err) == qvconfig::kExitOk && err.empty(),
          "an export does not read back");
    check(same(read, changes), "an export reads back as other changes");
    qvconfig::applyChanges(base, read);
    check(base == expected, "export followed by apply is not the identity");
}

void checkExportThenApply(std::string_view input) {
    const qvconfig::Configuration built = configurationOf(input);
    const qvconfig::Configuration shipped = qvconfig::shippedConfiguration();
    const std::string_view comment = input.substr(0, std::min<std::size_t>(input.size(), 40));
    const std::vector<qvconfig::Change> differences = qvconfig::changesBetween(shipped, built);
    for (const qvconfig::Change& c : differences) {
        const auto was = shipped.find(c.value->id);
        check(c.set ? (was == shipped.end() || was->second != c.text)
                    : (was != shipped.end() && built.count(c.value->id) == 0),
              "export lists a value that does not differ");
    }
    checkExport(comment, differences, shipped, built);
    const std::vector<qvconfig::Change> whole = qvconfig::wholeConfiguration(built);
    check(whole.size() == static_cast<std::size_t>(cfg::kValueCount),
          "export --all does not list every value");
    checkExport(comment, whole, shipped, built);
    checkExport(comment, whole, {}, built);
}

void checkSetFileText(const std::string& content) {
    const std::string text = qvconfig::valueTextOfFile(content);
    check(text == qvconfig::valueTextOfFile(content), "set-file text not deterministic");
    check(startsWith(content, text), "the set-file text is not the content's beginning");
    check(content.find_first_not_of("\r\n", text.size()) == std::string::npos,
          "the set-file text dropped more than line ends");
    check(text.empty() || (text.back() != '\n' && text.back() != '\r'),
          "the set-file text ends with a line end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    checkChangeFile(content);
    checkSetFileText(content);
    checkExportThenApply(content);
    return 0;
}
