// Scenario files: what a file says is what every operation answers, a file that cannot be used
// refuses every operation with one message, and time (delays, growing event logs) runs on a
// clock that the test moves.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "devicesdk5.h"
#include "devicesdk5_sim.h"
#include "sim_clock.h"
#include "sim_status.h"

namespace {

constexpr const char* kVariable = "DEVICESDK5_SIM_SCENARIO";
constexpr const char* kCaseFile = "scenario_case.json";
constexpr int32_t kNotConnected = -3;
constexpr int32_t kUnusable = -8;
constexpr int32_t kLogRoom = 16;
constexpr int64_t kSecond = 1000000;

void set_variable(const std::string& value) {
#ifdef _WIN32
    _putenv_s(kVariable, value.c_str());  // an empty value removes it
#else
    if (value.empty()) {
        unsetenv(kVariable);
    } else {
        setenv(kVariable, value.c_str(), 1);
    }
#endif
}

// A clock that moves only when the test moves it or a delayed call waits on it.
class TestClock final : public dsdk_sim::Clock {
  public:
    int64_t now_us() override { return now_.load(); }
    void sleep_us(int64_t microseconds) override { now_ += microseconds; }
    void advance(int64_t microseconds) { now_ += microseconds; }

  private:
    std::atomic<int64_t> now_{1000 * kSecond};
};

// Every test starts the simulator from the scenario it names (or none) on the test's clock.
class ScenarioTest : public ::testing::Test {
  protected:
    void SetUp() override { dsdk_sim::use_clock(&clock_); }
    void TearDown() override {
        set_variable("");
        sim_use_scenario(nullptr);  // back to the variable, and a reset
        dsdk_sim::use_clock(nullptr);
    }

    // Starts the simulator from path; returns what it wrote to the standard error stream.
    std::string start(const std::string& path) {
        set_variable(path);
        testing::internal::CaptureStderr();
        sim_reset();
        return testing::internal::GetCapturedStderr();
    }
    std::string start_text(const std::string& text) {
        std::ofstream(kCaseFile, std::ios::binary | std::ios::trunc) << text;
        return start(kCaseFile);
    }
    // A handle with device connected.
    dsdk_handle connected(int32_t device) {
        const dsdk_handle h = dsdk_create();
        EXPECT_EQ(0, dsdk_add_device(h, device, 0));
        EXPECT_EQ(0, dsdk_connect(h, device, "", 4370, 5000));
        return h;
    }
    std::vector<dsdk_log_record> logs(dsdk_handle h, int32_t device, int32_t* status) {
        std::vector<dsdk_log_record> records(kLogRoom);
        int32_t count = -1;
        *status = dsdk_get_logs(h, device, kLogRoom, records.data(), &count);
        records.resize(count < 0 ? 0 : static_cast<size_t>(count));
        return records;
    }

