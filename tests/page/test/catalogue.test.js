'use strict';
// The generated catalogue script, evaluated without a browser: what it offers the editor for
// each setting beyond the form (its key and description, the lock legend).

const { test, describe } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');
const { SITE, GENERATED } = require('./helpers');

// The page's globals after its property kinds and catalogue scripts ran.
function loadCatalogue() {
  const context = {
    isObj: (v) => v !== null && typeof v === 'object',
    isBlank: (v) => v === undefined || v === null || v === '',
  };
  vm.createContext(context);
  for (const file of [path.join(SITE, 'props.js'), path.join(GENERATED, 'catalogue.js')]) {
    vm.runInContext(fs.readFileSync(file, 'utf8'), context, { filename: path.basename(file) });
  }
  return context;
}

describe('catalogue script', () => {
  test('every row carries the key it is saved under and a one-line description', () => {
    const page = loadCatalogue();
    const rows = [];
    for (const name of page.headings) for (const row of page.formRows[name]) if (row.prop) rows.push(row);
    assert.equal(rows.length, 165 - 16, 'every shown setting has a row: all but 16 hidden ones');
    for (const row of rows) {
      assert.match(row.description, /^[A-Z0-9].*\.$/, row.prop);
      assert.doesNotMatch(row.description, /[\r\n]/, row.prop);
    }
    const byProp = Object.fromEntries(rows.map((r) => [r.prop, r]));
    // Keys as the configuration file names them: '.' in datatypes, all keys of a compound.
    assert.equal(byProp['Kestrix-MP3-6'].key, 'Kestrix.MP3.6');
    assert.equal(byProp.HTTPProxyFlag.key, 'HTTPProxySupport, HTTPProxyAutoConfig, UseSystemProxySettings');
    assert.equal(byProp.WM_MaxBandwidth.key, 'MaxBandwidth');
    assert.equal(byProp.CookiesEnabled.key, 'CookiesEnabled');
    assert.equal(page.catalogueLockLegend, 'Locked: users cannot change it');
  });

  test('names agree: tree entries are page titles, and Yes comes before No everywhere', () => {
    const page = loadCatalogue();
    const html = fs.readFileSync(path.join(SITE, 'index.html'), 'latin1');
    const entries = [...html.matchAll(/toggle\('([^':]+):\d+'\);return false">([^<]*)</g)];
    assert.equal(entries.length, page.headings.length, 'one tree entry per category');
    for (const [, name, text] of entries) assert.equal(text, page.categoryTitles[name], name);
    for (const name of page.headings) {
      assert.equal(page.categoryHeadlines[name] || name, page.categoryTitles[name], name);
      for (const row of page.formRows[name]) {
        const words = (row.choices || []).map((c) => c[1]);
        if (words.includes('Yes') && words.includes('No')) assert.equal(words.join('/'), 'Yes/No', row.prop);
      }
    }
  });
});
