'use strict';
// The declarations type-check as the pages of an application use them; each
// line after an expect-error directive must fail (tsc reports a directive
// that has no error to suppress).

const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const {execFile} = require('node:child_process');

const tsc = require.resolve('typescript/bin/tsc');

function typeCheck(project) {
  return new Promise((resolve) => {
    execFile(process.execPath, [tsc, '--noEmit', '--pretty', 'false', '-p',
                                path.join(__dirname, 'types', project)],
             {timeout: 60000}, (error, stdout, stderr) => resolve({error, output: stdout + stderr}));
  });
}

test('tsc --noEmit', async (t) => {
  const projects = ['app', 'untyped', 'package'];
  const results = await Promise.all(projects.map(typeCheck));
  for (const [i, project] of projects.entries()) {
    await t.test(`${project}: declarations hold, refusals are refused`, () => {
      assert.equal(results[i].error, null, results[i].output);
    });
  }
});