    TestClock clock_;
};

std::string scenario_path(const char* name) {
    return std::string(QV_SCENARIO_DIR) + "/" + name;
}

struct FaultCase {
    const char* name;
    const char* text;
    const char* message;  // after "file:"
};

const FaultCase kFaults[] = {
    {"syntax", "{\"terminals\": [\n  {\"device\": 1,}\n]}",
     "2:16: syntax error while parsing object key - unexpected '}'; expected string literal"},
    {"empty file", "",
     "1:1: syntax error while parsing value - unexpected end of input; "
     "expected '[', '{', or a literal"},
    {"unknown key", "{\"terminals\": [{\"device\": 1,\n  \"serail\": 5}]}",
     "2:3: terminals[0]: unknown key \"serail\"; expected one of: description, device, search, "
     "serial, card, firmware, network, parameters, users, max_users, scan, logs, log_cache, "
     "log_growth, behaviour, offline"},
    {"wrong kind", "{\"terminals\": [{\"device\": 1, \"serial\": \"5\"}]}",
     "1:40: terminals[0].serial: expected an integer from -2147483648 to 2147483647"},
    {"out of range", "{\"terminals\": [{\"device\": 1, \"network\": {\"port\": 70000}}]}",
     "1:50: terminals[0].network.port: expected an integer from 0 to 65535"},
    {"text too long",
     "{\"terminals\": [{\"device\": 1, \"network\": {\"address\": \"192.168.100.2000\"}}]}",
     "1:53: terminals[0].network.address: expected a text of at most 15 bytes"},
    {"no terminals", "{\"description\": \"empty\"}",
     "1:1: the top level: expected the key "
     "\"terminals\""},
    {"no device number", "{\"terminals\": [{\"device\": 1}, {\"serial\": 2}]}",
     "1:31: terminals[1]: expected the key \"device\""},
    {"device twice", "{\"terminals\": [{\"device\": 1}, {\"device\": 1}]}",
     "1:42: terminals[1].device: the device number 1 is already used by terminals[0]"},
    {"key twice", "{\"terminals\": [{\"device\": 1, \"device\": 2}]}",
     "1:30: the key \"device\" is written twice in one object"},
    {"status 0",
     "{\"terminals\": [{\"device\": 1, \"behaviour\": {\"dsdk_connect\": {\"status\": 0}}}]}",
     "1:71: terminals[0].behaviour.dsdk_connect.status: expected a status other than 0 (0 is "
     "success)"},
    {"window before its start",
     "{\"terminals\": [{\"device\": 1, \"behaviour\": {\"dsdk_connect\":\n"
     "  {\"status\": -3, \"from_call\": 4, \"to_call\": 2}}}]}",
     "2:45: terminals[0].behaviour.dsdk_connect.to_call: expected an integer from 4 to "
     "2147483647"},
    {"operation of the whole site on a terminal",
     "{\"terminals\": [{\"device\": 1, \"behaviour\": {\"dsdk_search_devices\": {}}}]}",
     "1:44: terminals[0].behaviour: unknown key \"dsdk_search_devices\"; expected one of: "
     "dsdk_add_device, dsdk_remove_device, dsdk_connect, dsdk_disconnect, dsdk_is_connected, "
     "dsdk_device_connected, dsdk_init_device, dsdk_get_firmware_version, dsdk_get_serial, "
     "dsdk_get_network_config, "
     "dsdk_get_network_config_full, dsdk_scan_biometric, dsdk_scan_card, dsdk_add_user, "
     "dsdk_remove_user, dsdk_set_time, dsdk_get_system_parameters, "
     "dsdk_set_system_parameters, dsdk_get_logs, dsdk_get_log_cache"},
    {"more users than room",
     "{\"terminals\": [{\"device\": 1, \"max_users\": 1, \"users\": [{\"uid\": 1}, {\"uid\": "
     "2}]}]}",
     "1:55: terminals[0].users: expected a list of at most 1 entries"},
    {"template bytes", "{\"terminals\": [{\"device\": 1, \"scan\": [{\"data\": \"0g\"}]}]}",
     "1:48: terminals[0].scan[0].data: expected bytes in hexadecimal (pairs of the digits 0-9, "
     "a-f), at most 1048576 bytes"},
    {"growth period out of range",
     "{\"terminals\": [{\"device\": 1, \"log_growth\": {\"every_seconds\": 0}}]}",
     "1:62: terminals[0].log_growth.every_seconds: expected a number from 0.001 to 86400"},
    {"reading of the wrong kind",
     "{\"terminals\": [{\"device\": 1, \"logs\": [{\"double1\": \"36.5\"}]}]}",
     "1:51: terminals[0].logs[0].double1: expected a number"},
    {"growth without a period",
     "{\"terminals\": [{\"device\": 1, \"log_growth\": {\"limit\": 3}}]}",
     "1:44: terminals[0].log_growth: expected the key \"every_seconds\""},
    {"an operation under both its names",
     "{\"terminals\": [{\"device\": 1, \"behaviour\": {\n"
     "  \"dsdk_is_connected\": {\"status\": -3},\n"
     "  \"dsdk_device_connected\": {\"status\": -3}}}]}",
     "3:3: terminals[0].behaviour: \"dsdk_device_connected\" and \"dsdk_is_connected\" name the "
     "same operation; keep one of them"},
    {"connected flag and status",
     "{\"terminals\": [{\"device\": 1, \"behaviour\": {\"dsdk_device_connected\":\n"
     "  {\"status\": -3, \"connected\": false}}}]}",
     "2:31: terminals[0].behaviour.dsdk_device_connected.connected: expected either \"status\" "
     "or \"connected\", not both: \"connected\" answers with status 0"},
    {"connected flag of the wrong kind",
     "{\"terminals\": [{\"device\": 1, \"offline\": {\"status\": -3, \"connected\": 0}}]}",
     "1:69: terminals[0].offline.connected: expected true or false"},
    {"connected flag of another operation",
     "{\"terminals\": [{\"device\": 1, \"behaviour\": {\"dsdk_get_serial\":\n"
     "  {\"connected\": false}}}]}",
     "2:4: terminals[0].behaviour.dsdk_get_serial: unknown key \"connected\"; expected one of: "
     "status, from_call, to_call, delay_ms"},
    {"window of the connected query without its answer",
     "{\"terminals\": [{\"device\": 1, \"behaviour\": {\"dsdk_is_connected\":\n"
     "  {\"from_call\": 2}}}]}",
     "2:3: terminals[0].behaviour.dsdk_is_connected: expected the key \"status\" or "
     "\"connected\" with \"from_call\" or \"to_call\""},
    {"offline without a status",
     "{\"terminals\": [{\"device\": 1, \"offline\": {\"from_call\": 2}}]}",
     "1:41: terminals[0].offline: expected the key \"status\""},
    {"offline with a delay",
     "{\"terminals\": [{\"device\": 1, \"offline\": {\"status\": -3, \"delay_ms\": 5}}]}",
     "1:56: terminals[0].offline: unknown key \"delay_ms\"; expected one of: status, from_call, "
     "to_call, connected"},
};

TEST_F(ScenarioTest, AnUnusableFileRefusesEveryOperationWithOneMessage) {
    for (const FaultCase& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        const std::string written = start_text(fault.text);
        EXPECT_EQ(std::string("devicesdk5 simulator: scenario ") + kCaseFile + ":" + fault.message +
                      "; every operation fails with status -8\n",
                  written);

        // Nothing of the file is applied: not even its valid first terminal.
        testing::internal::CaptureStderr();
        EXPECT_EQ(0u, dsdk_create());
        EXPECT_EQ(kUnusable, dsdk_add_device(0x1000, 1, 0));
        dsdk_device found[4];
        int32_t count = 4;
        EXPECT_EQ(kUnusable, dsdk_search_devices(0x1000, found, &count));
        EXPECT_EQ(0, count);
        char version[DSDK_FIRMWARE_VERSION_SIZE] = "untouched";
        EXPECT_EQ(kUnusable, dsdk_get_firmware_version(0x1000, 1, version));
        EXPECT_STREQ("", version);
        dsdk_template templates[1] = {};
        EXPECT_EQ(kUnusable, dsdk_free_biometric(templates, 1));
        EXPECT_EQ("", testing::internal::GetCapturedStderr()) << "the message is written once";
    }
}

TEST_F(ScenarioTest, AFileThatCannotBeOpenedIsNamed) {
    const std::string written = start("no-such-scenario.json");
    EXPECT_EQ(0u, written.find("devicesdk5 simulator: scenario no-such-scenario.json: the file "
                               "cannot be opened ("));
    EXPECT_NE(std::string::npos, written.find("); every operation fails with status -8\n"));
    EXPECT_EQ(0u, dsdk_create());
}

// One terminal with every field set, read back through every operation.
constexpr const char* kFullTerminal = R"({
  "description": "every field",
  "terminals": [
    {"device": 40},
    {
      "device": 7,
      "search": {"type": 9, "text1": "10.1.2.3", "text2": "SN-0007", "short1": -2},
      "serial": 123456,
      "card": -99,
      "firmware": "FW 9.9",
      "network": {"address": "10.1.2.3", "port": 5005, "mask": "255.0.0.0",
                  "gateway": "10.0.0.1", "hardware": "AA-BB-CC-DD-EE"},
      "parameters": [{"id": 1, "value": 11}, {"id": 50, "value": -5}],
      "max_users": 2,
      "users": [{"uid": 300, "card": 1, "pin": 2, "name": "N", "surname": "S",
                 "templates": [{"finger_id": 1, "format": 2, "id": 3, "data": "00ff"}]}],
      "scan": [{"scan_value": 77, "data": "010203"}, {"scan_value": 66, "data": ""},
               {"scan_value": 55, "data": "ff"}],
      "logs": [{"int1": 1, "int2": 2, "short1": 3, "short2": 2025, "byte1": 12, "byte2": 31,
                "byte3": 23, "byte4": 59, "byte5": 58, "double1": -1.5}],
      "log_cache": [{"int1": 8}, {"int1": 9, "double1": 0.25}]
    }
  ]
})";

