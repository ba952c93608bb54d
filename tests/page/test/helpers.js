'use strict';
// Shared fixtures: a copy of the site with page data written in, the system
// Chromium, and stand-ins for the two file-writing facilities of the hosts.

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { execFileSync } = require('node:child_process');
const { chromium } = require('playwright-core');

const ROOT = path.resolve(__dirname, '..', '..', '..');
const SITE = path.join(ROOT, 'site', 'cfadmin');
const PLACEHOLDER = 'var serverData=[];';
const CHROMIUM = process.env.CHROMIUM_PATH || '/usr/bin/chromium';
const CHROMIUM_ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

// A script string literal as the native side writes it into the page.
function literal(text) {
  return '"' + String(text)
    .replace(/\\/g, '\\\\').replace(/"/g, '\\"').replace(/\r/g, '\\r').replace(/\n/g, '\\n')
    .replace(/\u2028/g, '\\u2028').replace(/\u2029/g, '\\u2029').replace(/</g, '\\x3C') + '"';
}

// The page-data block for entries [key, value, lock?] (lock -1 or absent: no
// lock line); keys arrive with '.' written as '-'.
function pageData(entries) {
  let block = PLACEHOLDER + '\r\n';
  for (const [rawKey, value, lock] of entries) {
    const key = literal(String(rawKey).replace(/\./g, '-'));
    block += `serverData[${key}]=[];\r\n`;
    block += `serverData[${key}]["SuggestedValue"]=${literal(value)};\r\n`;
    if (lock !== undefined && lock !== -1) block += `serverData[${key}]["IsLocked"]=${lock};\r\n`;
  }
  return block;
}

// The site's generated scripts, made from the catalogue data the way the build makes them, once
// per process: a folder holding catalogue.js.
const GENERATED = (() => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'kx-page-generated-'));
  execFileSync(process.env.CMAKE || 'cmake', [
    '-D', 'DATA=' + path.join(ROOT, 'site', 'catalogue', 'catalogue.json'),
    '-D', 'JS_TEMPLATE=' + path.join(ROOT, 'site', 'catalogue', 'catalogue.js.in'),
    '-D', 'JS_OUT=' + path.join(dir, 'catalogue.js'),
    '-P', path.join(ROOT, 'cmake', 'catalogue_generate.cmake')], { stdio: ['ignore', 'ignore', 'inherit'] });
  process.on('exit', () => fs.rmSync(dir, { recursive: true, force: true }));
  return dir;
})();

// Copies the site into a fresh folder with the block in place of the placeholder.
function makeSite(block) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'kx-page-'));
  fs.cpSync(SITE, dir, { recursive: true });
  fs.cpSync(GENERATED, dir, { recursive: true });
  const index = path.join(dir, 'index.html');
  if (block !== undefined) {
    const html = fs.readFileSync(index, 'latin1');
    if (!html.includes(PLACEHOLDER)) throw new Error('placeholder missing from index.html');
    fs.writeFileSync(index, html.replace(PLACEHOLDER, () => block), 'latin1');
  }
  return { dir, index, url: pathToFileURL(index).href };
}

function launch() {
  return chromium.launch({ executablePath: CHROMIUM, args: CHROMIUM_ARGS, headless: true });
}

// Stand-in for the script host's file system object: a file system holding
// only `existing`, recording every call; files written land in `written`.
function fsoStandIn(existing) {
  window.__fso = { calls: [], written: {} };
  window.ActiveXObject = function (progId) {
    const log = window.__fso;
    log.calls.push(['new', progId]);
    if (progId !== 'Scripting.FileSystemObject') throw new Error('cannot create ' + progId);
    return {
      GetFile(p) {
        log.calls.push(['GetFile', p]);
        if (p !== existing) throw new Error('File not found');
        return { ParentFolder: p.replace(/[\\/][^\\/]*$/, '') };
      },
      BuildPath(folder, name) {
        log.calls.push(['BuildPath', String(folder), name]);
        return String(folder) + '\\' + name;
      },
      CreateTextFile(p, overwrite) {
        log.calls.push(['CreateTextFile', p, overwrite]);
        let text = '';
        return {
          WriteLine(t) { text += t + '\r\n'; },
          Close() { log.written[p] = text; },
        };
      },
    };
  };
}

// The host's bridge: it takes a write request by cancelling the event.
function messageHandlerStandIn() {
  window.__posted = [];
  document.addEventListener('kx-write-file', (e) => {
    e.preventDefault();
    window.__posted.push(JSON.parse(JSON.stringify(e.detail)));
  });
}

