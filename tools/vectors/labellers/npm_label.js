// Labels version texts with node-semver as npm reads package versions: loose
// parsing (semver.valid(v, {loose: true})) and semver.compare(a, b, true).
//   node npm_label.js valid|compare|sort  < lines
// valid: one text per line -> 1/0; compare: "a<TAB>b" -> -1/0/1;
// sort: accepted texts -> the same texts in the tool's order.
'use strict'
const semver = require('semver')
const fs = require('fs')

const mode = process.argv[2]
const lines = fs.readFileSync(0, 'utf8').split('\n')
if (lines.length && lines[lines.length - 1] === '') lines.pop()
const options = { loose: true }
const out = []
if (mode === 'valid') {
  for (const line of lines) out.push(semver.valid(line, options) === null ? '0' : '1')
} else if (mode === 'compare') {
  for (const line of lines) {
    const [a, b] = line.split('\t')
    out.push(String(semver.compare(a, b, options)))
  }
} else if (mode === 'sort') {
  out.push(...lines.slice().sort((a, b) => semver.compare(a, b, options)))
} else {
  process.stderr.write('usage: npm_label.js valid|compare|sort\n')
  process.exit(2)
}
fs.writeSync(1, out.length ? out.join('\n') + '\n' : '')
