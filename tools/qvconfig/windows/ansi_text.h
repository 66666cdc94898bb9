// Command-line words in the system's ANSI code page, the code page the launcher reads its
// configuration in.
#ifndef QVCONFIG_ANSI_TEXT_H
#define QVCONFIG_ANSI_TEXT_H

#include <string>

namespace qvconfig {

// `word` in the ANSI code page. False when it holds a character that the code page cannot hold
// exactly (no replacement by "?" and no best-fit look-alike); `text` is then untouched.
[[nodiscard]] bool toAnsi(const std::wstring& word, std::string& text);

// The number of the system's ANSI code page, for messages.
unsigned ansiCodePage();

}  // namespace qvconfig

#endif  // QVCONFIG_ANSI_TEXT_H
