package com.zarvel.quorvexservice.bench;

import com.zarvel.quorvexservice.apinative.ApiNative;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.LocalDateTime;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.atomic.AtomicLong;

/**
 * Soak of palmbridge on the host JVM with the devicesdk5 simulator. Run by scripts/soak: many Java
 * threads call all 22 native methods at once, each on a simulated terminal of its own, and every
 * result is compared with the answer that the same call gave on one thread alone. A sampler
 * records the process's resident size and the native heap in use over time; with the malloc
 * counter preloaded, each worker also counts the native bytes its calls left held.
 *
 * <p>Usage: BridgeSoak THREADS CALLS_PER_THREAD. Prints its figures and a verdict; exit status 0
 * when no result crossed, nothing leaked and memory stayed flat, 1 otherwise, 2 on bad usage.
 */
public final class BridgeSoak {
    /** The shared SDK instance's connection. */
    static final String ADDRESS = "192.0.2.20";
    static final short PORT = 4370;
    static final short TIMEOUT = 5;
    static final int FIRST_DEVICE = 1;
    /** Record capacities of the reading calls: small, so that each call stays short. */
    static final int LOG_CAPACITY = 8;
    static final int SCAN_CAPACITY = 4;
    static final int SEARCH_CAPACITY = 16;

    /** Rounds on one thread before the answers are taken and before memory is counted. */
    static final int WARMUP_ROUNDS = 200;
    static final long SAMPLE_MILLIS = 1000;
    /**
     * Limits of "nothing leaked" and "flat". Native bytes left held by one worker's calls: a
     * bridge that kept a byte a call would leave a million; the JVM itself keeps on a thread the
     * record of its last deoptimization (two blocks, about 15 KB, from HotSpot's own code, until
     * its next deoptimization or the thread's end), which is why the limit is not 0. Growth of
     * the native heap and of the resident size from the first sample of the calls to the last.
     */
    static final long MAX_HELD_BYTES_PER_WORKER = 32 * 1024;
    static final long MAX_HEAP_GROWTH = 1024 * 1024;
    static final long MAX_RSS_GROWTH = 16 * 1024 * 1024;

    private BridgeSoak() {}

    /** One step of a round: one or more calls whose answers give one text. */
    interface Step {
        String run(long handle, int device);
    }

    /** Number of native method calls in one round. */
    static final int CALLS_PER_ROUND = 22;

