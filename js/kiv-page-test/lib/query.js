'use strict';
// A query a page sent ("kiv_jsapi" [request id, name, [args]]) and the
// replies the test sends back to it.

const {decode, plain} = require('./json-form');

// Returned by an answer function: reply with the flag false and this result.
class Failure {
  constructor(result) { this.result = result; }
}

function failure(result) { return new Failure(result); }

class Query {
  constructor(renderer, event) {
    const list = Array.isArray(event.args) ? event.args : [];
    this.renderer = renderer;
    this.browser = event.browser;
    // The message as it arrived, in the driver's JSON form.
    this.message = event.args;
    this.id = typeof list[0] === 'number' ? list[0] : null;
    this.name = typeof list[1] === 'string' ? list[1] : null;
    const inner = Array.isArray(list[2]) ? list[2] : [];
    // The argument with every kind kept (doubles as Double, ...).
    this.exactArgs = inner.length > 0 ? decode(inner[0], '/2/0') : null;
    // The argument as ordinary JavaScript values.
    this.args = plain(this.exactArgs);
    this.replies = [];
  }

  // Sends a reply with the flag true; may be called any number of times.
  reply(result) { return this.send(true, result); }

  // Sends a reply with the flag false.
  fail(result) { return this.send(false, result); }

  send(flag, result) {
    this.replies.push({flag, result});
    return this.renderer.sendMessage(this.browser, 'kiv_jsapi', [this.id, flag, result],
                                     {what: `the reply to query "${this.name}" (request ${this.id})`});
  }

  describe() {
    return `query "${this.name}" (request ${this.id}, browser ${this.browser})`;
  }
}

module.exports = {Query, Failure, failure};
