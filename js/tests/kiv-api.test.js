'use strict';
// What kiv-api.d.ts states about kivApi, checked against the real renderer.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const {kindOf} = require('kiv-page-test');
const {start} = require('./support');

const declarations = fs.readFileSync(path.join(__dirname, '..', 'kiv-page', 'kiv-api.d.ts'), 'utf8');

// The string literals of a union type alias in the declarations.
function declaredTexts(alias) {
  const body = new RegExp(`type ${alias} =([^;]*);`).exec(declarations);
  assert.ok(body, `kiv-api.d.ts declares ${alias}`);
  return [...body[1].matchAll(/"([^"]*)"/g)].map((m) => m[1]);
}

function thrownBy(calls) {
  return `[${calls.join(',\n')}].map(function (call) {
    try { return ['returned', call()]; } catch (e) {
      return [e instanceof Error ? 'Error' : typeof e, e.message];
    }
  })`;
}

test('every error text declared is thrown by the bridge, letter for letter', async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: ''});
  const query = await page.evaluate(thrownBy([
    'function () { return kivApi.query(); }',
    'function () { return kivApi.query("echo"); }',
    'function () { return kivApi.query(new Date()); }',
    'function () { return kivApi.query({}); }',
    'function () { return kivApi.query({name: 5}); }',
    'function () { return kivApi.query({name: "echo", callback: null}); }',
    'function () { return kivApi.query({name: "echo", args: [1, {d: new Date()}]}); }',
    'function () { return kivApi.query({name: "echo", args: [1, {n: NaN}]}); }',
    'function () { return kivApi.query({name: "echo", args: -Infinity}); }',
    'function () { var a = []; a.push(a); return kivApi.query({name: "echo", args: a}); }',
    'function () { return kivApi.query({name: "echo", args: new Proxy({}, ' +
      '{ownKeys: function () { throw new Error("no keys"); }})}); }',
  ]));
  const register = await page.evaluate(thrownBy([
    'function () { return kivApi.registerCallback(1, function () {}); }',
    'function () { return kivApi.registerCallback("tick"); }',
    'function () { return kivApi.registerCallback("Tick", function () {}); }',
  ]));
  const unregister = await page.evaluate(thrownBy([
    'function () { return kivApi.unregisterCallback(); }',
    'function () { return kivApi.unregisterCallback(1.5); }',
    'function () { return kivApi.unregisterCallback("1"); }',
    'function () { return kivApi.unregisterCallback(-0); }',
    'function () { return kivApi.unregisterCallback(4294967296); }',
    'function () { return kivApi.unregisterCallback(-2147483649); }',
  ]));
  for (const [kind] of [...query, ...register, ...unregister]) assert.equal(kind, 'Error');
  const texts = (results) => [...new Set(results.map((r) => r[1]))];
  assert.deepEqual(texts(query), declaredTexts('KivQueryErrorText'));
  assert.deepEqual(texts(register), declaredTexts('KivRegisterErrorText'));
  assert.deepEqual(texts(unregister), declaredTexts('KivUnregisterErrorText'));
  assert.deepEqual(renderer.messages, [], 'a refused call sends nothing');
});

test('a throwing getter or Proxy inside args: query refuses it, the page sees the throw', async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: ''});
  const results = await page.evaluate(thrownBy([
    'function () { return kivApi.query({name: "echo", args: {get x() { throw new Error("getter"); }}}); }',
    'function () { return kivApi.query({name: "echo", args: [new Proxy({k: 1}, ' +
      '{get: function () { throw new Error("proxy get"); }})]}); }',
  ]));
  assert.deepEqual(results, [['Error', 'The specified argument cannot be passed to a query!'],
                             ['Error', 'The specified argument cannot be passed to a query!']]);
  assert.deepEqual(renderer.messages, [], 'a refused call sends nothing');
  // The framework reads values inside a verbose TryCatch: what the getter
  // threw is also reported as an uncaught exception of the page.
  assert.deepEqual(page.exceptions.map((e) => e.message),
                   ['Uncaught Error: getter', 'Uncaught Error: proxy get']);
  // The page goes on: a later query is sent.
  assert.equal(await page.evaluate('kivApi.query({name: "echo", args: 1})'), null);
  assert.equal(renderer.messages.length, 1);
});