TEST_F(ScenarioTest, EveryOperationAnswersWhatTheFileSays) {
    ASSERT_EQ("", start_text(kFullTerminal));
    const dsdk_handle h = connected(7);
    EXPECT_EQ(-2, dsdk_add_device(h, 8, 0)) << "no terminal 8 in the file";

    dsdk_device found[3];
    int32_t count = 3;
    ASSERT_EQ(0, dsdk_search_devices(h, found, &count));
    ASSERT_EQ(2, count);
    EXPECT_EQ(40, found[0].int1);  // file order; defaults from the device number
    EXPECT_STREQ("192.0.2.50", found[0].text1);
    EXPECT_STREQ("5100040", found[0].text2);
    EXPECT_EQ(9, found[1].type);
    EXPECT_EQ(7, found[1].int1);
    EXPECT_STREQ("10.1.2.3", found[1].text1);
    EXPECT_STREQ("SN-0007", found[1].text2);
    EXPECT_EQ(-2, found[1].short1);

    char version[DSDK_FIRMWARE_VERSION_SIZE];
    EXPECT_EQ(0, dsdk_get_firmware_version(h, 7, version));
    EXPECT_STREQ("FW 9.9", version);
    int32_t serial = 0;
    EXPECT_EQ(0, dsdk_get_serial(h, 7, &serial));
    EXPECT_EQ(123456, serial);
    int32_t card = 0;
    EXPECT_EQ(0, dsdk_scan_card(h, 7, &card));
    EXPECT_EQ(-99, card);

    char texts[4][DSDK_NETWORK_TEXT_SIZE];
    uint16_t port = 0;
    EXPECT_EQ(0, dsdk_get_network_config(h, 7, texts[0], &port));
    EXPECT_STREQ("10.1.2.3", texts[0]);
    EXPECT_EQ(5005, port);
    EXPECT_EQ(0, dsdk_get_network_config_full(h, 7, texts[0], &port, texts[1], texts[2], texts[3]));
    EXPECT_STREQ("255.0.0.0", texts[1]);
    EXPECT_STREQ("10.0.0.1", texts[2]);
    EXPECT_STREQ("AA-BB-CC-DD-EE", texts[3]);

    dsdk_template captured[2] = {};
    EXPECT_EQ(0, dsdk_scan_biometric(h, 7, captured, 2, &count));
    ASSERT_EQ(2, count) << "three captures, room for two";
    EXPECT_EQ(77u, captured[0].scan_value);
    ASSERT_EQ(3, captured[0].data_size);
    EXPECT_EQ(0, std::memcmp(captured[0].data, "\x01\x02\x03", 3));
    EXPECT_EQ(66u, captured[1].scan_value);
    EXPECT_EQ(0, captured[1].data_size);
    EXPECT_EQ(0, dsdk_free_biometric(captured, 2));
    EXPECT_EQ(0, sim_outstanding_templates());

    dsdk_parameter parameters[DSDK_PARAMETER_READ_ROOM];
    EXPECT_EQ(0, dsdk_get_system_parameters(h, 7, parameters, &count));
    ASSERT_EQ(2, count);
    EXPECT_EQ(50, parameters[1].id);
    EXPECT_EQ(-5, parameters[1].value);
    const dsdk_parameter changed{50, 6};
    EXPECT_EQ(0, dsdk_set_system_parameters(h, 7, &changed, 1));
    EXPECT_EQ(0, dsdk_get_system_parameters(h, 7, parameters, &count));
    EXPECT_EQ(6, parameters[1].value);

    // The user table: user 300 from the file, room for one more.
    dsdk_user user{};
    user.uid = 301;
    EXPECT_EQ(0, dsdk_add_user(h, 7, &user, 0, nullptr, 0, 0));
    user.uid = 302;
    EXPECT_EQ(-7, dsdk_add_user(h, 7, &user, 0, nullptr, 0, 0)) << "max_users is 2";
    user.uid = 300;
    EXPECT_EQ(0, dsdk_remove_user(h, 7, &user));
    EXPECT_EQ(-5, dsdk_remove_user(h, 7, &user));

    const dsdk_time time{2025, 1, 2, 3, 4, 5, 0};
    EXPECT_EQ(0, dsdk_set_time(h, 7, &time));

    int32_t status = 0;
    const std::vector<dsdk_log_record> log = logs(h, 7, &status);
    EXPECT_EQ(0, status);
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(1, log[0].int1);
    EXPECT_EQ(2, log[0].int2);
    EXPECT_EQ(3, log[0].short1);
    EXPECT_EQ(2025, log[0].short2);
    EXPECT_EQ(12, log[0].byte1);
    EXPECT_EQ(31, log[0].byte2);
    EXPECT_EQ(23, log[0].byte3);
    EXPECT_EQ(59, log[0].byte4);
    EXPECT_EQ(58, log[0].byte5);
    EXPECT_EQ(-1.5, log[0].double1);
    dsdk_log_record cache[4];
    const dsdk_log_record block{};
    EXPECT_EQ(0, dsdk_get_log_cache(h, 7, 4, cache, &count, &block));
    ASSERT_EQ(2, count);
    EXPECT_EQ(9, cache[1].int1);
    EXPECT_EQ(0.25, cache[1].double1);

    uint8_t flag = 9;
    EXPECT_EQ(0, dsdk_init_device(h, 7));
    EXPECT_EQ(0, dsdk_disconnect(h, 7));
    EXPECT_EQ(0, dsdk_is_connected(h, 7, &flag));
    EXPECT_EQ(0, flag);
    EXPECT_EQ(0, dsdk_remove_device(h, 7));
    dsdk_handle released = h;
    EXPECT_EQ(0, dsdk_release(&released));
}

