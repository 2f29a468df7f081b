// Drives trevalod with the npm onvif client, as a video-management system
// would, and checks every frame on the serial lines against what the
// library's capture mode gives for the same calls (through `trevalo capture`).
// Lines are ptys made by socat, each copying what the daemon writes to a file.
'use strict';
const assert = require('node:assert/strict');
const { spawn, execFileSync } = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const { test, after } = require('node:test');
const { Cam } = require('onvif');

const TREVALOD = process.env.TREVALOD;
const TREVALO = process.env.TREVALO;
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'trevalod-onvif-'));
const children = [];
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

after(() => {
  for (const c of children) if (c.exitCode === null) c.kill('SIGKILL');
  fs.rmSync(dir, { recursive: true, force: true });
});

async function until(what, check, ms = 5000) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    const v = check();
    if (v) return v;
    await sleep(20);
  }
  throw new Error('timed out waiting for ' + what);
}

function freePort() {
  return new Promise((resolve) => {
    const s = net.createServer().listen(0, '127.0.0.1', () => {
      const { port } = s.address();
      s.close(() => resolve(port));
    });
  });
}

async function line(name) {
  const tty = path.join(dir, name), wire = path.join(dir, name + '.wire');
  const p = spawn('socat', ['-u', `PTY,link=${tty},raw,echo=0`, `CREATE:${wire}`], { stdio: 'ignore' });
  children.push(p);
  await until('pty ' + name, () => fs.existsSync(tty) && fs.existsSync(wire));
  return { tty, wire };
}

const wire = (l) => fs.readFileSync(l.wire);

// The packets `trevalo capture` prints for a list of actions, one Buffer each.
function capture(protocol, address, actions) {
  const out = execFileSync(TREVALO, ['capture', protocol, String(address), ...actions], { encoding: 'utf8' });
  return out.trim().split('\n').map((l) => {
    const m = l.match(/\s\d+\s\s((?:[0-9A-F]{2} ?)+)$/);
    return m ? Buffer.from(m[1].replace(/ /g, ''), 'hex') : Buffer.alloc(0);
  });
}

const repeat = (n, ...words) => Array.from({ length: n }, () => words).flat();
// The daemon starts every axis at its slowest step; velocity 1 is the fastest.
const atBottom = [...repeat(300, 'speed', 'pan', 'down'), ...repeat(300, 'speed', 'tilt', 'down'),
  ...repeat(300, 'speed', 'zoom', 'down')];
const toTop = (axis) => repeat(300, 'speed', axis, 'up');

function connect(options) {
  const cam = new Cam({ hostname: '127.0.0.1', autoconnect: false, timeout: 5000, ...options });
  return new Promise((resolve, reject) => cam.connect((err) => (err ? reject(err) : resolve(cam))));
}
function call(cam, method, ...args) {
  return new Promise((resolve, reject) =>
    cam[method](...args, (err, result) => (err ? reject(err) : resolve(result))));
}

async function endsWith(l, frames, what) {
  const want = Buffer.concat(frames);
  try {
    await until(what, () => { const w = wire(l); return w.length >= want.length && w.subarray(w.length - want.length).equals(want); }, 3000);
  } catch (e) {
    assert.fail(`${what}: wire ends with ${wire(l).subarray(-want.length).toString('hex')}, expected ${want.toString('hex')}`);
  }
}

