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

void DebugLog::emit(std::string_view text, bool toStream, bool decision) {
    if (decision && record_ != nullptr) {
        record_->append(text);
    }
    if (!toStream || !stream_) {
        return;
    }
    stream_->write(text);
    // Each finished line reaches the file at once: the log can be read while the service runs,
    // survives a crash, and the lines of two instances do not wait for their buffers.
    if (text.find('\n') != std::string_view::npos) {
        stream_->flush();
    }
}

void DebugLog::print(const char* format, ...) {
    if (!stream_ && record_ == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    const std::string line = formatTextV(format, args);
    va_end(args);
    emit(line, true, true);
}

void DebugLog::printAllDecision(const char* format, ...) {
    if (!debugAll() && record_ == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    const std::string line = formatTextV(format, args);
    va_end(args);
    emit(line, debugAll(), true);
}

void DebugLog::printAll(const char* format, ...) {
    if (!debugAll()) {
        return;
    }
    va_list args;
    va_start(args, format);
    const std::string line = formatTextV(format, args);
    va_end(args);
    emit(line, true, false);
}

void DebugLog::printHeader(const char* format, ...) {
    if (!stream_) {
        return;
    }
    va_list args;
    va_start(args, format);
    const std::string line = formatTextV(format, args);
    va_end(args);
    emit(line, true, false);
}

}  // namespace qv
