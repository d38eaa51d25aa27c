#!/usr/bin/env node
'use strict';
// Generates the reading-order corpus: screens of many layout families rendered by headless Chromium, each
// NAME.png with NAME.txt (its known text in reading order, the runs of one row joined by a tab) and a
// manifest families.txt ("NAME<TAB>FAMILY" a line). The same seed and count give the same screens.
// Usage: node generate.js [--seed N] [--count N] [--out DIR] [--jobs N] [--family NAME[,NAME...]]
// See README.md beside this script for the families and the rules the known text follows.

const fs = require('fs');
const os = require('os');
const path = require('path');
const { Browser } = require('./browser');
const { makeRng, makeText } = require('./content');
const { themes } = require('./parts');
const { FAMILIES } = require('./families');

const NAMES = Object.keys(FAMILIES).concat(['monitors']);
// Device pixels and device scale: the page is laid out at their quotient.
const SIZES = [[1920, 1080, 1], [1920, 1080, 1], [1920, 1080, 1], [1366, 768, 1], [1600, 900, 1], [1440, 900, 1],
  [1920, 1080, 1.25], [1920, 1080, 1.5], [2560, 1440, 1.5], [2560, 1440, 2], [2880, 1800, 2]];
const MONITORS = [[1920, 1080], [1920, 1080], [1600, 900], [1280, 1024], [1366, 768]];
const SANS = ["'DejaVu Sans'", "'Liberation Sans'", "'Noto Sans'"];
const SERIF = ["'Liberation Serif'", "'DejaVu Serif'", "'Noto Serif'"];
const ATTEMPTS = 6;

function parseArgs(argv) {
  const o = { seed: 1, count: 340, out: path.resolve(__dirname, '../../build/corpus'), jobs: 2, families: NAMES };
  for (let i = 2; i < argv.length; ++i) {
    const a = argv[i];
    const v = () => {
      if (i + 1 >= argv.length) throw new Error(a + ' needs a value');
      return argv[++i];
    };
    if (a === '--seed') o.seed = Number(v());
    else if (a === '--count') o.count = Number(v());
    else if (a === '--out') o.out = path.resolve(v());
    else if (a === '--jobs') o.jobs = Math.max(1, Math.min(2, Number(v())));
    else if (a === '--family') o.families = v().split(',');
    else throw new Error('unknown argument ' + a + '\nusage: node generate.js [--seed N] [--count N] [--out DIR] [--jobs 1|2] [--family NAME,...]');
  }
  for (const f of o.families) if (!NAMES.includes(f)) throw new Error(`no family ${f} (families: ${NAMES.join(', ')})`);
  if (!Number.isInteger(o.seed) || !(o.count > 0)) throw new Error('--seed wants an integer and --count a positive number');
  return o;
}

// The context a family draws a screen (or one monitor of it) with.
function context(rng, scale) {
  const zh = rng.chance(0.25);
  const th = rng.pick(themes(rng));
  return {
    rng, th, t: makeText(rng, zh ? 'zh' : 'en'),
    font: zh ? "'Noto Sans CJK SC'" : rng.pick(SANS),
    serif: zh ? "'Noto Serif CJK SC'" : rng.pick(SERIF),
    fs: scale >= 1.75 ? rng.int(11, 14) : rng.int(12, 16),
  };
}

function screenDiv(c, family, x, w, h) {
  return `<div style="position:absolute;left:${x}px;top:0;width:${w}px;height:${h}px;overflow:hidden;background:${c.th.bg};` +
    `color:${c.th.fg};font:${c.fs}px ${c.font}">${FAMILIES[family](c, w, h)}</div>`;
}

