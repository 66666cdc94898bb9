package com.zarvel.quorvexservice.bench;

/**
 * The devicesdk5 simulator as the benchmark drives it: scripts of what it reports, and its C
 * functions called directly from a native loop, to show what the simulator costs by itself.
 * Methods are named by the bridge's method that makes the SDK call, e.g. "dsdk_get_logs".
 */
final class SimulatorControl {
    static {
        System.loadLibrary("bridgebench");
    }

    private SimulatorControl() {}

    /** Forgets every script and starts the simulated terminals anew. */
    static native void reset();

    /** The connection text that openTerminal and the direct dsdk_connect loop use. */
    static native String connectText();

    /** A new SDK instance with the device added and connected. */
    static native long openTerminal(int device);

    /** The count that the method's SDK call reports from now on. */
    static native void scriptCount(String method, int count);

    /** Every search reports count terminals (the simulator copies the records on each call). */
    static native void scriptDevices(int count);

    /** Every scan reports count 64-byte templates whose data the simulator does not own. */
    static native void scriptTemplateRecords(int count);

    /** Every scan allocates and reports count 64-byte templates, given back when freed. */
    static native void scriptSimulatorTemplates(int count);

    static native int outstandingTemplates();

    /** Bytes of one record of the method's record buffer, as the bridge allocates it. */
    static native int recordSize(String method);

    /**
     * The method's SDK call, iterations times in a native loop (the scan with its
     * dsdk_free_biometric); the sum of the statuses.
     */
    static native long directLoop(String method, long handle, int device, int capacity,
            int iterations);

    /** Peak native bytes of one direct SDK call of the method; -1 without the malloc counter. */
    static native long directPeak(String method, long handle, int device, int capacity);
}
