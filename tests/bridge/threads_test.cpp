// Several Java threads in the bridge at once, each getting its own results.
#include "bridge_test.h"

namespace bridgetest {
namespace {

using ThreadsTest = BridgeTest;

TEST_F(ThreadsTest, ConcurrentCallsKeepTheirOwnResults) {
    constexpr jint kFirstDevice = 1, kThreads = 6, kRounds = 150;
    for (jint d = kFirstDevice; d < kFirstDevice + kThreads; ++d) {
        dsdk_add_device(sdkHandle, d, 0);
        dsdk_connect(sdkHandle, d, "192.0.2.20", 4370, 5);
    }
    // Calls in the SDK take a while, so that the threads are inside the bridge together.
    sim_set_delay_us(SIM_GET_SERIAL, 50);
    sim_set_delay_us(SIM_GET_LOGS, 50);
    jclass threads = e->FindClass("com/zarvel/quorvexservice/testing/BridgeThreads");
    ASSERT_NE(threads, nullptr);
    jmethodID run = e->GetStaticMethodID(threads, "run", "(JIII)Ljava/lang/String;");
    auto outcome = static_cast<jstring>(
        e->CallStaticObjectMethod(threads, run, handle(), kFirstDevice, kThreads, kRounds));
    expectNoException();
    EXPECT_EQ(utf(outcome), "");
    EXPECT_GE(calls(SIM_GET_SERIAL), kThreads * (kRounds + 1));
}

}  // namespace
}  // namespace bridgetest
