package com.zarvel.quorvexservice.simulator;

import java.nio.charset.Charset;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;

/**
 * Test helper for the devicesdk5 simulator: switches the scenario file, or starts the simulated
 * terminals anew, inside a running JVM. For tests only: it drives the simulator's own control
 * interface, which the vendor's SDK does not have, and it is not part of {@code ApiNative}.
 *
 * <p>It loads the library {@code devicesdk5_control} (built beside {@code palmbridge} and
 * {@code devicesdk5}; the same {@code java.library.path} finds it), which calls into the
 * simulator that {@code palmbridge} has loaded: both work on the same simulated terminals.
 *
 * <p>Every switch and reset starts the terminals anew, as a new process would: the scenario file
 * is read again as it stands now, call counts (the {@code from_call} and {@code to_call} of the
 * scenario's rules), device tables and event log clocks start from the beginning, template data
 * that scans handed out and that was not given back is freed, and the SDK handles start again
 * from the first one. Handles created before are unknown afterwards (or name a new instance):
 * create them anew. Do not switch while other threads call {@code ApiNative}.
 *
 * <p>A typical JUnit test:
 *
 * <pre>{@code
 * @BeforeEach
 * void offlineTerminal() {
 *     Simulator.useScenario(Path.of("simulator/scenarios/offline_terminal.json"));
 * }
 *
 * @AfterAll
 * static void backToTheVariable() {
 *     Simulator.useScenarioVariable();
 * }
 * }</pre>
 */
public final class Simulator {
    /** The status with which every operation fails while the scenario file cannot be used. */
    public static final int SCENARIO_UNUSABLE = -8;

    static {
        System.loadLibrary("devicesdk5_control");
    }

    private Simulator() {}

    /**
     * Reads the scenario file {@code file} from now on, in place of the one that the environment
     * variable {@code DEVICESDK5_SIM_SCENARIO} names, and starts the terminals anew from it.
     *
     * @param file the scenario file; a relative path is taken from the JVM's working directory
     * @throws IllegalArgumentException when the file cannot be used: the message is the
     *     simulator's line that says where and what (also written to the standard error stream);
     *     every SDK operation then fails with {@link #SCENARIO_UNUSABLE} until another switch
     * @throws NullPointerException when {@code file} is null
     */
    public static void useScenario(Path file) {
        String path = file.toString();
        if (path.isEmpty() || path.indexOf('\0') >= 0) {
            throw new IllegalArgumentException("not a scenario file: \"" + path + "\"");
        }
        if (useScenarioFile(path.getBytes(fileNameCharset())) != 0) {
            throw new IllegalArgumentException(fault());
        }
    }

    /** Uses the simulator's default terminals from now on (three healthy terminals), anew. */
    public static void useDefaultTerminals() {
        useScenarioFile(new byte[0]);
    }

    /**
     * Goes back to the scenario file that the environment variable
     * {@code DEVICESDK5_SIM_SCENARIO} names (the default terminals without it), and starts the
     * terminals anew from it.
     *
     * @throws IllegalStateException when that file cannot be used, with the simulator's line
     */
    public static void useScenarioVariable() {
        if (useScenarioFile(null) != 0) {
            throw new IllegalStateException(fault());
        }
    }

    /**
     * Starts the terminals anew from the scenario file in use, read again as it stands now.
     *
     * @throws IllegalStateException when the file cannot be used (any more), with the
     *     simulator's line
     */
    public static void reset() {
        resetTerminals();
        String fault = fault();
        if (fault != null) {
            throw new IllegalStateException(fault);
        }
    }

    /**
     * Why the scenario file in use cannot be used.
     *
     * @return the simulator's line, for example {@code devicesdk5 simulator: scenario
     *     my.json:4:17: terminals[0].network.port: expected an integer from 0 to 65535; every
     *     operation fails with status -8}; null when the terminals can be used
     */
    public static String fault() {
        byte[] line = faultLine();
        return line == null ? null : new String(line, fileNameCharset());
    }

    // The charset of file names on this platform, in which the simulator gets the path.
    private static Charset fileNameCharset() {
        String name = System.getProperty("sun.jnu.encoding");
        return name != null && Charset.isSupported(name) ? Charset.forName(name) : StandardCharsets.UTF_8;
    }

    private static native int useScenarioFile(byte[] path);

    private static native void resetTerminals();

    private static native byte[] faultLine();
}
