'use strict';
// kivPage (kiv-page.js) in a real renderer: promises, streams, events, and
// nothing left behind once a Promise settles or a stream stops.

const test = require('node:test');
const assert = require('node:assert/strict');
const {start, openHelperPage, expectNothingLeft} = require('./support');

test('call', async (t) => {
  await t.test('resolves with the first reply, ignores later ones and clears its timer',
               async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    await page.evaluate(`var seen = [];
      kivPage.call('echo', [1, 'a'], {timeoutMs: 60000}).then(function (r) { seen.push(r); }); 0`);
    const query = await renderer.nextQuery('echo');
    assert.deepEqual(query.args, [1, 'a']);
    // Each reply has run in the page by the time its send returns.
    await query.reply({first: true});
    assert.deepEqual(await page.evaluate('seen'), [{first: true}]);
    await query.reply('second');
    await query.fail('third');
    assert.deepEqual(await page.evaluate('seen'), [{first: true}]);
    assert.deepEqual(page.exceptions, []);
    assert.deepEqual(await expectNothingLeft(page), {timers: 0, registrations: []});
  });

  await t.test('sends exactly what kivApi.query sends', async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    const value = `{n: 1, d: 2.5, s: '\\ud800x', list: [null, undefined, true, {}], f: function () {}}`;
    await page.evaluate(`kivPage.call('echo', ${value}, {timeoutMs: 50}).catch(function () {});
                         kivApi.query({name: 'echo', args: ${value}, callback: function () {}}); 0`);
    const [helper, direct] = renderer.queries;
    assert.deepEqual(helper.message.slice(1), direct.message.slice(1));
    assert.equal(direct.id, helper.id + 1);
  });

  await t.test('rejects with a KivQueryError carrying the result of a failed reply', async (t) => {
    const renderer = await start(t);
    renderer.handle('echo', (args, query) => query.fail({code: 7, why: 'no'}));
    const page = await openHelperPage(renderer);
    const error = await page.evaluate(`kivPage.call('echo', 1).then(null, function (e) {
      return {name: e.name, isError: e instanceof Error, typed: e instanceof kivPage.KivQueryError,
              query: e.query, result: e.result, message: e.message};
    })`);
    assert.deepEqual(error, {name: 'KivQueryError', isError: true, typed: true, query: 'echo',
                             result: {code: 7, why: 'no'},
                             message: 'query "echo" failed: {"code":7,"why":"no"}'});
    assert.deepEqual(await expectNothingLeft(page), {timers: 0, registrations: []});
  });

  await t.test('a name never announced sends nothing and times out', async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    const error = await page.evaluate(`kivPage.call('never-announced', 1, {timeoutMs: 30})
      .then(null, function (e) {
        return {name: e.name, kind: e.kind, query: e.query, timeoutMs: e.timeoutMs,
                typed: e instanceof kivPage.KivTimeoutError, message: e.message};
      })`);
    assert.equal(error.name, 'KivTimeoutError');
    assert.equal(error.typed, true);
    assert.deepEqual([error.kind, error.query, error.timeoutMs], ['query', 'never-announced', 30]);
    assert.match(error.message, /^query "never-announced" got no reply within 30 ms/);
    assert.deepEqual(renderer.messages, []);
    assert.deepEqual(await expectNothingLeft(page), {timers: 0, registrations: []});
  });

  await t.test('times out by default, after defaultTimeoutMs', async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer, ['kivPage.defaultTimeoutMs = 40;']);
    const error = await page.evaluate(`kivPage.call('echo').then(null, function (e) {
      return [e.name, e.timeoutMs]; })`);
    assert.deepEqual(error, ['KivTimeoutError', 40]);
    assert.equal(renderer.queries.length, 1, 'the query was sent');
    assert.equal(renderer.queries[0].args, null, 'no args cross as null');
    // A reply after the time-out reaches nothing and throws nothing.
    await renderer.queries[0].reply('late');
    await renderer.settle();
    assert.deepEqual(renderer.exceptions, []);
    assert.deepEqual(await expectNothingLeft(page), {timers: 0, registrations: []});
  });

  await t.test('rejects with the bridge\'s own error when the bridge refuses the query', async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    const refusals = await page.evaluate(`Promise.all([
      kivPage.call('echo', {when: new Date()}),
      kivPage.call(5, 1),
      kivPage.call('echo', 1, {timeoutMs: 0}),
      kivPage.call('echo', 1, {timeoutMs: 2147483648}),
      kivPage.call('echo', 1, 'fast')
    ].map(function (p) { return p.then(null, function (e) { return [e.name, e.message]; }); }))`);
    assert.deepEqual(refusals.slice(0, 2), [
      ['Error', 'The specified argument cannot be passed to a query!'],
      ['Error', 'Query needs a field named \'name\' which is of type string!'],
    ]);
    assert.equal(refusals[2][0], 'RangeError');
    assert.equal(refusals[3][0], 'RangeError');
    assert.equal(refusals[4][0], 'TypeError');
    assert.deepEqual(renderer.messages, [], 'nothing was sent');
    assert.deepEqual(await expectNothingLeft(page), {timers: 0, registrations: []});
  });

  await t.test('timeoutMs Infinity sets no timer and still resolves', async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    await page.evaluate(`var result; kivPage.call('slow', 'x', {timeoutMs: Infinity})
      .then(function (r) { result = r; }); 0`);
    assert.deepEqual(await page.evaluate('leakSpy.liveTimers()'), 0);
    const query = await renderer.nextQuery('slow');
    await query.reply(42);
    await renderer.settle();
    assert.equal(await page.evaluate('result'), 42);
  });
});

