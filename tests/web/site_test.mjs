// The browser build's site in Debian's Chromium, driven by real mouse and touch input: the start
// screen, the menu drawn, a whole Letter Recognition game played by ear, a drag that answers
// nothing, Exit! opening the page about the program beside it in the site (or the publisher's
// page the build names), and the site again with the network cut, on a tablet: a double tap on
// the play picture, a resting palm, a cancelled touch, a window raised and dragged, a sound
// suspended by the system, and Exit! tapped.
// On the way the network misbehaves: a picture fails once, the Letter Recognition window's
// background is held back, and "try again" comes truncated.
//   node site_test.mjs SITE_FOLDER [PUBLISHER_ADDRESS]
// What the page plays is learnt by wrapping fetch, decodeAudioData and
// AudioBufferSourceNode.start before the page's own scripts run.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { serve, launch, tapStart } from './browser.mjs';

const [site, publisher = ''] = process.argv.slice(2);
assert.ok(site, 'usage: node site_test.mjs SITE_FOLDER [PUBLISHER_ADDRESS]');

// Runs in the page before its scripts: which files are fetched, which recording each started
// sound was decoded from ('alert' for a sound made in the page) and which windows were on the
// page as it started, and the page's audio contexts.
function listen() {
  const names = new WeakMap();
  const nameOf = (url) => decodeURIComponent(new URL(url, location.href).pathname.split('/').pop());
  window.fetched = [];
  window.heard = [];
  window.heardOver = [];
  window.contexts = [];
  const Context = window.AudioContext;
  window.AudioContext = class extends Context {
    constructor(...args) {
      super(...args);
      window.contexts.push(this);
    }
  };
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
    window.heardOver.push([...document.querySelectorAll('.window')].map((w) => w.dataset.window));
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
const pause = (ms) => new Promise((resolve) => { setTimeout(resolve, ms); });

try {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  await page.evaluateOnNewDocument(listen);
  // The network's faults: the menu's Letter Recognition picture fails once, the Letter
  // Recognition window's background is held back until released, "try again" comes cut in half.
  let failedOnce;
  const pictureFailed = new Promise((resolve) => { failedOnce = resolve; });
  let releaseBackground;
  const backgroundHeld = new Promise((resolve) => { releaseBackground = resolve; });
  const tryAgain = readFileSync(join(site, 'TryAgain.WAV'));
  await page.setBypassServiceWorker(true);  // the faults come from the network, not its cache
  await page.setRequestInterception(true);
  const faults = async (request) => {
    const path = new URL(request.url()).pathname;
    if (path.endsWith('/main_letter_recognition.png') && failedOnce) {
      failedOnce();
      failedOnce = null;
      await request.abort('failed');
    } else if (path.endsWith('/rec_background.png')) {
      await backgroundHeld;
      await request.continue();
    } else if (path.endsWith('/TryAgain.WAV')) {
      await request.respond({ status: 200, contentType: 'audio/wav', body: tryAgain.subarray(0, tryAgain.length >> 1) });
    } else {
      await request.continue();
    }
  };
  page.on('request', faults);
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

  // The start screen: one play picture, no words, no window; nothing said before the tap. The
  // start's pictures are asked for meanwhile, and one fails: the menu asks for it again.
  await page.goto(address);
  assert.ok(await startScreenShown(), 'the start screen');
  await pictureFailed;
  await pause(300);

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

  // Letter Recognition, played to its end by ear. Its window is slow to come (its background
  // held back): the first letter is heard once it is on screen, not before.
  let count = await heardSoFar();
  await click('Main', MENU_LETTER_RECOGNITION);
  await pause(1500);
  assert.equal(await heardSoFar(), count, 'no letter while its window loads');
  releaseBackground();
  await canvasOf('rec');
  let asked = await nextHeard(count);
  assert.match(asked, /^[A-Z]\.wav$/, 'a letter is asked as the activity opens');
  assert.ok((await page.evaluate(() => window.heardOver.at(-1))).includes('rec'), 'the letter comes with its window');

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

  // A wrong tile: "try again" came truncated, so the alert is heard instead of its first part.
  count = await heardSoFar();
  await click('rec', tileCentre(wrong));
  assert.equal(await nextHeard(count), 'alert', 'a truncated recording gives the alert');

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

  // Out of the activity, then Exit!: the page about the program in a new browsing context (or
  // the publisher's), and the start screen back once the last window is gone.
  await click('rec', OVERLAY_EXIT);
  await page.waitForSelector('canvas[data-window="rec"]', { hidden: true });
  const exitPage = publisher || new URL('about.html', page.url()).href;
  const opened = browser.waitForTarget((t) => t.url().startsWith(exitPage), { timeout: 10000 });
  await click('Main', MENU_EXIT);
  const about = await (await opened).page();
  if (!publisher) {
    await about.waitForFunction(() => document.title === 'About Wordmeadow', { timeout: 10000 });
  }
  await about?.close();
  await page.bringToFront();
  await page.waitForSelector('#start', { visible: true });
  assert.ok(await startScreenShown(), 'the start screen after Exit!');

  // The network cut: the site comes from the service worker's cache, played by touch on a
  // tablet.
  await page.evaluate(() => navigator.serviceWorker.ready);
  server.close();
  server.closeAllConnections();
  page.off('request', faults);
  await page.setRequestInterception(false);
  await page.setBypassServiceWorker(false);
  await page.setOfflineMode(true);
  await page.setViewport({ width: 768, height: 1024, hasTouch: true, isMobile: true });
  await page.reload();
  assert.ok(await startScreenShown(), 'the start screen offline');
  const tap = async (id, p) => {
    const { x, y } = await at(id, p);
    await page.touchscreen.tap(x, y);
  };
  // A double tap on the play picture, its second tap made 300 ms after the first (the time
  // the touch carries) once the menu is up under the finger: the menu's middle, Beginning
  // Sounds, is not opened, and the welcome is not cut off.
  const cdp = await page.createCDPSession();
  const touchAt = async ({ x, y }, seconds) => {
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x, y }], timestamp: seconds });
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [], timestamp: seconds + 0.05 });
  };
  await pause(1500);  // the program and the start's pictures loaded, as before a child's tap
  const play = await (await page.$('#start')).boundingBox();
  const middle = { x: play.x + play.width / 2, y: play.y + play.height / 2 };
  const firstTap = Date.now() / 1000;
  await touchAt(middle, firstTap);
  await canvasOf('Main');
  await touchAt(middle, firstTap + 0.3);
  await pause(800);
  assert.equal(await page.$('canvas[data-window="beginning"]'), null, 'no activity from a double tap');
  assert.deepEqual(await page.evaluate(() => window.heard), ['Welcome.wav'], 'the welcome offline, whole');
  await menuDrawn();
  count = await heardSoFar();
  await tap('Main', MENU_LETTER_RECOGNITION);
  await canvasOf('rec');
  asked = await nextHeard(count);
  assert.match(asked, /^[A-Z]\.wav$/, 'a letter asked offline');

  // A palm resting on a tile blocks no finger: the finger's tap answers, the palm's lift nothing.
  const palmOn = asked === 'A.wav' ? 'B' : 'A';
  count = await heardSoFar();
  let p = await at('rec', tileCentre(palmOn));
  const palm = await page.touchscreen.touchStart(p.x, p.y);
  p = await at('rec', tileCentre(asked[0]));
  const finger = await page.touchscreen.touchStart(p.x, p.y);
  await finger.end();
  asked = await nextHeard(count);
  assert.match(asked, /^[A-Z]\.wav$/, 'the finger answered beside the palm');
  count = await heardSoFar();
  await palm.end();
  await pause(600);
  assert.equal(await heardSoFar(), count, 'the palm lifted answers nothing');

  // A touch the system cancels answers nothing, and the next tap on the same spot counts.
  p = await at('rec', tileCentre(asked[0]));
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: p.x, y: p.y }] });
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchCancel', touchPoints: [] });
  await page.touchscreen.tap(p.x, p.y);
  asked = await nextHeard(count);
  assert.match(asked, /^[A-Z]\.wav$/, 'a tap after a cancelled touch');
  assert.equal(await heardSoFar(), count + 1, 'the cancelled touch answered nothing');

  // The system suspends the sound; the next touch, dragging the activity's title bar far past
  // the corner, resumes it, and the window stops at the viewport's edge.
  await page.evaluate(() => Promise.all(window.contexts.map((c) => c.suspend())));
  const boxOf = (id) => page.$eval(`.window[data-window="${id}"]`, (b) => b.getBoundingClientRect().toJSON());
  const bar = await (await page.$('.window[data-window="rec"] h1')).boundingBox();
  const grip = await page.touchscreen.touchStart(bar.x + 10, bar.y + bar.height / 2);
  await grip.move(bar.x + 1000, bar.y + 1000);
  await grip.end();
  await page.waitForFunction(() => window.contexts.every((c) => c.state === 'running'), { timeout: 5000 });
  const moved = await boxOf('rec');
  assert.ok(Math.abs(moved.right - 768) < 1 && Math.abs(moved.bottom - 1024) < 1,
    `the window dragged into the corner, inside the viewport: ${JSON.stringify(moved)}`);
  // A tap on the menu's uncovered corner brings it in front of the activity.
  const main = await boxOf('Main');
  const overlap = { x: (moved.left + main.right) / 2, y: (moved.top + main.bottom) / 2 };
  const inFront = () => page.evaluate(({ x, y }) => document.elementFromPoint(x, y).closest('.window').dataset.window, overlap);
  assert.equal(await inFront(), 'rec');
  await tap('Main', { x: 10, y: 10 });
  assert.equal(await inFront(), 'Main', 'the menu raised by a tap');
  if (process.env.WORDMEADOW_SCREENSHOT) await page.screenshot({ path: process.env.WORDMEADOW_SCREENSHOT });

  // Exit! tapped: the start screen comes back under the finger and stays until a new tap.
  count = await heardSoFar();
  await tap('Main', MENU_EXIT);
  await page.waitForSelector('#start', { visible: true });
  await pause(1000);
  assert.ok(await startScreenShown(), 'the start screen stays after Exit! tapped');
  assert.equal(await heardSoFar(), count, 'no welcome after Exit! tapped');

  // On an iPad in landscape, from a new start: the desk fills the screen, sharp, and a game is
  // played by taps (and one letter key).
  await page.setViewport({ width: 1024, height: 768, deviceScaleFactor: 2, hasTouch: true, isMobile: true });
  await page.reload();
  await page.bringToFront();
  await pause(1000);
  await tapStart(page, true);
  await canvasOf('Main');
  count = await heardSoFar();
  await tap('Main', MENU_LETTER_RECOGNITION);
  await canvasOf('rec');
  asked = await nextHeard(count);
  assert.match(asked, /^[A-Z]\.wav$/, 'a letter asked on the iPad');
  // The desk as large as fits its largest window, the menu behind the activity.
  const fitted = await page.evaluate(() => {
    const r = document.querySelector('.window[data-window="Main"]').getBoundingClientRect();
    const c = document.querySelector('canvas[data-window="rec"]');
    const shown = c.getBoundingClientRect();
    return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, tile: 30 * shown.width / c.offsetWidth,
      store: [c.width, c.height], css: [shown.width, shown.height] };
  });
  assert.ok(fitted.left >= -0.5 && fitted.top >= -0.5 && fitted.right <= 1024.5 && fitted.bottom <= 768.5 &&
    (fitted.right - fitted.left > 1022 || fitted.bottom - fitted.top > 766), `fills the viewport: ${JSON.stringify(fitted)}`);
  assert.ok(fitted.tile >= 44, `tiles ${fitted.tile} CSS pixels wide`);
  fitted.store.forEach((pixels, i) => assert.ok(Math.abs(pixels - 2 * fitted.css[i]) <= 1,
    `backing store ${fitted.store} for ${fitted.css} CSS pixels`));
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
  console.log(`web site: ${order.length} letters matched, Exit! opened ${exitPage}, offline reload and touch worked, ` +
    `a game by taps on an iPad-sized screen (tiles ${fitted.tile.toFixed(1)} px)`);
} finally {
  await browser.close();
  server.close();
}
