package com.zarvel.quorvexservice.bench;

import com.zarvel.quorvexservice.apinative.ApiNative;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKDeviceSearchResult;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKLogResult;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKScanTemplateResult;
import java.util.function.IntConsumer;
import java.util.function.IntFunction;
import java.util.function.LongSupplier;
import java.util.function.ToIntFunction;

/**
 * Times palmbridge's methods on the real JVM beside their baselines, all in the same run and
 * interleaved, so that a slower phase of the machine weighs on both: the record conversions
 * against the bare JNI work that they need, the int methods against an empty native call.
 */
final class TimeRun {
    /** Goals: per record within 1.10x of the bare JNI work; int calls within 1.2x of empty. */
    static final double RECORD_GOAL = 1.10;
    static final double CALL_GOAL = 1.20;

    private static final int DEVICE = 1;
    /** Added to the instance, never connected. */
    private static final int IDLE_DEVICE = 2;
    /** Never added. */
    private static final int ABSENT_DEVICE = 99;
    private static final int STATUS_NOT_CONNECTED = -3;
    private static final int STATUS_UNKNOWN_DEVICE = -2;
    private static final int STATUS_DEVICE_EXISTS = -6;
    private static final short CONNECT_PORT = 4370;
    private static final short CONNECT_TIMEOUT = 5000;

    private static final double NANOS_PER_MILLI = 1e6;

    private final BridgeBench.Sizes sizes;
    /** Keeps the results alive until the next call, so that no call's work can be skipped. */
    private Object sink;

    TimeRun(BridgeBench.Sizes sizes) {
        this.sizes = sizes;
    }

    void run() {
        recordConversions();
        System.out.println();
        intCalls();
    }

    // ---- Record conversions ----

    /** Medians (ns) of one record conversion at n records, and of the same call at count 0. */
    private static final class RecordRow {
        String method;
        String setting;
        int records;
        double bridge;
        double bridgeAtZero;
        double baseline;
        double baselineAtZero;
        double simulator;
        /** Median over the repetitions of the per-record ratio of calls made side by side. */
        double ratio;

        double bridgePerRecord() {
            return (bridge - bridgeAtZero) / records;
        }

        double baselinePerRecord() {
            return (baseline - baselineAtZero) / records;
        }
    }

    private void recordConversions() {
        RecordRow[] rows = {logs(), search(), scanScripted(), scanSimulatorTemplates()};
        System.out.printf("Record conversions: median of %d calls each after %d warm-up calls,"
                + " interleaved; ratio/rec: median of the per-repetition ratios%n", sizes.reps,
                sizes.warmups);
        Table table = new Table("method", "records", "bridge ms", "at count 0 ms", "simulator ms",
                "baseline ms", "bridge ns/rec", "baseline ns/rec", "ratio/rec", "whole call",
                "goal", "result");
        for (RecordRow r : rows) {
            double ratio = r.ratio;
            table.row(r.method + " (" + r.setting + ")", Integer.toString(r.records),
                    ms(r.bridge), ms(r.bridgeAtZero), ms(r.simulator), ms(r.baseline),
                    Table.fixed(r.bridgePerRecord(), 1), Table.fixed(r.baselinePerRecord(), 1),
                    Table.ratio(ratio), Table.ratio(r.bridge / r.baseline),
                    Table.ratio(RECORD_GOAL), Table.verdict(ratio <= RECORD_GOAL));
        }
        table.print();
    }

    private RecordRow logs() {
        SimulatorControl.reset();
        long h = SimulatorControl.openTerminal(DEVICE);
        int n = sizes.logRecords;
        return measureRecords("dsdk_get_logs", "count scripted", n,
                count -> SimulatorControl.scriptCount("dsdk_get_logs", count),
                () -> ApiNative.dsdk_get_logs(h, DEVICE, n),
                r -> ((DSDKLogResult) r).records.length,
                Baseline::logRecords,
                r -> ((DSDKLogResult) r).records.length,
                () -> SimulatorControl.directLoop("dsdk_get_logs", h, DEVICE, n, 1));
    }

