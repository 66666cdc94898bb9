// Windows paths in fixed texts: joining an element to a directory, telling an absolute path.
#ifndef QV_LAUNCHER_PATHS_H
#define QV_LAUNCHER_PATHS_H

#include "fixed_text.h"

#include <string_view>

namespace qv {

// Appends a backslash unless the text already ends with one, then the element. All or nothing:
// false (text unchanged) when the result does not fit.
[[nodiscard]] bool joinPath(TextBuffer& text, std::string_view element);

// A path that starts at a root: "\..." or a drive ("C:...").
bool isAbsolutePath(std::string_view path);

}  // namespace qv

#endif  // QV_LAUNCHER_PATHS_H
