#include "scenario.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "json_document.h"
#include "sim_status.h"
#include "terminals.h"

namespace dsdk_sim {

namespace {

using nlohmann::json;

constexpr size_t kMaxTerminals = kMaxInstances;  // a site larger than this is not simulated
constexpr int64_t kMaxDelayMs = 600000;          // ten minutes
constexpr double kMinPeriodSeconds = 0.001;
constexpr double kMaxPeriodSeconds = 86400;
constexpr int64_t kMicrosecondsPerMs = 1000;
constexpr double kMicrosecondsPerSecond = 1e6;
constexpr size_t kMaxCaptures = kMaxTemplatesPerUser;
constexpr size_t kMaxLogRecords = 1000000;
constexpr size_t kFirmwareBytes = DSDK_FIRMWARE_VERSION_SIZE - 1;
constexpr size_t kNetworkTextBytes = DSDK_NETWORK_TEXT_SIZE - 1;
constexpr size_t kSearchText1Bytes = DSDK_DEVICE_TEXT1_SIZE - 1;
constexpr size_t kSearchText2Bytes = DSDK_DEVICE_TEXT2_SIZE - 1;
constexpr size_t kUserNameBytes = DSDK_USER_NAME_SIZE;  // a full field has no NUL, as the SDK's
constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kUint16Max = std::numeric_limits<uint16_t>::max();
constexpr int64_t kInt16Min = std::numeric_limits<int16_t>::min();
constexpr int64_t kUint8Max = std::numeric_limits<uint8_t>::max();
constexpr int64_t kUint32Max = std::numeric_limits<uint32_t>::max();
constexpr int32_t kDefaultSearchType = 1;
constexpr size_t kAnyLength = std::numeric_limits<size_t>::max();  // texts that are not used

using Keys = std::vector<std::string>;

const json* member(const json& object, const char* key) {
    auto found = object.find(key);
    return found != object.end() ? &*found : nullptr;
}

std::string join(const Keys& keys) {
    std::string joined;
    for (const std::string& key : keys) {
        joined += (joined.empty() ? "" : ", ") + key;
    }
    return joined;
}

std::string where(const std::string& path) {
    return path.empty() ? "the top level" : path;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Checks the document's values against what a scenario allows; the first fault found is kept and
// every later check is skipped.
class Checker {
  public:
    Checker(const JsonDocument& document, std::string file)
        : document_(document), file_(std::move(file)) {}

    bool failed() const { return fault_.has_value(); }
    ScenarioFault fault() const { return ScenarioFault{fault_.value_or(std::string())}; }

    void fail_at(FilePosition at, const std::string& path, const std::string& what) {
        if (!fault_) {
            fault_ = file_ + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) +
                     ": " + where(path) + ": " + what;
        }
    }
    void fail(const std::string& path, const std::string& what) {
        fail_at(document_.value_at(path), path, what);
    }

    // value is an object whose keys are all allowed.
    bool object(const json& value, const std::string& path, const Keys& allowed) {
        if (failed()) {
            return false;
        }
        if (!value.is_object()) {
            fail(path, "expected an object");
            return false;
        }
        for (auto item = value.begin(); item != value.end(); ++item) {
            bool known = false;
            for (const std::string& key : allowed) {
                known = known || key == item.key();
            }
            if (!known) {
                fail_at(document_.key_at(member_path(path, item.key())), path,
                        "unknown key \"" + item.key() + "\"; expected one of: " + join(allowed));
                return false;
            }
        }
        return true;
    }

    bool array(const json& value, const std::string& path, size_t max_elements) {
        if (failed()) {
            return false;
        }
        if (!value.is_array() || value.size() > max_elements) {
            fail(path, "expected a list of at most " + std::to_string(max_elements) + " entries");
            return false;
        }
        return true;
    }

    std::optional<int64_t> integer(const json& value, const std::string& path, int64_t min,
                                   int64_t max) {
        if (failed()) {
            return std::nullopt;
        }
        // Both kinds of integer the parser gives: unsigned for those at or above zero.
        const bool fits =
            value.is_number_integer() &&
            (value.is_number_unsigned()
                 ? value.get<uint64_t>() <= static_cast<uint64_t>(max) &&
                       (min <= 0 || value.get<uint64_t>() >= static_cast<uint64_t>(min))
                 : value.get<int64_t>() >= min && value.get<int64_t>() <= max);
        if (!fits) {
            fail(path,
                 "expected an integer from " + std::to_string(min) + " to " + std::to_string(max));
            return std::nullopt;
        }
        return value.get<int64_t>();
    }

    std::optional<double> number(const json& value, const std::string& path, double min,
                                 double max) {
        if (failed()) {
            return std::nullopt;
        }
        if (!value.is_number() || !(value.get<double>() >= min && value.get<double>() <= max)) {
            std::ostringstream what;
            what << "expected a number";
            if (min > std::numeric_limits<double>::lowest() ||
                max < std::numeric_limits<double>::max()) {
                what << " from " << min << " to " << max;
            }
            fail(path, what.str());
            return std::nullopt;
        }
        return value.get<double>();
    }

    std::optional<std::string> text(const json& value, const std::string& path, size_t max_bytes) {
        if (failed()) {
            return std::nullopt;
        }
        if (!value.is_string() || value.get_ref<const std::string&>().size() > max_bytes) {
            fail(path, max_bytes == kAnyLength
                           ? std::string("expected a text")
                           : "expected a text of at most " + std::to_string(max_bytes) + " bytes");
            return std::nullopt;
        }
        const std::string& found = value.get_ref<const std::string&>();
        if (found.find('\0') != std::string::npos) {
            fail(path, "expected a text without NUL characters");
            return std::nullopt;
        }
        return found;
    }

    std::optional<std::vector<uint8_t>> hex(const json& value, const std::string& path,
                                            size_t max_bytes) {
        if (failed()) {
            return std::nullopt;
        }
        const std::string what =
            "expected bytes in hexadecimal (pairs of the digits 0-9, a-f), "
            "at most " +
            std::to_string(max_bytes) + " bytes";
        if (!value.is_string()) {
            fail(path, what);
            return std::nullopt;
        }
        const std::string& digits = value.get_ref<const std::string&>();
        if (digits.size() % 2 != 0 || digits.size() / 2 > max_bytes) {
            fail(path, what);
            return std::nullopt;
        }
        std::vector<uint8_t> bytes;
        bytes.reserve(digits.size() / 2);
        for (size_t i = 0; i < digits.size(); i += 2) {
            const int high = hex_digit(digits[i]);
            const int low = hex_digit(digits[i + 1]);
            if (high < 0 || low < 0) {
                fail(path, what);
                return std::nullopt;
            }
            bytes.push_back(static_cast<uint8_t>(high * 16 + low));
        }
        return bytes;
    }

    // Reads the optional integer member key of object into out.
    template <typename T>
    void integer_member(const json& object, const std::string& path, const char* key, int64_t min,
                        int64_t max, T& out) {
        const json* value = member(object, key);
        if (value == nullptr) {
            return;
        }
        if (auto read = integer(*value, member_path(path, key), min, max)) {
            out = static_cast<T>(*read);
        }
    }

    void text_member(const json& object, const std::string& path, const char* key, size_t max_bytes,
                     std::string& out) {
        const json* value = member(object, key);
        if (value == nullptr) {
            return;
        }
        if (auto read = text(*value, member_path(path, key), max_bytes)) {
            out = std::move(*read);
        }
    }

    // A key that must be there.
    const json* required(const json& object, const std::string& path, const char* key) {
        const json* value = member(object, key);
        if (value == nullptr) {
            fail(path, std::string("expected the key \"") + key + "\"");
        }
        return value;
    }

  private:
    const JsonDocument& document_;
    std::string file_;
    std::optional<std::string> fault_;
};

template <size_t N>
void set_field(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N));
}

