package com.zarvel.quorvexservice.testing;

import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;
import java.util.concurrent.CountDownLatch;

/**
 * The Java service of the launcher's service tests on the real JVM. main registers a shutdown
 * hook that writes "shutdown", writes "main" to the report that the property quorvex.test.report
 * names, and waits until {@link #stop} is called, then writes "main returned". stop writes
 * "stop TAB the number of its arguments". System.exit ends the service as well.
 */
public final class ServiceProbe {
    private static final CountDownLatch STOPPED = new CountDownLatch(1);

    private ServiceProbe() {}

    private static Path report() {
        return Paths.get(System.getProperty("quorvex.test.report"));
    }

    public static void main(String[] args) throws InterruptedException {
        Path report = report();
        Runtime.getRuntime().addShutdownHook(new Thread(() -> LaunchProbe.append(report, List.of("shutdown"))));
        LaunchProbe.append(report, List.of("main"));
        STOPPED.await();
        LaunchProbe.append(report, List.of("main returned"));
    }

    public static void stop(String[] args) {
        LaunchProbe.append(report(), List.of("stop\t" + args.length));
        STOPPED.countDown();
    }
}
