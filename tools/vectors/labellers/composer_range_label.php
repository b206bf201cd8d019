<?php
// Labels Composer constraints with composer/semver itself, one answer per input
// line (lines end with "\n" only; nothing else is stripped):
//   php composer_range_label.php            lines "constraint<TAB>version"
//   php composer_range_label.php normalize  lines "version": VersionParser::normalize's
//                                           text, or "!" when it throws
// For each "constraint<TAB>version" line: "!" when VersionParser::parseConstraints
// throws; "ok" when it does not and the version is empty; "e" when the version is
// one normalize rejects; otherwise "1" or "0", the answer of
// Semver::satisfies(version, constraint).
require '/usr/share/php/Composer/Semver/autoload.php';

use Composer\Semver\Semver;
use Composer\Semver\VersionParser;

$parser = new VersionParser();

function label(VersionParser $parser, string $line): string {
    [$constraint, $version] = explode("\t", $line, 2);
    try {
        $parser->parseConstraints($constraint);
    } catch (\Throwable $e) {
        return '!';
    }
    if ($version === '') return 'ok';
    try {
        $parser->normalize($version);
    } catch (\Throwable $e) {
        return 'e';
    }
    return Semver::satisfies($version, $constraint) ? '1' : '0';
}

$mode = $argv[1] ?? '';
while (($line = fgets(STDIN)) !== false) {
    $line = substr($line, -1) === "\n" ? substr($line, 0, -1) : $line;
    if ($mode === 'normalize') {
        try {
            echo $parser->normalize($line), "\n";
        } catch (\Throwable $e) {
            echo "!\n";
        }
    } else {
        echo label($parser, $line), "\n";
    }
}
