// The browser side of the program: the start screen, and the wiring of the page's parts (the
// program's loading, the windows and their drawing, input, sound, the microphone, files chosen
// and the voice folder's storage). The program itself (wordmeadow.js and .wasm, from
// shell/web/*.cpp) calls the functions of `page` below.
import * as capture from './capture.js';
import { chooseFile, connectFileDialogs, offerDownload } from './file_dialogs.js';
import { listenForPresses, listenForStart } from './input.js';
import { programLoaded, reloadProgram, takeListing } from './loading.js';
import { audioContext, connectSound, playSound, startSound } from './sound.js';
import { loadVoiceFolder, noteVoiceFolder } from './voice_storage.js';
import * as windows from './windows.js';

const startButton = document.getElementById('start');
const recorderLink = document.getElementById('recorder');
let program = null;

// The start screen: the play picture, and in a corner the grown-ups' way to the recorder.
function showStartScreen(shown) {
  startButton.hidden = !shown;
  recorderLink.hidden = !shown;
}

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
    capture.stopCapture();
    reloadProgram();
    windows.closeAllWindows();
  }
  noteVoiceFolder();
  if (!anyLoaded) {
    capture.stopCapture();
    showStartScreen(true);
  }
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
  takeDrops(canvas, id);
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

// What the microphone heard goes to the program between events, through its heap.
capture.connectCapture({
  context: audioContext,
  deliver: (samples) => {
    if (!program) return;
    const at = program.ccall('wm_capture_room', 'number', ['number'], [samples.length]);
    if (!at) return;
    program.HEAP16.set(samples, at >> 1);
    call('wm_captured', ['number'], [samples.length]);
  },
  refuse: (why) => call('wm_capture_refused', ['number'], [why]),
});

// A file's bytes go into the program's heap, then arrived() tells the program; one too large
// for a voice file is not read (tooLarge()), nor one that cannot be (unreadable()).
async function handOver(file, { arrived, tooLarge = arrived, unreadable }) {
  if (!program) return;
  const module = program;
  const at = module.ccall('wm_file_room', 'number', ['number'], [file.size]);
  if (file.size > 0 && !at) {
    tooLarge();
    return;
  }
  let bytes;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch {
    unreadable();  // moved or removed meanwhile
    return;
  }
  if (program !== module || bytes.length !== file.size) return;
  module.HEAPU8.set(bytes, at);
  arrived();
}

connectFileDialogs({
  hand: (file) => handOver(file, {
    arrived: () => call('wm_file_chosen', ['string'], [file.name]),
    tooLarge: () => call('wm_file_too_large', [], []),
    unreadable: () => call('wm_file_cancelled', [], []),
  }),
  cancel: () => call('wm_file_cancelled', [], []),
});

// A file dropped onto a window goes to it (the recorder loads a voice file so); dropped
// anywhere else on the page, the browser must not open it in the program's place.
function takeDrops(canvas, id) {
  canvas.addEventListener('dragover', (event) => event.preventDefault());
  canvas.addEventListener('drop', (event) => {
    event.preventDefault();
    const file = event.dataTransfer?.files[0];
    if (!file) return;
    const arrived = () => call('wm_file_dropped', ['string', 'string'], [id, file.name]);
    handOver(file, { arrived, unreadable: () => {} });
  });
}
for (const type of ['dragover', 'drop']) addEventListener(type, (event) => event.preventDefault());
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
  captureRate: capture.captureRate, prepareCapture: capture.prepareCapture,
  startCapture: capture.startCapture, stopCapture: capture.stopCapture,
  offerDownload, chooseFile,
};

// --- The start screen: browsers play sound only after a touch or a click. The program starts
// once its voice folder is read back from the site's storage. ---
async function start(recorder = false) {
  startSound();
  showStartScreen(false);
  const [module, listed] = await Promise.all([programLoaded(), takeListing()]);
  await loadVoiceFolder(module);
  module.page = page;
  module.listing = listed;  // read by the program from here, through the heap
  program = module;
  call('wm_start', ['number'], [recorder ? 1 : 0]);
}
// A tap made before this script came was taken by the page itself (index.html), which
// started the sound then, as browsers allow only in the tap.
listenForStart(startButton, () => start());
recorderLink.onclick = () => start(true);
if (window.wordmeadowEarlyTap) {
  startSound(window.wordmeadowEarlyTap);
  start(window.wordmeadowEarlyRecorder === true);
}
