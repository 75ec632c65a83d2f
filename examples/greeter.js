// An example page written with kivPage (js/kiv-page/kiv-page.js, loaded as
// a script before this one). It asks the browser process for the user's
// name and greets them, and keeps the first three clock ticks the browser
// process raises. examples/greeter.test.js tests it against the real
// renderer.

var greeter = {greeting: null, ticks: []};

kivPage.call('user.name', null, {timeoutMs: 2000}).then(function (name) {
  greeter.greeting = 'Hello, ' + name + '!';
  console.log(greeter.greeting);
}, function (error) {
  greeter.greeting = 'Hello, stranger!';
  console.warn('no name (' + error.message + '): ' + greeter.greeting);
});

var stopTicks = kivPage.on('clock.tick', function (time) {
  greeter.ticks.push(time);
  if (greeter.ticks.length === 3) {
    stopTicks();
    console.log('enough ticks');
  }
});
