'use strict';
// Validation and normalisation of every kind, with the exact messages, when
// leaving a category and when saving.

const { test, describe, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { launch, openEditor, saveText, parseIni, records, shownError, shownErrors, messageFor,
  generateThroughSummary } = require('./helpers');

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

function kx(text) {
  return new Map(records(parseIni(text).kx_preferences, 'Key', 'Value').map((r) => [r.name, r.value]));
}

// Types into a field of a category, then tries to leave for Datatypes.
async function typeAndLeave(e, entry, control, text) {
  await e.page.evaluate((t) => toggle(t), entry);
  await e.page.fill('#CTRL_' + control, text);
  await e.page.evaluate(() => toggle('Datatypes:17'));
  return e.page.evaluate(() => currentCategory);
}

describe('port lists', () => {
  test('items are tidied, ranges ordered and repeats dropped', async () => {
    const e = await openEditor(browser);
    assert.equal(await typeAndLeave(e, 'Network Transports:4', 'UDPPortFlag', '7070, , 8200, 3036-3030, 7070'), 'Datatypes');
    const values = kx(await saveText(e.page));
    assert.equal(values.get('UDPPort'), '7070,8200,3030-3036');
    assert.equal(values.get('UseUDPPort'), '1');
    assert.deepEqual(e.alerts, []);
    await e.close();
  });

  test('bad ports and ranges are refused with their messages; the user stays on the field', async () => {
    const e = await openEditor(browser);
    const cases = [['0', '0'], ['1-', '1-'], ['-5', '-5'], ['80, 65536', '65536'], ['10-20-30', '10-20-30'],
      ['8O80', '8O80'], ['100-0', '100-0']];
    for (const [input, item] of cases) {
      const message = `'${item}' is not a port from 1 to 65535 or a port range such as 3030-3036.`;
      assert.equal(await typeAndLeave(e, 'Network Transports:4', 'UDPPortFlag', input), 'Network Transports', input);
      assert.deepEqual(await shownErrors(e.page), [await messageFor(e.page, 'UDPPortFlag', message)]);
      assert.deepEqual(e.alerts, [], 'messages stand beside the field, not in alert boxes');
      assert.equal(await e.page.evaluate(() => document.activeElement.id), 'CTRL_UDPPortFlag');
    }
    await e.close();
  });

  test('a blank list clears the flag, also for the Windows Media list', async () => {
    const e = await openEditor(browser, { entries: [['UDPPort', '7070', 0], ['UseUDPPort', '1', 0],
      ['CustomUDPPort', '1000-1010'], ['UseCustomUDPPort', '1']] });
    await typeAndLeave(e, 'Network Transports:4', 'UDPPortFlag', '  ');
    await typeAndLeave(e, 'Streaming Protocol:8', 'WM_UDPPortFlag', '');
    const text = await saveText(e.page);
    assert.equal(kx(text).get('UseUDPPort'), '0');
    assert.equal(kx(text).get('UDPPort'), '');
    const wm = new Map(parseIni(text).wm_preferences);
    assert.equal(wm.get('UseCustomUDPPort'), '0');
    assert.equal(wm.get('CustomUDPPort'), '');
    await e.close();
  });
});

describe('lists', () => {
  test('comma lists typed on one line or several are saved without blanks', async () => {
    const e = await openEditor(browser);
    const cases = [['host1, host2', 'host1,host2'], ['host1\nhost2\n', 'host1,host2'],
      [', host1 ,,\n\n host2 ,', 'host1,host2'], ['.example.com', '.example.com']];
    for (const [input, saved] of cases) {
      await typeAndLeave(e, 'Proxy:5', 'NoProxyFor', input);
      assert.equal(kx(await saveText(e.page)).get('NoProxyFor'), saved, JSON.stringify(input));
    }
    await typeAndLeave(e, 'Proxy:5', 'ProxyAutoConfigFlagCSV', 'http://a/p.pac\nhttp://b/p.pac');
    const values = kx(await saveText(e.page));
    assert.equal(values.get('ProxyAutoConfigURL'), 'http://a/p.pac,http://b/p.pac');
    assert.equal(values.get('ProxyAutoConfigModeDisplay'), '1');
    await typeAndLeave(e, 'Proxy:5', 'ProxyAutoConfigFlagCSV', ' , ');
    assert.equal(kx(await saveText(e.page)).get('ProxyAutoConfigModeDisplay'), '0');
    await e.close();
  });

  test('Windows Media lists use semicolons', async () => {
    const e = await openEditor(browser);
    await typeAndLeave(e, 'Streaming Proxy:9', 'ProxyExclude_MMS', '; a.example; b\n d ;');
    const wm = new Map(parseIni(await saveText(e.page)).wm_preferences);
    assert.equal(wm.get('ProxyExclude_MMS'), 'a.example;b;d');
    await e.close();
  });
});

describe('numbers', () => {
  test('integer fields refuse blanks, non-integers and values out of range', async () => {
    const e = await openEditor(browser);
    // The HTTP port can be typed only while a custom HTTP proxy is chosen.
    await e.page.evaluate(() => toggle('Proxy:5'));
    await e.page.selectOption('#CTRL_HTTPProxyFlag', '1:0:0');
    const cases = [
      ['Playback:2', 'BufferedPlayTime', '', 'a value is required.'],
      ['Playback:2', 'BufferedPlayTime', 'abc', 'a whole number from 0 to 300.'],
      ['Playback:2', 'BufferedPlayTime', '12.5', 'a whole number from 0 to 300.'],
      ['Playback:2', 'BufferedPlayTime', '0x10', 'a whole number from 0 to 300.'],
      ['Playback:2', 'BufferedPlayTime', '301', 'a whole number from 0 to 300.'],
      ['Playback:2', 'BufferedPlayTime', '-1', 'a whole number from 0 to 300.'],
      ['Network Transports:4', 'MulticastTimeout', '', 'a whole number from 0 to 20000.'],
      ['Network Transports:4', 'TCPTimeout', '20001', 'a whole number from 0 to 20000.'],
      ['Proxy:5', 'HTTPProxyPort', '65536', 'a whole number from 0 to 65535.'],
      ['Performance:10', 'CustomBufferTimeFlagInt', '61', 'a whole number from 0 to 60.'],
      ['Performance:10', 'CustomBufferTimeFlagInt', '5.0', 'a whole number from 0 to 60.'],
      ['Proxy:5', 'HTTPProxyHost', 'web proxy !! <b>', 'a host name or IP address, such as proxy.example.com.'],
      ['Player Options:12', 'HomePage', 'not a url', 'a web address such as http://www.example.com/.'],
    ];
    for (const [entry, control, input, message] of cases) {
      const stayed = await typeAndLeave(e, entry, control, input);
      assert.equal(stayed, entry.split(':')[0], `${control} ${input}`);
      assert.equal(await shownError(e.page, control), await messageFor(e.page, control, message),
        `${control} ${JSON.stringify(input)}`);
      assert.equal(await e.page.evaluate(() => document.activeElement.id), 'CTRL_' + control);
      await e.page.evaluate((c) => { getElem('CTRL_' + c).value = findProp(c).defaultValue; }, control);
    }
    assert.deepEqual(e.alerts, []);
    await e.close();
  });

  test('accepted numbers are saved as typed, at both ends of the range', async () => {
    const e = await openEditor(browser);
    assert.equal(await typeAndLeave(e, 'Connection:6', 'ConnectionTimeout', ' 300 '), 'Datatypes');
    assert.equal(await typeAndLeave(e, 'Connection:6', 'ServerTimeout', '0'), 'Datatypes');
    const values = kx(await saveText(e.page));
    assert.equal(values.get('ConnectionTimeout'), '300');
    assert.equal(values.get('ServerTimeout'), '0');
    await e.close();
  });

  test('a buffer time of 0 seconds means the default buffer time; any accepted time is saved in milliseconds', async () => {
    const e = await openEditor(browser);
    await typeAndLeave(e, 'Performance:10', 'CustomBufferTimeFlagInt', '0');
    let wm = new Map(parseIni(await saveText(e.page)).wm_preferences);
    assert.equal(wm.get('UseDefaultBufferTime'), '1');
    assert.equal(wm.get('CustomBufferTime'), '0');
    await typeAndLeave(e, 'Performance:10', 'CustomBufferTimeFlagInt', '12');
    wm = new Map(parseIni(await saveText(e.page)).wm_preferences);
    assert.equal(wm.get('UseDefaultBufferTime'), '0');
    assert.equal(wm.get('CustomBufferTime'), '12000');
    // Written as whole milliseconds.
    for (const [typed, saved] of [['08', '8000'], ['60', '60000']]) {
      assert.equal(await typeAndLeave(e, 'Performance:10', 'CustomBufferTimeFlagInt', typed), 'Datatypes');
      wm = new Map(parseIni(await saveText(e.page)).wm_preferences);
      assert.equal(wm.get('CustomBufferTime'), saved, typed);
    }
    await e.close();
  });
});

describe('choices', () => {
  test('compound choices write each part; flag choices write flag and number', async () => {
    const e = await openEditor(browser);
    await e.page.evaluate(() => toggle('Hardware:3'));
    await e.page.selectOption('#CTRL_AudioUpsamplingCompound', '0:48000');
    await e.page.selectOption('#CTRL_WinDrawCompound', '0:1');
    await e.page.evaluate(() => toggle('Proxy:5'));
    await e.page.selectOption('#CTRL_TZVandRTSPProxyFlag', '1:1:0');
    await e.page.selectOption('#CTRL_HTTPProxyFlag', '0:1:0');
    await e.page.evaluate(() => toggle('Playback:2'));
    await e.page.selectOption('#CTRL_LiveBufferFlagIntSelect', '');
    const values = kx(await saveText(e.page));
    const pick = (...names) => names.map((n) => values.get(n));
    assert.deepEqual(pick('AutoAudioUpsampling', 'AudioDeviceSamplesPerSec', 'UseOverlay', 'UseWinDraw'),
      ['0', '48000', '0', '1']);
    assert.deepEqual(pick('TZVProxySupport', 'RTSPProxySupport', 'RTSPTZQProxyAutoConfig'), ['1', '1', '0']);
    assert.deepEqual(pick('HTTPProxySupport', 'HTTPProxyAutoConfig', 'UseSystemProxySettings'), ['0', '1', '0']);
    assert.deepEqual(pick('LiveSuperBuffer', 'SuperBufferLength'), ['0', '']);
    await e.page.selectOption('#CTRL_LiveBufferFlagIntSelect', '7200000');
    assert.deepEqual([...kx(await saveText(e.page))].filter(([k]) => /SuperBuffer(Length)?$/.test(k) && k !== 'ODSuperBuffer'),
      [['LiveSuperBuffer', '1'], ['SuperBufferLength', '7200000']]);
    await e.close();
  });

  test('questions asked the other way round save the option value for Yes', async () => {
    const e = await openEditor(browser);
    await e.page.evaluate(() => toggle('Network Transports:4'));
    await e.page.selectOption('#CTRL_AutoTransport', { label: 'Yes' });
    await e.page.evaluate(() => toggle('Hardware:3'));
    for (const name of ['UseDirectSound', 'BitsPerSample', 'SamplingRate']) {
      await e.page.selectOption('#CTRL_' + name, { label: 'Yes' });
    }
    const values = kx(await saveText(e.page));
    assert.deepEqual(['AutoTransport', 'UseDirectSound', 'BitsPerSample', 'SamplingRate'].map((n) => values.get(n)),
      ['0', '0', '8', '11025']);
    await e.close();
  });
});

describe('connection cross-check', () => {
  test('a normal bandwidth above the maximum blocks leaving and saving', async () => {
    const e = await openEditor(browser);
    await e.page.evaluate(() => { window.__generated = 0; window.onGenerate = () => { window.__generated++; }; });
    await e.page.evaluate(() => toggle('Connection:6'));
    await e.page.selectOption('#CTRL_Bandwidth', '10485800');
    await e.page.evaluate(() => toggle('Datatypes:17'));
    assert.equal(await e.page.evaluate(() => currentCategory), 'Connection');
    assert.equal(await e.page.evaluate(() => document.activeElement.id), 'CTRL_Bandwidth');
    assert.equal(await e.page.evaluate(() => getElem('z6').className), 'l1 selected');
    await e.page.click('#generate');
    assert.deepEqual(await e.page.evaluate(() => [window.__posted.length, window.__generated]), [0, 0]);
    // The message names both settings.
    const message = await e.page.evaluate(() => settingLabel(paths.Connection.Bandwidth) + ': no more than "' +
      settingLabel(paths.Connection.MaxBandwidth) + '".');
    assert.equal(await shownError(e.page, 'Bandwidth'), message);
    assert.deepEqual(await e.page.$$eval('#invalidList li', (items) => items.map((li) => li.textContent)), [message]);
    assert.equal(await e.page.isVisible('#confirmGenerate'), false, 'no way to generate from the list');
    await e.page.click('#cancelDialog');
    assert.deepEqual(e.alerts, []);
    await e.page.selectOption('#CTRL_MaxBandwidth', '10485800');
    await generateThroughSummary(e.page);
    await e.page.waitForFunction(() => window.__generated > 0);
    assert.equal(await e.page.evaluate(() => window.__generated), 1, 'only the successful click generated');
    assert.equal(kx(await saveText(e.page)).get('Bandwidth'), '10485800');
    await e.close();
  });
});
