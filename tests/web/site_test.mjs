// The browser build's site in Debian's Chromium, driven by real mouse and touch input: the start
// screen, the menu drawn, a whole Letter Recognition game played by ear, a drag that answers
// nothing, Exit! opening the publisher's page, and the site again with the network cut.
//   node site_test.mjs SITE_FOLDER PUBLISHER_ADDRESS
// What the page plays is learnt by wrapping fetch, decodeAudioData and
// AudioBufferSourceNode.start before the page's own scripts run.
import assert from 'node:assert/strict';
import { serve, launch, tapStart } from './browser.mjs';

const [site, publisher = 'https://wordmeadow.example/'] = process.argv.slice(2);
assert.ok(site, 'usage: node site_test.mjs SITE_FOLDER [PUBLISHER_ADDRESS]');

// Runs in the page before its scripts: which files are fetched, and which recording each
// started sound was decoded from ('alert' for a sound made in the page).
function listen() {
  const names = new WeakMap();
  const nameOf = (url) => decodeURIComponent(new URL(url, location.href).pathname.split('/').pop());
  window.fetched = [];
  window.heard = [];
  const fetchReal = window.fetch;
  window.fetch = function (input, init) {
    const name = nameOf(typeof input === 'string' ? input : input.url);
    window.fetched.push(name);
    return fetchReal.call(this, input, init).then((response) => {
      const bytes = response.arrayBuffer.bind(response);
      response.arrayBuffer = () => bytes().then((b) => { names.set(b, name); return b; });
      return response;
    });
  };
  const decode = BaseAudioContext.prototype.decodeAudioData;
  BaseAudioContext.prototype.decodeAudioData = function (bytes, ...rest) {
    return decode.call(this, bytes, ...rest).then((buffer) => {
      names.set(buffer, names.get(bytes));
      return buffer;
    });
  };
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (...args) {
    window.heard.push(names.get(this.buffer) ?? 'alert');
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

const { server, address } = await serve(site);
const browser = await launch();

try {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  await page.evaluateOnNewDocument(listen);
  const heardSoFar = () => page.evaluate(() => window.heard.length);
  const nextHeard = async (count) => {
    await page.waitForFunction((n) => window.heard.length > n, { timeout: 10000 }, count);
    return page.evaluate(() => window.heard.at(-1));
  };
  const canvasOf = async (id) => page.waitForSelector(`canvas[data-window="${id}"]`, { visible: true });
  // A client unit's middle on the page, and in the canvas's backing store: the desk is scaled
  // to the viewport, and the backing store has a pixel for each device pixel.
  const at = async (id, p) => {
    const canvas = await canvasOf(id);
    const box = await canvas.boundingBox();
    const units = await canvas.evaluate((c) => c.offsetWidth);
    const s = box.width / units;
    return { x: box.x + (p.x + 0.5) * s, y: box.y + (p.y + 0.5) * s };
  };
  const click = async (id, p) => {
    const { x, y } = await at(id, p);
    await page.mouse.click(x, y);
  };
  const pixel = (id, p) => page.$eval(`canvas[data-window="${id}"]`, (c, { x, y }) => {
    const k = c.width / c.offsetWidth;
    return [...c.getContext('2d').getImageData(Math.floor((x + 0.5) * k),
      Math.floor((y + 0.5) * k), 1, 1).data.slice(0, 3)];
  }, p);
  // The colour of a picture of the site at a client unit's middle, as the browser decodes it
  // (the site's pictures have two pixels a unit).
  const pictureAt = (name, p) => page.evaluate(async (n, { x, y }) => {
    const img = new Image();
    img.src = `assets/2x/${n}.png`;
    await img.decode();
    const c = new OffscreenCanvas(img.width, img.height).getContext('2d');
    c.drawImage(img, 0, 0);
    return [...c.getImageData(2 * x + 1, 2 * y + 1, 1, 1).data.slice(0, 3)];
  }, name, p);
  // Scaled smoothly, a picture's colour in a smooth part is its own within a few levels.
  const assertNear = (seen, expected, what) => assert.ok(
    seen.every((v, i) => Math.abs(v - expected[i]) <= 8), `${what}: ${seen} for ${expected}`);
  const startScreenShown = () => page.$eval('#start', (b) => !b.hidden && b.textContent.trim() === '' &&
    b.querySelector('svg') !== null && document.querySelectorAll('.window').length === 0);
  const menuDrawn = async () => {
    for (const p of [{ x: 10, y: 10 }, { x: 470, y: 350 }, { x: 60, y: 200 }]) {
      assertNear(await pixel('Main', p), await pictureAt('main_background', p), `menu at ${p.x},${p.y}`);
    }
    assertNear(await pixel('Main', MENU_LETTER_RECOGNITION),
      await pictureAt('main_letter_recognition', { x: 113, y: 26 }), 'the Letter Recognition button');
  };

  // The start screen: one play picture, no words, no window; nothing said before the tap.
  await page.goto(address);
  assert.ok(await startScreenShown(), 'the start screen');

  // The tap loads the menu, whose welcome is asked for and heard.
  assert.ok(!(await page.evaluate(() => window.fetched.includes('Welcome.wav'))));
  await tapStart(page);
  await canvasOf('Main');
  assert.equal(await page.$eval('.window[data-window="Main"] h1', (h) => h.textContent), 'Wordmeadow');
  assert.equal(await nextHeard(0), 'Welcome.wav');
  await menuDrawn();
  const label = await page.$eval('canvas[data-window="Main"]', (c) => {
    const k = c.width / c.offsetWidth;
    const d = c.getContext('2d').getImageData(176 * k, 48 * k, 121 * k, 25 * k).data;
    let white = 0;
    for (let i = 0; i < d.length; i += 4) if (d[i] > 240 && d[i + 1] > 240 && d[i + 2] > 240) ++white;
    return white;
  });
  assert.ok(label > 50, `the label "Start A Activity" is drawn in white (${label} pixels)`);

  // Full screen by the title bar's box, and F11 to leave it.
  await page.click('.window[data-window="Main"] .full');
  await page.waitForFunction(() => document.fullscreenElement !== null, { timeout: 5000 });
  await page.keyboard.press('F11');
  await page.waitForFunction(() => document.fullscreenElement === null, { timeout: 5000 });

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
  assertNear(await pixel('rec', { x: 10, y: 10 }), await pictureAt('rec_overlay', { x: 10, y: 10 }),
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

  // The network cut, on an iPad in landscape: the site comes from the service worker's cache,
  // fills the screen, and is played by taps (and one letter key).
  await page.evaluate(() => navigator.serviceWorker.ready);
  server.close();
  server.closeAllConnections();
  await page.setOfflineMode(true);
  await page.setViewport({ width: 1024, height: 768, deviceScaleFactor: 2, hasTouch: true });
  await page.reload();
  assert.ok(await startScreenShown(), 'the start screen offline');
  await tapStart(page, true);
  await canvasOf('Main');
  assert.equal(await nextHeard(0), 'Welcome.wav', 'the welcome offline');
  await menuDrawn();
  const tap = async (id, p) => {
    const { x, y } = await at(id, p);
    await page.touchscreen.tap(x, y);
  };
  count = await heardSoFar();
  await tap('Main', MENU_LETTER_RECOGNITION);
  await canvasOf('rec');
  asked = await nextHeard(count);
  assert.match(asked, /^[A-Z]\.wav$/, 'a letter asked offline');
  // The desk as large as fits its largest window, the menu behind the activity.
  const fitted = await page.evaluate(() => {
    const r = document.querySelector('.window[data-window="Main"]').getBoundingClientRect();
    const c = document.querySelector('canvas[data-window="rec"]');
    const shown = c.getBoundingClientRect();
    return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, tile: 30 * shown.width / c.offsetWidth,
      store: [c.width, c.height], css: [shown.width, shown.height], corner: [shown.left, shown.top] };
  });
  assert.ok(fitted.left >= -0.5 && fitted.top >= -0.5 && fitted.right <= 1024.5 && fitted.bottom <= 768.5 &&
    (fitted.right - fitted.left > 1022 || fitted.bottom - fitted.top > 766), `fills the viewport: ${JSON.stringify(fitted)}`);
  assert.ok(fitted.tile >= 44, `tiles ${fitted.tile} CSS pixels wide`);
  fitted.store.forEach((pixels, i) => assert.ok(Math.abs(pixels - 2 * fitted.css[i]) <= 1,
    `backing store ${fitted.store} for ${fitted.css} CSS pixels`));
  // Within the page layout's own rounding (a 64th of a pixel, and the scale applied after it).
  fitted.corner.forEach((at) => assert.ok(Math.abs(2 * at - Math.round(2 * at)) < 0.1,
    `the canvas at ${fitted.corner}, on whole device pixels`));
  if (process.env.WORDMEADOW_SCREENSHOT) await page.screenshot({ path: process.env.WORDMEADOW_SCREENSHOT });
  count = await heardSoFar();
  await page.keyboard.press(asked[0].toLowerCase());
  await page.waitForFunction((n) => window.heard.slice(n).some((h) => /^[A-Z]\.wav$/.test(h)),
    { timeout: 10000 }, count);
  // Right: the next letter is asked (the cue cut short by it).
  const answer = await page.evaluate((n) => window.heard.slice(n), count);
  assert.ok(!answer.includes('TryAgain.WAV') && answer.at(-1) !== asked, `the asked letter's key: ${answer}`);
  asked = answer.at(-1);
  for (let turn = 2; turn <= 26; ++turn) {
    count = await heardSoFar();
    await tap('rec', tileCentre(asked[0]));
    asked = await nextHeard(count);
  }
  assert.equal(asked, 'Clap.WAV', 'the applause after a game by taps');
  console.log(`web site: ${order.length} letters matched, Exit! opened ${publisher}, offline reload ` +
    `worked, a game by taps on an iPad-sized screen (tiles ${fitted.tile.toFixed(1)} px)`);
} finally {
  await browser.close();
  server.close();
}
