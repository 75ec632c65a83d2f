'use strict';
// Shared set-up of the tests: a renderer per test, closed when it ends.

const path = require('node:path');
const {startRenderer, kivPageScript} = require('kiv-page-test');

const leakSpyScript = {file: path.join(__dirname, 'fixtures', 'leak-spy.js')};

// A renderer announcing the queries echo and slow and the events tick and
// tock, closed after test t.
function start(t, options = {}) {
  return startRenderer({queries: ['echo', 'slow'], events: ['tick', 'tock'],
                        timeoutMs: 5000, test: t, ...options});
}

// A page with the leak spy and the helper loaded, then the given scripts.
async function openHelperPage(renderer, scripts = [], options = {}) {
  return renderer.open({scripts: [leakSpyScript, kivPageScript, ...scripts],
                        ...options});
}

async function expectNothingLeft(page) {
  return page.evaluate('({timers: leakSpy.liveTimers(), registrations: leakSpy.liveRegistrations()})');
}

module.exports = {start, openHelperPage, expectNothingLeft, leakSpyScript};
