// The devicesdk5 simulator keeps the SDK's memory contract also when a script breaks the other
// promises: it never writes beyond the room it was given, it gives back only the template data
// it handed out, and "untouched" means that no output byte changes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "devicesdk5.h"
#include "devicesdk5_sim.h"

namespace {

constexpr uint8_t kFill = 0xEE;      // what the caller's buffers hold before a call
constexpr size_t kGuardBytes = 256;  // bytes after the room that must stay untouched
constexpr int32_t kDevice = 7;
constexpr int32_t kOtherDevice = 8;
constexpr int32_t kFailure = 55;

// A caller's buffer of room bytes followed by a guard zone, all set to kFill.
class GuardedBuffer {
  public:
    explicit GuardedBuffer(size_t room) : room_(room), bytes_(room + kGuardBytes + 8, kFill) {}
    // Aligned for every record type (the vector's storage is suitably aligned for any type).
    void* data() { return bytes_.data(); }
    size_t room() const { return room_; }
    bool guard_intact() const {
        for (size_t i = room_; i < bytes_.size(); ++i) {
            if (bytes_[i] != kFill) {
                return false;
            }
        }
        return true;
    }
    bool room_untouched() const {
        for (size_t i = 0; i < room_; ++i) {
            if (bytes_[i] != kFill) {
                return false;
            }
        }
        return true;
    }
    uint8_t at(size_t i) const { return bytes_[i]; }

  private:
    size_t room_;
    std::vector<uint8_t> bytes_;
};

class SimulatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim_reset();
        handle_ = dsdk_create();
        ASSERT_EQ(0, dsdk_add_device(handle_, kDevice, 0));
        ASSERT_EQ(0, dsdk_connect(handle_, kDevice, "192.0.2.10", 4370, 5000));
        ASSERT_EQ(0, dsdk_add_device(handle_, kOtherDevice, 0));
        ASSERT_EQ(0, dsdk_connect(handle_, kOtherDevice, "192.0.2.11", 4370, 5000));
    }
    void TearDown() override { sim_reset(); }

    dsdk_handle handle_ = 0;
};

// One operation that writes records into a caller's buffer and a count.
struct RecordOp {
    const char* name;
    sim_op op;
    size_t record_size;
    int32_t room_records;  // the room the call gives, in records
    // Makes the call with the buffer and the count variable (preset by the test).
    std::function<int32_t(dsdk_handle, void*, int32_t*)> call;
};

const RecordOp kRecordOps[] = {
    {"search", SIM_SEARCH_DEVICES, sizeof(dsdk_device), 2,
     [](dsdk_handle h, void* buffer, int32_t* count) {
         *count = 2;  // in: the room
         return dsdk_search_devices(h, static_cast<dsdk_device*>(buffer), count);
     }},
    {"parameters", SIM_GET_SYSTEM_PARAMETERS, sizeof(dsdk_parameter), DSDK_PARAMETER_READ_ROOM,
     [](dsdk_handle h, void* buffer, int32_t* count) {
         return dsdk_get_system_parameters(h, kDevice, static_cast<dsdk_parameter*>(buffer), count);
     }},
    {"logs", SIM_GET_LOGS, sizeof(dsdk_log_record), 3,
     [](dsdk_handle h, void* buffer, int32_t* count) {
         return dsdk_get_logs(h, kDevice, 3, static_cast<dsdk_log_record*>(buffer), count);
     }},
    {"log cache", SIM_GET_LOG_CACHE, sizeof(dsdk_log_record), 2,
     [](dsdk_handle h, void* buffer, int32_t* count) {
         const dsdk_log_record block{};
         return dsdk_get_log_cache(h, kDevice, 2, static_cast<dsdk_log_record*>(buffer), count,
                                   &block);
     }},
    {"scan", SIM_SCAN_BIOMETRIC, sizeof(dsdk_template), 3,
     [](dsdk_handle h, void* buffer, int32_t* count) {
         return dsdk_scan_biometric(h, kDevice, static_cast<dsdk_template*>(buffer), 3, count);
     }},
};

// Gives back the template data that a scan op attached to the buffer.
void give_back(const RecordOp& op, GuardedBuffer& buffer) {
    if (op.op == SIM_SCAN_BIOMETRIC) {
        dsdk_free_biometric(static_cast<dsdk_template*>(buffer.data()), op.room_records);
    }
}

