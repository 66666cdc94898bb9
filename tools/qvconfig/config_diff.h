// 'qvconfig diff': where two configurations differ, one line a value.
#ifndef QVCONFIG_CONFIG_DIFF_H
#define QVCONFIG_CONFIG_DIFF_H

#include <string>

#include "configuration.h"

namespace qvconfig {

// One line for each value of the table whose text (or presence) differs between `a` and `b`, in
// the table's order: ID, name, then A's side, " -> ", B's side. A side is "(not set)" or the
// text in double quotes, its control bytes shown printable; a long text is shown around its
// first difference, with "..." where it is cut. Empty when the two carry the same configuration.
std::string differenceLines(const Configuration& a, const Configuration& b);

}  // namespace qvconfig

#endif  // QVCONFIG_CONFIG_DIFF_H
