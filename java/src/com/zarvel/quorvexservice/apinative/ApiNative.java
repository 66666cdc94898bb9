package com.zarvel.quorvexservice.apinative;

import java.time.LocalDateTime;
import java.util.Arrays;

/**
 * Reference Java half of palmbridge: the 22 native methods and the nested classes that the bridge
 * constructs or reads, with exactly the constructors, fields and descriptors that it uses. The
 * Java service ships its own ApiNative; this one is for tests, the demo and as the contract (the
 * contract check, {@code palmbridge-contract.jar}, compares a service's own copy with it).
 *
 * <p>Each native method makes one call of the vendor's device SDK {@code devicesdk5} (the
 * biometric scan adds the call that gives the SDK's template memory back) and hands the SDK's
 * answer to Java. Loading this class loads the library {@code palmbridge}, which loads
 * {@code devicesdk5} (the vendor's, or the simulator that stands in for it).
 *
 * <h2>Handles and devices</h2>
 * {@link #dsdk_create()} returns the SDK instance handle, which every other method takes first.
 * It travels in a {@code long}: the SDK's 32 bits zero-extended on the way out (so it is never
 * negative), and only its low 32 bits are used on the way in. It is valid until
 * {@link #dsdk_release(long)}; the {@code long} keeps its value after that, and must not be used
 * again. The {@code int device} of the per-device methods is the terminal's number within the
 * instance, handed to the SDK unchanged; register it with {@link #dsdk_add_device(long, int)} and
 * connect it before using it.
 *
 * <h2>Statuses</h2>
 * Every SDK operation answers with a status: 0 is success, and any other value is the SDK's own,
 * passed to Java unchanged (the bridge neither interprets, retries nor translates it). The
 * {@code int} methods return it; the object methods put it into the result's {@code status}
 * field, with these exceptions:
 * <ul>
 * <li>{@link #dsdk_get_logs(long, int, int)} and {@link #dsdk_get_log_cache(long, int, int)}
 *     return <b>null</b> when the SDK fails: the status, for example that of an offline terminal,
 *     does not reach Java. Treat null as "no records this time" and find the cause with another
 *     call (for example {@link #dsdk_get_serial(long, int)}, whose result carries its status);
 * <li>{@link #dsdk_scan_biometric(long, int, int)} returns the status with null templates when
 *     the SDK fails;
 * <li>{@link #dsdk_create()} returns whatever the SDK returns for a failed creation (the
 *     simulator: 0), and {@link #dsdk_release(long)} discards the SDK's status.
 * </ul>
 * What a non-zero status means is the vendor SDK's matter. The devicesdk5 simulator answers with
 * these codes; they describe the simulator, not a promise about the vendor's SDK:
 * <table class="striped">
 * <caption>Statuses of the devicesdk5 simulator</caption>
 * <thead><tr><th scope="col">Status</th><th scope="col">Meaning in the simulator</th></tr></thead>
 * <tbody>
 * <tr><th scope="row">0</th><td>success</td></tr>
 * <tr><th scope="row">-1</th><td>unknown handle (never created, or released)</td></tr>
 * <tr><th scope="row">-2</th><td>unknown device: the number was not added to this handle</td></tr>
 * <tr><th scope="row">-3</th><td>not connected: the operation needs a connected device</td></tr>
 * <tr><th scope="row">-4</th><td>bad argument (an invalid time, a template of more than 1 MiB)</td></tr>
 * <tr><th scope="row">-5</th><td>{@code dsdk_remove_user}: no user with that uid</td></tr>
 * <tr><th scope="row">-6</th><td>{@code dsdk_add_device}: the device number is already added</td></tr>
 * <tr><th scope="row">-7</th><td>table full: devices per handle (256), users per device, templates
 *     per user (100), parameter ids (1024)</td></tr>
 * <tr><th scope="row">-8</th><td>the scenario file cannot be used: every operation fails</td></tr>
 * </tbody>
 * </table>
 * A scenario file may make the simulator answer any other non-zero status.
 *
 * <h2>Requests the bridge refuses</h2>
 * The bridge refuses a request before it allocates anything or calls the SDK, and throws:
 * <ul>
 * <li>{@link IllegalArgumentException} for a count or capacity outside its range, naming the
 *     method, the value and the bound ({@code "dsdk_get_logs: capacity -1 is outside 0 to
 *     67108863"}): the largest count whose records fit 2147483647 bytes;
 * <li>{@link NullPointerException} for a null argument that it must read, with a message;
 * <li>{@link OutOfMemoryError} when memory cannot be allocated.
 * </ul>
 * An {@code int} method's own result is then {@link #BRIDGE_REFUSED}, which Java never sees
 * because the exception is thrown.
 *
 * <h2>Null results and errors of the Java side</h2>
 * When a result class or its constructor (or a class or field that the bridge reads) cannot be
 * found, because the Java side differs from this reference, the JVM's own error
 * ({@link NoClassDefFoundError}, {@link NoSuchMethodError}, {@link NoSuchFieldError}) is thrown
 * from the call, after the SDK call has been made. The contract check finds such differences
 * before a call does.
 *
 * <h2>Texts</h2>
 * Texts to the SDK are the string's JNI modified UTF-8 bytes. Texts from the SDK are read within
 * their field, up to the first NUL: valid modified UTF-8 and four-byte UTF-8 sequences become
 * their characters, and every other byte becomes the character of the same value (U+0080 to
 * U+00FF), so a text in a legacy code page is recovered with
 * {@code new String(s.getBytes(StandardCharsets.ISO_8859_1), codePage)}.
 *
 * <h2>Threads</h2>
 * Any Java thread may call any method at any time, also several threads at once. The bridge takes
 * no lock and shares nothing between calls: each call works on its own buffers and on the
 * calling thread's JNI environment, and blocks that thread for as long as the SDK operation
 * takes. It does not serialise calls into the SDK: whether two calls on one SDK instance or one
 * device may overlap is the vendor SDK's matter (serialise them per handle when its documentation
 * asks for it). The devicesdk5 simulator is thread-safe: one lock around its state, and a
 * scripted delay (a slow terminal) is waited outside that lock, so delayed calls overlap.
 */
