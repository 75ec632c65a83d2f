'use strict';
// A real kiv-subprocess renderer under `kivhost driver`, with the browser
// process's side played by the test: announced names, browsers and frames,
// answers to queries, events, and everything the renderer reports.

const path = require('node:path');
const {DriverConnection} = require('./driver');
const {locate} = require('./locate');
const {PageTestError, describeExit} = require('./errors');
const {encode, parseJson} = require('./json-form');
const {Page, RESULT_MARK, RESULT_END, readScript} = require('./page');
const {Query, Failure} = require('./query');

const DEFAULT_TIMEOUT_MS = 10000;
// How long kivhost gets beyond the renderer's own time-out before the
// package gives up on it.
const KIVHOST_MARGIN_MS = 5000;
// The longest --timeout-ms kivhost takes; longer ones are as good as endless.
const KIVHOST_MAX_TIMEOUT_MS = 2 ** 30;
// Wakes the waits for evaluations' outcomes; no renderer event.
const RESULT_ARRIVED = Object.freeze({event: 'result'});

function checkTimeout(value, fallback) {
  if (value === undefined) return fallback;
  if (!Number.isInteger(value) || value < 1 || value > 2147483647) {
    throw new RangeError('timeoutMs must be an integer number of milliseconds from 1 to 2147483647');
  }
  return value;
}

function checkNames(names, what) {
  if (names === undefined) return [];
  if (!Array.isArray(names) || names.some((n) => typeof n !== 'string')) {
    throw new TypeError(`${what} must be a list of strings`);
  }
  return names;
}

// A page script: source text or {file: path}.
function checkScript(script) {
  if (typeof script !== 'string' &&
      !(script && typeof script === 'object' && typeof script.file === 'string')) {
    throw new TypeError('a script must be source text or {file: path}');
  }
}

class Renderer {
  constructor(options) {
    this.timeoutMs = checkTimeout(options.timeoutMs, DEFAULT_TIMEOUT_MS);
    this.queryNames = checkNames(options.queries, 'queries');
    this.eventNames = checkNames(options.events, 'events');
    // Everything the renderer reported, in order.
    this.events = [];
    this.console = [];
    this.exceptions = [];
    // Process messages the page side sent, as driver events.
    this.messages = [];
    this.queries = [];
    // Errors thrown by answer functions; settle() and close() report them.
    this.failures = [];
    this.exit = null;
    this.pid = null;
    this.browsers = new Map();
    this.pages = new Map();
    this.handlers = [];
    this.unclaimed = [];
    this.waiters = new Set();
    this.inflight = new Set();
    this.results = new Map();
    this.tokens = 0;
    this.closed = false;
  }

  // ---- the driver connection ----

  async launch(options) {
    const {kivhost, renderer} = locate(options);
    this.kivhost = kivhost;
    this.executable = renderer;
    this.connection = new DriverConnection({
      kivhost, renderer, timeoutMs: Math.min(this.timeoutMs, KIVHOST_MAX_TIMEOUT_MS),
      onEvent: (event) => this.handleEvent(event),
      onGone: (text) => this.wake({event: 'kivhost_gone', text}),
    });
    const start = {cmd: 'start', args: options.args};
    if (options.extraInfo !== undefined) {
      start.extra_info = JSON.parse(encode(options.extraInfo));
    } else {
      start.callback_names = this.eventNames;
      start.query_names = this.queryNames;
    }
    if (!start.args) delete start.args;
    const reply = await this.command(start);
    this.pid = reply.pid;
  }

  nextToken() { return ++this.tokens; }

  failure(summary, {page, command, since = this.events.length, details} = {}) {
    return new PageTestError({summary, page, command, details,
                              activity: this.events.slice(since)});
  }

