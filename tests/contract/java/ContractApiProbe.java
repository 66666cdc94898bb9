import com.zarvel.quorvexservice.contract.ContractCheck;
import com.zarvel.quorvexservice.contract.ContractCheck.Report;
import com.zarvel.quorvexservice.contract.ContractCheck.Verdict;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

/**
 * The contract check used as a test uses it: through ContractCheck.check, compared with what the
 * command line prints for the same class path.
 *
 * <p>Arguments: JAVA JAR REFERENCE_CLASSES WRONG_CONSTRUCTOR_CLASSES EXPECTED_MISSING_FILE
 * NO_SUCH_FOLDER. Prints every mismatch and exits with 1 when there is one.
 */
public final class ContractApiProbe {
    private static final List<String> failures = new ArrayList<>();

    public static void main(String[] args) throws IOException, InterruptedException {
        String java = args[0];
        String jar = args[1];
        Path reference = Path.of(args[2]);
        Path wrong = Path.of(args[3]);
        List<String> expectedMissing = Files.readAllLines(Path.of(args[4]));
        Path noSuchFolder = Path.of(args[5]);

        Report passing = ContractCheck.check(List.of(reference));
        expect("reference verdict", Verdict.ALL_PRESENT, passing.verdict());
        expect("reference exit code", 0, passing.verdict().exitCode());
        expect("reference missing", 0, passing.missing());
        expect("reference summary", "palmbridge contract: " + passing.present() + " present, 0 missing",
                passing.lines().get(passing.lines().size() - 1));
        expect("reference lines as the command line prints them", commandLine(java, jar, reference),
                passing.toString());
        expect("one line a shape and the summary", passing.present() + 1, passing.lines().size());

        Report failing = ContractCheck.check(wrong.toString());
        expect("variant verdict", Verdict.MISSING, failing.verdict());
        expect("variant exit code", 1, failing.verdict().exitCode());
        expect("variant missing lines", expectedMissing, failing.missingLines());
        expect("variant missing count", expectedMissing.size(), failing.missing());
        expect("variant lines as the command line prints them", commandLine(java, jar, wrong),
                failing.toString());

        Report unchecked = ContractCheck.check(List.of(reference, noSuchFolder));
        expect("cannot check verdict", Verdict.CANNOT_CHECK, unchecked.verdict());
        expect("cannot check exit code", 2, unchecked.verdict().exitCode());
        expect("cannot check line",
                List.of("palmbridge contract: cannot check: " + noSuchFolder + ": no such file or folder"),
                unchecked.lines());

        expect("empty class path", Verdict.CANNOT_CHECK, ContractCheck.check(List.of()).verdict());

        for (String failure : failures) {
            System.out.println("FAILED " + failure);
        }
        System.out.println(failures.isEmpty() ? "contract API: all as expected" : "contract API: "
                + failures.size() + " failed");
        System.exit(failures.isEmpty() ? 0 : 1);
    }

    private static String commandLine(String java, String jar, Path classPath)
            throws IOException, InterruptedException {
        Process process = new ProcessBuilder(java, "-jar", jar, classPath.toString())
                .redirectError(ProcessBuilder.Redirect.INHERIT).start();
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        try (InputStream in = process.getInputStream()) {
            in.transferTo(out);
        }
        process.waitFor();
        return out.toString(StandardCharsets.UTF_8);
    }

    private static void expect(String what, Object expected, Object found) {
        if (!expected.equals(found)) {
            failures.add(what + ": expected <" + expected + ">, found <" + found + ">");
        }
    }
}
