package com.zarvel.quorvexservice.testing;

import java.nio.file.Paths;
import java.util.List;

/**
 * A Java agent for the launcher's real-JVM tests of the jar mode, in which main is never called:
 * while the JVM is being created, premain writes down the class path the JVM was given and its
 * input arguments, in LaunchProbe's report format, to the file named by the agent's argument.
 */
public final class LaunchAgent {
    private LaunchAgent() {}

    public static void premain(String reportPath) {
        List<String> lines = new java.util.ArrayList<>();
        lines.add("premain");
        lines.add("property\tjava.class.path\t"
                + LaunchProbe.escape(System.getProperty("java.class.path")));
        for (String option :
                java.lang.management.ManagementFactory.getRuntimeMXBean().getInputArguments()) {
            lines.add("option\t" + LaunchProbe.escape(option));
        }
        LaunchProbe.append(Paths.get(reportPath), lines);
        Runtime.getRuntime().addShutdownHook(
                new Thread(() -> LaunchProbe.append(Paths.get(reportPath), List.of("shutdown"))));
    }
}
