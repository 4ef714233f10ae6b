// The M5's sound on the audio thread: the page posts each frame's samples
// (Float32Array, at the context's own rate; processorOptions.framesPerSecond
// frames a second, or later { framesPerSecond } when the machine changes) and
// this processor plays them from a ring buffer, and hands each block's buffer
// back to the page to be filled again.
//
// It starts playing once a few frames are queued, so that a late frame on the
// page is absorbed by the queue instead of heard as a gap; after running dry it
// waits for the queue to fill again. A queue that has grown past its ceiling
// (the page ran ahead, e.g. after the tab came back) is cut back to the target
// by dropping its oldest samples.
class M5Sound extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const opts = (options && options.processorOptions) || {};
    this.targetFrames = opts.targetFrames || 4;
    this.ceilingFrames = opts.ceilingFrames || 10;
    this.setFrameRate(opts.framesPerSecond);
    this.ring = new Float32Array(1 << 16);
    this.mask = this.ring.length - 1;
    this.read = 0;
    this.count = 0;
    this.playing = false;
    this.underruns = 0;
    this.port.onmessage = (event) => this.push(event.data);
  }

  setFrameRate(framesPerSecond) {
    const frame = Math.round(sampleRate / framesPerSecond);
    this.target = frame * this.targetFrames;
    this.ceiling = frame * this.ceilingFrames;
  }

  push(samples) {
    if (samples && samples.framesPerSecond) {
      this.setFrameRate(samples.framesPerSecond);
      return;
    }
    if (samples === 'stats') {
      this.port.postMessage({ queued: this.count, underruns: this.underruns });
      return;
    }
    if (samples === 'flush') {
      this.count = 0;
      this.playing = false;
      return;
    }
    const n = Math.min(samples.length, this.ring.length);
    let write = (this.read + this.count) & this.mask;
    for (let i = 0; i < n; ++i) {
      this.ring[write] = samples[i];
      write = (write + 1) & this.mask;
    }
    this.count = Math.min(this.count + n, this.ring.length);
    this.port.postMessage(samples.buffer, [samples.buffer]);
    if (this.count > this.ceiling) {
      const drop = this.count - this.target;
      this.read = (this.read + drop) & this.mask;
      this.count -= drop;
    }
  }

  process(inputs, outputs) {
    const out = outputs[0][0];
    if (!this.playing && this.count >= this.target) this.playing = true;
    let i = 0;
    if (this.playing) {
      const n = Math.min(out.length, this.count);
      for (; i < n; ++i) {
        out[i] = this.ring[this.read];
        this.read = (this.read + 1) & this.mask;
      }
      this.count -= n;
      if (i < out.length) {
        this.playing = false;
        this.underruns += 1;
      }
    }
    out.fill(0, i);
    for (let c = 1; c < outputs[0].length; ++c) outputs[0][c].set(out);
    return true;
  }
}

registerProcessor('m5-sound', M5Sound);