// Fills a buffer with every default answer of devices 1 to 3, one operation after the other.
std::vector<uint8_t> answers_of_three_terminals() {
    std::vector<uint8_t> bytes;
    auto keep = [&bytes](const void* data, size_t size) {
        const auto* begin = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), begin, begin + size);
    };
    const dsdk_handle h = dsdk_create();
    dsdk_device found[4] = {};
    int32_t count = 4;
    keep(&count, sizeof count);
    dsdk_search_devices(h, found, &count);
    keep(found, sizeof found);
    for (int32_t device = 1; device <= 3; ++device) {
        dsdk_add_device(h, device, 0);
        dsdk_connect(h, device, "", 4370, 5000);
        char version[DSDK_FIRMWARE_VERSION_SIZE] = {};
        dsdk_get_firmware_version(h, device, version);
        keep(version, sizeof version);
        int32_t values[2] = {};
        dsdk_get_serial(h, device, &values[0]);
        dsdk_scan_card(h, device, &values[1]);
        keep(values, sizeof values);
        char texts[4][DSDK_NETWORK_TEXT_SIZE] = {};
        uint16_t port = 0;
        dsdk_get_network_config_full(h, device, texts[0], &port, texts[1], texts[2], texts[3]);
        keep(texts, sizeof texts);
        keep(&port, sizeof port);
        dsdk_template captured[3] = {};
        dsdk_scan_biometric(h, device, captured, 3, &count);
        keep(&count, sizeof count);
        for (int32_t i = 0; i < count; ++i) {
            keep(&captured[i].scan_value, sizeof captured[i].scan_value);
            keep(captured[i].data, static_cast<size_t>(captured[i].data_size));
        }
        dsdk_free_biometric(captured, 3);
        dsdk_parameter parameters[DSDK_PARAMETER_READ_ROOM] = {};
        dsdk_get_system_parameters(h, device, parameters, &count);
        keep(parameters, sizeof(dsdk_parameter) * static_cast<size_t>(count));
        dsdk_log_record records[8] = {};
        dsdk_get_logs(h, device, 8, records, &count);
        keep(records, sizeof records);
        const dsdk_log_record block{};
        dsdk_get_log_cache(h, device, 8, records, &count, &block);
        keep(records, sizeof records);
    }
    return bytes;
}

