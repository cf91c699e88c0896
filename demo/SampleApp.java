/*
 * The demo's Java application: reports how it was started, so a run through
 * the launcher can be seen and checked. It writes the report to
 * sample-app-report.txt in its working directory (the launcher's, which is
 * where config.ini was read) and to standard output.
 */
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;

public final class SampleApp {
    public static void main(String[] args) throws Exception {
        String report = String.join("\n",
            "Hello from SampleApp, a Java application started by pelgrove.",
            "java.version: " + System.getProperty("java.version"),
            "arguments: " + args.length + " " + Arrays.toString(args),
            "working directory: " + Path.of("").toAbsolutePath(),
            "sum of 1..100: " + java.util.stream.IntStream.rangeClosed(1, 100).sum(),
            "");
        System.out.print(report);
        Files.writeString(Path.of("sample-app-report.txt"), report);
    }
}
