// The apply file: the changes that 'qvconfig apply' makes, one a line.
#ifndef QVCONFIG_CHANGE_FILE_H
#define QVCONFIG_CHANGE_FILE_H

#include <string>
#include <vector>

#include "value_table.h"

namespace qvconfig {

// One line of an apply file: store `text` as the value, or remove the value.
struct Change {
    const Value* value;
    bool set;
    std::string text;  // set: a text the value accepts; remove: empty
};

// The changes of an apply file, read from its `content`: "set VALUE TEXT" (the text is the rest
// of the line after one blank, tabs included), "set-escaped VALUE TEXT" (the same with the
// escapes of escaped_text.h, for texts with line ends and other control bytes) or
// "remove VALUE", one a line, in the file's order; lines end with LF or CR LF; empty lines and
// lines starting with "#" are skipped. kExitOk with the changes in `changes` (replacing what it
// held), or kExitRefused after a message naming `file` and the first line that cannot be made;
// `changes` is then untouched.
[[nodiscard]] int parseChanges(const std::string& file, const std::string& content,
                               std::vector<Change>& changes, std::string& err);

// The apply-file line (without its line end) that makes `change`, the value named by its name:
// "set" when that carries the text byte for byte, otherwise "set-escaped"; or "remove".
std::string changeLine(const Change& change);

}  // namespace qvconfig

#endif  // QVCONFIG_CHANGE_FILE_H
