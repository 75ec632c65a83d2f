'use strict';
// One `kivhost driver` child: JSON lines in, replies matched to commands by
// id, everything else handed on as events. Every child is killed when the
// Node process exits, however it exits.

const {spawn} = require('node:child_process');
const {parseJson} = require('./json-form');

const MAX_TIMER_MS = 2147483647;
const running = new Set();
let exitHookInstalled = false;

function installExitHook() {
  if (exitHookInstalled) return;
  exitHookInstalled = true;
  process.once('exit', () => {
    for (const child of running) {
      try { child.kill('SIGKILL'); } catch (_) { /* already gone */ }
    }
  });
}

class DriverConnection {
  // onEvent(event) gets every line that is not a reply, parsed; onGone(text)
  // is called once when kivhost ends.
  constructor({kivhost, renderer, timeoutMs, onEvent, onGone}) {
    installExitHook();
    this.onEvent = onEvent;
    this.onGone = onGone;
    this.pending = new Map();
    this.nextId = 1;
    this.stderr = '';
    this.gone = null;
    // Lines read but not handled yet (from index `next` on), and what to do
    // once they are, when kivhost has ended meanwhile.
    this.lines = [];
    this.next = 0;
    this.drainScheduled = false;
    this.afterDrain = null;
    const args = ['driver', '--timeout-ms', String(timeoutMs)];
    if (renderer) args.push('--renderer', renderer);
    this.child = spawn(kivhost, args, {stdio: ['pipe', 'pipe', 'pipe']});
    running.add(this.child);
    this.exited = new Promise((resolve) => {
      this.child.once('error', (error) => {
        running.delete(this.child);
        this.whenDrained(() => {
          this.markGone(`cannot run kivhost "${kivhost}": ${error.message}`);
          resolve();
        });
      });
      this.child.once('close', (code, signal) => {
        running.delete(this.child);
        const how = signal ? `signal ${signal}` : `exit code ${code}`;
        const tail = this.stderr.trim().split('\n').slice(-5).join('\n').trim();
        this.whenDrained(() => {
          this.markGone(`kivhost ended (${how})${tail ? `: ${tail}` : ''}`);
          resolve();
        });
      });
    });
    this.child.stdin.on('error', () => { /* reported through close */ });
    // The pieces of the line not yet ended; each chunk is searched once, so
    // a line of many chunks costs its length, not its length squared.
    let pieces = [];
    this.child.stdout.setEncoding('utf8');
    this.child.stdout.on('data', (chunk) => {
      let start = 0;
      let newline;
      while ((newline = chunk.indexOf('\n', start)) >= 0) {
        pieces.push(chunk.slice(start, newline));
        const line = pieces.join('');
        pieces = [];
        start = newline + 1;
        if (line.trim()) this.lines.push(line);
      }
      if (start < chunk.length) pieces.push(chunk.slice(start));
      if (!this.drainScheduled) this.drain();
    });
    this.child.stderr.setEncoding('utf8');
    this.child.stderr.on('data', (chunk) => {
      this.stderr = (this.stderr + chunk).slice(-8192);
    });
  }

  // Handles the lines read so far, in order. After a line that answered a
  // command, the rest wait for the next turn of the event loop: the code
  // that awaited the reply runs first, so a wait it starts at once sees the
  // events that came right behind the reply.
  drain() {
    this.drainScheduled = false;
    while (this.next < this.lines.length) {
      const answered = this.handleLine(this.lines[this.next++]);
      if (answered && this.next < this.lines.length) {
        // Lines handled are let go when they are most of the list.
        if (this.next * 2 > this.lines.length) {
          this.lines = this.lines.slice(this.next);
          this.next = 0;
        }
        this.drainScheduled = true;
        setImmediate(() => this.drain());
        return;
      }
    }
    this.lines = [];
    this.next = 0;
    if (this.afterDrain) {
      const then = this.afterDrain;
      this.afterDrain = null;
      then();
    }
  }

  whenDrained(then) {
    if (this.drainScheduled) this.afterDrain = then;
    else then();
  }

  markGone(text) {
    if (this.gone) return;
    this.gone = text;
    for (const [, waiter] of this.pending) {
      clearTimeout(waiter.timer);
      waiter.reject(new Error(text));
    }
    this.pending.clear();
    this.onGone(text);
  }

  // Returns true when the line was the reply to a command.
  handleLine(line) {
    let message;
    try {
      message = parseJson(line);
    } catch (error) {
      this.onEvent({event: 'unreadable', text: line, error: error.message});
      return false;
    }
    if (!message || typeof message !== 'object' || Array.isArray(message)) {
      this.onEvent({event: 'unreadable', text: line, error: 'not a JSON object'});
      return false;
    }
    if ('reply' in message) {
      // Commands are answered in order: a reply without an id (to a line
      // kivhost could not read) belongs to the oldest command. One with an
      // id that is not waited for (its command timed out) belongs to none.
      const id = 'id' in message ? message.id : this.pending.keys().next().value;
      const waiter = this.pending.get(id);
      if (waiter) {
        this.pending.delete(id);
        clearTimeout(waiter.timer);
        waiter.resolve(message);
        return true;
      }
    }
    this.onEvent(message);
    return false;
  }

  // Sends one command; resolves with its reply (ok or not). Rejects when
  // kivhost ends or gives no reply within waitMs; kivhost is then killed,
  // since the session can no longer be trusted.
  send(command, waitMs) {
    if (this.gone) return Promise.reject(new Error(this.gone));
    // Node fires a longer timer at once.
    waitMs = Math.min(waitMs, MAX_TIMER_MS);
    const id = this.nextId++;
    const line = JSON.stringify({...command, id});
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        this.pending.delete(id);
        reject(new Error(`kivhost gave no reply within ${waitMs} ms and was killed`));
        this.kill();
      }, waitMs);
      this.pending.set(id, {resolve, reject, timer});
      this.child.stdin.write(`${line}\n`);
    });
  }

  // Ends the input (kivhost then shuts the renderer down and exits) and
  // waits; after graceMs kivhost is killed.
  async close(graceMs) {
    if (!this.gone) this.child.stdin.end();
    let timer;
    const late = new Promise((resolve) => { timer = setTimeout(resolve, graceMs, 'late'); });
    const outcome = await Promise.race([this.exited, late]);
    clearTimeout(timer);
    if (outcome === 'late') {
      this.kill();
      await this.exited;
    }
  }

  kill() {
    if (this.child.exitCode === null && this.child.signalCode === null) {
      try { this.child.kill('SIGKILL'); } catch (_) { /* already gone */ }
    }
  }
}

module.exports = {DriverConnection};
