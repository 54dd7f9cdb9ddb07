// The microphone for the recorder (shell/web/web_capture.*): getUserMedia with no echo
// cancellation, noise suppression or automatic gain (they cut a letter's first consonant), read
// by an AudioWorklet (capture_worklet.js) in the page's own sound context, at its real rate.
// Each take opens the microphone and its end stops the tracks: while a microphone is open, an
// iPad plays through its earpiece.

// Why a take could not start, as the program numbers them (WebCapture::Refusal).
const REFUSAL = { insecure: 0, unsupported: 1, denied: 2, none: 3, unavailable: 4 };
const CONSTRAINTS = {
  audio: { echoCancellation: false, noiseSuppression: false, autoGainControl: false },
};

// Set by connectCapture().
let context = () => null;
let deliver = () => {};
let refuse = () => {};
let take = 0;  // the take running; an answer for an earlier one is dropped
let running = null;  // { stream, source, node }
const worklets = new WeakMap();  // context -> Promise of the worklet's module

// context() is the page's sound context; deliver(samples) hands the program 16-bit samples,
// refuse(why) one of REFUSAL's numbers.
export function connectCapture(hooks) {
  ({ context, deliver, refuse } = hooks);
}

export const captureRate = () => context()?.sampleRate ?? 48000;

const canRecord = () => isSecureContext && !!navigator.mediaDevices?.getUserMedia &&
  typeof AudioWorkletNode !== 'undefined';

function refusalOf(error) {
  switch (error?.name) {
    case 'NotAllowedError': case 'SecurityError': return REFUSAL.denied;
    case 'NotFoundError': case 'OverconstrainedError': return REFUSAL.none;
    default: return REFUSAL.unavailable;
  }
}

// The take as 16-bit samples, without the stretches of digital silence the browser puts in
// where it has no sound from the microphone: before its first sound arrives, and wherever it
// falls behind. They are no room noise, and would pass for the noise floor the take measures
// at its start. A stretch that goes on (a microphone muted in hardware) is passed on all the
// same, after a second at the start and 100 ms later, so that the take still ends; a few zeros
// in a row are only a wave crossing zero, and stay.
const ZEROS_IN_A_GAP = 64;
function sixteenBits(rate) {
  let zeros = 0;  // in a row, held back
  let longest = rate;  // held back at most, before the first sound
  let passing = false;  // a long stretch, passed on as it comes
  return (data) => {
    const out = [];
    const passZeros = (count) => {
      for (let i = 0; i < count; ++i) out.push(0);
    };
    for (const x of data) {
      const sample = Math.round(Math.max(-1, Math.min(1, x)) * 32767);
      if (sample === 0) {
        if (passing) {
          out.push(0);
        } else if (++zeros >= longest) {
          passing = true;
          passZeros(zeros);
          zeros = 0;
        }
        continue;
      }
      if (zeros < ZEROS_IN_A_GAP) passZeros(zeros);
      zeros = 0;
      passing = false;
      longest = Math.round(rate / 10);
      out.push(sample);
    }
    return Int16Array.from(out);
  };
}

const stopTracks = (stream) => stream.getTracks().forEach((track) => track.stop());

// The browser asks the grown-up for the microphone as the recorder opens, not when they press
// Record; the microphone is let go at once.
export async function prepareCapture() {
  if (!canRecord()) return;
  try {
    const state = (await navigator.permissions?.query({ name: 'microphone' }))?.state;
    if (state !== 'prompt') return;
    stopTracks(await navigator.mediaDevices.getUserMedia(CONSTRAINTS));
  } catch {
    // Said when Record is pressed.
  }
}

export async function startCapture() {
  stopCapture();
  const mine = take;
  if (!isSecureContext) return refuse(REFUSAL.insecure);
  const audio = context();
  if (!canRecord() || !audio) return refuse(REFUSAL.unsupported);
  let stream;
  try {
    stream = await navigator.mediaDevices.getUserMedia(CONSTRAINTS);
    // The worklet's script, once for the context (asked for again after it failed).
    if (!worklets.has(audio)) {
      worklets.set(audio, audio.audioWorklet.addModule('page/capture_worklet.js').catch((error) => {
        worklets.delete(audio);
        throw error;
      }));
    }
    await worklets.get(audio);
  } catch (error) {
    if (stream) stopTracks(stream);
    if (mine === take) refuse(stream ? REFUSAL.unsupported : refusalOf(error));
    return undefined;
  }
  if (mine !== take) return stopTracks(stream);  // stopped meanwhile
  let source;
  let node;
  try {
    // Firefox refuses a microphone whose rate is not the context's.
    source = audio.createMediaStreamSource(stream);
    node = new AudioWorkletNode(audio, 'wordmeadow-capture');
  } catch {
    stopTracks(stream);
    return refuse(REFUSAL.unsupported);
  }
  const samples = sixteenBits(audio.sampleRate);
  node.port.onmessage = ({ data }) => {
    if (mine === take) deliver(samples(data));
  };
  source.connect(node);
  node.connect(audio.destination);  // silent; it keeps the node running
  running = { stream, source, node };
  return undefined;
}

export function stopCapture() {
  ++take;
  if (!running) return;
  const { stream, source, node } = running;
  running = null;
  node.port.onmessage = null;
  source.disconnect();
  node.disconnect();
  stopTracks(stream);
}
