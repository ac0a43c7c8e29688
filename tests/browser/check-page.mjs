// Drives Debian's chromium, headless, over its debugging pipe (no packages needed) and checks
// the status page at a URL:   node check-page.mjs URL EXPECT_JSON [SCREENSHOT_DIR]
// EXPECT_JSON, each part optional: { waitPolled (polls in the archive), verdict, reason,
//   unsafe: "text", night: true, graphs: { "3" | "24" | "168": { "g-temp": [n, n], ... } },
//   failed: { "24": n } }
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
const waiting = new Map(), sessions = new Map();
let nextId = 1, buffer = '';
proc.on('error', (e) => { console.error(`cannot run ${browser}: ${e.message}`); process.exit(1); });
proc.stdio[4].setEncoding('utf8').on('data', (chunk) => {
  const messages = (buffer += chunk).split('\0');
  buffer = messages.pop();
  for (const m of messages.map((text) => JSON.parse(text))) {
    if (waiting.has(m.id)) waiting.get(m.id)(m), waiting.delete(m.id);
    else sessions.get(m.sessionId)?.(m);
  }
});
const send = (method, params = {}, sessionId) => new Promise((resolve, reject) => {
  const id = nextId++;
  waiting.set(id, (m) => (m.error ? reject(new Error(JSON.stringify(m.error))) : resolve(m.result)));
  proc.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
});

async function open(width, height, mobile) {
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  let loaded;
  sessions.set(sessionId, ({ method, params }) => {
    if (method === 'Page.loadEventFired') loaded?.();
    if (method === 'Runtime.exceptionThrown') fail(`exception: ${JSON.stringify(params.exceptionDetails.text)}`);
    if (method === 'Runtime.consoleAPICalled' && params.type === 'error') fail(`console error: ${JSON.stringify(params.args)}`);
    if (method === 'Log.entryAdded' && params.entry.level === 'error') fail(`log error: ${params.entry.text} ${params.entry.url || ''}`);
    if (method === 'Network.requestWillBeSent'
        && !['127.0.0.1', 'localhost', ''].includes(new URL(params.request.url).hostname))
      fail(`request to another host: ${params.request.url}`);
  });
  for (const domain of ['Runtime', 'Log', 'Network', 'Page']) await send(`${domain}.enable`, {}, sessionId);
  await send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile }, sessionId);
  const load = new Promise((done) => { loaded = done; });
  await send('Page.navigate', { url }, sessionId);
  await load;
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
  const o = new MutationObserver(() => { o.disconnect(); done(); });
  o.observe(document.getElementById('graphs'), { childList: true });
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
  const got = await evaluate(phone, seen);
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
    for (const [name, s, width, mobile] of [['page-phone.png', phone, 390, true],
      ['page-desktop.png', await open(1280, 900, false), 1280, false]]) {
      const height = await evaluate(s, 'document.documentElement.scrollHeight');
      await send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile }, s);
      const { data } = await send('Page.captureScreenshot', { format: 'png' }, s);
      writeFileSync(join(shots, name), Buffer.from(data, 'base64'));
    }
  }
} catch (e) {
  fail(e.message);
}
const exited = new Promise((done) => proc.on('exit', done));
proc.kill();
await exited;
// The browser's helpers may still be writing into its profile for a moment after it exits;
// a profile left behind is no fault of the page.
try {
  rmSync(profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 });
} catch (e) {
  console.error(`note: ${profile} not removed: ${e.message}`);
}
problems.forEach((p) => console.error(`FAIL: ${p}`));
process.exit(problems.length ? 1 : 0);
