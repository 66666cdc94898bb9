#include "debug_log.h"

#include <cstdarg>

namespace qv {

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