  // Sends one driver command and returns its reply; a refusal or a lost
  // kivhost throws a PageTestError naming the page and the command.
  async command(command, {page, shown, timeoutMs} = {}) {
    const since = this.events.length;
    const limit = checkTimeout(timeoutMs, this.timeoutMs);
    const sent = {...command};
    if (timeoutMs !== undefined && sent.cmd !== 'wait') sent.timeout_ms = limit;
    const waitMs = (sent.cmd === 'wait' ? sent.ms : 2 * limit) + KIVHOST_MARGIN_MS;
    let reply;
    try {
      reply = await this.connection.send(sent, waitMs);
    } catch (error) {
      throw this.failure(`"${command.cmd}" failed: ${error.message}`,
                         {page, command: shown || command, since});
    }
    if (reply.ok !== true) {
      // A refusal after the renderer ended says how it ended.
      const ended = this.exit ? ` (the renderer exited: ${describeExit(this.exit)})` : '';
      throw this.failure(`kivhost refused "${command.cmd}": ${reply.error}${ended}`,
                         {page, command: shown || command, since});
    }
    reply.since = since;
    return reply;
  }

  handleEvent(event) {
    if (event.event === 'console' && typeof event.text === 'string') {
      const at = event.text.indexOf(RESULT_MARK);
      // A line that starts with the mark is never the page's own.
      if (at >= 0 && (this.handleResult(event.text, at) || at === 0)) return;
    }
    this.events.push(event);
    const page = this.pages.get(`${event.browser}/${event.frame}`);
    switch (event.event) {
      case 'console':
        this.console.push(event);
        if (page) page.console.push(event);
        break;
      case 'exception':
        this.exceptions.push(event);
        if (page) page.exceptions.push(event);
        break;
      case 'message':
        this.messages.push(event);
        if (event.name === 'kiv_jsapi') this.handleQueryMessage(event);
        break;
      case 'exit':
        this.exit = event;
        break;
      default:
        break;
    }
    this.wake(event);
  }

  // ---- waiting ----

  wake(event) {
    for (const waiter of [...this.waiters]) waiter.check(event);
  }

  // Resolves with the first value test(event) returns that is not undefined,
  // for events from now on; rejects after timeoutMs naming what was awaited.
  // (The package's own waits for an evaluation's outcome pass internal:
  // they alone see the internal event that one has arrived.)
  waitFor(test, {what = 'an event', timeoutMs, page, since = this.events.length,
                 internal = false} = {}) {
    return new Promise((resolve, reject) => {
      // Inside the executor: a bad time-out rejects, as every wait does.
      const limit = checkTimeout(timeoutMs, this.timeoutMs);
      const waiter = {
        check: (event) => {
          if (event === RESULT_ARRIVED && !internal) return;
          if (event.event === 'kivhost_gone') {
            finish();
            reject(this.failure(`while waiting for ${what}: ${event.text}`, {page, since}));
            return;
          }
          let found;
          try {
            found = test(event);
          } catch (error) {
            finish();
            reject(error);
            return;
          }
          if (found !== undefined) {
            finish();
            resolve(found);
          } else if (event.event === 'exit') {
            finish();
            reject(this.failure(`while waiting for ${what}, the renderer exited: ` +
                                describeExit(event), {page, since}));
          }
        },
      };
      const timer = setTimeout(() => {
        finish();
        reject(this.failure(`${what} did not come within ${limit} ms`, {page, since}));
      }, limit);
      const finish = () => {
        clearTimeout(timer);
        this.waiters.delete(waiter);
      };
      this.waiters.add(waiter);
      if (this.connection.gone) waiter.check({event: 'kivhost_gone', text: this.connection.gone});
      else if (this.exit) waiter.check(this.exit);
    });
  }

  // The next console line (of any page) whose text equals or matches `match`.
  // A regular expression is searched from the start of every line, whatever
  // its lastIndex (which test() would use, and move, for the g and y flags).
  waitForConsole(match, options = {}) {
    const test = typeof match === 'string' ? (text) => text === match
                                           : (text) => text.search(match) >= 0;
    return this.waitFor((e) => (e.event === 'console' && test(e.text) ? e : undefined),
                        {what: `a console line ${match instanceof RegExp ? 'matching' : 'reading'} ${match}`,
                         ...options});
  }

  // The next uncaught exception of any page.
  waitForException(options = {}) {
    return this.waitFor((e) => (e.event === 'exception' ? e : undefined),
                        {what: 'an uncaught exception', ...options});
  }

