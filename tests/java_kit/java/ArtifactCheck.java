import java.io.IOException;
import java.io.InputStream;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.jar.JarFile;
import javax.xml.parsers.DocumentBuilderFactory;
import org.w3c.dom.Document;
import org.w3c.dom.Element;

/**
 * Checks an artifact in a Maven repository folder as a Maven or Gradle build would take it: the
 * POM at GROUP/ARTIFACT/VERSION/ARTIFACT-VERSION.pom, a well-formed POM naming those
 * coordinates, the jar whose classes load (without being initialised), the sources jar with the
 * classes' sources and the Javadoc jar with their pages.
 *
 * <p>Arguments: REPOSITORY GROUP ARTIFACT VERSION CLASS... (binary names, nested with $). Prints
 * each finding and exits with 1 when something is wrong.
 */
public final class ArtifactCheck {
    private static final List<String> failures = new ArrayList<>();

    public static void main(String[] args) throws Exception {
        Path repository = Path.of(args[0]);
        String group = args[1];
        String artifact = args[2];
        String version = args[3];
        Path folder = repository.resolve(group.replace('.', '/')).resolve(artifact).resolve(version);
        String base = artifact + "-" + version;

        Path pom = folder.resolve(base + ".pom");
        Document document = DocumentBuilderFactory.newInstance().newDocumentBuilder().parse(pom.toFile());
        Element project = document.getDocumentElement();
        expect("POM root", "project", project.getTagName());
        expect("groupId", group, child(project, "groupId"));
        expect("artifactId", artifact, child(project, "artifactId"));
        expect("version", version, child(project, "version"));
        expect("packaging", "jar", child(project, "packaging"));

        Path jar = folder.resolve(base + ".jar");
        try (URLClassLoader loader = new URLClassLoader(new URL[] {jar.toUri().toURL()}, null)) {
            for (int i = 4; i < args.length; i++) {
                try {
                    Class<?> loaded = Class.forName(args[i], false, loader);
                    expect(args[i] + " from the jar", jar.toUri().toURL().toString(),
                            loaded.getProtectionDomain().getCodeSource().getLocation().toString());
                } catch (ClassNotFoundException e) {
                    failures.add(args[i] + " is not in " + jar);
                }
            }
        }
        try (JarFile sources = new JarFile(folder.resolve(base + "-sources.jar").toFile());
                JarFile javadoc = new JarFile(folder.resolve(base + "-javadoc.jar").toFile())) {
            expect("Javadoc index", true, javadoc.getEntry("index.html") != null);
            for (int i = 4; i < args.length; i++) {
                String name = args[i];
                int nested = name.indexOf('$');
                String topLevel = nested < 0 ? name : name.substring(0, nested);
                String source = topLevel.replace('.', '/') + ".java";
                expect(source + " in the sources jar", true, sources.getEntry(source) != null);
                String page = name.replace('.', '/').replace('$', '.') + ".html";
                expect(page + " in the Javadoc jar", true, javadoc.getEntry(page) != null);
                if (javadoc.getEntry(page) != null) {
                    try (InputStream in = javadoc.getInputStream(javadoc.getEntry(page))) {
                        String text = new String(in.readAllBytes(), java.nio.charset.StandardCharsets.UTF_8);
                        expect(page + " holds a description", true, text.contains("class=\"block\""));
                    }
                }
            }
        }
        expect("nothing else in the folder", 4L, Files.list(folder).count());

        for (String failure : failures) {
            System.out.println("FAILED " + failure);
        }
        System.out.println(artifact + ": " + (failures.isEmpty() ? "as a Maven build takes it"
                : failures.size() + " failed"));
        System.exit(failures.isEmpty() ? 0 : 1);
    }

    private static String child(Element parent, String name) {
        var nodes = parent.getElementsByTagName(name);
        return nodes.getLength() == 0 ? null : nodes.item(0).getTextContent().trim();
    }

    private static void expect(String what, Object expected, Object found) throws IOException {
        if (!expected.equals(found)) {
            failures.add(what + ": expected <" + expected + ">, found <" + found + ">");
        }
    }
}
