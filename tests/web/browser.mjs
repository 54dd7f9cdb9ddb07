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
// to the server and its address.
export async function serve(folder, extra = {}) {
  const server = createServer((request, response) => {
    let path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    if (path.endsWith('/')) path += 'index.html';
    const file = extra[path] ?? join(folder, normalize(path));
    try {
      const stat = statSync(file);
      if (!stat.isFile()) throw new Error('not a file');
      const type = TYPES[extname(file).toLowerCase()] ?? 'application/octet-stream';
      // As any web server, the file's time, which lets the browser's cache keep it.
      response.writeHead(200, { 'Content-Type': type, 'Last-Modified': stat.mtime.toUTCString() });
      response.end(readFileSync(file));
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((resolve) => { server.listen(0, '127.0.0.1', resolve); });
  return { server, address: `http://127.0.0.1:${server.address().port}/` };
}

// Chromium with nothing of its own going on beside the page; close() removes its profile too.
export async function launch() {
  const profile = mkdtempSync(join(tmpdir(), 'wordmeadow-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: [
      ...(process.getuid?.() === 0 ? ['--no-sandbox'] : []),
      '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`,
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
