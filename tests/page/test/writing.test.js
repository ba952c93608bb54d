'use strict';
// Writing the file through either host facility, and the generate link that
// is followed only after a successful save.

const { test, describe, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { launch, openEditor, makeSite, pageData, generateThroughSummary, shownError, messageFor } = require('./helpers');

const EXPECTED_EMPTY = fs.readFileSync(path.join(__dirname, '..', 'fixtures', 'empty-page-data.ini'), 'latin1');

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

async function recordGenerate(page) {
  await page.evaluate(() => {
    window.__events = [];
    const posted = window.__posted;
    if (posted) posted.push = function (m) { window.__events.push('write'); return Array.prototype.push.call(this, m); };
    window.onGenerate = function () { window.__events.push('generate'); };
  });
}

describe('file system object', () => {
  test('writes the text and a closing CR LF beside the page, found from a decoded file URL', async () => {
    // A folder name that the file URL percent-encodes.
    const site = makeSite(pageData([]));
    const folder = path.join(path.dirname(site.dir), path.basename(site.dir) + ' prefs%');
    fs.renameSync(site.dir, folder);
    const url = pathToFileURL(path.join(folder, 'index.html')).href;
    assert.match(url, /%20prefs%25/);
    const e = await openEditor(browser, { facility: 'fso', url });
    assert.equal(await e.page.evaluate(() => onSave()), true);
    const log = await e.page.evaluate(() => window.__fso);
    const page = path.join(folder, 'index.html').replace(/^\//, '');
    const writes = (name) => [
      ['new', 'Scripting.FileSystemObject'],
      ['GetFile', page],
      ['BuildPath', path.dirname(page), name],
      ['CreateTextFile', path.dirname(page) + '\\' + name, true],
    ];
    assert.deepEqual(log.calls, [...writes('kxunedited.ini'), ...writes('kxenterprise.ini')]);
    assert.equal(log.written[path.dirname(page) + '\\kxenterprise.ini'], EXPECTED_EMPTY);
    assert.equal(log.written[path.dirname(page) + '\\kxunedited.ini'], EXPECTED_EMPTY);
    assert.deepEqual(e.alerts, []);
    await e.close();
  });

  test('a page not opened from a file:/// location fails to save with the error message', async () => {
    const site = makeSite(pageData([]));
    const context = await browser.newContext();
    await context.route('http://editor.test/**', (route) => {
      const file = path.join(site.dir, new URL(route.request().url()).pathname);
      route.fulfill({ body: fs.readFileSync(file), contentType: file.endsWith('.html') ? 'text/html' : undefined });
    });
    const page = await context.newPage();
    const alerts = [];
    page.on('dialog', (d) => { alerts.push(d.message()); d.accept(); });
    await page.addInitScript(() => {
      window.__fso = { calls: [] };
      window.ActiveXObject = function () {
        return { GetFile(p) { window.__fso.calls.push(p); throw new Error('File not found'); } };
      };
    });
    await page.goto('http://editor.test/index.html');
    await page.waitForFunction(() => window.loaded === true);
    await page.evaluate(() => { window.__generated = 0; window.onGenerate = () => { window.__generated++; }; });
    await generateThroughSummary(page);
    assert.deepEqual(alerts, ['Error generating configuration file']);
    assert.deepEqual(await page.evaluate(() => [window.__fso.calls, window.__generated]),
      [['http://editor.test/index.html'], 0]);
    await context.close();
  });
});

describe('host bridge', () => {
  test('posts the file name and the text without the closing line break, the unedited twin first', async () => {
    const e = await openEditor(browser, { facility: 'handler' });
    assert.equal(await e.page.evaluate(() => onSave()), true);
    const posted = await e.page.evaluate(() => window.__posted);
    assert.equal(posted.length, 2);
    assert.deepEqual(Object.keys(posted[1]).sort(), ['name', 'text']);
    assert.deepEqual(posted.map((m) => m.name), ['kxunedited.ini', 'kxenterprise.ini']);
    assert.equal(posted[1].text + '\r\n', EXPECTED_EMPTY);
    assert.equal(posted[0].text, posted[1].text);
    await e.close();
  });

  test('the unedited twin keeps the page data and defaults while the file carries the edits', async () => {
    const e = await openEditor(browser, { entries: [['RegionData', 'K\u00f6ln', 1], ['HomePage', 'x']] });
    await e.page.evaluate(() => toggle('Internet Privacy:1'));
    await e.page.fill('#CTRL_RegionData', '\u6771\u4eac');
    await e.page.evaluate(() => toggleStatus('SendStatistics'));
    await e.page.evaluate(() => toggle('Player Options:12'));
    assert.equal(await e.page.evaluate(() => onSave()), true);
    const [unedited, edited] = await e.page.evaluate(() => window.__posted.map((m) => m.text));
    const changed = edited.split('\r\n').filter((line, i) => line !== unedited.split('\r\n')[i]);
    assert.deepEqual(changed, ['Locked1=1', 'Value7=\u6771\u4eac']);
    await e.close();
  });

  test('with neither facility, or a bridge that does not take the request, nothing is written and the save fails quietly', async () => {
    const e = await openEditor(browser, { facility: 'none' });
    assert.equal(await e.page.evaluate(() => onSave()), false);
    // Handlers in the page's own world are not the host's: the page never writes through them.
    const saved = await e.page.evaluate(() => {
      window.__seen = [];
      document.addEventListener('kx-write-file', () => { window.__seen.push('event'); });
      window.webkit = { messageHandlers: { writeFile: { postMessage() { window.__seen.push('handler'); } } } };
      return onSave();
    });
    assert.equal(saved, false);
    assert.deepEqual(await e.page.evaluate(() => window.__seen), ['event']);
    assert.deepEqual(e.alerts, []);
    await e.close();
  });
});

describe('generate link', () => {
  test('is followed after the file was written', async () => {
    const e = await openEditor(browser, { facility: 'handler' });
    await recordGenerate(e.page);
    await e.page.click('#generate');
    assert.deepEqual(await e.page.evaluate(() => window.__events), [], 'the header button only shows the summary');
    await e.page.click('#confirmGenerate');
    await e.page.waitForFunction(() => window.__events.length === 3);
    assert.deepEqual(await e.page.evaluate(() => window.__events), ['write', 'write', 'generate']);
    assert.equal(await e.page.getAttribute('#confirmGenerate', 'href'), 'javascript:onGenerate()');
    assert.equal(await e.page.getAttribute('#confirmGenerate', 'onclick'), 'return onConfirmGenerate()');
    assert.equal(await e.page.isVisible('#overlay'), false, 'the summary closes once the file was written');
    await generateThroughSummary(e.page);
    await e.page.waitForFunction(() => window.__events.length === 6);
    await e.close();
  });

  test('is not followed when saving fails: invalid field or no way to write', async () => {
    // Each failed click is followed by a successful one: a navigation wrongly
    // queued by the first would run before the second and show up as an extra event.
    const bad = await openEditor(browser, { facility: 'handler' });
    await recordGenerate(bad.page);
    await bad.page.evaluate(() => toggle('Playback:2'));
    await bad.page.fill('#CTRL_BufferedPlayTime', '');
    await bad.page.click('#generate');
    assert.equal(await shownError(bad.page, 'BufferedPlayTime'),
      await messageFor(bad.page, 'BufferedPlayTime', 'a value is required.'));
    assert.equal(await bad.page.isVisible('#confirmGenerate'), false);
    await bad.page.click('#cancelDialog');
    await bad.page.fill('#CTRL_BufferedPlayTime', '25');
    await generateThroughSummary(bad.page);
    await bad.page.waitForFunction(() => window.__events.indexOf('generate') !== -1);
    assert.deepEqual(await bad.page.evaluate(() => window.__events), ['write', 'write', 'generate']);
    await bad.close();

    const none = await openEditor(browser, { facility: 'none' });
    await recordGenerate(none.page);
    await generateThroughSummary(none.page);
    assert.equal(await none.page.isVisible('#confirmGenerate'), true, 'the summary stays for another try');
    await none.page.evaluate(() => {
      document.addEventListener('kx-write-file', (e) => { e.preventDefault(); window.__events.push('write'); });
    });
    await none.page.click('#confirmGenerate');
    await none.page.waitForFunction(() => window.__events.indexOf('generate') !== -1);
    assert.deepEqual(await none.page.evaluate(() => window.__events), ['write', 'write', 'generate']);
    await none.close();
  });
});
