#include "ansi_text.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <climits>

namespace qvconfig {

bool toAnsi(const std::wstring& word, std::string& text) {
    if (word.empty()) {
        text.clear();
        return true;
    }
    if (word.size() > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    const int length = static_cast<int>(word.size());
    BOOL replaced = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, word.data(), length, nullptr,
                                         0, nullptr, &replaced);
    if (size <= 0 || replaced) {
        return false;
    }
    std::string ansi(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, word.data(), length, ansi.data(), size,
                            nullptr, &replaced) != size ||
        replaced) {
        return false;
    }
    // The way back must give the same word: no character may have become another.
    std::wstring back(word.size(), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), size, back.data(), length) !=
            length ||
        back != word) {
        return false;
    }
    text = std::move(ansi);
    return true;
}

unsigned ansiCodePage() {
    return GetACP();
}

}  // namespace qvconfig
