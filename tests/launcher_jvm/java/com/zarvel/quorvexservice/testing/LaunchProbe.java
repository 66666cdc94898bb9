package com.zarvel.quorvexservice.testing;

import java.io.IOException;
import java.lang.management.ManagementFactory;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;
import java.util.ArrayList;
import java.util.List;

/**
 * The main class of the launcher's real-JVM tests. It writes down, one "kind TAB text" line each,
 * the arguments main received, the system properties the test names, and the JVM's own input
 * arguments, to the file that the property quorvex.test.report names. A shutdown hook adds the
 * line "shutdown" when the JVM shuts down. main returns normally, or, when its last argument is
 * "throw", by an exception; a last argument "exit=N" ends the process with System.exit(N).
 */
public final class LaunchProbe {
    private LaunchProbe() {}

    /** Tabs and line ends would break the report's lines. */
    static String escape(String text) {
        if (text == null) {
            return "<null>";
        }
        return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r");
    }

    static void append(Path report, List<String> lines) {
        try {
            Files.write(report, lines, StandardCharsets.UTF_8, StandardOpenOption.CREATE,
                    StandardOpenOption.APPEND);
        } catch (IOException e) {
            throw new IllegalStateException("cannot write " + report, e);
        }
    }

    public static void main(String[] args) {
        Path report = Paths.get(System.getProperty("quorvex.test.report"));
        List<String> lines = new ArrayList<>();
        lines.add("main");
        for (String arg : args) {
            lines.add("arg\t" + escape(arg));
        }
        String names = System.getProperty("quorvex.test.properties", "");
        for (String name : names.split(",")) {
            if (!name.isEmpty()) {
                lines.add("property\t" + name + "\t" + escape(System.getProperty(name)));
            }
        }
        for (String option : ManagementFactory.getRuntimeMXBean().getInputArguments()) {
            lines.add("option\t" + escape(option));
        }
        append(report, lines);
        Runtime.getRuntime().addShutdownHook(new Thread(() -> append(report, List.of("shutdown"))));
        String last = args.length > 0 ? args[args.length - 1] : "";
        if (last.equals("throw")) {
            throw new IllegalStateException("main leaves by an exception");
        }
        if (last.startsWith("exit=")) {
            System.exit(Integer.parseInt(last.substring("exit=".length())));
        }
    }
}
