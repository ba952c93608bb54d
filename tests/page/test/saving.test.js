'use strict';
// The configuration file the page writes: the whole file for empty page
// data, values kept as typed, dotted datatype names, and a file that survives
// being read back by the native side and saved again.

const { test, describe, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { launch, openEditor, saveText, parseIni, records, entriesFromIni } = require('./helpers');

const EXPECTED_EMPTY = fs.readFileSync(path.join(__dirname, '..', 'fixtures', 'empty-page-data.ini'), 'latin1');

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

describe('saving', () => {
  test('empty page data saves the whole default file byte for byte', async () => {
    const e = await openEditor(browser);
    assert.equal(await saveText(e.page), EXPECTED_EMPTY);
    await e.close();
  });

  test('the written file is a clean INI text: sections in order, counted records, CR LF lines', async () => {
    const e = await openEditor(browser);
    const text = await saveText(e.page);
    assert.doesNotMatch(text.replace(/\r\n/g, ''), /[\r\n]/);
    const sections = parseIni(text);
    assert.deepEqual(Object.keys(sections), ['', 'kx_preferences', 'favorites', 'helpmenu', 'setup', 'datatypes',
      'wm_preferences', 'qt_preferences']);
    const kx = records(sections.kx_preferences, 'Key', 'Value');
    assert.equal(kx.length, 60);
    assert.ok(kx.every((r) => r.lock === '0'));
    assert.deepEqual(sections.kx_preferences.slice(-2), [['PrefsCount', '60'], ['ApplyKXPrefs', '1']]);
    const dt = records(sections.datatypes, 'DataType', 'Status');
    assert.equal(dt.length, 63);
    assert.equal(dt.filter((r) => r.lock !== undefined).length, 54);
    assert.deepEqual(sections.datatypes.slice(-1), [['DatatypeCount', '63']]);
    assert.equal(sections.setup.length, 11);
    await e.close();
  });

  test('values with . / + & = and % are saved unchanged', async () => {
    const odd = ['a.b/c+d&e=f', 'http://intra.example/a?x=1&y=2+3#top', '100%2B sure %41 %', 'C:/Program Files/Q.R'];
    const e = await openEditor(browser, { entries: [['RegionData', odd[0], 0]] });
    await e.page.evaluate(() => toggle('Favorites Menu:13'));
    await e.page.fill('#CTRL_FavoritesURL1', odd[1]);
    await e.page.fill('#CTRL_FavoritesText1', odd[2]);
    await e.page.evaluate(() => toggle('Installation Options:15'));
    await e.page.fill('#CTRL_InstallPath', odd[3]);
    const text = await saveText(e.page);
    const sections = parseIni(text);
    assert.equal(records(sections.kx_preferences, 'Key', 'Value').find((r) => r.name === 'RegionData').value, odd[0]);
    const favorites = new Map(sections.favorites);
    assert.equal(favorites.get('FavoritesURL1'), odd[1]);
    assert.equal(favorites.get('FavoritesText1'), odd[2]);
    assert.equal(new Map(sections.setup).get('InstallPath'), odd[3]);
    await e.close();
  });

  test('datatype names are written with dots', async () => {
    const e = await openEditor(browser);
    await e.page.evaluate(() => toggle('Datatypes:17'));
    await e.page.selectOption('#CTRL_Kestrix-MP3-6', { label: 'No' });
    const lines = (await saveText(e.page)).split('\r\n');
    const at = lines.indexOf('DataType2=Kestrix.MP3.6');
    assert.deepEqual(lines.slice(at, at + 3), ['DataType2=Kestrix.MP3.6', 'Status2=0', 'Locked2=0']);
    assert.ok(lines.includes('DataType55=Kestrix.3GPP_AMR.10'));
    await e.close();
  });

  test('saving changes nothing, so saving again writes the same file', async () => {
    const e = await openEditor(browser, { entries: [['Quality', '2', 1]] });
    await e.page.selectOption('#CTRL_CountryID', 'de');
    const first = await saveText(e.page);
    assert.equal(await saveText(e.page), first);
    await e.close();
  });

  test('an edited configuration survives being read back and saved again, its other players\' sections included', async () => {
    const e = await openEditor(browser, { entries: [['Bandwidth', '65536', 1], ['Kestrix.KXAS.6', '0']] });
    await e.page.selectOption('#CTRL_CountryID', 'fr');
    await e.page.click('#SendStatisticsLOCKIMG');
    await e.page.evaluate(() => toggle('Network Transports:4'));
    await e.page.fill('#CTRL_UDPPortFlag', '7000-7010, 554');
    await e.page.evaluate(() => toggle('Proxy:5'));
    await e.page.fill('#CTRL_NoProxyFor', 'a.example\nb.example');
    await e.page.evaluate(() => toggle('Windows Media Options:7'));
    await e.page.selectOption('#CTRL_ApplyWMPrefs', '1');
    await e.page.evaluate(() => toggle('Streaming Protocol:8'));
    await e.page.fill('#CTRL_WM_UDPPortFlag', '1000-1004');
    await e.page.evaluate(() => toggle('Performance:10'));
    await e.page.selectOption('#CTRL_WM_MaxBandwidth', '58000');
    await e.page.fill('#CTRL_CustomBufferTimeFlagInt', '9');
    await e.page.evaluate(() => toggle('QuickTime Options:11'));
    await e.page.selectOption('#CTRL_ApplyQTPrefs', '1');
    await e.page.fill('#CTRL_QuickTimeLocation', 'C:\\Prefs\\QuickTime.qtp');
    await e.page.evaluate(() => toggle('Datatypes:17'));
    await e.page.selectOption('#CTRL_Kestrix-wmv-6', '0');
    const first = await saveText(e.page);
    await e.close();

    const wm = new Map(parseIni(first).wm_preferences);
    assert.equal(wm.get('ApplyWMPrefs'), '1');
    assert.equal(wm.get('MaxBandwidth'), '58000');
    assert.equal(wm.get('CustomBufferTime'), '9000');
    assert.equal(wm.get('UseDefaultBufferTime'), '0');
    assert.deepEqual([wm.get('UseCustomUDPPort'), wm.get('CustomUDPPort')], ['1', '1000-1004']);
    assert.deepEqual(parseIni(first).qt_preferences, [['ApplyQTPrefs', '1'], ['QuickTimeLocation', 'C:\\Prefs\\QuickTime.qtp']]);
    const kx = records(parseIni(first).kx_preferences, 'Key', 'Value');
    assert.deepEqual(kx.find((r) => r.name === 'MaxBandwidth'), { name: 'MaxBandwidth', value: '1544000', lock: '0' });

    const again = await openEditor(browser, { entries: entriesFromIni(first) });
    assert.equal(await saveText(again.page), first);
    await again.close();
  });
});