TEST_F(ScenarioTest, WithoutTheVariableTheDefaultTerminalsAnswerAsTheThreeTerminalExample) {
    ASSERT_EQ("", start(""));
    const std::vector<uint8_t> defaults = answers_of_three_terminals();
    const dsdk_handle h = dsdk_create();
    EXPECT_EQ(0, dsdk_add_device(h, 12345, 0)) << "any device number without a scenario";

    ASSERT_EQ("", start(scenario_path("three_terminals.json")));
    EXPECT_EQ(defaults, answers_of_three_terminals());
}

TEST_F(ScenarioTest, EveryShippedExampleLoads) {
    for (const char* name :
         {"three_terminals.json", "offline_terminal.json", "full_user_table.json",
          "slow_terminal.json", "live_event_log.json", "unplugged_terminal.json"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ("", start(scenario_path(name)));
        const dsdk_handle h = dsdk_create();
        EXPECT_EQ(0, dsdk_add_device(h, 1, 0));
    }
}

TEST_F(ScenarioTest, StatusRulesCountTheCallsOfEachTerminal) {
    ASSERT_EQ(
        "",
        start_text(
            R"({"behaviour": {"dsdk_search_devices": {"status": -30, "from_call": 2, "to_call": 2}},
        "terminals": [
        {"device": 1, "behaviour": {"dsdk_get_serial": {"status": -3, "from_call": 2, "to_call": 3},
                                    "dsdk_scan_card": {"status": -20, "from_call": 3},
                                    "dsdk_init_device": {"status": -21}}},
        {"device": 2}]})"));
    const dsdk_handle h = connected(1);
    ASSERT_EQ(0, dsdk_add_device(h, 2, 0));
    ASSERT_EQ(0, dsdk_connect(h, 2, "", 4370, 5000));

    // A terminal that goes offline and comes back: calls 2 and 3 fail and write nothing.
    std::vector<int32_t> statuses;
    std::vector<int32_t> serials;
    for (int call = 1; call <= 4; ++call) {
        int32_t serial = -1;
        statuses.push_back(dsdk_get_serial(h, 1, &serial));
        serials.push_back(serial);
        int32_t other = 0;
        EXPECT_EQ(0, dsdk_get_serial(h, 2, &other)) << "terminal 2 counts its own calls";
    }
    EXPECT_EQ((std::vector<int32_t>{0, kNotConnected, kNotConnected, 0}), statuses);
    EXPECT_EQ((std::vector<int32_t>{5100001, -1, -1, 5100001}), serials);

    // After two calls, for good; and always.
    statuses.clear();
    for (int call = 1; call <= 4; ++call) {
        int32_t card = 0;
        statuses.push_back(dsdk_scan_card(h, 1, &card));
        EXPECT_EQ(-21, dsdk_init_device(h, 1));
    }
    EXPECT_EQ((std::vector<int32_t>{0, 0, -20, -20}), statuses);

    // The search counts all its calls; its failure writes the count 0.
    statuses.clear();
    std::vector<int32_t> counts;
    for (int call = 1; call <= 3; ++call) {
        dsdk_device found[4];
        int32_t count = 4;
        statuses.push_back(dsdk_search_devices(h, found, &count));
        counts.push_back(count);
    }
    EXPECT_EQ((std::vector<int32_t>{0, -30, 0}), statuses);
    EXPECT_EQ((std::vector<int32_t>{2, 0, 2}), counts);

    // The device checks come first: an unknown handle is reported as such.
    EXPECT_EQ(-1, dsdk_init_device(0x7777, 1));
    // The counts start anew with the simulator.
    sim_reset();
    const dsdk_handle again = connected(1);
    int32_t serial = 0;
    EXPECT_EQ(0, dsdk_get_serial(again, 1, &serial));
}

// Every operation that names a terminal, as its nth call of any operation.
struct TerminalCall {
    const char* what;
    std::function<int32_t(dsdk_handle, int32_t)> call;
};

const std::vector<TerminalCall>& terminal_calls() {
    static const std::vector<TerminalCall> calls = {
        {"serial",
         [](dsdk_handle h, int32_t d) {
             int32_t v = 0;
             return dsdk_get_serial(h, d, &v);
         }},
        {"logs",
         [](dsdk_handle h, int32_t d) {
             dsdk_log_record records[4];
             int32_t count = 0;
             return dsdk_get_logs(h, d, 4, records, &count);
         }},
        {"firmware",
         [](dsdk_handle h, int32_t d) {
             char version[DSDK_FIRMWARE_VERSION_SIZE];
             return dsdk_get_firmware_version(h, d, version);
         }},
        {"init", [](dsdk_handle h, int32_t d) { return dsdk_init_device(h, d); }},
        {"card",
         [](dsdk_handle h, int32_t d) {
             int32_t v = 0;
             return dsdk_scan_card(h, d, &v);
         }},
    };
    return calls;
}

TEST_F(ScenarioTest, AnOfflineTerminalFailsEveryOperationOnItsCallsCountedTogether) {
    ASSERT_EQ("", start_text(R"({"terminals": [
        {"device": 1, "offline": {"status": -3, "from_call": 5, "to_call": 9},
         "behaviour": {"dsdk_scan_card": {"status": -20, "from_call": 2, "to_call": 2}}},
        {"device": 2}]})"));
    const dsdk_handle h = connected(1);  // calls 1 and 2 of terminal 1
    ASSERT_EQ(0, dsdk_add_device(h, 2, 0));
    ASSERT_EQ(0, dsdk_connect(h, 2, "", 4370, 5000));

    // Calls 3 to 12 of terminal 1: two rounds of five operations; calls 5 to 9 fail, whatever
    // the operation, and terminal 2 keeps working.
    std::vector<int32_t> statuses;
    for (int round = 0; round < 2; ++round) {
        for (const TerminalCall& call : terminal_calls()) {
            SCOPED_TRACE(call.what);
            statuses.push_back(call.call(h, 1));
            EXPECT_EQ(0, call.call(h, 2));
        }
    }
    // Call 7 is the first card scan (its own rule covers only its 2nd call); call 12, the second
    // card scan, is after the window, where its own rule answers.
    EXPECT_EQ((std::vector<int32_t>{0, 0, -3, -3, -3, -3, -3, 0, 0, -20}), statuses);

    // A failure of the offline terminal writes nothing; the connected query fails too.
    int32_t serial = -1;
    sim_reset();
    const dsdk_handle again = connected(1);
    for (int call = 3; call < 5; ++call) {
        EXPECT_EQ(0, dsdk_init_device(again, 1));
    }
    uint8_t flag = 7;
    EXPECT_EQ(-3, dsdk_is_connected(again, 1, &flag));
    EXPECT_EQ(7, flag);
    EXPECT_EQ(-3, dsdk_get_serial(again, 1, &serial));
    EXPECT_EQ(-1, serial);
    EXPECT_EQ(-1, dsdk_get_serial(0x7777, 1, &serial)) << "the handle check comes first";
}

