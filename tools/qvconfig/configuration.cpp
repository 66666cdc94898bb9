#include "configuration.h"

namespace qvconfig {

Configuration shippedConfiguration() {
    Configuration shipped;
    for (const Value& v : quorvex::launch_config::kValues) {
        if (v.shipped) {
            shipped[v.id] = std::string(v.shippedText, static_cast<std::size_t>(v.shippedLength));
        }
    }
    return shipped;
}

void applyChanges(Configuration& configuration, const std::vector<Change>& changes) {
    for (const Change& c : changes) {
        if (c.set) {
            configuration[c.value->id] = c.text;
        } else {
            configuration.erase(c.value->id);
        }
    }
}

std::vector<Change> changesBetween(const Configuration& from, const Configuration& to) {
    std::vector<Change> changes;
    for (const Value& v : quorvex::launch_config::kValues) {
        const auto was = from.find(v.id);
        const auto is = to.find(v.id);
        if (is != to.end()) {
            if (was == from.end() || was->second != is->second) {
                changes.push_back(Change{&v, true, is->second});
            }
        } else if (was != from.end()) {
            changes.push_back(Change{&v, false, {}});
        }
    }
    return changes;
}

std::vector<Change> wholeConfiguration(const Configuration& configuration) {
    std::vector<Change> changes;
    for (const Value& v : quorvex::launch_config::kValues) {
        const auto carried = configuration.find(v.id);
        changes.push_back(carried != configuration.end() ? Change{&v, true, carried->second}
                                                         : Change{&v, false, {}});
    }
    return changes;
}

}  // namespace qvconfig
