// The escaped texts of an apply file's "set-escaped" lines: any text a value may hold, written on
// one line.
#ifndef QVCONFIG_ESCAPED_TEXT_H
#define QVCONFIG_ESCAPED_TEXT_H

#include <string>
#include <string_view>

namespace qvconfig {

// `text` with every backslash written as \\, tab as \t, LF as \n, CR as \r and every other
// control byte (below 0x20, and 0x7F) as \xHH with upper-case digits; every other byte (also
// 0x80 to 0xFF) as it is. The result holds no line end.
std::string escapeText(std::string_view text);

// The text an escaped form stands for: the reverse of escapeText, which also takes lower-case
// hex digits. False when a backslash starts none of \\, \t, \n, \r and \xHH; `text` is then
// untouched.
[[nodiscard]] bool unescapeText(std::string_view escaped, std::string& text);

// True when a plain "set" line carries `text` byte for byte: it holds no control byte but tabs.
bool isPlainText(std::string_view text);

}  // namespace qvconfig

#endif  // QVCONFIG_ESCAPED_TEXT_H
