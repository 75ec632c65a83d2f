'use strict';
// Page tests for kivApi pages against the real kiv-subprocess, driven
// through `kivhost driver`. See README.md.

const {Renderer, startRenderer} = require('./lib/renderer');
const {Page} = require('./lib/page');
const {Query, failure} = require('./lib/query');
const {PageTestError} = require('./lib/errors');
const {locate} = require('./lib/locate');
const values = require('./lib/json-form');

// The page helper (kivPage), ready to pass to open({scripts: [...]}).
const kivPageScript = {file: require.resolve('kiv-page/kiv-page.js')};

module.exports = {
  startRenderer,
  failure,
  kivPageScript,
  locate,
  double: values.double,
  dict: values.dict,
  binary: values.binary,
  utf16: values.utf16,
  kindOf: values.kindOf,
  values: {encode: values.encode, decode: values.decode, plain: values.plain,
           parse: values.parseJson, Double: values.Double, Dict: values.Dict},
  Renderer,
  Page,
  Query,
  PageTestError,
};