    /**
     * The steps of a round; together they call each of the 22 methods once. A round leaves the
     * terminal as it found it (the user added is removed, the parameters set are the ones that
     * were set before), so that each step's answer is the same in every round.
     */
    static final Step[] STEPS = {
        // A second SDK instance of its own: create, add, connect, ask, init, disconnect, remove,
        // release (8 calls). Its handle differs from round to round: only that it is not 0 counts.
        (handle, device) -> {
            long own = ApiNative.dsdk_create();
            StringBuilder out = new StringBuilder(own != 0 ? "created" : "no handle");
            out.append(' ').append(ApiNative.dsdk_add_device(own, device));
            out.append(' ').append(ApiNative.dsdk_connect(own, device, ADDRESS, PORT, TIMEOUT));
            ApiNative.DSDKDeviceConnectedResult c = ApiNative.dsdk_device_connected(own, device);
            out.append(' ').append(c.status).append('/').append(c.connected);
            out.append(' ').append(ApiNative.dsdk_init_device(own, device));
            out.append(' ').append(ApiNative.dsdk_disconnect(own, device));
            out.append(' ').append(ApiNative.dsdk_remove_device(own, device));
            ApiNative.dsdk_release(own);
            return out.toString();
        },
        (handle, device) -> {
            ApiNative.DSDKDeviceSearchResult r = ApiNative.dsdk_search_devices(handle,
                    SEARCH_CAPACITY);
            return r.status + " " + Arrays.toString(r.devices);
        },
        (handle, device) -> {
            ApiNative.DSDKFwVer v = ApiNative.dsdk_get_firmware_version(handle, device);
            return v.status + " " + v.version;
        },
        (handle, device) -> {
            ApiNative.DSDKSerial s = ApiNative.dsdk_get_serial(handle, device);
            return s.status + " " + s.serial;
        },
        (handle, device) -> network(ApiNative.dsdk_get_network_config(handle, device)),
        (handle, device) -> network(ApiNative.dsdk_get_network_config_full(handle, device)),
        (handle, device) -> {
            ApiNative.DSDKScanTemplateResult r = ApiNative.dsdk_scan_biometric(handle, device,
                    SCAN_CAPACITY);
            StringBuilder out = new StringBuilder().append(r.status);
            if (r.templates != null) {
                for (ApiNative.ScanTemplate t : r.templates) {
                    out.append(' ').append(t.scanValue).append(':')
                            .append(Arrays.hashCode(t.data)).append('/').append(t.data.length);
                }
            }
            return out.toString();
        },
        (handle, device) -> {
            ApiNative.DSDKScanCard c = ApiNative.dsdk_scan_card(handle, device);
            return c.status + " " + c.card;
        },
        // A user of the device's own, with a template, added and removed (2 calls).
        (handle, device) -> {
            ApiNative.DSDKUserData user = new ApiNative.DSDKUserData(1000 + device,
                    5000 + device, 1234, "Name" + device, "Surname\u00e9" + device, 1, 1, 0);
            byte[] data = new byte[64];
            Arrays.fill(data, (byte) device);
            ApiNative.DSDKBioTemplate[] templates = {
                new ApiNative.DSDKBioTemplate(1, 2, device, data)};
            int added = ApiNative.dsdk_add_user(handle, device, user, templates);
            int removed = ApiNative.dsdk_remove_user(handle, device, user);
            return added + " " + removed;
        },
        (handle, device) -> String.valueOf(ApiNative.dsdk_set_time(handle, device,
                LocalDateTime.of(2026, 3, 1 + device % 28, 12, 30, device % 60))),
        (handle, device) -> {
            ApiNative.DSDKSystemParametersResult r = ApiNative.dsdk_get_system_parameters(
                    handle, device);
            return r.status + " " + Arrays.toString(r.parameters);
        },
        (handle, device) -> String.valueOf(ApiNative.dsdk_set_system_parameters(handle, device,
                new ApiNative.DSDKSystemParameter[] {
                    new ApiNative.DSDKSystemParameter(7, device),
                    new ApiNative.DSDKSystemParameter(9, 100 + device)})),
        (handle, device) -> logs(ApiNative.dsdk_get_logs(handle, device, LOG_CAPACITY)),
        (handle, device) -> logs(ApiNative.dsdk_get_log_cache(handle, device, LOG_CAPACITY)),
    };

    static String network(ApiNative.DSDKNetworkConfig n) {
        return n.status + " " + n.text1 + "/" + n.value + "/" + n.text2 + "/" + n.text3 + "/"
                + n.text4;
    }

    static String logs(ApiNative.DSDKLogResult r) {
        return r == null ? "null" : r.status + " " + Arrays.toString(r.records);
    }

    /** Answers of one round on a thread, starting at step first. */
    static String[] round(long handle, int device, int first) {
        String[] answers = new String[STEPS.length];
        for (int i = 0; i < STEPS.length; i++) {
            int step = (first + i) % STEPS.length;
            answers[step] = STEPS[step].run(handle, device);
        }
        return answers;
    }

    /** Resident size of this process in bytes, from /proc/self/status. */
    static long residentBytes() {
        try {
            for (String line : Files.readAllLines(Path.of("/proc/self/status"))) {
                if (line.startsWith("VmRSS:")) {
                    return Long.parseLong(line.replaceAll("[^0-9]", "")) * 1024;
                }
            }
        } catch (IOException e) {
            // reported as unknown below
        }
        return -1;
    }

    static final class Sample {
        final long millis;
        final long calls;
        final long rss;
        final long heap;

        Sample(long millis, long calls, long rss, long heap) {
            this.millis = millis;
            this.calls = calls;
            this.rss = rss;
            this.heap = heap;
        }
    }

