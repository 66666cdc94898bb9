package com.zarvel.quorvexservice.testing;

import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;
import java.util.concurrent.CountDownLatch;

/**
 * A Java service shaped like a fat-jar web application: main registers a shutdown hook that
 * writes "shutdown", starts a non-daemon thread that serves until {@link #stop} is called, writes
 * "main returned" and returns at once. The serving thread writes "serving" when it starts and
 * "served" when it ends. The report is the file the property quorvex.test.report names.
 */
public final class ServerProbe {
    private static final CountDownLatch STOPPED = new CountDownLatch(1);

    private ServerProbe() {}

    private static Path report() {
        return Paths.get(System.getProperty("quorvex.test.report"));
    }

    public static void main(String[] args) {
        Path report = report();
        Runtime.getRuntime().addShutdownHook(new Thread(() -> LaunchProbe.append(report, List.of("shutdown"))));
        Thread server = new Thread(() -> {
            LaunchProbe.append(report, List.of("serving"));
            try {
                STOPPED.await();
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
            LaunchProbe.append(report, List.of("served"));
        }, "server");
        server.setDaemon(false);
        server.start();
        LaunchProbe.append(report, List.of("main returned"));
    }

    public static void stop(String[] args) {
        LaunchProbe.append(report(), List.of("stop\t" + args.length));
        STOPPED.countDown();
    }
}
