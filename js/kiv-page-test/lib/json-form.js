'use strict';
// The driver's lossless JSON form of message values, both ways.
//
// JavaScript side of a value:
//   null, booleans, strings (lone surrogates included), arrays,
//   plain objects (dictionaries), Uint8Array/Buffer (binary),
//   numbers: an integer in the signed 32-bit range is an int, any other
//   number a double; Double wraps a number that must travel as a double,
//   Dict an ordered list of entries whose order must be kept exactly.
// Reading gives the exact view (every double a Double, $dict a Dict) and
// plain() turns it into ordinary JavaScript values.

const MAX_DEPTH = 100;
const INT_MIN = -2147483648;
const INT_MAX = 2147483647;

class Double {
  constructor(value) {
    if (typeof value !== 'number') {
      throw new TypeError(`double() needs a number, not ${typeof value}`);
    }
    this.value = value;
  }
  valueOf() { return this.value; }
  toString() { return `double(${formatDouble(this.value)})`; }
}

class Dict {
  constructor(entries) {
    if (!Array.isArray(entries)) {
      throw new TypeError('dict() needs a list of [key, value] entries');
    }
    const seen = new Set();
    for (const entry of entries) {
      if (!Array.isArray(entry) || entry.length !== 2 || typeof entry[0] !== 'string') {
        throw new TypeError('every dict() entry must be a [string key, value] pair');
      }
      if (seen.has(entry[0])) {
        throw new TypeError(`dict() has the key ${JSON.stringify(entry[0])} twice`);
      }
      seen.add(entry[0]);
    }
    this.entries = entries.map(([key, value]) => [key, value]);
  }
}

function double(value) { return new Double(value); }
function dict(entries) { return new Dict(entries); }
function binary(bytes) {
  if (typeof bytes === 'string') return Buffer.from(bytes, 'base64');
  return Uint8Array.from(bytes);
}
// A string from UTF-16 code units, lone surrogates allowed.
function utf16(units) {
  let text = '';
  for (const unit of units) {
    if (!Number.isInteger(unit) || unit < 0 || unit > 0xffff) {
      throw new TypeError(`utf16() needs code units from 0 to 65535, not ${unit}`);
    }
    text += String.fromCharCode(unit);
  }
  return text;
}

function hasLoneSurrogate(text) {
  for (let i = 0; i < text.length; ++i) {
    const unit = text.charCodeAt(i);
    if (unit >= 0xd800 && unit <= 0xdbff) {
      const next = text.charCodeAt(i + 1);
      if (next >= 0xdc00 && next <= 0xdfff) { ++i; continue; }
      return true;
    }
    if (unit >= 0xdc00 && unit <= 0xdfff) return true;
  }
  return false;
}

function codeUnits(text) {
  const units = [];
  for (let i = 0; i < text.length; ++i) units.push(text.charCodeAt(i));
  return units;
}

function formatDouble(value) {
  if (Number.isNaN(value)) return 'NaN';
  if (value === Infinity) return 'Infinity';
  if (value === -Infinity) return '-Infinity';
  if (Object.is(value, -0)) return '-0.0';
  const text = String(value);
  return /[.eE]/.test(text) ? text : `${text}.0`;
}

function encodeString(text) {
  return hasLoneSurrogate(text)
    ? `{"$utf16":${JSON.stringify(codeUnits(text))}}`
    : JSON.stringify(text);
}

function encodeKey(key) {
  return hasLoneSurrogate(key) ? encodeString(key) : JSON.stringify(key);
}

function encodeEntries(entries, path, depth) {
  const tagged = entries.some(([key]) => key.startsWith('$') || hasLoneSurrogate(key));
  const parts = entries.map(([key, value]) => {
    const text = encodeAt(value, `${path}/${key}`, depth + 1);
    return tagged ? `[${encodeKey(key)},${text}]` : `${JSON.stringify(key)}:${text}`;
  });
  return tagged ? `{"$dict":[${parts.join(',')}]}` : `{${parts.join(',')}}`;
}

