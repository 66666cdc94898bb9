#include "template_store.h"

#include <cstddef>
#include <cstring>
#include <utility>

namespace dsdk_sim {

uint8_t* TemplateStore::allocate(const void* bytes, size_t size, const dsdk_template* array,
                                 int32_t index) {
    // One byte at least, so that every allocation has its own address.
    auto data = std::make_unique<uint8_t[]>(size == 0 ? 1 : size);
    if (bytes != nullptr && size != 0) {
        std::memcpy(data.get(), bytes, size);
    }
    uint8_t* address = data.get();
    allocations_[reinterpret_cast<uintptr_t>(address)] =
        Allocation{std::move(data), reinterpret_cast<uintptr_t>(array), index};
    return address;
}

void TemplateStore::release_records(const dsdk_template* array, int32_t capacity) {
    if (array == nullptr) {
        return;
    }
    const auto* base = reinterpret_cast<const unsigned char*>(array);
    for (int32_t i = 0; i < capacity; ++i) {
        // The records beyond the scan's count may hold anything: read the pointer as bytes.
        uintptr_t data = 0;
        std::memcpy(
            &data,
            base + static_cast<size_t>(i) * sizeof(dsdk_template) + offsetof(dsdk_template, data),
            sizeof data);
        auto found = allocations_.find(data);
        if (found != allocations_.end() &&
            found->second.array == reinterpret_cast<uintptr_t>(array) && found->second.index == i) {
            allocations_.erase(found);
        }
    }
}

}  // namespace dsdk_sim