  // The renderer's exit event, once it has exited.
  async waitForExit(options = {}) {
    if (this.exit) return this.exit;
    return this.waitFor((e) => (e.event === 'exit' ? e : undefined),
                        {what: 'the renderer\'s exit', ...options});
  }

  expectResult(token) {
    let outcome = null;
    this.results.set(token, (value) => { outcome = value; });
    return {
      cancel: () => this.results.delete(token),
      wait: async ({page, command, timeoutMs}) => {
        try {
          if (outcome) return outcome;
          return await this.waitFor(() => (outcome ? outcome : undefined),
                                    {what: 'the Promise the code returned to settle', page, timeoutMs,
                                     internal: true});
        } catch (error) {
          if (error instanceof PageTestError) error.command = command;
          throw error;
        } finally {
          this.results.delete(token);
        }
      },
    };
  }

  // Takes the outcome between the marks that start at `at` in a console
  // line; true when it was one an evaluation waits for.
  handleResult(text, at) {
    const start = at + RESULT_MARK.length;
    const end = text.indexOf(RESULT_END, start);
    if (end < 0) return false;
    let outcome;
    try {
      outcome = JSON.parse(text.slice(start, end));
    } catch (_) {
      return false;
    }
    // The page may log anything after the mark; only a list is an outcome.
    if (!Array.isArray(outcome)) return false;
    const deliver = this.results.get(outcome[0]);
    if (!deliver) return false;
    this.results.delete(outcome[0]);
    deliver(outcome);
    this.wake(RESULT_ARRIVED);
    return true;
  }

  // ---- queries ----

  handleQueryMessage(event) {
    let query;
    try {
      query = new Query(this, event);
    } catch (error) {
      this.failures.push(this.failure(`a query message could not be read: ${error.message}`,
                                      {since: this.events.length - 1}));
      return;
    }
    this.handleQuery(query);
  }

  handleQuery(query) {
    this.queries.push(query);
    this.dispatch(query);
  }

  dispatch(query) {
    const index = this.handlers.findIndex((h) => h.name === query.name && h.left !== 0);
    if (index < 0) {
      this.unclaimed.push(query);
      return;
    }
    const handler = this.handlers[index];
    if (handler.left > 0) handler.left -= 1;
    handler.calls.push(query);
    const task = (async () => {
      const value = await handler.fn(query.args, query);
      if (handler.manual) return;
      if (value instanceof Failure) await query.fail(value.result);
      else await query.reply(value);
    })().catch((error) => {
      const failure = error instanceof PageTestError ? error
        : this.failure(`the answer to ${query.describe()} threw: ${error && error.stack || error}`);
      this.failures.push(failure);
    });
    this.inflight.add(task);
    task.finally(() => this.inflight.delete(task));
  }

  addHandler(name, fn, {times} = {}, manual) {
    if (typeof name !== 'string') throw new TypeError('the query name must be a string');
    if (typeof fn !== 'function') throw new TypeError('the answer must be a function');
    if (times !== undefined && !(Number.isInteger(times) && times > 0)) {
      throw new RangeError('times must be a positive integer');
    }
    const handler = {name, fn, manual, left: times === undefined ? -1 : times, calls: []};
    this.handlers.push(handler);
    // Queries that arrived before any answer was given are answered now.
    const waiting = this.unclaimed.filter((q) => q.name === name);
    for (const query of waiting) {
      if (handler.left === 0) break;
      this.unclaimed.splice(this.unclaimed.indexOf(query), 1);
      this.dispatch(query);
    }
    return {
      calls: handler.calls,
      stop: () => {
        const at = this.handlers.indexOf(handler);
        if (at >= 0) this.handlers.splice(at, 1);
      },
    };
  }

  // Answers queries of this name with fn(args, query): its value (or the
  // value of its Promise) is the reply; failure(result) replies with the
  // flag false. options.times limits how many queries it answers.
  answer(name, fn, options) { return this.addHandler(name, fn, options, false); }

