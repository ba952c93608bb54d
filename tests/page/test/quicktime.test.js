'use strict';
// The QuickTime preferences file that the installer names is shown beside its
// setting, read-only and as plain text, and never travels into the saved file.

const { test, describe, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const { launch, openEditor, saveText, makeSite, pageData } = require('./helpers');

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

const PLACEHOLDER = 'var quickTimeFile=null;';

// A site whose page names `info` (a script text) as the program writes it.
function siteNaming(location, info) {
  const site = makeSite(pageData([['ApplyQTPrefs', '1'], ['QuickTimeLocation', location]]));
  const html = fs.readFileSync(site.index, 'latin1');
  assert.ok(html.includes(PLACEHOLDER), 'placeholder missing from index.html');
  if (info !== undefined) fs.writeFileSync(site.index, html.replace(PLACEHOLDER, () => info), 'latin1');
  return site;
}

async function shown(e) {
  await e.page.evaluate(() => toggle('QuickTime Options:11'));
  return e.page.evaluate(() => {
    const note = document.getElementById('QuickTimeFileShown');
    if (!note) return null;
    const cell = document.getElementById('CTRL_QuickTimeLocation').parentNode;
    return { text: note.textContent, beside: note.parentNode === cell, visible: note.offsetParent !== null,
      editable: note.isContentEditable || note.querySelector('input,textarea,select') !== null,
      markup: note.querySelector('*') !== null };
  });
}

describe('QuickTime preferences file', () => {
  test('its path and size are shown as text beside the setting and are not saved', async () => {
    const path = 'C:\\Prefs\\<b>"qt"</b>.qtp';
    const site = siteNaming(path,
      'var quickTimeFile={"path":"C:\\\\Prefs\\\\\\x3Cb>\\"qt\\"\\x3C/b>.qtp","state":"regular","size":1234};');
    const e = await openEditor(browser, { url: site.url });
    assert.deepEqual(await shown(e), {
      text: 'Named by the installer: ' + path + ' - 1234 bytes', beside: true, visible: true, editable: false, markup: false,
    });
    const saved = await saveText(e.page);
    assert.ok(!saved.includes('1234'), saved);
    assert.deepEqual(e.errors, []);
    await e.close();
  });

  test('a file that is missing, not regular or not looked at says so; none named shows nothing', async () => {
    const cases = [
      ['missing', 'not found on this computer'],
      ['other', 'not a file that can be built in'],
      ['unexamined', 'not a full path on this computer, so it was not looked at'],
    ];
    for (const [state, words] of cases) {
      const site = siteNaming('\\\\server\\q.qtp',
        'var quickTimeFile={"path":"\\\\\\\\server\\\\q.qtp","state":"' + state + '","size":0};');
      const e = await openEditor(browser, { url: site.url });
      assert.equal((await shown(e)).text, 'Named by the installer: \\\\server\\q.qtp - ' + words, state);
      await e.close();
    }
    const e = await openEditor(browser, { url: siteNaming('', undefined).url });
    assert.equal(await shown(e), null);
    assert.deepEqual(e.errors, []);
    await e.close();
  });
});
