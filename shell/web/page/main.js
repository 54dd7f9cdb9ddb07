// The browser side of the program: the start screen, and the wiring of the page's parts (the
// program's loading, the windows and their drawing, input, sound). The program itself
// (wordmeadow.js and .wasm, from shell/web/*.cpp) calls the functions of `page` below.
import { listenForPresses, listenForStart } from './input.js';
import { programLoaded, reloadProgram, takeListing } from './loading.js';
import { connectSound, playSound, startSound } from './sound.js';
import * as windows from './windows.js';

const startButton = document.getElementById('start');
let program = null;

// Calls into the program, which answers whether a window is still loaded: with none, it has
// ended and the start screen comes back. A program that failed has ended too, as a process
// that crashed: its windows go, and the next start is a new program.
function call(name, types, args) {
  if (!program) return;
  let anyLoaded = 0;
  try {
    anyLoaded = program.ccall(name, 'number', types, args);
  } catch (error) {
    console.error('wordmeadow:', error);
    program = null;
    reloadProgram();
    windows.closeAllWindows();
  }
  if (!anyLoaded) startButton.hidden = false;
}

const input = {
  running: () => program !== null,
  press: (id, x, y, second) => call('wm_press', ['string', 'number', 'number', 'number'],
    [id, x, y, second ? 1 : 0]),
  release: (id, x, y) => call('wm_release', ['string', 'number', 'number'], [id, x, y]),
  abandon: () => call('wm_abandon_press', [], []),
};

function openWindow(id, caption, width, height) {
  const canvas = windows.openWindow(id, caption, width, height,
    () => call('wm_close', ['string'], [id]), document.fullscreenEnabled ? toggleFullScreen : null);
  listenForPresses(canvas, id, windows.shownSince, input);
}

// The program judges a recording's bytes before the browser decodes them, as on the desktop.
async function recordingIsWhole(bytes) {
  const module = await programLoaded();
  const at = module.ccall('wm_recording_bytes', 'number', ['number'], [bytes.byteLength]);
  if (!at) return false;
  module.HEAPU8.set(new Uint8Array(bytes), at);
  return module.ccall('wm_recording_is_whole', 'number', [], []) !== 0;
}
connectSound({ recordingIsWhole, windowsShown: windows.windowsShown });

// Letter keys go to the window in front, as a click on their tiles; F11 puts the page on the
// whole screen and takes it back, and so does the full-screen box of a window's title bar.
function toggleFullScreen() {
  if (document.fullscreenElement) {
    document.exitFullscreen().catch(() => {});
  } else {
    document.documentElement.requestFullscreen().catch(() => {});
  }
}
addEventListener('keydown', (event) => {
  if (event.key === 'F11' && document.fullscreenEnabled) {
    event.preventDefault();
    toggleFullScreen();
    return;
  }
  const id = windows.frontWindow();
  if (!id || event.repeat || event.ctrlKey || event.metaKey || event.altKey ||
      !/^[a-z]$/i.test(event.key)) {
    return;
  }
  event.preventDefault();
  call('wm_key', ['string', 'number'], [id, event.key.charCodeAt(0)]);
});

function openAddress(address) {
  window.open(address, '_blank', 'noopener');
}

const page = {
  playSound, openAddress, openWindow, showWindow: windows.showWindow,
  raiseWindow: windows.raiseWindow, closeWindow: windows.closeWindow, fill: windows.fill,
  picture: windows.picture, label: windows.label, drawn: windows.drawn,
};

// --- The start screen: browsers play sound only after a touch or a click. ---
async function start() {
  startSound();
  startButton.hidden = true;
  const [module, listed] = await Promise.all([programLoaded(), takeListing()]);
  module.page = page;
  program = module;
  call('wm_start', ['string'], [listed]);
}
// A tap made before this script came was taken by the page itself (index.html), which
// started the sound then, as browsers allow only in the tap.
listenForStart(startButton, start);
if (window.wordmeadowEarlyTap) {
  startSound(window.wordmeadowEarlyTap);
  start();
}
