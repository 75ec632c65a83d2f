'use strict';
// One document in one frame: its console lines, its uncaught exceptions and
// the code a test evaluates in it.

const fs = require('node:fs');
const path = require('node:path');
const {describeEvent} = require('./errors');

// Marks around the outcome of an awaited value in a console line. The end
// mark lets the outcome be found in a line that a page's own wrapper of
// console.log has added text to, before or after it.
const RESULT_MARK = '\u0001kiv-page-test result ';
const RESULT_END = '\u0001';

// Runs CODE as global code; a thenable result is reported later through a
// console line with the marks, so the test can await it. Every outcome is
// reported, also one whose value throws when read or turned into text. The
// line goes out through console.log as it is when the code starts, or the
// first other console method there if the page removed that one.
function wrapForEvaluate(code, token) {
  return `(function (code, token, mark, end, out) {
  var UNSHOWN = '(a value that cannot be shown as text)';
  var names = ['log', 'info', 'warn', 'error'];
  var log = null;
  for (var i = 0; out && !log && i < names.length; ++i) {
    if (typeof out[names[i]] === 'function') log = out[names[i]];
  }
  function report(ok, value) {
    var text;
    try {
      text = JSON.stringify(value === undefined ? [token, ok] : [token, ok, value]);
    } catch (e) {
      var why;
      try { why = String(e.message); } catch (_) { why = UNSHOWN; }
      text = JSON.stringify([token, false, {name: 'Error',
        message: 'the result cannot be written as JSON: ' + why}]);
    }
    if (log) log.call(out, mark + text + end);
  }
  var value = (0, eval)(code);
  if (value !== null && (typeof value === 'object' || typeof value === 'function') &&
      typeof value.then === 'function') {
    value.then(function (v) { report(true, v); }, function (e) {
      var reason;
      try {
        reason = e instanceof Error || (e && e.message !== undefined)
          ? {name: e.name, message: String(e.message), result: e.result}
          : {name: 'thrown value', message: String(e), result: e};
      } catch (_) {
        reason = {name: 'thrown value', message: UNSHOWN};
      }
      report(false, reason);
    });
    return [1];
  }
  return value === undefined ? [0] : [0, value];
})(${JSON.stringify(code)}, ${token}, ${JSON.stringify(RESULT_MARK)}, ${JSON.stringify(RESULT_END)},
   typeof console === 'undefined' ? undefined : console)`;
}

function readScript(file) {
  try {
    return fs.readFileSync(file, 'utf8');
  } catch (error) {
    throw new Error(`cannot read the script "${file}": ${error.message}`);
  }
}

class Page {
  constructor(renderer, {browser, frame, url, name, main}) {
    this.renderer = renderer;
    this.browser = browser;
    this.frame = frame;
    this.url = url;
    this.name = name;
    this.main = main;
    this.console = [];
    this.exceptions = [];
    this.released = false;
  }

  describe() {
    const state = this.released ? ', released' : '';
    return `browser ${this.browser} frame ${this.frame} (${this.main ? 'main' : `"${this.name}"`}` +
           `, url ${JSON.stringify(this.url)}${state})`;
  }

  // What the page reported so far, for the message of a failed assertion:
  // assert.equal(value, 1, page.report()).
  report() {
    // In the order the renderer reported them: one pass over its events.
    const mine = new Set([...this.console, ...this.exceptions]);
    const lines = this.renderer.events.filter((event) => mine.has(event))
      .map((event) => `  ${describeEvent(event)}`);
    return `page ${this.describe()}:\n${lines.length ? lines.join('\n') : '  (nothing reported)'}`;
  }

  // The value of code run as a script in the page; a Promise (any thenable)
  // is awaited. Values cross as JSON: undefined stays undefined at the top.
  async evaluate(code, {timeoutMs} = {}) {
    if (typeof code !== 'string') throw new TypeError('evaluate() needs the code as a string');
    const token = this.renderer.nextToken();
    const command = {cmd: 'eval', browser: this.browser, frame: this.frame,
                     code: wrapForEvaluate(code, token)};
    const shown = {cmd: 'eval', browser: this.browser, frame: this.frame, code};
    const outcome = this.renderer.expectResult(token);
    let reply;
    try {
      reply = await this.renderer.command(command, {page: this, shown, timeoutMs});
    } catch (error) {
      outcome.cancel();
      throw error;
    }
    if (reply.threw) {
      outcome.cancel();
      throw this.renderer.failure(`evaluating code in the page threw: ${reply.exception}` +
                                  ` (line ${reply.line})`, {page: this, command: shown,
                                  since: reply.since, details: {thrown: {message: reply.exception}}});
    }
    const result = reply.result === 'undefined' ? [0] : JSON.parse(reply.result);
    if (result[0] === 0) {
      outcome.cancel();
      return result[1];
    }
    const [, ok, value] = await outcome.wait({page: this, command: shown, timeoutMs});
    if (!ok) {
      throw this.renderer.failure(`the Promise the code returned was rejected: ` +
                                  `${value.name}: ${value.message}`,
                                  {page: this, command: shown, since: reply.since,
                                   details: {thrown: value}});
    }
    return value;
  }

  // Runs one more script in the document (given as text or {file}) as
  // global code of its own, as a page script runs: not through evaluate's
  // indirect eval, which keeps the declarations of strict code and every
  // let, const and class to itself.
  async addScript(script) {
    const file = typeof script === 'string' ? undefined : path.resolve(script.file);
    const code = file === undefined ? script : readScript(file);
    const command = {cmd: 'eval', browser: this.browser, frame: this.frame,
                     code: `${code}\n;undefined`};
    const shown = file === undefined ? command : {...command, code: undefined, script_file: file};
    const reply = await this.renderer.command(command, {page: this, shown});
    if (reply.threw) {
      throw this.renderer.failure(`evaluating code in the page threw: ${reply.exception}` +
                                  ` (line ${reply.line})`, {page: this, command: shown,
                                  since: reply.since, details: {thrown: {message: reply.exception}}});
    }
  }

  // Ends the document: its context is released as when the frame navigates.
  async release() {
    await this.renderer.command({cmd: 'release', browser: this.browser, frame: this.frame},
                                {page: this});
    this.released = true;
  }

  // Gives the frame a new document; this page counts as released.
  navigate(options = {}) {
    return this.renderer.open({...options, browser: this.browser, frame: this.frame});
  }
}

module.exports = {Page, RESULT_MARK, RESULT_END, readScript};
