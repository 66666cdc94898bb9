package com.zarvel.quorvexservice.apinative;

import java.time.LocalDateTime;
import java.util.Arrays;

/**
 * Reference Java half of palmbridge: the 22 native methods and the nested classes that the bridge
 * constructs or reads, with exactly the constructors, fields and descriptors that it uses. The
 * Java service ships its own ApiNative; this one is for tests, the demo and as the contract.
 *
 * <p>Status values: 0 is success; any other value from the SDK travels unchanged. An {@code int}
 * method returns {@link #BRIDGE_REFUSED} when the bridge itself refused the request; an exception
 * that says why is then thrown, so the value is seen only by code that catches it natively.
 */
public final class ApiNative {
    /** Status of an int method whose request the bridge refused (an exception is thrown). */
    public static final int BRIDGE_REFUSED = Integer.MIN_VALUE;

    static {
        System.loadLibrary("palmbridge");
    }

    private ApiNative() {}

    public static native long dsdk_create();

    public static native void dsdk_release(long handle);

    public static native int dsdk_add_device(long handle, int device);

    public static native int dsdk_remove_device(long handle, int device);

    public static native int dsdk_connect(long handle, int device, String connection, short value1,
            short value2);

    public static native int dsdk_disconnect(long handle, int device);

    public static native DSDKDeviceConnectedResult dsdk_device_connected(long handle, int device);

    public static native int dsdk_init_device(long handle, int device);

    public static native DSDKDeviceSearchResult dsdk_search_devices(long handle, int maxCount);

    public static native DSDKFwVer dsdk_get_firmware_version(long handle, int device);

    public static native DSDKSerial dsdk_get_serial(long handle, int device);

    public static native DSDKNetworkConfig dsdk_get_network_config(long handle, int device);

    public static native DSDKNetworkConfig dsdk_get_network_config_full(long handle, int device);

    public static native DSDKScanTemplateResult dsdk_scan_biometric(long handle, int device,
            int capacity);

    public static native DSDKScanCard dsdk_scan_card(long handle, int device);

    public static native int dsdk_add_user(long handle, int device, DSDKUserData user,
            DSDKBioTemplate[] templates);

    public static native int dsdk_remove_user(long handle, int device, DSDKUserData user);

    public static native int dsdk_set_time(long handle, int device, LocalDateTime time);

    public static native DSDKSystemParametersResult dsdk_get_system_parameters(long handle,
            int device);

    public static native int dsdk_set_system_parameters(long handle, int device,
            DSDKSystemParameter[] parameters);

    public static native DSDKLogResult dsdk_get_logs(long handle, int device, int capacity);

    public static native DSDKLogResult dsdk_get_log_cache(long handle, int device, int capacity);

    /**
     * A terminal's device type. The bridge makes one for each device found, with the constructor
     * {@code (I)V} from the SDK's signed 32-bit type code; two are equal when their codes are. The
     * named constants are the codes that the Java service knows; any other code is kept as it is.
     */
    public static final class DSDKTypes {
        public static final DSDKTypes UNKNOWN = new DSDKTypes(0);
        public static final DSDKTypes PALM_TERMINAL = new DSDKTypes(1);
        public static final DSDKTypes FACE_TERMINAL = new DSDKTypes(2);
        public static final DSDKTypes CARD_READER = new DSDKTypes(3);

        public final int code;

        public DSDKTypes(int code) {
            this.code = code;
        }

        @Override
        public boolean equals(Object other) {
            return other instanceof DSDKTypes && ((DSDKTypes) other).code == code;
        }

        @Override
        public int hashCode() {
            return Integer.hashCode(code);
        }

        @Override
        public String toString() {
            switch (code) {
                case 0: return "UNKNOWN";
                case 1: return "PALM_TERMINAL";
                case 2: return "FACE_TERMINAL";
                case 3: return "CARD_READER";
                default: return "TYPE_" + code;
            }
        }
    }

    public static final class DSDKDeviceConnectedResult {
        public final int status;
        public final boolean connected;

        public DSDKDeviceConnectedResult(int status, boolean connected) {
            this.status = status;
            this.connected = connected;
        }
    }

    public static final class DSDKDevice {
        public final DSDKTypes type;
        public final int value;
        public final String text1;
        public final String text2;
        public final short shortValue;

        public DSDKDevice(DSDKTypes type, int value, String text1, String text2, short shortValue) {
            this.type = type;
            this.value = value;
            this.text1 = text1;
            this.text2 = text2;
            this.shortValue = shortValue;
        }

