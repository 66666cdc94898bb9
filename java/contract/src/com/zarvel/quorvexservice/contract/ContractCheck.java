package com.zarvel.quorvexservice.contract;

import java.io.BufferedReader;
import java.io.EOFException;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.io.UncheckedIOException;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Collections;
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Set;
import java.util.zip.ZipFile;

/**
 * Checks a Java service's {@code ApiNative} against what palmbridge calls: every native method,
 * every class the bridge constructs with the constructor it calls, and every class and field it
 * reads. The expected shapes are generated from the bridge's own table when this jar is built.
 * The classes are read as class files: nothing is loaded or initialised.
 *
 * <p>From the command line: {@code java -jar palmbridge-contract.jar CLASSPATH}. It prints the
 * report's lines and exits with {@link Verdict#exitCode()}; a check that cannot be made prints its
 * one line on the standard error stream instead.
 *
 * <p>From a test, with the jar on the test's class path:
 *
 * <pre>{@code
 * ContractCheck.Report report = ContractCheck.check(List.of(Path.of("target/classes")));
 * assertEquals(ContractCheck.Verdict.ALL_PRESENT, report.verdict(), String.join("\n", report.lines()));
 * }</pre>
 */
public final class ContractCheck {
    static final String API_NATIVE = "com/zarvel/quorvexservice/apinative/ApiNative";
    private static final String SHAPES = "palmbridge-contract.txt";
    private static final String PREFIX = "palmbridge contract: ";

    /** The outcome of a check. */
    public enum Verdict {
        /** Every shape that the bridge uses is present (exit code 0). */
        ALL_PRESENT(0),
        /** At least one shape is missing or differs (exit code 1). */
        MISSING(1),
        /** The class path could not be checked (exit code 2). */
        CANNOT_CHECK(2);

        private final int exitCode;

        Verdict(int exitCode) {
            this.exitCode = exitCode;
        }

        /**
         * The exit code of the command line for this verdict.
         *
         * @return 0, 1 or 2
         */
        public int exitCode() {
            return exitCode;
        }
    }

    /** What a check found: its verdict and the lines of the report. */
    public static final class Report {
        private final Verdict verdict;
        private final List<String> lines;
        private final int present;
        private final int missing;

        Report(Verdict verdict, List<String> lines, int present, int missing) {
            this.verdict = verdict;
            this.lines = Collections.unmodifiableList(new ArrayList<>(lines));
            this.present = present;
            this.missing = missing;
        }

        /**
         * The verdict.
         *
         * @return {@link Verdict#ALL_PRESENT}, {@link Verdict#MISSING} or
         *     {@link Verdict#CANNOT_CHECK}
         */
        public Verdict verdict() {
            return verdict;
        }

        /**
         * The lines that the command line prints, in order, without line ends: one
         * {@code present} or {@code missing} line per shape and the summary
         * {@code palmbridge contract: N present, M missing}; for {@link Verdict#CANNOT_CHECK} the
         * one line {@code palmbridge contract: cannot check: WHY}.
         *
         * @return the lines, unmodifiable
         */
        public List<String> lines() {
            return lines;
        }

        /**
         * The lines that start with {@code missing}.
         *
         * @return the missing shapes' lines, in report order
         */
        public List<String> missingLines() {
            List<String> found = new ArrayList<>();
            for (String line : lines) {
                if (line.startsWith("missing ")) {
                    found.add(line);
                }
            }
            return found;
        }

        /**
         * How many shapes are present.
         *
         * @return the count (0 when the check could not be made)
         */
        public int present() {
            return present;
        }

        /**
         * How many shapes are missing.
         *
         * @return the count (0 when the check could not be made)
         */
        public int missing() {
            return missing;
        }

        /** The lines, each ended by a line feed. */
        @Override
        public String toString() {
            StringBuilder text = new StringBuilder();
            for (String line : lines) {
                text.append(line).append('\n');
            }
            return text.toString();
        }
    }

    private final ClassLoader classPath;
    private final List<String> lines = new ArrayList<>();
    private int present;
    private int missing;

    private ContractCheck(ClassLoader classPath) {
        this.classPath = classPath;
    }

