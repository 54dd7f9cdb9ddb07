// Sound through Web Audio: each recording fetched, judged and decoded once; a new request cuts
// off the last. Browsers play sound only after a touch or a click, so the context comes with
// the start, and a context the system suspended (a lock, a call, another app) is resumed at the
// next touch or when the page is seen again.

let audio = null;
const sounds = new Map();  // path -> Promise of an AudioBuffer (null: unplayable this time)
let playing = null;
let requests = 0;
let alertTone = null;
// Set by connectSound().
let recordingIsWhole = async () => true;
let windowsShown = async () => {};

// recordingIsWhole(bytes) resolves to whether a recording's bytes may be decoded at all (the
// program's own check); windowsShown() to when every window being loaded is on screen.
export function connectSound(hooks) {
  ({ recordingIsWhole, windowsShown } = hooks);
}

// The sound of the page, made or taken (index.html's, from a tap before the scripts came)
// within a tap, and running.
export function startSound(context = null) {
  audio ??= context ?? new AudioContext();
  resumeSound();
}

function resumeSound() {
  if (audio && audio.state !== 'running') audio.resume().catch(() => {});
}
for (const type of ['pointerdown', 'pointerup', 'keydown']) {
  addEventListener(type, resumeSound, true);
}
document.addEventListener('visibilitychange', () => {
  if (document.visibilityState === 'visible') resumeSound();
});

// Two short soft beeps stand in for the system's alert sound, as on the desktop.
function makeAlertTone() {
  const rate = 22050;
  const buffer = audio.createBuffer(1, Math.floor(rate * 3 / 10), rate);
  const samples = buffer.getChannelData(0);
  for (let i = 0; i < samples.length; ++i) {
    const t = i / rate;
    const audible = t < 0.12 || t > 0.18;
    const fade = Math.min(1, t / 0.005, (0.3 - t) / 0.005);
    samples[i] = audible ? (9000 / 32768) * fade * Math.sin(2 * Math.PI * 880 * t) : 0;
  }
  return buffer;
}

function decoded(path) {
  let sound = sounds.get(path);
  if (!sound) {
    sound = fetch(path.split('/').map(encodeURIComponent).join('/'))
      .then((r) => (r.ok ? r.arrayBuffer() : Promise.reject(new Error(r.statusText))))
      .then(async (bytes) => {
        // A recording cut short would otherwise play its first part.
        if (!(await recordingIsWhole(bytes))) throw new Error('not a whole recording');
        return audio.decodeAudioData(bytes);
      })
      .catch(() => {
        sounds.delete(path);  // asked for again next time: it may have been put right
        return null;
      });
    sounds.set(path, sound);
  }
  return sound;
}

// As on the desktop, where a window and its first sound come together, a sound asked for while
// a window loads starts when that window is on screen.
export function playSound(path) {
  if (!audio) return;
  const request = ++requests;
  if (playing) {
    playing.stop();
    playing = null;
  }
  // The program may ask for the sound before it opens the window: that is known once its call
  // has returned, which is before any promise's callback.
  const shown = Promise.resolve().then(() => windowsShown());
  Promise.all([decoded(path), shown]).then(([buffer]) => {
    if (request !== requests) return;  // a later request came first: nothing is queued
    const source = audio.createBufferSource();
    source.buffer = buffer || (alertTone ??= makeAlertTone());
    source.connect(audio.destination);
    source.start();
    playing = source;
  });
}