  // Hands queries of this name to fn(args, query), which replies itself
  // with query.reply() and query.fail(), as often as it likes.
  handle(name, fn, options) { return this.addHandler(name, fn, options, true); }

  // The next query of this name that no answer took (one already waiting
  // first); the test replies to it itself.
  nextQuery(name, options = {}) {
    const waiting = this.unclaimed.findIndex((q) => q.name === name);
    if (waiting >= 0) return Promise.resolve(this.unclaimed.splice(waiting, 1)[0]);
    return this.waitFor(() => {
      const index = this.unclaimed.findIndex((q) => q.name === name);
      return index >= 0 ? this.unclaimed.splice(index, 1)[0] : undefined;
    }, {what: `a query "${name}"`, ...options});
  }

  // ---- messages to the renderer ----

  // Async, so that a value that cannot be encoded rejects like a refusal.
  async sendMessage(browser, name, args, {what} = {}) {
    const command = {cmd: 'send', browser, name, args: JSON.parse(encode(args))};
    return this.command(command, {page: what});
  }

  // Raises an event: "kiv_callback" [event, payload], delivered through one
  // browser (the renderer's registrations are shared by all its pages).
  async raise(event, payload = null, {browser} = {}) {
    const target = browser !== undefined ? browser : this.browsers.keys().next().value;
    if (target === undefined) throw new Error('raise() needs a browser: open a page first');
    return this.sendMessage(target, 'kiv_callback', [event, payload],
                            {what: `event "${event}" to browser ${target}`});
  }

  // ---- browsers and pages ----

  async openBrowser(id) {
    const browser = id !== undefined ? id : Math.max(0, ...this.browsers.keys()) + 1;
    await this.command({cmd: 'create_browser', browser}, {page: `browser ${browser}`});
    this.browsers.set(browser, {frames: new Set(), hasMain: false});
    return browser;
  }

  async destroyBrowser(browser) {
    await this.command({cmd: 'destroy_browser', browser}, {page: `browser ${browser}`});
    this.browsers.delete(browser);
    for (const [key, page] of this.pages) {
      if (page.browser === browser) {
        page.released = true;
        this.pages.delete(key);
      }
    }
  }

  // Opens a document: options.browser (default: a new browser), frame
  // (default: the next id no frame of the renderer has), name (a frame
  // name; empty for the main frame), url, and the scripts to run in it:
  // script (text), file, or scripts (a list of texts or {file}), in order.
  async open(options = {}) {
    const sources = [];
    if (options.script !== undefined) sources.push(options.script);
    if (options.file !== undefined) sources.push({file: options.file});
    if (options.scripts !== undefined) {
      if (!Array.isArray(options.scripts)) throw new TypeError('scripts must be a list');
      sources.push(...options.scripts);
    }
    for (const source of sources) checkScript(source);
    let browser = options.browser;
    if (browser === undefined || !this.browsers.has(browser)) browser = await this.openBrowser(browser);
    const state = this.browsers.get(browser);
    // Frame ids are unique in the whole renderer, as in the framework.
    const frame = options.frame !== undefined ? options.frame
      : Math.max(0, ...[...this.browsers.values()].flatMap((b) => [...b.frames])) + 1;
    const existing = state.frames.has(frame);
    const previous = this.pages.get(`${browser}/${frame}`);
    const name = options.name !== undefined ? options.name
      : previous ? previous.name : !state.hasMain ? '' : `frame${frame}`;
    const first = sources.shift();
    const firstFile = first && typeof first === 'object' ? path.resolve(first.file) : undefined;
    const files = [first, ...sources].filter((s) => s && typeof s === 'object');
    const url = options.url !== undefined ? options.url
      : files.length > 0 ? path.resolve(files[files.length - 1].file) : 'about:blank';
    const page = new Page(this, {browser, frame, url, name,
                                 main: previous ? previous.main : name === ''});
    const command = {cmd: 'load', browser, frame, url};
    if (!existing) {
      command.name = name;
      command.main = page.main;
    }
    if (typeof first === 'string') command.script = first;
    else if (firstFile) command.script = readScript(firstFile);
    // The page takes the frame's lines from the moment the load is sent.
    if (previous) previous.released = true;
    this.pages.set(`${browser}/${frame}`, page);
    const shown = firstFile ? {...command, script: undefined, script_file: firstFile} : command;
    await this.command(command, {page, shown});
    state.frames.add(frame);
    if (page.main) state.hasMain = true;
    for (const script of sources) await page.addScript(script);
    return page;
  }