test('stream', async (t) => {
  await t.test('passes every reply on until stopped', async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    await page.evaluate(`var replies = [];
      var s = kivPage.stream('slow', {from: 1}, function (ok, r) { replies.push([ok, r]); }); 0`);
    const query = await renderer.nextQuery('slow');
    assert.deepEqual(query.args, {from: 1});
    await query.reply(1);
    await query.fail('oops');
    await query.reply(3);
    await renderer.settle();
    assert.deepEqual(await page.evaluate('[replies, s.isActive(), s.stop(), s.stop(), s.isActive()]'),
                     [[[true, 1], [false, 'oops'], [true, 3]], true, true, false, false]);
    await query.reply(4);
    await renderer.settle();
    assert.deepEqual(await page.evaluate('replies.length'), 3);
    assert.deepEqual(await expectNothingLeft(page), {timers: 0, registrations: []});
  });

  await t.test('throws the bridge\'s error, or a TypeError without a function, and sends nothing',
               async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    const errors = await page.evaluate(`[
      function () { kivPage.stream('echo', new Date(), function () {}); },
      function () { kivPage.stream('echo', 1); },
      function () { kivPage.stream({}, 1, function () {}); }
    ].map(function (f) { try { f(); return 'no error'; } catch (e) { return [e.name, e.message]; } })`);
    assert.deepEqual(errors, [
      ['Error', 'The specified argument cannot be passed to a query!'],
      ['TypeError', 'stream needs a function to call with each reply'],
      ['Error', 'Query needs a field named \'name\' which is of type string!'],
    ]);
    assert.deepEqual(renderer.messages, []);
  });
});

