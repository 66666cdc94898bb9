// The simulator's clock: the time on which event logs grow, and the waiting of delayed calls.
// The library runs on the steady clock; a test can put its own clock in place, so that time
// passes only when the test says so.
#ifndef DEVICESDK5_SIM_CLOCK_H
#define DEVICESDK5_SIM_CLOCK_H

#include <cstdint>

namespace dsdk_sim {

class Clock {
  public:
    virtual ~Clock() = default;
    // Microseconds since an arbitrary start that stays the same while the clock is in use.
    virtual int64_t now_us() = 0;
    // Waits microseconds (called outside the simulator's lock, possibly from several threads).
    virtual void sleep_us(int64_t microseconds) = 0;
};

// The clock in use.
Clock& current_clock();
// Puts clock in place of the steady clock (null puts the steady clock back). The caller keeps it
// alive while it is in place.
void use_clock(Clock* clock);

}  // namespace dsdk_sim

#endif
