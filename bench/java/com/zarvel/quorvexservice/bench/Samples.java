package com.zarvel.quorvexservice.bench;

import java.util.Arrays;

/** Measured values of one quantity; the benchmark reports their median. */
final class Samples {
    private double[] values = new double[8];
    private int size;

    void add(double value) {
        if (size == values.length) {
            values = Arrays.copyOf(values, size * 2);
        }
        values[size++] = value;
    }

    double median() {
        if (size == 0) {
            throw new IllegalStateException("no samples");
        }
        double[] sorted = Arrays.copyOf(values, size);
        Arrays.sort(sorted);
        int middle = size / 2;
        return size % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }

    double max() {
        double max = Double.NEGATIVE_INFINITY;
        for (int i = 0; i < size; i++) {
            max = Math.max(max, values[i]);
        }
        return max;
    }
}
