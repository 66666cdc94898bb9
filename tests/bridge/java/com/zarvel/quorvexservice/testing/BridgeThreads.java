package com.zarvel.quorvexservice.testing;

import com.zarvel.quorvexservice.apinative.ApiNative;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.CountDownLatch;

/**
 * Java threads that call the bridge at the same time, each on a device of its own, and check that
 * every call gives what the same call gave on one thread alone.
 */
public final class BridgeThreads {
    private BridgeThreads() {}

    /** What one round of calls on one device gives, as text. */
    static String round(long handle, int device) {
        StringBuilder out = new StringBuilder();
        ApiNative.DSDKSerial serial = ApiNative.dsdk_get_serial(handle, device);
        out.append(serial.status).append('/').append(serial.serial).append(' ');
        ApiNative.DSDKFwVer version = ApiNative.dsdk_get_firmware_version(handle, device);
        out.append(version.status).append('/').append(version.version).append(' ');
        ApiNative.DSDKScanCard card = ApiNative.dsdk_scan_card(handle, device);
        out.append(card.status).append('/').append(card.card).append(' ');
        ApiNative.DSDKNetworkConfig net = ApiNative.dsdk_get_network_config_full(handle, device);
        out.append(net.status).append('/').append(net.text1).append('/').append(net.value)
                .append('/').append(net.text2).append(' ');
        ApiNative.DSDKLogResult log = ApiNative.dsdk_get_logs(handle, device, 16);
        out.append(log == null ? "null" : log.records.length + ":" + (log.records.length > 0
                ? log.records[0].toString() : ""));
        return out.toString();
    }

    /**
     * Runs threads x rounds rounds at once, thread t on device first + t; gives "" when every
     * round matched the one-thread answer of its device, else the first mismatch.
     */
    public static String run(long handle, int first, int threads, int rounds) throws Exception {
        String[] expected = new String[threads];
        for (int t = 0; t < threads; t++) {
            expected[t] = round(handle, first + t);
        }
        for (int t = 1; t < threads; t++) {
            if (expected[t].equals(expected[0])) {
                return "devices " + first + " and " + (first + t) + " answer alike: " + expected[t];
            }
        }
        List<String> failures = new ArrayList<>();
        CountDownLatch start = new CountDownLatch(1);
        Thread[] workers = new Thread[threads];
        for (int t = 0; t < threads; t++) {
            final int index = t;
            workers[t] = new Thread(() -> {
                try {
                    start.await();
                    for (int r = 0; r < rounds; r++) {
                        String got = round(handle, first + index);
                        if (!got.equals(expected[index])) {
                            synchronized (failures) {
                                failures.add("device " + (first + index) + " round " + r
                                        + ": expected " + expected[index] + " got " + got);
                            }
                            return;
                        }
                    }
                } catch (Throwable e) {
                    synchronized (failures) {
                        failures.add("device " + (first + index) + ": " + e);
                    }
                }
            });
            workers[t].start();
        }
        start.countDown();
        for (Thread w : workers) {
            w.join();
        }
        return failures.isEmpty() ? "" : failures.get(0);
    }
}
