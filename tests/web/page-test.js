// Drives the browser build in headless Chromium through the DevTools protocol
// and checks it against the native capture tool. Called by tests/web/run.sh:
//   node page-test.js BUILD_WEB WORK_DIR CHECKS...
// CHECKS: `pixels SHOTS_DIR` (the virtual clock against plupp-capture's shots,
// each SHOTS_DIR/T.rgb being raw RGB), `realtime`, `silent`, `badsong`. With `bench`
// it prints a line of figures. Exits non-zero on the first failed check.
'use strict';
const CDP = require('chrome-remote-interface');
const { spawn } = require('child_process');
const crypto = require('crypto');
const fs = require('fs');
const http = require('http');
const path = require('path');
const zlib = require('zlib');

const [buildWeb, workDir, ...checks] = process.argv.slice(2);
const SHOT_TIMES = [3, 25, 60, 100, 160, 200, 244.5];
const FRAME_MS = 1000 / 60;
let failures = 0, passes = 0;
const bench = {};

function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (ok) ++passes; else ++failures;
  return ok;
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// A static server for the page; `damage` lets one file of the data package be
// overwritten for a request (the bad-song check).
function serve(root) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                  '.data': 'application/octet-stream' };
  const state = { damage: null };
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://localhost');
    const file = path.join(root, path.normalize(url.pathname).replace(/^\/+/, '') || 'index.html');
    if (!file.startsWith(root) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404);
      return res.end();
    }
    let body = fs.readFileSync(file);
    if (state.damage && file.endsWith('.data')) body = state.damage(body);
    res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                         'Cache-Control': 'no-store' });
    res.end(body);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({ server, state })));
}

function launchChromium() {
  const profile = fs.mkdtempSync(path.join(workDir, 'profile-'));
  const args = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic',
    '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
    `--user-data-dir=${profile}`, '--window-size=1280,960', '--remote-debugging-port=0',
    'about:blank'];
  const proc = spawn('/usr/bin/chromium', args, { stdio: ['ignore', 'ignore', 'pipe'] });
  return new Promise((resolve, reject) => {
    let err = '';
    const timer = setTimeout(() => reject(new Error('chromium did not start: ' + err)), 30000);
    proc.stderr.on('data', (d) => {
      err += d;
      const m = /DevTools listening on ws:\/\/[^:]+:(\d+)\//.exec(err);
      if (m) { clearTimeout(timer); resolve({ proc, port: Number(m[1]) }); }
    });
  });
}

async function open(port, url) {
  const target = await CDP.New({ port, url: 'about:blank' });
  const client = await CDP({ port, target });
  await client.Page.enable();
  await client.Runtime.enable();
  client.logs = [];
  client.Runtime.consoleAPICalled((e) => client.logs.push(e.args.map((a) => a.value).join(' ')));
  client.Runtime.exceptionThrown((e) => client.logs.push('exception: ' + e.exceptionDetails.text +
    ' ' + ((e.exceptionDetails.exception || {}).description || '')));
  const loaded = client.Page.loadEventFired();
  await client.Page.navigate({ url });
  await loaded;
  client.close_ = async () => { await client.close(); await CDP.Close({ port, id: target.id }); };
  return client;
}

async function js(client, expression) {
  const r = await client.Runtime.evaluate({ expression, awaitPromise: true, returnByValue: true });
  if (r.exceptionDetails) throw new Error(expression + ': ' + JSON.stringify(r.exceptionDetails));
  return r.result.value;
}

async function waitFor(client, expression, ms) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    if (await js(client, expression)) return true;
    await sleep(100);
  }
  return false;
}

