// The browser build's site in Debian's Chromium, driven by real mouse and touch input, from a
// host that behaves as real ones do (it redirects /index.html to its folder, and its files carry
// an old release's date): a start whose program cannot be loaded, a first visit over a slow
// network with its progress, the menu drawn, a whole Letter Recognition game played by ear, a
// drag that answers nothing, Exit! opening the publisher's page, returning visits while the host
// fails the listing or a captive portal answers, a recording replaced on the server, and the site
// again with the network cut.
//   node site_test.mjs SITE_FOLDER PUBLISHER_ADDRESS
// What the page plays is learnt by wrapping fetch, decodeAudioData and
// AudioBufferSourceNode.start before the page's own scripts run.
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serve, launch, tapStart } from './browser.mjs';

const [site, publisher = 'https://wordmeadow.example/'] = process.argv.slice(2);
assert.ok(site, 'usage: node site_test.mjs SITE_FOLDER [PUBLISHER_ADDRESS]');

// Runs in the page before its scripts: which files are fetched, and which recording each
// started sound was decoded from ('alert' for a sound made in the page), its size, and the
// listings the page was given.
function listen() {
  const names = new WeakMap();
  const sizes = new WeakMap();
  const nameOf = (url) => decodeURIComponent(new URL(url, location.href).pathname.split('/').pop());
  window.fetched = [];
  window.heard = [];
  window.heardSizes = [];
  window.listings = [];
  const fetchReal = window.fetch;
  window.fetch = function (input, init) {
    const name = nameOf(typeof input === 'string' ? input : input.url);
    window.fetched.push(name);
    return fetchReal.call(this, input, init).then((response) => {
      if (name === 'listing.txt') response.clone().text().then((text) => window.listings.push(text));
      const bytes = response.arrayBuffer.bind(response);
      response.arrayBuffer = () => bytes().then((b) => {
        names.set(b, name);
        sizes.set(b, b.byteLength);
        return b;
      });
      return response;
    });
  };
  const decode = BaseAudioContext.prototype.decodeAudioData;
  BaseAudioContext.prototype.decodeAudioData = function (bytes, ...rest) {
    return decode.call(this, bytes, ...rest).then((buffer) => {
      names.set(buffer, names.get(bytes));
      sizes.set(buffer, sizes.get(bytes));
      return buffer;
    });
  };
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (...args) {
    window.heard.push(names.get(this.buffer) ?? 'alert');
    window.heardSizes.push(sizes.get(this.buffer) ?? 0);
    return start.apply(this, args);
  };
}

const tileCentre = (letter) => {
  const k = letter.charCodeAt(0) - 65;
  return { x: 24 + 32 * (k % 13) + 15, y: (k < 13 ? 216 : 256) + 13 };
};
const MENU_LETTER_RECOGNITION = { x: 233, y: 90 };
const MENU_EXIT = { x: 233, y: 284 };
const OVERLAY_EXIT = { x: 233, y: 252 };
const FEEDBACK = { x: 223, y: 125 };  // middle of the feedback spot

const scratch = mkdtempSync(join(tmpdir(), 'wordmeadow-site-test-'));
const extra = {};
const faults = { redirectIndex: true, lastModified: new Date('2001-09-01') };
const { server, address } = await serve(site, extra, faults);
const browser = await launch();

