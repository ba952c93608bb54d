'use strict';
// Lock toggles and the four commands of the shown category.

const { test, describe, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { launch, openEditor, saveText, parseIni, records } = require('./helpers');

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

function state(page, category) {
  return page.evaluate((c) => {
    const out = {};
    for (const name of Object.keys(paths[c])) {
      const p = paths[c][name];
      const img = getElem(name + 'LOCKIMG');
      const ctrl = p.getCtrl();
      out[name] = { value: p.getValue(), lock: p.getLock(), img: img ? img.src.replace(/.*\//, '') : null,
        ctrl: ctrl ? (ctrl.options ? (ctrl.selectedIndex < 0 ? null : ctrl.options[ctrl.selectedIndex].value) : ctrl.value) : null };
    }
    return out;
  }, category);
}

async function command(page, label) {
  await page.click(`.category[style*="block"] a.command:has-text("${label}")`);
}

describe('locks', () => {
  test('the lock link flips one lock; a property that cannot be locked ignores it', async () => {
    const e = await openEditor(browser);
    await e.page.click('#SendStatisticsLOCKIMG');
    let s = await state(e.page, 'Internet Privacy');
    assert.deepEqual([s.SendStatistics.lock, s.SendStatistics.img], [1, 'lock.gif']);
    assert.equal(s.AllowAuthID.lock, 0);
    await e.page.click('#SendStatisticsLOCKIMG');
    s = await state(e.page, 'Internet Privacy');
    assert.deepEqual([s.SendStatistics.lock, s.SendStatistics.img], [0, 'unlock.gif']);

    await e.page.evaluate(() => toggle('Installation Options:15'));
    assert.equal(await e.page.getAttribute('#InstallPathLOCKIMG', 'title'), 'Property cannot be locked');
    await e.page.click('#InstallPathLOCKIMG');
    await e.page.evaluate(() => toggleStatus('InstallPath'));
    s = await state(e.page, 'Installation Options');
    assert.deepEqual([s.InstallPath.lock, s.InstallPath.img], [null, 'no_lock.gif']);
    await e.close();
  });

  test('a lock link acts on the shown category only', async () => {
    const e = await openEditor(browser);
    await e.page.evaluate(() => toggleStatus('Bandwidth'));
    assert.equal(await e.page.evaluate(() => paths.Connection.Bandwidth.getLock()), 0);
    await e.close();
  });

  test('Lock all and Unlock all set every lock of the shown category, hidden ones included', async () => {
    const e = await openEditor(browser, { entries: [['Bandwidth', '65536', 1]] });
    await e.page.evaluate(() => toggle('Connection:6'));
    await command(e.page, 'Lock all');
    let s = await state(e.page, 'Connection');
    for (const name of Object.keys(s)) assert.equal(s[name].lock, 1, name);
    assert.equal(s.Bandwidth.img, 'lock.gif');
    assert.equal((await state(e.page, 'Playback')).BufferedPlayTime.lock, 0, 'other categories keep their locks');
    let recs = records(parseIni(await saveText(e.page)).kx_preferences, 'Key', 'Value');
    assert.equal(recs.find((r) => r.name === 'BandwidthNotKnown').lock, '1');
    await command(e.page, 'Unlock all');
    s = await state(e.page, 'Connection');
    for (const name of Object.keys(s)) assert.equal(s[name].lock, 0, name);
    assert.equal(s.Bandwidth.value, '65536', 'values untouched');
    recs = records(parseIni(await saveText(e.page)).kx_preferences, 'Key', 'Value');
    assert.equal(recs.find((r) => r.name === 'BandwidthNotKnown').lock, '0');
    await e.close();
  });
});

describe('commands', () => {
  test('Apply defaults asks first, then sets defaults and unlocks without validating; other categories keep theirs', async () => {
    const e = await openEditor(browser, {
      entries: [['BufferedPlayTime', '60', 1], ['FastStart', '1', 1], ['CookiesEnabled', '0', 1]],
    });
    await e.page.evaluate(() => toggle('Playback:2'));
    await e.page.fill('#CTRL_BufferedPlayTime', 'not a number');
    await command(e.page, 'Apply defaults');
    assert.match(await e.page.textContent('#dialog'), /Apply defaults to Playback\?.*2 settings change/);
    await e.page.keyboard.press('Escape');
    assert.equal(await e.page.isVisible('#overlay'), false);
    assert.equal((await state(e.page, 'Playback')).FastStart.value, '1', 'nothing changes before confirming');
    await command(e.page, 'Apply defaults');
    await e.page.click('#confirmDefaults');
    assert.deepEqual(e.alerts, []);
    const s = await state(e.page, 'Playback');
    assert.deepEqual(s.BufferedPlayTime, { value: '30', lock: 0, img: 'unlock.gif', ctrl: '30' });
    assert.deepEqual(s.FastStart, { value: '0', lock: 0, img: 'unlock.gif', ctrl: '0' });
    assert.deepEqual(s.LiveBufferFlagIntSelect.ctrl, '1800000');
    const privacy = await state(e.page, 'Internet Privacy');
    assert.deepEqual([privacy.CookiesEnabled.value, privacy.CookiesEnabled.lock], ['0', 1]);
    await e.close();
  });

  test('Reset returns values and locks to the page data, or to the defaults', async () => {
    const e = await openEditor(browser, { entries: [['CookiesEnabled', '0', 1]] });
    await e.page.selectOption('#CTRL_CookiesEnabled', '1');
    await e.page.selectOption('#CTRL_AllowAuthID', '1');
    await e.page.fill('#CTRL_RegionData', 'W1A 1AA');
    await e.page.click('#CookiesEnabledLOCKIMG');
    await e.page.click('#AllowAuthIDLOCKIMG');
    await e.page.evaluate(() => { toggle('Playback:2'); toggle('Internet Privacy:1'); });
    let s = await state(e.page, 'Internet Privacy');
    assert.deepEqual([s.CookiesEnabled.value, s.CookiesEnabled.lock, s.AllowAuthID.value, s.AllowAuthID.lock,
      s.RegionData.value], ['1', 0, '1', 1, 'W1A 1AA']);
    await command(e.page, 'Reset');
    s = await state(e.page, 'Internet Privacy');
    assert.deepEqual(s.CookiesEnabled, { value: '0', lock: 1, img: 'lock.gif', ctrl: '0' });
    assert.deepEqual(s.AllowAuthID, { value: '0', lock: 0, img: 'unlock.gif', ctrl: '0' });
    assert.deepEqual(s.RegionData, { value: '', lock: 0, img: 'unlock.gif', ctrl: '' });
    await e.close();
  });

  test('edits survive switching categories', async () => {
    const e = await openEditor(browser);
    await e.page.evaluate(() => toggle('Favorites Menu:13'));
    await e.page.fill('#CTRL_FavoritesText2', 'Intranet');
    await e.page.evaluate(() => { toggle('Help Menu:14'); toggle('Favorites Menu:13'); });
    assert.equal(await e.page.inputValue('#CTRL_FavoritesText2'), 'Intranet');
    assert.equal(new Map(parseIni(await saveText(e.page)).favorites).get('FavoritesText2'), 'Intranet');
    await e.close();
  });

  test('the tree shows one category at a time and its folders open and close', async () => {
    const e = await openEditor(browser);
    await e.page.click('#z9 a');
    const shown = await e.page.evaluate(() => headings.filter((h) => getElem('DIV_' + h) && getElem('DIV_' + h).style.display === 'block'));
    assert.deepEqual(shown, ['Streaming Proxy']);
    assert.equal(await e.page.textContent('#HEADLINE_Streaming\\ Proxy'), 'Streaming Proxy');
    await e.page.click('#z18 a');
    assert.equal(await e.page.isVisible('#z9'), false);
    await e.page.click('#z18 img');
    assert.equal(await e.page.isVisible('#z9'), true);
    await e.close();
  });
});

describe('lock images', () => {
  test('a quick second change is not undone by the first change\'s delayed repaint', async () => {
    const e = await openEditor(browser, { entries: [['CookiesEnabled', '0', 1]] });
    // The delayed repaints are captured; the first one is run by hand after
    // the second change, as happens when the user is quick.
    const src = await e.page.evaluate(() => {
      const pending = [];
      const realSetTimeout = window.setTimeout;
      window.setTimeout = (fn) => { pending.push(fn); return 0; };
      toggleStatus('CookiesEnabled');
      onResetAll();
      window.setTimeout = realSetTimeout;
      pending[0]();
      return [pending.length > 1, getElem('CookiesEnabledLOCKIMG').getAttribute('src')];
    });
    assert.deepEqual(src, [true, 'images/lock.gif']);
    await e.close();
  });
});
