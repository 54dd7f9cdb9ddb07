// The browser build's site in Debian's Chromium, driven by real mouse and touch input, from a
// host that behaves as real ones do (it redirects /index.html to its folder, and its files carry
// an old release's date): a start whose program cannot be loaded, a first visit over a slow
// network with its progress, the menu drawn, a whole Letter Recognition game played by ear, a
// drag that answers nothing, Exit! opening the page about the program beside it in the site (or
// the publisher's page the build names), returning visits while the host fails the listing or a
// captive portal answers, a recording replaced on the server, and the site again with the network
// cut, on a tablet: a double tap on the play picture, a resting palm, a cancelled touch, a window
// raised and dragged, a sound suspended by the system, and Exit! tapped.
// On the way the network misbehaves: a picture fails once, the Letter Recognition window's
// background is held back, and "try again" comes truncated. Then a grown-up records a word from
// the start screen's link, through Chromium's fake microphone, and Beginning Sounds says it in
// that voice, after a reload and offline too.
//   node site_test.mjs SITE_FOLDER [PUBLISHER_ADDRESS]
// What the page plays is learnt by wrapping fetch, decodeAudioData and
// AudioBufferSourceNode.start before the page's own scripts run.
import assert from 'node:assert/strict';
import { existsSync, mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serve, launch, tapStart } from './browser.mjs';

const [site, publisher = ''] = process.argv.slice(2);
assert.ok(site, 'usage: node site_test.mjs SITE_FOLDER [PUBLISHER_ADDRESS]');

// Runs in the page before its scripts: which files are fetched, which recording each started
// sound was decoded from ('alert' for a sound made in the page), its size, which windows were on
// the page as it started, the listings the page was given, and the page's audio contexts.
function listen(wordTone) {
  const names = new WeakMap();
  const sizes = new WeakMap();
  const nameOf = (url) => decodeURIComponent(new URL(url, location.href).pathname.split('/').pop());
  window.fetched = [];
  window.heard = [];
  window.heardOver = [];
  window.heardSizes = [];
  window.listings = [];
  window.contexts = [];
  window.heardTones = [];
  window.microphones = [];
  window.ownUndecoded = 0;
  window.texts = [];  // every label's lines, as drawn
  window.persistAsked = 0;
  const fillText = CanvasRenderingContext2D.prototype.fillText;
  CanvasRenderingContext2D.prototype.fillText = function (text, ...rest) {
    window.texts.push(text);
    return fillText.call(this, text, ...rest);
  };
  const persist = StorageManager.prototype.persist;
  StorageManager.prototype.persist = function () {
    window.persistAsked += 1;
    return persist.call(this);
  };
  // How much of a sound is the recorded word's tone: its share of the sound's time when the
  // tone is all there is (2/3 for the take trimmed around it), near 0 for speech.
  const toneShare = (buffer) => {
    const x = buffer.getChannelData(0);
    const w = 2 * Math.PI * wordTone / buffer.sampleRate;
    let re = 0;
    let im = 0;
    let energy = 0;
    for (let i = 0; i < x.length; ++i) {
      re += x[i] * Math.cos(w * i);
      im += x[i] * Math.sin(w * i);
      energy += x[i] * x[i];
    }
    return energy > 0 ? (re * re + im * im) / (energy * x.length / 2) : 0;
  };
  const getUserMedia = MediaDevices.prototype.getUserMedia;
  MediaDevices.prototype.getUserMedia = function (constraints) {
    return getUserMedia.call(this, constraints).then((stream) => {
      window.microphones.push({ constraints, stream });
      return stream;
    });
  };
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
      // Bytes not fetched are the user's own recording, handed over by the program.
      names.set(buffer, names.get(bytes) ?? 'own');
      sizes.set(buffer, sizes.get(bytes));
      return buffer;
    }, (error) => {
      if (!names.has(bytes)) window.ownUndecoded += 1;
      throw error;
    });
  };
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (...args) {
    window.heard.push(names.get(this.buffer) ?? 'alert');
    window.heardOver.push([...document.querySelectorAll('.window')].map((w) => w.dataset.window));
    window.heardSizes.push(sizes.get(this.buffer) ?? 0);
    window.heardTones.push(toneShare(this.buffer));
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

// The word a grown-up says into the fake microphone: a tone burst with a sharp onset, in a quiet
// room (noise at -60 dBFS), as 16-bit mono at 48 kHz; the microphone gives silence after it.
const WORD_TONE = 1000;
function wordWav() {
  const rate = 48000;
  const seconds = [0.6, 0.45, 2.5];  // the room, the word, the room
  const total = Math.round(rate * seconds.reduce((a, b) => a + b));
  const data = Buffer.alloc(2 * total);
  let seed = 1;
  const noise = () => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return (seed / 2147483648 - 0.5) * 2 * 32768 * 10 ** (-60 / 20) * Math.sqrt(3);
  };
  const begin = Math.round(rate * seconds[0]);
  const end = begin + Math.round(rate * seconds[1]);
  for (let i = 0; i < total; ++i) {
    const fade = Math.min(1, (i - begin) / (0.005 * rate), (end - i) / (0.01 * rate));
    const tone = i >= begin && i < end ? 32768 * 10 ** (-18 / 20) * fade * Math.sin(2 * Math.PI * WORD_TONE * (i - begin) / rate) : 0;
    data.writeInt16LE(Math.max(-32768, Math.min(32767, Math.round(tone + noise()))), 2 * i);
  }
  const header = Buffer.alloc(44);
  header.write('RIFF', 0);
  header.writeUInt32LE(36 + data.length, 4);
  header.write('WAVEfmt ', 8);
  header.writeUInt32LE(16, 16);
  header.writeUInt16LE(1, 20);  // PCM
  header.writeUInt16LE(1, 22);  // mono
  header.writeUInt32LE(rate, 24);
  header.writeUInt32LE(2 * rate, 28);
  header.writeUInt16LE(2, 32);
  header.writeUInt16LE(16, 34);
  header.write('data', 36);
  header.writeUInt32LE(data.length, 40);
  return Buffer.concat([header, data]);
}

