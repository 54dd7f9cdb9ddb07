// The windows on the page: each a box with a title bar over one canvas of the client area's
// size, put on screen once painted whole, and the drawing the program lists for it. The desk
// scales every window alike, as large as the viewport allows, and each canvas's backing store
// has a pixel for each device pixel it covers, so pictures and labels stay sharp.
import {
  LABEL_FONT, PICTURE_DENSITY, decodedPicture, fontLoaded, pictureOf, preload,
} from './loading.js';

const CROSS = '<svg viewBox="0 0 10 10" aria-hidden="true"><path d="M1 1L9 9M9 1L1 9" ' +
  'stroke="#000" stroke-width="2"/></svg>';
const CORNERS = '<svg viewBox="0 0 10 10" aria-hidden="true"><path d="M1 4V1h3M6 1h3v3M9 6v3H6' +
  'M4 9H1V6" fill="none" stroke="#000" stroke-width="1.5"/></svg>';

function titleButton(className, label, svg, onClick) {
  const button = document.createElement('button');
  button.className = className;
  button.setAttribute('aria-label', label);
  button.innerHTML = svg;
  button.addEventListener('click', onClick);
  return button;
}
// Liberation Sans' vertical metrics (units per em 2048), rounded up as the desktop's font
// renderer does: a label's first baseline lies one ascent below its top.
const ASCENT = 1854 / 2048;
const LINE_SKIP = 2355 / 2048;

const desk = document.getElementById('desk');
const windows = new Map();  // id -> { box, canvas, context, drawing, drawings, order, ... }
let stacking = 0;

// Makes the window's box; its canvas is returned for input, its close button calls onClose,
// and a full-screen button, where the browser has full screen, onFullScreen.
export function openWindow(id, caption, width, height, onClose, onFullScreen) {
  const box = document.createElement('section');
  box.className = 'window';
  box.dataset.window = id;
  box.setAttribute('aria-label', caption);
  const bar = document.createElement('header');
  bar.className = 'title';
  const icon = document.createElement('img');
  icon.src = 'assets/2x/icon.png';
  icon.alt = '';
  const title = document.createElement('h1');
  title.textContent = caption;
  bar.append(icon, title);
  if (onFullScreen) bar.append(titleButton('full', 'Full screen', CORNERS, onFullScreen));
  bar.append(titleButton('close', 'Close', CROSS, onClose));
  const canvas = document.createElement('canvas');
  // Laid out at the client area's size in units; the desk's scale enlarges it.
  canvas.style.width = `${width}px`;
  canvas.style.height = `${height}px`;
  canvas.dataset.window = id;
  box.append(bar, canvas);
  const w = {
    id, box, canvas, context: canvas.getContext('2d'), width, height, drawing: [], drawings: 0,
    painted: null, wanted: false, order: 0, shownSince: Infinity, centre: null,
  };
  windows.set(id, w);
  // As on a desktop: a press anywhere on a window brings it to the front, and its title bar
  // drags it.
  box.addEventListener('pointerdown', () => bringToFront(w), true);
  dragByTitleBar(w, bar);
  return canvas;
}

function bringToFront(w) {
  w.order = ++stacking;
  w.box.style.zIndex = String(w.order);
}

function dragByTitleBar(w, bar) {
  let drag = null;  // { pointerId, x, y, centre }
  bar.addEventListener('pointerdown', (event) => {
    if (event.button !== 0 || event.target.closest('button')) return;
    event.preventDefault();
    bar.setPointerCapture(event.pointerId);
    const r = w.box.getBoundingClientRect();
    drag = {
      pointerId: event.pointerId, x: event.clientX, y: event.clientY,
      centre: { x: r.left + r.width / 2, y: r.top + r.height / 2 },
    };
  });
  bar.addEventListener('pointermove', (event) => {
    if (drag?.pointerId !== event.pointerId) return;
    const { centre } = drag;
    moveTo(w, { x: centre.x + event.clientX - drag.x, y: centre.y + event.clientY - drag.y });
  });
  const end = (event) => {
    if (drag?.pointerId === event.pointerId) drag = null;
  };
  bar.addEventListener('pointerup', end);
  bar.addEventListener('pointercancel', end);
}