TEST_F(ScenarioTest, TheConnectedQueryCanAnswerNotConnectedWithStatusZero) {
    ASSERT_EQ("", start_text(R"({"terminals": [
        {"device": 1, "behaviour": {"dsdk_device_connected": {"connected": false, "from_call": 2,
                                                              "to_call": 3}}},
        {"device": 2, "behaviour": {"dsdk_is_connected": {"connected": false}}},
        {"device": 3, "offline": {"status": -3, "from_call": 3, "to_call": 4, "connected": false}},
        {"device": 4, "behaviour": {"dsdk_is_connected": {"status": -9, "from_call": 2}}}]})"));
    const dsdk_handle h = dsdk_create();
    for (int32_t device = 1; device <= 4; ++device) {
        ASSERT_EQ(0, dsdk_add_device(h, device, 0));
        ASSERT_EQ(0, dsdk_connect(h, device, "", 4370, 5000));
    }
    struct Answer {
        int32_t status;
        int flag;
        bool operator==(const Answer& other) const {
            return status == other.status && flag == other.flag;
        }
    };
    auto query = [h](int32_t device) {
        uint8_t flag = 7;
        const int32_t status = dsdk_is_connected(h, device, &flag);
        return Answer{status, flag};
    };
    // Terminal 1, under the Java method's name: calls 2 and 3 answer "not connected".
    std::vector<Answer> answers;
    for (int call = 1; call <= 4; ++call) {
        answers.push_back(query(1));
    }
    EXPECT_EQ((std::vector<Answer>{{0, 1}, {0, 0}, {0, 0}, {0, 1}}), answers);
    // Terminal 2: always "not connected", though it is.
    EXPECT_EQ((Answer{0, 0}), query(2));
    int32_t serial = 0;
    EXPECT_EQ(0, dsdk_get_serial(h, 2, &serial)) << "the other operations still work";
    // Terminal 3 offline on its calls 3 and 4: the query says "not connected", the rest fails.
    EXPECT_EQ((Answer{0, 0}), query(3));
    EXPECT_EQ(-3, dsdk_get_serial(h, 3, &serial));
    EXPECT_EQ((Answer{0, 1}), query(3));
    // A status rule of the query is unchanged: it fails and writes no flag.
    EXPECT_EQ((Answer{0, 1}), query(4));
    EXPECT_EQ((Answer{-9, 7}), query(4));
    EXPECT_EQ((Answer{-4, 7}), (Answer{dsdk_is_connected(h, 2, nullptr), 7}))
        << "arguments are still checked";
}

