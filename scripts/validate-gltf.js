#!/usr/bin/env node
// Checks glTF files with the Khronos glTF validator (installed by scripts/bootstrap into
// .tools/). Prints every message; exits 1 when any file has an error or a warning, 2 when the
// validator cannot run.
'use strict';
const fs = require('fs');
const path = require('path');

let validator;
try {
  validator = require(path.join(__dirname, '..', '.tools', 'node_modules', 'gltf-validator'));
} catch (e) {
  console.error('the glTF validator is not installed (run scripts/bootstrap): ' + e.message);
  process.exit(2);
}

async function validate(file) {
  const folder = path.dirname(file);
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.resolve(folder, decodeURIComponent(uri)), (err, data) =>
          err ? reject(err.toString()) : resolve(new Uint8Array(data)));
      }),
  });
  const severities = ['error', 'warning', 'info', 'hint'];
  for (const m of report.issues.messages)
    console.log(`${file}: ${severities[m.severity]} ${m.code} ${m.pointer || ''}: ${m.message}`);
  return report.issues.numErrors + report.issues.numWarnings;
}

(async () => {
  let bad = 0;
  for (const file of process.argv.slice(2)) bad += await validate(file);
  process.exit(bad > 0 ? 1 : 0);
})().catch((e) => {
  console.error(String(e));
  process.exit(2);
});
