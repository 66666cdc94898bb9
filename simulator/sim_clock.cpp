#include "sim_clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace dsdk_sim {

namespace {

class SteadyClock final : public Clock {
  public:
    int64_t now_us() override {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void sleep_us(int64_t microseconds) override {
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
    }
};

SteadyClock steady_clock;
std::atomic<Clock*> current{&steady_clock};

}  // namespace

Clock& current_clock() {
    return *current.load();
}

void use_clock(Clock* clock) {
    current.store(clock != nullptr ? clock : &steady_clock);
}

}  // namespace dsdk_sim
