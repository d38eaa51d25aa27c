#!/usr/bin/env node
'use strict';
// Plans the corpus's screens of real program windows (family `x11`): for each screen a shell script of window
// commands for bench/devset/src/x11_session.sh (terminals in xterm, dialogs in yad) with the known text of each
// dialog beside the command that shows it, and the content of each terminal as a .term file. x11.sh runs them.
// Usage: node x11_screens.js --seed N --count N --out DIR
// A screen depends on the seed and its index only.

const fs = require('fs');
const path = require('path');
const { makeRng, makeText } = require('./content');
const { terminalText } = require('./families');

// xterm fonts with their cell size in pixels: bitmap fonts (drawn without smoothing) and anti-aliased ones.
const FONTS = [
  [['-fn', 'fixed'], 6, 13], [['-fn', '7x14'], 7, 14], [['-fn', '8x13'], 8, 13], [['-fn', '9x15'], 9, 15],
  [['-fn', '10x20'], 10, 20], [['-fa', 'DejaVu Sans Mono', '-fs', '9'], 7, 15],
  [['-fa', 'DejaVu Sans Mono', '-fs', '10'], 8, 17], [['-fa', 'DejaVu Sans Mono', '-fs', '11'], 9, 18],
  [['-fa', 'DejaVu Sans Mono', '-fs', '12'], 10, 19], [['-fa', 'Liberation Mono', '-fs', '10'], 8, 16],
  [['-fa', 'Liberation Mono', '-fs', '11'], 9, 18], [['-fa', 'Noto Mono', '-fs', '10'], 8, 17],
];
const COLOURS = [['#d0d0d0', '#16191d'], ['#e0e0e0', '#1c1c1c'], ['#c8e6c9', '#102014'], ['#e8e8e8', '#202633'],
  ['black', 'white'], ['#202020', '#fdfdf6'], ['#3a3a2a', '#fff8dc'], ['#1e1e1e', '#f4f4f4']];
const DESKTOPS = ['#2b3036', '#5b6770', '#34393f', '#000000', '#d6d9dc', '#3d4b59', '#e9e4dc'];
const SCREEN_W = 1920;
const SCREEN_H = 1080;
const PADDING = 12; // xterm's inner border (-b 6) on both sides

