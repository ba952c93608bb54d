'use strict';
// Every script of the site must run in the oldest engine the editor meets:
// ES5 at most, and parseable as ES3 (no trailing commas, no reserved words as
// bare property names), inline scripts and event handlers included.

const { test, describe } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const acorn = require('acorn');
const { SITE, GENERATED, PLACEHOLDER } = require('./helpers');

// The site's files, the generated scripts included.
function siteFiles(ext) {
  const out = [];
  (function walk(dir) {
    for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
      const full = path.join(dir, entry.name);
      if (entry.isDirectory()) walk(full);
      else if (entry.name.endsWith(ext)) out.push(full);
    }
  })(SITE);
  for (const name of fs.readdirSync(GENERATED)) if (name.endsWith(ext)) out.push(path.join(GENERATED, name));
  return out;
}

const html = fs.readFileSync(path.join(SITE, 'index.html'), 'latin1');

function inlineScripts(text) {
  const out = [];
  const re = /<script\b([^>]*)>([\s\S]*?)<\/script>/gi;
  let m;
  while ((m = re.exec(text))) if (!/\bsrc=/.test(m[1])) out.push(m[2]);
  return out;
}

function handlerBodies(text) {
  const out = [];
  const re = /\son[a-z]+="([^"]*)"/gi;
  let m;
  while ((m = re.exec(text))) out.push(m[1].replace(/&quot;/g, '"').replace(/&amp;/g, '&'));
  return out;
}

