'use strict';
// Finds kivhost and kiv-subprocess: given paths first, then the environment
// (KIVHOST and KIV_SUBPROCESS, or KIV_BUILD_DIR), then a folder named build
// beside this package or the working directory, or above either.

const fs = require('node:fs');
const path = require('node:path');

function isExecutable(file) {
  try {
    fs.accessSync(file, fs.constants.X_OK);
    return fs.statSync(file).isFile();
  } catch (_) {
    return false;
  }
}

function buildFolders() {
  const folders = [];
  if (process.env.KIV_BUILD_DIR) return [path.resolve(process.env.KIV_BUILD_DIR)];
  for (const start of [process.cwd(), __dirname]) {
    let dir = path.resolve(start);
    for (;;) {
      folders.push(path.join(dir, 'build'));
      const parent = path.dirname(dir);
      if (parent === dir) break;
      dir = parent;
    }
  }
  return folders;
}

function locate(options = {}) {
  let kivhost = options.kivhost || process.env.KIVHOST;
  let renderer = options.renderer || process.env.KIV_SUBPROCESS;
  const tried = [];
  if (!kivhost || !renderer) {
    for (const folder of buildFolders()) {
      const host = path.join(folder, 'host', 'kivhost');
      const sub = path.join(folder, 'kiv-subprocess');
      tried.push(folder);
      if (isExecutable(host) && isExecutable(sub)) {
        kivhost = kivhost || host;
        renderer = renderer || sub;
        break;
      }
    }
  }
  if (!kivhost || !renderer) {
    throw new Error('cannot find kivhost and kiv-subprocess: give the options kivhost ' +
                    'and renderer, set KIVHOST and KIV_SUBPROCESS or KIV_BUILD_DIR, or ' +
                    `build them (looked in ${tried.slice(0, 4).join(', ')}, ...)`);
  }
  for (const [what, file] of [['kivhost', kivhost], ['kiv-subprocess', renderer]]) {
    if (!isExecutable(file)) throw new Error(`${what} "${file}" is not an executable file`);
  }
  return {kivhost: path.resolve(kivhost), renderer: path.resolve(renderer)};
}

module.exports = {locate};
