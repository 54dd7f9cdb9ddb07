// What the page loads from the site: the program (wordmeadow.js and .wasm), the recordings'
// listing, the pictures as windows need them, the label font, and, once the program is up, the
// rest of the site for offline use. The user's own recordings come from the site's storage.
import { loadVoiceFolder } from './voice_storage.js';

// Filled in by the build: the pictures of assets/2x/, by name.
const PICTURES = /*@PICTURES@*/ [];
// The label font (bundled, so that no text depends on the device's fonts), the title bars' too.
export const LABEL_FONT = 'Wordmeadow Labels';

// --- Pictures, asked for as windows need them, and the label font. The site carries each
// picture at twice the size (PICTURE_DENSITY pixels a client unit), which the canvas scales
// smoothly to any other. ---
export const PICTURE_DENSITY = 2;
const pictures = new Map();  // name -> Promise, resolved once the picture is decoded or failed
const decodedPictures = new Map();  // name -> <img>, once decoded

// A picture that failed is forgotten, so that the next drawing that needs it asks again.
export function pictureOf(name, priority = 'high') {
  if (!pictures.has(name)) {
    const img = new Image();
    img.fetchPriority = priority;  // a drawing waits for it; a preload does not
    img.src = `assets/2x/${name}.png`;
    pictures.set(name, img.decode().then(() => decodedPictures.set(name, img), () => {
      pictures.delete(name);
    }));
  }
  return pictures.get(name);
}

export const decodedPicture = (name) => decodedPictures.get(name);

export const fontLoaded = new FontFace(LABEL_FONT, 'url(LiberationSans-Bold.ttf)',
  { weight: 'bold' }).load().then((face) => document.fonts.add(face), () => {});

// --- The recordings' listing: read afresh for every start, as a new process reads its folder;
// the first one while the start screen is up. ---
const readListing = () => fetch('listing.txt', { cache: 'no-cache' })
  .then((r) => (r.ok ? r.text() : ''), () => '');
let listing = readListing();

// The listing for a start: the one read early, or a new one.
export function takeListing() {
  const text = listing ?? readListing();
  listing = null;
  return text;
}

// --- The program: loaded at once, and loaded anew after one that failed. ---
let moduleLoaded = null;

export function reloadProgram() {
  moduleLoaded = createWordmeadow({ page: null });
  // A program that cannot be loaded (its wasm not fetched) is said so on the start screen.
  moduleLoaded.catch(() => window.wordmeadowLoading.failed());
  return moduleLoaded;
}

export const programLoaded = () => moduleLoaded;

// The pictures the start will show, asked for while the start screen is up, and counted in the
// first visit's progress (index.html); the voice folder read meanwhile.
reloadProgram().then((module) => {
  loadVoiceFolder(module);
  const names = module.ccall('wm_start_pictures', 'string', [], []).split('\n').filter(Boolean);
  names.forEach((name) => pictureOf(name));
  window.wordmeadowLoading.expect(names.map((name) => `assets/2x/${name}.png`));
});

// --- The pictures of every window, and the whole site kept for offline use: asked for once the
// first window is up, or a moment after the page has loaded if the start screen stays, so as
// not to slow down a start tapped at once, while a later tap finds everything at hand. ---
let preloaded = false;
export function preload() {
  if (preloaded) return;
  preloaded = true;
  PICTURES.forEach((name) => pictureOf(name, 'low'));
  if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});
}
addEventListener('load', () => setTimeout(preload, 1000));
