// printf-style formatting into a std::string, for log lines and messages.
#ifndef QV_LAUNCHER_FORMAT_H
#define QV_LAUNCHER_FORMAT_H

#include <cstdarg>
#include <string>

#if defined(__GNUC__)
#define QV_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define QV_PRINTF_FORMAT(fmt, args)
#endif

namespace qv {

std::string formatText(const char* format, ...) QV_PRINTF_FORMAT(1, 2);
std::string formatTextV(const char* format, va_list args);

}  // namespace qv

#endif  // QV_LAUNCHER_FORMAT_H
