// The page's side of the browser build (an emscripten --pre-js): the canvas
// and its enlargement, the viewer's click, keys and full screen, the sound
// device behind web/sdl/SDL_webaudio.c, and the figures the tests read.
(function () {
  const canvas = document.getElementById('screen');
  const ctx2d = canvas.getContext('2d', { alpha: false });
  const cover = document.getElementById('cover');
  const prompt = document.getElementById('prompt');
  const messages = document.getElementById('messages');
  const W = 640, H = 480, RATE = 44100;

  const stats = Module.pluppStats = {
    readyMs: 0, firstFrameMs: 0, startMs: 0, frames: 0, showMs: 0, workMs: 0, presentMs: 0,
    ended: null, shots: {}, cues: [], audioBlocks: 0, audioNonZero: 0, messages: [],
  };

  // As large as the window allows, 4:3 kept, centred on black.
  function fit() {
    const s = Math.min(window.innerWidth / W, window.innerHeight / H);
    const w = Math.floor(W * s), h = Math.floor(H * s);
    canvas.style.width = w + 'px';
    canvas.style.height = h + 'px';
    canvas.style.left = Math.floor((window.innerWidth - w) / 2) + 'px';
    canvas.style.top = Math.floor((window.innerHeight - h) / 2) + 'px';
  }
  // Where the browser itself takes Escape to leave full screen, that same
  // press must not also end the show when it reaches the page afterwards.
  let leftFullScreenAt = -1e9;
  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', () => {
    if (!document.fullscreenElement) leftFullScreenAt = performance.now();
    fit();
  });
  fit();

  function say(line) {
    stats.messages.push(line);
    messages.classList.remove('old');
    messages.textContent += (messages.textContent ? '\n' : '') + line.replace(/^plupp: /, '');
    clearTimeout(say.timer);
    say.timer = setTimeout(() => messages.classList.add('old'), 10000);
  }
  Module.print = (line) => console.log(line);
  Module.printErr = (line) => {
    console.warn(line);
    if (line.startsWith('plupp:')) say(line);
  };

  Module.showFrame = function (ptr) {
    ctx2d.putImageData(new ImageData(new Uint8ClampedArray(HEAPU8.buffer, ptr, W * H * 4), W, H), 0, 0);
    if (!stats.firstFrameMs) stats.firstFrameMs = performance.now();
  };

  const shots = Module.pluppShots || [];
  Module.frameShown = function (frames, ticks, workMs, presentMs) {
    stats.frames = frames;
    stats.showMs = ticks;
    stats.workMs = workMs;
    stats.presentMs = presentMs;
    // The frame drawn at `ticks` is the first at or after the times asked for.
    while (shots.length && ticks / 1000 + 1e-9 >= shots[0]) {
      const t = shots.shift();
      const rgba = ctx2d.getImageData(0, 0, W, H).data;
      const rgb = new Uint8Array(W * H * 3);
      for (let i = 0, j = 0; i < rgba.length; i += 4, j += 3) {
        rgb[j] = rgba[i]; rgb[j + 1] = rgba[i + 1]; rgb[j + 2] = rgba[i + 2];
      }
      stats.shots[t] = { ticks: ticks, rgb: rgb };
    }
  };

  Module.cueReleased = function (instrument, songSeconds, leadMs, queuedMs) {
    if (stats.cues.length < 4096)
      stats.cues.push({ instrument, songSeconds, leadMs, queuedMs, showMs: stats.showMs });
  };

  function leaveFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  }
  Module.showEnded = function (status) {
    if (stats.ended !== null) return;
    stats.ended = status;
    leaveFullScreen();
    if (Module.audioContext) Module.audioContext.suspend().catch(() => {});
    cover.classList.add('waiting');
    cover.style.display = '';
    prompt.classList.remove('blink');
    prompt.textContent = status === 2 ? 'THE SHOW COULD NOT START' : 'THE SHOW HAS ENDED';
    cover.querySelector('.small').textContent = 'RELOAD THE PAGE TO WATCH IT AGAIN';
  };

  // --- the sound device: blocks pulled by a script processor on this
  // thread, each remembered with the context time it plays at, so the frame
  // loop can tell how much handed-over sound is still unheard.
  let node = null, sent = 0;
  const blocks = [];  // {frame, time}: device frame at the start of a block, its play time
  Module.webAudioOpen = function (frames) {
    const ac = Module.audioContext;
    node = ac.createScriptProcessor(frames, 0, 2);
    node.onaudioprocess = function (e) {
      const ptr = Module._plupp_audio_fill(frames);
      const l = e.outputBuffer.getChannelData(0), r = e.outputBuffer.getChannelData(1);
      if (!ptr) { l.fill(0); r.fill(0); return; }
      const s = new Int16Array(HEAP16.buffer, ptr, frames * 2);
      let nonZero = 0;
      for (let i = 0; i < frames; ++i) {
        l[i] = s[2 * i] / 32768;
        r[i] = s[2 * i + 1] / 32768;
        if (s[2 * i] | s[2 * i + 1]) ++nonZero;
      }
      stats.audioBlocks++;
      stats.audioNonZero += nonZero;
      blocks.push({ frame: sent, time: e.playbackTime });
      if (blocks.length > 32) blocks.shift();
      sent += frames;
    };
    node.connect(ac.destination);
  };
  Module.webAudioClose = function () {
    if (node) node.disconnect();
    node = null;
  };
  // Frames handed to the browser that it has not yet played out.
  Module.webAudioQueued = function () {
    const ac = Module.audioContext;
    if (!node || !ac || !blocks.length) return 0;
    let heardTime = ac.currentTime - (ac.outputLatency || 0);
    if (ac.getOutputTimestamp) {
      const ts = ac.getOutputTimestamp();
      if (ts.contextTime !== undefined && ts.performanceTime)
        heardTime = ts.contextTime + (performance.now() - ts.performanceTime) / 1000;
    }
    let heard = blocks[0].frame + (heardTime - blocks[0].time) * RATE;
    for (const b of blocks) if (b.time <= heardTime) heard = b.frame + (heardTime - b.time) * RATE;
    heard = Math.max(0, Math.min(sent, Math.floor(heard)));
    return sent - heard;
  };

  // --- the viewer: click to start, f or a double-click for full screen,
  // Escape leaves full screen and then ends the show.
  function toggleFullScreen() {
    if (document.fullscreenElement) leaveFullScreen();
    else document.documentElement.requestFullscreen().catch(() => {});
  }
  let started = false;
  function start() {
    if (started || !stats.readyMs) return;
    started = true;
    cover.style.display = 'none';
    stats.startMs = performance.now();
    if (!Module.pluppVirtual) {
      try {
        // Made inside the click, so it may sound; at the song's own rate.
        const ac = new AudioContext({ sampleRate: RATE, latencyHint: 'interactive' });
        ac.resume();
        Module.audioContext = ac;
      } catch (e) {
        say('plupp: no sound in this browser (' + e.message + ')');
      }
    }
    Module.callMain([]);
  }
  cover.addEventListener('click', start);
  canvas.addEventListener('dblclick', toggleFullScreen);
  document.addEventListener('keydown', function (e) {
    if (!started || stats.ended !== null) return;
    if (e.key === 'f' || e.key === 'F') {
      toggleFullScreen();
      e.preventDefault();
    } else if (e.key === 'Escape') {
      if (document.fullscreenElement) leaveFullScreen();
      else if (performance.now() - leftFullScreenAt > 300) Module._plupp_key(27);  // SDLK_ESCAPE
      e.preventDefault();
    }
  });

  Module.onRuntimeInitialized = function () {
    stats.readyMs = performance.now();
    if (Module.pluppVirtual) return start();
    cover.classList.remove('waiting');
    prompt.textContent = 'CLICK TO START';
    prompt.classList.add('blink');
  };
})();
