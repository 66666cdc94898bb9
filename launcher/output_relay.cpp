#include "output_relay.h"

#include <array>
#include <utility>

namespace qv {

OutputRelay::OutputRelay(std::unique_ptr<OutputPipe> pipe, std::unique_ptr<OutputLog> log,
                         std::string firstLine)
    : pipe_(std::move(pipe)), log_(std::move(log)), queue_(std::move(firstLine)) {
    reader_ = std::thread([this] { readLoop(); });
    writer_ = std::thread([this] { writeLoop(); });
}

OutputRelay::~OutputRelay() {
    pipe_->closeWriteEnd();
    reader_.join();
    writer_.join();
}

void OutputRelay::readLoop() {
    std::array<char, kOutputReadBytes> buffer{};
    for (;;) {
        const std::size_t got = pipe_->read(buffer.data(), buffer.size());
        std::lock_guard<std::mutex> lock(mutex_);
        if (got == 0) {
            readerDone_ = true;
            changed_.notify_all();
            return;
        }
        if (queue_.size() + got > kOutputQueueBytes) {
            dropped_ += got;
        } else {
            queue_.append(buffer.data(), got);
        }
        changed_.notify_all();
    }
}

void OutputRelay::writeLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || dropped_ > 0 || readerDone_; });
        if (queue_.empty() && dropped_ == 0) {
            return;  // the reader is done and everything is written
        }
        std::string batch;
        batch.swap(queue_);
        const std::uint64_t dropped = std::exchange(dropped_, 0);
        writing_ = true;
        lock.unlock();
        log_->lose(dropped);
        (void)log_->write(batch);
        lock.lock();
        writing_ = false;
        changed_.notify_all();
    }
}

bool OutputRelay::idle() {
    if (pipe_->pending() > 0) {
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.empty() && !writing_;
}

void OutputRelay::drain(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // Idle at two looks in a row: bytes the reader has taken from the pipe but not yet queued
    // show at the second.
    int idleLooks = 0;
    while (idleLooks < 2 && std::chrono::steady_clock::now() < deadline) {
        idleLooks = idle() ? idleLooks + 1 : 0;
        if (idleLooks < 2) {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait_for(lock, kOutputDrainPoll);
        }
    }
}

}  // namespace qv
