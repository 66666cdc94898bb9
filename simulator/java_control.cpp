// The native half of the Java test helper com.zarvel.quorvexservice.simulator.Simulator: lets a
// Java test switch the simulator's scenario file and start its terminals anew without a new JVM.
// Not part of the vendor's SDK, nor of palmbridge.
#include <jni.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "devicesdk5_sim.h"

namespace {

// A Java byte array copied into a NUL-terminated text.
std::vector<char> terminated_copy(JNIEnv* env, jbyteArray bytes) {
    const jsize length = env->GetArrayLength(bytes);
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    env->GetByteArrayRegion(bytes, 0, length, reinterpret_cast<jbyte*>(text.data()));
    return text;
}

}  // namespace

extern "C" {

// Names the scenario file (null: back to the environment variable) and starts the terminals
// anew; 0 when they can be used, -8 when the file cannot.
JNIEXPORT jint JNICALL Java_com_zarvel_quorvexservice_simulator_Simulator_useScenarioFile(
    JNIEnv* env, jclass, jbyteArray path) {
    if (path == nullptr) {
        return sim_use_scenario(nullptr);
    }
    const std::vector<char> text = terminated_copy(env, path);
    return sim_use_scenario(text.data());
}

// Starts the terminals anew from the scenario file, read again.
JNIEXPORT void JNICALL Java_com_zarvel_quorvexservice_simulator_Simulator_resetTerminals(JNIEnv*,
                                                                                         jclass) {
    sim_reset();
}

// The simulator's line on why the scenario cannot be used, as bytes; null when it can be used.
JNIEXPORT jbyteArray JNICALL
Java_com_zarvel_quorvexservice_simulator_Simulator_faultLine(JNIEnv* env, jclass) {
    const size_t length = sim_scenario_fault(nullptr, 0);
    if (length == 0 || length > static_cast<size_t>(INT32_MAX) - 1) {
        return nullptr;
    }
    std::vector<char> line(length + 1, '\0');
    const size_t copied = std::min(sim_scenario_fault(line.data(), line.size()), length);
    jbyteArray bytes = env->NewByteArray(static_cast<jsize>(copied));
    if (bytes != nullptr) {
        env->SetByteArrayRegion(bytes, 0, static_cast<jsize>(copied),
                                reinterpret_cast<const jbyte*>(line.data()));
    }
    return bytes;
}

}  // extern "C"
