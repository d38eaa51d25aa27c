'use strict';
// One headless Chromium driven over its DevTools pipe: opens a page at a given screen size and device
// scale, checks and reads its runs of text (check.js) and takes the screenshot. Launching the browser
// once per worker instead of twice per page (as render.sh does) is what makes hundreds of screens cheap.

const { spawn } = require('child_process');
const fs = require('fs');
const path = require('path');

const checkSource = fs.readFileSync(path.join(__dirname, 'check.js'), 'utf8');

class Browser {
  constructor(executable, profileDir, env) {
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = [];
    this.buffer = '';
    this.proc = spawn(executable, [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', '--hide-scrollbars',
      '--remote-debugging-pipe', `--user-data-dir=${profileDir}`, 'about:blank',
    ], { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'], env });
    this.exited = new Promise((resolve) => this.proc.on('exit', resolve));
    this.proc.on('exit', (code, signal) => {
      for (const { reject } of this.pending.values()) reject(new Error(`chromium ended (${code ?? signal})`));
      this.pending.clear();
    });
    this.proc.stdio[4].setEncoding('utf8');
    this.proc.stdio[4].on('data', (chunk) => this.receive(chunk));
  }

  receive(chunk) {
    this.buffer += chunk;
    let end;
    while ((end = this.buffer.indexOf('\0')) >= 0) {
      const message = JSON.parse(this.buffer.slice(0, end));
      this.buffer = this.buffer.slice(end + 1);
      if (message.id !== undefined && this.pending.has(message.id)) {
        const { resolve, reject } = this.pending.get(message.id);
        this.pending.delete(message.id);
        if (message.error) reject(new Error(message.error.message)); else resolve(message.result);
      } else if (message.method) {
        this.listeners = this.listeners.filter((l) => !(l.method === message.method && l.sessionId ===
            message.sessionId && (l.resolve(message.params), true)));
      }
    }
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      this.proc.stdio[3].write(JSON.stringify(message) + '\0');
    });
  }

  event(method, sessionId) {
    return new Promise((resolve) => this.listeners.push({ method, sessionId, resolve }));
  }

  async open() {
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    this.session = sessionId;
    await this.send('Page.enable', {}, sessionId);
  }

  // Renders the page file at width x height CSS pixels and the device scale; returns
  // { png: Buffer, rows: [[run, ...], ...], flipped: [row index], errors: [text] }.
  async render(file, width, height, scale) {
    const s = this.session;
    await this.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: scale, mobile: false }, s);
    const loaded = this.event('Page.loadEventFired', s);
    await this.send('Page.navigate', { url: 'file://' + path.resolve(file) }, s);
    await loaded;
    const evaluated = await this.send('Runtime.evaluate', {
      expression: `document.fonts.ready.then(() => (${checkSource})(${width}, ${height}))`,
      awaitPromise: true, returnByValue: true,
    }, s);
    if (evaluated.exceptionDetails) throw new Error('check failed: ' + JSON.stringify(evaluated.exceptionDetails));
    const shot = await this.send('Page.captureScreenshot', { format: 'png' }, s);
    return { png: Buffer.from(shot.data, 'base64'), ...evaluated.result.value };
  }

  async close() {
    try { await this.send('Browser.close'); } catch (e) { /* the browser may be gone already */ }
    await this.exited;
  }
}

module.exports = { Browser };
