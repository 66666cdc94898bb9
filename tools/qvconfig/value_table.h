// The configuration values of QuorvexService as the tool knows them (from launch-values.txt).
#ifndef QVCONFIG_VALUE_TABLE_H
#define QVCONFIG_VALUE_TABLE_H

#include <string>
#include <string_view>

#include "quorvex/launch_config.h"

namespace qvconfig {

using quorvex::launch_config::Kind;
using quorvex::launch_config::Value;

// Resource type, language and terminator of a configuration value.
inline constexpr unsigned kRcDataType = 10;         // RT_RCDATA
inline constexpr unsigned kValueLanguage = 0x0400;  // LANG_NEUTRAL, SUBLANG_DEFAULT

// The value with this ID, or null.
const Value* findValue(int id);

// The value named by `key`: its decimal ID or its name. Null when there is none.
const Value* lookupValue(std::string_view key);

const char* kindName(Kind kind);

// Why a text cannot be stored as the value, or empty when it can.
std::string refusal(const Value& value, std::string_view text);

// A note for a text that the launcher will read differently than its look suggests (a boolean
// that is not exactly "true" or "false", an integer that is not a plain decimal number), or empty.
std::string readingNote(const Value& value, std::string_view text);

}  // namespace qvconfig

#endif  // QVCONFIG_VALUE_TABLE_H