    /**
     * Runs the check from the command line; see the class description.
     *
     * @param args one argument: the class path, entries separated by the platform's path separator
     */
    public static void main(String[] args) {
        if (args.length != 1) {
            System.err.println("usage: java -jar palmbridge-contract.jar CLASSPATH");
            System.exit(Verdict.CANNOT_CHECK.exitCode());
        }
        Report report = check(args[0]);
        if (report.verdict() == Verdict.CANNOT_CHECK) {
            System.err.print(report);
        } else {
            System.out.print(report);
        }
        System.out.flush();
        System.exit(report.verdict().exitCode());
    }

    /**
     * Checks the classes on a class path given as one text.
     *
     * @param classPath entries separated by the platform's path separator ({@code :} or
     *     {@code ;}); empty entries are skipped
     * @return the report; never null
     */
    public static Report check(String classPath) {
        List<Path> entries = new ArrayList<>();
        for (String entry : classPath.split(File.pathSeparator)) {
            if (!entry.isEmpty()) {
                try {
                    entries.add(Path.of(entry));
                } catch (InvalidPathException e) {
                    return cannotCheck(entry + ": not a path");
                }
            }
        }
        return check(entries);
    }

    /**
     * Checks the classes on a class path: folders of compiled classes (as {@code javac -d} writes
     * them) and jars. Only these entries are looked at, besides the JDK's own classes.
     *
     * @param classPath the entries, in class path order
     * @return the report; {@link Verdict#CANNOT_CHECK} when the list is empty, an entry does not
     *     exist or is neither a folder nor a jar, a folder holds the sources of {@code ApiNative}
     *     instead of its classes, or a class file cannot be read
     */
    public static Report check(List<Path> classPath) {
        if (classPath.isEmpty()) {
            return cannotCheck("the class path is empty");
        }
        List<URL> urls = new ArrayList<>();
        for (Path entry : classPath) {
            String problem = entryProblem(entry);
            if (problem != null) {
                return cannotCheck(entry + ": " + problem);
            }
            try {
                urls.add(entry.toAbsolutePath().toUri().toURL());
            } catch (IOException e) {
                return cannotCheck(entry + ": " + e.getMessage());
            }
        }
        // No parent but the JDK's own classes: only the given class path is looked at.
        try (URLClassLoader loader = new URLClassLoader(urls.toArray(new URL[0]), null)) {
            ContractCheck check = new ContractCheck(loader);
            if (check.find(API_NATIVE) == null) {
                String sources = sourceFolder(classPath);
                if (sources != null) {
                    return cannotCheck(sources + " holds the source ApiNative.java, not compiled"
                            + " classes: give the folder that javac writes them to (javac -d)");
                }
            }
            return check.run(readShapes());
        } catch (IOException | UncheckedIOException e) {
            return cannotCheck(e.getMessage());
        } catch (RuntimeException e) {
            return cannotCheck(e.toString());
        }
    }

    private static Report cannotCheck(String why) {
        return new Report(Verdict.CANNOT_CHECK, List.of(PREFIX + "cannot check: " + why), 0, 0);
    }

    // Why an entry cannot be looked at, or null when it can.
    private static String entryProblem(Path entry) {
        if (Files.isDirectory(entry)) {
            return null;
        }
        if (!Files.exists(entry)) {
            return "no such file or folder";
        }
        try (ZipFile jar = new ZipFile(entry.toFile())) {
            return jar.size() >= 0 ? null : "an empty jar";
        } catch (IOException e) {
            return "neither a folder nor a jar";
        }
    }

    // The first folder of the class path that holds ApiNative.java, at its package's place or at
    // the top, or null.
    private static String sourceFolder(List<Path> classPath) {
        for (Path entry : classPath) {
            if (Files.isDirectory(entry) && (Files.exists(entry.resolve(API_NATIVE + ".java"))
                    || Files.exists(entry.resolve("ApiNative.java")))) {
                return entry.toString();
            }
        }
        return null;
    }

    private static List<String[]> readShapes() throws IOException {
        List<String[]> shapes = new ArrayList<>();
        try (InputStream in = ContractCheck.class.getResourceAsStream(SHAPES)) {
            if (in == null) {
                throw new IOException("the jar has no " + SHAPES);
            }
            BufferedReader reader = new BufferedReader(new InputStreamReader(in, StandardCharsets.UTF_8));
            for (String line = reader.readLine(); line != null; line = reader.readLine()) {
                if (!line.isBlank()) {
                    shapes.add(line.split(" "));
                }
            }
        }
        return shapes;
    }

