<?php
// Labels Composer versions with composer/semver itself, one answer per input line
// (lines end with "\n" only; nothing else is stripped):
//   php composer_label.php valid     "1" when VersionParser::normalize accepts the line, else "0"
//   php composer_label.php normalize the normalized form as Semver::sort compares it, or "!"
//   php composer_label.php compare   lines "a<TAB>b": -1, 0 or 1, or "x" when the tool orders
//                                    neither before the other and does not call them equal
//   php composer_label.php sort      the lines in Semver::sort's order (every line must be valid)
// Semver::sort normalizes (default branches become 9999999-dev), calls equal normalized
// texts equal, and otherwise asks Comparator::lessThan.
require '/usr/share/php/Composer/Semver/autoload.php';

use Composer\Semver\Comparator;
use Composer\Semver\Semver;
use Composer\Semver\VersionParser;

$parser = new VersionParser();

function normalized(VersionParser $parser, string $version): ?string {
    try {
        return $parser->normalizeDefaultBranch($parser->normalize($version));
    } catch (\Throwable $e) {
        return null;
    }
}

function label(string $na, string $nb): string {
    if ($na === $nb) return '0';
    if (Comparator::lessThan($na, $nb)) return '-1';
    if (Comparator::greaterThan($na, $nb)) return '1';
    if (Comparator::equalTo($na, $nb)) return '0';
    return 'x';
}

$lines = [];
while (($line = fgets(STDIN)) !== false) {
    $lines[] = substr($line, -1) === "\n" ? substr($line, 0, -1) : $line;
}

$mode = $argv[1] ?? '';
if ($mode === 'valid') {
    foreach ($lines as $line) echo normalized($parser, $line) === null ? "0\n" : "1\n";
} elseif ($mode === 'normalize') {
    foreach ($lines as $line) echo (normalized($parser, $line) ?? '!'), "\n";
} elseif ($mode === 'compare') {
    foreach ($lines as $line) {
        [$a, $b] = explode("\t", $line, 2);
        $na = normalized($parser, $a);
        $nb = normalized($parser, $b);
        echo ($na === null || $nb === null) ? "!\n" : label($na, $nb) . "\n";
    }
} elseif ($mode === 'sort') {
    foreach (Semver::sort($lines) as $line) echo $line, "\n";
} else {
    fwrite(STDERR, "usage: php composer_label.php valid|normalize|compare|sort < lines\n");
    exit(2);
}
