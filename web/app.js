// The M5 in a web page: drives the emulator's C API (m5web.wasm) with the
// browser's picture, sound, keyboard, gamepads, touch and storage.
//
// The machine runs its video standard's frames a second of machine time (60
// for the Japanese M5, 50 for the European one, as the C API reports), paced
// by the clock of
// requestAnimationFrame whatever the display's refresh, and stops while the
// tab is hidden. window.m5emu is the page's interface for scripts and tests
// (see the README).
'use strict';

(() => {
  const WIDTH = 256;
  const HEIGHT = 192;
  const MAX_FRAMES_PER_PASS = 4;       // further behind than this, the lost time is dropped
  // The most of a file the page reads: the library refuses a larger
  // cartridge or state in its own words, given one byte more; a longer tape
  // does not fit the page's memory.
  const CARTRIDGE_MAX = 1024 * 1024;
  const IPL_MAX = 64 * 1024;
  const TAPE_MAX = 192 * 1024 * 1024;
  const STATE_MAX = 64 * 1024 * 1024;
  const SLOTS = 8;
  const REWIND_KEEP = 120;             // rewind states, one a second: two minutes
  const REWIND_STEP_FRAMES = 12;       // held, it steps back five seconds a second
  const JOY = { up: 0x01, down: 0x02, left: 0x04, right: 0x08, fire1: 0x10, fire2: 0x20 };
  const MODEL_KEYS = ['ntsc', 'pal'];                 // M5EMU_MODEL_*, as m5run --model takes them
  const MEMORY_KEYS = ['4k', '32k', '64kbf-2b', '64kbf-2c'];  // M5EMU_MEMORY_*, as m5run --memory
  const STATE_MAGIC = [0x4d, 0x35, 0x53, 0x54, 0x41, 0x54, 0x45, 0x1a];  // "M5STATE" 0x1A

  // Physical keys (KeyboardEvent.code) to M5 keys by the names of the
  // library's key table, as the desktop program maps them: by position, laid
  // out as on the Japanese keyboard the M5's tables follow, so shifted
  // symbols come out as the M5 prints them.
  const KEY_CODES = {
    Minus: 'MINUS', Equal: 'CARET', Tab: 'TAB', BracketLeft: 'AT', BracketRight: 'LBRACKET',
    Enter: 'RETURN', NumpadEnter: 'RETURN', ControlLeft: 'CTRL', ControlRight: 'CTRL',
    Semicolon: 'PLUS', Quote: 'COLON', Backquote: 'BACKSLASH', IntlYen: 'BACKSLASH',
    ShiftLeft: 'LSHIFT', ShiftRight: 'RSHIFT', Backslash: 'RBRACKET', Comma: 'COMMA', Period: 'PERIOD',
    Slash: 'SLASH', IntlBackslash: 'UNDERSCORE', IntlRo: 'UNDERSCORE', Space: 'SPACE',
    ArrowUp: 'UP', ArrowDown: 'DOWN', ArrowLeft: 'LEFT', ArrowRight: 'RIGHT',
  };
  for (let d = 0; d <= 9; ++d) KEY_CODES['Digit' + d] = String(d);
  for (let c = 65; c <= 90; ++c) KEY_CODES['Key' + String.fromCharCode(c)] = String.fromCharCode(c);

  // The on-screen keyboard: [label, shifted label, key name, width class].
  const KEYBOARD_ROWS = [
    [['1', '!'], ['2', '"'], ['3', '#'], ['4', '$'], ['5', '%'], ['6', '&'], ['7', "'"], ['8', '('], ['9', ')'],
     ['0', ''], ['-', '='], ['^', '~'], ['\\', '|', 'BACKSLASH']],
    [['CTRL', '', 'CTRL', 'wide'], ['Q'], ['W'], ['E'], ['R'], ['T'], ['Y'], ['U'], ['I'], ['O'], ['P'],
     ['@', '`', 'AT'], ['[', '{', 'LBRACKET']],
    [['FUNC', '', 'TAB', 'wide'], ['A'], ['S'], ['D'], ['F'], ['G'], ['H'], ['J'], ['K'], ['L'],
     [';', '+', 'PLUS'], [':', '*', 'COLON'], [']', '}', 'RBRACKET']],
    [['SHIFT', '', 'LSHIFT', 'wide'], ['Z'], ['X'], ['C'], ['V'], ['B'], ['N'], ['M'], [',', '<', 'COMMA'],
     ['.', '>', 'PERIOD'], ['/', '?', 'SLASH'], ['_', '', 'UNDERSCORE'], ['RET', '', 'RETURN', 'wide']],
    [['SPACE', '', 'SPACE', 'space']],
  ];
  const KEY_NAME_OF_LABEL = { '-': 'MINUS', '^': 'CARET' };
  const LATCHING = new Set(['LSHIFT', 'CTRL', 'TAB']);

  const $ = (id) => document.getElementById(id);
  const canvas = $('screen');
  const context = canvas.getContext('2d', { alpha: false });
  context.imageSmoothingEnabled = false;
  // The picture as the canvas takes it: a view of the library's own RGBA
  // buffer in WebAssembly memory, so that drawing copies it once (into the
  // canvas). Made again when the memory grows, which replaces its buffer.
  let image = null;

  let M = null;              // the Emscripten module
  let framesPerSecond = 0;   // the machine's, from the C API
  let frameMs = 0;
  let countPointer = 0;      // a size_t the sound call writes its count into
  let userIpl = null;        // Uint8Array of the user's IPL.ROM, or null
  let cartridge = null;      // the cartridge in the slot: { bytes, name }
  let tape = null;           // the tape in the deck: { bytes, name }
  let spriteLimit = false;   // hide the fifth and later sprites of a line (kept in localStorage)
  // The model (0: 60 Hz, 1: 50 Hz) and memory (0: 4 KiB, 1: 32 KiB, 2: 64KBF
  // 2B, 3: 64KBF 2C) of the machine, kept in localStorage.
  let model = 0;
  let memory = 1;
  let paused = false;
  let rewinding = false;
  let rewindCountdown = 0;
  let rewindRing = [];
  let framesSinceRewindState = 0;
  let lastTime = null;
  let owedMs = 0;
  const keyHolders = new Map();   // key name -> number of sources holding it
  const heldCodes = new Set();    // physical keys down that were given to the machine
  const joystickSources = [{ pad: 0, touch: 0, script: 0 }, { pad: 0, touch: 0, script: 0 }];
  const joystickSent = [-1, -1];
  const padKeys = new Set();      // gamepad X buttons holding SPACE, by "pad:button"

  // --- The module -------------------------------------------------------------------

  const machine = () => M._m5web_machine();
  const lastError = () => M.UTF8ToString(M._m5emu_last_error(machine()));
  const webError = () => M.UTF8ToString(M._m5web_error());

  // The library's key table: the M5's keys by name.
  function keyNames() {
    const names = [];
    for (let i = 0; i < M._m5emu_key_count(); ++i) names.push(M.UTF8ToString(M._m5emu_key_name(i)));
    return names;
  }

  // A file the library refused or remarked on, in the words every program
  // uses: "the cartridge is empty" becomes 'The cartridge "game.rom" is empty.'
  function aboutFile(name, text) {
    const sentence = text.replace(/^the (cartridge|tape|save state) /, (_, kind) => `The ${kind} "${name}" `);
    return sentence === text ? `"${name}": ${text}.` : `${sentence}.`;
  }

  function toBytes(data, what) {
    if (data instanceof Uint8Array) return data;
    if (data instanceof ArrayBuffer) return new Uint8Array(data);
    if (ArrayBuffer.isView(data)) return new Uint8Array(data.buffer, data.byteOffset, data.byteLength);
    if (Array.isArray(data)) return Uint8Array.from(data);
    throw new TypeError(`${what} must be bytes (Uint8Array, ArrayBuffer or an array of numbers)`);
  }

  // Copies `arrays` into the module's heap for the length of `call`.
  function withHeap(arrays, call) {
    const pointers = arrays.map((a) => {
      if (!a || a.length === 0) return 0;
      const p = M._malloc(a.length);
      if (!p) throw new Error('out of memory');
      M.HEAPU8.set(a, p);
      return p;
    });
    try {
      return call(...pointers);
    } finally {
      pointers.forEach((p) => p && M._free(p));
    }
  }

  function check(result, reason) {
    if (result !== 0) throw new Error(reason());
  }

  // --- The machine ------------------------------------------------------------------

  function powerOn(cart, tapeBytes) {
    const parts = [userIpl || new Uint8Array(0), cart || new Uint8Array(0), tapeBytes || new Uint8Array(0)];
    withHeap(parts, (ipl, c, t) =>
      check(M._m5web_power_on(ipl, parts[0].length, c, parts[1].length, t, parts[2].length), webError));
    M._m5emu_set_sprite_limit(machine(), spriteLimit ? 1 : 0);
    framesPerSecond = M._m5web_frames_per_second();
    frameMs = 1000 / framesPerSecond;
    if (audio.node) audio.node.port.postMessage({ framesPerSecond });
    joystickSent.fill(-1);
    keyHolders.clear();
    heldCodes.clear();
    resetRewind();
    draw();
  }

  // Another model or memory: a fresh machine of it with the cartridge and
  // the tape, kept for the next visit. When it cannot start, the machine
  // that ran goes on and the choice is not kept.
  function setMachine(newModel, newMemory) {
    check(M._m5web_choose_machine(newModel, newMemory), webError);
    try {
      powerOn(cartridge && cartridge.bytes, tape && tape.bytes);
    } catch (e) {
      M._m5web_choose_machine(model, memory);
      showMachine();
      throw e;
    }
    model = newModel;
    memory = newMemory;
    showMachine();
    try {
      localStorage.setItem('m5emu.model', String(model));
      localStorage.setItem('m5emu.memory', String(memory));
    } catch (e) {
      // No storage: the choice holds for this visit.
    }
  }

  function showMachine() {
    $('model-select').value = String(model);
    $('memory-select').value = String(memory);
  }

  // Inserts a cartridge; returns the library's remark about it or "". One
  // the library refuses leaves the machine as it was.
  function insertCartridge(bytes) {
    withHeap([bytes], (p) => check(M._m5emu_insert_cartridge(machine(), p, bytes.length), lastError));
    resetRewind();
    return lastError();
  }

  function playTape(bytes) {
    withHeap([bytes], (p) => check(M._m5emu_play_tape(machine(), p, bytes.length, 0), lastError));
  }

  function readMemory(address, length) {
    const out = M._malloc(Math.max(length, 1));
    try {
      check(M._m5emu_read_memory(machine(), address, out, length), lastError);
      return M.HEAPU8.slice(out, out + length);
    } finally {
      M._free(out);
    }
  }

  function runFrames(count) {
    check(M._m5web_run_frames(count), webError);
    if (gif) recordPicture(count);
  }

  // --- Recording the picture (More / Record): an animated GIF -----------------------
  //
  // 30 pictures a second, each the whole picture in the M5's colours (16 at
  // most, so a GIF's table holds them exactly), LZW-coded as GIF 89a wants;
  // the delays (3, 3, 4 hundredths) keep the rate exact. The colour table is
  // known only at the end, so the file is put together at Stop.
  const GIF_STEP = 2;  // machine frames a picture
  let gif = null;

  function gifLzw(indices) {
    const out = [4];  // the minimum code size: 16 colours
    let block = [];
    let bits = 0;
    let count = 0;
    const put = (code, width) => {
      bits |= code << count;
      count += width;
      while (count >= 8) {
        block.push(bits & 0xFF);
        bits >>>= 8;
        count -= 8;
        if (block.length === 255) { out.push(255, ...block); block = []; }
      }
    };
    const next = new Uint16Array(4096 * 16);
    let free = 18;
    let width = 5;
    put(16, width);
    let current = indices[0];
    for (let i = 1; i < indices.length; ++i) {
      const slot = current * 16 + indices[i];
      if (next[slot]) { current = next[slot]; continue; }
      put(current, width);
      if (free < 4096) {
        next[slot] = free;
        if (free === (1 << width) && width < 12) ++width;
        ++free;
      } else {
        put(16, width);
        next.fill(0);
        free = 18;
        width = 5;
      }
      current = indices[i];
    }
    put(current, width);
    put(17, width);
    if (count > 0) block.push(bits & 0xFF);
    if (block.length) out.push(block.length, ...block);
    out.push(0);
    return new Uint8Array(out);
  }

  function recordPicture(framesRun) {
    gif.due += framesRun;
    if (gif.due < GIF_STEP) return;
    const rgba = pixels();
    const indices = new Uint8Array(WIDTH * HEIGHT);
    for (let i = 0; i < indices.length; ++i) {
      const colour = (rgba[i * 4] << 16) | (rgba[i * 4 + 1] << 8) | rgba[i * 4 + 2];
      let index = gif.colours.get(colour);
      if (index === undefined) {
        index = Math.min(gif.colours.size, 15);
        if (gif.colours.size < 16) gif.colours.set(colour, index);
      }
      indices[i] = index;
    }
    const data = gifLzw(indices);
    for (; gif.due >= GIF_STEP; gif.due -= GIF_STEP) gif.frames.push(data);
  }

  function startRecording() {
    gif = { frames: [], colours: new Map(), due: 0 };
    updateRecordButton();
  }

  function stopRecording() {
    const { frames, colours } = gif;
    gif = null;
    updateRecordButton();
    if (!frames.length) return;
    const parts = [];
    const le16 = (v) => [v & 0xFF, v >> 8];
    parts.push(new TextEncoder().encode('GIF89a'), new Uint8Array([...le16(WIDTH), ...le16(HEIGHT), 0xF3, 0, 0]));
    const table = new Uint8Array(48);
    for (const [colour, index] of colours) table.set([colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF], index * 3);
    parts.push(table, new Uint8Array([0x21, 0xFF, 11, ...new TextEncoder().encode('NETSCAPE2.0'), 3, 1, 0, 0, 0]));
    frames.forEach((data, i) => {
      const delay = Math.floor((i + 1) * 100 / 30) - Math.floor(i * 100 / 30);
      parts.push(new Uint8Array([0x21, 0xF9, 4, 0x04, ...le16(delay), 0, 0,
        0x2C, 0, 0, 0, 0, ...le16(WIDTH), ...le16(HEIGHT), 0]), data);
    });
    parts.push(new Uint8Array([0x3B]));
    const link = document.createElement('a');
    const base = cartridge ? cartridge.name.replace(/\.[^.]*$/, '') : 'm5';
    const stamp = new Date().toISOString().replace(/[:.]/g, '-').slice(0, 19);
    link.href = URL.createObjectURL(new Blob(parts, { type: 'image/gif' }));
    link.download = `${base}-${stamp}.gif`;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    show(`Recording saved: ${frames.length} pictures.`, 'info');
  }

  function updateRecordButton() {
    const button = $('record-button');
    button.textContent = gif ? 'Stop recording' : 'Record (GIF)';
    button.setAttribute('aria-pressed', String(!!gif));
  }

  function saveState() {
    const p = M._m5web_save_state();
    if (!p) throw new Error(webError());
    return M.HEAPU8.slice(p, p + M._m5web_state_size());
  }

  // Loads a state; returns the library's note (a tape that could not resume)
  // or "".
  function loadState(bytes) {
    withHeap([bytes], (p) => check(M._m5emu_load_state(machine(), p, bytes.length), lastError));
    joystickSent.fill(-1);
    return lastError();
  }

  // The last frame's picture, RGBA, in the library's buffer: its address.
  function picture() {
    const p = M._m5web_picture();
    if (!p) throw new Error(webError());
    return p;
  }

  function pixels() {
    const p = picture();
    return M.HEAPU8.subarray(p, p + WIDTH * HEIGHT * 4);
  }

  // The picture goes from the library's buffer to the canvas in one copy,
  // through an ImageData over the WebAssembly memory made again only when
  // that memory grows or the buffer moves: nothing is allocated a frame.
  function draw() {
    const p = picture();
    if (!image || image.data.buffer !== M.HEAPU8.buffer || image.data.byteOffset !== p) {
      image = new ImageData(new Uint8ClampedArray(M.HEAPU8.buffer, p, WIDTH * HEIGHT * 4), WIDTH, HEIGHT);
    }
    context.putImageData(image, 0, 0);
  }

  function setKey(name, down) {
    const held = keyHolders.get(name) || 0;
    const now = down ? held + 1 : Math.max(0, held - 1);
    keyHolders.set(name, now);
    if ((held === 0) !== (now === 0)) {
      check(M.ccall('m5emu_key', 'number', ['number', 'string', 'number'], [machine(), name, down ? 1 : 0]),
        lastError);
    }
  }

  function sendJoysticks() {
    for (let stick = 0; stick < 2; ++stick) {
      const s = joystickSources[stick];
      const bits = s.pad | s.touch | s.script;
      if (bits !== joystickSent[stick]) {
        M._m5emu_joystick(machine(), stick, bits);
        joystickSent[stick] = bits;
      }
    }
  }

  // One frame of the running page: input, the frame, its sound, rewind.
  function stepFrame() {
    pollGamepads();
    sendJoysticks();
    runFrames(1);
    if (audio.node && !audio.muted) pushSound();
    if (++framesSinceRewindState >= framesPerSecond) {  // one state a second
      framesSinceRewindState = 0;
      rewindRing.push(saveState());
      if (rewindRing.length > REWIND_KEEP) rewindRing.shift();
    }
  }

  function resetRewind() {
    rewindRing = [];
    framesSinceRewindState = 0;
  }

  function rewindStep() {
    if (--rewindCountdown > 0) return;
    rewindCountdown = REWIND_STEP_FRAMES;
    const state = rewindRing.pop();
    if (!state) return;
    try {
      loadState(state);
      draw();
    } catch (e) {
      show(`Rewind stopped: ${e.message}`);
    }
    framesSinceRewindState = 0;
  }

  function loop(now) {
    requestAnimationFrame(loop);
    if (!M || (paused && !rewinding) || document.hidden) {
      lastTime = null;
      return;
    }
    if (lastTime === null) {
      lastTime = now;
      return;
    }
    owedMs += now - lastTime;
    lastTime = now;
    let frames = Math.floor(owedMs / frameMs);
    owedMs -= frames * frameMs;
    if (frames > MAX_FRAMES_PER_PASS) frames = MAX_FRAMES_PER_PASS;
    if (frames === 0) return;
    try {
      if (rewinding) {
        for (let i = 0; i < frames; ++i) rewindStep();
        return;
      }
      for (let i = 0; i < frames; ++i) stepFrame();
      draw();
    } catch (e) {
      paused = true;
      updatePauseButton();
      show(`The machine stopped: ${e.message}`);
    }
  }

  function setPaused(value) {
    paused = value;
    if (paused && audio.node) audio.node.port.postMessage('flush');
    updatePauseButton();
  }

  function updatePauseButton() {
    $('pause-button').setAttribute('aria-pressed', String(paused));
    $('pause-button').textContent = paused ? 'Resume' : 'Pause';
  }

  // --- Sound --------------------------------------------------------------------------

  // spare: the buffers of blocks the sound thread has played, which it
  // hands back to carry later frames' samples.
  const audio = { context: null, node: null, gain: null, muted: false, starting: false, spare: [], statsWaiting: null };
  const SPARE_BLOCKS = 16;

  // Browsers start sound only after a click or a key: the first one starts it.
  function startAudio() {
    if (audio.context || audio.starting || typeof AudioContext === 'undefined') {
      if (audio.context && audio.context.state === 'suspended' && !audio.muted) audio.context.resume();
      return;
    }
    audio.starting = true;
    const ctx = new AudioContext({ latencyHint: 'interactive' });
    audio.context = ctx;
    ctx.audioWorklet.addModule('audio-worklet.js').then(() => {
      const node = new AudioWorkletNode(ctx, 'm5-sound',
        { numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [1], processorOptions: { framesPerSecond } });
      audio.gain = ctx.createGain();
      audio.gain.gain.value = audio.muted ? 0 : 1;
      node.connect(audio.gain).connect(ctx.destination);
      node.port.onmessage = (event) => {
        if (event.data instanceof ArrayBuffer) {
          if (audio.spare.length < SPARE_BLOCKS) audio.spare.push(event.data);
        } else if (audio.statsWaiting) {
          audio.statsWaiting(event.data);
          audio.statsWaiting = null;
        }
      };
      check(M._m5web_set_sample_rate(ctx.sampleRate), webError);
      audio.node = node;
    }).catch((e) => show(`No sound: ${e.message}`));
  }

  function pushSound() {
    const p = M._m5emu_sound(machine(), countPointer);
    const count = M.HEAPU32[countPointer >> 2];
    if (!p || count === 0) return;
    let buffer = audio.spare.pop();
    if (!buffer || buffer.byteLength < count * 4) buffer = new ArrayBuffer(count * 8);  // room for longer frames
    const samples = new Float32Array(buffer, 0, count);
    const from = p >> 1;
    const heap = M.HEAP16;
    for (let i = 0; i < count; ++i) samples[i] = heap[from + i] / 32768;
    audio.node.port.postMessage(samples, [samples.buffer]);
  }

  function setMuted(muted) {
    audio.muted = muted;
    if (audio.gain) audio.gain.gain.value = muted ? 0 : 1;
    if (muted && audio.node) audio.node.port.postMessage('flush');
    $('mute-button').setAttribute('aria-pressed', String(muted));
    $('mute-button').textContent = muted ? 'Unmute' : 'Mute';
  }

  // --- Messages -----------------------------------------------------------------------

  let messageTimer = 0;
  function show(text, kind) {
    const box = $('message');
    box.textContent = text;
    box.className = 'message' + (kind === 'info' ? ' info' : '');
    box.hidden = false;
    clearTimeout(messageTimer);
    messageTimer = setTimeout(() => { box.hidden = true; }, kind === 'info' ? 3000 : 10000);
  }

  // --- Files --------------------------------------------------------------------------

  const hasMagic = (bytes, magic) => magic.every((b, i) => bytes[i] === b);
  const isWav = (bytes) => hasMagic(bytes, [0x52, 0x49, 0x46, 0x46]);  // "RIFF"
  const sizeText = (n) => (n >= 1 << 20 ? `${(n / (1 << 20)).toFixed(1)} MiB` : `${Math.ceil(n / 1024)} KiB`);

  // The kind of a dropped or picked file: by its first bytes, then its name.
  function kindOf(name, bytes) {
    if (hasMagic(bytes, STATE_MAGIC)) return 'state';
    if (isWav(bytes) || /\.(wav|cas)$/i.test(name)) return 'tape';
    return 'cart';
  }

  function checkSize(name, size, max, what) {
    if (size === 0) throw new Error(`"${name}" is empty, so it is not ${what}.`);
    if (size > max) throw new Error(`"${name}" (${sizeText(size)}) is too large to be ${what} (at most ${sizeText(max)}).`);
  }

  // A file's bytes for the library, which checks them before the machine is
  // touched: at most one byte more than `max` of a cartridge or a state (the
  // library refuses it then), a tape or an IPL ROM only within the page's
  // limit.
  async function readFile(file, kind) {
    const tooLarge = (max, what) => {
      if (file.size > max) {
        throw new Error(`"${file.name}" (${sizeText(file.size)}) is too large to be ${what} (at most ${sizeText(max)}).`);
      }
    };
    if (kind === 'tape') tooLarge(TAPE_MAX, 'a tape');
    if (kind === 'ipl') tooLarge(IPL_MAX, 'an IPL ROM');
    const max = { cart: CARTRIDGE_MAX, state: STATE_MAX, tape: TAPE_MAX, ipl: IPL_MAX }[kind];
    return new Uint8Array(await file.slice(0, max + 1).arrayBuffer());
  }

  async function openFile(file, kind) {
    try {
      const peek = kind === 'auto' ? new Uint8Array(await file.slice(0, 16).arrayBuffer()) : null;
      if (kind === 'auto') kind = kindOf(file.name, peek);
      const bytes = await readFile(file, kind);
      const refused = (e) => new Error(aboutFile(file.name, e.message));
      if (kind === 'cart') {
        let note;
        try {
          note = insertCartridge(bytes);
        } catch (e) {
          throw refused(e);
        }
        cartridge = { bytes, name: file.name };
        show(note ? `Cartridge "${file.name}" inserted. ${aboutFile(file.name, note)}`
          : `Cartridge "${file.name}" inserted.`, 'info');
      } else if (kind === 'tape') {
        try {
          playTape(bytes);
        } catch (e) {
          throw refused(e);
        }
        tape = { bytes, name: file.name };
        show(`Tape "${file.name}" playing: start the program's loader.`, 'info');
      } else if (kind === 'state') {
        let note;
        try {
          note = loadState(bytes);
        } catch (e) {
          throw refused(e);
        }
        draw();
        show(note ? `State loaded; ${note}` : `State "${file.name}" loaded.`, 'info');
      } else if (kind === 'ipl') {
        await useIpl(bytes, file.name);
      }
      fileOpened();
      updateMediaStatus();
    } catch (e) {
      show(e.message);
    }
  }

  // The hint that files can be dropped shows until the first file is opened.
  function fileOpened() {
    $('file-hint').hidden = true;
    try {
      localStorage.setItem('m5emu.fileOpened', '1');
    } catch (e) {
      // No storage: the hint goes for this visit.
    }
  }

  function showFileHint() {
    let opened = false;
    try {
      opened = localStorage.getItem('m5emu.fileOpened') === '1';
    } catch (e) {
      // No storage: the hint shows.
    }
    $('file-hint').hidden = opened;
  }

  function updateMediaStatus() {
    const parts = [];
    if (userIpl) parts.push('your IPL.ROM');
    if (cartridge) parts.push(`cartridge: ${cartridge.name}`);
    if (tape) parts.push(`tape: ${tape.name}`);
    $('media-status').textContent = parts.join(' · ');
    $('forget-ipl-button').hidden = !userIpl;
  }

  // --- Storage (IndexedDB): the user's IPL and the state slots ----------------------

  let database = null;
  function openDatabase() {
    if (database) return database;
    database = new Promise((resolve, reject) => {
      if (typeof indexedDB === 'undefined') return reject(new Error('this browser keeps no data'));
      const request = indexedDB.open('m5emu', 1);
      request.onupgradeneeded = () => {
        request.result.createObjectStore('files');
        request.result.createObjectStore('slots');
      };
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
    return database;
  }

  async function stored(store, mode, act) {
    const db = await openDatabase();
    return new Promise((resolve, reject) => {
      const transaction = db.transaction(store, mode);
      const request = act(transaction.objectStore(store));
      transaction.oncomplete = () => resolve(request ? request.result : undefined);
      transaction.onerror = () => reject(transaction.error);
      transaction.onabort = () => reject(transaction.error || new Error('storage refused'));
    });
  }

  async function useIpl(bytes, name) {
    checkSize(name, bytes.length, IPL_MAX, 'an IPL ROM');
    const previous = userIpl;
    userIpl = bytes;
    try {
      powerOn(cartridge && cartridge.bytes, tape && tape.bytes);
    } catch (e) {
      userIpl = previous;
      throw e;
    }
    await stored('files', 'readwrite', (s) => s.put(bytes, 'ipl'));
    show(`Booting from "${name}"; it is kept in this browser for later visits.`, 'info');
  }

  async function forgetIpl() {
    userIpl = null;
    try {
      powerOn(cartridge && cartridge.bytes, tape && tape.bytes);
      await stored('files', 'readwrite', (s) => s.delete('ipl'));
      show('Your IPL.ROM is forgotten; the free boot ROM runs.', 'info');
    } catch (e) {
      show(e.message);
    }
    updateMediaStatus();
  }

  // The slot's picture: the whole screen (a few KiB as PNG), which the slot
  // list shows scaled down, so text stays readable.
  function thumbnail() {
    return canvas.toDataURL('image/png');
  }

  async function saveSlot(slot) {
    try {
      const record = { state: saveState(), thumbnail: thumbnail(), time: Date.now(),
                       cartridge: cartridge ? cartridge.name : '' };
      await stored('slots', 'readwrite', (s) => s.put(record, slot));
      show(`Saved in slot ${slot}.`, 'info');
      await renderSlots();
    } catch (e) {
      show(`Could not save in slot ${slot}: ${e.message}`);
    }
  }

  async function loadSlot(slot) {
    try {
      const record = await stored('slots', 'readonly', (s) => s.get(slot));
      if (!record) throw new Error('the slot is empty.');
      const note = loadState(record.state);
      resetRewind();
      draw();
      show(note ? `Slot ${slot} loaded; ${note}` : `Slot ${slot} loaded.`, 'info');
    } catch (e) {
      show(`Could not load slot ${slot}: ${e.message}`);
    }
  }

  async function renderSlots() {
    const list = $('slots');
    let records = [];
    try {
      records = await Promise.all(Array.from({ length: SLOTS }, (_, i) =>
        stored('slots', 'readonly', (s) => s.get(i + 1))));
    } catch (e) {
      show(`Save slots are not available: ${e.message}`);
    }
    list.textContent = '';
    for (let slot = 1; slot <= SLOTS; ++slot) {
      const record = records[slot - 1];
      const item = document.createElement('li');
      item.dataset.slot = String(slot);
      const picture = document.createElement(record ? 'img' : 'div');
      if (record) {
        picture.src = record.thumbnail;
        picture.alt = `Slot ${slot}`;
      } else {
        picture.className = 'empty-thumb';
      }
      const time = document.createElement('span');
      time.className = 'slot-time';
      time.textContent = record
        ? `${slot}: ${new Date(record.time).toLocaleString()}${record.cartridge ? ' · ' + record.cartridge : ''}`
        : `${slot}: empty`;
      const save = document.createElement('button');
      save.type = 'button';
      save.textContent = 'Save';
      save.className = 'slot-save';
      save.addEventListener('click', () => saveSlot(slot));
      const load = document.createElement('button');
      load.type = 'button';
      load.textContent = 'Load';
      load.className = 'slot-load';
      load.disabled = !record;
      load.addEventListener('click', () => loadSlot(slot));
      item.append(picture, time, save, load);
      list.append(item);
    }
  }

  function downloadState() {
    try {
      const blob = new Blob([saveState()], { type: 'application/octet-stream' });
      const link = document.createElement('a');
      const base = cartridge ? cartridge.name.replace(/\.[^.]*$/, '') : 'm5';
      const stamp = new Date().toISOString().replace(/[:.]/g, '-').slice(0, 19);
      link.href = URL.createObjectURL(blob);
      link.download = `${base}-${stamp}.m5s`;
      document.body.append(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    } catch (e) {
      show(`Could not save the state: ${e.message}`);
    }
  }

  // --- Keyboard ------------------------------------------------------------------------

  function onKeyDown(event) {
    if (event.metaKey || event.altKey) return;
    if (event.code === 'F8') {
      setRewinding(true);
      return;
    }
    const name = KEY_CODES[event.code];
    if (!name) return;
    event.preventDefault();
    startAudio();
    if (heldCodes.has(event.code)) return;  // a repeat
    heldCodes.add(event.code);
    setKey(name, true);
  }

  function onKeyUp(event) {
    if (event.code === 'F8') {
      setRewinding(false);
      return;
    }
    const name = KEY_CODES[event.code];
    if (!name || !heldCodes.has(event.code)) return;
    event.preventDefault();
    heldCodes.delete(event.code);
    setKey(name, false);
  }

  // Keys held when the page loses the keyboard would never see their release.
  function releaseKeys() {
    for (const code of heldCodes) setKey(KEY_CODES[code], false);
    heldCodes.clear();
    setRewinding(false);
  }

  function buildKeyboard() {
    const board = $('keyboard');
    const latched = new Set();
    for (const row of KEYBOARD_ROWS) {
      const line = document.createElement('div');
      line.className = 'row';
      for (const [label, shifted, given, width] of row) {
        const name = given || KEY_NAME_OF_LABEL[label] || label;
        const key = document.createElement('button');
        key.type = 'button';
        key.className = 'key' + (width ? ' ' + width : '');
        key.dataset.key = name;
        key.append(document.createTextNode(label));
        if (shifted) {
          const small = document.createElement('small');
          small.textContent = shifted;
          key.append(small);
        }
        let pointer = null;
        key.addEventListener('pointerdown', (event) => {
          event.preventDefault();
          startAudio();
          if (LATCHING.has(name)) {
            if (latched.has(name)) {
              latched.delete(name);
              key.classList.remove('latched');
              setKey(name, false);
            } else {
              latched.add(name);
              key.classList.add('latched');
              setKey(name, true);
            }
            return;
          }
          if (pointer !== null) return;
          pointer = event.pointerId;
          key.setPointerCapture(event.pointerId);
          key.classList.add('down');
          setKey(name, true);
        });
        const up = (event) => {
          if (pointer !== event.pointerId) return;
          pointer = null;
          key.classList.remove('down');
          setKey(name, false);
          // A latched SHIFT, CTRL or FUNC applies to one key.
          for (const held of latched) {
            setKey(held, false);
            board.querySelector(`[data-key="${held}"]`).classList.remove('latched');
          }
          latched.clear();
        };
        key.addEventListener('pointerup', up);
        key.addEventListener('pointercancel', up);
        line.append(key);
      }
      board.append(line);
    }
  }

  // --- Gamepads and the on-screen joystick --------------------------------------------

  // Standard-mapping gamepads, as the desktop program's defaults: d-pad and
  // left stick the directions, A fire 1, B fire 2, X the space bar.
  const DEAD_ZONE = 8000 / 32767;
  function pollGamepads() {
    // The first two connected pads are joysticks 1 and 2 (read in place:
    // this runs every frame).
    const all = navigator.getGamepads ? navigator.getGamepads() : [];
    let next = 0;
    for (let stick = 0; stick < 2; ++stick) {
      let pad = null;
      while (!pad && next < all.length) {
        const p = all[next++];
        if (p && p.connected) pad = p;
      }
      let bits = 0;
      if (pad) {
        const pressed = (i) => pad.buttons[i] && pad.buttons[i].pressed;
        const x = pad.axes[0] || 0;
        const y = pad.axes[1] || 0;
        if (pressed(12) || y < -DEAD_ZONE) bits |= JOY.up;
        if (pressed(13) || y > DEAD_ZONE) bits |= JOY.down;
        if (pressed(14) || x < -DEAD_ZONE) bits |= JOY.left;
        if (pressed(15) || x > DEAD_ZONE) bits |= JOY.right;
        if (pressed(0)) bits |= JOY.fire1;
        if (pressed(1)) bits |= JOY.fire2;
        const id = `${pad.index}:2`;
        if (pressed(2) !== padKeys.has(id)) {
          if (pressed(2)) padKeys.add(id); else padKeys.delete(id);
          setKey('SPACE', pressed(2));
        }
      }
      joystickSources[stick].pad = bits;
    }
  }

  function buildTouchControls() {
    const stick = $('stick');
    const knob = stick.querySelector('.knob');
    let pointer = null;
    const move = (event) => {
      const box = stick.getBoundingClientRect();
      const radius = box.width / 2;
      let dx = (event.clientX - box.left - radius) / radius;
      let dy = (event.clientY - box.top - radius) / radius;
      const distance = Math.hypot(dx, dy);
      let bits = 0;
      if (distance > 0.25) {
        // Eight directions: a diagonal covers the 45 degrees around it.
        const cx = dx / distance;
        const cy = dy / distance;
        if (cx > 0.383) bits |= JOY.right;
        if (cx < -0.383) bits |= JOY.left;
        if (cy > 0.383) bits |= JOY.down;
        if (cy < -0.383) bits |= JOY.up;
      }
      if (distance > 1) {
        dx /= distance;
        dy /= distance;
      }
      knob.style.transform = `translate(${dx * radius * 0.6}px, ${dy * radius * 0.6}px)`;
      joystickSources[0].touch = (joystickSources[0].touch & (JOY.fire1 | JOY.fire2)) | bits;
    };
    const end = (event) => {
      if (pointer !== event.pointerId) return;
      pointer = null;
      knob.style.transform = '';
      joystickSources[0].touch &= JOY.fire1 | JOY.fire2;
    };
    stick.addEventListener('pointerdown', (event) => {
      event.preventDefault();
      startAudio();
      if (pointer !== null) return;
      pointer = event.pointerId;
      stick.setPointerCapture(event.pointerId);
      move(event);
    });
    stick.addEventListener('pointermove', (event) => { if (pointer === event.pointerId) move(event); });
    stick.addEventListener('pointerup', end);
    stick.addEventListener('pointercancel', end);

    for (const button of document.querySelectorAll('.fire-button')) {
      const bit = button.dataset.fire === '1' ? JOY.fire1 : JOY.fire2;
      let held = null;
      button.addEventListener('pointerdown', (event) => {
        event.preventDefault();
        startAudio();
        held = event.pointerId;
        button.setPointerCapture(event.pointerId);
        button.classList.add('down');
        joystickSources[0].touch |= bit;
      });
      const release = (event) => {
        if (held !== event.pointerId) return;
        held = null;
        button.classList.remove('down');
        joystickSources[0].touch &= ~bit;
      };
      button.addEventListener('pointerup', release);
      button.addEventListener('pointercancel', release);
    }
  }

  function setRewinding(on) {
    if (on === rewinding) return;
    rewinding = on;
    rewindCountdown = 0;
    $('rewind-button').classList.toggle('down', on);
    if (on && audio.node) audio.node.port.postMessage('flush');
  }

  // --- The picture's size ---------------------------------------------------------------

  // The largest whole number of device pixels per M5 pixel that fits.
  function fitScreen() {
    const stage = $('stage');
    const ratio = window.devicePixelRatio || 1;
    const scale = Math.max(1, Math.floor(Math.min(stage.clientWidth * ratio / WIDTH,
                                                  stage.clientHeight * ratio / HEIGHT)));
    canvas.style.width = `${WIDTH * scale / ratio}px`;
    canvas.style.height = `${HEIGHT * scale / ratio}px`;
  }

  // --- Wiring -------------------------------------------------------------------------------

  function wire() {
    const picker = (id, kind) => $(id).addEventListener('change', (event) => {
      const file = event.target.files[0];
      event.target.value = '';
      if (file) openFile(file, kind);
    });
    picker('cart-input', 'cart');
    picker('tape-input', 'tape');
    picker('state-input', 'state');
    picker('ipl-input', 'ipl');

    const toggle = (buttonId, panelId, after) => $(buttonId).addEventListener('click', () => {
      const panel = $(panelId);
      panel.hidden = !panel.hidden;
      $(buttonId).setAttribute('aria-expanded', String(!panel.hidden));
      if (after) after(!panel.hidden);
      fitScreen();
    });
    toggle('states-button', 'states', (open) => open && renderSlots());
    toggle('keyboard-button', 'keyboard');
    toggle('more-button', 'more');

    $('power-button').addEventListener('click', () => {
      try {
        powerOn(cartridge && cartridge.bytes, tape && tape.bytes);
      } catch (e) {
        show(e.message);
      }
    });
    $('reset-button').addEventListener('click', () => M._m5emu_reset(machine()));
    $('pause-button').addEventListener('click', () => setPaused(!paused));
    $('mute-button').addEventListener('click', () => setMuted(!audio.muted));
    // Fullscreen: the picture alone with a mouse; the whole page on a touch
    // screen, whose joystick and keyboard live beside the picture.
    $('fullscreen-button').addEventListener('click', () => {
      const target = matchMedia('(pointer: coarse)').matches ? document.documentElement : $('stage');
      if (document.fullscreenElement) document.exitFullscreen();
      else if (target.requestFullscreen) target.requestFullscreen().catch((e) => show(e.message));
      else show('This browser shows no page in fullscreen: add the page to the home screen instead.');
    });
    $('forget-ipl-button').addEventListener('click', forgetIpl);
    $('record-button').addEventListener('click', () => (gif ? stopRecording() : startRecording()));
    $('sprite-limit-input').addEventListener('change', (event) => {
      spriteLimit = event.target.checked;
      if (M) M._m5emu_set_sprite_limit(machine(), spriteLimit ? 1 : 0);
      try {
        localStorage.setItem('m5emu.spriteLimit', spriteLimit ? '1' : '0');
      } catch (e) {
        // No storage: the choice holds for this visit.
      }
    });
    const machineChanged = () => {
      try {
        setMachine(Number($('model-select').value), Number($('memory-select').value));
      } catch (e) {
        show(e.message);
      }
    };
    $('model-select').addEventListener('change', machineChanged);
    $('memory-select').addEventListener('change', machineChanged);
    $('eject-button').addEventListener('click', () => {
      M._m5emu_remove_cartridge(machine());
      cartridge = null;
      resetRewind();
      updateMediaStatus();
    });
    $('stop-tape-button').addEventListener('click', () => {
      M._m5emu_stop_tape(machine());
      tape = null;
      updateMediaStatus();
    });
    $('paste-button').addEventListener('click', async () => {
      try {
        paste(await navigator.clipboard.readText());
      } catch (e) {
        show('The browser did not give the clipboard: paste with Control+V (or the browser\'s menu) instead.');
      }
    });
    document.addEventListener('paste', (event) => {
      const text = event.clipboardData && event.clipboardData.getData('text');
      if (text) {
        event.preventDefault();
        paste(text);
      }
    });
    $('download-state-button').addEventListener('click', downloadState);
    const rewindButton = $('rewind-button');
    rewindButton.addEventListener('pointerdown', (event) => {
      rewindButton.setPointerCapture(event.pointerId);
      setRewinding(true);
    });
    for (const type of ['pointerup', 'pointercancel']) rewindButton.addEventListener(type, () => setRewinding(false));
    $('message').addEventListener('click', () => { $('message').hidden = true; });

    window.addEventListener('keydown', onKeyDown);
    window.addEventListener('keyup', onKeyUp);
    window.addEventListener('blur', releaseKeys);
    window.addEventListener('pointerdown', startAudio);
    document.addEventListener('visibilitychange', () => {
      if (document.hidden) {
        releaseKeys();
        if (audio.node) audio.node.port.postMessage('flush');
      }
    });

    let dragDepth = 0;
    window.addEventListener('dragenter', (event) => {
      event.preventDefault();
      if (++dragDepth === 1) $('drop-hint').hidden = false;
    });
    window.addEventListener('dragleave', () => {
      if (--dragDepth <= 0) {
        dragDepth = 0;
        $('drop-hint').hidden = true;
      }
    });
    window.addEventListener('dragover', (event) => event.preventDefault());
    window.addEventListener('drop', (event) => {
      event.preventDefault();
      dragDepth = 0;
      $('drop-hint').hidden = true;
      const file = event.dataTransfer && event.dataTransfer.files[0];
      if (file) openFile(file, 'auto');
    });

    // The touch controls show once the page is touched (a coarse pointer
    // shows them from the start); the picture then takes what is left.
    const touched = () => {
      if (document.documentElement.classList.contains('touched')) return;
      document.documentElement.classList.add('touched');
      fitScreen();
    };
    window.addEventListener('touchstart', touched, { passive: true });
    window.addEventListener('pointerdown', (event) => { if (event.pointerType === 'touch') touched(); });
    window.addEventListener('resize', fitScreen);
    document.addEventListener('fullscreenchange', fitScreen);
    if (window.ResizeObserver) new ResizeObserver(fitScreen).observe($('stage'));
    showFileHint();
    buildKeyboard();
    buildTouchControls();
    fitScreen();
  }

  function paste(text) {
    check(M.ccall('m5emu_paste', 'number', ['number', 'string'], [machine(), text]), lastError);
  }

  // ?cart=URL and ?tape=URL (this site's own files) start a program at once.
  async function fetchLinked(parameter, what, max) {
    const link = new URLSearchParams(location.search).get(parameter);
    if (!link) return null;
    const url = new URL(link, location.href);
    if (url.origin !== location.origin) throw new Error(`The ${what} link must be on this site (${location.origin}).`);
    const response = await fetch(url);
    if (!response.ok) throw new Error(`Could not fetch the ${what} "${link}" (${response.status}).`);
    const bytes = new Uint8Array(await response.arrayBuffer());
    const name = decodeURIComponent(url.pathname.split('/').pop() || link);
    if (what === 'tape') checkSize(name, bytes.length, max, 'a tape');
    return { bytes: bytes.subarray(0, max + 1), name };
  }

  async function start() {
    M = await createM5Module();
    countPointer = M._malloc(4);
    if (!M._m5web_machine()) throw new Error('out of memory');
    framesPerSecond = M._m5web_frames_per_second();
    frameMs = 1000 / framesPerSecond;
    const known = new Set(keyNames());
    for (const [code, name] of Object.entries(KEY_CODES)) {
      if (!known.has(name)) console.error(`the key ${code} gives "${name}", which is no M5 key`);
    }
    try {
      spriteLimit = localStorage.getItem('m5emu.spriteLimit') === '1';
    } catch (e) {
      spriteLimit = false;
    }
    $('sprite-limit-input').checked = spriteLimit;
    M._m5emu_set_sprite_limit(machine(), spriteLimit ? 1 : 0);
    try {
      const storedModel = Number(localStorage.getItem('m5emu.model') || '0');
      const storedMemory = Number(localStorage.getItem('m5emu.memory') || '1');
      if (M._m5web_choose_machine(storedModel, storedMemory) === 0) {
        model = storedModel;
        memory = storedMemory;
      }
    } catch (e) {
      // No storage: the 60 Hz machine with 32 KiB.
    }
    showMachine();
    try {
      const ipl = await stored('files', 'readonly', (s) => s.get('ipl'));
      if (ipl) userIpl = ipl;
    } catch (e) {
      // No storage (a private window, say): the free boot ROM it is.
    }
    try {
      const [cart, linkedTape] = await Promise.all([fetchLinked('cart', 'cartridge', CARTRIDGE_MAX),
                                                    fetchLinked('tape', 'tape', TAPE_MAX)]);
      // The library checks both before the fresh machine replaces this one.
      try {
        powerOn(cart && cart.bytes, linkedTape && linkedTape.bytes);
      } catch (e) {
        const kind = /^the tape /.test(e.message) ? linkedTape : cart;
        throw new Error(kind ? aboutFile(kind.name, e.message) : e.message);
      }
      cartridge = cart;
      tape = linkedTape;
    } catch (e) {
      show(e.message);
      cartridge = null;
      tape = null;
      try {
        powerOn(null, null);
      } catch (e2) {
        show(`Your IPL.ROM could not start (${e2.message}); the free boot ROM runs.`);
        userIpl = null;
        powerOn(null, null);
      }
    }
    updateMediaStatus();
    draw();
    if ('serviceWorker' in navigator && location.protocol !== 'file:') {
      navigator.serviceWorker.register('service-worker.js').catch(() => {});
    }
  }

  wire();
  const ready = start();
  ready.catch((e) => show(`The emulator could not start: ${e.message}`));
  requestAnimationFrame(loop);

  const directionsOf = (directions) => {
    if (typeof directions === 'number') return directions & 0x0f;
    const list = Array.isArray(directions) ? directions : String(directions || '').split(/[^a-z]+/i);
    let bits = 0;
    for (const d of list) {
      if (!d) continue;
      const bit = JOY[String(d).toLowerCase()];
      if (!bit || bit > JOY.right) throw new Error(`unknown direction "${d}" (up, down, left, right)`);
      bits |= bit;
    }
    return bits;
  };
  const buttonsOf = (buttons) => {
    if (typeof buttons === 'number') return ((buttons & 1) ? JOY.fire1 : 0) | ((buttons & 2) ? JOY.fire2 : 0);
    let bits = 0;
    for (const b of buttons || []) {
      if (Number(b) === 1) bits |= JOY.fire1;
      else if (Number(b) === 2) bits |= JOY.fire2;
      else throw new Error(`unknown button ${b} (1 or 2)`);
    }
    return bits;
  };

  // The page's interface for scripts and tests.
  window.m5emu = Object.freeze({
    ready: ready.then(() => undefined),
    pause() { setPaused(true); },
    resume() { setPaused(false); },
    // The model ('ntsc' or 'pal') and memory ('4k', '32k', '64kbf-2b',
    // '64kbf-2c') of the machine; setMachine starts a fresh one of them.
    machine() { return { model: MODEL_KEYS[model], memory: MEMORY_KEYS[memory] }; },
    setMachine({ model: newModel = MODEL_KEYS[model], memory: newMemory = MEMORY_KEYS[memory] } = {}) {
      const m = MODEL_KEYS.indexOf(String(newModel).toLowerCase());
      const r = MEMORY_KEYS.indexOf(String(newMemory).toLowerCase());
      if (m < 0) throw new RangeError(`unknown model "${newModel}" (ntsc or pal)`);
      if (r < 0) throw new RangeError(`unknown memory "${newMemory}" (4k, 32k, 64kbf-2b or 64kbf-2c)`);
      setMachine(m, r);
    },
    powerOn({ cartridge: cart, tape: tapeBytes } = {}) {
      const c = cart ? toBytes(cart, 'cartridge') : null;
      const t = tapeBytes ? toBytes(tapeBytes, 'tape') : null;
      powerOn(c, t);
      cartridge = c ? { bytes: c, name: 'cartridge' } : null;
      tape = t ? { bytes: t, name: 'tape' } : null;
      updateMediaStatus();
    },
    runFrames(n) {
      const count = Math.floor(Number(n));
      if (!(count >= 0)) throw new RangeError('runFrames takes a number of frames');
      pollGamepads();
      sendJoysticks();
      runFrames(count);
      draw();
    },
    frame() { return M._m5emu_frame_count(machine()) >>> 0; },
    readMemory(address, length) { return readMemory(Number(address) & 0xffff, Math.min(Number(length), 65536)); },
    keyNames() { return keyNames(); },
    pixels() { return pixels().slice(); },
    key(name, down) {
      const key = String(name).toUpperCase();
      check(M.ccall('m5emu_key', 'number', ['number', 'string', 'number'], [machine(), key, down ? 1 : 0]),
        lastError);
      keyHolders.set(key, down ? 1 : 0);
    },
    joystick(n, directions, buttons) {
      const stick = Number(n) - 1;
      if (stick !== 0 && stick !== 1) throw new RangeError('joystick 1 or 2');
      joystickSources[stick].script = directionsOf(directions) | buttonsOf(buttons);
      sendJoysticks();
    },
    insertCartridge(bytes) {
      const c = toBytes(bytes, 'cartridge');
      const note = insertCartridge(c);
      cartridge = { bytes: c, name: 'cartridge' };
      updateMediaStatus();
      return note;
    },
    playTape(bytes) {
      const t = toBytes(bytes, 'tape');
      playTape(t);
      tape = { bytes: t, name: 'tape' };
      updateMediaStatus();
    },
    saveState() { return saveState(); },
    loadState(bytes) {
      const note = loadState(toBytes(bytes, 'state'));
      resetRewind();
      draw();
      return note;
    },
    paste(text) { paste(String(text)); },
    audioStats() {
      if (!audio.node) return Promise.resolve(null);
      return new Promise((resolve) => {
        audio.statsWaiting = resolve;
        audio.node.port.postMessage('stats');
      });
    },
  });
})();
