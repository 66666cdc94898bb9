package com.zarvel.quorvexservice.demo;

import com.zarvel.quorvexservice.apinative.ApiNative;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKBioTemplate;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKDevice;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKLogResult;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKNetworkConfig;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKSystemParameter;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKUserData;
import com.zarvel.quorvexservice.apinative.ApiNative.LogRecord;
import com.zarvel.quorvexservice.apinative.ApiNative.ScanTemplate;
import java.time.LocalDateTime;
import java.util.Arrays;

/** One round trip to a terminal through palmbridge: what the Java service does, step by step. */
public final class TerminalDemo {
    private TerminalDemo() {}

    private static void say(String format, Object... args) {
        System.out.println(String.format(format, args));
    }

    private static void check(String what, int status) {
        say("  %-28s status %d%s", what, status, status == 0 ? "" : "  (failed)");
    }

    public static void main(String[] args) {
        long sdk = ApiNative.dsdk_create();
        say("SDK instance: handle 0x%08X", sdk);

        ApiNative.DSDKDeviceSearchResult found = ApiNative.dsdk_search_devices(sdk, 16);
        say("Search: status %d, %d terminal(s)", found.status, found.devices.length);
        for (DSDKDevice d : found.devices) {
            say("  %s", d);
        }
        DSDKDevice terminal = found.devices[0];
        int device = terminal.value;

        say("Terminal %d (%s at %s):", device, terminal.type, terminal.text1);
        check("add device", ApiNative.dsdk_add_device(sdk, device));
        check("connect " + terminal.text1 + ":" + terminal.shortValue,
                ApiNative.dsdk_connect(sdk, device, terminal.text1, terminal.shortValue, (short) 5));
        ApiNative.DSDKDeviceConnectedResult connected = ApiNative.dsdk_device_connected(sdk, device);
        say("  connected: %b (status %d)", connected.connected, connected.status);
        check("initialise", ApiNative.dsdk_init_device(sdk, device));

        ApiNative.DSDKFwVer version = ApiNative.dsdk_get_firmware_version(sdk, device);
        say("  firmware: \"%s\" (status %d)", version.version, version.status);
        ApiNative.DSDKSerial serial = ApiNative.dsdk_get_serial(sdk, device);
        say("  serial number: %d (status %d)", serial.serial, serial.status);
        DSDKNetworkConfig net = ApiNative.dsdk_get_network_config(sdk, device);
        say("  network: %s port %d (status %d)", net.text1, net.value & 0xFFFF, net.status);
        DSDKNetworkConfig full = ApiNative.dsdk_get_network_config_full(sdk, device);
        say("  network, full: %s port %d mask %s gateway %s id %s (status %d)", full.text1,
                full.value & 0xFFFF, full.text2, full.text3, full.text4, full.status);

        ApiNative.DSDKScanTemplateResult scan = ApiNative.dsdk_scan_biometric(sdk, device, 4);
        say("Biometric scan: status %d, %d template(s)", scan.status, scan.templates.length);
        for (ScanTemplate t : scan.templates) {
            say("  quality %d, %d bytes: %s...", t.scanValue, t.data.length,
                    Arrays.toString(Arrays.copyOf(t.data, 6)));
        }
        ApiNative.DSDKScanCard card = ApiNative.dsdk_scan_card(sdk, device);
        say("Card scan: status %d, card number 0x%08X", card.status, card.card);

        DSDKBioTemplate[] templates = new DSDKBioTemplate[scan.templates.length];
        for (int i = 0; i < templates.length; i++) {
            templates[i] = new DSDKBioTemplate(i + 1, 1, 500 + i, scan.templates[i].data);
        }
        DSDKUserData user = new DSDKUserData(1001, card.card, 4321, "Ada", "Lovelace", 1,
                templates.length, 0);
        say("Enrol user %d \"%s %s\" with %d template(s):", user.uid, user.name, user.surname,
                templates.length);
        check("add user", ApiNative.dsdk_add_user(sdk, device, user, templates));

        LocalDateTime now = LocalDateTime.of(2026, 12, 10, 9, 30, 0);
        check("set clock to " + now, ApiNative.dsdk_set_time(sdk, device, now));

        ApiNative.DSDKSystemParametersResult params = ApiNative.dsdk_get_system_parameters(sdk, device);
        say("System parameters: status %d, %s", params.status, Arrays.toString(params.parameters));
        check("set parameter 5 = 60", ApiNative.dsdk_set_system_parameters(sdk, device,
                new DSDKSystemParameter[] {new DSDKSystemParameter(5, 60)}));
        params = ApiNative.dsdk_get_system_parameters(sdk, device);
        say("System parameters: status %d, %s", params.status, Arrays.toString(params.parameters));

        DSDKLogResult log = ApiNative.dsdk_get_logs(sdk, device, 100);
        say("Event log: %d record(s)", log == null ? 0 : log.records.length);
        for (LogRecord r : log.records) {
            say("  event %d kind %d at %04d-%02d-%02d %02d:%02d:%02d value %.2f", r.int1, r.int2,
                    r.short2, r.byte1, r.byte2, r.byte3, r.byte4, r.byte5, r.double1);
        }
        DSDKLogResult cache = ApiNative.dsdk_get_log_cache(sdk, device, 100);
        say("Log cache: %d record(s)", cache == null ? 0 : cache.records.length);

        check("remove user " + user.uid, ApiNative.dsdk_remove_user(sdk, device, user));
        check("disconnect", ApiNative.dsdk_disconnect(sdk, device));
        check("remove device", ApiNative.dsdk_remove_device(sdk, device));
        ApiNative.dsdk_release(sdk);
        say("SDK instance released.");
    }
}
