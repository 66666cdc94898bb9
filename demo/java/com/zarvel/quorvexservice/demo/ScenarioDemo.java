package com.zarvel.quorvexservice.demo;

import com.zarvel.quorvexservice.apinative.ApiNative;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKDevice;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKLogResult;
import com.zarvel.quorvexservice.apinative.ApiNative.LogRecord;

/**
 * A service's polling loop against the terminals of a scenario file: reads one terminal's serial
 * number and event log every so often and shows what comes back. Run it with
 * DEVICESDK5_SIM_SCENARIO naming the scenario; the arguments are the device number, the number
 * of rounds and the milliseconds between them.
 */
public final class ScenarioDemo {
    private ScenarioDemo() {}

    public static void main(String[] args) throws InterruptedException {
        int device = Integer.parseInt(args[0]);
        int rounds = Integer.parseInt(args[1]);
        long pauseMs = Long.parseLong(args[2]);

        long sdk = ApiNative.dsdk_create();
        ApiNative.DSDKDeviceSearchResult found = ApiNative.dsdk_search_devices(sdk, 16);
        System.out.printf("Search: status %d%n", found.status);
        for (DSDKDevice d : found.devices == null ? new DSDKDevice[0] : found.devices) {
            System.out.printf("  %s%n", d);
        }
        System.out.printf("Terminal %d: add %d, connect %d%n", device,
                ApiNative.dsdk_add_device(sdk, device),
                ApiNative.dsdk_connect(sdk, device, "", (short) 4370, (short) 5));
        for (int round = 1; round <= rounds; round++) {
            Thread.sleep(pauseMs);
            ApiNative.DSDKSerial serial = ApiNative.dsdk_get_serial(sdk, device);
            // A failed log read gives null: the bridge does not hand the SDK status to Java.
            DSDKLogResult log = ApiNative.dsdk_get_logs(sdk, device, 100);
            LogRecord[] records = log == null ? new LogRecord[0] : log.records;
            System.out.printf("Round %d: serial status %d%s; event log %s%n", round, serial.status,
                    serial.status == 0 ? " (" + serial.serial + ")" : "  <- terminal offline",
                    log == null ? "null (read failed)" : records.length + " record(s)");
            if (records.length > 0) {
                LogRecord last = records[records.length - 1];
                System.out.printf("  newest: user %d, event %d, door %d, %04d-%02d-%02d %02d:%02d:%02d, %.1f%n",
                        last.int1, last.int2, last.short1, last.short2, last.byte1, last.byte2,
                        last.byte3, last.byte4, last.byte5, last.double1);
            }
        }
        System.out.printf("Terminal %d: disconnect %d%n", device, ApiNative.dsdk_disconnect(sdk, device));
        ApiNative.dsdk_release(sdk);
    }
}
