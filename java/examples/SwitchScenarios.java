import com.zarvel.quorvexservice.apinative.ApiNative;
import com.zarvel.quorvexservice.simulator.Simulator;
import java.nio.file.Path;

/**
 * Scenario files switched inside one JVM, as a test suite does between its tests: each named file
 * is used in turn, and terminal 1's serial number is read from it.
 *
 * <p>Arguments: SCENARIO_FILE...
 */
public final class SwitchScenarios {
    private SwitchScenarios() {}

    public static void main(String[] args) {
        for (String file : args) {
            Simulator.useScenario(Path.of(file));
            long sdk = ApiNative.dsdk_create();
            ApiNative.dsdk_add_device(sdk, 1);
            ApiNative.dsdk_connect(sdk, 1, null, (short) 4370, (short) 5000);
            ApiNative.DSDKSerial serial = ApiNative.dsdk_get_serial(sdk, 1);
            System.out.println(file + ": serial number " + serial.serial + ", status " + serial.status);
        }
        Simulator.useDefaultTerminals();
        System.out.println("default terminals: searched " + ApiNative.dsdk_search_devices(
                ApiNative.dsdk_create(), 10).devices.length);
    }
}