function encodeAt(value, path, depth) {
  if (depth > MAX_DEPTH) {
    throw new TypeError(`the value at "${path || '/'}" nests deeper than ` +
                        `${MAX_DEPTH} levels (is it cyclic?)`);
  }
  if (value === null || value === undefined) return 'null';
  if (typeof value === 'boolean') return value ? 'true' : 'false';
  if (typeof value === 'string') return encodeString(value);
  if (typeof value === 'number') {
    if (Number.isInteger(value) && value >= INT_MIN && value <= INT_MAX &&
        !Object.is(value, -0)) {
      return String(value);
    }
    value = new Double(value);
  }
  if (value instanceof Double) {
    const v = value.value;
    return Number.isFinite(v) ? formatDouble(v) : `{"$double":"${formatDouble(v)}"}`;
  }
  if (value instanceof Uint8Array || value instanceof ArrayBuffer) {
    return `{"$binary":"${Buffer.from(value).toString('base64')}"}`;
  }
  if (Array.isArray(value)) {
    // Array.from visits holes too (as undefined, sent as null).
    return `[${Array.from(value, (item, i) => encodeAt(item, `${path}/${i}`, depth + 1)).join(',')}]`;
  }
  if (value instanceof Dict) return encodeEntries(value.entries, path, depth);
  const proto = typeof value === 'object' ? Object.getPrototypeOf(value) : undefined;
  if (proto === Object.prototype || proto === null) {
    return encodeEntries(Object.entries(value), path, depth);
  }
  const kind = typeof value === 'object' ? (value.constructor && value.constructor.name) || 'object'
                                         : typeof value;
  throw new TypeError(`the value at "${path || '/'}" is a ${kind}, which no message ` +
                      'value can hold (use null, booleans, numbers, double(), strings, ' +
                      'Uint8Array, arrays, plain objects or dict())');
}

// The JSON text of a value in the driver's form.
function encode(value) { return encodeAt(value, '', 1); }

// Reads one JSON text, keeping whether each number was written as an
// integer or with a fraction or exponent (then it is a Double).
function parseJson(text) {
  let at = 0;
  const fail = (what) => {
    throw new SyntaxError(`bad JSON at offset ${at}: ${what}`);
  };
  const space = () => {
    while (at < text.length && ' \t\r\n'.includes(text[at])) ++at;
  };
  const value = (depth) => {
    if (depth > 1000) fail('nested too deeply');
    space();
    const c = text[at];
    if (c === '{') {
      ++at;
      const object = {};
      const keys = [];
      space();
      if (text[at] === '}') { ++at; return Object.defineProperty(object, KEYS, {value: keys}); }
      for (;;) {
        space();
        if (text[at] !== '"') fail('expected a key');
        const key = string();
        space();
        if (text[at] !== ':') fail('expected ":"');
        ++at;
        const item = value(depth + 1);
        if (!Object.prototype.hasOwnProperty.call(object, key)) keys.push(key);
        Object.defineProperty(object, key, {value: item, enumerable: true,
                                            writable: true, configurable: true});
        space();
        if (text[at] === ',') { ++at; continue; }
        if (text[at] === '}') { ++at; return Object.defineProperty(object, KEYS, {value: keys}); }
        fail('expected "," or "}"');
      }
    }
    if (c === '[') {
      ++at;
      const list = [];
      space();
      if (text[at] === ']') { ++at; return list; }
      for (;;) {
        list.push(value(depth + 1));
        space();
        if (text[at] === ',') { ++at; continue; }
        if (text[at] === ']') { ++at; return list; }
        fail('expected "," or "]"');
      }
    }
    if (c === '"') return string();
    const literal = /^(?:true|false|null|-?(?:0|[1-9]\d*)(\.\d+)?([eE][+-]?\d+)?)/.exec(text.slice(at, at + 400));
    if (!literal) fail('unexpected character');
    at += literal[0].length;
    if (literal[0] === 'true') return true;
    if (literal[0] === 'false') return false;
    if (literal[0] === 'null') return null;
    const number = Number(literal[0]);
    return literal[1] !== undefined || literal[2] !== undefined ? new Double(number) : number;
  };
  // The string ends at the first quote after an even run of backslashes;
  // JSON.parse checks the escapes and control characters between. (A
  // regular expression over the whole string overflows the stack on strings
  // of some megabytes.)
  const string = () => {
    let end = at + 1;
    for (;;) {
      end = text.indexOf('"', end);
      if (end < 0) fail('bad string');
      let slashes = 0;
      while (text.charCodeAt(end - 1 - slashes) === 0x5c) ++slashes;
      if (slashes % 2 === 0) break;
      ++end;
    }
    let result;
    try {
      result = JSON.parse(text.slice(at, end + 1));
    } catch (_) {
      fail('bad string');
    }
    at = end + 1;
    return result;
  };
  const result = value(0);
  space();
  if (at !== text.length) fail('text after the value');
  return result;
}

