// Labels version texts with golang.org/x/mod/semver: IsValid, then Compare.
//
//	golang_label valid|compare|sort < lines
//
// valid: one text per line -> 1/0; compare: "a<TAB>b" -> -1/0/1;
// sort: accepted texts -> the same texts in the tool's order.
package main

import (
	"fmt"
	"io"
	"os"
	"sort"
	"strings"

	"golang.org/x/mod/semver"
)

func main() {
	data, err := io.ReadAll(os.Stdin)
	if err != nil {
		panic(err)
	}
	lines := strings.Split(string(data), "\n")
	if len(lines) > 0 && lines[len(lines)-1] == "" {
		lines = lines[:len(lines)-1]
	}
	var out strings.Builder
	switch os.Args[1] {
	case "valid":
		for _, line := range lines {
			if semver.IsValid(line) {
				out.WriteString("1\n")
			} else {
				out.WriteString("0\n")
			}
		}
	case "compare":
		for _, line := range lines {
			pair := strings.Split(line, "\t")
			fmt.Fprintf(&out, "%d\n", semver.Compare(pair[0], pair[1]))
		}
	case "sort":
		sort.SliceStable(lines, func(i, j int) bool { return semver.Compare(lines[i], lines[j]) < 0 })
		for _, line := range lines {
			out.WriteString(line + "\n")
		}
	default:
		fmt.Fprintln(os.Stderr, "usage: golang_label valid|compare|sort")
		os.Exit(2)
	}
	os.Stdout.WriteString(out.String())
}