// Puts the window's centre there, or as near as keeps the whole window in the viewport.
function moveTo(w, centre) {
  const r = w.box.getBoundingClientRect();
  const keep = (at, size, room) => (size >= room ? room / 2
    : Math.min(Math.max(at, size / 2), room - size / 2));
  w.centre = { x: keep(centre.x, r.width, innerWidth), y: keep(centre.y, r.height, innerHeight) };
  w.box.style.left = `${w.centre.x}px`;
  w.box.style.top = `${w.centre.y}px`;
}

// A window goes on the page once it is shown and painted whole, in the stacking order of the
// shows and raises (a later one in front), whichever window's pictures were ready first.
function place(w) {
  if (!w.wanted || !w.painted) return;
  w.box.style.zIndex = String(w.order);
  if (w.box.isConnected) return;
  w.shownSince = performance.now();
  desk.append(w.box);
  fitDesk();
  whenShown();
  requestAnimationFrame(() => setTimeout(preload));  // after the frame that shows the window
}

// Resolves once every window being loaded is on screen.
let waiting = [];
export function windowsShown() {
  return new Promise((resolve) => {
    waiting.push(resolve);
    whenShown();
  });
}

function whenShown() {
  if ([...windows.values()].some((w) => w.wanted && !w.box.isConnected)) return;
  const resolved = waiting;
  waiting = [];
  resolved.forEach((resolve) => resolve());
}

// When the window came on screen (performance.now()'s time), or Infinity while it has not.
export const shownSince = (id) => windows.get(id)?.shownSince ?? Infinity;

export function showWindow(id) {
  const w = windows.get(id);
  w.wanted = true;
  w.order = ++stacking;
  place(w);
}

export function raiseWindow(id) {
  showWindow(id);
}

export function closeWindow(id) {
  windows.get(id)?.box.remove();
  windows.delete(id);
  fitDesk();
  whenShown();
}

export function closeAllWindows() {
  for (const id of [...windows.keys()]) closeWindow(id);
}

// Every window on the desk at one scale, up or down: the largest at which each fits the
// viewport whole, title bar and border included.
let deskScale = 1;
let frame = { width: 4, height: 30 };  // border and title bar; measured once a box is shown

function scaleWith(extra) {
  let scale = Infinity;
  for (const w of windows.values()) {
    if (!w.box.isConnected && w !== extra) continue;
    scale = Math.min(scale, innerWidth / (w.width + frame.width),
      innerHeight / (w.height + frame.height));
  }
  return Number.isFinite(scale) && scale > 0 ? scale : deskScale;
}

// The backing store for a scale: a pixel for each device pixel the canvas covers. Painted again
// when that changes.
function sizeCanvas(w, scale) {
  const pixels = scale * devicePixelRatio;
  const width = Math.max(1, Math.round(w.width * pixels));
  const height = Math.max(1, Math.round(w.height * pixels));
  if (w.canvas.width === width && w.canvas.height === height) return false;
  w.canvas.width = width;
  w.canvas.height = height;
  return true;
}

function fitDesk() {
  const shown = [...windows.values()].find((w) => w.box.isConnected);
  if (shown) {
    frame = { width: shown.box.offsetWidth - shown.width,
      height: shown.box.offsetHeight - shown.height };
  }
  deskScale = scaleWith(null);
  desk.style.setProperty('--scale', String(deskScale));
  for (const w of windows.values()) {
    if (w.painted && sizeCanvas(w, deskScale)) paintSteps(w, w.painted);
    if (w.centre && w.box.isConnected) moveTo(w, w.centre);
  }
}
addEventListener('resize', fitDesk);

// --- Drawing: the program lists a window's drawing, and it is painted on the canvas as one
// frame once every picture in it (and the font, for labels) is ready. A picture that could not
// be had is asked for again, at the window's next drawing or after a while, and the drawing
// painted again with it: no part of a window stays missing for the session. ---
const RETRY_MS = 1000;
const RETRY_MAX_MS = 30000;