public final class ApiNative {
    /**
     * The result of an {@code int} method whose request the bridge refused. The method throws an
     * exception that says why, so Java code never receives this value.
     */
    public static final int BRIDGE_REFUSED = Integer.MIN_VALUE;

    static {
        System.loadLibrary("palmbridge");
    }

    private ApiNative() {}

    /**
     * Creates an SDK instance.
     *
     * @return the instance handle, the SDK's 32 bits zero-extended (0 to 4294967295); a failed
     *     creation returns what the SDK returns for it (the simulator: 0), untested by the bridge
     */
    public static native long dsdk_create();

    /**
     * Releases an SDK instance and its devices. The SDK's status is discarded; the handle must
     * not be used again.
     *
     * @param handle the instance handle (its low 32 bits are used)
     */
    public static native void dsdk_release(long handle);

    /**
     * Registers a terminal with an SDK instance.
     *
     * @param handle the instance handle
     * @param device the terminal's number within the instance, any {@code int}
     * @return the SDK status
     */
    public static native int dsdk_add_device(long handle, int device);

    /**
     * Removes a terminal from an SDK instance, connected or not.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @return the SDK status
     */
    public static native int dsdk_remove_device(long handle, int device);

    /**
     * Connects a registered terminal. The bridge interprets neither text nor values: it hands the
     * text to the SDK as its modified UTF-8 bytes (a null text as a null pointer), and each
     * {@code short} as an unsigned 16-bit value of the same bits (0 to 65535: pass 60000 as
     * {@code (short) 60000}; -1 arrives as 65535). Their meaning is the vendor SDK's; the service,
     * the demo and the simulator use them thus:
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @param connection the terminal's network address, for example {@code "192.0.2.22"}; null or
     *     empty for the address the SDK knows for the terminal (the simulator: its default one)
     * @param value1 the terminal's TCP port, 0 to 65535 (the terminals' default is 4370)
     * @param value2 the connection timeout in milliseconds, 0 to 65535 (the benchmarks pass 5000);
     *     the simulator keeps it and waits on nothing
     * @return the SDK status
     * @throws OutOfMemoryError when the copy of the text cannot be allocated
     */
    public static native int dsdk_connect(long handle, int device, String connection, short value1,
            short value2);