// --- the virtual clock against plupp-capture: every shot's pixels equal ---
async function pixels(port, base, shotsDir) {
  const t0 = Date.now();
  const c = await open(port, `${base}/index.html?virtual=1&until=245&shots=${SHOT_TIMES.join(',')}`);
  const ended = await waitFor(c, 'Module.pluppStats.ended !== null', 600000);
  const wallS = (Date.now() - t0) / 1000;
  check(ended, `virtual clock: the show ran to its end (${wallS.toFixed(1)} s)`);
  const st = await js(c, '({frames: Module.pluppStats.frames, showMs: Module.pluppStats.showMs,' +
    ' ready: Module.pluppStats.readyMs, first: Module.pluppStats.firstFrameMs,' +
    ' ended: Module.pluppStats.ended, messages: Module.pluppStats.messages})');
  check(st.ended === 0, `virtual clock: stopped at 245 s as plupp-capture --until stops, status ${st.ended}`);
  check(st.messages.length === 0, `virtual clock: no warnings (${st.messages.join(' | ')})`);
  bench.loadToFirstFrameMs = st.first;
  bench.loadToReadyMs = st.ready;
  bench.virtualSpeed = st.showMs / 1000 / wallS;
  bench.virtualMsPerFrame = wallS * 1000 / st.frames;
  for (const t of SHOT_TIMES) {
    const native = fs.readFileSync(path.join(shotsDir, `${t}.rgb`));
    const b64 = await js(c, `(() => { const s = Module.pluppStats.shots[${t}]; if (!s) return null;
      let b = ''; for (let i = 0; i < s.rgb.length; i += 0x8000)
        b += String.fromCharCode.apply(null, s.rgb.subarray(i, i + 0x8000)); return btoa(b); })()`);
    if (!check(b64 !== null, `${t} s: the page saw that frame`)) continue;
    const page = Buffer.from(b64, 'base64');
    let differ = 0;
    for (let i = 0; i < native.length; i += 3)
      if (page[i] !== native[i] || page[i + 1] !== native[i + 1] || page[i + 2] !== native[i + 2]) ++differ;
    check(page.length === native.length && differ === 0,
          `${t} s: canvas equals plupp-capture's shot (${differ} of ${native.length / 3} pixels differ)`);
    if (differ) fs.writeFileSync(path.join(workDir, `page-${t}.rgb`), page);
  }
  await c.close_();
}

