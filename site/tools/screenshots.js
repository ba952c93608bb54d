'use strict';
// Screenshots of the editor at 1280x720 for review: Internet Privacy (with a
// few locked preferences), Datatypes, the "Changed only" view, a validation
// message beside its field, and the change summary before generating.
// Usage: node screenshots.js OUT_DIR (needs the page tests' packages: run
// tests/page/run once first).

const path = require('node:path');
const helpers = require('../../tests/page/test/helpers');

async function main() {
  const out = process.argv[2] || '.';
  const shot = (page, name) => page.screenshot({ path: path.join(out, name + '.png') });
  const browser = await helpers.launch();
  try {
    const e = await helpers.openEditor(browser, {
      block: helpers.pageData([['CookiesEnabled', '1', 1], ['AllowAuthID', '0', 1], ['RegionData', '10115', 0],
        ['CountryID', 'de', 1], ['Kestrix.MP3.6', '1', 1], ['Kestrix.wmv.6', '0', 1], ['UniversalPlayback', '1', 0],
        ['ApplyKXPrefs', '0']]) + 'var installerName="kestrix-enterprise-setup.exe";\r\n',
    });
    await e.page.waitForTimeout(200);
    await shot(e.page, 'internet-privacy');
    await e.page.click('#z17 a');
    await e.page.waitForTimeout(200);
    await shot(e.page, 'datatypes');

    // A few edits in two categories.
    await e.page.click('#z1 a');
    await e.page.selectOption('#CTRL_CookiesEnabled', '0');
    await e.page.click('#AllowAuthIDLOCKIMG');
    await e.page.click('#z5 a');
    await e.page.selectOption('#CTRL_HTTPProxyFlag', '1:0:0');
    await e.page.fill('#CTRL_HTTPProxyHost', 'proxy.example.org');
    await e.page.fill('#CTRL_HTTPProxyPort', '99999');
    await e.page.press('#CTRL_HTTPProxyPort', 'Tab');
    await e.page.waitForTimeout(200);
    await shot(e.page, 'validation-message');
    await e.page.fill('#CTRL_HTTPProxyPort', '8080');
    await e.page.press('#CTRL_HTTPProxyPort', 'Tab');
    await e.page.check('#changedOnly');
    await e.page.waitForTimeout(200);
    await shot(e.page, 'changed-only');
    await e.page.uncheck('#changedOnly');
    await e.page.click('#generate');
    await e.page.waitForTimeout(200);
    await shot(e.page, 'change-summary');
    await e.close();
  } finally {
    await browser.close();
  }
}

main().catch((err) => { console.error(err); process.exit(1); });