class ScenarioReader {
  public:
    ScenarioReader(const JsonDocument& document, std::string file)
        : document_(document), check_(document, std::move(file)) {}

    std::variant<Scenario, ScenarioFault> read() {
        Scenario scenario;
        const json& root = document_.root;
        if (check_.object(root, "", {"description", "terminals", "behaviour"})) {
            description(root, "");
            if (const json* terminals = check_.required(root, "", "terminals")) {
                read_terminals(*terminals, "terminals", scenario.terminals);
            }
            if (const json* rules = member(root, "behaviour")) {
                read_rules(*rules, "behaviour", false, scenario.rules);
            }
        }
        if (check_.failed()) {
            return check_.fault();
        }
        return scenario;
    }

  private:
    void description(const json& object, const std::string& path) {
        if (const json* value = member(object, "description")) {
            check_.text(*value, member_path(path, "description"), kAnyLength);
        }
    }

    void read_terminals(const json& list, const std::string& path,
                        std::vector<TerminalProfile>& terminals) {
        if (!check_.array(list, path, kMaxTerminals)) {
            return;
        }
        if (list.empty()) {
            check_.fail(path, "expected a list of at least one terminal");
            return;
        }
        for (size_t i = 0; i < list.size() && !check_.failed(); ++i) {
            read_terminal(list[i], element_path(path, i), terminals);
        }
    }

