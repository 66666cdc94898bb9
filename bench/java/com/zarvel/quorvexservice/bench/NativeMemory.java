package com.zarvel.quorvexservice.bench;

/**
 * The malloc counter of the memory run (libbenchmalloc.so, preloaded): counts the native
 * allocations of the calling thread between begin and end. Also the process's malloc heap in use.
 */
final class NativeMemory {
    static {
        System.loadLibrary("bridgebench");
    }

    private NativeMemory() {}

    /** Index of the values that end gives. */
    static final int PEAK = 0;
    static final int NET = 1;
    static final int ALLOCATIONS = 2;
    static final int LARGEST = 3;

    static native boolean available();

    static native void begin();

    /** Bytes that malloc holds for the whole process (every thread), counter or not. */
    static native long heapInUse();

    /** Peak bytes held, bytes held at the end, blocks allocated, largest request. */
    static native long[] end();
}