// --- real time: the cover, the click, frames, sound, full screen, Escape ---
async function realtime(port, base) {
  const c = await open(port, `${base}/index.html`);
  const ready = await waitFor(c, "document.getElementById('prompt').textContent === 'CLICK TO START'", 60000);
  check(ready, 'the page loads and asks for a click');
  await sleep(1000);
  check(await js(c, 'Module.pluppStats.frames === 0 && !Module.audioContext'),
        'nothing runs before the click');
  const size = await js(c, `(() => { const s = getComputedStyle(document.getElementById('screen'));
    return [parseFloat(s.width), parseFloat(s.height), s.imageRendering, innerWidth, innerHeight,
            getComputedStyle(document.body).backgroundColor]; })()`);
  const [w, h, rendering, iw, ih, bg] = size;
  const fits = Math.abs(w / h - 4 / 3) < 0.01 && (Math.abs(w - iw) <= 1 || Math.abs(h - ih) <= 1) &&
    w <= iw && h <= ih;
  check(fits && /pixelated|crisp-edges/.test(rendering) && bg === 'rgb(0, 0, 0)',
        `the picture is as large as the ${iw}x${ih} window allows, 4:3, pixel-sharp, on black ` +
        `(${w}x${h}, ${rendering}, ${bg})`);
  const click = (type) => c.Input.dispatchMouseEvent({ type, x: 640, y: 480, button: 'left', clickCount: 1 });
  await click('mousePressed');
  await click('mouseReleased');
  check(await waitFor(c, 'Module.pluppStats.frames > 0', 10000), 'the click starts the show');
  check(await js(c, "getComputedStyle(document.getElementById('cover')).display === 'none'"),
        'the cover is gone');
  await sleep(2000);
  const at = () => js(c, `({frames: Module.pluppStats.frames, work: Module.pluppStats.workMs,
    present: Module.pluppStats.presentMs, now: performance.now(), show: Module.pluppStats.showMs,
    state: Module.audioContext && Module.audioContext.state,
    ctxTime: Module.audioContext ? Module.audioContext.currentTime : 0,
    nonZero: Module.pluppStats.audioNonZero, blocks: Module.pluppStats.audioBlocks})`);
  const a = await at();
  await sleep(20000);
  const b = await at();
  const fps = (b.frames - a.frames) / ((b.now - a.now) / 1000);
  check(fps >= 55 && fps <= 60.5, `20 s in real time: ${fps.toFixed(2)} frames a second`);
  check(b.state === 'running' && b.ctxTime - a.ctxTime > 19 && b.nonZero > a.nonZero + 44100,
        `the audio context runs (${(b.ctxTime - a.ctxTime).toFixed(2)} s of its time) and gets ` +
        `sound (${b.nonZero - a.nonZero} non-zero frames)`);
  // The song's cues come thick from the karaoke scene on, at 25 s.
  await sleep(9000);
  const cues = await js(c, 'Module.pluppStats.cues');
  const leads = cues.map((q) => q.leadMs), queued = cues.map((q) => q.queuedMs);
  const maxLead = Math.max(...leads), minLead = Math.min(...leads);
  check(cues.length >= 10 && maxLead <= FRAME_MS,
        `${cues.length} cues, at most ${maxLead.toFixed(1)} ms ahead of their sound ` +
        `(at worst ${(-minLead).toFixed(1)} ms after it)`);
  bench.cueLeadMaxMs = maxLead;
  bench.cueLateMaxMs = -minLead;
  bench.handoverQueueMs = queued.reduce((x, y) => x + y, 0) / Math.max(1, queued.length);
  bench.fps = fps;
  bench.workMs = (b.work - a.work) / (b.frames - a.frames);
  bench.presentMs = (b.present - a.present) / (b.frames - a.frames);
  bench.workBeforeShowS = a.show / 1000;
  bench.workAfterShowS = b.show / 1000;

  const key = async (k, code) => {
    await c.Input.dispatchKeyEvent({ type: 'keyDown', key: k, code, windowsVirtualKeyCode: code === 'Escape' ? 27 : 70 });
    await c.Input.dispatchKeyEvent({ type: 'keyUp', key: k, code, windowsVirtualKeyCode: code === 'Escape' ? 27 : 70 });
  };
  for (const type of ['mousePressed', 'mouseReleased'])
    await c.Input.dispatchMouseEvent({ type, x: 640, y: 400, button: 'left', clickCount: 2 });
  check(await waitFor(c, 'document.fullscreenElement !== null', 5000), 'a double-click asks for full screen');
  await key('f', 'KeyF');
  check(await waitFor(c, 'document.fullscreenElement === null', 5000), '`f` leaves it again');
  await sleep(500);
  await key('f', 'KeyF');
  check(await waitFor(c, 'document.fullscreenElement !== null', 5000), '`f` asks for full screen');
  await key('Escape', 'Escape');
  check(await waitFor(c, 'document.fullscreenElement === null', 5000), 'Escape leaves full screen');
  const f1 = await js(c, 'Module.pluppStats.frames');
  await sleep(500);
  check(await js(c, `Module.pluppStats.frames > ${f1} && Module.pluppStats.ended === null`),
        '... and the show goes on');
  await key('Escape', 'Escape');
  check(await waitFor(c, 'Module.pluppStats.ended === 0', 5000), 'a second Escape ends the show');
  check(await js(c, "document.getElementById('prompt').textContent === 'THE SHOW HAS ENDED' && " +
                    "getComputedStyle(document.getElementById('cover')).display !== 'none'"),
        'the page says the show has ended');
  const errors = c.logs.filter((l) => /exception|Aborted|RuntimeError/.test(l));
  check(errors.length === 0, `no errors on the console (${errors.join(' | ')})`);
  await c.close_();
}

