import com.zarvel.quorvexservice.apinative.ApiNative;
import com.zarvel.quorvexservice.simulator.Simulator;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

/**
 * The simulator's Java test helper as a Java team's test uses it: scenario files switched and
 * read again in one JVM, the offline rule and the connected query seen through ApiNative.
 *
 * <p>Arguments: SCENARIO_FOLDER (the shipped examples) WORK_FOLDER. Prints every mismatch and exits
 * with 1 when there is one.
 */
public final class SimulatorProbe {
    private static final List<String> failures = new ArrayList<>();

    public static void main(String[] args) throws IOException {
        Path examples = Path.of(args[0]);
        Path work = Files.createDirectories(Path.of(args[1]));
        Path own = work.resolve("own.json");

        // A shipped example: terminal 2 fails its 2nd to 4th serial number reads.
        Simulator.useScenario(examples.resolve("offline_terminal.json"));
        long h = connected(2);
        expect("offline_terminal serial 1", 0, ApiNative.dsdk_get_serial(h, 2).status);
        expect("offline_terminal serial 2", -3, ApiNative.dsdk_get_serial(h, 2).status);
        expect("no fault", null, Simulator.fault());

        // A scenario of the test's own, read again by a reset as it stands then.
        Files.writeString(own, "{\"terminals\": [{\"device\": 9, \"serial\": 99}]}");
        Simulator.useScenario(own);
        h = connected(9);
        expect("the handles start anew", 4096L, h);
        expect("own serial", 99, ApiNative.dsdk_get_serial(h, 9).serial);
        Files.writeString(own, "{\"terminals\": [{\"device\": 9, \"serial\": 100}]}");
        Simulator.reset();
        h = connected(9);
        expect("serial after the reset", 100, ApiNative.dsdk_get_serial(h, 9).serial);

        // The offline rule takes every operation at once; the connected query answers
        // "not connected" with status 0 under the Java method's name.
        Files.writeString(own, "{\"terminals\": [{\"device\": 3,"
                + " \"offline\": {\"status\": -3, \"from_call\": 3, \"to_call\": 5},"
                + " \"behaviour\": {\"dsdk_device_connected\": {\"connected\": false}}}]}");
        Simulator.reset();
        h = connected(3); // calls 1 and 2
        expect("logs while offline", null, ApiNative.dsdk_get_logs(h, 3, 10));
        expect("serial while offline", -3, ApiNative.dsdk_get_serial(h, 3).status);
        ApiNative.DSDKDeviceConnectedResult query = ApiNative.dsdk_device_connected(h, 3);
        expect("connected query status", 0, query.status);
        expect("connected query flag", false, query.connected);
        ApiNative.DSDKLogResult logs = ApiNative.dsdk_get_logs(h, 3, 10);
        expect("logs after the window", 5, logs == null ? -1 : logs.records.length);

        // A file that cannot be used: the simulator's line as the exception's message.
        Files.writeString(own, "{\"terminals\": [{\"device\": 1, \"serail\": 5}]}");
        try {
            Simulator.useScenario(own);
            failures.add("no exception for an unusable file");
        } catch (IllegalArgumentException e) {
            expect("the line", "devicesdk5 simulator: scenario " + own + ":1:30: terminals[0]: unknown"
                    + " key \"serail\"; expected one of: description, device, search, serial, card,"
                    + " firmware, network, parameters, users, max_users, scan, logs, log_cache,"
                    + " log_growth, behaviour, offline; every operation fails with status -8",
                    e.getMessage());
        }
        expect("create while unusable", 0L, ApiNative.dsdk_create());
        expect("fault while unusable", true, Simulator.fault() != null);

        // The default terminals, and back to the variable (unset here: the defaults too).
        Simulator.useDefaultTerminals();
        h = connected(500);
        expect("default serial", 5100500, ApiNative.dsdk_get_serial(h, 500).serial);
        Simulator.useScenarioVariable();
        expect("fault after going back", null, Simulator.fault());

        for (String failure : failures) {
            System.out.println("FAILED " + failure);
        }
        System.out.println(failures.isEmpty() ? "simulator helper: all as expected"
                : "simulator helper: " + failures.size() + " failed");
        System.exit(failures.isEmpty() ? 0 : 1);
    }

    private static long connected(int device) {
        long handle = ApiNative.dsdk_create();
        expect("add " + device, 0, ApiNative.dsdk_add_device(handle, device));
        expect("connect " + device, 0, ApiNative.dsdk_connect(handle, device, null, (short) 4370, (short) 5000));
        return handle;
    }

    private static void expect(String what, Object expected, Object found) {
        if (expected == null ? found != null : !expected.equals(found)) {
            failures.add(what + ": expected <" + expected + ">, found <" + found + ">");
        }
    }
}
