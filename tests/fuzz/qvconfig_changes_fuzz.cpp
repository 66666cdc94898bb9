// qvconfig's reading of an apply file (change_file) and of the text of a set-file (text_file).
//
// The fuzz input is the content of the apply file, and also the content of a set-file's text
// file. Each call must hold:
//  - a file that reads gives exactly the changes its lines list, in order: a line ends with LF,
//    one CR before it is dropped; empty lines and lines starting with "#" are skipped;
//    "remove VALUE" takes the value out, "set VALUE TEXT" stores the rest of the line after the
//    blank behind VALUE (empty without that blank); every VALUE names a configuration value and
//    every text is one the value accepts;
//  - any other file fails at its first line that is none of these, with one message line that
//    names the file and that line, says why (the expected form; the VALUE that names no value,
//    whole, its control bytes shown as \t or \xNN; or the value's refusal of the text) and ends
//    with "nothing changed"; the changes the caller held are then untouched;
//  - the changes read, written back as an apply file (CR LF line ends), read the same;
//  - the set-file text is the content without the LF and CR bytes at its end, nothing else;
//  - the same input gives the same result twice.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "change_file.h"
#include "commands.h"
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
        qvconfig::Change change{nullptr, startsWith(line, "set "), {}};
        std::string_view key;
        if (change.set) {
            const std::string_view rest = line.substr(4);
            const std::size_t blank = rest.find(' ');
            key = rest.substr(0, blank);
            if (blank != std::string_view::npos)
                change.text = std::string(rest.substr(blank + 1));
        } else if (startsWith(line, "remove ")) {
            key = line.substr(7);
        }
        if (key.empty() || key.find(' ') != std::string_view::npos) {
            why = "expected 'set VALUE TEXT' or 'remove VALUE'";
        } else if ((change.value = qvconfig::lookupValue(key)) == nullptr) {
            why = "'" + shown(key) + "' is not a configuration value of QuorvexService";
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
        written += c.set ? "set " + std::string(c.value->name) + " " + c.text
                         : "remove " + std::to_string(c.value->id);
        written += "\r\n";
    }
    std::vector<qvconfig::Change> reread;
    std::string errReread;
    check(qvconfig::parseChanges(kFile, written, reread, errReread) == qvconfig::kExitOk &&
              errReread.empty() && same(reread, changes),
          "the changes written back do not read the same");
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
    return 0;
}
