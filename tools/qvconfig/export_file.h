// The file 'qvconfig export' writes: an apply file that makes a configuration again.
#ifndef QVCONFIG_EXPORT_FILE_H
#define QVCONFIG_EXPORT_FILE_H

#include <string>
#include <string_view>
#include <vector>

#include "change_file.h"

namespace qvconfig {

// The apply file of `changes`: the comment (its control bytes shown printable, so that it stays
// one line) after "# ", then one line a change (changeLine), each ending with CR LF. parseChanges
// reads it back as exactly `changes`.
std::string exportText(std::string_view comment, const std::vector<Change>& changes);

}  // namespace qvconfig

#endif  // QVCONFIG_EXPORT_FILE_H
