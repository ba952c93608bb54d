'use strict';
// Times the preference editor in headless Chromium: from navigation until the
// page has loaded a full page-data block (every key the native side writes),
// until the first frame after that (the shown form laid out and painted),
// and one save of the whole configuration. Prints medians; not a test.

const fs = require('node:fs');
const path = require('node:path');
const helpers = require('../../tests/page/test/helpers');

const RUNS = Number(process.env.RUNS || 15);
const SAVES = Number(process.env.SAVES || 30);

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = sorted.length >> 1;
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

// Records the moment the page's `loaded` flag turns true, and the end of the
// frame that follows it, in milliseconds since the navigation started.
function watchLoaded() {
  let value;
  Object.defineProperty(window, 'loaded', {
    configurable: true,
    get() { return value; },
    set(v) {
      value = v;
      if (v !== true || window.__loadedAt !== undefined) return;
      window.__loadedAt = performance.now();
      requestAnimationFrame(() => setTimeout(() => { window.__framedAt = performance.now(); }, 0));
    },
  });
}

async function main() {
  const fixture = path.join(__dirname, '..', '..', 'tests', 'page', 'fixtures', 'empty-page-data.ini');
  const entries = helpers.entriesFromIni(fs.readFileSync(fixture, 'latin1'));
  const site = helpers.makeSite(helpers.pageData(entries));
  const browser = await helpers.launch();
  const loads = [];
  const frames = [];
  const saves = [];
  try {
    // One page navigated again and again, as the host keeps one view; the
    // first load (process start-up, cold caches) is not counted.
    const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
    const page = await context.newPage();
    // The host's bridge takes each write request by cancelling its event.
    await page.addInitScript(() => {
      document.addEventListener('kx-write-file', (e) => e.preventDefault());
    });
    await page.addInitScript(watchLoaded);
    for (let i = 0; i <= RUNS; i++) {
      await page.goto(site.url + '?run=' + i);
      await page.waitForFunction(() => window.__framedAt !== undefined);
      const [loadedAt, framedAt] = await page.evaluate(() => [window.__loadedAt, window.__framedAt]);
      if (i > 0) {
        loads.push(loadedAt);
        frames.push(framedAt);
      }
    }
    saves.push(...await page.evaluate((n) => {
      const times = [];
      for (let k = 0; k < n; k++) {
        const t0 = performance.now();
        if (!onSave()) throw new Error('save failed');
        times.push(performance.now() - t0);
      }
      return times;
    }, SAVES));
    await context.close();
  } finally {
    await browser.close();
  }
  console.log(`page-data entries: ${entries.length}`);
  console.log(`navigation -> loaded: median ${median(loads).toFixed(1)} ms over ${RUNS} loads ` +
    `(min ${Math.min(...loads).toFixed(1)}, max ${Math.max(...loads).toFixed(1)})`);
  console.log(`navigation -> first frame after loaded: median ${median(frames).toFixed(1)} ms ` +
    `(min ${Math.min(...frames).toFixed(1)}, max ${Math.max(...frames).toFixed(1)})`);
  console.log(`onSave: median ${median(saves).toFixed(2)} ms over ${SAVES} saves ` +
    `(min ${Math.min(...saves).toFixed(2)}, max ${Math.max(...saves).toFixed(2)})`);
}

main().catch((e) => { console.error(e); process.exit(1); });
