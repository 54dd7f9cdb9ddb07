// Pointer input on the windows' canvases, so mouse, touch and pen alike: the left button's
// presses and releases in client-area units, each press told whether it is the second of a
// double-click.

// Two presses make a double-click within this time, and within this distance in the client
// area: the desktop's 2 pixels for a mouse, more for a finger or a pen.
const DOUBLE_CLICK_MS = 500;
const DOUBLE_CLICK_SLOP = { mouse: 2, touch: 16, pen: 8 };

let lastPress = null;  // { id, time, x, y, count }

// A canvas's layout size is its window's client area in units, whatever the desk's scale and
// however many pixels its backing store has.
function clientPoint(event, canvas) {
  const r = canvas.getBoundingClientRect();
  return {
    x: Math.floor((event.clientX - r.left) * canvas.offsetWidth / r.width),
    y: Math.floor((event.clientY - r.top) * canvas.offsetHeight / r.height),
  };
}

// Presses are counted as the desktop counts them: every second one of a quick run near one
// spot is the second press of a double-click.
function pressCount(id, event, p) {
  const slop = DOUBLE_CLICK_SLOP[event.pointerType] ?? 2;
  const last = lastPress;
  const counts = last && last.id === id && event.timeStamp - last.time <= DOUBLE_CLICK_MS &&
    Math.abs(p.x - last.x) <= slop && Math.abs(p.y - last.y) <= slop;
  lastPress = { id, time: event.timeStamp, x: p.x, y: p.y, count: counts ? last.count + 1 : 1 };
  return lastPress.count;
}

// Reports the canvas's presses as program.press(id, x, y, secondOfDoubleClick) and releases as
// program.release(id, x, y), while program.running() says a program takes them.
export function listenForPresses(canvas, id, program) {
  canvas.addEventListener('pointerdown', (event) => {
    if (!event.isPrimary || event.button !== 0 || !program.running()) return;
    event.preventDefault();
    canvas.setPointerCapture(event.pointerId);
    const p = clientPoint(event, canvas);
    program.press(id, p.x, p.y, pressCount(id, event, p) % 2 === 0);
  });
  canvas.addEventListener('pointerup', (event) => {
    if (!event.isPrimary || event.button !== 0 || !program.running()) return;
    const p = clientPoint(event, canvas);
    program.release(id, p.x, p.y);
  });
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
}
