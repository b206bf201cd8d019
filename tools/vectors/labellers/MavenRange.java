// Labels Maven version ranges with maven-artifact's own VersionRange.
//
//   java -cp maven-artifact.jar:commons-lang3.jar:. MavenRange contains
//       stdin "range<TAB>version" lines; prints "1" when containsVersion holds,
//       "0" when not, "rejected" when createFromVersionSpec throws
//   java -cp maven-artifact.jar:commons-lang3.jar:. MavenRange compare
//       stdin "a<TAB>b" lines; prints the sign of a.compareTo(b) as
//       DefaultArtifactVersion, the class the range compares with
//
// Lines end at '\n' alone, so that a range may hold any other control character.
import java.io.ByteArrayOutputStream;
import java.io.OutputStreamWriter;
import java.io.PrintWriter;
import java.nio.charset.StandardCharsets;

import org.apache.maven.artifact.versioning.DefaultArtifactVersion;
import org.apache.maven.artifact.versioning.InvalidVersionSpecificationException;
import org.apache.maven.artifact.versioning.VersionRange;

public class MavenRange {
    public static void main(String[] args) throws Exception {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        System.in.transferTo(bytes);
        String input = bytes.toString(StandardCharsets.UTF_8);
        PrintWriter out = new PrintWriter(new OutputStreamWriter(System.out, StandardCharsets.UTF_8));
        boolean contains = args.length == 0 || args[0].equals("contains");
        for (String line : input.split("\n", -1)) {
            if (line.isEmpty()) continue;
            int tab = line.indexOf('\t');
            String a = line.substring(0, tab), b = line.substring(tab + 1);
            if (!contains) {
                out.println(Integer.signum(new DefaultArtifactVersion(a).compareTo(new DefaultArtifactVersion(b))));
                continue;
            }
            try {
                VersionRange range = VersionRange.createFromVersionSpec(a);
                out.println(range.containsVersion(new DefaultArtifactVersion(b)) ? "1" : "0");
            } catch (InvalidVersionSpecificationException e) {
                out.println("rejected");
            }
        }
        out.flush();
    }
}
