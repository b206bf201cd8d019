"""A short tour: compare, sort and inspect versions of several ecosystems."""

import tambry

print("npm    1.0.0-rc.1 vs 1.0.0 ->", tambry.compare("1.0.0-rc.1", "1.0.0", "npm"))
print("debian 1.0~rc1 < 1.0       ->", tambry.lt("1.0~rc1", "1.0", "debian"))
print("rpm    1.0^git1 > 1.0      ->", tambry.gt("1.0^git1", "1.0", "rpm"))
print("auto   detects", tambry.Version("2:1.2-3+deb12u1").ecosystem, "for 2:1.2-3+deb12u1")
print("newest of 1.9, 1.10, 1.10rc1:", tambry.max_version(["1.9", "1.10", "1.10rc1"]))
print("sorted:", tambry.sort_versions(["1.0.post1", "1.0", "1.0a1", "0.9"], "pep440"))
v = tambry.Version("v1.4.2-beta.3+build.7")
print(repr(v), "->", v.to_dict())