TEST_F(ScenarioTest, AScenarioIsSwitchedAndReadAgainWithoutANewProcess) {
    const std::string first = scenario_path("full_user_table.json");
    const std::string second = "scenario_switch.json";
    std::ofstream(second, std::ios::binary | std::ios::trunc)
        << R"({"terminals": [{"device": 9, "serial": 99}]})";

    // The variable names one file; sim_use_scenario another, in its place.
    set_variable(first);
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, sim_use_scenario(second.c_str()));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(0u, sim_scenario_fault(nullptr, 0));
    dsdk_handle h = connected(9);
    EXPECT_EQ(0x1000u, h) << "the handles start anew";
    int32_t serial = 0;
    EXPECT_EQ(0, dsdk_get_serial(h, 9, &serial));
    EXPECT_EQ(99, serial);

    // sim_reset reads the named file again, as it stands now.
    std::ofstream(second, std::ios::binary | std::ios::trunc)
        << R"({"terminals": [{"device": 9, "serial": 100}]})";
    sim_reset();
    h = connected(9);
    EXPECT_EQ(0, dsdk_get_serial(h, 9, &serial));
    EXPECT_EQ(100, serial);

    // "" is the default terminals; null goes back to the variable's file.
    EXPECT_EQ(0, sim_use_scenario(""));
    h = connected(500);
    EXPECT_EQ(0, dsdk_get_serial(h, 500, &serial));
    EXPECT_EQ(5100500, serial);
    EXPECT_EQ(0, sim_use_scenario(nullptr));
    h = dsdk_create();
    EXPECT_EQ(-2, dsdk_add_device(h, 500, 0)) << "the variable's file has no terminal 500";

    // A file that cannot be used: -8, the line once, and the same line for the caller.
    std::ofstream(second, std::ios::binary | std::ios::trunc) << R"({"terminals": []})";
    testing::internal::CaptureStderr();
    EXPECT_EQ(-8, sim_use_scenario(second.c_str()));
    const std::string written = testing::internal::GetCapturedStderr();
    const std::string line = "devicesdk5 simulator: scenario " + second +
                             ":1:15: terminals: expected a list of at least one terminal; every "
                             "operation fails with status -8";
    EXPECT_EQ(line + "\n", written);
    char fault[512];
    ASSERT_EQ(line.size(), sim_scenario_fault(fault, sizeof fault));
    EXPECT_EQ(line, std::string(fault));
    char cut[12];
    EXPECT_EQ(line.size(), sim_scenario_fault(cut, sizeof cut));
    EXPECT_EQ(line.substr(0, sizeof cut - 1), std::string(cut)) << "cut and terminated";
    EXPECT_EQ(0u, dsdk_create());

    // Mended, it is usable again after a reset, and the fault is gone.
    std::ofstream(second, std::ios::binary | std::ios::trunc)
        << R"({"terminals": [{"device": 9}]})";
    sim_reset();
    EXPECT_EQ(0u, sim_scenario_fault(fault, sizeof fault));
    EXPECT_STREQ("", fault);
    EXPECT_NE(0u, dsdk_create());
}

