// Sound through Web Audio: each recording fetched and decoded once; a new request cuts off the
// last. Browsers play sound only after a touch or a click, so the context comes with the start.

let audio = null;
const sounds = new Map();  // path -> Promise of an AudioBuffer (null: unplayable this time)
let playing = null;
let requests = 0;
let alertTone = null;

// The sound of the page, made or taken (index.html's, from a tap before the scripts came)
// within a tap, and running.
export function startSound(context = null) {
  audio ??= context ?? new AudioContext();
  audio.resume();
}

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
      .then((bytes) => audio.decodeAudioData(bytes))
      .catch(() => {
        sounds.delete(path);  // asked for again next time: it may have been put right
        return null;
      });
    sounds.set(path, sound);
  }
  return sound;
}

export function playSound(path) {
  if (!audio) return;
  const request = ++requests;
  if (playing) {
    playing.stop();
    playing = null;
  }
  decoded(path).then((buffer) => {
    if (request !== requests) return;  // a later request came first: nothing is queued
    const source = audio.createBufferSource();
    source.buffer = buffer || (alertTone ??= makeAlertTone());
    source.connect(audio.destination);
    source.start();
    playing = source;
  });
}