try {
  // A start whose program cannot be loaded says so on the start screen; its retry starts it
  // once the server answers again, and with no listing on the server the letters are those the
  // program was built with (in a profile of its own, so the visits below are first ones).
  const context = await browser.createBrowserContext();
  const failing = await context.newPage();
  await failing.evaluateOnNewDocument(listen);
  faults.status = { '/wordmeadow.wasm': 503, '/listing.txt': 404 };
  await failing.goto(address);
  await failing.waitForSelector('#failed', { visible: true });
  assert.ok(await failing.$eval('#start', (b) => b.hidden), 'no play picture when nothing can start');
  faults.status = { '/listing.txt': 404 };
  await Promise.all([failing.waitForNavigation(), failing.click('#failed button')]);
  await tapStart(failing);
  const menu = await (await failing.waitForSelector('canvas[data-window="Main"]', { visible: true })).boundingBox();
  await failing.mouse.click(menu.x + MENU_LETTER_RECOGNITION.x, menu.y + MENU_LETTER_RECOGNITION.y);
  await failing.waitForFunction(() => window.heard.some((name) => /^[A-Z]\.wav$/.test(name)), { timeout: 10000 });
  await context.close();
  faults.status = undefined;

  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  await page.evaluateOnNewDocument(listen);
  const heardSoFar = () => page.evaluate(() => window.heard.length);
  const nextHeard = async (count) => {
    await page.waitForFunction((n) => window.heard.length > n, { timeout: 10000 }, count);
    return page.evaluate(() => window.heard.at(-1));
  };
  const canvasOf = async (id) => page.waitForSelector(`canvas[data-window="${id}"]`, { visible: true });
  const at = async (id, p) => {
    const box = await (await canvasOf(id)).boundingBox();
    return { x: box.x + p.x, y: box.y + p.y };
  };
  const click = async (id, p) => {
    const { x, y } = await at(id, p);
    await page.mouse.click(x, y);
  };
  const pixel = (id, p) => page.$eval(`canvas[data-window="${id}"]`,
    (c, { x, y }) => [...c.getContext('2d').getImageData(x, y, 1, 1).data.slice(0, 3)], p);
  // The colour of a picture of the site at a point, as the browser decodes it.
  const pictureAt = (name, p) => page.evaluate(async (n, { x, y }) => {
    const img = new Image();
    img.src = `assets/${n}.bmp`;
    await img.decode();
    const c = new OffscreenCanvas(img.width, img.height).getContext('2d');
    c.drawImage(img, 0, 0);
    return [...c.getImageData(x, y, 1, 1).data.slice(0, 3)];
  }, name, p);
  const startScreenShown = () => page.$eval('#start', (b) => !b.hidden && b.textContent.trim() === '' &&
    b.querySelector('svg') !== null && document.querySelectorAll('.window').length === 0);
  const menuDrawn = async () => {
    for (const p of [{ x: 10, y: 10 }, { x: 470, y: 350 }, { x: 60, y: 200 }]) {
      assert.deepEqual(await pixel('Main', p), await pictureAt('main_background', p), `menu at ${p.x},${p.y}`);
    }
    assert.deepEqual(await pixel('Main', MENU_LETTER_RECOGNITION),
      await pictureAt('main_letter_recognition', { x: 113, y: 26 }), 'the Letter Recognition button');
  };

  // The start screen on a first visit over a slow network: one play picture, no words, no
  // window, and the progress of the program's files and the start's pictures as they arrive;
  // nothing said before the tap.
  faults.bytesPerSecond = 400000;
  await page.goto(address, { waitUntil: 'domcontentloaded' });
  assert.ok(await startScreenShown(), 'the start screen');
  const progress = () => page.$eval('#loading', (p) => (p.hidden ? null : p.value));
  await page.waitForFunction(() => {
    const p = document.getElementById('loading');
    return !p.hidden && p.value > 0 && p.value < 1;
  }, { timeout: 10000 });
  const early = await progress();
  if (process.env.WORDMEADOW_SCREENSHOT) {
    await page.screenshot({ path: process.env.WORDMEADOW_SCREENSHOT.replace(/\.png$/, '-loading.png') });
  }

  // The tap, made while the start still loads, leaves the progress up until the menu comes; the
  // menu's welcome is asked for and heard.
  assert.ok(!(await page.evaluate(() => window.fetched.includes('Welcome.wav'))));
  await tapStart(page);
  const late = await progress();
  assert.ok(late !== null && late >= early && late < 1, `progress after the tap: ${early}, ${late}`);
  await canvasOf('Main');
  faults.bytesPerSecond = 0;
  assert.equal(await progress(), null, 'no progress once the menu is up');
  assert.equal(await page.$eval('.window[data-window="Main"] h1', (h) => h.textContent), 'Wordmeadow');
  assert.equal(await nextHeard(0), 'Welcome.wav');
  await menuDrawn();
  const label = await page.$eval('canvas[data-window="Main"]', (c) => {
    const d = c.getContext('2d').getImageData(176, 48, 121, 25).data;
    let white = 0;
    for (let i = 0; i < d.length; i += 4) if (d[i] > 240 && d[i + 1] > 240 && d[i + 2] > 240) ++white;
    return white;
  });
  assert.ok(label > 50, `the label "Start A Activity" is drawn in white (${label} pixels)`);

  // Letter Recognition, played to its end by ear.
  let count = await heardSoFar();
  await click('Main', MENU_LETTER_RECOGNITION);
  await canvasOf('rec');
  let asked = await nextHeard(count);
  assert.match(asked, /^[A-Z]\.wav$/, 'a letter is asked as the activity opens');

  // A press on the asked tile dragged onto another answers nothing.
  const wrong = asked === 'A.wav' ? 'B' : 'A';
  const before = await pixel('rec', FEEDBACK);
  count = await heardSoFar();
  const from = await at('rec', tileCentre(asked[0]));
  const to = await at('rec', tileCentre(wrong));
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move(to.x, to.y, { steps: 5 });
  await page.mouse.up();
  await new Promise((resolve) => { setTimeout(resolve, 1000); });
  assert.equal(await heardSoFar(), count, 'the drag answers nothing');
  assert.deepEqual(await pixel('rec', FEEDBACK), before, 'the feedback stays');

  const order = [asked];
  for (let turn = 1; turn <= 26; ++turn) {
    count = await heardSoFar();
    await click('rec', tileCentre(asked[0]));
    asked = await nextHeard(count);
    if (turn === 26) break;
    assert.match(asked, /^[A-Z]\.wav$/, `turn ${turn} after ${order}`);
    assert.ok(!order.includes(asked), `${asked} asked twice: ${order}`);
    order.push(asked);
  }
  assert.equal(asked, 'Clap.WAV', 'the applause after the last letter');
  assert.deepEqual(await pixel('rec', { x: 10, y: 10 }), await pictureAt('rec_overlay', { x: 10, y: 10 }),
    'the congratulation screen');

  // Out of the activity, then Exit!: the publisher's page in a new browsing context, and the
  // start screen back once the last window is gone.
  await click('rec', OVERLAY_EXIT);
  await page.waitForSelector('canvas[data-window="rec"]', { hidden: true });
  const opened = browser.waitForTarget((t) => t.url().startsWith(publisher), { timeout: 10000 });
  await click('Main', MENU_EXIT);
  await (await (await opened).page())?.close();
  await page.bringToFront();
  await page.waitForSelector('#start', { visible: true });
  assert.ok(await startScreenShown(), 'the start screen after Exit!');

  // Returning visits: each a new start, from the service worker's copies of the page (which the
  // host answers with a redirect), the listing and the recordings, while the host fails the
  // listing or a captive portal answers every recording and the listing with its login page.
  // The first letter asked is the first visit's, as the listing is the same.
  await page.evaluate(() => navigator.serviceWorker.ready);
  const listing = readFileSync(join(site, 'listing.txt'), 'utf8');
  const visit = async () => {
    await page.reload();
    await tapStart(page);
    await canvasOf('Main');
    assert.equal(await nextHeard(0), 'Welcome.wav', 'the welcome');
    await click('Main', MENU_LETTER_RECOGNITION);
    await canvasOf('rec');
    return { letter: await nextHeard(1), size: await page.evaluate(() => window.heardSizes[1]) };
  };
  for (const fault of [{ status: { '/listing.txt': 503 } }, { status: { '/listing.txt': 404 } },
    { portal: /\.(wav|txt)$/i }]) {
    Object.assign(faults, { status: undefined, portal: undefined }, fault);
    const what = fault.status ? JSON.stringify(fault.status) : 'a captive portal';
    assert.equal((await visit()).letter, order[0], `the first letter, ${what}`);
    assert.deepEqual(await page.evaluate(() => window.listings), [listing], `the kept listing, ${what}`);
  }
  Object.assign(faults, { status: undefined, portal: undefined });

  // A recording replaced on the server under the same name and with the same old date: the kept
  // copy is refreshed behind the start after, and heard from the next one.
  const replaced = await visit();
  extra[`/${order[0]}`] = join(site, 'Clap.WAV');
  assert.equal((await visit()).size, replaced.size, 'the kept copy, while it is refreshed');
  assert.equal((await visit()).size, statSync(join(site, 'Clap.WAV')).size, 'the new recording');
  delete extra[`/${order[0]}`];

  // A new version: installed behind the running page only if every program file on the server
  // is the one it was built with (not while a release is half unpacked), and started by the next
  // page load, never under a running program.
  const nextVersion = (broken) => {
    let text = readFileSync(join(site, 'sw.js'), 'utf8').replace(/wordmeadow-[0-9a-f]{16}/, 'wordmeadow-next');
    if (broken) text = text.replace(/('page\/input\.js': ')[0-9a-f]+/, `$1${'0'.repeat(64)}`);
    const file = join(scratch, broken ? 'broken-sw.js' : 'sw.js');
    writeFileSync(file, text);
    return file;
  };
  const install = async (file) => {
    extra['/sw.js'] = file;
    return page.evaluate(async () => {
      const registration = await navigator.serviceWorker.getRegistration();
      await registration.update();
      const worker = registration.installing;
      await new Promise((resolve) => {
        const settled = () => ['installed', 'redundant'].includes(worker?.state ?? 'redundant') && resolve();
        worker?.addEventListener('statechange', settled);
        settled();
      });
      return { waiting: registration.waiting !== null, caches: (await caches.keys()).sort() };
    });
  };
  const [running] = (await page.evaluate(() => caches.keys())).filter((name) => /-[0-9a-f]{16}$/.test(name));
  assert.deepEqual(await install(nextVersion(true)),
    { waiting: false, caches: [running, 'wordmeadow-recordings'].sort() }, 'a half-unpacked release');
  assert.deepEqual(await install(nextVersion(false)),
    { waiting: true, caches: [running, 'wordmeadow-next', 'wordmeadow-recordings'].sort() }, 'a new release');
  count = await heardSoFar();
  await click('rec', tileCentre(order[0][0]));
  assert.equal(await nextHeard(count), order[1], 'the running program goes on');
  assert.equal((await visit()).letter, order[0], 'the new version starts');
  assert.deepEqual((await page.evaluate(() => caches.keys())).sort(), ['wordmeadow-next', 'wordmeadow-recordings']);

  // The network cut: the site comes from the service worker's cache, played by touch.
  server.close();
  server.closeAllConnections();
  await page.setOfflineMode(true);
  await page.setViewport({ width: 800, height: 600, hasTouch: true });
  await page.reload();
  assert.ok(await startScreenShown(), 'the start screen offline');
  await tapStart(page, true);
  await canvasOf('Main');
  assert.equal(await nextHeard(0), 'Welcome.wav', 'the welcome offline');
  await menuDrawn();
  count = await heardSoFar();
  const { x, y } = await at('Main', MENU_LETTER_RECOGNITION);
  await page.touchscreen.tap(x, y);
  await canvasOf('rec');
  assert.match(await nextHeard(count), /^[A-Z]\.wav$/, 'a letter asked offline');
  if (process.env.WORDMEADOW_SCREENSHOT) await page.screenshot({ path: process.env.WORDMEADOW_SCREENSHOT });
  console.log(`web site: ${order.length} letters matched, Exit! opened ${publisher}, offline reload worked`);
} finally {
  await browser.close();
  server.close();
  rmSync(scratch, { recursive: true, force: true });
}
