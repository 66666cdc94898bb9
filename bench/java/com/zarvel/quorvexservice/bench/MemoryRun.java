package com.zarvel.quorvexservice.bench;

import com.zarvel.quorvexservice.apinative.ApiNative;
import java.nio.charset.StandardCharsets;
import java.util.function.IntFunction;
import java.util.function.IntSupplier;

/**
 * Native memory per call of palmbridge's methods, counted by the preloaded malloc counter on the
 * calling thread: the peak of the call, less the record buffer that the bridge allocates for the
 * SDK and less the simulator's own peak for the same SDK call (measured by calling it directly),
 * is what the bridge and the JVM's JNI functions use beyond the buffer. It must not grow with the
 * count, and stays within MEMORY_ALLOWANCE.
 */
final class MemoryRun {
    /** The constant that the bridge may use beyond its record buffer, on any call. */
    static final long MEMORY_ALLOWANCE = 16 * 1024;
    /** Allocator rounding of one large block (a page), allowed as growth between two counts. */
    static final long ROUNDING = 4096;

    private static final int DEVICE = 1;
    private static final int IDLE_DEVICE = 2;
    private static final int ABSENT_DEVICE = 99;
    private static final int SAMPLES = 5;
    private static final int WARMUPS = 3;
    private static final short CONNECT_PORT = 4370;
    private static final short CONNECT_TIMEOUT = 5000;
    /** The smaller count of each record method is this fraction of the larger. */
    private static final int SMALL_DIVISOR = 10;

    private final BridgeBench.Sizes sizes;
    private final Table table = new Table("method (count)", "record buffer", "bridge peak",
            "simulator peak", "baseline peak", "beyond buffer", "held after", "allocations",
            "goal", "result");
    private Object sink;

    MemoryRun(BridgeBench.Sizes sizes) {
        this.sizes = sizes;
    }

    void run() {
        if (!NativeMemory.available()) {
            throw new IllegalStateException("the malloc counter is not preloaded");
        }
        recordMethod("dsdk_get_logs", sizes.logRecords, (h, n) -> {
            SimulatorControl.scriptCount("dsdk_get_logs", n);
            return () -> ApiNative.dsdk_get_logs(h, DEVICE, n);
        }, Baseline::logRecords, null);
        recordMethod("dsdk_search_devices", sizes.devices, (h, n) -> {
            SimulatorControl.scriptDevices(n);
            return () -> ApiNative.dsdk_search_devices(h, n);
        }, Baseline::devices, null);
        recordMethod("dsdk_scan_biometric", sizes.templates, (h, n) -> {
            SimulatorControl.scriptTemplateRecords(n);
            return () -> ApiNative.dsdk_scan_biometric(h, DEVICE, n);
        }, Baseline::scanTemplates, "records scripted");
        recordMethod("dsdk_scan_biometric", sizes.templates, (h, n) -> {
            SimulatorControl.scriptSimulatorTemplates(n);
            return () -> ApiNative.dsdk_scan_biometric(h, DEVICE, n);
        }, Baseline::scanTemplates, "simulator allocates");

        SimulatorControl.reset();
        long h = SimulatorControl.openTerminal(DEVICE);
        if (ApiNative.dsdk_add_device(h, IDLE_DEVICE) != 0) {
            throw new IllegalStateException("cannot add the idle device");
        }
        String text = SimulatorControl.connectText();
        intMethod("dsdk_add_device", h, DEVICE, 0, () -> ApiNative.dsdk_add_device(h, DEVICE));
        intMethod("dsdk_remove_device", h, ABSENT_DEVICE, 0,
                () -> ApiNative.dsdk_remove_device(h, ABSENT_DEVICE));
        intMethod("dsdk_disconnect", h, IDLE_DEVICE, 0,
                () -> ApiNative.dsdk_disconnect(h, IDLE_DEVICE));
        intMethod("dsdk_init_device", h, DEVICE, 0, () -> ApiNative.dsdk_init_device(h, DEVICE));
        // The bridge's copy of the text: its modified UTF-8 bytes and a NUL.
        long textCopy = text.getBytes(StandardCharsets.UTF_8).length + 1;
        intMethod("dsdk_connect", h, DEVICE, textCopy,
                () -> ApiNative.dsdk_connect(h, DEVICE, text, CONNECT_PORT, CONNECT_TIMEOUT));

        System.out.printf("Native memory per call (bytes), median of %d calls after %d warm-up"
                + " calls; beyond buffer = bridge peak - record buffer - simulator peak%n",
                SAMPLES, WARMUPS);
        table.print();
    }

