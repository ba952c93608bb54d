'use strict';
// Finding, reviewing and confirming edits: the tree, change marks and counts,
// search and the "Changed only" view, the change summary, dependent fields,
// the unsaved-edit question of the host and keyboard use.

const { test, describe, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { launch, openEditor, saveText, parseIni, records, shownError, messageFor, generateThroughSummary } = require('./helpers');

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

const texts = (page, selector) => page.$$eval(selector, (nodes) => nodes.map((n) => n.textContent));

describe('tree', () => {
  test('every category is an entry named as its headline; folders only open and close; whole rows answer', async () => {
    const e = await openEditor(browser);
    const entries = await e.page.evaluate(() => headings.map((h) => {
      toggle(h);
      const entry = getElem('z' + treeEntryOf[h]);
      return [entry.className, entry.getElementsByTagName('a')[0].firstChild.nodeValue,
        getElem('HEADLINE_' + h).textContent];
    }));
    for (const [cls, label, headline] of entries) {
      assert.equal(cls.split(' ')[0], 'l1');
      assert.equal(label, headline);
    }
    // A click at the far end of a row, away from its text, opens the entry.
    const box = await e.page.locator('#z0').boundingBox();
    await e.page.mouse.click(box.x + box.width - 4, box.y + box.height / 2);
    assert.equal(await e.page.evaluate(() => currentCategory), 'Kestrix Options');
    assert.equal(await e.page.isVisible('#CTRL_ApplyKXPrefs'), true);
    await e.page.click('#zf1 a');
    assert.deepEqual([await e.page.isVisible('#z12'), await e.page.getAttribute('#zf1 a', 'aria-expanded')],
      [false, 'false']);
    assert.equal(await e.page.evaluate(() => currentCategory), 'Kestrix Options', 'a folder shows no category');
    await e.page.click('#zf1 a');
    await e.page.click('#z12');
    assert.equal(await e.page.isVisible('#CTRL_HomePage'), true);
    await e.close();
  });

  test('header and tree stay in place while a long form scrolls', async () => {
    const e = await openEditor(browser);
    await e.page.click('#z17 a');
    await e.page.mouse.move(700, 400);
    await e.page.mouse.wheel(0, 3000);
    await e.page.waitForFunction(() => getElem('content').scrollTop > 0);
    const boxes = await e.page.evaluate(() => ['generate', 'z17', 'search'].map((id) => {
      const r = getElem(id).getBoundingClientRect();
      return r.top >= 0 && r.bottom <= window.innerHeight;
    }));
    assert.deepEqual(boxes, [true, true, true]);
    assert.equal(await e.page.evaluate(() => document.documentElement.scrollTop + document.body.scrollTop), 0);
    await e.close();
  });
});

describe('changes', () => {
  test('a changed value or lock is marked and counted; Reset brings back the installer\'s value', async () => {
    const e = await openEditor(browser, { entries: [['CookiesEnabled', '0', 1], ['RegionData', 'W1A', 0]] });
    const marks = () => e.page.evaluate(() => ['CookiesEnabled', 'AllowAuthID', 'RegionData'].map((n) =>
      /\bchanged\b/.test(getElem('ROW_' + n).className)));
    assert.deepEqual(await marks(), [false, false, false], 'page data is not an edit');
    assert.equal(await e.page.textContent('#COUNT_z1'), '');
    await e.page.selectOption('#CTRL_CookiesEnabled', '1');
    await e.page.click('#AllowAuthIDLOCKIMG');
    await e.page.fill('#CTRL_RegionData', ' W1A ');
    await e.page.press('#CTRL_RegionData', 'Tab');
    assert.deepEqual(await marks(), [true, true, false], 'blanks around a value change nothing saved');
    assert.equal(await e.page.textContent('#COUNT_z1'), ' (2)');
    await e.page.click('#RESET_CookiesEnabled');
    assert.deepEqual(await e.page.evaluate(() => [paths['Internet Privacy'].CookiesEnabled.getValue(),
      getElem('CTRL_CookiesEnabled').value, paths['Internet Privacy'].CookiesEnabled.getLock()]), ['0', '0', 1]);
    assert.deepEqual(await marks(), [false, true, false]);
    assert.equal(await e.page.textContent('#COUNT_z1'), ' (1)');
    assert.equal(await e.page.isVisible('#RESET_CookiesEnabled'), false);
    await e.close();
  });

  test('"Changed only" lists every change across categories, hidden locks included, with the installer\'s value', async () => {
    const e = await openEditor(browser, { entries: [['BufferedPlayTime', '60', 0]] });
    await e.page.evaluate(() => toggle('Playback:2'));
    await e.page.fill('#CTRL_BufferedPlayTime', '45');
    await e.page.click('#z17 a');
    await e.page.click('.category[style*="block"] a.command:has-text("Lock all")');
    await e.page.check('#changedOnly');
    const items = await texts(e.page, '#resultsList li');
    assert.equal(items.length, 1 + 54, 'the time and every lockable datatype');
    assert.match(items[0], /^Playback > Select the amount of clip time to buffer before playback BufferedPlayTime/);
    assert.match(items[0], /60 → 45/);
    assert.ok(items.some((t) => /Datatypes > Kestrix\.Flash\.6 Kestrix\.Flash\.6.*unlocked → 1, locked/.test(t)), 'a hidden lock');
    assert.match(await e.page.textContent('#resultsTitle'), /Changed settings \(55\)/);
    // Reset from the list; the list follows.
    await e.page.click('#resultsList li:first-child a.reset');
    assert.equal((await texts(e.page, '#resultsList li')).length, 54);
    assert.equal(await e.page.evaluate(() => paths.Playback.BufferedPlayTime.getValue()), '60');
    await e.page.uncheck('#changedOnly');
    assert.equal(await e.page.evaluate(() => currentCategory), 'Datatypes', 'back where the user was');
    await e.close();
  });

  test('forms are built when first shown; counts, views, summary and saving work from the data of every category', async () => {
    const e = await openEditor(browser, { entries: [['InstallMode', '0'], ['Kestrix.MP3.6', '1', 5]] });
    assert.deepEqual(await e.page.evaluate(() => headings.filter((h) => getElem('DIV_' + h))), ['Internet Privacy']);
    // An edit held only in the data of a category whose form was never built.
    await e.page.evaluate(() => {
      const p = paths.Datatypes['Kestrix-MP3-6'];
      p.clientValue = '0';
      p.clientLocked = 0;
      refreshMark(p);
    });
    assert.equal(await e.page.textContent('#COUNT_z17'), ' (1)');
    await e.page.check('#changedOnly');
    assert.deepEqual((await texts(e.page, '#resultsList li')).map((t) => /^Datatypes > .* Kestrix\.MP3\.6/.test(t)), [true]);
    await e.page.uncheck('#changedOnly');
    await e.page.click('#generate');
    assert.equal((await texts(e.page, '#changeList li')).length, 1);
    await e.page.click('#cancelDialog');
    const saved = await saveText(e.page);
    const mp3 = records(parseIni(saved).datatypes, 'DataType', 'Status').find((r) => r.name === 'Kestrix.MP3.6');
    assert.deepEqual([mp3.value, mp3.lock], ['0', '0']);
    assert.equal(new Map(parseIni(saved).setup).get('InstallMode'), '0');
    // Built later, a form shows what the data holds, and leaving it keeps it.
    await e.page.evaluate(() => headings.forEach(toggle));
    assert.deepEqual(await e.page.evaluate(() => [getElem('CTRL_Kestrix-MP3-6').value,
      getElem('Kestrix-MP3-6LOCKIMG').getAttribute('src'), getElem('LOCK_Kestrix-MP3-6').getAttribute('aria-checked'),
      getElem('ROW_Kestrix-MP3-6').className, getElem('RESET_Kestrix-MP3-6').style.display]),
    ['0', 'images/unlock.gif', 'false', 'prop changed', 'inline']);
    await e.page.evaluate(() => toggle('Internet Privacy'));
    assert.equal(await saveText(e.page), saved);
    await e.close();
  });

  test('the view cannot be entered while the shown category holds a bad value', async () => {
    const e = await openEditor(browser);
    await e.page.evaluate(() => toggle('Playback:2'));
    await e.page.fill('#CTRL_BufferedPlayTime', 'x');
    await e.page.check('#changedOnly');
    assert.equal(await e.page.isVisible('#results'), false);
    assert.equal(await shownError(e.page, 'BufferedPlayTime'), await messageFor(e.page, 'BufferedPlayTime', 'a whole number from 0 to 300.'));
    await e.close();
  });
});

describe('search', () => {
  test('finds settings of every category by label and key; a result opens its setting', async () => {
    const e = await openEditor(browser);
    const search = async (text) => {
      await e.page.fill('#search', text);
      await e.page.dispatchEvent('#search', 'keyup');
      return e.page.$$eval('#resultsList li', (items) => items.map((li) => li.getElementsByTagName('span')[0].textContent));
    };
    // Keys of categories that are saved and of those that are not, in any letter case.
    assert.deepEqual(await search('proxyport'), ['TZVProxyPort', 'RTSPProxyPort', 'HTTPProxyPort', 'ProxyPort_HTTP',
      'ProxyPort_MMS', 'ProxyPort_RTSP']);
    assert.equal((await search('udpport'))[0], 'UseUDPPort, UDPPort');
    await e.page.press('#search', 'Enter');
    assert.equal(await e.page.evaluate(() => [currentCategory, document.activeElement.id].join()),
      'Network Transports,CTRL_UDPPortFlag', 'Enter opens the first setting found');
    const label = await e.page.evaluate(() => settingLabel(paths.Datatypes['Kestrix-MP3PL-6']));
    assert.equal((await search(label.toUpperCase()))[0], 'Kestrix.MP3PL.6');
    await e.page.click('#resultsList li:first-child > a');
    assert.equal(await e.page.evaluate(() => [currentCategory, document.activeElement.id].join()),
      'Datatypes,CTRL_Kestrix-MP3PL-6');
    assert.equal(await e.page.inputValue('#search'), '');
    await e.page.fill('#search', 'no such setting');
    await e.page.dispatchEvent('#search', 'keyup');
    assert.match(await e.page.textContent('#results'), /No setting matches\./);
    await e.close();
  });

  test('descriptions are searched where the catalogue has them', async () => {
    const e = await openEditor(browser);
    const described = await e.page.evaluate(() => {
      for (const h of headings) for (const row of formRows[h]) if (row.prop && row.description) return [h, row];
      return null;
    });
    if (described) {
      const [category, row] = described;
      const words = row.description.split(' ').slice(-3).join(' ');
      await e.page.fill('#search', words);
      await e.page.dispatchEvent('#search', 'keyup');
      assert.ok((await texts(e.page, '#resultsList li')).some((t) => t.includes(row.label)), words);
      assert.ok((await e.page.evaluate(([c, n]) => { toggle(c); return getElem('DESC_' + n).textContent; }, [category, row.prop]))
        .startsWith(row.description));
    }
    await e.close();
  });
});

describe('change summary', () => {
  test('lists every change, warns about edits under an Apply switch that is off, and writes only once confirmed', async () => {
    const e = await openEditor(browser, { entries: [['ApplyKXPrefs', '0'], ['CookiesEnabled', '1', 0]] });
    await e.page.evaluate(() => { window.__generated = 0; window.onGenerate = () => { window.__generated++; }; });
    await e.page.selectOption('#CTRL_CookiesEnabled', '0');
    await e.page.click('#generate');
    assert.equal(await e.page.evaluate(() => document.activeElement.id), 'confirmGenerate');
    const items = await texts(e.page, '#changeList li');
    assert.equal(items.length, 1);
    assert.match(items[0], /^Internet \/ Privacy > Enable cookies CookiesEnabled.*Yes → No$/);
    assert.match(await e.page.textContent('#applyWarnings'), /Apply Kestrix Preferences is No: 1 change under it will not apply/);
    await e.page.click('#cancelDialog');
    assert.deepEqual(await e.page.evaluate(() => [window.__posted.length, window.__generated]), [0, 0]);
    // Switched on, the warning goes; confirmed, the file is written and the link followed.
    await e.page.evaluate(() => toggle('Kestrix Options:0'));
    await e.page.selectOption('#CTRL_ApplyKXPrefs', '1');
    await e.page.click('#generate');
    assert.equal(await e.page.$('#applyWarnings'), null);
    assert.equal((await texts(e.page, '#changeList li')).length, 2);
    await e.page.click('#confirmGenerate');
    await e.page.waitForFunction(() => window.__generated === 1);
    const recs = records(parseIni(await saveText(e.page)).kx_preferences, 'Key', 'Value');
    assert.equal(recs.find((r) => r.name === 'CookiesEnabled').value, '0');
    await e.close();
  });

  test('lists every invalid setting of every category and writes nothing', async () => {
    const e = await openEditor(browser);
    await e.page.evaluate(() => toggle('Playback:2'));
    await e.page.fill('#CTRL_BufferedPlayTime', '999');
    // Values typed earlier in a category that was left some other way.
    await e.page.evaluate(() => {
      ensureForm('Connection');
      getElem('CTRL_ConnectionTimeout').value = 'soon';
      getElem('CTRL_ServerTimeout').value = '';
    });
    await e.page.click('#generate');
    assert.deepEqual(await texts(e.page, '#invalidList li'), [
      await messageFor(e.page, 'BufferedPlayTime', 'a whole number from 0 to 300.'),
      await messageFor(e.page, 'ConnectionTimeout', 'a whole number from 0 to 300.'),
      await messageFor(e.page, 'ServerTimeout', 'a value is required.')]);
    assert.equal(await e.page.evaluate(() => window.__posted.length), 0);
    await e.page.click('#invalidList li:nth-child(3) a');
    assert.equal(await e.page.evaluate(() => [currentCategory, document.activeElement.id].join()), 'Playback,CTRL_BufferedPlayTime',
      'the bad value of the shown category holds the user');
    await e.close();
  });
});

describe('dependent fields', () => {
  test('proxy host and port, and the QuickTime file, can be typed only while their switch asks for them', async () => {
    const e = await openEditor(browser, { entries: [['HTTPProxyHost', 'old proxy']] });
    const enabled = (...names) => e.page.evaluate((n) => n.map((x) => !getElem('CTRL_' + x).disabled), names);
    // Each form is built when first shown, with its fields already switched as the data says.
    await e.page.evaluate(() => ['Proxy', 'Streaming Proxy', 'QuickTime Options', 'Internet Privacy'].forEach(toggle));
    assert.deepEqual(await enabled('HTTPProxyHost', 'HTTPProxyPort', 'TZVProxyHost', 'ProxyName_MMS', 'QuickTimeLocation'),
      [false, false, false, false, false]);
    await e.page.evaluate(() => toggle('Proxy:5'));
    await e.page.selectOption('#CTRL_HTTPProxyFlag', '1:0:0');
    assert.deepEqual(await enabled('HTTPProxyHost', 'HTTPProxyPort', 'TZVProxyHost'), [true, true, false]);
    await e.page.fill('#CTRL_HTTPProxyPort', '70000');
    await e.page.selectOption('#CTRL_HTTPProxyFlag', '0:0:0');
    // Switched off, a bad value no longer holds the user, and the old value stays.
    await e.page.evaluate(() => toggle('QuickTime Options:11'));
    assert.equal(await e.page.evaluate(() => currentCategory), 'QuickTime Options');
    assert.equal(await e.page.evaluate(() => paths.Proxy.HTTPProxyPort.getValue()), '80');
    await e.page.selectOption('#CTRL_ApplyQTPrefs', '1');
    assert.deepEqual(await enabled('QuickTimeLocation'), [true]);
    await e.close();
  });
});

describe('host questions and header', () => {
  test('kxHasUnsavedEdits answers whether closing would lose edits', async () => {
    const e = await openEditor(browser, { entries: [['CookiesEnabled', '0', 1]] });
    const ask = () => e.page.evaluate(() => kxHasUnsavedEdits());
    assert.equal(await ask(), false);
    await e.page.fill('#CTRL_RegionData', '10115');
    assert.equal(await ask(), true, 'typed, not yet left');
    await e.page.fill('#CTRL_RegionData', '');
    assert.equal(await ask(), false, 'back to the installer\'s value');
    await e.page.fill('#CTRL_RegionData', '10115');
    await generateThroughSummary(e.page);
    assert.equal(await ask(), false, 'handed to generation');
    await e.page.evaluate(() => kxGenerationEnded(false));
    assert.equal(await ask(), true, 'no installer was written after all');
    await generateThroughSummary(e.page);
    await e.page.evaluate(() => kxGenerationEnded(true));
    assert.equal(await ask(), false);
    await e.page.click('#CookiesEnabledLOCKIMG');
    assert.equal(await ask(), true);
    await e.page.evaluate(() => toggle('Playback:2'));
    await e.page.fill('#CTRL_BufferedPlayTime', 'x');
    assert.equal(await ask(), true, 'an invalid typed value');
    assert.deepEqual(e.alerts, []);
    await e.close();
  });

  test('the header names the product and the installer; Lock all and Unlock all only where something locks', async () => {
    const block = 'var serverData=[];\r\nvar installerName="setup <b>&amp;.exe";\r\n';
    const e = await openEditor(browser, { block });
    assert.equal(await e.page.textContent('#title'), 'Kestrix Enterprise Configuration Tool');
    assert.equal(await e.page.title(), 'Kestrix Enterprise Configuration Tool');
    assert.equal(await e.page.textContent('#installer'), 'Installer: setup <b>&amp;.exe');
    const commands = (c) => e.page.evaluate((name) => toggle(name) || Array.prototype.map.call(
      getElem('DIV_' + name).getElementsByTagName('table')[0].getElementsByTagName('a'), (a) => a.textContent), c);
    assert.deepEqual(await commands('Player Options'), ['Apply defaults', 'Reset']);
    assert.deepEqual(await commands('Connection'), ['Apply defaults', 'Reset', 'Lock all', 'Unlock all']);
    const plain = await openEditor(browser);
    assert.equal(await plain.page.textContent('#installer'), '');
    await plain.close();
    await e.close();
  });
});

describe('keyboard', () => {
  test('the tree, a lock, the summary and its buttons work without a mouse', async () => {
    const e = await openEditor(browser);
    await e.page.focus('#z2 a');
    await e.page.keyboard.press('Enter');
    assert.equal(await e.page.evaluate(() => currentCategory), 'Playback');
    await e.page.focus('#LOCK_FastStart');
    assert.equal(await e.page.getAttribute('#LOCK_FastStart', 'aria-label'),
      'Locked: ' + await e.page.evaluate(() => settingLabel(paths.Playback.FastStart)));
    await e.page.keyboard.press('Enter');
    assert.equal(await e.page.getAttribute('#LOCK_FastStart', 'aria-checked'), 'true');
    await e.page.focus('#generate');
    await e.page.keyboard.press('Enter');
    assert.equal(await e.page.evaluate(() => document.activeElement.id), 'confirmGenerate');
    await e.page.keyboard.press('Tab');
    await e.page.keyboard.press('Tab');
    assert.equal(await e.page.evaluate(() => getElem('dialog').contains(document.activeElement)), true,
      'Tab stays inside the box');
    await e.page.keyboard.press('Escape');
    assert.equal(await e.page.isVisible('#overlay'), false);
    assert.equal(await e.page.evaluate(() => document.activeElement.id), 'generate', 'focus returns');
    await e.close();
  });
});
