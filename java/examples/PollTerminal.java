import com.zarvel.quorvexservice.apinative.ApiNative;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKLogResult;
import com.zarvel.quorvexservice.apinative.ApiNative.DSDKSerial;

/**
 * A Java developer's first program against palmbridge: connects one terminal and polls its event
 * log. A failed log read gives null (the bridge does not hand that status to Java), so the
 * serial number read, whose result carries its status, says why.
 *
 * <p>Arguments: DEVICE ROUNDS [PAUSE_MS] (default 1000 ms between rounds).
 */
public final class PollTerminal {
    private PollTerminal() {}

    public static void main(String[] args) throws InterruptedException {
        int device = Integer.parseInt(args[0]);
        int rounds = Integer.parseInt(args[1]);
        long pauseMs = args.length > 2 ? Long.parseLong(args[2]) : 1000;

        long sdk = ApiNative.dsdk_create();
        System.out.println("add " + ApiNative.dsdk_add_device(sdk, device) + ", connect "
                + ApiNative.dsdk_connect(sdk, device, null, (short) 4370, (short) 5000));
        for (int round = 1; round <= rounds; round++) {
            DSDKLogResult log = ApiNative.dsdk_get_logs(sdk, device, 100);
            if (log != null) {
                System.out.println("round " + round + ": " + log.records.length + " records");
            } else {
                DSDKSerial serial = ApiNative.dsdk_get_serial(sdk, device);
                System.out.println("round " + round + ": no records; serial number read: status "
                        + serial.status);
            }
            if (round < rounds) {
                Thread.sleep(pauseMs);
            }
        }
        ApiNative.dsdk_disconnect(sdk, device);
        ApiNative.dsdk_release(sdk);
    }
}
