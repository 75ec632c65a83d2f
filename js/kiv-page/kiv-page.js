// kivPage: promises, streams and event subscriptions over the page's kivApi.
//
// Load it as a plain page script before the scripts that use it; it defines
// the global kivPage. It is written in ES5 plus the engine's native Promise,
// so pages need no build step. It sends exactly what the same kivApi calls
// written by hand would send, and it looks kivApi up at every call.
//
// Every Promise it returns settles once. When it settles, or when a stream
// stops, the helper has cleared its timer and ended its event registration.
(function (root) {
  'use strict';

  var MAX_TIMER_MS = 2147483647;

  function bridge() {
    var api = root.kivApi;
    if (!api || typeof api.query !== 'function') {
      throw new Error('kivApi is not available in this page');
    }
    return api;
  }

  function describe(value) {
    if (typeof value === 'string') {
      return value;
    }
    try {
      var text = JSON.stringify(value);
      return text === undefined ? String(value) : text;
    } catch (e) {
      return String(value);
    }
  }

  function makeError(Type, message) {
    var error = new Error(message);
    var made = Object.create(Type.prototype);
    made.message = message;
    made.stack = String(error.stack).replace(/^Error/, Type.prototype.name);
    return made;
  }

  // A query whose reply carried the flag false; result is the reply's value.
  function KivQueryError(query, result) {
    var error = makeError(KivQueryError,
        'query "' + query + '" failed: ' + describe(result));
    error.query = query;
    error.result = result;
    return error;
  }
  KivQueryError.prototype = Object.create(Error.prototype);
  KivQueryError.prototype.constructor = KivQueryError;
  KivQueryError.prototype.name = 'KivQueryError';

  // Nothing arrived in time: kind is "query" or "event".
  function KivTimeoutError(kind, name, timeoutMs) {
    var message = kind === 'query'
        ? 'query "' + name + '" got no reply within ' + timeoutMs +
          ' ms (a query name the browser process did not announce is ' +
          'dropped without a reply)'
        : 'event "' + name + '" did not arrive within ' + timeoutMs + ' ms';
    var error = makeError(KivTimeoutError, message);
    error.kind = kind;
    error.query = kind === 'query' ? name : undefined;
    error.event = kind === 'event' ? name : undefined;
    error.timeoutMs = timeoutMs;
    return error;
  }
  KivTimeoutError.prototype = Object.create(Error.prototype);
  KivTimeoutError.prototype.constructor = KivTimeoutError;
  KivTimeoutError.prototype.name = 'KivTimeoutError';

  // The time-out of options.timeoutMs: from 1 to 2^31-1 ms, or Infinity for
  // none. Larger delays would overflow the engine's timers and fire at once.
  function readTimeout(options, fallback) {
    if (options !== undefined && options !== null && typeof options !== 'object') {
      throw new TypeError('options must be an object');
    }
    var value = options ? options.timeoutMs : undefined;
    if (value === undefined) {
      value = fallback;
    }
    if (value === Infinity) {
      return value;
    }
    if (typeof value !== 'number' || !(value >= 1 && value <= MAX_TIMER_MS)) {
      throw new RangeError('timeoutMs must be a number of milliseconds ' +
          'from 1 to ' + MAX_TIMER_MS + ', or Infinity for no time-out');
    }
    return value;
  }

  // One settlement of a Promise: the first finish() wins and returns true;
  // either way the timer is cleared and cleanup runs, once. start() arms the
  // time-out, which calls onTimeout if nothing settled before it.
  function settleOnce(timeoutMs, onTimeout, cleanup) {
    var settled = false;
    var timer = null;

    function finish() {
      if (settled) {
        return false;
      }
      settled = true;
      if (timer !== null) {
        root.clearTimeout(timer);
        timer = null;
      }
      if (cleanup) {
        cleanup();
      }
      return true;
    }

    return {
      finish: finish,
      start: function () {
        if (timeoutMs === Infinity || settled) {
          return;
        }
        timer = root.setTimeout(function () {
          timer = null;
          if (finish()) {
            onTimeout();
          }
        }, timeoutMs);
      }
    };
  }

  var kivPage = {
    // The time-out of call() when its options give none.
    defaultTimeoutMs: 10000,

    KivQueryError: KivQueryError,
    KivTimeoutError: KivTimeoutError,

    // Sends one query; the first reply settles the Promise: resolved with the
    // result when its flag is true, rejected with a KivQueryError otherwise.
    // Later replies to the same query are ignored. A refused query (the
    // bridge's own exception) rejects with that exception.
    call: function (name, args, options) {
      return new Promise(function (resolve, reject) {
        var timeoutMs = readTimeout(options, kivPage.defaultTimeoutMs);
        var settlement = settleOnce(timeoutMs, function () {
          reject(new KivTimeoutError('query', name, timeoutMs));
        });
        bridge().query({
          name: name,
          args: args,
          callback: function (ok, result) {
            if (!settlement.finish()) {
              return;
            }
            if (ok === true) {
              resolve(result);
            } else {
              reject(new KivQueryError(name, result));
            }
          }
        });
        settlement.start();
      });
    },

    // Sends one query and passes every reply to onReply(ok, result) until
    // stop() is called. The bridge keeps its record of the query until the
    // page goes away; replies after stop() reach nothing. Throws the bridge's
    // exception when it refuses the query.
    stream: function (name, args, onReply) {
      if (typeof onReply !== 'function') {
        throw new TypeError('stream needs a function to call with each reply');
      }
      var active = true;
      bridge().query({
        name: name,
        args: args,
        callback: function (ok, result) {
          if (active) {
            onReply(ok, result);
          }
        }
      });
      return {
        // Returns true when this call stopped the stream.
        stop: function () {
          var wasActive = active;
          active = false;
          return wasActive;
        },
        isActive: function () {
          return active;
        }
      };
    },

    // Subscribes fn to an event; the function returned ends the subscription
    // and returns true when it removed the registration. Throws the bridge's
    // exception when it refuses the registration.
    on: function (event, fn) {
      // The registration is ended through the kivApi that made it, even if
      // the page has replaced or removed the global since.
      var api = bridge();
      var id = api.registerCallback(event, fn);
      var subscribed = true;
      return function unsubscribe() {
        if (!subscribed) {
          return false;
        }
        subscribed = false;
        return api.unregisterCallback(id);
      };
    },

    // The next payload of an event. Without options.timeoutMs it waits as
    // long as the page lives; with it, it rejects with a KivTimeoutError.
    once: function (event, options) {
      return new Promise(function (resolve, reject) {
        var timeoutMs = readTimeout(options, Infinity);
        var api = bridge();
        var id = null;
        var settlement = settleOnce(timeoutMs, function () {
          reject(new KivTimeoutError('event', event, timeoutMs));
        }, function () {
          // Through the kivApi that registered: a lookup that failed here
          // would leave the Promise unsettled.
          if (id !== null) {
            api.unregisterCallback(id);
            id = null;
          }
        });
        var registered = api.registerCallback(event, function (payload) {
          if (settlement.finish()) {
            resolve(payload);
          }
        });
        if (typeof registered === 'number') {
          id = registered;
        }
        settlement.start();
      });
    }
  };

  root.kivPage = kivPage;
}(typeof window !== 'undefined' ? window : this));