// Trailing commas are legal ES5 but make old engines add an array element or
// fail outright; acorn accepts them at every version, so look for them.
function trailingCommas(source, ast) {
  const found = [];
  (function visit(node) {
    if (!node || typeof node.type !== 'string') return;
    const items = node.type === 'ArrayExpression' ? node.elements
      : node.type === 'ObjectExpression' ? node.properties : null;
    if (items && items.length) {
      const last = items[items.length - 1];
      const tail = source.slice(last ? last.end : node.start + 1, node.end - 1);
      if (!last || /,/.test(tail.replace(/\/\/.*|\/\*[\s\S]*?\*\//g, ''))) found.push(node.start);
    }
    for (const key of Object.keys(node)) {
      const value = node[key];
      if (Array.isArray(value)) value.forEach(visit);
      else if (value && typeof value === 'object') visit(value);
    }
  })(ast);
  return found;
}

function check(label, source) {
  for (const ecmaVersion of [3, 5]) {
    try {
      // "never" refuses reserved words even as property names, as old engines do.
      acorn.parse(source, { ecmaVersion, sourceType: 'script', allowReserved: ecmaVersion === 3 ? 'never' : undefined });
    } catch (e) {
      assert.fail(`${label} does not parse as ES${ecmaVersion}: ${e.message}`);
    }
  }
  const ast = acorn.parse(source, { ecmaVersion: 5 });
  assert.deepEqual(trailingCommas(source, ast), [], `${label} has a trailing comma in a literal`);
}

describe('script syntax', () => {
  test('every script file parses as ES3 and ES5 without trailing commas', () => {
    const files = siteFiles('.js');
    assert.ok(files.length >= 7, 'the site scripts are found');
    for (const file of files) check(path.basename(file), fs.readFileSync(file, 'utf8'));
  });

  test('inline scripts and event handlers of index.html parse the same way', () => {
    const scripts = inlineScripts(html);
    assert.ok(scripts.length >= 3);
    scripts.forEach((s, i) => check(`inline script ${i + 1}`, s));
    const handlers = handlerBodies(html);
    assert.ok(handlers.length >= 10);
    handlers.forEach((h) => check(`handler "${h}"`, `(function () { ${h} \n})`));
  });

  test('the checker itself rejects what old engines reject', () => {
    assert.throws(() => check('let', 'let a = 1;'));
    assert.throws(() => check('arrow', 'var f = () => 1;'));
    assert.throws(() => check('reserved name', 'var o = {}; o.default = 1;'));
    assert.throws(() => check('trailing comma', 'var a = [1, 2,];'));
    assert.throws(() => check('trailing comma', 'var o = {a: 1,};'));
  });
});

// Library calls that engines before ES5 lack (the WebBrowser control in an
// older document mode among them), looked for as member names and globals.
const LATE_MEMBERS = new Set(['forEach', 'map', 'filter', 'reduce', 'some', 'every', 'keys', 'create', 'bind',
  'isArray', 'trim', 'startsWith', 'endsWith', 'includes', 'repeat', 'find', 'findIndex', 'assign', 'from',
  'querySelector', 'querySelectorAll', 'classList', 'getElementsByClassName', 'textContent', 'dataset',
  'addEventListener', 'defineProperty', 'now', 'localStorage']);
const LATE_GLOBALS = new Set(['JSON', 'Promise', 'Map', 'Set', 'WeakMap', 'Symbol', 'CustomEvent']);

function lateApis(source) {
  const found = [];
  (function visit(node) {
    if (!node || typeof node.type !== 'string') return;
    if (node.type === 'MemberExpression' && !node.computed && LATE_MEMBERS.has(node.property.name)) {
      found.push('.' + node.property.name);
    }
    if (node.type === 'Identifier' && LATE_GLOBALS.has(node.name)) found.push(node.name);
    for (const key of Object.keys(node)) {
      const value = node[key];
      if (key === 'property' && node.type === 'MemberExpression' && !node.computed) continue;
      if (Array.isArray(value)) value.forEach(visit);
      else if (value && typeof value === 'object') visit(value);
    }
  })(acorn.parse(source, { ecmaVersion: 5 }));
  return found;
}

describe('library calls', () => {
  test('no script calls what engines before ES5 lack', () => {
    const sources = siteFiles('.js').map((f) => [path.relative(SITE, f), fs.readFileSync(f, 'utf8')])
      .concat(inlineScripts(html).map((s, i) => [`inline script ${i + 1}`, s]))
      .concat(handlerBodies(html).map((h) => [`handler "${h}"`, `(function () { ${h} \n})`]));
    for (const [label, source] of sources) assert.deepEqual(lateApis(source), [], label);
    assert.deepEqual(lateApis('a.forEach(f); JSON.stringify(o); b["forEach"]; c.map = 1;'), ['.forEach', 'JSON', '.map']);
  });
});

describe('page frame', () => {
  test('index.html asks for the newest document mode and has no Mark of the Web', () => {
    assert.match(html, /^<!DOCTYPE html>\r\n/);
    assert.match(html, /<meta http-equiv="X-UA-Compatible" content="IE=edge">/);
    assert.doesNotMatch(html, /saved from url/i);
  });

  test('the page-data placeholder sits alone in the serverdata script, between CR LF lines', () => {
    assert.equal(html.split(PLACEHOLDER).length, 2, 'exactly one placeholder');
    assert.match(html, /<script type="text\/javascript" id="serverdata">\r\n\/\/<PRE>\r\nvar serverData=\[\];\r\n\/\/<PRE>\r\n<\/script>/);
  });

  test('the 13 images are GIFs and every image named by the page is shipped', () => {
    const names = new Set();
    for (const file of [...siteFiles('.js'), ...siteFiles('.css'), path.join(SITE, 'index.html')]) {
      for (const m of fs.readFileSync(file, 'latin1').matchAll(/([a-z_0-9]+\.gif)\b/g)) names.add(m[1]);
    }
    const shipped = fs.readdirSync(path.join(SITE, 'images')).sort();
    assert.deepEqual(shipped, ['apply_defaults.gif', 'gen_player.gif', 'header_r1.gif', 'lock.gif',
      'lock_section.gif', 'minus_tree_blue.gif', 'no_lock.gif', 'plus_tree_blue.gif', 'reset_preferences_dk.gif',
      'solid_tree_blue.gif', 'spacer.gif', 'unlock.gif', 'unlock_section.gif']);
    for (const name of new Set([...names, ...shipped])) {
      const data = fs.readFileSync(path.join(SITE, 'images', name));
      assert.equal(data.subarray(0, 6).toString('latin1'), 'GIF89a', name);
    }
  });
});
