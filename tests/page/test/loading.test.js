'use strict';
// Loading the page data into the forms: defaults, blank values, locks, the
// kinds that read other names than their own, and escaped script strings.

const { test, describe, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { launch, openEditor, saveText, parseIni, records, pageData, makeSite } = require('./helpers');

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

// Every property with its value, lock, default, control value and lock image.
function snapshot(page) {
  return page.evaluate(() => {
    const out = [];
    enumPaths(paths, (map, name, depth) => {
      if (depth !== 1) return false;
      const p = map[name];
      const ctrl = p.getCtrl();
      const img = document.getElementById(p.propName + 'LOCKIMG');
      out.push({
        category: p.formName, name, value: p.getValue(), lock: p.getLock(), def: p.defaultValue,
        lockable: p.lockable, ctrl: ctrl ? (ctrl.options ? ctrl.options[ctrl.selectedIndex].value : ctrl.value) : null,
        img: img ? img.src.replace(/.*\//, '') : null,
      });
      return false;
    });
    return out;
  });
}

function kxRecord(text, name) {
  return records(parseIni(text).kx_preferences, 'Key', 'Value').find((r) => r.name === name);
}

describe('loading', () => {
  test('empty page data gives every property its default, unlocked, in its control', async () => {
    const e = await openEditor(browser);
    const shown = await e.page.evaluate(() => [currentCategory, getElem('DIV_Internet Privacy').style.display,
      getElem('z1').className]);
    assert.deepEqual(shown, ['Internet Privacy', 'block', 'l1 selected']);
    await e.page.evaluate(() => headings.forEach(toggle));
    const props = await snapshot(e.page);
    const counts = {};
    for (const p of props) counts[p.category] = (counts[p.category] || 0) + 1;
    assert.deepEqual(counts, {
      'Kestrix Options': 1, 'Internet Privacy': 8, Playback: 7, Connection: 6, 'Network Transports': 13, Proxy: 10,
      Hardware: 7, 'Windows Media Options': 1, 'Streaming Protocol': 5, 'Streaming Proxy': 15, Performance: 2,
      'QuickTime Options': 2, 'Player Options': 1, 'Favorites Menu': 7, 'Help Menu': 7, 'Installation Options': 6,
      'Uninstallation Options': 4, Datatypes: 63,
    });
    for (const p of props) {
      assert.equal(p.value, p.def, p.name);
      assert.equal(p.lock, p.lockable ? 0 : null, p.name);
      if (p.ctrl !== null) assert.equal(p.ctrl, p.def, p.name);
      if (p.img !== null) assert.equal(p.img, p.lockable ? 'unlock.gif' : 'no_lock.gif', p.name);
    }
    const byName = Object.fromEntries(props.map((p) => [p.name, p]));
    assert.equal(byName.HomePage.value, 'http://www.quorvanes.com/');
    assert.equal(byName.InstallPath.value, 'Quorvanes/Kestrix Enterprise');
    assert.deepEqual(e.errors, []);
    assert.deepEqual(e.alerts, []);
    await e.close();
  });

  test('country list: 230 lower-case codes, United States first, the rest by name', async () => {
    const e = await openEditor(browser);
    const options = await e.page.evaluate(() =>
      Array.prototype.map.call(getElem('CTRL_CountryID').options, (o) => [o.value, o.text]));
    assert.equal(options.length, 230);
    assert.deepEqual(options[0], ['us', 'United States']);
    assert.equal(new Set(options.map((o) => o[0])).size, 230);
    for (const [code] of options) assert.match(code, /^[a-z]{2}$/);
    const names = options.slice(1).map((o) => o[1]);
    const folded = (s) => s.normalize('NFD').replace(/[\u0300-\u036f]/g, '').toLowerCase();
    assert.deepEqual(names, [...names].sort((a, b) => (folded(a) < folded(b) ? -1 : folded(a) > folded(b) ? 1 : 0)));
    await e.close();
  });

  test('a blank value counts as missing; a blank lock too', async () => {
    const e = await openEditor(browser, { entries: [['Bandwidth', '', 1], ['ServerTimeout', '45', -1]] });
    const v = await e.page.evaluate(() => {
      const c = paths.Connection;
      return [c.Bandwidth.getValue(), c.Bandwidth.getLock(), c.ServerTimeout.getValue(), c.ServerTimeout.getLock()];
    });
    assert.deepEqual(v, ['1544000', 1, '45', 0]);
    await e.close();
  });

  test('a lock of 5 shows locked and is saved unchanged until toggled', async () => {
    const e = await openEditor(browser, { entries: [['CookiesEnabled', '0', 5]] });
    const img = await e.page.getAttribute('#CookiesEnabledLOCKIMG', 'src');
    assert.equal(img, 'images/lock.gif');
    assert.equal(await e.page.getAttribute('#LOCK_CookiesEnabled', 'aria-checked'), 'true');
    let rec = kxRecord(await saveText(e.page), 'CookiesEnabled');
    assert.deepEqual(rec, { name: 'CookiesEnabled', value: '0', lock: '5' });
    await e.page.click('#CookiesEnabledLOCKIMG');
    rec = kxRecord(await saveText(e.page), 'CookiesEnabled');
    assert.equal(rec.lock, '0');
    await e.page.click('#CookiesEnabledLOCKIMG');
    rec = kxRecord(await saveText(e.page), 'CookiesEnabled');
    assert.equal(rec.lock, '1');
    await e.close();
  });

  test('flag kinds read their list or number name, and write the flag from it', async () => {
    const e = await openEditor(browser, {
      entries: [['UseUDPPort', '1', 1], ['UDPPort', '', 0], ['ProxyAutoConfigModeDisplay', '0', 0],
        ['ProxyAutoConfigURL', 'http://pac.example/p.pac', 1], ['SuperBufferLength', '600000', 0]],
    });
    const text = await saveText(e.page);
    assert.equal(kxRecord(text, 'UseUDPPort').value, '0');
    assert.equal(kxRecord(text, 'UDPPort').value, '');
    assert.equal(kxRecord(text, 'ProxyAutoConfigModeDisplay').value, '1');
    assert.deepEqual(kxRecord(text, 'ProxyAutoConfigURL'), { name: 'ProxyAutoConfigURL', value: 'http://pac.example/p.pac', lock: '1' });
    assert.equal(kxRecord(text, 'LiveSuperBuffer').value, '1');
    assert.equal(kxRecord(text, 'SuperBufferLength').value, '600000');
    await e.close();
  });

  test('live buffering switched off comes back switched off', async () => {
    const e = await openEditor(browser, { entries: [['LiveSuperBuffer', '0', 0], ['SuperBufferLength', '', 0]] });
    assert.equal(await e.page.evaluate(() => { toggle('Playback:2'); return getElem('CTRL_LiveBufferFlagIntSelect').selectedIndex; }), 0);
    const text = await saveText(e.page);
    assert.equal(kxRecord(text, 'LiveSuperBuffer').value, '0');
    assert.equal(kxRecord(text, 'SuperBufferLength').value, '');
    await e.close();
  });

  test('compound kinds join their parts and take the first lock that is set', async () => {
    const e = await openEditor(browser, {
      entries: [['UseOverlay', '0', 0], ['UseWinDraw', '1', 1], ['AutoAudioUpsampling', '0', 1],
        ['AudioDeviceSamplesPerSec', '48000', 0], ['HTTPProxySupport', '1', 0], ['HTTPProxyAutoConfig', '0', 0],
        ['UseSystemProxySettings', '0', 0]],
    });
    const v = await e.page.evaluate(() => [paths.Hardware.WinDrawCompound.getValue(),
      paths.Hardware.WinDrawCompound.getLock(), paths.Hardware.AudioUpsamplingCompound.getValue(),
      paths.Hardware.AudioUpsamplingCompound.getLock(), paths.Proxy.HTTPProxyFlag.getValue(),
      paths.Proxy.HTTPProxyFlag.getLock(), paths.Proxy.TZVandRTSPProxyFlag.getValue()]);
    assert.deepEqual(v, ['0:1', 1, '0:48000', 1, '1:0:0', 0, '0:0:0']);
    await e.close();
  });

  test('script strings from the native side arrive unchanged', async () => {
    const odd = 'say "hi" \\ C:\\x\\y </script><b> \u2028 end';
    const e = await openEditor(browser, {
      entries: [['RegionData', odd, 0], ['QuickTimeLocation', 'C:\\Prefs\\QuickTime.qtp'],
        ['Kestrix.MP3.6', '0', 1]],
    });
    const v = await e.page.evaluate(() => [paths['Internet Privacy'].RegionData.getValue(),
      getElem('CTRL_RegionData').value, paths['QuickTime Options'].QuickTimeLocation.getValue(),
      paths.Datatypes['Kestrix-MP3-6'].getValue(), paths.Datatypes['Kestrix-MP3-6'].getLock()]);
    assert.deepEqual(v, [odd, odd, 'C:\\Prefs\\QuickTime.qtp', '0', 1]);
    await e.close();
  });

  test('a broken data block leaves every default in place', async () => {
    const e = await openEditor(browser, { block: 'var serverData=[];\r\nserverData["x"=' });
    const props = await snapshot(e.page);
    for (const p of props) assert.equal(p.value, p.def, p.name);
    await e.close();
  });

  test('a value the list does not offer survives viewing and leaving its form', async () => {
    const e = await openEditor(browser, { entries: [['InstallMode', '0'], ['AudioDeviceSamplesPerSec', '44100', 0]] });
    await e.page.evaluate(() => { toggle('Installation Options:15'); toggle('Hardware:3'); toggle('Datatypes:17'); });
    const setup = new Map(parseIni(await saveText(e.page)).setup);
    assert.equal(setup.get('InstallMode'), '0');
    const text = await saveText(e.page);
    assert.equal(kxRecord(text, 'AutoAudioUpsampling').value, '');
    assert.equal(kxRecord(text, 'AudioDeviceSamplesPerSec').value, '44100');
    await e.close();
  });

  test('a later entry with the same key replaces the earlier one wholly', async () => {
    const block = pageData([['HomePage', 'http://first/', 1]]) + pageData([['HomePage', 'http://second/']])
      .replace('var serverData=[];\r\n', '');
    const e = await openEditor(browser, { block });
    assert.equal(await e.page.evaluate(() => paths['Player Options'].HomePage.getValue()), 'http://second/');
    await e.close();
  });
});

describe('code page', () => {
  test('the header names the code page the program read the values in, and nothing without one', async () => {
    const shown = await openEditor(browser, { entries: [['HomePage', 'x']] });
    assert.equal(await shown.page.textContent('#codepage'), '');
    await shown.close();
    const site = makeSite(pageData([['HomePage', 'x']]));
    const index = path.join(site.dir, 'index.html');
    fs.writeFileSync(index, fs.readFileSync(index, 'latin1').replace('var configurationCodePage=0;',
      'var configurationCodePage=932;'), 'latin1');
    const e = await openEditor(browser, { url: site.url });
    assert.equal(await e.page.textContent('#codepage'), 'Configuration code page 932');
    assert.equal(await e.page.evaluate(() => paths['Player Options'].HomePage.getValue()), 'x');
    await e.close();
  });
});

describe('header layout', () => {
  test('title, Generate and every lock legend entry stay whole and clear of the tree from narrow to wide windows',
    async () => {
      const e = await openEditor(browser, { block: pageData([]) + 'var installerName="kestrix-enterprise-setup.exe";\r\n' });
      for (const width of [480, 533, 680, 1024, 1280]) {
        await e.page.setViewportSize({ width, height: 600 });
        const box = await e.page.evaluate(() => {
          const rect = (el) => { const r = el.getBoundingClientRect(); return { left: r.left, right: r.right, top: r.top, bottom: r.bottom }; };
          const $ = (id) => document.getElementById(id);
          return {
            entries: Array.prototype.map.call(document.querySelectorAll('#legend .entry'), rect),
            title: rect($('title')), generate: rect($('generate')), toolbar: rect($('toolbar')),
            tocTop: rect($('toc')).top, contentTop: rect($('content')).top,
          };
        });
        assert.equal(box.entries.length, 3);
        for (const entry of box.entries) {
          assert.ok(entry.left >= 0 && entry.right <= width, `legend entry cut at ${width} px: ${JSON.stringify(entry)}`);
          assert.ok(entry.bottom <= box.toolbar.bottom, `legend entry below the toolbar at ${width} px`);
          assert.ok(entry.bottom - entry.top < 24, `legend entry broken inside at ${width} px`);
        }
        assert.ok(box.title.right < box.generate.left, `title under Generate at ${width} px`);
        assert.ok(box.toolbar.bottom <= box.tocTop && box.toolbar.bottom <= box.contentTop,
          `toolbar over the tree or the panel at ${width} px`);
      }
      await e.close();
    });
});
