'use strict';
// The page-test package itself: answers, events, pages and frames, waits
// with time-outs, failures that tell what happened, and cleanup.

const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const {startRenderer, failure, PageTestError, kivPageScript} = require('kiv-page-test');
const {start} = require('./support');

function alive(pid) {
  try {
    process.kill(pid, 0);
    return true;
  } catch (error) {
    return error.code !== 'ESRCH';
  }
}

const LOG_REPLIES = `function log(tag) { return function (ok, r) { console.log(tag + ' ' + ok + ' ' + JSON.stringify(r)); }; }`;

test('answers: sync, async, failures, a limited number, and the rest left to nextQuery',
     async (t) => {
  const renderer = await start(t);
  renderer.answer('echo', (args) => ({sync: args}), {times: 1});
  renderer.answer('echo', async (args) => {
    await new Promise((resolve) => setTimeout(resolve, 20));
    return args === 'bad' ? failure('refused') : {async: args};
  }, {times: 2});
  const page = await renderer.open({script: `${LOG_REPLIES}
    ['a', 'bad', 'c', 'd'].forEach(function (x) { kivApi.query({name: 'echo', args: x, callback: log(x)}); });`});
  const left = await renderer.nextQuery('echo');
  assert.equal(left.args, 'd');
  await left.reply('by hand');
  await renderer.settle();
  assert.deepEqual(page.console.map((l) => l.text).sort(), [
    'a true {"sync":"a"}', 'bad false "refused"', 'c true {"async":"c"}', 'd true "by hand"']);
});

test('an answer that throws fails settle() with the query named', async (t) => {
  const renderer = await start(t);
  renderer.answer('echo', () => { throw new Error('answer broke'); });
  await renderer.open({script: `kivApi.query({name: 'echo', args: 1});`});
  await assert.rejects(renderer.settle(), (error) => {
    assert.ok(error instanceof PageTestError);
    assert.match(error.message, /the answer to query "echo" \(request 0, browser 1\) threw: Error: answer broke/);
    return true;
  });
});

test('evaluate: values, undefined, awaited Promises, and what the page threw', async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: 'var n = 41;'});
  assert.equal(await page.evaluate('n + 1'), 42);
  assert.equal(await page.evaluate('undefined'), undefined);
  // Settled before the evaluation's reply, and after it.
  assert.equal(await page.evaluate('Promise.resolve(5)'), 5);
  assert.deepEqual(await page.evaluate('new Promise(function (r) { setTimeout(function () { r([n]); }, 5); })'),
                   [41]);
  await assert.rejects(page.evaluate('console.log("first"); null.x'), (error) => {
    assert.match(error.message, /^evaluating code in the page threw: Uncaught TypeError: Cannot read properties of null/);
    assert.match(error.message, /page: browser 1 frame 1 \(main, url "about:blank"\)/);
    assert.match(error.message, /command: \{"cmd":"eval","browser":1,"frame":1,"code":"console.log\(\\"first\\"\); null.x"\}/);
    assert.match(error.message, /the renderer meanwhile:\n {4}console.log in browser 1 frame 1: first/);
    return true;
  });
  await assert.rejects(page.evaluate('Promise.reject(new RangeError("later"))'), (error) => {
    assert.match(error.message, /rejected: RangeError: later/);
    assert.deepEqual(error.thrown, {name: 'RangeError', message: 'later'});
    return true;
  });
  await assert.rejects(page.evaluate('new Promise(function () {})', {timeoutMs: 50}),
                       /the Promise the code returned to settle did not come within 50 ms/);
});

test('evaluate reports a Promise that settled with a value no text can show', async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: ''});
  const cases = [
    ['Promise.reject(Object.create(null))', /rejected: thrown value: \(a value that cannot be shown as text\)/],
    ['Promise.reject({get message() { throw new Error("x"); }})', /rejected: thrown value: \(a value/],
    ['Promise.resolve({toJSON: function () { throw {get message() { throw 1; }}; }})',
     /rejected: Error: the result cannot be written as JSON: \(a value that cannot be shown/],
  ];
  for (const [code, expected] of cases) {
    await assert.rejects(page.evaluate(code, {timeoutMs: 3000}), expected, code);
  }
});

