// Labels Maven versions with maven-artifact's own ComparableVersion.
//
//   java -cp maven-artifact.jar:. MavenOrder pairs   stdin "a<TAB>b" lines, prints "a<TAB>b<TAB>sign"
//   java -cp maven-artifact.jar:. MavenOrder sort    stdin one version a line, prints them in Maven's order
//
// Maven's order is not transitive for a few shapes, so the sort is a plain merge
// sort that never asks the comparison to be consistent (the library sort may throw).
import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.io.OutputStreamWriter;
import java.io.PrintWriter;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;

import org.apache.maven.artifact.versioning.ComparableVersion;

public class MavenOrder {
    public static void main(String[] args) throws Exception {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
        PrintWriter out = new PrintWriter(new OutputStreamWriter(System.out, StandardCharsets.UTF_8));
        String mode = args.length > 0 ? args[0] : "pairs";
        List<String> lines = new ArrayList<>();
        for (String line; (line = in.readLine()) != null;) lines.add(line);
        if (mode.equals("sort")) {
            ComparableVersion[] items = new ComparableVersion[lines.size()];
            for (int i = 0; i < items.length; i++) items[i] = new ComparableVersion(lines.get(i));
            mergeSort(items, new ComparableVersion[items.length], 0, items.length);
            for (ComparableVersion v : items) out.println(v.toString());
        } else {
            for (String line : lines) {
                int tab = line.indexOf('\t');
                String a = line.substring(0, tab), b = line.substring(tab + 1);
                int c = new ComparableVersion(a).compareTo(new ComparableVersion(b));
                out.println(a + "\t" + b + "\t" + Integer.signum(c));
            }
        }
        out.flush();
    }

    private static void mergeSort(ComparableVersion[] a, ComparableVersion[] tmp, int lo, int hi) {
        if (hi - lo < 2) return;
        int mid = (lo + hi) >>> 1;
        mergeSort(a, tmp, lo, mid);
        mergeSort(a, tmp, mid, hi);
        int i = lo, j = mid, k = lo;
        while (i < mid && j < hi) tmp[k++] = a[j].compareTo(a[i]) < 0 ? a[j++] : a[i++];
        while (i < mid) tmp[k++] = a[i++];
        while (j < hi) tmp[k++] = a[j++];
        System.arraycopy(tmp, lo, a, lo, hi - lo);
    }
}
