//! Labels (requirement, version) pairs with the `semver` crate:
//! `VersionReq::parse`, then `VersionReq::matches`.
//!
//!     cargo_range_label < lines of "requirement<TAB>version"
//!
//! Each line -> "valid<TAB>label": valid is 1 when `Version::parse` reads the
//! version, and the label is 1 or 0, or "invalid" when the requirement does not
//! parse.
use semver::{Version, VersionReq};
use std::io::{Read, Write};

fn main() {
    let mut data = String::new();
    std::io::stdin().read_to_string(&mut data).unwrap();
    let mut lines: Vec<&str> = data.split('\n').collect();
    if lines.last() == Some(&"") {
        lines.pop();
    }
    let mut out = String::new();
    for line in &lines {
        let (requirement, version) = line.split_once('\t').unwrap();
        let version = Version::parse(version);
        out.push_str(if version.is_ok() { "1\t" } else { "0\t" });
        out.push_str(match (VersionReq::parse(requirement), version) {
            (Err(_), _) => "invalid",
            (Ok(req), Ok(v)) if req.matches(&v) => "1",
            _ => "0",
        });
        out.push('\n');
    }
    std::io::stdout().write_all(out.as_bytes()).unwrap();
}
