// Event log and log cache.
#include <cmath>
#include <functional>

#include "bridge_test.h"

namespace bridgetest {
namespace {

constexpr const char* kRecordsSig = "[Lcom/zarvel/quorvexservice/apinative/ApiNative$LogRecord;";

class EventLogTest : public BridgeTest {
  protected:
    // Both methods, to run every case on each.
    struct Method {
        const char* name;
        sim_op op;
        std::function<jobject(jint)> call;
    };
    std::vector<Method> methods() {
        return {{"dsdk_get_logs", SIM_GET_LOGS,
                 [this](jint capacity) { return api.logs(handle(), kDevice, capacity); }},
                {"dsdk_get_log_cache", SIM_GET_LOG_CACHE,
                 [this](jint capacity) { return api.logCache(handle(), kDevice, capacity); }}};
    }
};

dsdk_log_record record(std::uint8_t gapFill) {
    dsdk_log_record r;
    std::memset(&r, gapFill, sizeof r);
    r.int1 = -1;  // FFFFFFFF
    r.int2 = 123456;
    r.short1 = 0xFFFF;
    r.short2 = 0x8000;
    r.byte1 = 0xFF;
    r.byte2 = 0x80;
    r.byte3 = 0;
    r.byte4 = 1;
    r.byte5 = 0x7F;
    r.double1 = -1.5e300;
    return r;
}

TEST_F(EventLogTest, FieldsWidenWithoutSign) {
    for (const auto& m : methods()) {
        for (const std::uint8_t gap :
             {std::uint8_t{0x00}, std::uint8_t{0xAA}}) {  // the alignment gap never matters
            resetSimulator();
            scriptRecords(m.op, std::vector<dsdk_log_record>{record(gap)});
            jobject result = m.call(4);
            ASSERT_NE(result, nullptr) << m.name;
            EXPECT_EQ(intField(result, "status"), 0);
            const auto records = elements(objectField(result, "records", kRecordsSig));
            ASSERT_EQ(records.size(), 1u) << m.name;
            const jobject r = records[0];
            EXPECT_EQ(intField(r, "int1"), -1);
            EXPECT_EQ(intField(r, "int2"), 123456);
            EXPECT_EQ(intField(r, "short1"), 65535);
            EXPECT_EQ(intField(r, "short2"), 32768);
            EXPECT_EQ(intField(r, "byte1"), 255);
            EXPECT_EQ(intField(r, "byte2"), 128);
            EXPECT_EQ(intField(r, "byte3"), 0);
            EXPECT_EQ(intField(r, "byte4"), 1);
            EXPECT_EQ(intField(r, "byte5"), 127);
            EXPECT_EQ(doubleField(r, "double1"), -1.5e300);
            EXPECT_EQ(sim_last_arg(m.op, 2), 4) << "capacity before the buffer";
        }
    }
}

TEST_F(EventLogTest, CountsAndStatuses) {
    const std::vector<dsdk_log_record> three(3, record(0));
    const struct {
        const char* name;
        jint capacity;
        std::int32_t status, count;
        bool isNull;
        std::size_t expected;
    } cases[] = {
        {"capacity 0", 0, 0, 0, false, 0},
        {"failure: null even with records", 3, -2, 3, true, 0},
        {"count above the capacity", 2, 0, 40, false, 2},
        {"negative count", 2, 0, -5, false, 0},
    };
    for (const auto& m : methods()) {
        for (const auto& c : cases) {
            resetSimulator();
            sim_set_records(m.op, three.data(), three.size() * sizeof three[0]);
            sim_set_count(m.op, c.count);
            sim_set_status(m.op, c.status);
            jobject result = m.call(c.capacity);
            expectNoException();
            ASSERT_EQ(result == nullptr, c.isNull) << m.name << ": " << c.name;
            if (result != nullptr) {
                jobject array = objectField(result, "records", kRecordsSig);
                ASSERT_NE(array, nullptr);
                EXPECT_EQ(elements(array).size(), c.expected) << m.name << ": " << c.name;
            }
            EXPECT_EQ(sim_calls(m.op), 1);
            EXPECT_EQ(sim_last_arg(m.op, 2), c.capacity);
        }
    }
}

TEST_F(EventLogTest, CacheAlwaysGetsAZeroedBlock) {
    const Bytes zeros(32, 0);
    for (int i = 0; i < 3; ++i) {
        api.logCache(handle(), kDevice, 2);
        EXPECT_EQ(blob(SIM_GET_LOG_CACHE, 0), zeros);
    }
}

TEST_F(EventLogTest, RefusedCapacitiesMakeNoSdkCall) {
    for (const auto& m : methods()) {
        for (const jint capacity : {-1, 67108864}) {
            EXPECT_EQ(m.call(capacity), nullptr);
            expectThrown("java.lang.IllegalArgumentException", std::string(m.name) + ": capacity " +
                                                                   std::to_string(capacity) +
                                                                   " is outside 0 to 67108863");
        }
        // Accepted, but 2 GiB of records are more than this process may allocate.
        EXPECT_EQ(m.call(67108863), nullptr);
        expectThrown("java.lang.OutOfMemoryError",
                     std::string(m.name) + ": cannot allocate the log records");
        EXPECT_EQ(calls(m.op), 0);
    }
}

TEST_F(EventLogTest, JavaOutOfMemoryEndsTheLoop) {
    // Ten million records do not fit a 256 MiB heap as LogRecord objects.
    constexpr jint kCapacity = 10000000;
    sim_set_count(SIM_GET_LOGS, kCapacity);
    EXPECT_EQ(api.logs(handle(), kDevice, kCapacity), nullptr);
    expectThrown("java.lang.OutOfMemoryError");
}

}  // namespace
}  // namespace bridgetest
