// The relay of the service's standard output and standard error into its output log: one thread
// reads the pipe the standard handles write into and queues what it reads, another writes the
// queue to the log. A slow or full disk holds up only the writing thread: the pipe keeps being
// read, and what the queue cannot take is dropped and counted (the log then says how much).
#ifndef QV_LAUNCHER_OUTPUT_RELAY_H
#define QV_LAUNCHER_OUTPUT_RELAY_H

#include "os.h"
#include "output_log.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace qv {

// The pipe's own buffer, one read, and the most the queue holds before output is dropped.
inline constexpr std::size_t kOutputPipeBytes = 64 * 1024;
inline constexpr std::size_t kOutputReadBytes = 4096;
inline constexpr std::size_t kOutputQueueBytes = 1024 * 1024;
// How long the end of the service waits for the output written so far to reach the log, and how
// often it looks.
inline constexpr std::chrono::milliseconds kOutputDrainLimit{2000};
inline constexpr std::chrono::milliseconds kOutputDrainPoll{10};

class OutputRelay {
  public:
    // Starts both threads; `firstLine` is the first thing written.
    OutputRelay(std::unique_ptr<OutputPipe> pipe, std::unique_ptr<OutputLog> log,
                std::string firstLine);
    // Closes the pipe's write end, and joins both threads once everything read is written.
    ~OutputRelay();
    OutputRelay(const OutputRelay&) = delete;
    OutputRelay& operator=(const OutputRelay&) = delete;

    // Waits until what was written to the standard handles so far is in the log (or lost), at
    // most `limit`.
    void drain(std::chrono::milliseconds limit = kOutputDrainLimit);

  private:
    void readLoop();
    void writeLoop();
    // Nothing unread in the pipe, queued or being written.
    bool idle();

    std::unique_ptr<OutputPipe> pipe_;
    std::unique_ptr<OutputLog> log_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string queue_;
    std::uint64_t dropped_ = 0;
    bool writing_ = false;
    bool readerDone_ = false;
    std::thread reader_;
    std::thread writer_;
};

}  // namespace qv

#endif  // QV_LAUNCHER_OUTPUT_RELAY_H
