// Template data that scans hand out: each allocation is owned here until dsdk_free_biometric
// gives it back or the simulator is reset. An allocation is tied to the record array and the
// record index it was attached to; the array address is only a tag and is never dereferenced.
#ifndef DEVICESDK5_SIM_TEMPLATE_STORE_H
#define DEVICESDK5_SIM_TEMPLATE_STORE_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "devicesdk5.h"

namespace dsdk_sim {

class TemplateStore {
  public:
    // A copy of size bytes (zeros where bytes is null), attached to record index of array.
    uint8_t* allocate(const void* bytes, size_t size, const dsdk_template* array, int32_t index);
    // Frees the data of records 0 to capacity - 1 of array that this store attached there and
    // has not freed yet; every other pointer value in the records is left alone.
    void release_records(const dsdk_template* array, int32_t capacity);
    size_t outstanding() const { return allocations_.size(); }
    void clear() { allocations_.clear(); }

  private:
    struct Allocation {
        std::unique_ptr<uint8_t[]> bytes;
        uintptr_t array;
        int32_t index;
    };
    std::map<uintptr_t, Allocation> allocations_;
};

}  // namespace dsdk_sim

#endif