TEST_F(ScenarioTest, DelaysWaitOnTheClockOncePerCall) {
    ASSERT_EQ("", start(scenario_path("slow_terminal.json")));
    int64_t before = clock_.now_us();
    const dsdk_handle h = dsdk_create();
    dsdk_device found[2];
    int32_t count = 2;
    EXPECT_EQ(0, dsdk_search_devices(h, found, &count));
    EXPECT_EQ(1 * kSecond, clock_.now_us() - before);

    before = clock_.now_us();
    ASSERT_EQ(0, dsdk_add_device(h, 1, 0));
    ASSERT_EQ(0, dsdk_connect(h, 1, "", 4370, 5000));
    EXPECT_EQ(2 * kSecond, clock_.now_us() - before);

    before = clock_.now_us();
    int32_t status = 0;
    EXPECT_EQ(5u, logs(h, 1, &status).size());
    EXPECT_EQ(0, status);
    EXPECT_EQ(1500000, clock_.now_us() - before);

    before = clock_.now_us();
    int32_t serial = 0;
    EXPECT_EQ(0, dsdk_get_serial(h, 1, &serial));
    ASSERT_EQ(0, dsdk_add_device(h, 2, 0));
    ASSERT_EQ(0, dsdk_connect(h, 2, "", 4370, 5000));
    EXPECT_EQ(0, clock_.now_us() - before) << "no delay for other operations and terminals";
}

TEST_F(ScenarioTest, TheEventLogGrowsWithTheClockFromTheTemplate) {
    ASSERT_EQ("", start_text(R"({"terminals": [{"device": 1,
        "logs": [{"int1": 1}],
        "log_growth": {"every_seconds": 5,
                       "first": {"int1": 3000, "short1": 65535, "byte5": 58, "double1": 1.0},
                       "step": {"int1": -1, "short1": 1, "byte5": 1, "double1": 0.5},
                       "limit": 3}}]})"));
    const dsdk_handle h = connected(1);
    int32_t status = 0;
    EXPECT_EQ(1u, logs(h, 1, &status).size());
    clock_.advance(5 * kSecond - 1);
    EXPECT_EQ(1u, logs(h, 1, &status).size());
    clock_.advance(1);
    EXPECT_EQ(2u, logs(h, 1, &status).size());

    clock_.advance(5 * kSecond);
    const std::vector<dsdk_log_record> grown = logs(h, 1, &status);
    ASSERT_EQ(3u, grown.size());
    EXPECT_EQ(1, grown[0].int1);
    EXPECT_EQ(3000, grown[1].int1);
    EXPECT_EQ(65535, grown[1].short1);
    EXPECT_EQ(58, grown[1].byte5);
    EXPECT_EQ(1.0, grown[1].double1);
    EXPECT_EQ(2999, grown[2].int1);
    EXPECT_EQ(0, grown[2].short1) << "a field keeps its low bits";
    EXPECT_EQ(59, grown[2].byte5);
    EXPECT_EQ(1.5, grown[2].double1);

    clock_.advance(3600 * kSecond);
    EXPECT_EQ(4u, logs(h, 1, &status).size()) << "the limit of 3 new records";
    dsdk_log_record room[kLogRoom];
    int32_t count = 0;
    EXPECT_EQ(0, dsdk_get_logs(h, 1, 2, room, &count));
    EXPECT_EQ(2, count) << "the room still bounds a read";
    const dsdk_log_record block{};
    EXPECT_EQ(0, dsdk_get_log_cache(h, 1, kLogRoom, room, &count, &block));
    EXPECT_EQ(3, count) << "the log cache does not grow";

    // A device added again starts its log anew.
    EXPECT_EQ(0, dsdk_remove_device(h, 1));
    EXPECT_EQ(0, dsdk_add_device(h, 1, 0));
    EXPECT_EQ(0, dsdk_connect(h, 1, "", 4370, 5000));
    EXPECT_EQ(1u, logs(h, 1, &status).size());
}

}  // namespace