    private RecordRow search() {
        SimulatorControl.reset();
        long h = SimulatorControl.openTerminal(DEVICE);
        int n = sizes.devices;
        SimulatorControl.scriptDevices(n);
        return measureRecords("dsdk_search_devices", "records scripted", n,
                count -> SimulatorControl.scriptCount("dsdk_search_devices", count),
                () -> ApiNative.dsdk_search_devices(h, n),
                r -> ((DSDKDeviceSearchResult) r).devices.length,
                Baseline::devices,
                r -> ((DSDKDeviceSearchResult) r).devices.length,
                () -> SimulatorControl.directLoop("dsdk_search_devices", h, DEVICE, n, 1));
    }

    private RecordRow scanScripted() {
        SimulatorControl.reset();
        long h = SimulatorControl.openTerminal(DEVICE);
        SimulatorControl.scriptTemplateRecords(sizes.templates);
        return scan(h, "records scripted");
    }

    private RecordRow scanSimulatorTemplates() {
        SimulatorControl.reset();
        long h = SimulatorControl.openTerminal(DEVICE);
        SimulatorControl.scriptSimulatorTemplates(sizes.templates);
        RecordRow row = scan(h, "simulator allocates");
        if (SimulatorControl.outstandingTemplates() != 0) {
            throw new IllegalStateException("template data was not given back: "
                    + SimulatorControl.outstandingTemplates() + " outstanding");
        }
        return row;
    }

    private RecordRow scan(long h, String setting) {
        int n = sizes.templates;
        return measureRecords("dsdk_scan_biometric", setting, n,
                count -> SimulatorControl.scriptCount("dsdk_scan_biometric", count),
                () -> ApiNative.dsdk_scan_biometric(h, DEVICE, n),
                r -> ((DSDKScanTemplateResult) r).templates.length,
                Baseline::scanTemplates,
                r -> ((DSDKScanTemplateResult) r).templates.length,
                () -> SimulatorControl.directLoop("dsdk_scan_biometric", h, DEVICE, n, 1));
    }

    private RecordRow measureRecords(String method, String setting, int n, IntConsumer scriptCount,
            java.util.function.Supplier<Object> bridge, ToIntFunction<Object> bridgeLength,
            IntFunction<Object> baseline, ToIntFunction<Object> baselineLength,
            LongSupplier simulator) {
        Samples bridgeN = new Samples();
        Samples bridge0 = new Samples();
        Samples baselineN = new Samples();
        Samples baseline0 = new Samples();
        Samples simulatorAlone = new Samples();
        Samples ratios = new Samples();
        for (int rep = -sizes.warmups; rep < sizes.reps; rep++) {
            scriptCount.accept(n);
            double tBridge = timeCall(method, () -> bridge.get(), bridgeLength, n);
            double tSimulator = timeSimulator(simulator);
            scriptCount.accept(0);
            double tBridge0 = timeCall(method, () -> bridge.get(), bridgeLength, 0);
            double tBaseline = timeCall("baseline", () -> baseline.apply(n), baselineLength, n);
            double tBaseline0 = timeCall("baseline", () -> baseline.apply(0), baselineLength, 0);
            if (rep >= 0) {
                bridgeN.add(tBridge);
                bridge0.add(tBridge0);
                baselineN.add(tBaseline);
                baseline0.add(tBaseline0);
                simulatorAlone.add(tSimulator);
                ratios.add((tBridge - tBridge0) / (tBaseline - tBaseline0));
            }
        }
        RecordRow row = new RecordRow();
        row.method = method;
        row.setting = setting;
        row.records = n;
        row.bridge = bridgeN.median();
        row.bridgeAtZero = bridge0.median();
        row.baseline = baselineN.median();
        row.baselineAtZero = baseline0.median();
        row.simulator = simulatorAlone.median();
        row.ratio = ratios.median();
        return row;
    }

    /** One call, after a collection, so that no call pays for the garbage of another. */
    private double timeCall(String what, java.util.function.Supplier<Object> call,
            ToIntFunction<Object> length, int expected) {
        sink = null;
        System.gc();
        long start = System.nanoTime();
        Object result = call.get();
        long elapsed = System.nanoTime() - start;
        if (result == null || length.applyAsInt(result) != expected) {
            throw new IllegalStateException(what + " did not give " + expected + " records");
        }
        sink = result;
        return elapsed;
    }

