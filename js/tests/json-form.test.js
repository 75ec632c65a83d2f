'use strict';
// The driver's JSON form as the package writes and reads it, and values
// carried through the real renderer with their kinds.

const test = require('node:test');
const assert = require('node:assert/strict');
const {double, dict, binary, utf16, kindOf, values} = require('kiv-page-test');
const {start} = require('./support');

test('values are written in the driver\'s lossless form', () => {
  const cases = [
    [[5, -7, 2147483647, -2147483648], '[5,-7,2147483647,-2147483648]'],
    [[2147483648, 0.1, -0, double(5), 1e300], '[2147483648.0,0.1,-0.0,5.0,1e+300]'],
    [[NaN, Infinity, double(-Infinity)],
     '[{"$double":"NaN"},{"$double":"Infinity"},{"$double":"-Infinity"}]'],
    [['plain', utf16([120, 0xd800]), '\ud83d\ude00'], '["plain",{"$utf16":[120,55296]},"😀"]'],
    [binary([0, 1, 255]), '{"$binary":"AAH/"}'],
    [{b: 1, a: [true, null, undefined]}, '{"b":1,"a":[true,null,null]}'],
    [[, 1, , ], '[null,1,null]'],
    [{$key: 1, ok: 2}, '{"$dict":[["$key",1],["ok",2]]}'],
    [dict([['z', 1], ['2', 2]]), '{"z":1,"2":2}'],
    [dict([[utf16([0xdc00]), 1]]), '{"$dict":[[{"$utf16":[56320]},1]]}'],
  ];
  for (const [value, text] of cases) assert.equal(values.encode(value), text);
});

test('values that no message can hold are refused with their place', () => {
  assert.throws(() => values.encode({a: [1, new Date()]}), /the value at "\/a\/1" is a Date/);
  assert.throws(() => values.encode([() => 1]), /the value at "\/0" is a function/);
  assert.throws(() => values.encode({n: 10n}), /is a bigint/);
  const cyclic = [];
  cyclic.push(cyclic);
  assert.throws(() => values.encode(cyclic), /nests deeper than 100 levels/);
  assert.throws(() => dict([['a', 1], ['a', 2]]), /has the key "a" twice/);
});

test('reading keeps every kind, and plain() gives ordinary values', () => {
  const text = '[1,1.0,-0.0,{"$double":"NaN"},{"$utf16":[55296]},{"$binary":"AAH/"},' +
               '{"$dict":[["$k",2.5]]},{"b":1,"2":2},"s"]';
  const exact = values.decode(values.parse(text));
  assert.deepEqual(exact.map(kindOf), ['int', 'double', 'double', 'double', 'string', 'binary',
                                       'dictionary', 'dictionary', 'string']);
  assert.equal(values.encode(exact), text.replace('{"$double":"NaN"}', '{"$double":"NaN"}'));
  const plain = values.plain(exact);
  assert.ok(Object.is(plain[2], -0));
  assert.ok(Number.isNaN(plain[3]));
  assert.equal(plain[4], '\ud800');
  assert.deepEqual([...plain[5]], [0, 1, 255]);
  assert.deepEqual(plain[6], {$k: 2.5});
  assert.throws(() => values.decode(values.parse('{"$what":1}')), /unknown tag "\$what"/);
  assert.throws(() => values.parse('[1,'), /bad JSON at offset 3/);
});

test('strings of any length are read, escapes and all', () => {
  const long = `${'x'.repeat(20000000)}"\\\n\u0001\ud800`;
  const read = values.parse(JSON.stringify({text: long, after: [long.slice(-5), 1.5]}));
  assert.equal(read.text, long);
  assert.equal(read.after[0], long.slice(-5));
  assert.equal(kindOf(read.after[1]), 'double');
  assert.equal(values.parse('"a\\\\"'), 'a\\');
  assert.equal(values.parse('["\\"", "\\\\\\""]')[1], '\\"');
  for (const bad of ['"abc', '"a\\"', '"a\nb"', '"\\x"', '"\\u12"']) {
    assert.throws(() => values.parse(bad), /bad JSON at offset 0: bad string/, bad);
  }
});

test('an answer echoes a query\'s exact value back unchanged', async (t) => {
  const renderer = await start(t);
  renderer.answer('echo', (args, query) => query.exactArgs);
  const page = await renderer.open({script: `
    kivApi.query({name: 'echo', args: {n: 1, list: [2.5, 'x', null, {}], t: true},
      callback: function (ok, r) { console.log(JSON.stringify([ok, r])); }});`});
  await renderer.settle();
  assert.deepEqual(JSON.parse(page.console[0].text), [true, {n: 1, list: [2.5, 'x', null, {}], t: true}]);
  const [query] = renderer.queries;
  assert.deepEqual(query.replies.map((r) => values.encode(r.result)),
                   ['{"list":[2.5,"x",null,{}],"n":1.0,"t":true}'], 'keys as the renderer sorted them');
});

test('odd values reach the page as the framework stores them', async (t) => {
  const renderer = await start(t);
  await renderer.open({script: `kivApi.registerCallback('tick', function (p) {
    console.log(JSON.stringify(p) + ' ' + p.text.charCodeAt(1)); });`});
  await renderer.raise('tick', dict([['$key', 1], ['zero', -0], ['nan', NaN],
                                     ['text', utf16([120, 0xd800])], ['', 'dropped']]));
  await renderer.settle();
  assert.deepEqual(renderer.console.map((l) => l.text),
                   ['{"$key":1,"nan":0,"text":"x\ufffd","zero":0} 65533']);
});
