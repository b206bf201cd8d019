//! Labels version texts with the `semver` crate: `Version::parse`, and `Ord` of
//! `Version` (build metadata included).
//!
//!     cargo_label valid|compare|sort < lines
//!
//! valid: one text per line -> 1/0; compare: "a<TAB>b" -> -1/0/1;
//! sort: accepted texts -> the same texts in the tool's order.
use semver::Version;
use std::cmp::Ordering;
use std::io::{Read, Write};

fn sign(ordering: Ordering) -> &'static str {
    match ordering {
        Ordering::Less => "-1",
        Ordering::Equal => "0",
        Ordering::Greater => "1",
    }
}

fn main() {
    let mode = std::env::args().nth(1).unwrap_or_default();
    let mut data = String::new();
    std::io::stdin().read_to_string(&mut data).unwrap();
    let mut lines: Vec<&str> = data.split('\n').collect();
    if lines.last() == Some(&"") {
        lines.pop();
    }
    let mut out = String::new();
    match mode.as_str() {
        "valid" => {
            for line in &lines {
                out.push_str(if Version::parse(line).is_ok() { "1\n" } else { "0\n" });
            }
        }
        "compare" => {
            for line in &lines {
                let (a, b) = line.split_once('\t').unwrap();
                let a = Version::parse(a).unwrap();
                let b = Version::parse(b).unwrap();
                out.push_str(sign(a.cmp(&b)));
                out.push('\n');
            }
        }
        "sort" => {
            let mut parsed: Vec<(Version, &str)> =
                lines.iter().map(|line| (Version::parse(line).unwrap(), *line)).collect();
            parsed.sort_by(|x, y| x.0.cmp(&y.0));
            for (_, line) in parsed {
                out.push_str(line);
                out.push('\n');
            }
        }
        _ => {
            eprintln!("usage: cargo_label valid|compare|sort");
            std::process::exit(2);
        }
    }
    std::io::stdout().write_all(out.as_bytes()).unwrap();
}
