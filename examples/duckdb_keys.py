"""Versions in DuckDB: a key column computed once at load time, after which plain
SQL sorts, ranks and range-filters versions exactly as each ecosystem's own tool
orders them, with no code of tambry's at query time.

    python examples/duckdb_keys.py

Needs duckdb and pyarrow.
"""

import duckdb
import pyarrow as pa

from tambry import native

RELEASES = {
    "npm": [("left-pad", v) for v in ["1.0.0", "1.10.0", "1.2.0-beta.1", "1.2.0", "1.9.3", "2.0.0-rc.1"]],
    "pypi": [("fastjson", v) for v in ["1.0", "1.0.post1", "1.1rc1", "1.1", "1.10", "1.1a1", "2!0.1"]],
    "golang": [("example.com/mux", v) for v in ["v1.0.0", "v1.10.0", "v1.8.0", "v2.0.0+incompatible",
                                                "v0.0.0-20200101120000-abcdefabcdef"]],
}


def releases_table():
    """One row per release; the keys of each ecosystem made by one key_array call and
    handed to Arrow without a copy."""
    ecosystems, packages, versions, keys = [], [], [], []
    for ecosystem, rows in RELEASES.items():
        ecosystems += [ecosystem] * len(rows)
        packages += [package for package, _ in rows]
        versions += [version for _, version in rows]
        keys.append(pa.array(native.key_array([version for _, version in rows], ecosystem)))
    return pa.table({
        "ecosystem": ecosystems, "package": packages, "version": versions, "key": pa.chunked_array(keys),
    })


def main():
    con = duckdb.connect()
    con.register("releases", releases_table())

    print("Every release, oldest first:")
    print(con.sql("SELECT ecosystem, package, string_agg(version, ' < ' ORDER BY key) AS releases "
                  "FROM releases GROUP BY ALL ORDER BY ecosystem"))

    print("The newest release of each package:")
    print(con.sql("SELECT package, arg_max(version, key) AS newest FROM releases GROUP BY package ORDER BY package"))

    # An advisory's affected range as a pair of keys: >= 1.1.0-0, < 1.10.0.
    lower, upper = native.key("1.1.0-0", "npm"), native.key("1.10.0", "npm")
    affected = con.execute(
        "SELECT version FROM releases WHERE key >= ? AND key < ? ORDER BY key", [lower, upper]
    ).fetchall()
    print("npm releases in [1.1.0-0, 1.10.0):", [version for (version,) in affected])

    # Without a binary type, the hex form orders the same way (one case throughout).
    print(con.sql("SELECT version, lower(hex(key)) AS hex_key FROM releases "
                  "WHERE ecosystem = 'pypi' ORDER BY hex_key"))


if __name__ == "__main__":
    main()