    void read_terminal(const json& object, const std::string& path,
                       std::vector<TerminalProfile>& terminals) {
        if (!check_.object(object, path,
                           {"description", "device", "search", "serial", "card", "firmware",
                            "network", "parameters", "users", "max_users", "scan", "logs",
                            "log_cache", "log_growth", "behaviour", "offline"})) {
            return;
        }
        description(object, path);
        const json* device = check_.required(object, path, "device");
        if (device == nullptr) {
            return;
        }
        const std::string device_path = member_path(path, "device");
        const std::optional<int64_t> number =
            check_.integer(*device, device_path, kInt32Min, kInt32Max);
        if (!number) {
            return;
        }
        for (size_t i = 0; i < terminals.size(); ++i) {
            if (terminals[i].device == *number) {
                check_.fail(device_path, "the device number " + std::to_string(*number) +
                                             " is already used by " + element_path("terminals", i));
                return;
            }
        }
        TerminalProfile profile = default_profile(static_cast<int32_t>(*number));
        check_.integer_member(object, path, "serial", kInt32Min, kInt32Max, profile.serial);
        check_.integer_member(object, path, "card", kInt32Min, kInt32Max, profile.card);
        check_.text_member(object, path, "firmware", kFirmwareBytes, profile.firmware);
        if (const json* network = member(object, "network")) {
            read_network(*network, member_path(path, "network"), profile.network);
        }
        read_search(object, path, profile);
        if (const json* parameters = member(object, "parameters")) {
            read_parameters(*parameters, member_path(path, "parameters"), profile.parameters);
        }
        check_.integer_member(object, path, "max_users", 0,
                              static_cast<int64_t>(kMaxUsersPerDevice), profile.max_users);
        if (const json* users = member(object, "users")) {
            read_users(*users, member_path(path, "users"), profile);
        }
        if (const json* scan = member(object, "scan")) {
            read_scan(*scan, member_path(path, "scan"), profile.scan);
        }
        if (const json* logs = member(object, "logs")) {
            read_logs(*logs, member_path(path, "logs"), profile.logs);
        }
        if (const json* cache = member(object, "log_cache")) {
            read_logs(*cache, member_path(path, "log_cache"), profile.log_cache);
        }
        if (const json* growth = member(object, "log_growth")) {
            profile.growth.emplace();
            read_growth(*growth, member_path(path, "log_growth"), *profile.growth);
        }
        if (const json* rules = member(object, "behaviour")) {
            read_rules(*rules, member_path(path, "behaviour"), true, profile.rules);
        }
        if (const json* offline = member(object, "offline")) {
            profile.offline.emplace();
            read_offline(*offline, member_path(path, "offline"), *profile.offline);
        }
        terminals.push_back(std::move(profile));
    }

    void read_network(const json& object, const std::string& path, NetworkConfig& network) {
        if (!check_.object(object, path, {"address", "port", "mask", "gateway", "hardware"})) {
            return;
        }
        check_.text_member(object, path, "address", kNetworkTextBytes, network.address);
        check_.integer_member(object, path, "port", 0, kUint16Max, network.port);
        check_.text_member(object, path, "mask", kNetworkTextBytes, network.mask);
        check_.text_member(object, path, "gateway", kNetworkTextBytes, network.gateway);
        check_.text_member(object, path, "hardware", kNetworkTextBytes, network.hardware);
    }

    // What the search reports: given fields, else type 1, the network address, the serial
    // number as text and the network port.
    void read_search(const json& terminal, const std::string& terminal_path,
                     TerminalProfile& profile) {
        int32_t type = kDefaultSearchType;
        std::string text1 = profile.network.address;
        std::string text2 = std::to_string(profile.serial);
        int64_t short1 = profile.network.port;
        if (const json* search = member(terminal, "search")) {
            const std::string path = member_path(terminal_path, "search");
            if (!check_.object(*search, path, {"type", "text1", "text2", "short1"})) {
                return;
            }
            check_.integer_member(*search, path, "type", kInt32Min, kInt32Max, type);
            check_.text_member(*search, path, "text1", kSearchText1Bytes, text1);
            check_.text_member(*search, path, "text2", kSearchText2Bytes, text2);
            check_.integer_member(*search, path, "short1", kInt16Min, kUint16Max, short1);
        }
        profile.search = dsdk_device{};
        profile.search.type = type;
        profile.search.int1 = profile.device;
        set_field(profile.search.text1, text1);
        set_field(profile.search.text2, text2);
        profile.search.short1 = static_cast<int16_t>(static_cast<uint16_t>(short1));
    }

