// Writing an operation's outputs into the caller's buffers: the simulated terminal's answer or
// the scripted one, never beyond the room the caller gave, nothing at all when untouched.
#ifndef DEVICESDK5_SIM_OUTPUTS_H
#define DEVICESDK5_SIM_OUTPUTS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "sim_core.h"

namespace dsdk_sim {

// Bytes of count records of record_size, 0 for a negative count or a null buffer.
inline size_t room_bytes(const void* buffer, int64_t count, size_t record_size) {
    if (buffer == nullptr || count <= 0) {
        return 0;
    }
    const uint64_t bytes = static_cast<uint64_t>(count) * record_size;  // at most 2^31 x 2^16
    return static_cast<size_t>(std::min<uint64_t>(bytes, std::numeric_limits<size_t>::max()));
}

// memcpy of at most room bytes, also for an empty (possibly null) source.
inline void copy_cut(void* destination, const void* source, size_t size, size_t room) {
    const size_t length = std::min(size, room);
    if (length != 0) {
        std::memcpy(destination, source, length);
    }
}

// Text slot index: the scripted bytes cut to size (no NUL added), else the natural text cut to
// size - 1 bytes and NUL-terminated.
inline void put_text(const Script& script, int index, char* buffer, size_t size,
                     std::string_view natural) {
    if (script.untouched || buffer == nullptr || size == 0) {
        return;
    }
    const auto& scripted = script.texts[static_cast<size_t>(index)];
    if (scripted) {
        copy_cut(buffer, scripted->data(), scripted->size(), size);
        return;
    }
    const size_t length = std::min(natural.size(), size - 1);
    copy_cut(buffer, natural.data(), length, length);
    buffer[length] = '\0';
}

// Scalar slot index: the scripted value (cut to T), else the natural one if there is one.
template <typename T>
void put_value(const Script& script, int index, T* out, std::optional<T> natural) {
    if (script.untouched || out == nullptr) {
        return;
    }
    const auto& scripted = script.values[static_cast<size_t>(index)];
    if (scripted) {
        *out = static_cast<T>(*scripted);
    } else if (natural) {
        *out = *natural;
    }
}

// The scripted count, else the natural one.
inline void put_count(const Script& script, int32_t* out, int32_t natural) {
    if (script.untouched || out == nullptr) {
        return;
    }
    *out = script.count.value_or(natural);
}

// The scripted record bytes cut to room, else natural_size bytes of natural (within room).
inline void put_records(const Script& script, void* buffer, size_t room, const void* natural,
                        size_t natural_size) {
    if (script.untouched || buffer == nullptr) {
        return;
    }
    if (script.records) {
        copy_cut(buffer, script.records->data(), script.records->size(), room);
    } else if (natural != nullptr) {
        copy_cut(buffer, natural, natural_size, room);
    }
}

}  // namespace dsdk_sim

#endif
