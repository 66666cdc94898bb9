// Texts of the tool's messages and listings: formatted appending, and bytes shown printable.
#ifndef QVCONFIG_MESSAGE_TEXT_H
#define QVCONFIG_MESSAGE_TEXT_H

#include <string>
#include <string_view>

// The formats are checked as the C runtime reads them (mingw's gnu_printf; clang knows only
// printf).
#if defined(__clang__)
#define QVCONFIG_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define QVCONFIG_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#endif

namespace qvconfig {

// Appends the formatted text to `out`, whole.
void appendf(std::string& out, const char* format, ...) QVCONFIG_PRINTF_FORMAT(2, 3);

// A text for a listing: control bytes shown as \t or \xNN.
std::string printable(std::string_view text);

}  // namespace qvconfig

#endif  // QVCONFIG_MESSAGE_TEXT_H
