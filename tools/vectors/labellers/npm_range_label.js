// Labels (range, version) pairs with node-semver as npm reads a dependency's
// range: new Range(range, {loose: true}), with its default pre-release rule and
// with {includePrerelease: true}.
//   node npm_range_label.js < lines of "range<TAB>version"
// Each line -> "valid<TAB>default<TAB>included": valid is 1 when npm reads the
// version (semver.valid(version, {loose: true})), and each label is 1 or 0 from
// satisfies(), or "invalid" when validRange() rejects the range under those options.
'use strict'
const semver = require('semver')
const fs = require('fs')

const lines = fs.readFileSync(0, 'utf8').split('\n')
if (lines.length && lines[lines.length - 1] === '') lines.pop()
const modes = [{ loose: true }, { loose: true, includePrerelease: true }]
const out = []
for (const line of lines) {
  const tab = line.indexOf('\t')
  const range = line.slice(0, tab)
  const version = line.slice(tab + 1)
  const fields = [semver.valid(version, { loose: true }) === null ? '0' : '1']
  for (const options of modes) {
    if (semver.validRange(range, options) === null) {
      fields.push('invalid')
    } else {
      fields.push(semver.satisfies(version, range, options) ? '1' : '0')
    }
  }
  out.push(fields.join('\t'))
}
fs.writeSync(1, out.length ? out.join('\n') + '\n' : '')