    /** Scripts the simulator for n records and gives the bridge call to measure. */
    private interface Scripted {
        java.util.function.Supplier<Object> prepare(long handle, int n);
    }

    private void recordMethod(String method, int large, Scripted scripted,
            IntFunction<Object> baseline, String setting) {
        int[] counts = {large / SMALL_DIVISOR, large};
        long[] beyond = new long[counts.length];
        String[][] cells = new String[counts.length][];
        for (int i = 0; i < counts.length; i++) {
            int n = counts[i];
            SimulatorControl.reset();
            long h = SimulatorControl.openTerminal(DEVICE);
            java.util.function.Supplier<Object> bridge = scripted.prepare(h, n);
            long buffer = (long) n * SimulatorControl.recordSize(method);
            Counted bridgeCount = count(bridge);
            long simulatorPeak = simulatorPeak(method, h, DEVICE, n);
            Counted baselineCount = count(() -> baseline.apply(n));
            beyond[i] = bridgeCount.peak - buffer - simulatorPeak;
            String label = method + (setting != null ? " (" + setting + ", " : " (") + n + ")";
            cells[i] = new String[] {label, Long.toString(buffer), Long.toString(bridgeCount.peak),
                Long.toString(simulatorPeak), Long.toString(baselineCount.peak),
                Long.toString(beyond[i]), Long.toString(bridgeCount.held),
                Long.toString(bridgeCount.allocations), "<= " + MEMORY_ALLOWANCE, ""};
        }
        boolean constant = beyond[1] - beyond[0] <= ROUNDING;
        for (int i = 0; i < counts.length; i++) {
            boolean met = beyond[i] <= MEMORY_ALLOWANCE && constant;
            cells[i][cells[i].length - 1] = Table.verdict(met);
            table.row(cells[i]);
        }
    }

    private void intMethod(String method, long h, int device, long buffer, IntSupplier call) {
        Counted bridgeCount = count(() -> call.getAsInt());
        long simulatorPeak = simulatorPeak(method, h, device, 0);
        Counted baselineCount = count(() -> Baseline.emptyInt(h, device));
        long beyond = bridgeCount.peak - buffer - simulatorPeak;
        table.row(method, Long.toString(buffer), Long.toString(bridgeCount.peak),
                Long.toString(simulatorPeak), Long.toString(baselineCount.peak),
                Long.toString(beyond), Long.toString(bridgeCount.held),
                Long.toString(bridgeCount.allocations), "<= " + MEMORY_ALLOWANCE,
                Table.verdict(beyond <= MEMORY_ALLOWANCE));
    }

    /** Medians of what the counter saw over SAMPLES calls. */
    private static final class Counted {
        long peak;
        long held;
        long allocations;
    }

    private Counted count(java.util.function.Supplier<Object> call) {
        for (int i = 0; i < WARMUPS; i++) {
            sink = call.get();
        }
        Samples peaks = new Samples();
        Samples held = new Samples();
        Samples allocations = new Samples();
        for (int i = 0; i < SAMPLES; i++) {
            sink = null;
            System.gc();
            NativeMemory.begin();
            Object result = call.get();
            long[] counted = NativeMemory.end();
            if (result == null) {
                throw new IllegalStateException("a measured call failed");
            }
            sink = result;
            peaks.add(counted[NativeMemory.PEAK]);
            held.add(counted[NativeMemory.NET]);
            allocations.add(counted[NativeMemory.ALLOCATIONS]);
        }
        Counted c = new Counted();
        c.peak = (long) peaks.median();
        c.held = (long) held.median();
        c.allocations = (long) allocations.median();
        return c;
    }

    private static long simulatorPeak(String method, long h, int device, int capacity) {
        Samples peaks = new Samples();
        for (int i = 0; i < WARMUPS + SAMPLES; i++) {
            long peak = SimulatorControl.directPeak(method, h, device, capacity);
            if (i >= WARMUPS) {
                peaks.add(peak);
            }
        }
        return (long) peaks.median();
    }
}