    /**
     * Disconnects a terminal.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @return the SDK status
     */
    public static native int dsdk_disconnect(long handle, int device);

    /**
     * Asks the SDK whether a terminal is connected ({@code dsdk_is_connected} of the SDK).
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @return the status and the flag; on a failure the flag is {@code false} unless the SDK set
     *     it. A status of 0 with {@code false} is an answer: the terminal is not connected
     */
    public static native DSDKDeviceConnectedResult dsdk_device_connected(long handle, int device);

    /**
     * Initialises a connected terminal.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @return the SDK status
     */
    public static native int dsdk_init_device(long handle, int device);

    /**
     * Searches the network for terminals. The result is built whatever the status, from the
     * number of records that the SDK reports (never more than {@code maxCount}).
     *
     * @param handle the instance handle
     * @param maxCount how many terminals the result may hold, 0 to 7561562
     * @return the status and the devices found (an empty array, not null, when none)
     * @throws IllegalArgumentException when {@code maxCount} is outside 0 to 7561562
     * @throws OutOfMemoryError when the records cannot be allocated
     */
    public static native DSDKDeviceSearchResult dsdk_search_devices(long handle, int maxCount);

    /**
     * Reads a terminal's firmware version.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @return the status and the version text (at most 254 bytes from the SDK; empty when the
     *     SDK wrote nothing)
     */
    public static native DSDKFwVer dsdk_get_firmware_version(long handle, int device);

    /**
     * Reads a terminal's serial number. Unlike the event log reads, a failure reaches Java: the
     * result carries the status (for example that the terminal is offline) and the serial 0.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @return the status and the serial number
     */
    public static native DSDKSerial dsdk_get_serial(long handle, int device);

    /**
     * Reads a terminal's network address and port (the short form).
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @return the status, the address in {@link DSDKNetworkConfig#text1}, the port in
     *     {@link DSDKNetworkConfig#value}; texts 2 to 4 are empty
     */
    public static native DSDKNetworkConfig dsdk_get_network_config(long handle, int device);

    /**
     * Reads a terminal's full network configuration.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @return the status, address, port, mask, gateway and hardware address (see
     *     {@link DSDKNetworkConfig})
     */
    public static native DSDKNetworkConfig dsdk_get_network_config_full(long handle, int device);

    /**
     * Captures biometric templates from the person at the terminal. The SDK's template memory is
     * given back to it before the method returns.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @param capacity how many templates the scan may capture, 0 to 89478485
     * @return on success the status 0 and the templates captured (an empty array when none); on
     *     an SDK failure the status and null templates
     * @throws IllegalArgumentException when {@code capacity} is outside 0 to 89478485
     * @throws OutOfMemoryError when the records or a template cannot be allocated
     */
    public static native DSDKScanTemplateResult dsdk_scan_biometric(long handle, int device,
            int capacity);

    /**
     * Reads a card held to the terminal.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @return the status and the card number (0 when the SDK wrote none)
     */
    public static native DSDKScanCard dsdk_scan_card(long handle, int device);

    /**
     * Writes a user with templates to a terminal (a user with the same uid is replaced, in the
     * simulator). The first {@code user.template_count} elements of {@code templates} are sent;
     * the rest are not read.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @param user the user; see {@link DSDKUserData} for each field
     * @param templates the templates; may be null when {@code user.template_count} is 0
     * @return the SDK status
     * @throws NullPointerException when {@code user} is null, or {@code templates}, one of its
     *     first {@code template_count} elements or such an element's {@code data} is null
     * @throws IllegalArgumentException when {@code template_count} is outside 0 to 89478485 or
     *     larger than the array
     * @throws OutOfMemoryError when the records cannot be allocated
     */
    public static native int dsdk_add_user(long handle, int device, DSDKUserData user,
            DSDKBioTemplate[] templates);