TEST_F(SimulatorTest, DefaultAnswersStayWithinTheRoomAndReportWhatTheyFilled) {
    for (const RecordOp& op : kRecordOps) {
        SCOPED_TRACE(op.name);
        GuardedBuffer buffer(op.room_records * op.record_size);
        int32_t count = -99;
        EXPECT_EQ(0, op.call(handle_, buffer.data(), &count));
        EXPECT_GT(count, 0);
        EXPECT_LE(count, op.room_records);
        EXPECT_TRUE(buffer.guard_intact());
        give_back(op, buffer);
    }
    EXPECT_EQ(0, sim_outstanding_templates());
}

TEST_F(SimulatorTest, ScriptedCountsOutsideTheRoomAreReportedButRecordBytesStopAtTheRoom) {
    constexpr uint8_t kScripted = 0x5A;
    for (const RecordOp& op : kRecordOps) {
        for (int32_t scripted_count : {op.room_records + 50, -3, INT32_MAX}) {
            SCOPED_TRACE(std::string(op.name) + ", count " + std::to_string(scripted_count));
            sim_reset();
            handle_ = dsdk_create();
            ASSERT_EQ(0, dsdk_add_device(handle_, kDevice, 0));
            ASSERT_EQ(0, dsdk_connect(handle_, kDevice, "192.0.2.10", 4370, 5000));
            const std::vector<uint8_t> oversized((op.room_records + 50) * op.record_size,
                                                 kScripted);
            sim_set_count(op.op, scripted_count);
            sim_set_records(op.op, oversized.data(), oversized.size());
            GuardedBuffer buffer(op.room_records * op.record_size);
            int32_t count = 0;
            op.call(handle_, buffer.data(), &count);
            EXPECT_EQ(scripted_count, count);
            EXPECT_EQ(kScripted, buffer.at(buffer.room() - 1));
            EXPECT_TRUE(buffer.guard_intact());
            EXPECT_EQ(0, sim_outstanding_templates()) << "raw records allocate nothing";
        }
    }
}

TEST_F(SimulatorTest, ScriptedTemplatesFillAtMostTheCapacityAndReportTheirNumber) {
    const uint8_t bytes[] = {1, 2, 3, 4, 5};
    for (uint32_t value = 0; value < 5; ++value) {
        sim_add_scan_template(40000 + value, bytes, static_cast<int32_t>(value));
    }
    constexpr int32_t kCapacity = 3;
    GuardedBuffer buffer(kCapacity * sizeof(dsdk_template));
    auto* records = static_cast<dsdk_template*>(buffer.data());
    int32_t count = 0;
    EXPECT_EQ(0, dsdk_scan_biometric(handle_, kDevice, records, kCapacity, &count));
    EXPECT_EQ(5, count);
    EXPECT_TRUE(buffer.guard_intact());
    EXPECT_EQ(kCapacity, sim_outstanding_templates());
    for (int32_t i = 0; i < kCapacity; ++i) {
        EXPECT_EQ(40000u + i, records[i].scan_value);
        ASSERT_EQ(i, records[i].data_size);
        EXPECT_EQ(0, std::memcmp(bytes, records[i].data, records[i].data_size));
    }
    dsdk_free_biometric(records, kCapacity);
    EXPECT_EQ(0, sim_outstanding_templates());
}

