// A resource of an executable as qvconfig reads and writes it: type, name, language and bytes.
#ifndef QVCONFIG_RESOURCE_H
#define QVCONFIG_RESOURCE_H

#include <cstdint>
#include <string>

namespace qvconfig {

// A resource type or name: an integer ID or a text name.
struct ResourceKey {
    bool isInteger = true;
    std::uint16_t id = 0;
    std::string text;

    static ResourceKey integer(std::uint16_t value) { return ResourceKey{true, value, {}}; }
    bool operator==(const ResourceKey& other) const {
        return isInteger == other.isInteger && (isInteger ? id == other.id : text == other.text);
    }
};

struct Resource {
    ResourceKey type;
    ResourceKey name;
    std::uint16_t language = 0;
    std::string bytes;
};

}  // namespace qvconfig

#endif  // QVCONFIG_RESOURCE_H