test('on and once', async (t) => {
  await t.test('on works with registration id 0 and unsubscribes once', async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    await page.evaluate(`var ticks = [];
      var off = kivPage.on('tick', function (n) { ticks.push(n); }); 0`);
    await renderer.raise('tick', 1);
    await renderer.raise('tock', 99);
    await renderer.settle();
    assert.deepEqual(await page.evaluate('[ticks, off(), off()]'), [[1], true, false]);
    await renderer.raise('tick', 2);
    await renderer.settle();
    assert.deepEqual(await page.evaluate('ticks'), [1]);
    assert.deepEqual(await expectNothingLeft(page), {timers: 0, registrations: []});
  });

  await t.test('on throws the bridge\'s error for a name it refuses', async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    const errors = await page.evaluate(`['TICK', 'unknown', 3].map(function (name) {
      try { kivPage.on(name, function () {}); return 'no error'; } catch (e) { return e.message; }
    }).concat([(function () { try { kivPage.on('tick'); } catch (e) { return e.message; } }())])`);
    assert.deepEqual(errors, [
      'The specified callback name is not known!',
      'The specified callback name is not known!',
      'First argument must be a string!',
      'Second argument must be a function!',
    ]);
  });

  await t.test('once resolves with the next payload and ends its registration', async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    await page.evaluate(`var got = []; kivPage.once('tick').then(function (p) { got.push(p); }); 0`);
    await renderer.raise('tick', {n: 1});
    await renderer.raise('tick', {n: 2});
    await renderer.settle();
    assert.deepEqual(await page.evaluate('got'), [{n: 1}]);
    assert.deepEqual(await expectNothingLeft(page), {timers: 0, registrations: []});
  });

  await t.test('once times out, or rejects with the bridge\'s error, leaving nothing', async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    const errors = await page.evaluate(`Promise.all([
      kivPage.once('tock', {timeoutMs: 20}),
      kivPage.once('nope'),
      kivPage.once('tock', {timeoutMs: -1})
    ].map(function (p) {
      return p.then(null, function (e) { return [e.name, e.message, e.event]; });
    }))`);
    assert.deepEqual(errors, [
      ['KivTimeoutError', 'event "tock" did not arrive within 20 ms', 'tock'],
      ['Error', 'The specified callback name is not known!', null],
      ['RangeError', 'timeoutMs must be a number of milliseconds from 1 to 2147483647, ' +
                     'or Infinity for no time-out', null],
    ]);
    assert.deepEqual(await expectNothingLeft(page), {timers: 0, registrations: []});
  });

  await t.test('once settles and on unsubscribes through the kivApi they registered with',
               async (t) => {
    const renderer = await start(t);
    const page = await openHelperPage(renderer);
    await page.evaluate(`var api = kivApi, outcome = 'pending';
      kivPage.once('tock', {timeoutMs: 20}).then(function () { outcome = 'resolved'; },
                                                function (e) { outcome = e.name; });
      var off = kivPage.on('tick', function () {});
      kivApi = undefined; 0`);
    await renderer.settle();
    const seen = await page.evaluate('[outcome, off(), off()]');
    await page.evaluate('kivApi = api; 0');
    assert.deepEqual(seen, ['KivTimeoutError', true, false]);
    assert.deepEqual(renderer.exceptions, []);
    assert.deepEqual(await expectNothingLeft(page), {timers: 0, registrations: []});
  });
});

test('released pages', async (t) => {
  await t.test('replies and events reach only the pages still alive', async (t) => {
    const renderer = await start(t);
    const gone = await openHelperPage(renderer, [], {browser: 1});
    const alive = await openHelperPage(renderer, [], {browser: 2});
    for (const page of [gone, alive]) {
      await page.evaluate(`var log = [];
        kivPage.call('slow', 1, {timeoutMs: Infinity}).then(function (r) { log.push('reply ' + r); });
        kivPage.on('tick', function (n) { log.push('tick ' + n); }); 0`);
    }
    const [first, second] = [await renderer.nextQuery('slow'), await renderer.nextQuery('slow')];
    assert.deepEqual([first.browser, second.browser], [1, 2]);
    await gone.release();
    await first.reply('to the released page');
    await second.reply('to the live page');
    await renderer.raise('tick', 1, {browser: 1});
    await renderer.settle();
    assert.deepEqual(await alive.evaluate('log'), ['reply to the live page', 'tick 1']);
    await assert.rejects(gone.evaluate('log'), /browser 1 frame 1.*released/);
    assert.deepEqual(renderer.exceptions, []);
  });

  await t.test('a new document starts without the old one\'s subscriptions', async (t) => {
    const renderer = await start(t);
    const before = await openHelperPage(renderer);
    await before.evaluate(`kivPage.on('tick', function (n) { console.log('old page got ' + n); }); 0`);
    const after = await before.navigate({scripts: [
      require('kiv-page-test').kivPageScript,
      {file: require('./support').leakSpyScript.file}]});
    await after.evaluate(`kivPage.on('tick', function (n) { console.log('new page got ' + n); }); 0`);
    await renderer.raise('tick', 5);
    await renderer.settle();
    assert.equal(before.released, true);
    assert.deepEqual(after.console.map((line) => line.text), ['new page got 5']);
    assert.deepEqual(before.console, []);
  });
});