    private Report run(List<String[]> shapes) throws IOException {
        ClassFile api = find(API_NATIVE);
        if (api == null) {
            report(false, "class " + API_NATIVE, "not on the class path");
        } else {
            Set<String> readClasses = new LinkedHashSet<>();
            for (String[] shape : shapes) {
                switch (shape[0]) {
                    case "native" -> checkNative(api, shape[1], shape[2]);
                    case "constructor" -> checkConstructor(shape[1], shape[2]);
                    case "field" -> readClasses.add(shape[1]);
                    default -> throw new IOException("unknown shape " + shape[0]);
                }
            }
            for (String className : readClasses) {
                checkFields(className, shapes);
            }
        }
        lines.add(PREFIX + present + " present, " + missing + " missing");
        return new Report(missing == 0 ? Verdict.ALL_PRESENT : Verdict.MISSING, lines, present,
                missing);
    }

    private void checkNative(ClassFile api, String name, String descriptor) {
        String what = "native " + name + " " + descriptor + " (" + Descriptors.method(name, descriptor) + ")";
        List<String> others = new ArrayList<>();
        for (ClassFile.Member method : api.methods) {
            if (!method.name().equals(name)) {
                continue;
            }
            if (method.descriptor().equals(descriptor) && method.isNative()) {
                report(true, what, Descriptors.method(method));
                return;
            }
            others.add(Descriptors.method(method) + (method.isNative() ? "" : " (not native)"));
        }
        report(false, what, others.isEmpty() ? "not declared" : "declared as " + String.join(", ", others));
    }

    private void checkConstructor(String className, String descriptor) throws IOException {
        String what = "constructor " + className + " " + withJava(descriptor);
        ClassFile cls = find(className);
        if (cls == null) {
            report(false, what, "no such class");
            return;
        }
        List<String> others = new ArrayList<>();
        for (ClassFile.Member method : cls.methods) {
            if (method.name().equals("<init>")) {
                if (method.descriptor().equals(descriptor)) {
                    report(true, what, null);
                    return;
                }
                others.add(withJava(method.descriptor()));
            }
        }
        report(false, what, "the class has " + (others.isEmpty() ? "no constructor" : String.join(", ", others)));
    }

    // "(IS)V (int, short)": a constructor's descriptor with its parameters in Java.
    private static String withJava(String constructorDescriptor) {
        return constructorDescriptor + " " + Descriptors.parameters(constructorDescriptor);
    }

    private void checkFields(String className, List<String[]> shapes) throws IOException {
        ClassFile cls = find(className);
        report(cls != null, "class " + className, cls == null ? "no such class" : null);
        if (cls == null) {
            return;
        }
        for (String[] shape : shapes) {
            if (shape[0].equals("field") && shape[1].equals(className)) {
                checkField(cls, shape[2], shape[3]);
            }
        }
    }

    // An instance field of the class or of a class it extends, as JNI finds it.
    private void checkField(ClassFile cls, String name, String descriptor) throws IOException {
        String what = "field " + cls.name + "." + name + " " + descriptor + " ("
                + Descriptors.type(descriptor) + ")";
        List<String> declared = new ArrayList<>();
        for (ClassFile at = cls; at != null; at = at.superName == null ? null : find(at.superName)) {
            for (ClassFile.Member field : at.fields) {
                if (!field.name().equals(name)) {
                    if (!field.isStatic()) {
                        declared.add(Descriptors.type(field.descriptor()) + " " + field.name());
                    }
                    continue;
                }
                if (field.isStatic()) {
                    report(false, what, "declared static");
                } else if (!field.descriptor().equals(descriptor)) {
                    report(false, what, "declared as " + field.descriptor() + " ("
                            + Descriptors.type(field.descriptor()) + ")");
                } else {
                    report(true, what, null);
                }
                return;
            }
        }
        report(false, what, "not declared; the class has " + (declared.isEmpty()
                ? "no instance field" : "the instance fields " + String.join(", ", declared)));
    }

    private ClassFile find(String className) throws IOException {
        String file = className + ".class";
        try (InputStream in = classPath.getResourceAsStream(file)) {
            return in == null ? null : ClassFile.read(in.readAllBytes());
        } catch (EOFException e) {
            throw new IOException(file + ": the class file ends too early", e);
        } catch (IOException e) {
            throw new IOException(file + ": " + e.getMessage(), e);
        }
    }

    private void report(boolean found, String what, String detail) {
        if (found) {
            present++;
        } else {
            missing++;
        }
        lines.add((found ? "present " : "missing ") + what + (detail == null ? "" : ": " + detail));
    }
}
