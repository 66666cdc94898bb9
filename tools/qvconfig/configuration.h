// A configuration as a whole: the text of every configuration value an executable carries, and
// what one build ships.
#ifndef QVCONFIG_CONFIGURATION_H
#define QVCONFIG_CONFIGURATION_H

#include <map>
#include <string>
#include <vector>

#include "change_file.h"

namespace qvconfig {

// The carried configuration values by ID, each with its text (the bytes before its NUL); a value
// that is not carried is not in the map.
using Configuration = std::map<int, std::string>;

// What this build ships: the shipped texts of the generated value table.
Configuration shippedConfiguration();

// Makes the changes on `configuration`, in order.
void applyChanges(Configuration& configuration, const std::vector<Change>& changes);

// The changes that turn `from` into `to`, in the order of the value table: "set" for a value
// that `to` carries with another text or that `from` lacks, "remove" for one only `from`
// carries. Values outside the table are not looked at.
std::vector<Change> changesBetween(const Configuration& from, const Configuration& to);

// Every value of the table: "set" with its text when `configuration` carries it, "remove" when
// not, so that the changes give exactly `configuration` whatever they are applied to.
std::vector<Change> wholeConfiguration(const Configuration& configuration);

}  // namespace qvconfig

#endif  // QVCONFIG_CONFIGURATION_H