// Each step paints on the context given the backing store's pixels a unit (k.x, k.y).
export function fill(id, red, green, blue) {
  windows.get(id).drawing = [{
    paint: (context) => {
      context.setTransform(1, 0, 0, 1, 0, 0);
      context.fillStyle = `rgb(${red},${green},${blue})`;
      context.fillRect(0, 0, context.canvas.width, context.canvas.height);
    },
  }];
}

export function picture(id, name, left, top, width, height) {
  windows.get(id).drawing.push({
    picture: name,
    paint: (context, k) => {
      const img = decodedPicture(name);
      if (!img) return;
      // Pictures keep their own size in units; whatever lies outside the element is cut. Each
      // edge is rounded to a pixel once, so tiles that share an edge share it on screen.
      const sw = Math.min(img.naturalWidth / PICTURE_DENSITY, width);
      const sh = Math.min(img.naturalHeight / PICTURE_DENSITY, height);
      const x = Math.round(left * k.x);
      const y = Math.round(top * k.y);
      context.setTransform(1, 0, 0, 1, 0, 0);
      context.imageSmoothingEnabled = true;
      context.imageSmoothingQuality = 'high';
      context.drawImage(img, 0, 0, sw * PICTURE_DENSITY, sh * PICTURE_DENSITY, x, y,
        Math.round((left + sw) * k.x) - x, Math.round((top + sh) * k.y) - y);
    },
  });
}

export function label(id, text, pixels, left, top, width, height) {
  windows.get(id).drawing.push({
    font: true,
    paint: (context, k) => {
      // In units: the text is drawn from the font at the scaled size, and wraps as at scale 1.
      context.setTransform(k.x, 0, 0, k.y, 0, 0);
      drawLabel(context, text, pixels, left, top, width, height);
    },
  });
}

function paintSteps(w, drawing) {
  const k = { x: w.canvas.width / w.width, y: w.canvas.height / w.height };
  for (const step of drawing) step.paint(w.context, k);
  w.painted = drawing;
}

export function drawn(id) {
  const w = windows.get(id);
  paint(w, w.drawing, ++w.drawings, RETRY_MS);
}

async function paint(w, drawing, count, retryMs) {
  await Promise.all(drawing.map((step) => (step.picture ? pictureOf(step.picture)
    : step.font && fontLoaded)));
  // Drawn again meanwhile (that one is painted), or closed.
  if (count !== w.drawings || windows.get(w.id) !== w) return;
  // A window not yet on the desk is sized for the scale the desk will have with it.
  sizeCanvas(w, w.box.isConnected ? deskScale : scaleWith(w));
  paintSteps(w, drawing);
  place(w);
  if (drawing.some((step) => step.picture && !decodedPicture(step.picture))) {
    setTimeout(() => paint(w, drawing, count, Math.min(2 * retryMs, RETRY_MAX_MS)), retryMs);
  }
}

// The window in front, which takes the keys.
export function frontWindow() {
  let front = null;
  for (const w of windows.values()) {
    if (w.box.isConnected && (!front || w.order > front.order)) front = w;
  }
  return front?.id ?? null;
}

// White, bold, left-aligned, wrapped at spaces to the label's width, cut to its box.
function drawLabel(context, text, pixels, left, top, width, height) {
  context.save();
  context.beginPath();
  context.rect(left, top, width, height);
  context.clip();
  context.font = `bold ${pixels}px "${LABEL_FONT}"`;
  context.fillStyle = '#fff';
  context.textBaseline = 'alphabetic';
  const lines = [];
  for (const paragraph of text.split('\n')) {
    let line = '';
    for (const word of paragraph.split(' ')) {
      const longer = line ? `${line} ${word}` : word;
      if (line && context.measureText(longer).width > width) {
        lines.push(line);
        line = word;
      } else {
        line = longer;
      }
    }
    lines.push(line);
  }
  const ascent = Math.ceil(pixels * ASCENT);
  const skip = Math.ceil(pixels * LINE_SKIP);
  lines.forEach((line, i) => context.fillText(line, left, top + ascent + i * skip));
  context.restore();
}