    void read_parameters(const json& list, const std::string& path,
                         std::vector<dsdk_parameter>& parameters) {
        if (!check_.array(list, path, kMaxParameters)) {
            return;
        }
        parameters.clear();
        for (size_t i = 0; i < list.size() && !check_.failed(); ++i) {
            const std::string item = element_path(path, i);
            if (!check_.object(list[i], item, {"id", "value"})) {
                return;
            }
            const json* id = check_.required(list[i], item, "id");
            const json* value = check_.required(list[i], item, "value");
            if (id == nullptr || value == nullptr) {
                return;
            }
            dsdk_parameter parameter{};
            check_.integer_member(list[i], item, "id", kInt32Min, kInt32Max, parameter.id);
            check_.integer_member(list[i], item, "value", kInt32Min, kInt32Max, parameter.value);
            for (size_t j = 0; j < parameters.size() && !check_.failed(); ++j) {
                if (parameters[j].id == parameter.id) {
                    check_.fail(member_path(item, "id"),
                                "the parameter id " + std::to_string(parameter.id) +
                                    " is already used by " + element_path(path, j));
                }
            }
            parameters.push_back(parameter);
        }
    }

    void read_users(const json& list, const std::string& path, TerminalProfile& profile) {
        if (!check_.array(list, path, profile.max_users)) {
            return;
        }
        profile.users.clear();
        for (size_t i = 0; i < list.size() && !check_.failed(); ++i) {
            const std::string item = element_path(path, i);
            if (!check_.object(
                    list[i], item,
                    {"uid", "card", "pin", "name", "surname", "schedule", "locked", "templates"}) ||
                check_.required(list[i], item, "uid") == nullptr) {
                return;
            }
            StoredUser stored;
            dsdk_user& user = stored.user;
            check_.integer_member(list[i], item, "uid", kInt32Min, kInt32Max, user.uid);
            check_.integer_member(list[i], item, "card", kInt32Min, kInt32Max, user.card);
            check_.integer_member(list[i], item, "pin", kInt32Min, kInt32Max, user.pin);
            check_.integer_member(list[i], item, "schedule", kInt32Min, kInt32Max, user.schedule);
            check_.integer_member(list[i], item, "locked", kInt32Min, kInt32Max, user.locked);
            std::string name;
            std::string surname;
            check_.text_member(list[i], item, "name", kUserNameBytes, name);
            check_.text_member(list[i], item, "surname", kUserNameBytes, surname);
            set_field(user.name, name);
            set_field(user.surname, surname);
            if (const json* templates = member(list[i], "templates")) {
                read_user_templates(*templates, member_path(item, "templates"), stored.templates);
            }
            user.template_count = static_cast<int32_t>(stored.templates.size());
            if (!check_.failed() && profile.users.count(user.uid) != 0) {
                check_.fail(member_path(item, "uid"),
                            "the uid " + std::to_string(user.uid) + " is already used");
                return;
            }
            profile.users[user.uid] = std::move(stored);
        }
    }

    void read_user_templates(const json& list, const std::string& path,
                             std::vector<StoredTemplate>& templates) {
        if (!check_.array(list, path, kMaxTemplatesPerUser)) {
            return;
        }
        for (size_t i = 0; i < list.size() && !check_.failed(); ++i) {
            const std::string item = element_path(path, i);
            if (!check_.object(list[i], item, {"finger_id", "format", "id", "data"})) {
                return;
            }
            StoredTemplate stored;
            check_.integer_member(list[i], item, "finger_id", kInt32Min, kInt32Max,
                                  stored.finger_id);
            check_.integer_member(list[i], item, "format", kInt32Min, kInt32Max, stored.format);
            check_.integer_member(list[i], item, "id", kInt32Min, kInt32Max, stored.id);
            if (const json* data = member(list[i], "data")) {
                if (auto bytes = check_.hex(*data, member_path(item, "data"), kMaxTemplateBytes)) {
                    stored.data = std::move(*bytes);
                }
            }
            templates.push_back(std::move(stored));
        }
    }

