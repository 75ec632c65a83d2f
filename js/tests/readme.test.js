'use strict';
// The first test shown in kiv-page-test's README runs as it is written.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {execFile} = require('node:child_process');

test('the README\'s first test passes', async () => {
  const readme = fs.readFileSync(path.join(__dirname, '..', 'kiv-page-test', 'README.md'), 'utf8');
  const code = /## A first test\n\n```js\n([\s\S]*?)```/.exec(readme)[1];
  assert.ok(code.trim().split('\n').length <= 10, 'ten lines at most');
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'kiv-readme-'));
  const file = path.join(dir, 'first.test.js');
  fs.writeFileSync(file, code);
  try {
    // Run as a test file of its own, not as part of this test run.
    const env = {...process.env, NODE_PATH: path.join(__dirname, '..', 'node_modules')};
    delete env.NODE_TEST_CONTEXT;
    const outcome = await new Promise((resolve) => {
      execFile(process.execPath, ['--test', file], {timeout: 60000, env}, (error, stdout, stderr) => resolve({error, output: stdout + stderr}));
    });
    assert.equal(outcome.error, null, outcome.output);
    assert.match(outcome.output, /# pass 1/);
  } finally {
    fs.rmSync(dir, {recursive: true, force: true});
  }
});