TEST_F(SimulatorTest, FreeBiometricGivesBackOnlyTheDataTheScanAttachedToThatArray) {
    constexpr int32_t kCapacity = 4;
    std::vector<dsdk_template> records(kCapacity);
    std::memset(records.data(), 0xA5, records.size() * sizeof(dsdk_template));
    int32_t count = 0;
    ASSERT_EQ(0, dsdk_scan_biometric(handle_, kDevice, records.data(), kCapacity, &count));
    ASSERT_EQ(2, count);

    // Another caller's scan fills all four records; its data must survive the first array's
    // garbage, which here holds its pointers at the same record indexes.
    const uint8_t other_data[] = {1, 2, 3};
    for (uint32_t i = 0; i < kCapacity; ++i) {
        sim_add_scan_template(i, other_data, sizeof other_data);
    }
    std::vector<dsdk_template> other(kCapacity);
    int32_t other_count = 0;
    ASSERT_EQ(0, dsdk_scan_biometric(handle_, kOtherDevice, other.data(), kCapacity, &other_count));
    ASSERT_EQ(kCapacity, other_count);
    ASSERT_EQ(2 + kCapacity, sim_outstanding_templates());
    records[2] = other[2];
    records[3].data = other[3].data;
    std::vector<uint8_t> handed_back(records.size() * sizeof(dsdk_template));
    std::memcpy(handed_back.data(), records.data(), handed_back.size());

    dsdk_free_biometric(records.data(), kCapacity);
    EXPECT_EQ(kCapacity, sim_outstanding_templates());
    for (const dsdk_template& record : other) {
        EXPECT_EQ(0, std::memcmp(other_data, record.data, sizeof other_data));
    }
    EXPECT_EQ(static_cast<int64_t>(reinterpret_cast<uintptr_t>(records.data())),
              sim_last_arg(SIM_FREE_BIOMETRIC, 0));
    EXPECT_EQ(kCapacity, sim_last_arg(SIM_FREE_BIOMETRIC, 1));
    size_t size = 0;
    const uint8_t* blob = sim_last_blob(SIM_FREE_BIOMETRIC, 0, &size);
    ASSERT_EQ(handed_back.size(), size);
    EXPECT_EQ(0, std::memcmp(handed_back.data(), blob, size));

    dsdk_free_biometric(records.data(), kCapacity);  // a second time frees nothing more
    EXPECT_EQ(kCapacity, sim_outstanding_templates());
    dsdk_free_biometric(other.data(), kCapacity);
    EXPECT_EQ(0, sim_outstanding_templates());
}

// A count variable: what the caller preset and what it held after the call.
struct CountSeen {
    int32_t preset;
    int32_t after;
};

// One operation with outputs, called with buffers preset to kFill; returns its count variable
// (preset = after = 0 for an operation without one).
struct OutputOp {
    const char* name;
    sim_op op;
    std::function<CountSeen(dsdk_handle, GuardedBuffer&)> call;
};

const OutputOp kOutputOps[] = {
    {"is_connected", SIM_IS_CONNECTED,
     [](dsdk_handle h, GuardedBuffer& b) {
         dsdk_is_connected(h, kDevice, static_cast<uint8_t*>(b.data()));
         return CountSeen{0, 0};
     }},
    {"search", SIM_SEARCH_DEVICES,
     [](dsdk_handle h, GuardedBuffer& b) {
         int32_t count = 2;
         dsdk_search_devices(h, static_cast<dsdk_device*>(b.data()), &count);
         return CountSeen{2, count};
     }},
    {"firmware", SIM_GET_FIRMWARE_VERSION,
     [](dsdk_handle h, GuardedBuffer& b) {
         dsdk_get_firmware_version(h, kDevice, static_cast<char*>(b.data()));
         return CountSeen{0, 0};
     }},
    {"serial", SIM_GET_SERIAL,
     [](dsdk_handle h, GuardedBuffer& b) {
         dsdk_get_serial(h, kDevice, static_cast<int32_t*>(b.data()));
         return CountSeen{0, 0};
     }},
    {"network", SIM_GET_NETWORK_CONFIG,
     [](dsdk_handle h, GuardedBuffer& b) {
         auto* bytes = static_cast<char*>(b.data());
         dsdk_get_network_config(h, kDevice, bytes, reinterpret_cast<uint16_t*>(bytes + 16));
         return CountSeen{0, 0};
     }},
    {"network full", SIM_GET_NETWORK_CONFIG_FULL,
     [](dsdk_handle h, GuardedBuffer& b) {
         auto* bytes = static_cast<char*>(b.data());
         dsdk_get_network_config_full(h, kDevice, bytes, reinterpret_cast<uint16_t*>(bytes + 64),
                                      bytes + 16, bytes + 32, bytes + 48);
         return CountSeen{0, 0};
     }},
    {"scan", SIM_SCAN_BIOMETRIC,
     [](dsdk_handle h, GuardedBuffer& b) {
         int32_t count = -1;
         dsdk_scan_biometric(h, kDevice, static_cast<dsdk_template*>(b.data()), 2, &count);
         return CountSeen{-1, count};
     }},
    {"card", SIM_SCAN_CARD,
     [](dsdk_handle h, GuardedBuffer& b) {
         dsdk_scan_card(h, kDevice, static_cast<int32_t*>(b.data()));
         return CountSeen{0, 0};
     }},
    {"parameters", SIM_GET_SYSTEM_PARAMETERS,
     [](dsdk_handle h, GuardedBuffer& b) {
         int32_t count = -1;
         dsdk_get_system_parameters(h, kDevice, static_cast<dsdk_parameter*>(b.data()), &count);
         return CountSeen{-1, count};
     }},
    {"logs", SIM_GET_LOGS,
     [](dsdk_handle h, GuardedBuffer& b) {
         int32_t count = -1;
         dsdk_get_logs(h, kDevice, 4, static_cast<dsdk_log_record*>(b.data()), &count);
         return CountSeen{-1, count};
     }},
    {"log cache", SIM_GET_LOG_CACHE,
     [](dsdk_handle h, GuardedBuffer& b) {
         const dsdk_log_record block{};
         int32_t count = -1;
         dsdk_get_log_cache(h, kDevice, 4, static_cast<dsdk_log_record*>(b.data()), &count, &block);
         return CountSeen{-1, count};
     }},
};

