#include "system_text.h"

#include <cstdio>

namespace qvconfig {
namespace {

// "Windows error 4294967295" and its NUL.
constexpr std::size_t kGenericTextCapacity = 64;

}  // namespace

std::string systemErrorText(FileSystem& files, std::uint32_t code, const std::string& insert) {
    std::string result;
    (void)files.systemText(code, insert, result);  // none: a generic text, below
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.')) {
        result.pop_back();
    }
    if (result.empty()) {
        char generic[kGenericTextCapacity];
        std::snprintf(generic, sizeof generic, "Windows error %lu",
                      static_cast<unsigned long>(code));
        result = generic;
    }
    return result;
}

}  // namespace qvconfig
