package com.zarvel.quorvexservice.bench;

/**
 * Baselines measured beside palmbridge's methods: native methods that do nothing (the cost of a
 * JNI call with the signature of the bridge's int methods), and the bare JNI work of each record
 * conversion, made with the classes of ApiNative but without an SDK.
 */
final class Baseline {
    static {
        System.loadLibrary("bridgebench");
    }

    private Baseline() {}

    static native void empty();

    /** Does nothing; the signature of dsdk_add_device, dsdk_disconnect, dsdk_init_device. */
    static native int emptyInt(long handle, int device);

    /** Does nothing; the signature of dsdk_connect. */
    static native int emptyConnect(long handle, int device, String text, short value1,
            short value2);

    /**
     * The least JNI work that copies the text for the SDK: its length, its bytes into a native
     * buffer; the signature of dsdk_connect. Gives 0.
     */
    static native int textCopy(long handle, int device, String text, short value1,
            short value2);

    /** A DSDKLogResult of count LogRecord objects. */
    static native Object logRecords(int count);

    /** A DSDKDeviceSearchResult of count DSDKDevice objects, two strings and a type each. */
    static native Object devices(int count);

    /** A DSDKScanTemplateResult of count ScanTemplate objects of 64 bytes each. */
    static native Object scanTemplates(int count);
}
