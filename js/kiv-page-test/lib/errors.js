'use strict';
// Failures name the page, the command and what the renderer did meanwhile.

const {encode, decode} = require('./json-form');

const MAX_COMMAND_TEXT = 400;
const MAX_ACTIVITY_LINES = 20;

function shorten(text, limit) {
  return text.length > limit ? `${text.slice(0, limit)}... (${text.length} characters)` : text;
}

function valueText(json) {
  try {
    return shorten(encode(decode(json)), 300);
  } catch (_) {
    return '(unreadable value)';
  }
}

// One line for one driver event.
function describeEvent(event) {
  const where = `browser ${event.browser} frame ${event.frame}`;
  switch (event.event) {
    case 'console':
      return `console.${event.level} in ${where}: ${event.text}`;
    case 'exception':
      return `uncaught exception in ${where}, line ${event.line}: ${event.message}`;
    case 'message':
      return `message "${event.name}" from browser ${event.browser}: ${valueText(event.args)}`;
    case 'output':
      return `renderer output: ${event.text}`;
    case 'channel_error':
      return `channel error: ${event.error}`;
    case 'request_failed':
      return `request "${event.request}" failed: ${event.error}`;
    case 'exit':
      return `renderer exited: ${describeExit(event)}`;
    case 'unreadable':
      return `unreadable line from kivhost: ${shorten(event.text, 200)}`;
    default:
      return shorten(JSON.stringify(event), 300);
  }
}

function describeExit(exit) {
  const how = exit.signal !== undefined ? `signal ${exit.signal_name || exit.signal}`
                                        : `exit code ${exit.code}`;
  return `${how} (${exit.reason})`;
}

function describeActivity(events) {
  if (events.length === 0) return '    (nothing)';
  const lines = events.slice(-MAX_ACTIVITY_LINES).map((e) => `    ${describeEvent(e)}`);
  if (events.length > MAX_ACTIVITY_LINES) {
    lines.unshift(`    ... ${events.length - MAX_ACTIVITY_LINES} earlier events`);
  }
  return lines.join('\n');
}

function describeCommand(command) {
  if (!command) return '(none)';
  return shorten(JSON.stringify(command), MAX_COMMAND_TEXT);
}

class PageTestError extends Error {
  // summary: what went wrong; page: a Page or a text; command: the driver
  // command involved; activity: the events the renderer reported meanwhile.
  constructor({summary, page, command, activity = [], details = {}}) {
    const pageText = page ? (typeof page === 'string' ? page : page.describe()) : '(none)';
    super(`${summary}\n  page: ${pageText}\n  command: ${describeCommand(command)}\n` +
          `  the renderer meanwhile:\n${describeActivity(activity)}`);
    this.name = 'PageTestError';
    this.summary = summary;
    this.page = pageText;
    this.command = command;
    this.activity = activity;
    Object.assign(this, details);
  }
}

module.exports = {PageTestError, describeEvent, describeExit};