    public static void main(String[] args) throws Exception {
        if (args.length != 2) {
            System.err.println("usage: BridgeSoak THREADS CALLS_PER_THREAD");
            System.exit(2);
        }
        final int threads = Integer.parseInt(args[0]);
        final long callsPerThread = Long.parseLong(args[1]);
        final long rounds = (callsPerThread + CALLS_PER_ROUND - 1) / CALLS_PER_ROUND;
        final boolean counting = NativeMemory.available();

        long handle = ApiNative.dsdk_create();
        for (int t = 0; t < threads; t++) {
            int device = FIRST_DEVICE + t;
            int added = ApiNative.dsdk_add_device(handle, device);
            int connected = ApiNative.dsdk_connect(handle, device, ADDRESS, PORT, TIMEOUT);
            if (added != 0 || connected != 0) {
                System.out.printf("soak: device %d cannot be set up (%d, %d)%n", device, added,
                        connected);
                System.exit(1);
            }
        }

        // The one-thread answers: each device's round after a warm-up, taken twice to show that
        // a round leaves the terminal as it found it.
        String[][] expected = new String[threads][];
        for (int t = 0; t < threads; t++) {
            for (int w = 0; w < WARMUP_ROUNDS; w++) {
                round(handle, FIRST_DEVICE + t, 0);
            }
            expected[t] = round(handle, FIRST_DEVICE + t, 0);
            String[] again = round(handle, FIRST_DEVICE + t, 0);
            if (!Arrays.equals(expected[t], again)) {
                System.out.printf("soak: device %d answers differently from round to round:%n"
                        + "  %s%n  %s%n", FIRST_DEVICE + t, Arrays.toString(expected[t]),
                        Arrays.toString(again));
                System.exit(1);
            }
        }
        for (int t = 1; t < threads; t++) {
            if (Arrays.equals(expected[t], expected[0])) {
                System.out.printf("soak: devices %d and %d answer alike%n", FIRST_DEVICE,
                        FIRST_DEVICE + t);
                System.exit(1);
            }
        }
        System.out.printf("soak: %d threads x %d rounds of %d calls (%d calls each, %d in all)"
                + "%s%n", threads, rounds, CALLS_PER_ROUND, rounds * CALLS_PER_ROUND,
                rounds * CALLS_PER_ROUND * threads,
                counting ? ", native memory counted per worker" : "");
        System.out.println("one-thread answers of device " + FIRST_DEVICE + ":");
        for (String answer : expected[0]) {
            System.out.println("  " + answer);
        }

        List<String> failures = new ArrayList<>();
        AtomicLong callsDone = new AtomicLong();
        long[] heldPerWorker = new long[threads];
        CountDownLatch start = new CountDownLatch(1);
        CountDownLatch warm = new CountDownLatch(threads);
        Thread[] workers = new Thread[threads];
        for (int t = 0; t < threads; t++) {
            final int index = t;
            final int device = FIRST_DEVICE + t;
            workers[t] = new Thread(() -> {
                boolean warmed = false;
                try {
                    start.await();
                    // Per-thread JNI and JVM structures come into being in the first rounds.
                    for (int w = 0; w < WARMUP_ROUNDS; w++) {
                        round(handle, device, (index + w) % STEPS.length);
                    }
                    warm.countDown();
                    warmed = true;
                    NativeMemory.begin();
                    for (long r = 0; r < rounds; r++) {
                        // Each thread starts its rounds at another step, and moves on by one
                        // step each round: the threads are in different methods at once.
                        String[] got = round(handle, device, (int) ((index + r) % STEPS.length));
                        callsDone.addAndGet(CALLS_PER_ROUND);
                        if (!Arrays.equals(got, expected[index])) {
                            synchronized (failures) {
                                failures.add("device " + device + " round " + r + ": expected "
                                        + Arrays.toString(expected[index]) + " got "
                                        + Arrays.toString(got));
                            }
                            break;
                        }
                    }
                    heldPerWorker[index] = NativeMemory.end()[NativeMemory.NET];
                } catch (Throwable e) {
                    synchronized (failures) {
                        failures.add("device " + device + ": " + e);
                    }
                } finally {
                    if (!warmed) {
                        warm.countDown();
                    }
                }
            }, "soak-" + device);
            workers[t].start();
        }

        long began = System.nanoTime();
        start.countDown();
        warm.await();
        List<Sample> samples = new ArrayList<>();
        long warmAt = System.nanoTime();
        while (true) {
            boolean alive = false;
            for (Thread w : workers) {
                alive |= w.isAlive();
            }
            samples.add(new Sample((System.nanoTime() - warmAt) / 1_000_000, callsDone.get(),
                    residentBytes(), NativeMemory.heapInUse()));
            if (!alive) {
                break;
            }
            Thread.sleep(SAMPLE_MILLIS);
        }
        for (Thread w : workers) {
            w.join();
        }
        double seconds = (System.nanoTime() - began) / 1e9;
        ApiNative.dsdk_release(handle);

        System.out.println();
        System.out.println("memory over time (after the warm-up): seconds, calls, resident MiB,"
                + " native heap in use KiB");
        int every = Math.max(1, samples.size() / 20);
        for (int i = 0; i < samples.size(); i++) {
            if (i % every == 0 || i == samples.size() - 1) {
                Sample s = samples.get(i);
                System.out.printf("  %6.1f %12d %10.1f %12.1f%n", s.millis / 1000.0, s.calls,
                        s.rss / 1048576.0, s.heap / 1024.0);
            }
        }
        // The first sample is taken when every worker has warmed up; the last one after they
        // all finished. Growth is measured from the second sample, when the calls run.
        Sample from = samples.get(Math.min(1, samples.size() - 1));
        Sample to = samples.get(samples.size() - 1);
        long rssMin = Long.MAX_VALUE;
        long rssMax = 0;
        for (Sample s : samples.subList(samples.indexOf(from), samples.size())) {
            rssMin = Math.min(rssMin, s.rss);
            rssMax = Math.max(rssMax, s.rss);
        }
        long rssGrowth = to.rss - from.rss;
        long heapGrowth = to.heap - from.heap;
        long held = 0;
        long heldMost = 0;
        for (long h : heldPerWorker) {
            held += h;
            heldMost = Math.max(heldMost, h);
        }
        long total = callsDone.get();
        System.out.println();
        System.out.printf("calls: %d in %.1f s (%.0f calls/s), mismatches: %d%n", total, seconds,
                total / seconds, failures.size());
        System.out.printf("resident size: %.1f MiB to %.1f MiB (range %.1f to %.1f), growth"
                + " %+.1f MiB (limit %d MiB)%n", from.rss / 1048576.0, to.rss / 1048576.0,
                rssMin / 1048576.0, rssMax / 1048576.0, rssGrowth / 1048576.0,
                MAX_RSS_GROWTH / 1048576);
        System.out.printf("native heap in use: %.1f KiB to %.1f KiB, growth %+.1f KiB (limit %d"
                + " KiB)%n", from.heap / 1024.0, to.heap / 1024.0, heapGrowth / 1024.0,
                MAX_HEAP_GROWTH / 1024);
        int outstanding = SimulatorControl.outstandingTemplates();
        System.out.printf("scan templates not given back to the SDK: %d%n", outstanding);
        if (counting) {
            System.out.printf("native bytes left held by the workers' calls: %d in all, at most"
                    + " %d by one worker (limit %d): %s%n", held, heldMost,
                    MAX_HELD_BYTES_PER_WORKER, Arrays.toString(heldPerWorker));
        }

        boolean ok = failures.isEmpty() && outstanding == 0 && rssGrowth <= MAX_RSS_GROWTH
                && heapGrowth <= MAX_HEAP_GROWTH && (!counting || heldMost <= MAX_HELD_BYTES_PER_WORKER)
                && total == rounds * CALLS_PER_ROUND * threads;
        for (String f : failures.subList(0, Math.min(5, failures.size()))) {
            System.out.println("MISMATCH " + f);
        }
        System.out.println(ok ? "soak: PASS" : "soak: FAIL");
        System.exit(ok ? 0 : 1);
    }
}
