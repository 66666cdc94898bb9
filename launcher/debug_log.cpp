#include "debug_log.h"

#include "format.h"

#include <cstdio>

namespace qv {

std::string formatTextV(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatTextV(format, args);
    va_end(args);
    return text;
}

void DebugLog::open(std::unique_ptr<LogStream> stream, bool debugAll) {
    stream_ = std::move(stream);
    debugAll_ = debugAll;
}

void DebugLog::close() {
    stream_.reset();
    debugAll_ = false;
}

void DebugLog::write(std::string_view text) {
    if (stream_) {
        stream_->write(text);
    }
}

void DebugLog::print(const char* format, ...) {
    if (!stream_) {
        return;
    }
    va_list args;
    va_start(args, format);
    stream_->write(formatTextV(format, args));
    va_end(args);
}

void DebugLog::printAll(const char* format, ...) {
    if (!debugAll()) {
        return;
    }
    va_list args;
    va_start(args, format);
    stream_->write(formatTextV(format, args));
    va_end(args);
}

}  // namespace qv