    private static double timeSimulator(LongSupplier simulator) {
        long start = System.nanoTime();
        long status = simulator.getAsLong();
        long elapsed = System.nanoTime() - start;
        if (status != 0) {
            throw new IllegalStateException("the simulator failed with " + status);
        }
        return elapsed;
    }

    private static String ms(double nanos) {
        return Table.fixed(nanos / NANOS_PER_MILLI, 2);
    }

    // ---- Int methods ----

    /** A loop of calls that gives the sum of their statuses. */
    private interface CallLoop {
        long run(int calls);
    }

    private static final class CallCase {
        final String method;
        final String path;
        final int status;
        /** False for a row that only informs: its baseline is not the empty call of the goal. */
        final boolean judged;
        final CallLoop bridge;
        final CallLoop empty;
        final CallLoop simulator;
        final Samples bridgeSamples = new Samples();
        final Samples emptySamples = new Samples();
        final Samples simulatorSamples = new Samples();
        /** Per repetition: (bridge - simulator) / baseline of loops run side by side. */
        final Samples ratioSamples = new Samples();

        CallCase(String method, String path, int status, CallLoop bridge, CallLoop empty,
                CallLoop simulator) {
            this(method, path, status, true, bridge, empty, simulator);
        }

        CallCase(String method, String path, int status, boolean judged, CallLoop bridge,
                CallLoop empty, CallLoop simulator) {
            this.method = method;
            this.path = path;
            this.status = status;
            this.judged = judged;
            this.bridge = bridge;
            this.empty = empty;
            this.simulator = simulator;
        }
    }

