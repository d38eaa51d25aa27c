'use strict';
// The pieces screens are made of: runs of text, rows, bars and blocks of running text. A piece returns
// HTML whose runs stand in reading order (see README.md beside this file): the page's order of elements
// is its known text, so a piece is written in the order a person reads it, whatever CSS does with it.

const esc = (s) => String(s).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');

// A run of text: one visually continuous piece a detector should find as one box.
const L = (text, style = '', cls = '') => `<span class="l${cls ? ' ' + cls : ''}" style="${style}">${esc(text)}</span>`;
// A row: the runs inside are one known line, joined by tabs.
const R = (inner, style = '') => `<div class="r" style="${style}">${inner}</div>`;
const D = (style, inner = '') => `<div style="${style}">${inner}</div>`;
const abs = (x, y, w, h, style, inner = '') =>
  D(`position:absolute;left:${Math.round(x)}px;top:${Math.round(y)}px;width:${Math.round(w)}px;` +
    `${h === null ? '' : `height:${Math.round(h)}px;`}${style}`, inner);

// How many characters of a font size fit a width, with room to spare for wide fonts.
const fit = (width, fs) => Math.max(4, Math.floor(width / (fs * 0.66)));

// The width of text in Latin characters: a Chinese character is about one and a half.
const units = (s) => Array.from(s).reduce((n, ch) => n + (ch.charCodeAt(0) >= 0x2E80 ? 1.6 : 1), 0);

// Text from gen that fits max units: drawn anew a few times, else cut at a word boundary.
function fitted(gen, max) {
  let s = '';
  for (let i = 0; i < 8; ++i) {
    s = gen();
    if (units(s) <= max) return s;
  }
  const chars = Array.from(s);
  while (chars.length > 1 && units(chars.join('')) > max) chars.pop();
  const cut = chars.join('');
  const space = cut.lastIndexOf(' ');
  return (space > 0 ? cut.slice(0, space) : cut).trim();
}

const MENUS = ['File', 'Edit', 'View', 'Go', 'Tools', 'Window', 'Help', 'Insert', 'Format', 'Run', 'History', 'Bookmarks'];
const ZH_MENUS = ['文件', '编辑', '视图', '工具', '窗口', '帮助', '格式', '插入', '运行', '历史'];

function themes(rng) {
  const hue = rng.int(0, 359);
  return [
    { dark: false, bg: '#ffffff', panel: '#f3f4f6', bar: '#e8eaed', fg: '#1f2328', muted: '#5f6670',
      border: '#d0d7de', accent: `hsl(${hue},65%,42%)`, onAccent: '#ffffff', soft: `hsl(${hue},70%,93%)` },
    { dark: true, bg: '#1e1f22', panel: '#2b2d31', bar: '#313338', fg: '#e8e8e8', muted: '#a3a7ae',
      border: '#45474d', accent: `hsl(${hue},70%,62%)`, onAccent: '#111111', soft: `hsl(${hue},35%,25%)` },
  ];
}

function windowButtons(c, h) {
  const s = Math.round(h * 0.36);
  const dot = (col) => D(`width:${s}px;height:${s}px;border-radius:${s}px;background:${col}`);
  return D(`position:absolute;right:${s}px;top:${Math.round((h - s) / 2)}px;display:flex;gap:${Math.round(s / 2)}px`,
    dot('#e0443e') + dot('#dea123') + dot('#1aab29'));
}

function titleBar(c, title, h = 30 + c.rng.int(0, 8)) {
  return D(`height:${h}px;position:relative;display:flex;align-items:center;justify-content:center;` +
    `background:${c.th.bar};border-bottom:1px solid ${c.th.border}`,
  L(title, `font-weight:bold;font-size:${c.fs}px`) + windowButtons(c, h));
}

function menuBar(c, n = c.rng.int(4, 8)) {
  const items = c.rng.shuffle(c.t.zh ? ZH_MENUS : MENUS).slice(0, n);
  return R(items.map((m) => L(m)).join(''), `height:${c.fs + 14}px;display:flex;align-items:center;` +
    `gap:${c.rng.int(14, 30)}px;padding:0 12px;background:${c.th.panel};border-bottom:1px solid ${c.th.border}`);
}