// The colour of a picture of the site at a client unit's middle, as the browser decodes it
// (the site's pictures have two pixels a unit).
const pictureOn = (page, name, p) => page.evaluate(async (n, { x, y }) => {
  const img = new Image();
  img.src = `assets/2x/${n}.png`;
  await img.decode();
  const c = new OffscreenCanvas(img.width, img.height).getContext('2d');
  c.drawImage(img, 0, 0);
  return [...c.getImageData(2 * x + 1, 2 * y + 1, 1, 1).data.slice(0, 3)];
}, name, p);

// The colour a window's canvas shows at a client unit's middle: its backing store has a pixel
// for each device pixel.
const pixelOn = (page, id, p) => page.$eval(`canvas[data-window="${id}"]`, (c, { x, y }) => {
  const k = c.width / c.offsetWidth;
  return [...c.getContext('2d').getImageData(Math.floor((x + 0.5) * k),
    Math.floor((y + 0.5) * k), 1, 1).data.slice(0, 3)];
}, p);

// Waits for what the page comes to by itself.
async function eventually(condition, what, timeout = 5000) {
  const end = Date.now() + timeout;
  while (!(await condition())) {
    if (Date.now() > end) assert.fail(`${what}: not within ${timeout} ms`);
    await new Promise((resolve) => { setTimeout(resolve, 50); });
  }
}

// Scaled smoothly, a picture's colour in a smooth part is its own within a few levels.
const near = (seen, expected) => seen.every((v, i) => Math.abs(v - expected[i]) <= 8);
const assertNear = (seen, expected, what) => assert.ok(near(seen, expected),
  `${what}: ${seen} for ${expected}`);