    private void intCalls() {
        SimulatorControl.reset();
        final long h = SimulatorControl.openTerminal(DEVICE);
        if (ApiNative.dsdk_add_device(h, IDLE_DEVICE) != 0) {
            throw new IllegalStateException("cannot add the idle device");
        }
        final String text = SimulatorControl.connectText();
        CallLoop emptyInt = calls -> {
            long sum = 0;
            for (int i = 0; i < calls; i++) {
                sum += Baseline.emptyInt(h, DEVICE);
            }
            return sum;
        };
        CallCase[] cases = {
            new CallCase("dsdk_add_device", "device already added", STATUS_DEVICE_EXISTS,
                calls -> {
                    long sum = 0;
                    for (int i = 0; i < calls; i++) {
                        sum += ApiNative.dsdk_add_device(h, DEVICE);
                    }
                    return sum;
                }, emptyInt,
                calls -> SimulatorControl.directLoop("dsdk_add_device", h, DEVICE, 0, calls)),
            new CallCase("dsdk_remove_device", "device not added", STATUS_UNKNOWN_DEVICE,
                calls -> {
                    long sum = 0;
                    for (int i = 0; i < calls; i++) {
                        sum += ApiNative.dsdk_remove_device(h, ABSENT_DEVICE);
                    }
                    return sum;
                }, emptyInt,
                calls -> SimulatorControl.directLoop("dsdk_remove_device", h, ABSENT_DEVICE, 0,
                        calls)),
            new CallCase("dsdk_disconnect", "device not connected", STATUS_NOT_CONNECTED,
                calls -> {
                    long sum = 0;
                    for (int i = 0; i < calls; i++) {
                        sum += ApiNative.dsdk_disconnect(h, IDLE_DEVICE);
                    }
                    return sum;
                }, emptyInt,
                calls -> SimulatorControl.directLoop("dsdk_disconnect", h, IDLE_DEVICE, 0,
                        calls)),
            new CallCase("dsdk_init_device", "connected device", 0,
                calls -> {
                    long sum = 0;
                    for (int i = 0; i < calls; i++) {
                        sum += ApiNative.dsdk_init_device(h, DEVICE);
                    }
                    return sum;
                }, emptyInt,
                calls -> SimulatorControl.directLoop("dsdk_init_device", h, DEVICE, 0, calls)),
            new CallCase("dsdk_connect", "connected again, 10-byte text", 0,
                calls -> {
                    long sum = 0;
                    for (int i = 0; i < calls; i++) {
                        sum += ApiNative.dsdk_connect(h, DEVICE, text, CONNECT_PORT,
                                CONNECT_TIMEOUT);
                    }
                    return sum;
                },
                calls -> {
                    long sum = 0;
                    for (int i = 0; i < calls; i++) {
                        sum += Baseline.emptyConnect(h, DEVICE, text, CONNECT_PORT,
                                CONNECT_TIMEOUT);
                    }
                    return sum;
                },
                calls -> SimulatorControl.directLoop("dsdk_connect", h, DEVICE, 0, calls)),
            new CallCase("dsdk_connect", "baseline: bare JNI text copy", 0, false,
                calls -> {
                    long sum = 0;
                    for (int i = 0; i < calls; i++) {
                        sum += ApiNative.dsdk_connect(h, DEVICE, text, CONNECT_PORT,
                                CONNECT_TIMEOUT);
                    }
                    return sum;
                },
                calls -> {
                    long sum = 0;
                    for (int i = 0; i < calls; i++) {
                        sum += Baseline.textCopy(h, DEVICE, text, CONNECT_PORT, CONNECT_TIMEOUT);
                    }
                    return sum;
                },
                calls -> SimulatorControl.directLoop("dsdk_connect", h, DEVICE, 0, calls)),
        };
        CallLoop emptyVoid = calls -> {
            for (int i = 0; i < calls; i++) {
                Baseline.empty();
            }
            return 0;
        };
        Samples emptyVoidSamples = new Samples();

        int calls = sizes.calls;
        for (int rep = -sizes.warmups; rep < sizes.reps; rep++) {
            double tVoid = timeLoop("empty", emptyVoid, calls, 0);
            if (rep >= 0) {
                emptyVoidSamples.add(tVoid);
            }
            // Each repetition starts at another case, so that no case always follows the same one.
            for (int k = 0; k < cases.length; k++) {
                CallCase c = cases[Math.floorMod(rep + k, cases.length)];
                double tBridge = timeLoop(c.method, c.bridge, calls, c.status);
                double tEmpty = timeLoop("empty", c.empty, calls, 0);
                double tSimulator = timeLoop(c.method + " (simulator)", c.simulator, calls,
                        c.status);
                if (rep >= 0) {
                    c.bridgeSamples.add(tBridge);
                    c.emptySamples.add(tEmpty);
                    c.simulatorSamples.add(tSimulator);
                    c.ratioSamples.add((tBridge - tSimulator) / tEmpty);
                }
            }
        }

        System.out.printf("Int methods: ns per call, median of %d loops of %d calls each after"
                + " %d warm-up loops, interleaved; ratio: median of the per-repetition ratios%n",
                sizes.reps, calls, sizes.warmups);
        System.out.printf("baseline: an empty native method of the same signature (()V: %s ns)%n",
                Table.fixed(emptyVoidSamples.median() / calls, 2));
        Table table = new Table("method (path, status)", "bridge", "baseline", "simulator",
                "bridge - simulator", "ratio", "whole call", "goal", "result");
        for (CallCase c : cases) {
            double bridge = c.bridgeSamples.median() / calls;
            double empty = c.emptySamples.median() / calls;
            double simulator = c.simulatorSamples.median() / calls;
            double ratio = c.ratioSamples.median();
            table.row(c.method + " (" + c.path + ", " + c.status + ")", Table.fixed(bridge, 2),
                    Table.fixed(empty, 2), Table.fixed(simulator, 2),
                    Table.fixed(bridge - simulator, 2), Table.ratio(ratio),
                    Table.ratio(bridge / empty), c.judged ? Table.ratio(CALL_GOAL) : "-",
                    c.judged ? Table.verdict(ratio <= CALL_GOAL) : "info");
        }
        table.print();
    }

    private static double timeLoop(String what, CallLoop loop, int calls, int status) {
        long start = System.nanoTime();
        long sum = loop.run(calls);
        long elapsed = System.nanoTime() - start;
        if (sum != (long) status * calls) {
            throw new IllegalStateException(what + " did not return " + status + " on every call");
        }
        return elapsed;
    }
}