    void read_scan(const json& list, const std::string& path, std::vector<Capture>& scan) {
        if (!check_.array(list, path, kMaxCaptures)) {
            return;
        }
        scan.clear();
        for (size_t i = 0; i < list.size() && !check_.failed(); ++i) {
            const std::string item = element_path(path, i);
            if (!check_.object(list[i], item, {"scan_value", "data"})) {
                return;
            }
            Capture capture;
            check_.integer_member(list[i], item, "scan_value", 0, kUint32Max, capture.scan_value);
            if (const json* data = member(list[i], "data")) {
                if (auto bytes = check_.hex(*data, member_path(item, "data"), kMaxTemplateBytes)) {
                    capture.data = std::move(*bytes);
                }
            }
            scan.push_back(std::move(capture));
        }
    }

    Keys log_keys() const {
        Keys keys;
        for (const LogField& field : kLogFields) {
            keys.emplace_back(field.name);
        }
        keys.emplace_back(kLogReadingField);
        return keys;
    }

    // A log record; with steps, the integer fields are any 32-bit step instead of field values.
    void read_log_record(const json& object, const std::string& path, dsdk_log_record* record,
                         LogGrowth* steps) {
        if (!check_.object(object, path, log_keys())) {
            return;
        }
        for (size_t i = 0; i < kLogFieldCount && !check_.failed(); ++i) {
            const LogField& field = kLogFields[i];
            const json* value = member(object, field.name);
            if (value == nullptr) {
                continue;
            }
            const std::string field_path = member_path(path, field.name);
            if (steps != nullptr) {
                if (auto step = check_.integer(*value, field_path, kInt32Min, kInt32Max)) {
                    steps->steps[i] = *step;
                }
                continue;
            }
            const int64_t max = field.width == 4   ? kInt32Max
                                : field.width == 2 ? kUint16Max
                                                   : kUint8Max;
            const int64_t min = field.is_signed ? kInt32Min : 0;
            if (auto read = check_.integer(*value, field_path, min, max)) {
                unsigned char* at = reinterpret_cast<unsigned char*>(record) + field.offset;
                if (field.width == 4) {
                    const auto v = static_cast<int32_t>(*read);
                    std::memcpy(at, &v, sizeof v);
                } else if (field.width == 2) {
                    const auto v = static_cast<uint16_t>(*read);
                    std::memcpy(at, &v, sizeof v);
                } else {
                    const auto v = static_cast<uint8_t>(*read);
                    std::memcpy(at, &v, sizeof v);
                }
            }
        }
        if (const json* reading = member(object, kLogReadingField)) {
            if (auto read = check_.number(*reading, member_path(path, kLogReadingField),
                                          std::numeric_limits<double>::lowest(),
                                          std::numeric_limits<double>::max())) {
                (steps != nullptr ? steps->reading_step : record->double1) = *read;
            }
        }
    }

    void read_logs(const json& list, const std::string& path, std::vector<dsdk_log_record>& logs) {
        if (!check_.array(list, path, kMaxLogRecords)) {
            return;
        }
        logs.clear();
        for (size_t i = 0; i < list.size() && !check_.failed(); ++i) {
            dsdk_log_record record{};
            read_log_record(list[i], element_path(path, i), &record, nullptr);
            logs.push_back(record);
        }
    }

    void read_growth(const json& object, const std::string& path, LogGrowth& growth) {
        if (!check_.object(object, path, {"every_seconds", "first", "step", "limit"})) {
            return;
        }
        if (const json* every = check_.required(object, path, "every_seconds")) {
            if (auto seconds = check_.number(*every, member_path(path, "every_seconds"),
                                             kMinPeriodSeconds, kMaxPeriodSeconds)) {
                growth.period_us = std::llround(*seconds * kMicrosecondsPerSecond);
            }
        }
        if (const json* first = member(object, "first")) {
            read_log_record(*first, member_path(path, "first"), &growth.first, nullptr);
        }
        if (const json* step = member(object, "step")) {
            read_log_record(*step, member_path(path, "step"), nullptr, &growth);
        }
        if (const json* limit = member(object, "limit")) {
            if (auto read = check_.integer(*limit, member_path(path, "limit"), 0, kInt32Max)) {
                growth.limit = *read;
            }
        }
    }

