#include "debug_log.h"

#include <cstdarg>

namespace qv {

void DebugLog::open(std::unique_ptr<LogStream> stream, bool debugAll) {
    std::lock_guard<std::mutex> lock(mutex_);
    stream_ = std::move(stream);
    debugAll_ = debugAll;
}

void DebugLog::close() {
    std::unique_ptr<LogStream> closing;
    std::lock_guard<std::mutex> lock(mutex_);
    closing = std::move(stream_);
    debugAll_ = false;
}

void DebugLog::emit(std::string_view text, bool toStream, bool decision) {
    std::lock_guard<std::mutex> lock(mutex_);
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

void DebugLog::emitFormatted(bool toStream, bool decision, const char* format, va_list args) {
    if (!(toStream && isOpen()) && !(decision && record_ != nullptr)) {
        return;  // nobody takes the line: it is not even formatted
    }
    emit(formatTextV(format, args), toStream, decision);
}

void DebugLog::print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emitFormatted(true, true, format, args);
    va_end(args);
}

void DebugLog::printAllDecision(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emitFormatted(debugAll(), true, format, args);
    va_end(args);
}

void DebugLog::printAll(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emitFormatted(debugAll(), false, format, args);
    va_end(args);
}

void DebugLog::printHeader(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emitFormatted(true, false, format, args);
    va_end(args);
}

}  // namespace qv
