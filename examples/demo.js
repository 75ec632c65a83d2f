// An example page for kivhost's run mode. It uses the whole of kivApi: a
// query whose reply runs its callback, a subscription to an event that the
// browser side raises, the end of that subscription, and calls the bridge
// refuses. Every step is logged, so the transcript shows what crossed the
// process boundary in which order.
//
// scripts/demo runs it as
//   kivhost run --renderer build/kiv-subprocess --page examples/demo.js \
//       --query echo --event tick
// The browser side raises three ticks; the page unsubscribes after the
// second, so the third reaches no function.

function show(value) {
  return JSON.stringify(value);
}

// A query: sent at once as a "kiv_jsapi" message; each reply runs the
// callback with the flag and the result.
kivApi.query({
  name: 'echo',
  args: {greeting: 'hello from the page', numbers: [1, 2.5], nested: {ok: true}},
  callback: function(ok, result) {
    console.log('echo replied: ok=' + ok + ' result=' + show(result));
  }
});
console.log('echo query sent; kivApi.query returned at once');

// A query nobody waits for: sent, but its replies run nothing.
kivApi.query({name: 'echo', args: 'no callback here'});

// An event subscription. Registration ids start at 0.
var ticks = 0;
var tickId = kivApi.registerCallback('tick', function(value) {
  ticks++;
  console.log('tick #' + ticks + ' arrived: ' + show(value));
  if (ticks === 2) {
    // Unsubscribing: true the first time, false for an id already gone.
    console.log('unregisterCallback(' + tickId + ') = ' +
                kivApi.unregisterCallback(tickId));
    console.log('unregisterCallback(' + tickId + ') again = ' +
                kivApi.unregisterCallback(tickId));
    console.log('no more ticks reach this page');
  }
});
console.log('subscribed to tick with registration id ' + tickId);

// Refused calls throw with the bridge's own texts.
try {
  kivApi.query({args: 'a query without a name'});
} catch (e) {
  console.log('refused: ' + e.message);
}
try {
  kivApi.registerCallback('no-such-event', function() {});
} catch (e) {
  console.log('refused: ' + e.message);
}
try {
  kivApi.query({name: 'echo', args: new Date()});
} catch (e) {
  console.log('refused: ' + e.message);
}

// A query under a name the browser side did not announce goes nowhere.
console.log('unannounced query returned ' +
            kivApi.query({name: 'not-announced', callback: function() {}}));
