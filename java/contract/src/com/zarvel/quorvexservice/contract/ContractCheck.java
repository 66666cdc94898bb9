package com.zarvel.quorvexservice.contract;

import java.io.BufferedReader;
import java.io.EOFException;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.io.PrintStream;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Set;

/**
 * Checks a Java service's ApiNative against what palmbridge calls: every native method, every
 * class the bridge constructs with the constructor it calls, and every class and field it reads.
 * The expected shapes are generated from the bridge's own table when this jar is built.
 *
 * <p>Usage: {@code java -jar palmbridge-contract.jar CLASSPATH}. Prints one line per shape,
 * "present" or "missing" with the expected JNI descriptor, then a summary; exits with 0 when
 * everything is present, 1 when something is missing, 2 when it cannot check.
 */
public final class ContractCheck {
    static final String API_NATIVE = "com/zarvel/quorvexservice/apinative/ApiNative";
    private static final String SHAPES = "palmbridge-contract.txt";
    private static final int EXIT_ALL_PRESENT = 0;
    private static final int EXIT_MISSING = 1;
    private static final int EXIT_CANNOT_CHECK = 2;

    private final ClassLoader classPath;
    private final PrintStream out;
    private int present;
    private int missing;

    private ContractCheck(ClassLoader classPath, PrintStream out) {
        this.classPath = classPath;
        this.out = out;
    }

    public static void main(String[] args) {
        if (args.length != 1) {
            System.err.println("usage: java -jar palmbridge-contract.jar CLASSPATH");
            System.exit(EXIT_CANNOT_CHECK);
        }
        List<URL> urls = new ArrayList<>();
        try {
            for (String entry : args[0].split(File.pathSeparator)) {
                if (!entry.isEmpty()) {
                    urls.add(Path.of(entry).toAbsolutePath().toUri().toURL());
                }
            }
            // No parent but the JDK's own classes: only the given class path is looked at.
            try (URLClassLoader loader = new URLClassLoader(urls.toArray(new URL[0]), null)) {
                System.exit(new ContractCheck(loader, System.out).run(readShapes()));
            }
        } catch (IOException e) {
            System.err.println("palmbridge contract: cannot check: " + e.getMessage());
            System.exit(EXIT_CANNOT_CHECK);
        } catch (RuntimeException e) {
            System.err.println("palmbridge contract: cannot check: " + e);
            System.exit(EXIT_CANNOT_CHECK);
        }
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

    private int run(List<String[]> shapes) throws IOException {
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
        out.println("palmbridge contract: " + present + " present, " + missing + " missing");
        return missing == 0 ? EXIT_ALL_PRESENT : EXIT_MISSING;
    }

    private void checkNative(ClassFile api, String name, String descriptor) {
        String what = "native " + name + " " + descriptor;
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
        String what = "constructor " + className + " " + descriptor;
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
                others.add(method.descriptor());
            }
        }
        report(false, what, "the class has " + (others.isEmpty() ? "no constructor" : String.join(", ", others)));
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
        String what = "field " + cls.name + "." + name + " " + descriptor;
        for (ClassFile at = cls; at != null; at = at.superName == null ? null : find(at.superName)) {
            for (ClassFile.Member field : at.fields) {
                if (!field.name().equals(name)) {
                    continue;
                }
                if (field.isStatic()) {
                    report(false, what, "declared static");
                } else if (!field.descriptor().equals(descriptor)) {
                    report(false, what, "declared as " + field.descriptor());
                } else {
                    report(true, what, null);
                }
                return;
            }
        }
        report(false, what, "not declared");
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
        out.println((found ? "present " : "missing ") + what + (detail == null ? "" : ": " + detail));
    }
}