// Opens the page with the given page-data entries (or raw block) and file
// facility ('handler', 'fso' or 'none'); records alerts and accepts them.
async function openEditor(browser, { entries = [], block, facility = 'handler', url } = {}) {
  const site = makeSite(block !== undefined ? block : pageData(entries));
  const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
  const page = await context.newPage();
  const alerts = [];
  const errors = [];
  page.on('dialog', (d) => { alerts.push(d.message()); d.accept(); });
  page.on('pageerror', (e) => errors.push(String(e)));
  if (facility === 'handler') await page.addInitScript(messageHandlerStandIn);
  if (facility === 'fso') {
    const existing = decodeURIComponent(new URL(url || site.url).href).replace(/^file:\/\/\//i, '');
    await page.addInitScript(fsoStandIn, existing);
  }
  await page.goto(url || site.url);
  await page.waitForFunction(() => window.loaded === true);
  return { page, context, site, alerts, errors, close: () => context.close() };
}

// Saves through the handler stand-in; the file text as the host would write it.
async function saveText(page) {
  const ok = await page.evaluate(() => onSave());
  if (!ok) return null;
  const posted = await page.evaluate(() => window.__posted[window.__posted.length - 1]);
  return posted.text + '\r\n';
}

// The configuration text as a map section -> [[key, value], ...].
function parseIni(text) {
  const sections = {};
  let current = '';
  sections[current] = [];
  for (const line of text.split('\r\n')) {
    const m = /^\[(.*)\]$/.exec(line);
    if (m) { current = m[1]; sections[current] = []; continue; }
    if (line === '') continue;
    const eq = line.indexOf('=');
    sections[current].push([line.slice(0, eq), line.slice(eq + 1)]);
  }
  return sections;
}

// The records of a counted section as {name: {value, lock}} plus their order.
function records(section, keyName, valueName) {
  const map = new Map(section);
  const out = [];
  for (let n = 1; map.has(keyName + n); n++) {
    out.push({ name: map.get(keyName + n), value: map.get(valueName + n), lock: map.get('Locked' + n) });
  }
  return out;
}

const WM_KEYS = ['ApplyWMPrefs', 'UseMulticast', 'UseTCP', 'UseHTTP', 'UseUDP', 'UseDefaultBufferTime',
  'UseCustomUDPPort', 'CustomUDPPort', 'ProxyBypass_HTTP', 'ProxyPort_HTTP', 'ProxyStyle_HTTP', 'ProxyExclude_HTTP',
  'ProxyName_HTTP', 'ProxyBypass_RTSP', 'ProxyPort_RTSP', 'ProxyStyle_RTSP', 'ProxyExclude_RTSP', 'ProxyName_RTSP',
  'ProxyBypass_MMS', 'ProxyPort_MMS', 'ProxyStyle_MMS', 'ProxyExclude_MMS', 'ProxyName_MMS'];
const SETUP_KEYS = ['HomePage', 'InstallPath', 'InstallMode', 'StartupMode', 'DesktopShortcut', 'QuickLaunch',
  'StartMenu', 'RemoveMediaLibrary', 'RemoveFavorites', 'RemoveSkins', 'RemoveVisualizations'];
const FAVORITES_KEYS = ['FavoritesText1', 'FavoritesURL1', 'FavoritesText2', 'FavoritesURL2', 'FavoritesText3',
  'FavoritesURL3'];
const HELP_KEYS = ['HelpText1', 'HelpURL1', 'HelpText2', 'HelpURL2', 'HelpText3', 'HelpURL3'];

// Page-data entries from a configuration text, read the way the native side
// reads it (section and key names match without regard to case).
function entriesFromIni(text) {
  const sections = {};
  let current = null;
  for (const line of text.split('\r\n')) {
    const m = /^\[(.*)\]$/.exec(line);
    if (m) { current = m[1].toLowerCase(); sections[current] = sections[current] || {}; continue; }
    const eq = line.indexOf('=');
    if (current && eq > 0) {
      const key = line.slice(0, eq).toLowerCase();
      if (!(key in sections[current])) sections[current][key] = line.slice(eq + 1);
    }
  }
  const get = (s, k) => ((sections[s] || {})[k.toLowerCase()] ?? '');
  const int = (s, k, d) => { const v = get(s, k); return v === '' ? d : parseInt(v, 10) || 0; };
  const out = [['ApplyKXPrefs', get('kx_preferences', 'ApplyKXPrefs')]];
  for (const [section, count, name, value] of [['kx_preferences', 'PrefsCount', 'Key', 'Value'],
    ['datatypes', 'DatatypeCount', 'Datatype', 'Status']]) {
    for (let i = 1; i <= int(section, count, 0); i++) {
      if (get(section, name + i) !== '') out.push([get(section, name + i), get(section, value + i), int(section, 'Locked' + i, 0)]);
    }
  }
  for (const k of WM_KEYS) out.push([k, get('wm_preferences', k)]);
  if (get('wm_preferences', 'MaxBandwidth') !== '') out.push(['WM_MaxBandwidth', get('wm_preferences', 'MaxBandwidth')]);
  const buffer = int('wm_preferences', 'CustomBufferTime', -1);
  if (buffer !== -1) out.push(['CustomBufferTime', String(Math.trunc(buffer / 1000))]);
  out.push(['ApplyQTPrefs', get('qt_preferences', 'ApplyQTPrefs')], ['QuickTimeLocation', get('qt_preferences', 'QuickTimeLocation')]);
  for (const k of SETUP_KEYS) out.push([k, get('setup', k)]);
  for (const k of FAVORITES_KEYS) out.push([k, get('favorites', k)]);
  for (const k of HELP_KEYS) out.push([k, get('helpmenu', k)]);
  return out;
}

// The message shown beside a setting's control ('' when none), and the text a
// message about that setting starts with: its label.
async function shownError(page, name) {
  return page.evaluate((n) => {
    const elem = getElem('ERR_' + n);
    return elem && elem.style.display !== 'none' ? elem.textContent : '';
  }, name);
}

async function messageFor(page, name, rule) {
  const label = await page.evaluate((n) => settingLabel(findProp(n)), name);
  return `${label}: ${rule}`;
}

// Generates as the user does: the header's Generate button, then the summary's
// Generate button. The summary's text is returned.
async function generateThroughSummary(page) {
  await page.click('#generate');
  const summary = await page.textContent('#dialog');
  await page.click('#confirmGenerate');
  return summary;
}

// Every message shown beside a control, in page order.
async function shownErrors(page) {
  return page.evaluate(() => Array.prototype.slice.call(document.getElementsByClassName('error'))
    .filter((d) => d.style.display !== 'none').map((d) => d.textContent));
}

module.exports = {
  shownError, messageFor, shownErrors, generateThroughSummary,
  entriesFromIni, SITE, GENERATED, PLACEHOLDER, literal, pageData, makeSite, launch, openEditor, saveText, parseIni, records,
};
