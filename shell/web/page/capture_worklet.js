// The recorder's microphone, in the page's audio thread: its first channel, as it comes, posted
// to the page in blocks of BLOCK samples. It outputs silence.
const BLOCK = 2048;

class CaptureProcessor extends AudioWorkletProcessor {
  constructor() {
    super();
    this.block = new Float32Array(BLOCK);
    this.filled = 0;
  }

  process(inputs) {
    const samples = inputs[0]?.[0];
    for (let at = 0; samples && at < samples.length;) {
      const n = Math.min(samples.length - at, BLOCK - this.filled);
      this.block.set(samples.subarray(at, at + n), this.filled);
      this.filled += n;
      at += n;
      if (this.filled === BLOCK) {
        this.port.postMessage(this.block, [this.block.buffer]);
        this.block = new Float32Array(BLOCK);
        this.filled = 0;
      }
    }
    return true;
  }
}

registerProcessor('wordmeadow-capture', CaptureProcessor);
