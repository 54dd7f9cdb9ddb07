// What the browser test and the browser benchmark share: a static web server on 127.0.0.1 and
// Debian's Chromium, headless, in a fresh profile, started by puppeteer-core.
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import puppeteer from 'puppeteer-core';

const TYPES = {
  '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.bmp': 'image/bmp', '.png': 'image/png', '.svg': 'image/svg+xml', '.ttf': 'font/ttf',
  '.wav': 'audio/wav', '.txt': 'text/plain', '.webmanifest': 'application/manifest+json',
};

// Serves the folder, and the extra files at their own paths ({ '/bare.html': file }). Resolves
// to the server and its address. The faults, changed at will while it serves, make it behave as
// hosts and networks do: `redirectIndex` sends /index.html to the folder (as Netlify,
// Cloudflare Pages and `serve` do), `status` answers some paths with an error
// ({ '/listing.txt': 503 }), `portal` answers the paths it matches with a captive portal's login
// page, `bytesPerSecond` throttles every answer, and `lastModified` dates every file (as a site
// unzipped from an old release has them).
export async function serve(folder, extra = {}, faults = {}) {
  let linkFree = 0;  // when the throttled link is next free
  const server = createServer(async (request, response) => {
    let path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    if (faults.redirectIndex && path.endsWith('/index.html')) {
      response.writeHead(301, { Location: path.slice(0, -'index.html'.length) }).end();
      return;
    }
    if (path.endsWith('/')) path += 'index.html';
    if (faults.status?.[path]) {
      response.writeHead(faults.status[path]).end();
      return;
    }
    if (faults.portal?.test(path)) {
      response.writeHead(200, { 'Content-Type': 'text/html' });
      response.end('<!doctype html>\n<title>Log in</title>\n<p>Log in to the school network.</p>\n');
      return;
    }
    const file = extra[path] ?? join(folder, normalize(path));
    let body;
    let stat;
    try {
      stat = statSync(file);
      if (!stat.isFile()) throw new Error('not a file');
      body = readFileSync(file);
    } catch {
      response.writeHead(404).end();
      return;
    }
    // As any web server, the file's time and a tag of its version, which let the browser's
    // cache keep it and ask again whether it changed.
    const tag = `"${stat.size}-${stat.mtimeMs}"`;
    if (request.headers['if-none-match'] === tag) {
      response.writeHead(304).end();
      return;
    }
    response.writeHead(200, {
      'Content-Type': TYPES[extname(file).toLowerCase()] ?? 'application/octet-stream',
      'Last-Modified': (faults.lastModified ?? stat.mtime).toUTCString(),
      ETag: tag,
    });
    // Throttled, the answers share one link, 4 KB at a time.
    let at = 0;
    for (; faults.bytesPerSecond && at < body.length; at += 4096) {
      linkFree = Math.max(linkFree, Date.now()) + 4096 * 1000 / faults.bytesPerSecond;
      await new Promise((resolve) => { setTimeout(resolve, linkFree - Date.now()); });
      response.write(body.subarray(at, at + 4096));
    }
    response.end(body.subarray(at));
  });
  await new Promise((resolve) => { server.listen(0, '127.0.0.1', resolve); });
  return { server, address: `http://127.0.0.1:${server.address().port}/` };
}

// Chromium with nothing of its own going on beside the page, and these further switches;
// close() removes its profile too.
export async function launch(switches = []) {
  const profile = mkdtempSync(join(tmpdir(), 'wordmeadow-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: [
      ...(process.getuid?.() === 0 ? ['--no-sandbox'] : []),
      '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`, ...switches,
    ],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    rmSync(profile, { recursive: true, force: true });
  };
  return browser;
}

// Clicks (or taps) the middle of the start screen's play picture once it is there.
export async function tapStart(page, touch = false) {
  const box = await (await page.waitForSelector('#start', { visible: true })).boundingBox();
  const x = box.x + box.width / 2;
  const y = box.y + box.height / 2;
  if (touch) await page.touchscreen.tap(x, y);
  else await page.mouse.click(x, y);
}
