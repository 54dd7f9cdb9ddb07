// The windows on the page: each a box with a title bar over one canvas of the client area's
// size, put on screen once painted whole, and the drawing the program lists for it.
import { LABEL_FONT, decodedPicture, fontLoaded, pictureOf, preload } from './loading.js';

const CROSS = '<svg viewBox="0 0 10 10" aria-hidden="true"><path d="M1 1L9 9M9 1L1 9" ' +
  'stroke="#000" stroke-width="2"/></svg>';
// Liberation Sans' vertical metrics (units per em 2048), rounded up as the desktop's font
// renderer does: a label's first baseline lies one ascent below its top.
const ASCENT = 1854 / 2048;
const LINE_SKIP = 2355 / 2048;

const desk = document.getElementById('desk');
const windows = new Map();  // id -> { box, canvas, context, drawing, drawings, order, ... }
let stacking = 0;

// Makes the window's box; its canvas is returned for input, and its close button calls onClose.
export function openWindow(id, caption, width, height, onClose) {
  const box = document.createElement('section');
  box.className = 'window';
  box.dataset.window = id;
  box.setAttribute('aria-label', caption);
  const bar = document.createElement('header');
  bar.className = 'title';
  const icon = document.createElement('img');
  icon.src = 'assets/icon.bmp';
  icon.alt = '';
  const title = document.createElement('h1');
  title.textContent = caption;
  const close = document.createElement('button');
  close.className = 'close';
  close.setAttribute('aria-label', 'Close');
  close.innerHTML = CROSS;
  close.addEventListener('click', onClose);
  bar.append(icon, title, close);
  const canvas = document.createElement('canvas');
  canvas.width = width;
  canvas.height = height;
  canvas.dataset.window = id;
  box.append(bar, canvas);
  windows.set(id, {
    box, canvas, context: canvas.getContext('2d'), drawing: [], drawings: 0, painted: false,
    wanted: false, order: 0,
  });
  return canvas;
}

const windowOf = (box) => windows.get(box.dataset.window);

// A window goes on the page once it is shown and painted whole, in the stacking order of the
// shows and raises (a later one in front), whichever window's pictures were ready first.
function place(w) {
  if (!w.wanted || !w.painted) return;
  const above = [...desk.children].find((box) => box !== w.box && windowOf(box).order > w.order);
  desk.insertBefore(w.box, above ?? null);
  fitDesk();
  requestAnimationFrame(() => setTimeout(preload));  // after the frame that shows the window
}

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
}

export function closeAllWindows() {
  for (const id of [...windows.keys()]) closeWindow(id);
}

// Pixels one to one, unless the viewport is smaller than a window: then the whole desk is
// scaled down to fit.
function fitDesk() {
  let scale = 1;
  for (const { box } of windows.values()) {
    if (!box.isConnected) continue;
    scale = Math.min(scale, innerWidth / box.offsetWidth, innerHeight / box.offsetHeight);
  }
  desk.style.setProperty('--scale', String(scale));
}
addEventListener('resize', fitDesk);

// --- Drawing: the program lists a window's drawing, and it is painted on the canvas as one
// frame once every picture in it (and the font, for labels) is ready. ---
export function fill(id, red, green, blue) {
  windows.get(id).drawing = [(context) => {
    context.fillStyle = `rgb(${red},${green},${blue})`;
    context.fillRect(0, 0, context.canvas.width, context.canvas.height);
  }];
}

export function picture(id, name, left, top, width, height) {
  const w = windows.get(id);
  w.drawing.push(pictureOf(name), (context) => {
    const img = decodedPicture(name);
    if (!img) return;
    // Pictures keep their own size; whatever lies outside the element is cut.
    const sw = Math.min(img.naturalWidth, width);
    const sh = Math.min(img.naturalHeight, height);
    context.drawImage(img, 0, 0, sw, sh, left, top, sw, sh);
  });
}

export function label(id, text, pixels, left, top, width, height) {
  windows.get(id).drawing.push(fontLoaded,
    (context) => drawLabel(context, text, pixels, left, top, width, height));
}

export async function drawn(id) {
  const w = windows.get(id);
  const drawing = w.drawing;
  const count = ++w.drawings;
  await Promise.all(drawing.filter((step) => step instanceof Promise));
  // Drawn again meanwhile (that one is painted), or closed.
  if (count !== w.drawings || windows.get(id) !== w) return;
  for (const step of drawing) if (typeof step === 'function') step(w.context);
  w.painted = true;
  if (!w.box.isConnected) place(w);
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