    /**
     * Removes a user from a terminal; only {@code user.uid} is read.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @param user the user to remove
     * @return the SDK status (the simulator: -5 when no user has that uid)
     * @throws NullPointerException when {@code user} is null
     */
    public static native int dsdk_remove_user(long handle, int device, DSDKUserData user);

    /**
     * Sets a terminal's clock to a date and time as it stands: no time zone, nanoseconds dropped,
     * and only the low 16 bits of the year and the low 8 bits of the other fields sent.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @param time the terminal's new local date and time
     * @return the SDK status
     * @throws NullPointerException when {@code time} is null
     */
    public static native int dsdk_set_time(long handle, int device, LocalDateTime time);

    /**
     * Reads a terminal's system parameters, at most 1024. The result is built whatever the
     * status.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @return the status and the parameters the SDK reported (an empty array when none)
     */
    public static native DSDKSystemParametersResult dsdk_get_system_parameters(long handle,
            int device);

    /**
     * Writes system parameters to a terminal, in array order (duplicate ids are sent as they
     * come).
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @param parameters the parameters, 0 to 268435455 of them
     * @return the SDK status
     * @throws NullPointerException when the array or one of its elements is null
     * @throws IllegalArgumentException when the array holds more than 268435455 elements
     * @throws OutOfMemoryError when the records cannot be allocated
     */
    public static native int dsdk_set_system_parameters(long handle, int device,
            DSDKSystemParameter[] parameters);

    /**
     * Reads a terminal's event log, as many records as the SDK gives up to {@code capacity}.
     * <b>Returns null when the SDK fails</b>, whatever the reason (an offline terminal, an unknown
     * device): the status does not reach Java. Poll again later, or call a method whose result
     * carries the status (such as {@link #dsdk_get_serial(long, int)}) to learn it.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @param capacity how many records the result may hold, 0 to 67108863
     * @return the status 0 and the records (an empty array when none), or null when the SDK
     *     failed
     * @throws IllegalArgumentException when {@code capacity} is outside 0 to 67108863
     * @throws OutOfMemoryError when the records cannot be allocated
     */
    public static native DSDKLogResult dsdk_get_logs(long handle, int device, int capacity);

    /**
     * Reads a terminal's log cache, as {@link #dsdk_get_logs(long, int, int)} reads its event log.
     * <b>Returns null when the SDK fails</b>: the status does not reach Java.
     *
     * @param handle the instance handle
     * @param device the terminal's number
     * @param capacity how many records the result may hold, 0 to 67108863
     * @return the status 0 and the records (an empty array when none), or null when the SDK
     *     failed
     * @throws IllegalArgumentException when {@code capacity} is outside 0 to 67108863
     * @throws OutOfMemoryError when the records cannot be allocated
     */
    public static native DSDKLogResult dsdk_get_log_cache(long handle, int device, int capacity);

    /**
     * A terminal's device type. The bridge makes one for each device found, with the constructor
     * {@code (I)V} from the SDK's signed 32-bit type code; two are equal when their codes are. The
     * named constants are the codes that the Java service knows; any other code is kept as it is.
     */
    public static final class DSDKTypes {
        /** Type code 0: not known. */
        public static final DSDKTypes UNKNOWN = new DSDKTypes(0);
        /** Type code 1: a palm terminal. */
        public static final DSDKTypes PALM_TERMINAL = new DSDKTypes(1);
        /** Type code 2: a face terminal. */
        public static final DSDKTypes FACE_TERMINAL = new DSDKTypes(2);
        /** Type code 3: a card reader. */
        public static final DSDKTypes CARD_READER = new DSDKTypes(3);

        /** The SDK's signed 32-bit type code. */
        public final int code;

        /**
         * Called by the bridge for each device found (descriptor {@code (I)V}).
         *
         * @param code the SDK's type code
         */
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