        @Override
        public String toString() {
            return type + " " + value + " \"" + text1 + "\" \"" + text2 + "\" " + shortValue;
        }
    }

    public static final class DSDKDeviceSearchResult {
        public final int status;
        public final DSDKDevice[] devices;

        public DSDKDeviceSearchResult(int status, DSDKDevice[] devices) {
            this.status = status;
            this.devices = devices;
        }
    }

    public static final class DSDKFwVer {
        public final int status;
        public final String version;

        public DSDKFwVer(int status, String version) {
            this.status = status;
            this.version = version;
        }
    }

    public static final class DSDKSerial {
        public final int status;
        public final int serial;

        public DSDKSerial(int status, int serial) {
            this.status = status;
            this.serial = serial;
        }
    }

    public static final class DSDKNetworkConfig {
        public final int status;
        public final String text1;
        public final short value;
        public final String text2;
        public final String text3;
        public final String text4;

        public DSDKNetworkConfig(int status, String text1, short value, String text2, String text3,
                String text4) {
            this.status = status;
            this.text1 = text1;
            this.value = value;
            this.text2 = text2;
            this.text3 = text3;
            this.text4 = text4;
        }
    }

    public static final class ScanTemplate {
        public final short scanValue;
        public final byte[] data;

        public ScanTemplate(short scanValue, byte[] data) {
            this.scanValue = scanValue;
            this.data = data;
        }
    }

    public static final class DSDKScanTemplateResult {
        public final int status;
        /** Null when the scan failed. */
        public final ScanTemplate[] templates;

        public DSDKScanTemplateResult(int status, ScanTemplate[] templates) {
            this.status = status;
            this.templates = templates;
        }
    }

    public static final class DSDKScanCard {
        public final int status;
        public final int card;

        public DSDKScanCard(int status, int card) {
            this.status = status;
            this.card = card;
        }
    }

    /** A user to enrol; only {@code uid} is read for removal. */
    public static final class DSDKUserData {
        public int uid;
        public int card;
        public int pin;
        public String name;
        public String surname;
        public int schedule;
        /** How many templates are sent: the first template_count elements of the array. */
        public int template_count;
        public int locked;

        public DSDKUserData() {}

        public DSDKUserData(int uid, int card, int pin, String name, String surname, int schedule,
                int template_count, int locked) {
            this.uid = uid;
            this.card = card;
            this.pin = pin;
            this.name = name;
            this.surname = surname;
            this.schedule = schedule;
            this.template_count = template_count;
            this.locked = locked;
        }
    }

    public static final class DSDKBioTemplate {
        public int finger_id;
        public int format;
        public int id;
        public byte[] data;

        public DSDKBioTemplate() {}

        public DSDKBioTemplate(int finger_id, int format, int id, byte[] data) {
            this.finger_id = finger_id;
            this.format = format;
            this.id = id;
            this.data = data;
        }
    }

    public static final class DSDKSystemParameter {
        public int id;
        public int value;

        public DSDKSystemParameter(int id, int value) {
            this.id = id;
            this.value = value;
        }

        @Override
        public String toString() {
            return id + "=" + value;
        }
    }

    public static final class DSDKSystemParametersResult {
        public final int status;
        public final DSDKSystemParameter[] parameters;

        public DSDKSystemParametersResult(int status, DSDKSystemParameter[] parameters) {
            this.status = status;
            this.parameters = parameters;
        }
    }

    public static final class LogRecord {
        public final int int1;
        public final int int2;
        public final int short1;
        public final int short2;
        public final int byte1;
        public final int byte2;
        public final int byte3;
        public final int byte4;
        public final int byte5;
        public final double double1;

        public LogRecord(int int1, int int2, int short1, int short2, int byte1, int byte2,
                int byte3, int byte4, int byte5, double double1) {
            this.int1 = int1;
            this.int2 = int2;
            this.short1 = short1;
            this.short2 = short2;
            this.byte1 = byte1;
            this.byte2 = byte2;
            this.byte3 = byte3;
            this.byte4 = byte4;
            this.byte5 = byte5;
            this.double1 = double1;
        }

        @Override
        public String toString() {
            return Arrays.toString(new Object[] {int1, int2, short1, short2, byte1, byte2, byte3,
                    byte4, byte5, double1});
        }
    }

    public static final class DSDKLogResult {
        public final int status;
        public final LogRecord[] records;

        public DSDKLogResult(int status, LogRecord[] records) {
            this.status = status;
            this.records = records;
        }
    }
}