test('evaluate awaits a Promise in a page that wraps or removes console.log', async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: `var original = console.log;
    console.log = function (text) { original.call(console, '[app] ' + text + ' (logged)'); };`});
  assert.equal(await page.evaluate('Promise.resolve(4)', {timeoutMs: 2000}), 4);
  await assert.rejects(page.evaluate('Promise.reject(new Error("no"))', {timeoutMs: 2000}),
                       /rejected: Error: no/);
  assert.equal(await page.evaluate('console.log("own line"); delete console.log; 1'), 1);
  assert.deepEqual(await page.evaluate('Promise.resolve([5])', {timeoutMs: 2000}), [5]);
  // The page's own lines stay; the outcomes are not among them.
  assert.deepEqual(page.console.map((line) => line.text), ['[app] own line (logged)']);
});

test('waits end with a message naming what was awaited', async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: 'console.log("hello")'});
  await assert.rejects(renderer.nextQuery('echo', {timeoutMs: 30}),
                       /a query "echo" did not come within 30 ms/);
  await assert.rejects(renderer.waitForConsole(/bye/, {timeoutMs: 30}),
                       /a console line matching \/bye\/ did not come within 30 ms/);
  await page.evaluate('setInterval(function () {}, 10); 0');
  await assert.rejects(renderer.settle({timeoutMs: 100}),
                       /did not settle within 100 ms: the render thread still has tasks queued/);
});

test('waitForConsole matches every line, also with a global or sticky expression used again',
     async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: ''});
  for (const match of [/ready/g, /ready/y]) {
    for (const line of ['ready, set', 'ready']) {
      const seen = renderer.waitForConsole(match, {timeoutMs: 2000});
      await page.evaluate(`console.log(${JSON.stringify(line)}); 0`);
      assert.equal((await seen).text, line);
    }
  }
});

test('waitFor sees only what the renderer reported, not an evaluation settling', async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: ''});
  const settled = page.evaluate(`new Promise(function (resolve) {
    setTimeout(function () { resolve(1); }, 20);
    setTimeout(function () { console.log('later'); }, 60);
  })`);
  const next = await renderer.waitFor((event) => event);
  assert.deepEqual([next.event, next.text], ['console', 'later']);
  assert.equal(await settled, 1);
});

test('a wait started right after a command sees the events behind its reply', async (t) => {
  const renderer = await startRenderer({
    kivhost: path.join(__dirname, 'fixtures', 'quick-kivhost.js'), timeoutMs: 5000, test: t});
  await renderer.waitForConsole('right behind the reply to start', {timeoutMs: 2000});
  await renderer.openBrowser(3);
  await renderer.waitForConsole('right behind the reply to create_browser', {timeoutMs: 2000});
});

test('a reply to a command no longer waited for is not taken for another', async (t) => {
  const renderer = await startRenderer({
    kivhost: path.join(__dirname, 'fixtures', 'stray-reply-kivhost.js'), timeoutMs: 5000, test: t});
  await renderer.openBrowser(3);
});

test('settle() does not wait for timers the page cleared', async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({scripts: [kivPageScript,
    'var done = kivPage.call("echo", 1, {timeoutMs: 60000});',
    'clearTimeout(setTimeout(function () {}, 60000));',
    'var i = setInterval(function () {}, 60000); setTimeout(function () { clearInterval(i); }, 10);']});
  (await renderer.nextQuery('echo')).reply(2);
  assert.equal(await page.evaluate('done'), 2);
  // The call's cleared time-out and the cleared timers leave nothing queued.
  await renderer.settle({timeoutMs: 2000});
  await page.evaluate('setTimeout(function () {}, 60000); 0');
  await assert.rejects(renderer.settle({timeoutMs: 200}), /did not settle within 200 ms/);
  await page.release();
  await renderer.settle({timeoutMs: 2000});
});

test('scripts after the first run as page scripts do, strict ones included', async (t) => {
  const renderer = await start(t);
  const strict = `'use strict'; var shared = 5; function helper() { return shared + 1; }`;
  const page = await renderer.open({scripts: ['var first = 1;', strict]});
  await page.addScript(`"use strict"; let block = 7; var later = helper();`);
  assert.deepEqual(await page.evaluate('[first, shared, helper(), later, typeof block]'),
                   [1, 5, 6, 6, 'number']);
});