// What the page has played, and its windows' canvases clicked at points in their client area.
function helpers(page) {
  const heardSoFar = () => page.evaluate(() => window.heard.length);
  const nextHeard = async (count, timeout = 10000) => {
    await page.waitForFunction((n) => window.heard.length > n, { timeout }, count);
    return page.evaluate(() => window.heard.at(-1));
  };
  const canvasOf = async (id) => page.waitForSelector(`canvas[data-window="${id}"]`, { visible: true });
  // A client unit's middle on the page: the desk is scaled to the viewport.
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
  // A new start: the welcome, then the menu's activity at that point, and what it says first.
  const startActivity = async (point, id) => {
    await tapStart(page);
    await canvasOf('Main');
    assert.equal(await nextHeard(0), 'Welcome.wav', 'the welcome');
    await click('Main', point);
    await canvasOf(id);
    return nextHeard(1);
  };
  return { heardSoFar, nextHeard, canvasOf, at, click, startActivity };
}

const MENU_BEGINNING_SOUNDS = { x: 233, y: 164 };
const RECORDER_BUTTON = { x: 404, y: 310 };  // Record, Stop and Keep, one at a time
const SAVE_VOICE = { x: 556, y: 310 };
const LOAD_VOICE = { x: 556, y: 358 };
const RECORDER_CELLS = 6;  // a row
const recorderCell = (k) => ({ x: 16 + 102 * (k % RECORDER_CELLS) + 49, y: 36 + 27 * Math.floor(k / RECORDER_CELLS) + 12 });
// The recorder lists the welcome, three cues and the letters, then the words, in the order of
// the site's listing.
const recorderWord = (name) => 30 + readFileSync(join(site, 'listing.txt'), 'utf8').split('\n')
  .filter((line) => line.startsWith('words/')).indexOf(`words/${name}`);