constexpr size_t kOutputRoom = DSDK_PARAMETER_READ_ROOM * sizeof(dsdk_parameter);

TEST_F(SimulatorTest, UntouchedWritesNoOutputButReturnsTheStatus) {
    for (const OutputOp& op : kOutputOps) {
        SCOPED_TRACE(op.name);
        sim_set_untouched(op.op);
        sim_set_status(op.op, kFailure);
        sim_set_value(op.op, 0, 1);
        sim_add_scan_template(1, "x", 1);
        GuardedBuffer buffer(kOutputRoom);
        const CountSeen count = op.call(handle_, buffer);
        EXPECT_EQ(count.preset, count.after);
        EXPECT_TRUE(buffer.room_untouched());
        EXPECT_TRUE(buffer.guard_intact());
        EXPECT_EQ(1, sim_calls(op.op));
        sim_reset();
        handle_ = dsdk_create();
        ASSERT_EQ(0, dsdk_add_device(handle_, kDevice, 0));
        ASSERT_EQ(0, dsdk_connect(handle_, kDevice, "192.0.2.10", 4370, 5000));
    }
    EXPECT_EQ(0, sim_outstanding_templates());
    sim_set_untouched(SIM_GET_SERIAL);
    sim_set_status(SIM_GET_SERIAL, kFailure);
    int32_t serial = 0;
    EXPECT_EQ(kFailure, dsdk_get_serial(handle_, kDevice, &serial));
    EXPECT_EQ(0, serial);
}

TEST_F(SimulatorTest, WithoutUntouchedEveryOutputOpWritesSomething) {
    for (const OutputOp& op : kOutputOps) {
        SCOPED_TRACE(op.name);
        sim_set_status(op.op, kFailure);  // a scripted failure alone does not stop the outputs
        GuardedBuffer buffer(kOutputRoom);
        op.call(handle_, buffer);
        EXPECT_FALSE(buffer.room_untouched());
        EXPECT_TRUE(buffer.guard_intact());
    }
}

TEST_F(SimulatorTest, TextsAreTerminatedInsideTheirBuffersAndScriptedBytesAreCutToThem) {
    char version[DSDK_FIRMWARE_VERSION_SIZE + kGuardBytes];
    std::memset(version, kFill, sizeof version);
    ASSERT_EQ(0, dsdk_get_firmware_version(handle_, kDevice, version));
    EXPECT_NE(nullptr, std::memchr(version, '\0', DSDK_FIRMWARE_VERSION_SIZE));

    char texts[4][DSDK_NETWORK_TEXT_SIZE];
    uint16_t port = 0;
    ASSERT_EQ(0, dsdk_get_network_config_full(handle_, kDevice, texts[0], &port, texts[1], texts[2],
                                              texts[3]));
    for (const auto& text : texts) {
        EXPECT_NE(nullptr, std::memchr(text, '\0', sizeof text));
    }
    EXPECT_NE(0, port);

    // Scripted bytes: cut to the buffer, no NUL added.
    const std::string long_text(DSDK_FIRMWARE_VERSION_SIZE + 40, 'v');
    sim_set_text(SIM_GET_FIRMWARE_VERSION, 0, long_text.data(), long_text.size());
    std::memset(version, kFill, sizeof version);
    dsdk_get_firmware_version(handle_, kDevice, version);
    EXPECT_EQ(nullptr, std::memchr(version, '\0', DSDK_FIRMWARE_VERSION_SIZE));
    EXPECT_EQ(static_cast<char>(kFill), version[DSDK_FIRMWARE_VERSION_SIZE]);
}

