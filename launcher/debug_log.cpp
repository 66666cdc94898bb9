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

void DebugLog::emit(std::string_view text, bool toStream) {
    if (capture_ != nullptr) {
        capture_->append(text);
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

void DebugLog::write(std::string_view text) {
    emit(text, true);
}

void DebugLog::print(const char* format, ...) {
    if (!stream_ && capture_ == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    const std::string line = formatTextV(format, args);
    va_end(args);
    emit(line, true);
}

void DebugLog::printAll(const char* format, ...) {
    if (!debugAll() && capture_ == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    const std::string line = formatTextV(format, args);
    va_end(args);
    emit(line, debugAll());
}

}  // namespace qv
