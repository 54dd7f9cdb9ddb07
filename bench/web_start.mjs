// The browser program's start in headless Chromium: from navigation to the first frame that
// shows the menu after the start tap, median of runs, beside a bare page that draws the menu's
// background picture on a canvas after the same tap; the same from the tap on a screen where the
// menu shows at scale 2 with two device pixels a CSS pixel (a tablet); and what a first visit
// downloads.
//   node bench/web_start.mjs SITE_FOLDER [RUNS]
// Needs puppeteer-core in tests/web/node_modules (tools/dev bench installs it).
import { readdirSync, readFileSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { launch, serve, tapStart } from '../tests/web/browser.mjs';

const [site, runs = '5'] = process.argv.slice(2);
const bare = fileURLToPath(new URL('web_bare.html', import.meta.url));

// Before the page's scripts: the time of the start tap, and of the first animation frame after
// a canvas is put on the page, that is the frame that shows it.
function stampFirstFrame() {
  addEventListener('click', () => { window.tapped ??= performance.now(); }, true);
  new MutationObserver((changes, observer) => {
    if (!document.querySelector('canvas')) return;
    observer.disconnect();
    requestAnimationFrame(() => { window.firstFrame = performance.now(); });
  }).observe(document, { childList: true, subtree: true });
}

// The menu's box (479 x 360 and its 4 x 30 frame) at scale 2 fills this viewport.
const TABLET = { width: 966, height: 780, deviceScaleFactor: 2 };

async function firstFrame(browser, url, waitBeforeTap = 0, viewport = { width: 800, height: 600 }) {
  // Each run a first visit: a new context has no cache and no service worker.
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport(viewport);
  await page.evaluateOnNewDocument(stampFirstFrame);
  await page.goto(url, { waitUntil: 'domcontentloaded' });
  await new Promise((resolve) => { setTimeout(resolve, waitBeforeTap); });
  await tapStart(page);
  await page.waitForFunction(() => window.firstFrame !== undefined, { timeout: 30000 });
  const ms = await page.evaluate(() => [window.firstFrame, window.firstFrame - window.tapped]);
  await context.close();
  return ms;
}

const median = (values) => {
  const v = [...values].sort((a, b) => a - b);
  return v.length % 2 ? v[(v.length - 1) / 2] : (v[v.length / 2 - 1] + v[v.length / 2]) / 2;
};

const { server, address } = await serve(site, { '/bare.html': bare });
const browser = await launch();
const times = {
  program: [], bare: [], programTap: [], bareTap: [], programLater: [], bareLater: [],
  programTablet: [], bareTablet: [],
};
try {
  await firstFrame(browser, address);  // Chromium's own start-up, not measured
  for (let i = 0; i < Number(runs); ++i) {  // turn about
    const [bareFrame, bareTap] = await firstFrame(browser, `${address}bare.html`);
    const [programFrame, programTap] = await firstFrame(browser, address);
    times.bare.push(bareFrame);
    times.bareTap.push(bareTap);
    times.program.push(programFrame);
    times.programTap.push(programTap);
    // A child who looks at the start screen a moment before tapping it.
    times.bareLater.push((await firstFrame(browser, `${address}bare.html`, 2000))[1]);
    times.programLater.push((await firstFrame(browser, address, 2000))[1]);
    times.bareTablet.push((await firstFrame(browser, `${address}bare.html`, 2000, TABLET))[1]);
    times.programTablet.push((await firstFrame(browser, address, 2000, TABLET))[1]);
  }
} finally {
  await browser.close();
  server.close();
}
const program = median(times.program);
const floor = median(times.bare);
console.log(`Browser (headless Chromium), navigation to the menu's first frame after the start tap, median of ${runs}:`);
console.log(`  wordmeadow ${program.toFixed(1)} ms, bare page ${floor.toFixed(1)} ms, ratio ${(program / floor).toFixed(2)}`);
console.log(`  of which from the tap: wordmeadow ${median(times.programTap).toFixed(1)} ms, ` +
  `bare page ${median(times.bareTap).toFixed(1)} ms`);
console.log(`Tapped 2 s after navigation, from the tap to the menu's first frame: wordmeadow ` +
  `${median(times.programLater).toFixed(1)} ms, bare page ${median(times.bareLater).toFixed(1)} ms`);
console.log(`The same at scale 2 and device pixel ratio 2 (${TABLET.width} x ${TABLET.height} CSS px): ` +
  `wordmeadow ${median(times.programTablet).toFixed(1)} ms, bare page ` +
  `${median(times.bareTablet).toFixed(1)} ms`);

// Everything a first visit fetches (the service worker caches all of it), and the code gzipped.
const files = (folder) => readdirSync(folder, { withFileTypes: true }).flatMap((entry) => {
  const path = join(folder, entry.name);
  return entry.isDirectory() ? files(path) : [path];
}).filter((path) => !path.endsWith('update-listing.sh'));
const all = files(site);
const bytes = all.reduce((sum, path) => sum + statSync(path).size, 0);
const code = all.filter((path) => /\.(js|wasm)$/.test(path));
const gzipped = code.reduce((sum, path) => sum + gzipSync(readFileSync(path), { level: 9 }).length, 0);
const wasm = all.find((path) => path.endsWith('.wasm'));
const kb = (n) => (n / 1024).toFixed(1);
console.log(`First visit: ${all.length} files, ${kb(bytes)} KB in all; code (wasm and JavaScript) ` +
  `${kb(code.reduce((sum, path) => sum + statSync(path).size, 0))} KB, gzipped ${kb(gzipped)} KB ` +
  `(wasm ${kb(statSync(wasm).size)} KB, gzipped ${kb(gzipSync(readFileSync(wasm), { level: 9 }).length)} KB)`);
