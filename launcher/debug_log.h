// The debug log stream and its level.
#ifndef QV_LAUNCHER_DEBUG_LOG_H
#define QV_LAUNCHER_DEBUG_LOG_H

#include "format.h"
#include "os.h"

#include <cstdarg>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace qv {

// Written only while open; every line ends with "\n" (the stream makes CR LF of it on Windows).
// A closed log takes no further lines, and closing it again does nothing. A service writes from
// several threads (its stop, its watch and the JVM's exit hook): opening, closing and each
// write hold one lock.
//
// A line is a decision of the start (print, and printAllDecision for the few that the log shows
// only at the debug-all level), a step of the verbose level (printAll: configuration reads,
// search functions), or the header of a block (printHeader). The decisions can be recorded as
// well as logged: the check command shows them.
class DebugLog {
  public:
    bool isOpen() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return stream_ != nullptr;
    }
    // The verbose level: only meaningful while the log is open.
    bool debugAll() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return stream_ != nullptr && debugAll_;
    }

    void open(std::unique_ptr<LogStream> stream, bool debugAll);
    void close();

    // While `sink` is set, every decision is also appended to it, whether the log is open or
    // not. Null ends it.
    void recordInto(std::string* sink) { record_ = sink; }

    // A decision: a formatted line (or part of one), written while the log is open.
    void print(const char* format, ...) QV_PRINTF_FORMAT(2, 3);
    // A decision that the log shows only at the debug-all level.
    void printAllDecision(const char* format, ...) QV_PRINTF_FORMAT(2, 3);
    // A step of the verbose level, written only at the debug-all level; never recorded.
    void printAll(const char* format, ...) QV_PRINTF_FORMAT(2, 3);
    // The header of a block of the log; never recorded.
    void printHeader(const char* format, ...) QV_PRINTF_FORMAT(2, 3);

  private:
    void emit(std::string_view text, bool toStream, bool decision);
    void emitFormatted(bool toStream, bool decision, const char* format, va_list args);

    mutable std::mutex mutex_;
    std::unique_ptr<LogStream> stream_;
    std::string* record_ = nullptr;
    bool debugAll_ = false;
};

}  // namespace qv

#endif  // QV_LAUNCHER_DEBUG_LOG_H