const q = (s) => `'${String(s).replace(/'/g, `'\\''`)}'`;

// A terminal of `w` x `h` pixels at most, placed at x, y: its content file and the command that shows it.
function terminal(rng, t, name, index, x, y, w, h) {
  const [options, cw, ch] = rng.pick(FONTS);
  const [fg, bg] = rng.pick(COLOURS);
  const cols = Math.floor((w - PADDING) / cw);
  const rows = Math.floor((h - PADDING) / ch);
  const lines = terminalText({ rng, t }, rows - 1).slice(0, rows).map((l) => l.slice(0, cols - 1).trimEnd());
  const file = `${name}-${index}`;
  return { file, content: lines.join('\n') + '\n', command: ['term', file, cols, rows, x, y, fg, bg, ...options].map(q).join(' ') };
}

const LABELS = ['Name', 'Owner', 'Server', 'Port', 'Folder', 'Created', 'Modified', 'Size', 'Status', 'Version',
  'Language', 'Timeout', 'Account', 'Printer', 'Quota', 'Email', 'Location', 'Type', 'Updated', 'Build'];
const CHECKS = ['Start at login', 'Keep a copy', 'Show hidden files', 'Check for updates', 'Use a proxy',
  'Remember password', 'Compress backups', 'Send reports'];
const BUTTONS = [['Cancel', 'OK'], ['Close'], ['Cancel', 'Apply'], ['Help', 'Cancel', 'Save'], ['Remove', 'Close']];

function value(rng, t, label) {
  switch (label) {
    case 'Port': case 'Timeout': case 'Quota': return t.number(1, 9999);
    case 'Created': case 'Modified': case 'Updated': return `${t.date()} ${t.time()}`;
    case 'Size': return t.size();
    case 'Owner': case 'Account': return t.user();
    case 'Email': return `${t.user()}@${rng.pick(['example.org', 'mail.test', 'corp.local'])}`;
    case 'Folder': case 'Location': return `/home/${t.user()}/${t.word()}`;
    case 'Version': case 'Build': return `${rng.int(1, 12)}.${rng.int(0, 30)}.${rng.int(0, 9)}`;
    case 'Name': case 'Printer': return t.title(1, 3);
    default: return t.title(1, 2);
  }
}

function buttonArgs(rng) {
  const labels = rng.pick(BUTTONS);
  return { args: labels.map((b, i) => q(`--button=${b}:${labels.length - 1 - i}`)), known: labels.join('\t') };
}

// A yad form of labels with read-only values, numbers and check boxes.
function form(rng, t, x, y, w, h) {
  const heading = t.title(3, 6);
  const args = [`--text=${q(heading)}`];
  const known = [heading];
  const used = new Set();
  const count = Math.min(rng.int(4, 10), Math.floor((h - 140) / 40));
  for (let i = 0; i < count; ++i) {
    if (rng.chance(0.2)) {
      const check = rng.pick(CHECKS);
      if (used.has(check)) continue;
      used.add(check);
      args.push(q(`--field=${check}:CHK`), rng.chance(0.5) ? 'TRUE' : 'FALSE');
      known.push(check);
      continue;
    }
    const label = rng.pick(LABELS);
    if (used.has(label)) continue;
    used.add(label);
    const text = value(rng, t, label);
    const number = /^\d+$/.test(text) && rng.chance(0.5);
    args.push(q(`--field=${label}:${number ? 'NUM' : 'RO'}`), q(number ? `${text}!0..99999!1` : text));
    known.push(`${label}\t${text}`);
  }
  const buttons = buttonArgs(rng);
  known.push(buttons.known);
  return [`gtk form ${x} ${y} ${w} ${h} yad --form ${args.join(' ')} ${buttons.args.join(' ')}`, `knows ${known.map(q).join(' ')}`];
}

// A yad list: a table with a header row.
function list(rng, t, x, y, w, h) {
  const heading = t.title(2, 5);
  const kinds = rng.shuffle(['name', 'user', 'size', 'date', 'number', 'status']).slice(0, rng.int(3, 5));
  const titles = { name: 'Name', user: 'Owner', size: 'Size', date: 'Modified', number: 'Count', status: 'Status' };
  const cell = (kind) => ({
    name: () => t.file(), user: () => t.user(), size: () => t.size(), date: () => t.date(),
    number: () => t.number(0, 9999), status: () => rng.pick(['Ready', 'Waiting', 'Held', 'Done', 'Failed']),
  }[kind]());
  const rows = Math.min(rng.int(4, 12), Math.floor((h - 170) / 28));
  const args = [`--text=${q(heading)}`, '--no-selection', ...kinds.map((k) => q(`--column=${titles[k]}${k === 'number' ? ':NUM' : ''}`))];
  const known = [heading, kinds.map((k) => titles[k]).join('\t')];
  for (let r = 0; r < rows; ++r) {
    const cells = kinds.map(cell);
    args.push(...cells.map(q));
    known.push(cells.join('\t'));
  }
  const buttons = buttonArgs(rng);
  known.push(buttons.known);
  return [`gtk list ${x} ${y} ${w} ${h} yad --list ${args.join(' ')} ${buttons.args.join(' ')}`, `knows ${known.map(q).join(' ')}`];
}

// One screen: its layout drawn from the seed, the windows in the order a person reads them.
function plan(seed, index) {
  const rng = makeRng((seed * 1000003 + index * 7919 + 31337) >>> 0);
  const t = makeText(rng, 'en');
  const name = `x11-${String(index).padStart(3, '0')}`;
  const files = [];
  const script = [`desktop ${q(rng.pick(DESKTOPS))}`];
  let windows = 0;
  const term = (x, y, w, h) => {
    const made = terminal(rng, t, name, ++windows, x, y, w, h);
    files.push(made);
    script.push(made.command);
  };
  const gap = rng.int(0, 24);
  const layout = rng.pick(['single', 'pair', 'grid', 'terminal_dialog', 'dialogs']);
  if (layout === 'single') {
    const x = rng.int(0, 80), y = rng.int(0, 60);
    term(x, y, rng.int(900, SCREEN_W - x), rng.int(600, SCREEN_H - y));
  } else if (layout === 'pair') {
    const w = Math.floor((SCREEN_W - gap) / 2);
    term(0, 0, w, SCREEN_H);
    term(w + gap, 0, w, rng.int(500, SCREEN_H));
  } else if (layout === 'grid') {
    // Read row by row: top left, top right, bottom left, bottom right.
    const w = Math.floor((SCREEN_W - gap) / 2), h = Math.floor((SCREEN_H - gap) / 2);
    for (const [x, y] of [[0, 0], [w + gap, 0], [0, h + gap], [w + gap, h + gap]]) term(x, y, w, h);
  } else if (layout === 'terminal_dialog') {
    const w = rng.int(900, 1150);
    term(0, 0, w, SCREEN_H);
    script.push(...form(rng, t, w + 40, rng.int(40, 200), rng.int(560, 700), rng.int(420, 620)));
  } else {
    const fw = rng.int(560, 700);
    script.push(...form(rng, t, 40, 40, fw, rng.int(440, 640)));
    script.push(...list(rng, t, fw + 100, 40, rng.int(760, SCREEN_W - fw - 140), rng.int(420, 700)));
  }
  script.push(`capture ${name}`);
  return { name, files, script: script.join('\n') + '\n' };
}

function main() {
  const o = { seed: 1, count: 20, out: null };
  for (let i = 2; i < process.argv.length; i += 2) {
    const [a, v] = [process.argv[i], process.argv[i + 1]];
    if (a === '--seed') o.seed = Number(v);
    else if (a === '--count') o.count = Number(v);
    else if (a === '--out') o.out = v;
    else throw new Error(`unknown argument ${a}\nusage: node x11_screens.js --seed N --count N --out DIR`);
  }
  if (!o.out || !Number.isInteger(o.seed) || !(o.count > 0)) throw new Error('usage: node x11_screens.js --seed N --count N --out DIR');
  fs.mkdirSync(o.out, { recursive: true });
  for (let i = 0; i < o.count; ++i) {
    const screen = plan(o.seed, i);
    for (const f of screen.files) fs.writeFileSync(path.join(o.out, `${f.file}.term`), f.content);
    fs.writeFileSync(path.join(o.out, `${screen.name}.sh`), screen.script);
  }
}

main();