  // ---- settling and the end ----

  // Waits until the answers the test gave have replied and the render
  // thread has nothing queued (timers included); rejects otherwise, and
  // with the first error an answer function threw.
  async settle({timeoutMs} = {}) {
    const limit = checkTimeout(timeoutMs, this.timeoutMs);
    const deadline = Date.now() + limit;
    const since = this.events.length;
    for (;;) {
      this.throwFailures();
      const left = deadline - Date.now();
      if (left <= 0) break;
      if (this.inflight.size > 0) {
        await this.raceDeadline([...this.inflight], left);
        continue;
      }
      const queriesBefore = this.queries.length;
      const reply = await this.command({cmd: 'settle'}, {timeoutMs: Math.max(1, left)});
      this.throwFailures();
      if (reply.idle && this.inflight.size === 0 && this.queries.length === queriesBefore) return;
      if (!reply.idle) break;
    }
    const busy = this.inflight.size > 0
      ? `${this.inflight.size} answer(s) to queries are still running`
      : 'the render thread still has tasks queued (a timer or an interval?)';
    throw this.failure(`the renderer did not settle within ${limit} ms: ${busy}`, {since});
  }

  async raceDeadline(promises, ms) {
    let timer;
    await Promise.race([Promise.allSettled(promises),
                        new Promise((resolve) => { timer = setTimeout(resolve, ms); })]);
    clearTimeout(timer);
  }

  throwFailures() {
    if (this.failures.length > 0) throw this.failures.shift();
  }

  // Lets the renderer run for ms milliseconds while the test sends nothing.
  wait(ms) {
    if (!Number.isInteger(ms) || ms < 0 || ms > 86400000) {
      return Promise.reject(new RangeError('wait() needs a number of milliseconds from 0 to 86400000'));
    }
    return this.command({cmd: 'wait', ms});
  }

  // Sends a signal (default SIGKILL) and waits for the renderer to go.
  async kill(signal) {
    const command = {cmd: 'kill'};
    if (signal !== undefined) command.signal = signal;
    await this.command(command);
    return this.waitForExit();
  }

  // Asks the renderer to shut down; resolves with its exit.
  async shutdown(exitCode = 0) {
    await this.command({cmd: 'shutdown', exit_code: exitCode});
    return this.waitForExit();
  }

  describeExit() { return this.exit ? describeExit(this.exit) : 'still running'; }

  // Ends the renderer and kivhost on every way out; safe to call twice.
  // Rejects with the first error an answer function threw.
  async close() {
    if (this.closed) return;
    this.closed = true;
    try {
      if (this.connection && !this.connection.gone && this.pid !== null && !this.exit) {
        await this.command({cmd: 'shutdown'}, {timeoutMs: 2000}).catch(() => {});
      }
    } finally {
      if (this.connection) await this.connection.close(3000);
      for (const waiter of [...this.waiters]) {
        waiter.check({event: 'kivhost_gone', text: 'the renderer was closed'});
      }
    }
    this.throwFailures();
  }
}

// Starts kivhost and a renderer with the announced names. options: queries,
// events (name lists) or extraInfo (the whole start-up list), kivhost,
// renderer (paths), args (more renderer arguments), timeoutMs (every wait;
// default 10000), test (a node:test context: the renderer is closed after
// the test, passed or failed).
async function startRenderer(options = {}) {
  const renderer = new Renderer(options);
  if (options.test && typeof options.test.after === 'function') {
    options.test.after(() => renderer.close());
  }
  try {
    await renderer.launch(options);
  } catch (error) {
    await renderer.close().catch(() => {});
    throw error;
  }
  return renderer;
}

module.exports = {Renderer, startRenderer, parseJson};