TEST_F(SimulatorTest, AddUserCopiesRecordsAndTemplateDataDuringTheCall) {
    dsdk_user user{};
    user.uid = 42;
    user.template_count = 3;
    std::vector<uint8_t> first = {9, 8, 7};
    dsdk_template templates[3] = {};
    templates[0].data_size = 3;
    templates[0].data = first.data();
    templates[1].data_size = 0;   // empty, data may be null
    templates[2].data_size = -5;  // must not be read
    templates[2].data = first.data();
    EXPECT_EQ(-4, dsdk_add_user(handle_, kDevice, &user, 3, templates, 0, 0));
    first.assign(3, 0);  // the copies were taken during the call
    user.uid = 0;

    size_t size = 0;
    const uint8_t* blob = sim_last_blob(SIM_ADD_USER, 0, &size);
    ASSERT_EQ(sizeof(dsdk_user), size);
    dsdk_user copied{};
    std::memcpy(&copied, blob, size);
    EXPECT_EQ(42, copied.uid);
    sim_last_blob(SIM_ADD_USER, 1, &size);
    EXPECT_EQ(3 * sizeof(dsdk_template), size);
    blob = sim_last_blob(SIM_ADD_USER, 2, &size);
    ASSERT_EQ(3u, size);
    EXPECT_EQ((std::vector<uint8_t>{9, 8, 7}), std::vector<uint8_t>(blob, blob + size));
    EXPECT_NE(nullptr, sim_last_blob(SIM_ADD_USER, 3, &size)) << "present, zero bytes";
    EXPECT_EQ(0u, size);
    EXPECT_EQ(nullptr, sim_last_blob(SIM_ADD_USER, 4, &size)) << "negative size: absent";
    EXPECT_EQ(3, sim_last_arg(SIM_ADD_USER, 3));

    user.uid = 42;
    templates[2].data_size = 1;
    EXPECT_EQ(0, dsdk_add_user(handle_, kDevice, &user, 3, templates, 0, 0));
    dsdk_user by_uid{};
    by_uid.uid = 42;
    EXPECT_EQ(0, dsdk_remove_user(handle_, kDevice, &by_uid));
    EXPECT_EQ(-5, dsdk_remove_user(handle_, kDevice, &by_uid));
}

TEST_F(SimulatorTest, MisuseGivesTheDocumentedStatus) {
    int32_t serial = 0;
    const struct {
        const char* name;
        dsdk_handle handle;
        int32_t device;
        int32_t* out;
        int32_t status;
    } cases[] = {
        {"unknown handle", handle_ + 100, kDevice, &serial, -1},
        {"unknown device", handle_, 99, &serial, -2},
        {"null out-value", handle_, kDevice, nullptr, -4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.status, dsdk_get_serial(c.handle, c.device, c.out)) << c.name;
        EXPECT_EQ(0, serial) << c.name << ": no value on failure";
    }
    ASSERT_EQ(0, dsdk_disconnect(handle_, kDevice));
    EXPECT_EQ(-3, dsdk_get_serial(handle_, kDevice, &serial));
    EXPECT_EQ(-6, dsdk_add_device(handle_, kDevice, 0));
    dsdk_handle released = handle_;
    EXPECT_EQ(0, dsdk_release(&released));
    EXPECT_EQ(-1, dsdk_release(&released));
}

TEST_F(SimulatorTest, ConcurrentCallersOnDifferentDevicesGetTheirOwnResults) {
    constexpr int kRounds = 200;
    auto worker = [this](int32_t device, int32_t* first_serial, bool* consistent) {
        *consistent = true;
        for (int i = 0; i < kRounds; ++i) {
            int32_t serial = 0;
            dsdk_template records[2];
            int32_t count = 0;
            *consistent = *consistent && dsdk_get_serial(handle_, device, &serial) == 0 &&
                          dsdk_scan_biometric(handle_, device, records, 2, &count) == 0 &&
                          count == 2;
            if (i == 0) {
                *first_serial = serial;
            }
            *consistent = *consistent && serial == *first_serial;
            dsdk_free_biometric(records, 2);
        }
    };
    int32_t serials[2] = {};
    bool consistent[2] = {};
    std::thread a(worker, kDevice, &serials[0], &consistent[0]);
    std::thread b(worker, kOtherDevice, &serials[1], &consistent[1]);
    a.join();
    b.join();
    EXPECT_TRUE(consistent[0]);
    EXPECT_TRUE(consistent[1]);
    EXPECT_NE(serials[0], serials[1]);
    EXPECT_EQ(2 * kRounds, sim_calls(SIM_GET_SERIAL));
    EXPECT_EQ(0, sim_outstanding_templates());
}

}  // namespace