// --- no sound in the browser: the silent player, driven by the frame loop,
// still moves the song on in real time, so its cues come when they would ---
async function silent(port, base) {
  const c = await open(port, `${base}/index.html`);
  await waitFor(c, "document.getElementById('prompt').textContent === 'CLICK TO START'", 60000);
  await js(c, 'window.AudioContext = undefined; true');
  for (const type of ['mousePressed', 'mouseReleased'])
    await c.Input.dispatchMouseEvent({ type, x: 640, y: 480, button: 'left', clickCount: 1 });
  // The song starts as the show loads its pictures, so its time runs a
  // little behind the show's: the same way at every cue while it keeps pace.
  const cued = await waitFor(c, 'Module.pluppStats.cues.length >= 2', 40000);
  const st = await js(c, `({cues: Module.pluppStats.cues, messages: Module.pluppStats.messages,
    audio: !!Module.audioContext})`);
  check(!st.audio && st.messages.some((m) => /no sound device/.test(m)),
        `without sound: the player says so (${st.messages.join(' | ')})`);
  if (check(cued, 'without sound: the cues still come')) {
    const behind = st.cues.map((q) => q.showMs - q.songSeconds * 1000);
    const drift = Math.abs(behind[behind.length - 1] - behind[0]);
    check(behind[0] >= 0 && behind[0] < 1000 && drift <= 2 * FRAME_MS,
          `... in step with the show: the song ${behind[0].toFixed(0)} ms behind it at ` +
          `${st.cues[0].songSeconds.toFixed(2)} s, ${drift.toFixed(1)} ms more or less at ` +
          `${st.cues[st.cues.length - 1].songSeconds.toFixed(2)} s`);
  }
  await c.close_();
}

// --- a damaged song: the silent show with a message, no crash ---
async function badsong(port, base, state) {
  const js0 = fs.readFileSync(path.join(buildWeb, 'index.js'), 'utf8');
  const m = /"filename":\s*"\/data\/pluppa\.xm",\s*"start":\s*(\d+),\s*"end":\s*(\d+)/.exec(js0);
  if (!check(m !== null, 'the song is found in the data package')) return;
  const [start, end] = [Number(m[1]), Number(m[2])];
  state.damage = (body) => {
    const b = Buffer.from(body);
    let x = 12345;
    for (let i = start; i < end; ++i) { x = (x * 1103515245 + 12345) >>> 0; b[i] = x >>> 24; }
    return b;
  };
  const c = await open(port, `${base}/index.html`);
  await waitFor(c, "document.getElementById('prompt').textContent === 'CLICK TO START'", 60000);
  await c.Input.dispatchMouseEvent({ type: 'mousePressed', x: 640, y: 480, button: 'left', clickCount: 1 });
  await c.Input.dispatchMouseEvent({ type: 'mouseReleased', x: 640, y: 480, button: 'left', clickCount: 1 });
  await sleep(3000);
  const st = await js(c, `({frames: Module.pluppStats.frames, ended: Module.pluppStats.ended,
    text: document.getElementById('messages').textContent})`);
  check(st.frames > 100 && st.ended === null, `a damaged song: the show runs (${st.frames} frames)`);
  check(/pluppa\.xm/.test(st.text) && /without music|silently/.test(st.text),
        `... and the page says why: "${st.text.replace(/\n/g, ' | ')}"`);
  state.damage = null;
  await c.close_();
}

(async () => {
  const { server, state } = await serve(path.resolve(buildWeb));
  const base = `http://127.0.0.1:${server.address().port}`;
  const { proc, port } = await launchChromium();
  try {
    for (let i = 0; i < checks.length; ++i) {
      if (checks[i] === 'pixels') await pixels(port, base, checks[++i]);
      else if (checks[i] === 'realtime') await realtime(port, base);
      else if (checks[i] === 'badsong') await badsong(port, base, state);
      else if (checks[i] === 'silent') await silent(port, base);
    }
  } catch (e) {
    check(false, 'the run itself: ' + e.stack);
  } finally {
    // Gone before run.sh removes its profile, which it writes to until then.
    const gone = new Promise((resolve) => proc.on('exit', resolve));
    proc.kill();
    await gone;
    server.close();
  }
  if (checks.includes('bench')) {
    for (const f of ['index.wasm', 'index.data', 'index.js']) {
      const b = fs.readFileSync(path.join(buildWeb, f));
      bench[f] = `${(b.length / 1e6).toFixed(2)} MB (${(zlib.gzipSync(b, { level: 9 }).length / 1e6).toFixed(2)} MB gzipped)`;
    }
    console.log('web bench: ' + JSON.stringify(bench));
  }
  console.log(`${passes} passed, ${failures} failed`);
  process.exit(failures ? 1 : 0);
})();
