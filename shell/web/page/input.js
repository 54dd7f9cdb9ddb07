// Pointer input on the start screen and the windows' canvases, so mouse, touch and pen alike:
// the left button's presses and releases in client-area units, each press told whether it is
// the second of a double-click.

// Two presses make a double-click within this time, and within this distance in the client
// area: the desktop's 2 pixels for a mouse, more for a finger or a pen.
const DOUBLE_CLICK_MS = 500;
const DOUBLE_CLICK_SLOP = { mouse: 2, touch: 16, pen: 8 };
const START = Symbol('the start screen');

// The last press, where it was on the page (CSS pixels) and on what, to count double-clicks.
let lastPress = null;  // { on, time, x, y, count }
// The press that may still become a click: one at a time, the latest pointer's.
let held = null;  // { pointerId, id }
// A press on the start screen, so that a click there is one that began there.
let startPressed = false;

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
// spot is the second press of a double-click. A press on the start screen begins a run that a
// press on the window it brings up continues. unitsPerPixel converts the page's distances to
// the client area's.
function pressCount(on, event, unitsPerPixel = 1) {
  const slop = DOUBLE_CLICK_SLOP[event.pointerType] ?? 2;
  const last = lastPress;
  const near = (a, b) => Math.abs(a - b) * unitsPerPixel <= slop;
  const counts = last && (last.on === on || last.on === START) &&
    event.timeStamp - last.time <= DOUBLE_CLICK_MS &&
    near(event.clientX, last.x) && near(event.clientY, last.y);
  const count = counts ? last.count + 1 : 1;
  lastPress = { on, time: event.timeStamp, x: event.clientX, y: event.clientY, count };
  return lastPress.count;
}

// A press that came to nothing (cancelled by the system) begins no double-click.
function forgetPress() {
  lastPress = null;
}

// Reports the canvas's presses as program.press(id, x, y, secondOfDoubleClick), releases as
// program.release(id, x, y) and a press given up as program.abandon(), while program.running()
// says a program takes them. A press counts only on a window already on screen (shownSince(id)
// is the time it appeared): no press made before is a click on it. A new pointer's press
// replaces one still held, as a resting palm must not block a child's tap.
export function listenForPresses(canvas, id, shownSince, program) {
  canvas.addEventListener('pointerdown', (event) => {
    if (event.button !== 0 || !program.running()) return;
    event.preventDefault();
    const unitsPerPixel = canvas.width / canvas.getBoundingClientRect().width;
    const second = pressCount(id, event, unitsPerPixel) % 2 === 0;
    if (!(event.timeStamp >= shownSince(id))) return;
    canvas.setPointerCapture(event.pointerId);
    held = { pointerId: event.pointerId, id };
    const p = clientPoint(event, canvas);
    program.press(id, p.x, p.y, second);
  });
  canvas.addEventListener('pointerup', (event) => {
    if (event.button !== 0 || held?.pointerId !== event.pointerId || held.id !== id) return;
    held = null;
    if (!program.running()) return;
    const p = clientPoint(event, canvas);
    program.release(id, p.x, p.y);
  });
  canvas.addEventListener('pointercancel', (event) => {
    if (held?.pointerId !== event.pointerId) return;
    held = null;
    forgetPress();
    if (program.running()) program.abandon();
  });
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
}

// The start screen's button calls start() on a click whose press began on it (or from the
// keyboard): the click that follows a tap on a window which ended the program, and lands on
// the start screen come back under the finger, starts nothing.
export function listenForStart(button, start) {
  button.addEventListener('pointerdown', (event) => {
    if (event.button !== 0) return;
    pressCount(START, event);
    startPressed = true;
  });
  addEventListener('pointerdown', (event) => {
    if (event.target !== button && !button.contains(event.target)) startPressed = false;
  }, true);
  button.onclick = (event) => {
    if (event.detail !== 0 && !startPressed) return;
    startPressed = false;
    start();
  };
}