    void read_rules(const json& object, const std::string& path, bool per_terminal,
                    std::array<OperationRule, SIM_OP_COUNT>& rules) {
        Keys names;
        for (const OperationName& name : kOperationNames) {
            if (name.per_terminal == per_terminal) {
                names.emplace_back(name.name);
            }
        }
        if (!check_.object(object, path, names)) {
            return;
        }
        std::array<const char*, SIM_OP_COUNT> named{};  // the name each operation was given by
        for (const OperationName& name : kOperationNames) {
            const json* rule =
                name.per_terminal == per_terminal ? member(object, name.name) : nullptr;
            if (rule == nullptr || check_.failed()) {
                continue;
            }
            const std::string rule_path = member_path(path, name.name);
            const char*& first = named[static_cast<size_t>(name.op)];
            if (first != nullptr) {
                check_.fail_at(document_.key_at(rule_path), path,
                               std::string("\"") + name.name + "\" and \"" + first +
                                   "\" name the same operation; keep one of them");
                return;
            }
            first = name.name;
            read_rule(
                *rule, rule_path, rules[static_cast<size_t>(name.op)],
                name.op == SIM_IS_CONNECTED ? RuleKind::kConnectedQuery : RuleKind::kOperation);
        }
    }

    // What a rule may hold: an operation's status and delay; the connected query's also its
    // flag; the offline rule a status (required) and the connected query's flag, no delay.
    enum class RuleKind { kOperation, kConnectedQuery, kOffline };

    void read_offline(const json& object, const std::string& path, OperationRule& rule) {
        read_rule(object, path, rule, RuleKind::kOffline);
        if (!check_.failed()) {
            check_.required(object, path, "status");
        }
    }

    void read_rule(const json& object, const std::string& path, OperationRule& rule,
                   RuleKind kind) {
        Keys keys = {"status", "from_call", "to_call"};
        if (kind != RuleKind::kOffline) {
            keys.emplace_back("delay_ms");
        }
        if (kind != RuleKind::kOperation) {
            keys.emplace_back("connected");
        }
        if (!check_.object(object, path, keys)) {
            return;
        }
        const json* connected = member(object, "connected");
        if (connected != nullptr) {
            const std::string connected_path = member_path(path, "connected");
            if (!connected->is_boolean()) {
                check_.fail(connected_path, "expected true or false");
                return;
            }
            if (kind == RuleKind::kConnectedQuery && member(object, "status") != nullptr) {
                check_.fail(connected_path,
                            "expected either \"status\" or \"connected\", not both: \"connected\" "
                            "answers with status 0");
                return;
            }
            rule.connected = connected->get<bool>();
        }
        if (const json* status = member(object, "status")) {
            const std::string status_path = member_path(path, "status");
            if (auto read = check_.integer(*status, status_path, kInt32Min, kInt32Max)) {
                if (*read == kOk) {
                    check_.fail(status_path, "expected a status other than 0 (0 is success)");
                }
                rule.status = static_cast<int32_t>(*read);
            }
        } else if (kind != RuleKind::kOffline && connected == nullptr &&
                   (member(object, "from_call") != nullptr ||
                    member(object, "to_call") != nullptr)) {
            check_.fail(path,
                        kind == RuleKind::kConnectedQuery
                            ? "expected the key \"status\" or \"connected\" with "
                              "\"from_call\" or \"to_call\""
                            : "expected the key \"status\" with \"from_call\" or \"to_call\"");
            return;
        }
        check_.integer_member(object, path, "from_call", 1, kInt32Max, rule.from_call);
        if (const json* to = member(object, "to_call")) {
            if (auto read =
                    check_.integer(*to, member_path(path, "to_call"), rule.from_call, kInt32Max)) {
                rule.to_call = *read;
            }
        }
        int64_t delay_ms = 0;
        check_.integer_member(object, path, "delay_ms", 0, kMaxDelayMs, delay_ms);
        rule.delay_us = delay_ms * kMicrosecondsPerMs;
    }

    const JsonDocument& document_;
    Checker check_;
};

}  // namespace

std::variant<Scenario, ScenarioFault> parse_scenario(const std::string& file,
                                                     const std::string& text) {
    std::variant<JsonDocument, JsonFault> read = read_json(text);
    if (const JsonFault* fault = std::get_if<JsonFault>(&read)) {
        return ScenarioFault{file + ":" + std::to_string(fault->at.line) + ":" +
                             std::to_string(fault->at.column) + ": " + fault->what};
    }
    return ScenarioReader(std::get<JsonDocument>(read), file).read();
}

std::variant<Scenario, ScenarioFault> load_scenario(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return ScenarioFault{path + ": the file cannot be opened (" + std::strerror(errno) + ")"};
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return ScenarioFault{path + ": the file cannot be read"};
    }
    return parse_scenario(path, text);
}

}  // namespace dsdk_sim