// A grown-up records the first word Beginning Sounds asks, in a profile and from a server of
// their own (so that its storage starts empty and it can be cut off alone): from the start
// screen's link, the recorder; the word chosen, Record, and the fake microphone's word is heard
// back at once, the microphone let go; Keep, and it is in the site's storage. Beginning Sounds
// then says it in that voice, after a reload and with the network cut, while a recording of
// theirs that cannot be decoded gives way to the program's. Resolves to the word.
async function recordAWord() {
  const { server: own, address: ownAddress } = await serve(site);
  const context = await browser.createBrowserContext();
  await context.overridePermissions(ownAddress, ['microphone']);
  const page = await context.newPage();
  await page.setViewport({ width: 800, height: 600 });
  await page.evaluateOnNewDocument(listen, WORD_TONE);
  const { heardSoFar, nextHeard, canvasOf, click, startActivity } = helpers(page);
  const firstWord = async () => ({
    name: await startActivity(MENU_BEGINNING_SOUNDS, 'beginning'),
    tone: await page.evaluate(() => window.heardTones[1]),
  });
  await page.goto(ownAddress);
  const asked = await firstWord();
  assert.match(asked.name, /\.wav$/, 'Beginning Sounds asks a word');
  assert.ok(asked.tone < 0.2, `the program's voice is no tone (${asked.tone})`);

  await page.reload();
  await (await page.waitForSelector('#recorder', { visible: true })).click();
  await canvasOf('voices');
  await click('voices', recorderCell(recorderWord(asked.name)));
  const count = await heardSoFar();
  await click('voices', RECORDER_BUTTON);
  // The take ends by itself after the word, and is heard back.
  assert.equal(await nextHeard(count, 20000), 'own', 'the take heard back');
  const take = await page.evaluate(() => ({
    tone: window.heardTones.at(-1),
    constraints: window.microphones.map((m) => m.constraints.audio),
    open: window.microphones.flatMap((m) => m.stream.getTracks()).filter((t) => t.readyState !== 'ended').length,
  }));
  assert.ok(take.tone > 0.4, `the take is the word said (${take.tone})`);
  assert.ok(take.constraints.length > 0 && take.constraints.every((c) => c.echoCancellation === false &&
    c.noiseSuppression === false && c.autoGainControl === false), JSON.stringify(take.constraints));
  assert.equal(take.open, 0, 'the microphone let go after the take');
  if (process.env.WORDMEADOW_SCREENSHOT) {
    await page.screenshot({ path: process.env.WORDMEADOW_SCREENSHOT.replace(/\.png$/, '-recorder.png') });
  }
  await click('voices', RECORDER_BUTTON);  // Keep
  const kept = `/voice/words/${asked.name}`;
  const stored = () => page.evaluate(() => new Promise((resolve) => {
    const request = indexedDB.open('/voice');
    request.onsuccess = () => {
      const keys = request.result.transaction('FILE_DATA').objectStore('FILE_DATA').getAllKeys();
      keys.onsuccess = () => resolve(keys.result);
    };
    request.onerror = () => resolve([]);
  }));
  for (let tries = 0; !(await stored()).includes(kept); ++tries) {
    assert.ok(tries < 50, `${kept} kept in the site's storage: ${await stored()}`);
    await pause(100);
  }
  assert.equal(await page.evaluate(() => window.persistAsked), 1, 'the storage asked to persist once kept');

  // Without a secure context, or with the microphone refused, Record says what to do.
  const saidOn = (p, words) => p.waitForFunction((w) => window.texts.join(' ').includes(w), { timeout: 10000 }, words);
  const another = await browser.createBrowserContext();
  await another.overridePermissions(ownAddress, []);
  const insecure = await another.newPage();
  await insecure.evaluateOnNewDocument(listen, WORD_TONE);
  await insecure.goto(ownAddress.replace('127.0.0.1', 'wordmeadow.test'));
  await (await insecure.waitForSelector('#recorder', { visible: true })).click();
  await helpers(insecure).click('voices', RECORDER_BUTTON);
  await saidOn(insecure, 'Recording needs a secure address: open this site over https:// (or localhost).');
  await insecure.close();

  // "Save my voice to a file" gives a download, which "Load a voice from a file" takes in, in a
  // profile of its own: a first chooser cancelled, a file that is none dropped, the next chooser
  // answered; Beginning Sounds then says the word in that voice there too.
  const downloads = join(scratch, 'downloads');
  const cdp = await browser.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads, browserContextId: context.id });
  await click('voices', SAVE_VOICE);
  const voiceFile = join(downloads, 'wordmeadow-voice.zip');
  for (let tries = 0; !existsSync(voiceFile); ++tries) {
    assert.ok(tries < 50, 'the voice file downloaded');
    await pause(100);
  }
  const elsewhere = await another.newPage();
  await elsewhere.setViewport({ width: 800, height: 600 });
  await elsewhere.evaluateOnNewDocument(listen, WORD_TONE);
  await elsewhere.goto(ownAddress);
  await (await elsewhere.waitForSelector('#recorder', { visible: true })).click();
  const there = helpers(elsewhere);
  await there.canvasOf('voices');
  const chooseVoiceFile = async (answer) => {
    // Puppeteer starts catching choosers a moment after it is asked to.
    const chooser = elsewhere.waitForFileChooser({ timeout: 5000 });
    await pause(300);
    await there.click('voices', LOAD_VOICE);
    await answer(await chooser);
  };
  await chooseVoiceFile((chooser) => chooser.cancel());
  // A file that is no voice file, dropped onto the recorder, changes nothing and says so.
  await elsewhere.$eval('canvas[data-window="voices"]', (canvas, base64) => {
    const files = new DataTransfer();
    files.items.add(new File([Uint8Array.from(atob(base64), (c) => c.charCodeAt(0))], 'not-a-voice.zip'));
    canvas.dispatchEvent(new DragEvent('drop', { dataTransfer: files, bubbles: true, cancelable: true }));
  }, readFileSync(word).toString('base64'));
  await saidOn(elsewhere, 'Nothing was changed.');
  await chooseVoiceFile((chooser) => chooser.accept([voiceFile]));
  const cell = recorderCell(recorderWord(asked.name));
  const ownCell = await pictureOn(elsewhere, 'voice_cell_own', { x: 2, y: 12 });
  await eventually(async () => near(await pixelOn(elsewhere, 'voices', { x: cell.x - 47, y: cell.y }), ownCell),
    'the loaded word marked as the user\'s');
  await there.click('voices', RECORDER_BUTTON);
  await saidOn(elsewhere, 'Allow the microphone for this site in the browser\'s settings, then press Record again.');
  await elsewhere.click('.window[data-window="voices"] .close');
  const loaded = { name: await there.startActivity(MENU_BEGINNING_SOUNDS, 'beginning'), tone: await elsewhere.evaluate(() => window.heardTones[1]) };
  assert.ok(loaded.name === 'own' && loaded.tone > 0.4, `the loaded voice says ${asked.name}: ${JSON.stringify(loaded)}`);
  await another.close();

  // A welcome of theirs that no browser decodes (whole, but in no format there is), put in the
  // storage beside it.
  await page.evaluate(() => new Promise((resolve, reject) => {
    const bytes = new Uint8Array(44);
    const text = (at, t) => [...t].forEach((c, i) => { bytes[at + i] = c.charCodeAt(0); });
    const view = new DataView(bytes.buffer);
    text(0, 'RIFF');
    view.setUint32(4, 36, true);
    text(8, 'WAVEfmt ');
    view.setUint32(16, 16, true);
    view.setUint16(20, 0x7777, true);
    text(36, 'data');
    const request = indexedDB.open('/voice');
    request.onsuccess = () => {
      const transaction = request.result.transaction('FILE_DATA', 'readwrite');
      transaction.objectStore('FILE_DATA').put({ timestamp: new Date(), mode: 0o100644, contents: bytes },
        '/voice/Welcome.wav');
      transaction.oncomplete = resolve;
      transaction.onerror = reject;
    };
  }));

  // Beginning Sounds, started afresh, says the word in the grown-up's voice; the welcome is
  // the program's.
  await page.reload();
  let heard = await firstWord();
  assert.equal(heard.name, 'own', `Beginning Sounds says ${asked.name} in the recorded voice`);
  assert.equal(await page.evaluate(() => window.ownUndecoded), 1, 'the welcome of theirs was tried first');
  assert.ok(heard.tone > 0.4, `the recorded word (${heard.tone})`);
  await page.evaluate(() => navigator.serviceWorker.ready);

  // And so it does with the network cut.
  own.close();
  own.closeAllConnections();
  await page.setOfflineMode(true);
  await page.reload();
  heard = await firstWord();
  assert.equal(heard.name, 'own', 'the recorded word offline');
  await context.close();
  return asked.name.replace(/\.wav$/, '');
}