test('query returns null at once; a name never announced sends nothing and uses no id',
     async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: ''});
  const returned = await page.evaluate(`[
    kivApi.query({name: 'echo', args: 1}),
    kivApi.query({name: 'never-announced', args: 2, callback: function () {}}),
    kivApi.query({name: 'ECHO', args: 3}),
    kivApi.query({name: 'echo', args: 4, callback: undefined})]`);
  assert.deepEqual(returned, [null, null, null, null]);
  assert.deepEqual(renderer.queries.map((q) => [q.id, q.name, q.args]), [[0, 'echo', 1], [1, 'echo', 4]]);
});

test('a callback gets (flag: boolean, result) for every reply, with the global as this, even after it threw',
     async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: `var replies = [];
    kivApi.query({name: 'echo', args: null, callback: function (flag, result) {
      replies.push([typeof flag, flag, result, this === window]);
      throw new Error('ends this call only');
    }});`});
  const query = await renderer.nextQuery('echo');
  await query.reply('a');
  await query.fail({why: 'b'});
  await query.reply(null);
  await renderer.settle();
  assert.deepEqual(await page.evaluate('replies'), [
    ['boolean', true, 'a', true], ['boolean', false, {why: 'b'}, true], ['boolean', true, null, true]]);
});

test('registration ids count from 0 in the renderer; unregisterCallback tells whether it removed one',
     async (t) => {
  const renderer = await start(t);
  const first = await renderer.open({script: ''});
  const second = await renderer.open({script: ''});
  const ids = await first.evaluate(`[kivApi.registerCallback('tick', function () {}),
                                     kivApi.registerCallback('tick', function () {})]`);
  const more = await second.evaluate(`var f = function () {};
    [kivApi.registerCallback('tock', f), kivApi.registerCallback('tock', f)]`);
  assert.deepEqual([...ids, ...more], [0, 1, 2, 3]);
  // Any page may end any registration; ids are never reused.
  assert.deepEqual(await second.evaluate(`[kivApi.unregisterCallback(0), kivApi.unregisterCallback(0),
    kivApi.unregisterCallback(-1), kivApi.unregisterCallback(99), kivApi.unregisterCallback(4294967295),
    kivApi.unregisterCallback(-2147483648),
    kivApi.registerCallback('tick', function () {})]`), [true, false, false, false, false, false, 4]);
});

test('values crossing from the page: numbers as doubles, undefined as null, keys sorted, none empty',
     async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: ''});
  await page.evaluate(`kivApi.query({name: 'echo', args: {i: 1, big: 4294967295, u: undefined,
    list: [true, '', [], {}], fn: function () {}, text: 'x\\ud800', '': 'dropped'}})`);
  await page.evaluate(`kivApi.query({name: 'echo', args: Object.create({inherited: 1},
    {zed: {value: 2, enumerable: true}, hidden: {value: 3, enumerable: false}})})`);
  const [query, object] = renderer.queries;
  const sent = query.exactArgs;
  assert.deepEqual([kindOf(sent.i), kindOf(sent.big), kindOf(sent.u), kindOf(sent.fn)],
                   ['double', 'double', 'null', 'dictionary']);
  assert.deepEqual(query.args, {big: 4294967295, fn: {}, i: 1, list: [true, '', [], {}],
                                text: 'x\ufffd', u: null});
  assert.deepEqual(Object.keys(query.args), ['big', 'fn', 'i', 'list', 'text', 'u'], 'keys sorted');
  assert.deepEqual(object.args, {inherited: 1, zed: 2});
});

test('values crossing to the page: numbers, and binary as the invalid-value text or null',
     async (t) => {
  const {binary, double} = require('kiv-page-test');
  const invalid = 'Invalid message value type, please report!';
  assert.ok(declarations.includes(`"${invalid}" in a\n * reply's result and as null in an event's payload`),
            'the declarations name both outcomes');
  const renderer = await start(t);
  await renderer.open({script: `
    kivApi.registerCallback('tick', function (payload) { console.log('event ' + JSON.stringify(payload)); });
    kivApi.query({name: 'echo', callback: function (flag, result) {
      console.log('reply ' + JSON.stringify(result)); }});`});
  const value = [7, double(7), 2.5, binary([0, 1, 255]), {nested: [null, false]}];
  await renderer.raise('tick', value);
  await renderer.raise('tick', binary([1]));
  await (await renderer.nextQuery('echo')).reply(value);
  await renderer.settle();
  assert.deepEqual(renderer.console.map((line) => line.text), [
    'event [7,7,2.5,null,{"nested":[null,false]}]',
    'event null',
    `reply [7,7,2.5,"${invalid}",{"nested":[null,false]}]`,
  ]);
});
