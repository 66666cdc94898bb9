package com.zarvel.quorvexservice.bench;

import java.io.IOException;
import java.lang.management.ManagementFactory;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * Benchmark of palmbridge on the host JVM with the devicesdk5 simulator. Run by scripts/bench:
 * "time" times the methods beside their baselines, "memory" (with the malloc counter preloaded)
 * counts native memory per call. "--quick" uses a tenth of the counts, for a try of the harness.
 * It reports; it does not fail on a missed goal. Exit status 1 only when it could not run.
 */
public final class BridgeBench {
    /** Counts and repetitions of one run. */
    static final class Sizes {
        final int logRecords;
        final int devices;
        final int templates;
        final int calls;
        final int warmups;
        final int reps;

        Sizes(int logRecords, int devices, int templates, int calls, int warmups, int reps) {
            this.logRecords = logRecords;
            this.devices = devices;
            this.templates = templates;
            this.calls = calls;
            this.warmups = warmups;
            this.reps = reps;
        }
    }

    static final Sizes FULL = new Sizes(1_000_000, 100_000, 10_000, 500_000, 3, 15);
    static final Sizes QUICK = new Sizes(100_000, 10_000, 1_000, 100_000, 2, 3);

    private BridgeBench() {}

    public static void main(String[] args) {
        String mode = args.length > 0 ? args[0] : "";
        boolean quick = args.length > 1 && args[1].equals("--quick");
        Sizes sizes = quick ? QUICK : FULL;
        try {
            switch (mode) {
                case "time":
                    printMachine();
                    new TimeRun(sizes).run();
                    break;
                case "memory":
                    new MemoryRun(sizes).run();
                    break;
                default:
                    System.err.println("usage: BridgeBench time|memory [--quick]");
                    System.exit(2);
            }
        } catch (RuntimeException | LinkageError e) {
            System.err.println("bench: could not run: " + e);
            e.printStackTrace();
            System.exit(1);
        }
    }

    private static void printMachine() {
        System.out.printf("JVM: %s %s; options: %s%n", System.getProperty("java.vm.name"),
                System.getProperty("java.vm.version"),
                String.join(" ", ManagementFactory.getRuntimeMXBean().getInputArguments()));
        System.out.printf("CPU: %s, %d cores; load average at the start: %s%n", cpuModel(),
                Runtime.getRuntime().availableProcessors(), loadAverage());
        System.out.println();
    }

    /** The 1-minute load average: other work on the machine makes the figures noisier. */
    private static String loadAverage() {
        try {
            return Files.readString(Path.of("/proc/loadavg")).split(" ")[0];
        } catch (IOException e) {
            return "unknown";
        }
    }

    private static String cpuModel() {
        try {
            for (String line : Files.readAllLines(Path.of("/proc/cpuinfo"))) {
                if (line.startsWith("model name")) {
                    return line.substring(line.indexOf(':') + 1).trim();
                }
            }
        } catch (IOException e) {
            // the model is only shown
        }
        return "unknown";
    }
}