// The order of an object's keys as written (integer-like keys included).
const KEYS = Symbol('keys');

function orderedEntries(object) {
  const keys = object[KEYS] || Object.keys(object);
  return keys.map((key) => [key, object[key]]);
}

// The exact view of a value in the JSON form: $-tags decoded, doubles as
// Double, $dict and objects whose key order JavaScript would change as Dict.
function decode(json, path = '') {
  if (json === null || typeof json === 'boolean' || typeof json === 'string' ||
      typeof json === 'number' || json instanceof Double) {
    return json;
  }
  if (Array.isArray(json)) return json.map((item, i) => decode(item, `${path}/${i}`));
  const entries = orderedEntries(json);
  if (entries.length === 1 && entries[0][0].startsWith('$')) {
    const [tag, body] = entries[0];
    if (tag === '$double') {
      const v = body instanceof Double ? body.value : typeof body === 'number' ? body : Number(body);
      return new Double(v);
    }
    if (tag === '$utf16') return utf16(body);
    if (tag === '$binary') return Buffer.from(body, 'base64');
    if (tag === '$dict') {
      return new Dict(body.map(([key, value], i) =>
        [decode(key, `${path}/$dict/${i}`), decode(value, `${path}/${decode(key)}`)]));
    }
    throw new TypeError(`the value at "${path || '/'}" has the unknown tag "${tag}"`);
  }
  const decoded = entries.map(([key, value]) => [key, decode(value, `${path}/${key}`)]);
  const plainOrder = Object.keys(Object.fromEntries(decoded.map(([key]) => [key, 0])));
  if (plainOrder.some((key, i) => key !== decoded[i][0])) return new Dict(decoded);
  return Object.fromEntries(decoded);
}

// Ordinary JavaScript values from the exact view: Double becomes a number,
// Dict a plain object (its key order as JavaScript keeps it).
function plain(value) {
  if (value instanceof Double) return value.value;
  if (value instanceof Dict) {
    return Object.fromEntries(value.entries.map(([key, item]) => [key, plain(item)]));
  }
  if (Array.isArray(value)) return value.map(plain);
  if (value && typeof value === 'object' && !(value instanceof Uint8Array)) {
    return Object.fromEntries(Object.entries(value).map(([key, item]) => [key, plain(item)]));
  }
  return value;
}

// The kind each value has in the exact view: "int", "double", "string",
// "binary", "null", "bool", "list" or "dictionary".
function kindOf(value) {
  if (value === null || value === undefined) return 'null';
  if (typeof value === 'boolean') return 'bool';
  if (typeof value === 'number') return 'int';
  if (value instanceof Double) return 'double';
  if (typeof value === 'string') return 'string';
  if (value instanceof Uint8Array) return 'binary';
  if (Array.isArray(value)) return 'list';
  return 'dictionary';
}

module.exports = {
  Double, Dict, double, dict, binary, utf16, encode, decode, plain, kindOf,
  parseJson, hasLoneSurrogate, MAX_DEPTH,
};