    /** The answer of {@link ApiNative#dsdk_device_connected(long, int)}. */
    public static final class DSDKDeviceConnectedResult {
        /** The SDK status, 0 for success. */
        public final int status;
        /** Whether the terminal is connected; {@code false} when the SDK failed without a flag. */
        public final boolean connected;

        /**
         * Called by the bridge (descriptor {@code (IZ)V}).
         *
         * @param status the SDK status
         * @param connected the SDK's flag
         */
        public DSDKDeviceConnectedResult(int status, boolean connected) {
            this.status = status;
            this.connected = connected;
        }
    }

    /**
     * One terminal found by a search. The bridge passes the SDK's search record through; what the
     * fields mean is the SDK's (described here as the simulator fills them).
     */
    public static final class DSDKDevice {
        /** The device type. */
        public final DSDKTypes type;
        /** The record's 32-bit value: the terminal's device number in the simulator. */
        public final int value;
        /** The first text, at most 254 bytes: the terminal's network address in the simulator. */
        public final String text1;
        /** The second text, at most 16 bytes: the terminal's serial number in the simulator. */
        public final String text2;
        /**
         * The record's 16-bit value, sign-extended: the terminal's port in the simulator (read it
         * as {@code Short.toUnsignedInt(shortValue)} for 0 to 65535).
         */
        public final short shortValue;

        /**
         * Called by the bridge (descriptor {@code (Lcom/zarvel/quorvexservice/apinative/ApiNative$DSDKTypes;ILjava/lang/String;Ljava/lang/String;S)V}).
         *
         * @param type the device type
         * @param value the 32-bit value
         * @param text1 the first text
         * @param text2 the second text
         * @param shortValue the 16-bit value
         */
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

    /** The answer of {@link ApiNative#dsdk_search_devices(long, int)}. */
    public static final class DSDKDeviceSearchResult {
        /** The SDK status, 0 for success. */
        public final int status;
        /** The terminals found, as many as the SDK reported (also on a failure); never null. */
        public final DSDKDevice[] devices;

        /**
         * Called by the bridge.
         *
         * @param status the SDK status
         * @param devices the terminals found
         */
        public DSDKDeviceSearchResult(int status, DSDKDevice[] devices) {
            this.status = status;
            this.devices = devices;
        }
    }

    /** The answer of {@link ApiNative#dsdk_get_firmware_version(long, int)}. */
    public static final class DSDKFwVer {
        /** The SDK status, 0 for success. */
        public final int status;
        /** The firmware version text; empty when the SDK wrote none. */
        public final String version;

        /**
         * Called by the bridge (descriptor {@code (ILjava/lang/String;)V}).
         *
         * @param status the SDK status
         * @param version the version text
         */
        public DSDKFwVer(int status, String version) {
            this.status = status;
            this.version = version;
        }
    }

    /** The answer of {@link ApiNative#dsdk_get_serial(long, int)}. */
    public static final class DSDKSerial {
        /** The SDK status, 0 for success. */
        public final int status;
        /** The serial number, its 32 bits as the SDK gave them; 0 when the SDK wrote none. */
        public final int serial;

        /**
         * Called by the bridge (descriptor {@code (II)V}).
         *
         * @param status the SDK status
         * @param serial the serial number
         */
        public DSDKSerial(int status, int serial) {
            this.status = status;
            this.serial = serial;
        }
    }

    /**
     * The answer of {@link ApiNative#dsdk_get_network_config(long, int)} and
     * {@link ApiNative#dsdk_get_network_config_full(long, int)}. Each text holds at most 15 bytes
     * from the SDK; the meanings are the SDK's (described as the simulator fills them).
     */
    public static final class DSDKNetworkConfig {
        /** The SDK status, 0 for success. */
        public final int status;
        /** The network address, for example {@code "192.0.2.22"}. */
        public final String text1;
        /**
         * The port, sign-extended from 16 bits: read it as {@code Short.toUnsignedInt(value)} for
         * 0 to 65535.
         */
        public final short value;
        /** The network mask (full form; empty in the short form). */
        public final String text2;
        /** The gateway (full form; empty in the short form). */
        public final String text3;
        /** The hardware address, for example {@code "00-1B-5A-00-02"} (full form only). */
        public final String text4;

