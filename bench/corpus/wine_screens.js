#!/usr/bin/env node
'use strict';
// Plans the corpus's screens of Windows programs under Wine (family `wine`): Notepad windows with small
// aliased text, as Windows draws it with font smoothing off, mostly in Tahoma 8 (the system font of
// dialogs), some in Tahoma 9 and 10, Courier and MS Sans Serif (which the prefix lacks: Wine draws a
// monospace font in its place). For each screen a shell script of window commands for wine.sh, with the
// text of each window as a file beside it. Usage: node wine_screens.js --seed N --count N --out DIR
// A screen depends on the seed and its index only.

const fs = require('fs');
const path = require('path');
const { makeRng, makeText, capital } = require('./content');

// Font, size in tenths of a point, the widest character and the line pitch in pixels (upper bounds, for
// fitting the text into its window), and how often it is drawn.
const FONTS = [
  ['Tahoma', 80, 9, 13, 10], ['Tahoma', 90, 10, 14, 2], ['Tahoma', 100, 11, 16, 2],
  ['Courier', 100, 9, 16, 1], ['MS Sans Serif', 80, 9, 14, 1],
];
const DESKTOPS = ['#3a6ea5', '#000000', '#008080', '#5b6770', '#2b3036', '#d6d9dc'];
const SCREEN_W = 1920;
const SCREEN_H = 1080;
// Notepad's frame, title bar, menu bar and status bar around its text, in pixels.
const CHROME_W = 40;
const CHROME_H = 110;

const q = (s) => `'${String(s).replace(/'/g, `'\\''`)}'`;

const ROLES = ['QA lead', 'build infrastructure', 'release manager', 'support', 'finance', 'design', 'legal',
  'operations', 'sales', 'front desk'];
const LABELS = ['Server', 'Port', 'Owner', 'Folder', 'Account', 'Version', 'Deadline', 'Budget', 'Room', 'Phone'];

// One line of a note, at most `chars` characters.
function noteLine(rng, t, chars, kind, number) {
  switch (kind) {
    case 'heading': return t.title(2, 5);
    case 'bullet': return `- ${t.sentence(rng.int(20, chars - 2)).replace(/\.$/, '').toLowerCase()}`;
    case 'numbered': return `${number}. ${t.sentence(rng.int(20, chars - 4))}`;
    case 'contact': return `${t.name()}, ${rng.pick(ROLES)}, ext. ${t.number(1000, 9999)}`;
    case 'field': {
      const label = rng.pick(LABELS);
      const value = {
        Server: () => `${t.word()}.example.org`, Port: () => t.number(20, 9999), Owner: () => t.name(),
        Folder: () => `C:\\Users\\${capital(t.user())}\\${capital(t.word())}`, Account: () => `${t.user()}@example.org`,
        Version: () => `${rng.int(1, 12)}.${rng.int(0, 30)}.${rng.int(0, 9)}`, Deadline: () => `${t.date()} ${t.time()}`,
        Budget: () => `${t.money()} EUR`, Room: () => `${rng.pick(['A', 'B', 'C'])}${t.number(100, 499)}`,
        Phone: () => `+${t.number(1, 49)} ${t.number(100, 999)} ${t.number(1000, 9999)}`,
      }[label]();
      return `${label}: ${value}`;
    }
    case 'file': return `${t.file()} (${t.size()}, ${t.shortDate()})`;
    default: return t.sentence(rng.int(Math.min(30, chars), chars));
  }
}

// The text of one Notepad window: short sections of a heading and lines of one kind, with blank lines
// between them; `rows` lines at most, each at most `chars` characters.
function noteText(rng, t, rows, chars) {
  const lines = [];
  while (lines.length < rows - 3) {
    if (lines.length > 0) lines.push('');
    lines.push(t.title(2, 5));
    const kind = rng.pick(['sentence', 'sentence', 'bullet', 'numbered', 'contact', 'field', 'file']);
    const count = Math.min(rng.int(2, 6), rows - lines.length);
    for (let i = 0; i < count; ++i) lines.push(noteLine(rng, t, chars, kind, i + 1));
  }
  return lines.slice(0, rows).map((l) => l.slice(0, chars).trimEnd());
}

// A Notepad window of `w` x `h` pixels at x, y: its text file and the command that shows it.
function notepad(rng, t, name, index, x, y, w, h) {
  const total = FONTS.reduce((s, f) => s + f[4], 0);
  let r = rng.int(1, total);
  const [font, points, charW, pitch] = FONTS.find((f) => (r -= f[4]) <= 0);
  const chars = Math.min(72, Math.floor((w - CHROME_W) / charW));
  const rows = Math.floor((h - CHROME_H) / pitch);
  const file = `${name}-${index}.txt`;
  const text = noteText(rng, t, rows, chars);
  return { file, content: text.join('\n') + '\n', command: ['notepad', file, x, y, w, h, font, points].map(q).join(' ') };
}

// One screen: one to three Notepad windows side by side, read left to right.
function plan(seed, index) {
  const rng = makeRng((seed * 1000003 + index * 7919 + 4242) >>> 0);
  const t = makeText(rng, 'en');
  const name = `wine-${String(index).padStart(3, '0')}`;
  const files = [];
  const script = [`desktop ${q(rng.pick(DESKTOPS))}`];
  const count = rng.pick([1, 2, 2, 3]);
  const gap = rng.int(10, 60);
  const width = Math.floor((SCREEN_W - 40 - gap * (count - 1)) / count);
  for (let i = 0; i < count; ++i) {
    const w = rng.int(Math.min(420, width), width);
    const x = 20 + i * (width + gap);
    const y = rng.int(10, 200);
    const h = rng.int(300, SCREEN_H - y - 40);
    const made = notepad(rng, t, name, i + 1, x, y, w, h);
    files.push(made);
    script.push(made.command);
  }
  script.push(`capture ${name} 1`);
  return { name, files, script: script.join('\n') + '\n' };
}

function main() {
  const o = { seed: 1, count: 16, out: null };
  for (let i = 2; i < process.argv.length; i += 2) {
    const [a, v] = [process.argv[i], process.argv[i + 1]];
    if (a === '--seed') o.seed = Number(v);
    else if (a === '--count') o.count = Number(v);
    else if (a === '--out') o.out = v;
    else throw new Error(`unknown argument ${a}\nusage: node wine_screens.js --seed N --count N --out DIR`);
  }
  if (!o.out || !Number.isInteger(o.seed) || !(o.count > 0)) throw new Error('usage: node wine_screens.js --seed N --count N --out DIR');
  fs.mkdirSync(o.out, { recursive: true });
  for (let i = 0; i < o.count; ++i) {
    const screen = plan(o.seed, i);
    for (const f of screen.files) fs.writeFileSync(path.join(o.out, f.file), f.content);
    fs.writeFileSync(path.join(o.out, `${screen.name}.sh`), screen.script);
  }
}

main();
