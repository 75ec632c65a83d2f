'use strict';
// A test of examples/greeter.js against the real kiv-subprocess, written
// with the page-test package (js/kiv-page-test). Run it with the page kit's
// tests: scripts/test-js.

const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const {startRenderer, kivPageScript, failure} = require('../js/kiv-page-test');

const greeterPage = {file: path.join(__dirname, 'greeter.js')};

function startGreeter(t) {
  return startRenderer({queries: ['user.name'], events: ['clock.tick'], test: t});
}

test('greets the user by the name the browser process gives', async (t) => {
  const renderer = await startGreeter(t);
  renderer.answer('user.name', () => 'Ada');
  const page = await renderer.open({scripts: [kivPageScript, greeterPage]});
  await renderer.waitForConsole('Hello, Ada!');
  assert.equal(await page.evaluate('greeter.greeting'), 'Hello, Ada!');
});

test('greets a stranger when the browser process refuses', async (t) => {
  const renderer = await startGreeter(t);
  renderer.answer('user.name', () => failure('nobody is signed in'));
  const page = await renderer.open({scripts: [kivPageScript, greeterPage]});
  const line = await renderer.waitForConsole(/^no name/);
  assert.equal(line.level, 'warn');
  assert.equal(await page.evaluate('greeter.greeting'), 'Hello, stranger!');
});

test('keeps the first three ticks and then stops listening', async (t) => {
  const renderer = await startGreeter(t);
  const page = await renderer.open({scripts: [kivPageScript, greeterPage]});
  for (const time of [1, 2, 3, 4]) await renderer.raise('clock.tick', time);
  assert.deepEqual(await page.evaluate('greeter.ticks'), [1, 2, 3]);
  assert.ok(page.console.some((line) => line.text === 'enough ticks'));
});
