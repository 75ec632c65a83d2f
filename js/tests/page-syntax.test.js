'use strict';
// kiv-page.js runs in pages as it is: ES5 syntax, and of the later
// built-ins only Promise.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const acorn = require('acorn');

const helperFile = path.join(__dirname, '..', 'kiv-page', 'kiv-page.js');

// Globals and methods that came after ES5 (Promise excepted).
const LATER_NAMES = new Set([
  'Symbol', 'Map', 'Set', 'WeakMap', 'WeakSet', 'Proxy', 'Reflect', 'BigInt', 'globalThis',
  'queueMicrotask', 'structuredClone', 'assign', 'entries', 'values', 'fromEntries', 'from',
  'of', 'includes', 'find', 'findIndex', 'startsWith', 'endsWith', 'repeat', 'padStart',
  'padEnd', 'flat', 'flatMap', 'fill', 'isInteger', 'isFinite', 'isNaN', 'trunc', 'sign',
  'finally', 'allSettled', 'any',
]);

function laterNamesIn(source) {
  const found = [];
  for (const token of acorn.tokenizer(source, {ecmaVersion: 5})) {
    if (token.type === acorn.tokTypes.name && LATER_NAMES.has(token.value)) found.push(token.value);
  }
  return found;
}

test('the page helper parses as ES5', () => {
  const source = fs.readFileSync(helperFile, 'utf8');
  assert.doesNotThrow(() => acorn.parse(source, {ecmaVersion: 5, sourceType: 'script'}));
});

test('the check refuses later syntax and later built-ins', () => {
  for (const later of ['let a = 1;', 'var f = () => 1;', 'var s = `x`;', 'class A {}',
                       'var {a} = b;', 'function f(a = 1) {}']) {
    assert.throws(() => acorn.parse(later, {ecmaVersion: 5}), SyntaxError, later);
  }
  assert.deepEqual(laterNamesIn('var m = new Map(); Object.assign({}, m); [].includes(1);'),
                   ['Map', 'assign', 'includes']);
});

test('the page helper uses no built-in later than ES5 but Promise', () => {
  assert.deepEqual(laterNamesIn(fs.readFileSync(helperFile, 'utf8')), []);
});
