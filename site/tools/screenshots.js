'use strict';
// Screenshots of the editor at 1280x720 for review: Internet Privacy (with a
// few locked preferences) and Datatypes. Usage: node screenshots.js OUT_DIR
// (needs the page tests' packages: run tests/page/run once first).

const path = require('node:path');
const helpers = require('../../tests/page/test/helpers');

async function main() {
  const out = process.argv[2] || '.';
  const browser = await helpers.launch();
  try {
    const e = await helpers.openEditor(browser, {
      entries: [['CookiesEnabled', '1', 1], ['AllowAuthID', '0', 1], ['RegionData', '10115', 0], ['CountryID', 'de', 1],
        ['Kestrix.MP3.6', '1', 1], ['Kestrix.wmv.6', '0', 1], ['UniversalPlayback', '1', 0]],
    });
    await e.page.waitForTimeout(200);
    await e.page.screenshot({ path: path.join(out, 'internet-privacy.png') });
    await e.page.click('#z17 a');
    await e.page.waitForTimeout(200);
    await e.page.screenshot({ path: path.join(out, 'datatypes.png') });
    await e.close();
  } finally {
    await browser.close();
  }
}

main().catch((err) => { console.error(err); process.exit(1); });