const scratch = mkdtempSync(join(tmpdir(), 'wordmeadow-site-test-'));
const extra = {};
const faults = { redirectIndex: true, lastModified: new Date('2001-09-01') };
const { server, address } = await serve(site, extra, faults);
const word = join(scratch, 'word.wav');
writeFileSync(word, wordWav());
// wordmeadow.test is this machine, under a name that is no secure context over http.
const browser = await launch(['--use-fake-device-for-media-stream',
  `--use-file-for-fake-audio-capture=${word}%noloop`, '--host-resolver-rules=MAP wordmeadow.test 127.0.0.1']);
const pause = (ms) => new Promise((resolve) => { setTimeout(resolve, ms); });

try {
  // A start whose program cannot be loaded says so on the start screen; its retry starts it
  // once the server answers again, and with no listing on the server the letters are those the
  // program was built with (in a profile of its own, so the visits below are first ones).
  const context = await browser.createBrowserContext();
  const failing = await context.newPage();
  await failing.evaluateOnNewDocument(listen, WORD_TONE);
  faults.status = { '/wordmeadow.wasm': 503, '/listing.txt': 404 };
  await failing.goto(address);
  await failing.waitForSelector('#failed', { visible: true });
  assert.ok(await failing.$eval('#start', (b) => b.hidden), 'no play picture when nothing can start');
  faults.status = { '/listing.txt': 404 };
  await Promise.all([failing.waitForNavigation(), failing.click('#failed button')]);
  await tapStart(failing);
  const onFailing = helpers(failing);
  await onFailing.canvasOf('Main');
  await onFailing.click('Main', MENU_LETTER_RECOGNITION);
  await failing.waitForFunction(() => window.heard.some((name) => /^[A-Z]\.wav$/.test(name)), { timeout: 10000 });
  await context.close();
  faults.status = undefined;

  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  await page.evaluateOnNewDocument(listen, WORD_TONE);
  // The network's faults: the menu's Letter Recognition picture fails once, the Letter
  // Recognition window's background is held back until released, "try again" comes cut in half.
  let failedOnce;
  const pictureFailed = new Promise((resolve) => { failedOnce = resolve; });
  let releaseBackground;
  const backgroundHeld = new Promise((resolve) => { releaseBackground = resolve; });
  const tryAgain = readFileSync(join(site, 'TryAgain.WAV'));
  await page.setBypassServiceWorker(true);  // the faults come from the network, not its cache
  await page.setRequestInterception(true);
  const networkFaults = async (request) => {
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
  page.on('request', networkFaults);
  const { heardSoFar, nextHeard, canvasOf, at, click, startActivity } = helpers(page);
  const pixel = (id, p) => pixelOn(page, id, p);
  const pictureAt = (name, p) => pictureOn(page, name, p);
  const startScreenShown = () => page.$eval('#start', (b) => !b.hidden && b.textContent.trim() === '' &&
    b.querySelector('svg') !== null && document.querySelectorAll('.window').length === 0);
  const menuDrawn = async () => {
    for (const p of [{ x: 10, y: 10 }, { x: 470, y: 350 }, { x: 60, y: 200 }]) {
      assertNear(await pixel('Main', p), await pictureAt('main_background', p), `menu at ${p.x},${p.y}`);
    }
    assertNear(await pixel('Main', MENU_LETTER_RECOGNITION),
      await pictureAt('main_letter_recognition', { x: 113, y: 26 }), 'the Letter Recognition button');
  };

  // The start screen on a first visit over a slow network: one play picture, no words, no
  // window, and the progress of the program's files and the start's pictures as they arrive;
  // nothing said before the tap. The start's pictures are asked for meanwhile, and one fails:
  // the menu asks for it again.
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
  await pictureFailed;

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

  // Returning visits: each a new start, from the service worker's copies of the page (which the
  // host answers with a redirect), the listing and the recordings, while the host fails the
  // listing or a captive portal answers every recording and the listing with its login page.
  // The first letter asked is the first visit's, as the listing is the same. From here on the
  // network's faults come from the host alone, through the service worker.
  page.off('request', networkFaults);
  await page.setRequestInterception(false);
  await page.setBypassServiceWorker(false);
  await page.evaluate(() => navigator.serviceWorker.ready);
  const listing = readFileSync(join(site, 'listing.txt'), 'utf8');
  const visit = async () => {
    await page.reload();
    return {
      letter: await startActivity(MENU_LETTER_RECOGNITION, 'rec'),
      size: await page.evaluate(() => window.heardSizes[1]),
    };
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
  const recorded = await recordAWord();
  console.log(`web site: ${order.length} letters matched, Exit! opened ${exitPage}, offline reload and touch worked, ` +
    `a game by taps on an iPad-sized screen (tiles ${fitted.tile.toFixed(1)} px), ` +
    `"${recorded}" recorded and heard in the user's voice, offline too`);
} finally {
  await browser.close();
  server.close();
  rmSync(scratch, { recursive: true, force: true });
}