test('console lines and exceptions go to the page of their frame', async (t) => {
  const renderer = await start(t);
  const main = await renderer.open({browser: 1, script: 'console.log("main")'});
  const child = await renderer.open({browser: 1, name: 'child', script: 'console.warn("child"); throw new Error("x")'});
  const other = await renderer.open({browser: 2, script: 'console.error("other")'});
  assert.deepEqual([main.frame, child.frame, other.frame], [1, 2, 3]);
  assert.equal(child.main, false);
  assert.deepEqual(main.console.map((l) => l.text), ['main']);
  assert.deepEqual(child.console.map((l) => [l.level, l.text]), [['warn', 'child']]);
  assert.deepEqual(child.exceptions.map((e) => e.message), ['Uncaught Error: x']);
  assert.deepEqual(other.console.map((l) => [l.level, l.text]), [['error', 'other']]);
  assert.equal(renderer.console.length, 3);
  await child.addScript('console.log("after")');
  // In the order they came, console lines and exceptions interleaved.
  assert.equal(child.report(), 'page browser 1 frame 2 ("child", url "about:blank"):\n' +
    '  console.warn in browser 1 frame 2: child\n' +
    '  uncaught exception in browser 1 frame 2, line 1: Uncaught Error: x\n' +
    '  console.log in browser 1 frame 2: after');
  await renderer.destroyBrowser(1);
  assert.equal(main.released && child.released, true);
  await assert.rejects(main.evaluate('1'), /kivhost refused "eval": no frame 1 of browser 1/);
});

test('a refused command names the page, the command and what the renderer did', async (t) => {
  const renderer = await start(t);
  await renderer.open({browser: 1, script: 'console.log("loaded")'});
  await assert.rejects(renderer.open({browser: 1, frame: 2, name: '', script: '1'}), (error) => {
    assert.match(error.message, /^kivhost refused "load": cannot create frame 2 of browser 1/);
    assert.match(error.message, /page: browser 1 frame 2 \(main, url "about:blank"\)/);
    assert.match(error.message, /command: \{"cmd":"load","browser":1,"frame":2/);
    return true;
  });
  await assert.rejects(renderer.open({browser: 2, frame: 1, script: '1'}),
                       /refused "load": cannot create frame 1 of browser 2: frame id 1 is already in use by browser 1/);
});

test('kill ends the renderer; later commands say so', async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: ''});
  const exit = await renderer.kill('SIGKILL');
  assert.deepEqual([exit.signal_name, exit.reason], ['SIGKILL', 'killed']);
  assert.equal(alive(renderer.pid), false);
  await assert.rejects(page.evaluate('1'),
                       /no renderer is running.*\(the renderer exited: signal SIGKILL \(killed\)\)/);
  await assert.rejects(renderer.waitForConsole('never', {timeoutMs: 5000}),
                       /while waiting for a console line reading never, the renderer exited: signal SIGKILL \(killed\)/);
});

test('the test\'s end closes kivhost and the renderer; close may come twice', async () => {
  const hooks = [];
  const renderer = await startRenderer({queries: ['echo'], timeoutMs: 5000,
                                        test: {after: (fn) => hooks.push(fn)}});
  const kivhostPid = renderer.connection.child.pid;
  assert.equal(alive(renderer.pid), true);
  assert.equal(hooks.length, 1);
  await hooks[0]();
  await renderer.close();
  assert.equal(alive(renderer.pid), false);
  assert.equal(alive(kivhostPid), false);
  assert.deepEqual([renderer.exit.code, renderer.exit.reason], [0, 'shut down']);
});

test('the longest time-out allowed works for commands and waits', async (t) => {
  const renderer = await start(t, {timeoutMs: 2147483647});
  const page = await renderer.open({script: 'var n = 1;'});
  assert.equal(await page.evaluate('n + 1'), 2);
  assert.equal(await page.evaluate('Promise.resolve(3)', {timeoutMs: 2147483647}), 3);
  await renderer.settle();
});

