#include "profile.h"

#include <cstring>

namespace dsdk_sim {

namespace {

// Writes the low width bytes of value into the field (little-endian record, any host).
void set_field(dsdk_log_record& record, const LogField& field, uint64_t value) {
    unsigned char* at = reinterpret_cast<unsigned char*>(&record) + field.offset;
    switch (field.width) {
        case 1: {
            const auto cut = static_cast<uint8_t>(value);
            std::memcpy(at, &cut, sizeof cut);
            break;
        }
        case 2: {
            const auto cut = static_cast<uint16_t>(value);
            std::memcpy(at, &cut, sizeof cut);
            break;
        }
        default: {
            const auto cut = static_cast<uint32_t>(value);
            std::memcpy(at, &cut, sizeof cut);
            break;
        }
    }
}

uint64_t get_field(const dsdk_log_record& record, const LogField& field) {
    const unsigned char* at = reinterpret_cast<const unsigned char*>(&record) + field.offset;
    switch (field.width) {
        case 1: {
            uint8_t value = 0;
            std::memcpy(&value, at, sizeof value);
            return value;
        }
        case 2: {
            uint16_t value = 0;
            std::memcpy(&value, at, sizeof value);
            return value;
        }
        default: {
            uint32_t value = 0;
            std::memcpy(&value, at, sizeof value);
            return value;
        }
    }
}

}  // namespace

dsdk_log_record LogGrowth::record(int64_t k) const {
    dsdk_log_record grown = first;
    for (size_t i = 0; i < kLogFieldCount; ++i) {
        // Unsigned arithmetic wraps, so the field keeps the low bits of first + k x step.
        const uint64_t value = get_field(first, kLogFields[i]) +
                               static_cast<uint64_t>(k) * static_cast<uint64_t>(steps[i]);
        set_field(grown, kLogFields[i], value);
    }
    grown.double1 = first.double1 + static_cast<double>(k) * reading_step;
    return grown;
}

int64_t LogGrowth::grown(int64_t elapsed_us) const {
    if (period_us <= 0 || elapsed_us < period_us) {
        return 0;
    }
    const int64_t records = elapsed_us / period_us;
    return limit && records > *limit ? *limit : records;
}

}  // namespace dsdk_sim