test('the npm onvif client drives serial cameras through trevalod', { timeout: 120000 }, async (t) => {
  const [a, b] = [await line('a'), await line('b')];
  const port = await freePort(), ownPort = await freePort();
  const state = path.join(dir, 'state.yaml');
  const config = path.join(dir, 'trevalod.yaml');
  fs.writeFileSync(config, `
listen: {address: 127.0.0.1, port: ${port}}
discovery: false
default_timeout: 2
state_file: ${state}
lines:
  - {name: a, device: ${a.tty}}
  - {name: b, device: ${b.tty}, baud: 4800}
cameras:
  - {name: Gate, token: gate, protocol: Pelco-D, address: 1, line: a, rtsp: "rtsp://10.0.0.1:554/ch1", presets: {1: Home}}
  - {name: Yard, token: yard, protocol: Lilin, address: 3, line: b, port: ${ownPort}}
users:
  - {name: admin, password: secret-pass}
`, { mode: 0o600 });
  const daemon = spawn(TREVALOD, ['--config', config], { stdio: ['ignore', 'ignore', 'pipe'] });
  children.push(daemon);
  let log = '';
  daemon.stderr.on('data', (d) => { log += d; });
  await until('the daemon to listen', () => log.includes('listening on'));

  const cam = await connect({ port, username: 'admin', password: 'secret-pass' });

  await t.test('profiles, video sources and stream URI', async () => {
    assert.deepEqual(cam.profiles.map((p) => p.$.token), ['gate', 'yard']);
    const sources = Array.isArray(cam.videoSources) ? cam.videoSources : [cam.videoSources];
    assert.deepEqual(sources.map((s) => s.$.token), ['gate', 'yard']);
    const uri = await call(cam, 'getStreamUri', { protocol: 'RTSP', profileToken: 'gate' });
    assert.equal(uri.uri, 'rtsp://10.0.0.1:554/ch1');
  });

  await t.test('move and stop give the capture-mode frames on the line', async () => {
    await call(cam, 'continuousMove', { profileToken: 'gate', x: 1, y: -1 });
    const moved = capture('pelco-d', 1, [...atBottom, ...toTop('pan'), ...toTop('tilt'), 'down-right']);
    await endsWith(a, [moved.at(-1)], 'down-right at full speed');
    const status = await call(cam, 'getStatus', { profileToken: 'gate' });
    assert.equal(status.moveStatus.panTilt, 'MOVING');
    await call(cam, 'stop', { profileToken: 'gate', panTilt: true, zoom: true });
    const stopped = capture('pelco-d', 1, [...atBottom, ...toTop('pan'), ...toTop('tilt'), 'down-right', 'stop', 'lens-stop']);
    await endsWith(a, stopped.slice(-2), 'stop and lens stop');
  });

  await t.test('a move no one stops ends at the timeout', async () => {
    const frames = capture('pelco-d', 1, [...atBottom, ...toTop('pan'), ...toTop('tilt'), ...toTop('zoom'), 'zoom-out', 'lens-stop']);
    const sent = Date.now();
    await call(cam, 'continuousMove', { profileToken: 'gate', x: 0, y: 0, zoom: -1 });
    await endsWith(a, [frames.at(-2)], 'zoom out');
    const before = wire(a).length;
    await until('the timeout stop', () => wire(a).length > before, 6000);
    const took = Date.now() - sent;
    assert.ok(took >= 1900 && took < 5000, `stopped ${took} ms after the move, default_timeout is 2 s`);
    await endsWith(a, [frames.at(-1)], 'lens stop after the timeout');
  });

  await t.test('presets: set, list, go to, remove', async () => {
    let presets = await call(cam, 'getPresets', { profileToken: 'gate' });
    assert.deepEqual(Object.keys(presets), ['Home']);
    const reply = await call(cam, 'setPreset', { profileToken: 'gate', presetName: 'Door' });
    assert.equal(reply[0].setPresetResponse[0].presetToken[0], '2');
    await endsWith(a, [capture('pelco-d', 1, ['preset-set', '2']).at(-1)], 'preset 2 stored');
    assert.match(fs.readFileSync(state, 'utf8'), /2: "Door"/);
    presets = await call(cam, 'getPresets', { profileToken: 'gate' });
    assert.deepEqual(Object.keys(presets).sort(), ['Door', 'Home']);
    await call(cam, 'gotoPreset', { profileToken: 'gate', preset: '2' });
    await endsWith(a, [capture('pelco-d', 1, ['preset-goto', '2']).at(-1)], 'go to preset 2');
    await call(cam, 'removePreset', { profileToken: 'gate', presetToken: '2' });
    await endsWith(a, [capture('pelco-d', 1, ['preset-clear', '2']).at(-1)], 'preset 2 cleared');
    presets = await call(cam, 'getPresets', { profileToken: 'gate' });
    assert.deepEqual(Object.keys(presets), ['Home']);
    await call(cam, 'gotoHomePosition', { profileToken: 'gate' });
    await endsWith(a, [capture('pelco-d', 1, ['preset-goto', '1']).at(-1)], 'home is the preset named Home');
  });

  await t.test('a protocol without presets advertises none and refuses them', async () => {
    const nodes = await call(cam, 'getNodes');
    assert.equal(nodes.gate.maximumNumberOfPresets, 255);
    const own = await connect({ port: ownPort, username: 'admin', password: 'secret-pass' });
    assert.equal((await call(own, 'getNodes')).yard.maximumNumberOfPresets, 0);
    assert.deepEqual(await call(own, 'getPresets', { profileToken: 'yard' }), {});
    await assert.rejects(call(cam, 'setPreset', { profileToken: 'yard', presetName: 'X' }), /presets/);
  });

  await t.test('a camera on its own port is a device alone', async () => {
    const own = await connect({ port: ownPort, username: 'admin', password: 'secret-pass' });
    assert.deepEqual(own.profiles.map((p) => p.$.token), ['yard']);
    await call(own, 'continuousMove', { profileToken: 'yard', x: -1, y: 0 });
    await endsWith(b, [capture('lilin', 3, ['left']).at(-1)], 'Lilin left');
    await assert.rejects(call(own, 'getStreamUri', { protocol: 'RTSP', profileToken: 'gate' }), /profile/);
  });

  await t.test('wrong credentials are refused', async () => {
    await assert.rejects(connect({ port, username: 'admin', password: 'wrong-pass' }));
    await assert.rejects(connect({ port, username: 'nobody', password: 'secret-pass' }));
    assert.match(log, /GetServices user=admin 400 [0-9.]+ms \(wrong digest\)/);
  });

  await t.test('SIGTERM stops the moving camera and the daemon exits cleanly', async () => {
    await call(cam, 'continuousMove', { profileToken: 'gate', x: 1, y: 0 });
    await until('moving right', () => { const w = wire(a); return w.length >= 7 && w[w.length - 7] === 0xff && w[w.length - 4] === 0x02; });
    const exited = new Promise((resolve) => daemon.on('exit', (code) => resolve(code)));
    daemon.kill('SIGTERM');
    assert.equal(await exited, 0);
    const w = wire(a);
    assert.deepEqual([...w.subarray(w.length - 14, w.length - 11)], [0xff, 0x01, 0x00], 'a stop frame');
    assert.equal(w[w.length - 11], 0x00, 'PT_STOP command byte');
    assert.match(log, /every camera stopped, every line closed/);
  });
});