test('a missing executable or bad options fail with a clear message', async () => {
  await assert.rejects(startRenderer({kivhost: '/nonexistent/kivhost', renderer: '/nonexistent/r'}),
                       /kivhost "\/nonexistent\/kivhost" is not an executable file/);
  await assert.rejects(startRenderer({queries: 'echo'}), /queries must be a list of strings/);
  await assert.rejects(startRenderer({timeoutMs: 0}), /timeoutMs must be an integer/);
});

test('open() refuses scripts that are neither text nor {file}, and loads nothing', async (t) => {
  const renderer = await start(t);
  for (const options of [{script: 5}, {scripts: [null]}, {scripts: [true, 'var a = 1;']},
                         {scripts: 'var a = 1;'}, {scripts: ['var a = 1;', {file: 7}]},
                         {file: {}}]) {
    await assert.rejects(renderer.open(options),
                         /^TypeError: a script must be source text or \{file: path\}|scripts must be a list/,
                         JSON.stringify(options));
  }
  assert.deepEqual(renderer.events, []);
});

test('raise(), sendMessage() and the waits refuse through their Promise, never by throwing',
     async (t) => {
  const renderer = await start(t);
  for (const wait of [renderer.waitForConsole('x', {timeoutMs: 0}), renderer.nextQuery('echo', {timeoutMs: 1.5})]) {
    assert.ok(wait instanceof Promise);
    await assert.rejects(wait, /timeoutMs must be an integer/);
  }
  const early = renderer.raise('tick', 1);
  assert.ok(early instanceof Promise);
  await assert.rejects(early, /raise\(\) needs a browser: open a page first/);
  await renderer.open({script: ''});
  const unsendable = renderer.sendMessage(1, 'kiv_callback', ['tick', () => {}]);
  assert.ok(unsendable instanceof Promise);
  await assert.rejects(unsendable, /is a function, which no message/);
  assert.deepEqual(renderer.messages, []);
});

test('scripts and code may hold unpaired surrogates; they reach the page and come back exactly',
     async (t) => {
  const renderer = await start(t);
  // Lone surrogates as code units of the source itself, not as escapes.
  const page = await renderer.open({scripts: ['var s = "a\ud800b";', 'var k = {"\udc00": "\udfff"};']});
  assert.deepEqual(await page.evaluate('[s.length, s.charCodeAt(1), Object.keys(k)[0].charCodeAt(0)]'),
                   [3, 0xd800, 0xdc00]);
  assert.equal(await page.evaluate('s'), 'a\ud800b');
  assert.equal(await page.evaluate('"\udbff" + k["\udc00"]'), '\udbff\udfff');
});

test('lines that are no driver output, and a kivhost that dies, are reported', async (t) => {
  const renderer = await startRenderer({
    kivhost: path.join(__dirname, 'fixtures', 'broken-kivhost.js'),
    timeoutMs: 5000, test: t});
  assert.deepEqual(renderer.events.map((e) => e.event),
                   ['unreadable', 'unreadable', 'unreadable', 'console']);
  assert.equal(renderer.console[0].text, 'split across writes');
  await assert.rejects(renderer.open({script: ''}), (error) => {
    assert.match(error.message, /^"create_browser" failed: kivhost ended \(exit code 3\): broken-kivhost: giving up/);
    assert.match(error.message, /page: browser 1\n/);
    return true;
  });
});

test('a renderer line of tens of megabytes arrives whole and in time', async (t) => {
  const renderer = await start(t);
  await renderer.open({script: `kivApi.query({name: 'echo',
    args: new Array(20000001).join('x') + '"\\\\\\n\\u0001'});`});
  const query = await renderer.nextQuery('echo', {timeoutMs: 1});
  assert.equal(query.args.length, 20000004);
  assert.equal(query.args.slice(-5), 'x"\\\n\u0001');
});

test('console lines that only look like an evaluation\'s result are passed over', async (t) => {
  const renderer = await start(t);
  const page = await renderer.open({script: `['null', '5', '"x"', '[99999, true, 1]', '{'].forEach(
    function (text) { console.log('\\u0001kiv-page-test result ' + text); });
    console.log('after');`});
  assert.deepEqual(page.console.map((line) => line.text), ['after']);
  assert.equal(await page.evaluate('Promise.resolve(7)'), 7);
});
