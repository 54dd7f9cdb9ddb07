// The browser side of the program: the start screen, the windows' boxes and title bars, their
// canvases and drawing, pointer input, and sound through Web Audio. The program itself
// (wordmeadow.js and .wasm, from shell/web/*.cpp) calls the functions of `page` below.
'use strict';

(() => {
  // Filled in by the build: the pictures of assets/, by name.
  const PICTURES = /*@PICTURES@*/ [];
  // The label font (bundled, so that no text depends on the device's fonts), the title bars' too.
  const LABEL_FONT = 'Wordmeadow Labels';
  const CROSS = '<svg viewBox="0 0 10 10" aria-hidden="true"><path d="M1 1L9 9M9 1L1 9" ' +
    'stroke="#000" stroke-width="2"/></svg>';
  // Liberation Sans' vertical metrics (units per em 2048), rounded up as the desktop's font
  // renderer does: a label's first baseline lies one ascent below its top.
  const ASCENT = 1854 / 2048;
  const LINE_SKIP = 2355 / 2048;
  // Two presses make a double-click within this time, and within this distance in the client
  // area: the desktop's 2 pixels for a mouse, more for a finger or a pen.
  const DOUBLE_CLICK_MS = 500;
  const DOUBLE_CLICK_SLOP = { mouse: 2, touch: 16, pen: 8 };

  const desk = document.getElementById('desk');
  const startButton = document.getElementById('start');
  const windows = new Map();  // id -> { box, canvas, context, drawing, drawings, order, ... }
  let program = null;
  let audio = null;

  // --- Pictures, asked for as windows need them, and the label font. ---
  const pictures = new Map();  // name -> Promise of a decoded <img>, or null
  const decodedPictures = new Map();  // name -> <img>, once decoded
  function pictureOf(name, priority = 'high') {
    if (!pictures.has(name)) {
      const img = new Image();
      img.fetchPriority = priority;  // a drawing waits for it; a preload does not
      img.src = `assets/${name}.bmp`;
      pictures.set(name, img.decode().then(() => decodedPictures.set(name, img), () => null));
    }
    return pictures.get(name);
  }
  const fontLoaded = new FontFace(LABEL_FONT, 'url(LiberationSans-Bold.ttf)', { weight: 'bold' })
    .load().then((face) => document.fonts.add(face), () => {});
  // The listing is read afresh for every start, as a new process reads its folder; the first
  // one while the start screen is up.
  const readListing = () => fetch('listing.txt', { cache: 'no-cache' })
    .then((r) => (r.ok ? r.text() : ''), () => '');
  let listing = readListing();
  let moduleLoaded = createWordmeadow({ page: null });
  // The pictures the start will show, asked for while the start screen is up.
  moduleLoaded.then((module) => {
    module.ccall('wm_start_pictures', 'string', [], []).split('\n').filter(Boolean)
      .forEach((name) => pictureOf(name));
  });

  // --- Sound: each recording fetched and decoded once; a new request cuts off the last. ---
  const sounds = new Map();  // path -> Promise of an AudioBuffer (null: unplayable this time)
  let playing = null;
  let requests = 0;
  let alertTone = null;

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

  function playSound(path) {
    if (!audio) return;
    const request = ++requests;
    if (playing) {
      playing.stop();
      playing = null;
    }
    // No name is no recording (the program's folder): the alert, with nothing asked of the server.
    (path ? decoded(path) : Promise.resolve(null)).then((buffer) => {
      if (request !== requests) return;  // a later request came first: nothing is queued
      const source = audio.createBufferSource();
      source.buffer = buffer || (alertTone ??= makeAlertTone());
      source.connect(audio.destination);
      source.start();
      playing = source;
    });
  }

  // --- Windows: a box with a title bar over one canvas of the client area's size. ---
  let stacking = 0;

  function openWindow(id, caption, width, height) {
    const box = document.createElement('section');
    box.className = 'window';
    box.dataset.window = id;
    box.setAttribute('aria-label', caption);
    const bar = document.createElement('header');
    bar.className = 'title';
    const icon = document.createElement('img');
    icon.src = 'assets/icon.bmp';
    icon.alt = '';
    const title = document.createElement('h1');
    title.textContent = caption;
    const close = document.createElement('button');
    close.className = 'close';
    close.setAttribute('aria-label', 'Close');
    close.innerHTML = CROSS;
    close.addEventListener('click', () => call('wm_close', ['string'], [id]));
    bar.append(icon, title, close);
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    canvas.dataset.window = id;
    listenForPresses(canvas, id);
    box.append(bar, canvas);
    windows.set(id, {
      box, canvas, context: canvas.getContext('2d'), drawing: [], drawings: 0, painted: false,
      wanted: false, order: 0,
    });
  }

  // A window goes on the page once it is shown and painted whole, in the stacking order of the
  // shows and raises (a later one in front), whichever window's pictures were ready first.
  function place(w) {
    if (!w.wanted || !w.painted) return;
    const above = [...desk.children].find((box) => box !== w.box && windowOf(box).order > w.order);
    desk.insertBefore(w.box, above ?? null);
    fitDesk();
    requestAnimationFrame(() => setTimeout(preload));  // after the frame that shows the window
  }

  // The pictures of every window, and the whole site kept for offline use: asked for once the
  // first window is up, or a moment after the page has loaded if the start screen stays, so as
  // not to slow down a start tapped at once, while a later tap finds everything at hand.
  let preloaded = false;
  function preload() {
    if (preloaded) return;
    preloaded = true;
    PICTURES.forEach((name) => pictureOf(name, 'low'));
    if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});
  }
  addEventListener('load', () => setTimeout(preload, 1000));
  const windowOf = (box) => windows.get(box.dataset.window);

  function showWindow(id) {
    const w = windows.get(id);
    w.wanted = true;
    w.order = ++stacking;
    place(w);
  }

  function raiseWindow(id) {
    showWindow(id);
  }

  function closeWindow(id) {
    windows.get(id)?.box.remove();
    windows.delete(id);
    fitDesk();
  }

  // Pixels one to one, unless the viewport is smaller than a window: then the whole desk is
  // scaled down to fit.
  function fitDesk() {
    let scale = 1;
    for (const { box } of windows.values()) {
      if (!box.isConnected) continue;
      scale = Math.min(scale, innerWidth / box.offsetWidth, innerHeight / box.offsetHeight);
    }
    desk.style.setProperty('--scale', String(scale));
  }
  addEventListener('resize', fitDesk);

  // --- Drawing: the program lists a window's drawing, and it is painted on the canvas as one
  // frame once every picture in it (and the font, for labels) is ready. ---
  function fill(id, red, green, blue) {
    windows.get(id).drawing = [(context) => {
      context.fillStyle = `rgb(${red},${green},${blue})`;
      context.fillRect(0, 0, context.canvas.width, context.canvas.height);
    }];
  }

  function picture(id, name, left, top, width, height) {
    const w = windows.get(id);
    w.drawing.push(pictureOf(name), (context) => {
      const img = decodedPictures.get(name);
      if (!img) return;
      // Pictures keep their own size; whatever lies outside the element is cut.
      const sw = Math.min(img.naturalWidth, width);
      const sh = Math.min(img.naturalHeight, height);
      context.drawImage(img, 0, 0, sw, sh, left, top, sw, sh);
    });
  }

  function label(id, text, pixels, left, top, width, height) {
    windows.get(id).drawing.push(fontLoaded,
      (context) => drawLabel(context, text, pixels, left, top, width, height));
  }

  async function drawn(id) {
    const w = windows.get(id);
    const drawing = w.drawing;
    const count = ++w.drawings;
    await Promise.all(drawing.filter((step) => step instanceof Promise));
    // Drawn again meanwhile (that one is painted), or closed.
    if (count !== w.drawings || windows.get(id) !== w) return;
    for (const step of drawing) if (typeof step === 'function') step(w.context);
    w.painted = true;
    if (!w.box.isConnected) place(w);
  }

  // White, bold, left-aligned, wrapped at spaces to the label's width, cut to its box.
  function drawLabel(context, text, pixels, left, top, width, height) {
    context.save();
    context.beginPath();
    context.rect(left, top, width, height);
    context.clip();
    context.font = `bold ${pixels}px "${LABEL_FONT}"`;
    context.fillStyle = '#fff';
    context.textBaseline = 'alphabetic';
    const lines = [];
    for (const paragraph of text.split('\n')) {
      let line = '';
      for (const word of paragraph.split(' ')) {
        const longer = line ? `${line} ${word}` : word;
        if (line && context.measureText(longer).width > width) {
          lines.push(line);
          line = word;
        } else {
          line = longer;
        }
      }
      lines.push(line);
    }
    const ascent = Math.ceil(pixels * ASCENT);
    const skip = Math.ceil(pixels * LINE_SKIP);
    lines.forEach((line, i) => context.fillText(line, left, top + ascent + i * skip));
    context.restore();
  }

  // --- Input: pointer events, so mouse, touch and pen alike. ---
  let lastPress = null;  // { id, time, x, y, count }

  function clientPoint(event, canvas) {
    const r = canvas.getBoundingClientRect();
    return {
      x: Math.floor((event.clientX - r.left) * canvas.width / r.width),
      y: Math.floor((event.clientY - r.top) * canvas.height / r.height),
    };
  }

  // Presses are counted as the desktop counts them: every second one of a quick run near one
  // spot is the second press of a double-click.
  function pressCount(id, event, p) {
    const slop = DOUBLE_CLICK_SLOP[event.pointerType] ?? 2;
    const last = lastPress;
    const counts = last && last.id === id && event.timeStamp - last.time <= DOUBLE_CLICK_MS &&
      Math.abs(p.x - last.x) <= slop && Math.abs(p.y - last.y) <= slop;
    lastPress = { id, time: event.timeStamp, x: p.x, y: p.y, count: counts ? last.count + 1 : 1 };
    return lastPress.count;
  }

  function listenForPresses(canvas, id) {
    canvas.addEventListener('pointerdown', (event) => {
      if (!event.isPrimary || event.button !== 0 || !program) return;
      event.preventDefault();
      canvas.setPointerCapture(event.pointerId);
      const p = clientPoint(event, canvas);
      const second = pressCount(id, event, p) % 2 === 0 ? 1 : 0;
      call('wm_press', ['string', 'number', 'number', 'number'], [id, p.x, p.y, second]);
    });
    canvas.addEventListener('pointerup', (event) => {
      if (!event.isPrimary || event.button !== 0 || !program) return;
      const p = clientPoint(event, canvas);
      call('wm_release', ['string', 'number', 'number'], [id, p.x, p.y]);
    });
    canvas.addEventListener('contextmenu', (event) => event.preventDefault());
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
      moduleLoaded = createWordmeadow({ page: null });
      for (const id of [...windows.keys()]) closeWindow(id);
    }
    if (!anyLoaded) startButton.hidden = false;
  }

  function openAddress(address) {
    window.open(address, '_blank', 'noopener');
  }

  const page = {
    playSound, openAddress, openWindow, showWindow, raiseWindow, closeWindow, fill, picture, label,
    drawn,
  };

  // --- The start screen: browsers play sound only after a touch or a click. ---
  async function start() {
    if (!audio) audio = new AudioContext();
    audio.resume();
    startButton.hidden = true;
    const [module, listed] = await Promise.all([moduleLoaded, listing ?? readListing()]);
    listing = null;
    module.page = page;
    module.listing = listed;  // read by the program from here, through the heap
    program = module;
    call('wm_start', [], []);
  }
  // A tap made before this script came was taken by the page itself (index.html), which
  // started the sound then, as browsers allow only in the tap.
  startButton.onclick = start;
  if (window.wordmeadowEarlyTap) {
    audio = window.wordmeadowEarlyTap;
    start();
  }
})();