        /**
         * Called by the bridge (descriptor
         * {@code (ILjava/lang/String;SLjava/lang/String;Ljava/lang/String;Ljava/lang/String;)V}).
         *
         * @param status the SDK status
         * @param text1 the address
         * @param value the port
         * @param text2 the mask
         * @param text3 the gateway
         * @param text4 the hardware address
         */
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

    /** One template captured by a scan. */
    public static final class ScanTemplate {
        /**
         * The value that the scan reports with the template (a quality score in the simulator),
         * cut to its low 16 bits: read it as {@code Short.toUnsignedInt(scanValue)}.
         */
        public final short scanValue;
        /** The template bytes, a copy of the SDK's; never null, possibly empty. */
        public final byte[] data;

        /**
         * Called by the bridge (descriptor {@code (S[B)V}).
         *
         * @param scanValue the scan value
         * @param data the template bytes
         */
        public ScanTemplate(short scanValue, byte[] data) {
            this.scanValue = scanValue;
            this.data = data;
        }
    }

    /** The answer of {@link ApiNative#dsdk_scan_biometric(long, int, int)}. */
    public static final class DSDKScanTemplateResult {
        /** The SDK status, 0 for success. */
        public final int status;
        /** The templates captured; null when the scan failed (status not 0). */
        public final ScanTemplate[] templates;

        /**
         * Called by the bridge.
         *
         * @param status the SDK status
         * @param templates the templates, or null
         */
        public DSDKScanTemplateResult(int status, ScanTemplate[] templates) {
            this.status = status;
            this.templates = templates;
        }
    }

    /** The answer of {@link ApiNative#dsdk_scan_card(long, int)}. */
    public static final class DSDKScanCard {
        /** The SDK status, 0 for success. */
        public final int status;
        /** The card number, its 32 bits as the SDK gave them; 0 when the SDK wrote none. */
        public final int card;

        /**
         * Called by the bridge (descriptor {@code (II)V}).
         *
         * @param status the SDK status
         * @param card the card number
         */
        public DSDKScanCard(int status, int card) {
            this.status = status;
            this.card = card;
        }
    }

    /**
     * A user to enrol; only {@code uid} is read for removal. The bridge reads the fields and sends
     * them as they are (32 bits each); their meaning is the terminal's.
     */
    public static final class DSDKUserData {
        /** The user id, unique on the terminal. */
        public int uid;
        /** The card number. */
        public int card;
        /** The PIN. */
        public int pin;
        /**
         * The first name: its modified UTF-8 bytes, cut to the first 64 bytes (at a byte count,
         * not at a character); null is sent as an empty text.
         */
        public String name;
        /** The surname, sent as {@link #name} is. */
        public String surname;
        /** The schedule number. */
        public int schedule;
        /**
         * How many templates are sent: the first template_count elements of the array, 0 to
         * 89478485 and at most the array's length.
         */
        public int template_count;
        /** The lock flag, passed through as it is (the bridge does not reduce it to 0 or 1). */
        public int locked;

        /** A user with every field 0 or null. */
        public DSDKUserData() {}

        /**
         * A user with every field given.
         *
         * @param uid the user id
         * @param card the card number
         * @param pin the PIN
         * @param name the first name
         * @param surname the surname
         * @param schedule the schedule number
         * @param template_count how many templates are sent
         * @param locked the lock flag
         */
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

    /** A template sent with a user; the bridge copies every field to the SDK as it is. */
    public static final class DSDKBioTemplate {
        /** The finger the template belongs to. */
        public int finger_id;
        /** The template format. */
        public int format;
        /** The template id. */
        public int id;
        /** The template bytes; must not be null (empty is allowed). */
        public byte[] data;

        /** A template with every field 0 or null. */
        public DSDKBioTemplate() {}

