// Drives Debian's chromium, headless, over its debugging pipe (no packages needed) and checks
// the status page at a URL.
//   node check-page.mjs URL EXPECT_JSON [SCREENSHOT_DIR]
// EXPECT_JSON: { waitPolled (polls in the archive), verdict, reason, graphs: { "3": { "g-temp": [n, n], ... }, "24": ..., "168": ... },
//                failed: { "24": n }, unsafe: "text", night: true }   (each part optional)
// Fails on a console error or exception, a request to any other host, a horizontal scroll
// at 390 px, a first paint after 1 s, or any expectation missed. Prints what it saw.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const [url, expectText, shots] = process.argv.slice(2);
const expect = JSON.parse(expectText || '{}');
const browser = process.env.CHROMIUM || '/usr/bin/chromium';
const profile = mkdtempSync(join(tmpdir(), 'nubora-chromium-'));
const proc = spawn(browser, ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
  '--remote-debugging-pipe', `--user-data-dir=${profile}`,
  // Loopback goes direct; anything else would meet a closed port.
  '--proxy-server=127.0.0.1:9', 'about:blank'],
  { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
const problems = [];
const fail = (text) => problems.push(text);
let nextId = 1, buffer = '';
const waiting = new Map(), listeners = [];
proc.on('error', (e) => { console.error(`cannot run ${browser}: ${e.message}`); process.exit(1); });
proc.stdio[4].on('data', (chunk) => {
  buffer += chunk.toString();
  let end;
  while ((end = buffer.indexOf('\0')) >= 0) {
    const message = JSON.parse(buffer.slice(0, end));
    buffer = buffer.slice(end + 1);
    if (message.id && waiting.has(message.id)) {
      const { resolve, reject } = waiting.get(message.id);
      waiting.delete(message.id);
      message.error ? reject(new Error(JSON.stringify(message.error))) : resolve(message.result);
    } else listeners.forEach((l) => l(message));
  }
});
function send(method, params = {}, sessionId) {
  const id = nextId++;
  proc.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
  return new Promise((resolve, reject) => waiting.set(id, { resolve, reject }));
}
function event(name, sessionId) {
  return new Promise((resolve) => listeners.push(function l(m) {
    if (m.method === name && m.sessionId === sessionId) {
      listeners.splice(listeners.indexOf(l), 1);
      resolve(m.params);
    }
  }));
}

async function open(width, height, mobile) {
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  listeners.push((m) => {
    if (m.sessionId !== sessionId) return;
    if (m.method === 'Runtime.exceptionThrown') fail(`exception: ${JSON.stringify(m.params.exceptionDetails.text)}`);
    if (m.method === 'Runtime.consoleAPICalled' && m.params.type === 'error') fail(`console error: ${JSON.stringify(m.params.args)}`);
    if (m.method === 'Log.entryAdded' && m.params.entry.level === 'error') fail(`log error: ${m.params.entry.text} ${m.params.entry.url || ''}`);
    if (m.method === 'Network.requestWillBeSent') {
      const host = new URL(m.params.request.url).hostname;
      if (!['127.0.0.1', 'localhost', ''].includes(host)) fail(`request to another host: ${m.params.request.url}`);
    }
  });
  for (const domain of ['Runtime', 'Log', 'Network', 'Page']) await send(`${domain}.enable`, {}, sessionId);
  await send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile }, sessionId);
  const loaded = event('Page.loadEventFired', sessionId);
  await send('Page.navigate', { url }, sessionId);
  await loaded;
  return sessionId;
}
async function evaluate(sessionId, expression) {
  const r = await send('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true }, sessionId);
  if (r.exceptionDetails) throw new Error(`${expression}: ${r.exceptionDetails.text}`);
  return r.result.value;
}
const seen = `(() => ({
  verdict: document.getElementById('verdict').textContent,
  reason: document.getElementById('reason').textContent,
  graphs: Object.fromEntries([...document.querySelectorAll('#graphs figure')].map((f) =>
    [f.id, [...f.querySelectorAll('polyline')].map((p) => +p.dataset.points)])),
  pointsDrawn: [...document.querySelectorAll('#graphs polyline')].every((p) =>
    p.points.numberOfItems === +p.dataset.points),
  failed: document.querySelectorAll('#g-temp path.failed').length,
  unsafe: [...document.querySelectorAll('#g-temp rect.unsafe title')].map((t) => t.textContent),
  nights: document.querySelectorAll('#g-temp rect.night').length,
  scrollWidth: document.documentElement.scrollWidth, width: window.innerWidth,
  paint: (performance.getEntriesByName('first-contentful-paint')[0] || {}).startTime,
}))()`;
const choose = (hours) => `new Promise((done) => {
  const graphs = document.getElementById('graphs');
  const o = new MutationObserver(() => { o.disconnect(); done(); });
  o.observe(graphs, { childList: true });
  document.querySelector('#spans button[data-hours="${hours}"]').click();
})`;

function check(hours, got) {
  console.log(`${hours} h: ${JSON.stringify(got)}`);
  if (!got.pointsDrawn) fail(`${hours} h: a line draws another number of points than it says`);
  for (const [id, counts] of Object.entries((expect.graphs || {})[hours] || {}))
    if (JSON.stringify(got.graphs[id]) !== JSON.stringify(counts))
      fail(`${hours} h: ${id} has ${JSON.stringify(got.graphs[id])} points, not ${JSON.stringify(counts)}`);
  const failed = (expect.failed || {})[hours];
  if (failed !== undefined && got.failed !== failed) fail(`${hours} h: ${got.failed} failed polls marked, not ${failed}`);
}

// The real program serves before its first poll ends, and its archive writes on a thread of
// its own: wait for both.
async function polled(archived) {
  for (let i = 0; i < 200; ++i) {
    const state = await (await fetch(new URL('/nubora/v1/state', url))).json();
    const history = await (await fetch(new URL('/nubora/v1/history?hours=1', url))).json();
    if (state.polled && history.polls.length >= archived) return;
    await new Promise((done) => setTimeout(done, 100));
  }
  fail('no poll within 20 s');
}

try {
  if (expect.waitPolled) await polled(expect.waitPolled);
  const phone = await open(390, 844, true);
  await evaluate(phone, `new Promise((done) => new PerformanceObserver((list, o) => {
    if (list.getEntriesByName('first-contentful-paint').length) { o.disconnect(); done(); }
  }).observe({ type: 'paint', buffered: true }))`);
  let got = await evaluate(phone, seen);
  // From a browser with an empty profile, on loopback.
  if (!(got.paint < 1000)) fail(`first paint after ${got.paint} ms`);
  if (expect.verdict && got.verdict !== expect.verdict) fail(`verdict "${got.verdict}", not "${expect.verdict}"`);
  if (expect.reason && !got.reason.includes(expect.reason)) fail(`reason "${got.reason}" lacks "${expect.reason}"`);
  if (expect.unsafe && !got.unsafe.some((t) => t.includes(expect.unsafe))) fail(`no unsafe span says "${expect.unsafe}"`);
  if (expect.night && got.nights === 0) fail('no night shaded');
  if (got.scrollWidth > got.width) fail(`scrolls sideways at 390 px: ${got.scrollWidth} > ${got.width}`);
  check(24, got);
  for (const hours of Object.keys(expect.graphs || {}).filter((h) => h !== '24')) {
    await evaluate(phone, choose(hours));
    check(hours, await evaluate(phone, seen));
  }
  if (shots) {
    await evaluate(phone, choose(24));
    for (const [name, width, mobile] of [['page-phone.png', 390, true], ['page-desktop.png', 1280, false]]) {
      const s = name.includes('phone') ? phone : await open(width, 900, mobile);
      const height = await evaluate(s, 'document.documentElement.scrollHeight');
      await send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile }, s);
      const { data } = await send('Page.captureScreenshot', { format: 'png' }, s);
      writeFileSync(join(shots, name), Buffer.from(data, 'base64'));
    }
  }
} catch (e) {
  fail(`${e.message}`);
}
const exited = new Promise((done) => proc.on('exit', done));
proc.kill();
await exited;
rmSync(profile, { recursive: true, force: true });
problems.forEach((p) => console.error(`FAIL: ${p}`));
process.exit(problems.length ? 1 : 0);