function buildScreen(seed, index, family, attempt) {
  const rng = makeRng((seed * 1000003 + index * 7919 + attempt * 104729) >>> 0);
  let width, height, scale, body;
  if (family === 'monitors') {
    const count = rng.chance(0.7) ? 2 : 3;
    const sizes = [];
    for (let i = 0; i < count; ++i) sizes.push(rng.pick(count === 3 ? MONITORS.slice(2) : MONITORS));
    width = sizes.reduce((s, [w]) => s + w, 0);
    height = Math.max(...sizes.map(([, h]) => h));
    scale = 1;
    body = '';
    let x = 0;
    for (const [w, h] of sizes) {
      body += screenDiv(context(rng, 1), rng.pick(Object.keys(FAMILIES)), x, w, h);
      x += w;
    }
  } else {
    [width, height, scale] = rng.pick(SIZES);
    width = Math.round(width / scale);
    height = Math.round(height / scale);
    body = screenDiv(context(rng, scale), family, 0, width, height);
  }
  const html = '<!DOCTYPE html>\n<html><head><meta charset="utf-8"><style>html, body { margin: 0; overflow: hidden; ' +
    'background: #000; } div { box-sizing: border-box; } .l { white-space: nowrap; }</style></head>\n' +
    `<body style="position:relative;width:${width}px;height:${height}px">${body}</body></html>\n`;
  return { html, width, height, scale };
}

// Liberation Mono without anti-aliasing and fully hinted: the corpus's bitmap-like terminal font.
function fontConfig(dir) {
  const file = path.join(dir, 'fonts.conf');
  fs.writeFileSync(file, '<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig>\n' +
    '  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>\n' +
    '  <match target="font"><test name="family"><string>Liberation Mono</string></test>\n' +
    '    <edit name="antialias" mode="assign"><bool>false</bool></edit>\n' +
    '    <edit name="hinting" mode="assign"><bool>true</bool></edit>\n' +
    '    <edit name="hintstyle" mode="assign"><const>hintfull</const></edit></match>\n</fontconfig>\n');
  return file;
}

async function main() {
  const o = parseArgs(process.argv);
  const srcDir = path.join(o.out, 'src');
  fs.mkdirSync(srcDir, { recursive: true });
  const env = { ...process.env, FONTCONFIG_FILE: fontConfig(o.out) };
  const jobs = [];
  for (let i = 0; i < o.count; ++i) {
    const family = o.families[i % o.families.length];
    jobs.push({ index: i, family, name: `${family}-${String(i).padStart(3, '0')}` });
  }
  const failed = [];
  let next = 0;
  let done = 0;
  const started = Date.now();
  const worker = async (k) => {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vesk-corpus-'));
    const browser = new Browser(process.env.CHROMIUM || 'chromium', profile, env);
    try {
      await browser.open();
      while (next < jobs.length) {
        const job = jobs[next++];
        let errors = [];
        for (let attempt = 0; attempt < ATTEMPTS; ++attempt) {
          const screen = buildScreen(o.seed, job.index, job.family, attempt);
          const page = path.join(srcDir, job.name + '.html');
          fs.writeFileSync(page, screen.html);
          const result = await browser.render(page, screen.width, screen.height, screen.scale);
          errors = result.errors;
          if (errors.length === 0 && result.rows.length > 0) {
            fs.writeFileSync(path.join(o.out, job.name + '.png'), result.png);
            fs.writeFileSync(path.join(o.out, job.name + '.txt'), result.rows.map((r) => r.join('\t')).join('\n') + '\n');
            job.ok = true;
            break;
          }
        }
        if (!job.ok) failed.push(`${job.name}: ${errors.slice(0, 3).join('; ')}`);
        process.stderr.write(`\r[${++done}/${jobs.length}] ${job.name} (worker ${k})      `);
      }
    } finally {
      await browser.close();
      fs.rmSync(profile, { recursive: true, force: true });
    }
  };
  await Promise.all(Array.from({ length: Math.min(o.jobs, jobs.length) }, (_, k) => worker(k)));
  process.stderr.write('\n');
  const manifest = jobs.filter((j) => j.ok).map((j) => `${j.name}\t${j.family}\n`).join('');
  fs.writeFileSync(path.join(o.out, 'families.txt'), manifest);
  console.log(`${jobs.length - failed.length} screens in ${o.out} (${((Date.now() - started) / 1000).toFixed(0)} s)`);
  if (failed.length) {
    console.error(`${failed.length} screens failed their checks ${ATTEMPTS} times:\n  ${failed.join('\n  ')}`);
    process.exitCode = 1;
  }
}

main().catch((e) => {
  console.error('generate.js: ' + (e && e.message ? e.message : e));
  process.exit(2);
});
