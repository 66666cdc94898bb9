package com.zarvel.quorvexservice.apinative;

import java.time.LocalDateTime;

/**
 * A Java side that does not keep the bridge's contract, for tests: DSDKSerial has no (II)V
 * constructor, DSDKUserData no "locked" field, DSDKSystemParameter no "value" field. Everything
 * else has the reference shapes (the classes that tests do not reach are left empty).
 */
public final class ApiNative {
    static {
        System.loadLibrary("palmbridge");
    }

    private ApiNative() {}

    public static native long dsdk_create();
    public static native void dsdk_release(long handle);
    public static native int dsdk_add_device(long handle, int device);
    public static native int dsdk_remove_device(long handle, int device);
    public static native int dsdk_connect(long h, int d, String text, short a, short b);
    public static native int dsdk_disconnect(long handle, int device);
    public static native DSDKDeviceConnectedResult dsdk_device_connected(long h, int d);
    public static native int dsdk_init_device(long handle, int device);
    public static native DSDKDeviceSearchResult dsdk_search_devices(long h, int maxCount);
    public static native DSDKFwVer dsdk_get_firmware_version(long h, int d);
    public static native DSDKSerial dsdk_get_serial(long h, int d);
    public static native DSDKNetworkConfig dsdk_get_network_config(long h, int d);
    public static native DSDKNetworkConfig dsdk_get_network_config_full(long h, int d);
    public static native DSDKScanTemplateResult dsdk_scan_biometric(long h, int d, int capacity);
    public static native DSDKScanCard dsdk_scan_card(long h, int d);
    public static native int dsdk_add_user(long h, int d, DSDKUserData u, DSDKBioTemplate[] t);
    public static native int dsdk_remove_user(long h, int d, DSDKUserData u);
    public static native int dsdk_set_time(long h, int d, LocalDateTime time);
    public static native DSDKSystemParametersResult dsdk_get_system_parameters(long h, int d);
    public static native int dsdk_set_system_parameters(long h, int d, DSDKSystemParameter[] p);
    public static native DSDKLogResult dsdk_get_logs(long h, int d, int capacity);
    public static native DSDKLogResult dsdk_get_log_cache(long h, int d, int capacity);

    public static final class DSDKSerial {
        public final long serial;

        public DSDKSerial(int status, long serial) {
            this.serial = serial + status;
        }
    }

    public static final class DSDKUserData {
        public int uid;
        public int card;
        public int pin;
        public String name;
        public String surname;
        public int schedule;
        public int template_count;

        public DSDKUserData(int uid) {
            this.uid = uid;
        }
    }

    public static final class DSDKSystemParameter {
        public int id;

        public DSDKSystemParameter(int id, int value) {
            this.id = id + value;
        }
    }

    public static final class DSDKDeviceConnectedResult {}
    public static final class DSDKDeviceSearchResult {}
    public static final class DSDKFwVer {}
    public static final class DSDKNetworkConfig {}
    public static final class DSDKScanTemplateResult {}
    public static final class DSDKScanCard {}
    public static final class DSDKBioTemplate {}
    public static final class DSDKSystemParametersResult {}
    public static final class DSDKLogResult {}
}