        /**
         * A template with every field given.
         *
         * @param finger_id the finger
         * @param format the format
         * @param id the template id
         * @param data the template bytes
         */
        public DSDKBioTemplate(int finger_id, int format, int id, byte[] data) {
            this.finger_id = finger_id;
            this.format = format;
            this.id = id;
            this.data = data;
        }
    }

    /** A system parameter of a terminal: an id and its value, 32 bits each. */
    public static final class DSDKSystemParameter {
        /** The parameter id. */
        public int id;
        /** The parameter's value. */
        public int value;

        /**
         * Called by the bridge for each parameter read (descriptor {@code (II)V}).
         *
         * @param id the parameter id
         * @param value the value
         */
        public DSDKSystemParameter(int id, int value) {
            this.id = id;
            this.value = value;
        }

        @Override
        public String toString() {
            return id + "=" + value;
        }
    }

    /** The answer of {@link ApiNative#dsdk_get_system_parameters(long, int)}. */
    public static final class DSDKSystemParametersResult {
        /** The SDK status, 0 for success. */
        public final int status;
        /** The parameters, as many as the SDK reported (at most 1024, also on a failure). */
        public final DSDKSystemParameter[] parameters;

        /**
         * Called by the bridge.
         *
         * @param status the SDK status
         * @param parameters the parameters
         */
        public DSDKSystemParametersResult(int status, DSDKSystemParameter[] parameters) {
            this.status = status;
            this.parameters = parameters;
        }
    }

    /**
     * One record of a terminal's event log or log cache: the SDK's 32-byte record, nine integer
     * fields and a number, passed through without interpretation. Their meaning is the vendor
     * SDK's; the simulator fills them as described (and {@code short2} to {@code byte5} have the
     * layout of the SDK's time record: year, month, day, hour, minute, second). The 16-bit and
     * 8-bit fields are widened without sign.
     */
    public static final class LogRecord {
        /** Signed 32-bit: the user id of the event in the simulator. */
        public final int int1;
        /** Signed 32-bit: the event code in the simulator. */
        public final int int2;
        /** Unsigned 16-bit, 0 to 65535: the door (the terminal's device number) in the simulator. */
        public final int short1;
        /** Unsigned 16-bit, 0 to 65535: the year of the event. */
        public final int short2;
        /** Unsigned 8-bit, 0 to 255: the month, 1 to 12. */
        public final int byte1;
        /** Unsigned 8-bit, 0 to 255: the day of the month. */
        public final int byte2;
        /** Unsigned 8-bit, 0 to 255: the hour. */
        public final int byte3;
        /** Unsigned 8-bit, 0 to 255: the minute. */
        public final int byte4;
        /** Unsigned 8-bit, 0 to 255: the second. */
        public final int byte5;
        /** The record's number, passed unchanged: a reading (a temperature) in the simulator. */
        public final double double1;

        /**
         * Called by the bridge for each record (descriptor {@code (IIIIIIIIID)V}).
         *
         * @param int1 the first 32-bit field
         * @param int2 the second 32-bit field
         * @param short1 the first 16-bit field
         * @param short2 the second 16-bit field
         * @param byte1 the first 8-bit field
         * @param byte2 the second 8-bit field
         * @param byte3 the third 8-bit field
         * @param byte4 the fourth 8-bit field
         * @param byte5 the fifth 8-bit field
         * @param double1 the number
         */
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

    /**
     * The answer of {@link ApiNative#dsdk_get_logs(long, int, int)} and
     * {@link ApiNative#dsdk_get_log_cache(long, int, int)}; made only on success (the methods
     * return null when the SDK fails).
     */
    public static final class DSDKLogResult {
        /** The SDK status: always 0, since a failure gives no result. */
        public final int status;
        /** The records, in the SDK's order; never null. */
        public final LogRecord[] records;

        /**
         * Called by the bridge.
         *
         * @param status the SDK status
         * @param records the records
         */
        public DSDKLogResult(int status, LogRecord[] records) {
            this.status = status;
            this.records = records;
        }
    }
}