function tabBar(c, n = c.rng.int(2, 5)) {
  const active = c.rng.int(0, n - 1);
  let tabs = '';
  for (let i = 0; i < n; ++i) {
    tabs += D(`padding:6px 16px;border-right:1px solid ${c.th.border};` +
      `background:${i === active ? c.th.bg : c.th.panel}`, L(c.t.file(), `font-size:${c.fs - 1}px`));
  }
  return R(tabs, `display:flex;background:${c.th.panel};border-bottom:1px solid ${c.th.border}`);
}

function statusBar(c, dark = c.rng.chance(0.4)) {
  const items = [c.t.zh ? '就绪' : 'Ready', `Ln ${c.rng.int(1, 400)}, Col ${c.rng.int(1, 80)}`,
    c.rng.pick(['UTF-8', 'LF', 'Spaces: 4', `${c.rng.int(10, 200)}%`, c.t.date()])];
  const n = c.rng.int(2, 3);
  return R(items.slice(0, n).map((s) => L(s)).join(''),
    `height:${c.fs + 12}px;display:flex;align-items:center;justify-content:space-between;padding:0 14px;` +
    `font-size:${c.fs - 1}px;background:${dark ? c.th.accent : c.th.panel};color:${dark ? c.th.onAccent : c.th.muted};` +
    `border-top:1px solid ${c.th.border}`);
}

// Lines of running text, each a run, in paragraphs; width in CSS pixels.
function paragraphs(c, width, lines, fs = c.fs, style = '') {
  let out = '';
  let left = lines;
  while (left > 0) {
    const n = Math.min(left, c.rng.int(2, 5));
    let p = '';
    for (let i = 0; i < n; ++i) {
      const last = i === n - 1;
      const chars = fit(width, fs);
      p += L(c.t.sentence(last ? c.rng.int(Math.floor(chars / 3), chars) : c.rng.int(Math.floor(chars * 0.8), chars)),
        'display:block');
    }
    out += D(`margin-bottom:${Math.round(fs * 0.9)}px`, p);
    left -= n;
  }
  return D(`font-size:${fs}px;line-height:${Math.round(fs * 1.55)}px;${style}`, out);
}

// A heading, paragraphs and now and then a bulleted list.
function documentBlock(c, width, lines, fs = c.fs) {
  let out = L(c.t.title(2, 5), `display:block;font-size:${Math.round(fs * 1.8)}px;font-weight:bold;margin-bottom:${fs}px`);
  out += paragraphs(c, width, Math.max(2, lines - 4), fs);
  if (c.rng.chance(0.4)) {
    let items = '';
    for (let i = c.rng.int(2, 4); i > 0; --i) {
      items += D('display:flex;align-items:center;gap:10px', D(`width:6px;height:6px;background:${c.th.fg};border-radius:3px`) +
        L(c.t.sentence(fit(width - 30, fs) / 2)));
    }
    out += D(`font-size:${fs}px;line-height:${Math.round(fs * 1.6)}px;padding-left:14px`, items);
  }
  return out;
}

// A column of items (a sidebar's list), optionally in groups under small upper-case headings.
function itemList(c, width, n, fs = c.fs, selected = -1) {
  let out = '';
  for (let i = 0; i < n; ++i) {
    if (i > 0 && c.rng.chance(0.15)) {
      out += L(c.t.title(1, 2).toUpperCase(), `display:block;font-size:${fs - 2}px;color:${c.th.muted};margin:12px 0 4px`);
    }
    const text = fitted(() => (c.t.zh ? c.t.words(c.rng.int(1, 3)) : c.t.title(1, 3)), fit(width - 20, fs));
    out += D(`padding:5px 10px;border-radius:4px;${i === selected ? `background:${c.th.accent};color:${c.th.onAccent}` : ''}`,
      L(text));
  }
  return D(`font-size:${fs}px`, out);
}

module.exports = { esc, L, R, D, abs, fit, fitted, themes, titleBar, menuBar, tabBar, statusBar, paragraphs, documentBlock, itemList };
