'use strict';
// The layout families of the corpus. Each builds the inside of a w x h (CSS pixels) screen for a context
// c = { rng, t (text), th (theme), font, serif, mono, fs (base font size) } and writes its runs in
// reading order (README.md beside this file gives the rules).

const { qrSvg, eanDigits, eanSvg } = require('./codes');
const { L, R, D, abs, fit, fitted, titleBar, menuBar, tabBar, statusBar, paragraphs, documentBlock, itemList } = require('./parts');

const lineCount = (height, fs) => Math.max(2, Math.floor(height / (fs * 1.95)));

function chrome(c, w, h) {
  const bars = titleBar(c, `${c.t.file()} - ${c.t.title(1, 2)}`) + menuBar(c) + (c.rng.chance(0.7) ? tabBar(c) : '');
  const top = 40 + c.fs * 2 + 50;
  const width = Math.min(w - 120, c.rng.int(600, 1000));
  return D('display:flex;flex-direction:column;height:100%', bars +
    D(`flex:1;padding:24px ${Math.round((w - width) / 2)}px;overflow:hidden`, documentBlock(c, width, lineCount(h - top - 90, c.fs))) +
    statusBar(c));
}

function topBar(c) {
  const links = c.rng.int(2, 5);
  let nav = '';
  for (let i = 0; i < links; ++i) nav += L(c.t.title(1, 1));
  return R(L(c.t.title(1, 2), `font-weight:bold;font-size:${c.fs + 3}px`) + D('flex:1') + nav,
    `height:${c.fs + 30}px;display:flex;align-items:center;gap:22px;padding:0 24px;background:${c.th.dark ? c.th.panel : c.th.accent};` +
    `color:${c.th.dark ? c.th.fg : c.th.onAccent}`);
}

function sidebar(side) {
  return (c, w, h) => {
    const sw = c.rng.int(180, 300);
    const barH = c.fs + 30;
    const footer = c.rng.chance(0.5);
    const mainW = Math.min(w - sw - 100, 900);
    const aside = D(`width:${sw}px;flex:none;padding:18px 12px;background:${c.th.panel};` +
      `border-${side === 'left' ? 'right' : 'left'}:1px solid ${c.th.border}`,
    itemList(c, sw - 24, lineCount(h - barH - 80, c.fs + 4), c.fs, c.rng.int(-1, 3)));
    const main = D(`flex:1;padding:28px 40px;overflow:hidden`, documentBlock(c, mainW, lineCount(h - barH - 140, c.fs)));
    return D('display:flex;flex-direction:column;height:100%', topBar(c) +
      D('flex:1;display:flex;min-height:0', side === 'left' ? aside + main : main + aside) +
      (footer ? R(L(`© ${c.rng.int(2015, 2026)} ${c.t.title(1, 2)}`) + L(c.t.title(1, 2)) + L(c.t.title(1, 1)),
        `height:${c.fs + 22}px;display:flex;align-items:center;gap:40px;padding:0 24px;font-size:${c.fs - 1}px;` +
        `background:${c.th.bar};color:${c.th.muted}`) : ''));
  };
}

// A mail or news reader: folders, a list of items, the item read; three or two panes side by side.
function panes(c, w, h) {
  const three = c.rng.chance(0.6);
  const fw = three ? c.rng.int(160, 220) : 0;
  const lw = c.rng.int(280, 380);
  const rw = w - fw - lw;
  const top = c.fs + 24;
  let list = '';
  const items = Math.floor((h - top - 20) / (c.fs * 3 + 28));
  for (let i = 0; i < items; ++i) {
    list += D(`padding:8px 12px;border-bottom:1px solid ${c.th.border};${i === 1 ? `background:${c.th.soft}` : ''}`,
      R(L(c.t.name(), 'font-weight:bold') + L(c.rng.chance(0.5) ? c.t.time() : c.t.shortDate(), `color:${c.th.muted};font-size:${c.fs - 2}px`),
        'display:flex;justify-content:space-between') +
      L(c.t.sentence(fit(lw - 30, c.fs)), 'display:block') +
      L(c.t.sentence(fit(lw - 30, c.fs - 1)), `display:block;color:${c.th.muted};font-size:${c.fs - 1}px`));
  }
  const reader = R(L(c.t.zh ? '发件人' : 'From', `color:${c.th.muted}`) + L(c.t.name()), 'display:flex;gap:16px;margin:8px 0') +
    R(L(c.t.zh ? '日期' : 'Date', `color:${c.th.muted}`) + L(`${c.t.date()} ${c.t.time()}`), 'display:flex;gap:16px;margin-bottom:18px') +
    paragraphs(c, Math.min(rw - 60, 800), lineCount(h - top - 200, c.fs));
  const toolbar = R([c.t.title(1, 1), c.t.title(1, 1), c.t.title(1, 1)].map((s) => L(s)).join(''),
    `height:${top}px;display:flex;align-items:center;gap:26px;padding:0 16px;background:${c.th.bar};border-bottom:1px solid ${c.th.border}`);
  return toolbar + D(`display:flex;height:${h - top}px`,
    (three ? D(`width:${fw}px;padding:12px 8px;background:${c.th.panel};border-right:1px solid ${c.th.border}`,
      itemList(c, fw - 16, lineCount(h - top - 40, c.fs + 4), c.fs, 0)) : '') +
    D(`width:${lw}px;overflow:hidden;border-right:1px solid ${c.th.border}`, list) +
    D(`width:${rw}px;padding:20px 30px;overflow:hidden`,
      L(c.t.title(3, 6), `display:block;font-size:${Math.round(c.fs * 1.5)}px;font-weight:bold`) + reader));
}

function card(c, cw, ch, i) {
  let inner = L(c.t.title(1, 3), `display:block;font-weight:bold;font-size:${c.fs + 2}px;margin-bottom:8px`);
  if (c.rng.chance(0.4)) inner += L(c.rng.chance(0.5) ? c.t.money() : c.t.number(10, 99999), `display:block;font-size:${c.fs * 2}px;line-height:${c.fs * 2.6}px;font-weight:bold`);
  const lines = Math.max(1, Math.min(4, Math.floor((ch - 90) / (c.fs * 1.6))));
  for (let k = c.rng.int(1, lines); k > 0; --k) inner += L(c.t.sentence(fit(cw - 40, c.fs)), 'display:block');
  if (c.rng.chance(0.5)) {
    inner += R(L(c.t.title(1, 1), `color:${c.th.accent}`) + L(c.rng.chance(0.5) ? c.t.shortDate() : `${c.rng.int(1, 99)} ★`, `color:${c.th.muted}`),
      'display:flex;justify-content:space-between;margin-top:10px');
  }
  return D(`padding:16px 18px;height:${ch}px;background:${c.th.panel};border:1px solid ${c.th.border};border-radius:8px;` +
    `line-height:${Math.round(c.fs * 1.5)}px;overflow:hidden;${i === 0 ? '' : ''}`, inner);
}

function cards(c, w, h) {
  const cols = c.rng.int(2, 4);
  const top = c.fs + 30;
  const heading = 70;
  const rows = Math.max(1, Math.min(3, Math.floor((h - top - heading) / 190)));
  const gap = c.rng.int(14, 28);
  const cw = Math.floor((w - 60 - gap * (cols - 1)) / cols);
  const ch = Math.floor((h - top - heading - 40 - gap * (rows - 1)) / rows);
  let grid = '';
  for (let i = 0; i < cols * rows; ++i) grid += card(c, cw, ch, i);
  return topBar(c) + D('padding:20px 30px',
    L(c.t.title(2, 4), `display:block;font-size:${Math.round(c.fs * 1.6)}px;font-weight:bold;margin-bottom:20px`) +
    D(`display:grid;grid-template-columns:repeat(${cols},${cw}px);gap:${gap}px`, grid));
}

// Label and value rows; values in fields, as plain text or as choices.
function formRows(c, n, labelW, valueW, rowH) {
  let out = '';
  for (let i = 0; i < n; ++i) {
    const label = fitted(() => c.t.title(1, 2), fit(labelW, c.fs));
    const value = fitted(() => (c.rng.chance(0.3) ? c.t.name() : c.rng.chance(0.5) ? c.t.title(1, 3)
      : c.rng.pick([c.t.date(), c.t.money(), c.t.size(), c.t.percent()])), fit(valueW - 30, c.fs));
    const field = c.rng.chance(0.75);
    out += R(L(label, `width:${labelW}px;display:inline-block;color:${c.th.muted}`) +
      (field ? D(`width:${valueW}px;height:${rowH - 14}px;display:flex;align-items:center;padding:0 10px;` +
        `border:1px solid ${c.th.border};border-radius:4px;background:${c.th.bg}`, L(value)) : L(value)),
    `display:flex;align-items:center;height:${rowH}px`);
  }
  return out;
}

function buttons(c, labels) {
  return R(labels.map((b, i) => L(b, `padding:7px 22px;border-radius:4px;border:1px solid ${c.th.border};` +
    (i === labels.length - 1 ? `background:${c.th.accent};color:${c.th.onAccent};font-weight:bold` : ''))).join(''),
  'display:flex;justify-content:flex-end;gap:14px;margin-top:18px');
}

function form(c, w, h) {
  const dw = Math.min(w - 80, c.rng.int(560, 900));
  const rowH = c.fs + c.rng.int(20, 30);
  const n = Math.max(3, Math.min(12, Math.floor((h - 300) / rowH)));
  const labelW = c.rng.int(130, 200);
  const valueW = Math.min(dw - labelW - 60, c.rng.int(240, 420));
  const dh = 44 + 70 + n * rowH + 160;
  const checks = c.rng.int(0, 2);
  let body = L(c.t.title(2, 5), `display:block;font-size:${c.fs + 4}px;font-weight:bold`) +
    L(c.t.sentence(fit(dw - 60, c.fs - 1)), `display:block;color:${c.th.muted};font-size:${c.fs - 1}px;margin:6px 0 12px`) +
    formRows(c, n, labelW, valueW, rowH);
  for (let i = 0; i < checks; ++i) {
    body += D('display:flex;align-items:center;gap:10px;margin-top:8px', D(`width:14px;height:14px;border:1px solid ${c.th.muted};` +
      `border-radius:3px;${c.rng.chance(0.5) ? `background:${c.th.accent}` : ''}`) + L(c.t.sentence(fit(dw - 100, c.fs) / 2)));
  }
  const ok = c.t.zh ? ['取消', '确定'] : [c.rng.pick(['Cancel', 'Close', 'Back']), c.rng.pick(['OK', 'Save', 'Apply', 'Continue'])];
  body += buttons(c, ok);
  const desk = c.th.dark ? '#101418' : `hsl(${c.rng.int(180, 260)},25%,45%)`;
  return D(`position:absolute;inset:0;background:${desk}`,
    abs((w - dw) / 2, Math.max(10, (h - dh - checks * 30) / 2), dw, null,
      `background:${c.th.bg};border:1px solid ${c.th.border};border-radius:6px;overflow:hidden;box-shadow:0 8px 30px rgba(0,0,0,.4)`,
      titleBar(c, c.t.title(1, 3)) + D('padding:18px 28px 22px', body)));
}

function tableBlock(c, width, rows, cols) {
  const kinds = c.rng.shuffle(['name', 'date', 'money', 'status', 'number', 'word', 'file', 'percent']).slice(0, cols - 1);
  kinds.unshift(c.rng.pick(['id', 'name', 'file']));
  const cw = Math.floor(width / cols);
  const cell = (k) => fitted(() => ({
    id: () => `#${c.rng.int(1000, 99999)}`, name: () => c.t.name(), date: () => c.t.date(), money: () => c.t.money(),
    status: () => c.rng.pick(c.t.zh ? ['已完成', '处理中', '已取消'] : ['Paid', 'Pending', 'Shipped', 'Failed', 'Open']),
    number: () => c.t.number(1, 9999), word: () => c.t.title(1, 2), file: () => c.t.file(), percent: () => c.t.percent(),
  })[k](), fit(cw - 16, c.fs));
  const right = (k) => k === 'money' || k === 'number' || k === 'percent';
  const rowH = c.fs + c.rng.int(12, 22);
  const line = (cells, style) => R(cells.map((text, i) => D(`width:${cw}px;padding:0 8px;text-align:${right(kinds[i]) ? 'right' : 'left'}`,
    L(text))).join(''), `display:flex;align-items:center;height:${rowH}px;border-bottom:1px solid ${c.th.border};${style}`);
  let out = line(kinds.map((k) => (c.t.zh ? c.t.words(1) : k.toUpperCase())), `font-weight:bold;font-size:${c.fs - 1}px;background:${c.th.panel}`);
  for (let r = 0; r < rows; ++r) out += line(kinds.map(cell), r % 2 && c.rng.chance(0.5) ? `background:${c.th.panel}` : '');
  return out;
}

function table(c, w, h) {
  const side = c.rng.chance(0.5) ? c.rng.int(180, 240) : 0;
  const cols = c.rng.int(3, 7);
  const width = Math.min(w - side - 60, cols * c.rng.int(130, 200));
  const top = c.fs + 30;
  const rows = Math.max(3, Math.floor((h - top - 170) / (c.fs + 24)));
  const main = D('flex:1;padding:20px 30px;overflow:hidden',
    L(c.t.title(1, 3), `display:block;font-size:${Math.round(c.fs * 1.6)}px;font-weight:bold`) +
    L(c.t.sentence(fit(width, c.fs)), `display:block;color:${c.th.muted};margin:4px 0 14px`) +
    tableBlock(c, width, rows, cols) +
    R(L(`${c.rng.int(1, 9)} / ${c.rng.int(10, 40)}`) + L(c.t.zh ? '下一页' : 'Next'), 'display:flex;gap:20px;margin-top:12px;justify-content:flex-end'));
  return topBar(c) + D(`display:flex;height:${h - top}px`,
    (side ? D(`width:${side}px;padding:16px 10px;background:${c.th.panel}`, itemList(c, side - 20, lineCount(h - top - 40, c.fs + 4), c.fs, 1)) : '') + main);
}

function spreadsheet(c, w, h) {
  const colW = c.rng.int(90, 130);
  const cols = Math.min(12, Math.floor((w - 50) / colW));
  const rowH = c.fs + 10;
  const top = 30 + c.fs + 14 + 34;
  const rows = Math.floor((h - top - rowH - 40) / rowH);
  const letters = 'ABCDEFGHIJKL'.slice(0, cols).split('');
  const grid = `border-right:1px solid ${c.th.border};border-bottom:1px solid ${c.th.border}`;
  const cellStyle = (i) => `width:${i < 0 ? 46 : colW}px;flex:none;height:${rowH}px;padding:0 5px;display:flex;align-items:center;${grid}`;
  let out = R(D(cellStyle(-1)) + letters.map((x, i) => D(cellStyle(i) + ';justify-content:center', L(x))).join(''),
    `display:flex;background:${c.th.panel};font-size:${c.fs - 1}px`);
  const filled = letters.map(() => c.rng.chance(0.8));
  for (let r = 1; r <= rows; ++r) {
    let cells = D(cellStyle(-1) + `;justify-content:center;background:${c.th.panel}`, L(String(r)));
    const emptyRow = c.rng.chance(0.12);
    letters.forEach((x, i) => {
      let text = '';
      if (!emptyRow && filled[i] && c.rng.chance(0.85)) {
        text = fitted(() => (i === 0 ? c.t.title(1, 2) : c.rng.chance(0.7) ? c.t.money() : c.t.percent()), fit(colW - 10, c.fs));
      }
      cells += D(cellStyle(i) + (i > 0 ? ';justify-content:flex-end' : ''), text ? L(text) : '');
    });
    out += R(cells, 'display:flex');
  }
  const formula = R(L(`${c.rng.pick(letters)}${c.rng.int(1, rows)}`, 'width:60px;display:inline-block') +
    L(`=SUM(B2:B${c.rng.int(3, rows)})`), `display:flex;align-items:center;gap:20px;height:34px;padding:0 10px;border-bottom:1px solid ${c.th.border}`);
  return titleBar(c, `${c.t.file().replace(/\.\w+(\.\w+)?$/, '')}.xlsx`) + menuBar(c) + formula + out;
}

function chat(c, w, h) {
  const lw = c.rng.int(240, 340);
  const top = 64;
  let list = L(c.t.zh ? '聊天' : 'Chats', `display:block;font-weight:bold;font-size:${c.fs + 4}px;padding:14px 16px`);
  const convs = Math.floor((h - 60) / (c.fs * 3 + 20));
  for (let i = 0; i < convs; ++i) {
    list += D(`padding:8px 16px;${i === 0 ? `background:${c.th.soft}` : ''}`,
      R(L(c.t.name(), 'font-weight:bold') + L(c.rng.chance(0.6) ? c.t.time() : c.t.shortDate(), `font-size:${c.fs - 2}px;color:${c.th.muted}`),
        'display:flex;justify-content:space-between') + L(c.t.sentence(fit(lw - 40, c.fs - 1)), `display:block;font-size:${c.fs - 1}px;color:${c.th.muted}`));
  }
  const bw = w - lw;
  let bubbles = '';
  let y = 0;
  const maxY = h - top - 90;
  while (true) {
    const out = c.rng.chance(0.5);
    const n = c.rng.int(1, 3);
    const bh = n * Math.round(c.fs * 1.5) + 20 + c.fs + 10;
    if (y + bh > maxY) break;
    y += bh + 10;
    let text = '';
    const width = c.rng.int(Math.floor(bw * 0.3), Math.floor(bw * 0.6));
    for (let k = 0; k < n; ++k) text += L(c.t.sentence(fit(width, c.fs)), 'display:block');
    bubbles += D(`display:flex;flex-direction:column;align-items:${out ? 'flex-end' : 'flex-start'};margin-bottom:10px`,
      D(`padding:10px 14px;border-radius:12px;line-height:${Math.round(c.fs * 1.5)}px;max-width:${Math.floor(bw * 0.7)}px;` +
        `background:${out ? c.th.accent : c.th.panel};color:${out ? c.th.onAccent : c.th.fg}`, text) +
      L(c.t.time(), `font-size:${c.fs - 3}px;color:${c.th.muted};margin:3px 6px 0`));
  }
  return D('display:flex;height:100%',
    D(`width:${lw}px;flex:none;background:${c.th.panel};border-right:1px solid ${c.th.border};overflow:hidden`, list) +
    D(`width:${bw}px;position:relative`,
      D(`height:${top}px;padding:10px 24px;border-bottom:1px solid ${c.th.border}`,
        L(c.t.name(), `display:block;font-weight:bold;font-size:${c.fs + 2}px`) + L(c.t.zh ? '在线' : 'online', `display:block;font-size:${c.fs - 2}px;color:${c.th.muted}`)) +
      D('padding:16px 40px', bubbles) +
      abs(20, h - 64, bw - 40, 44, `border-radius:22px;background:${c.th.panel};display:flex;align-items:center;padding:0 20px`,
        L(c.t.zh ? '输入消息' : 'Type a message', `color:${c.th.muted}`))));
}

function article(c, w, h) {
  const cols = w > 1300 ? c.rng.int(2, 3) : 2;
  const fs = c.fs + 2;
  const pad = Math.max(40, Math.floor((w - 1400) / 2));
  const gap = 40;
  const cw = Math.floor((w - 2 * pad - gap * (cols - 1)) / cols);
  const head = 230;
  let columns = '';
  for (let i = 0; i < cols; ++i) {
    columns += D(`width:${cw}px;flex:none`, (i > 0 && c.rng.chance(0.3) ? L(c.t.title(2, 4), `display:block;font-weight:bold;font-size:${fs + 2}px;margin-bottom:8px`) : '') +
      paragraphs(c, cw, lineCount(h - head - 120, fs) - 1, fs, `font-family:${c.serif}`));
  }
  const stripe = R(L(c.t.title(1, 1).toUpperCase()) + L(c.t.title(1, 1).toUpperCase()) + L(c.t.title(1, 1).toUpperCase()) + D('flex:1') + L(c.t.date()),
    `display:flex;gap:26px;padding:8px 0;border-top:2px solid ${c.th.fg};border-bottom:1px solid ${c.th.border};font-size:${c.fs - 1}px`);
  return D(`padding:14px ${pad}px;height:100%`,
    L(c.t.title(1, 2), `display:block;text-align:center;font:bold ${fs * 2}px ${c.serif};margin-bottom:8px`) + stripe +
    L(c.t.title(1, 1).toUpperCase(), `display:block;color:#c0392b;font-weight:bold;margin-top:14px;font-size:${c.fs - 1}px`) +
    L(fitted(() => c.t.title(4, 7), fit(w - 2 * pad, fs * 2.2)), `display:block;font:bold ${Math.round(fs * 2.2)}px ${c.serif};margin:6px 0`) +
    L(c.t.sentence(fit(w - 2 * pad, fs + 2)), `display:block;font-size:${fs + 2}px;color:${c.th.muted}`) +
    L(`${c.t.zh ? '作者' : 'By'} ${c.t.name()}, ${c.t.shortDate()}`, `display:block;font-size:${c.fs - 1}px;margin:8px 0 16px`) +
    D(`display:flex;gap:${gap}px`, columns)) +
    abs(pad, h - 40, w - 2 * pad, 30, `border-top:1px solid ${c.th.border};display:flex;align-items:center`,
      L(`© ${c.t.title(1, 2)} ${c.rng.int(2000, 2026)}`, `font-size:${c.fs - 2}px;color:${c.th.muted}`));
}

// A print preview: the page as it will print on the left, the settings pane on the right.
function printPreview(c, w, h) {
  const pw = c.rng.int(340, 420);
  const sheetH = Math.min(h - 120, 900);
  const sheetW = Math.round(sheetH / 1.414);
  const left = w - pw;
  const pfs = c.rng.int(9, 12);
  const sheet = abs((left - sheetW) / 2, 40, sheetW, sheetH, `background:#fff;color:#222;padding:${Math.round(sheetW * 0.08)}px;` +
    `box-shadow:0 2px 10px rgba(0,0,0,.35);overflow:hidden`,
  L(c.t.title(2, 4), `display:block;font-weight:bold;font-size:${pfs * 1.6}px;margin-bottom:8px`) +
    paragraphs(c, sheetW * 0.82, lineCount(sheetH * 0.8, pfs), pfs));
  const caption = abs(0, 40 + sheetH + 14, left, null, 'text-align:center', L(`${c.t.zh ? '页' : 'Page'} 1 / ${c.rng.int(1, 12)}`, `font-size:${c.fs - 1}px;color:${c.th.muted}`));
  const labels = c.t.zh ? ['目标打印机', '页面', '份数', '布局', '颜色', '纸张尺寸', '边距', '缩放'] :
    ['Destination', 'Pages', 'Copies', 'Layout', 'Color', 'Paper size', 'Margins', 'Scale', 'Two-sided'];
  const values = [c.t.title(1, 3), c.rng.pick(['All', '1-3', 'Odd pages']), String(c.rng.int(1, 5)), c.rng.pick(['Portrait', 'Landscape']),
    c.rng.pick(['Color', 'Black and white']), c.rng.pick(['A4', 'Letter', 'A3']), c.rng.pick(['Default', 'None', 'Minimum']), `${c.rng.int(50, 120)}%`, c.rng.pick(['Off', 'Long edge'])];
  let rows = '';
  const n = Math.min(labels.length, Math.floor((h - 200) / (c.fs + 30)));
  for (let i = 0; i < n; ++i) {
    rows += R(L(labels[i], `width:${Math.round(pw * 0.4)}px;display:inline-block`) +
      D(`flex:1;height:${c.fs + 16}px;border:1px solid ${c.th.border};border-radius:4px;display:flex;align-items:center;padding:0 8px`, L(values[i])),
    `display:flex;align-items:center;height:${c.fs + 30}px`);
  }
  const pane = abs(left, 0, pw, h, `background:${c.th.panel};border-left:1px solid ${c.th.border};padding:20px 22px`,
    R(L(c.t.zh ? '打印' : 'Print', `font-size:${c.fs + 6}px;font-weight:bold`) + L(`${c.rng.int(1, 12)} ${c.t.zh ? '张纸' : 'sheets of paper'}`, `color:${c.th.muted}`),
      'display:flex;justify-content:space-between;align-items:center;margin-bottom:16px') + rows +
    buttons(c, c.t.zh ? ['取消', '打印'] : ['Cancel', 'Print']));
  return D(`position:absolute;inset:0;background:${c.th.dark ? '#3a3b3f' : '#8d9096'}`) + sheet + caption + pane;
}

function fileManager(c, w, h) {
  const side = c.rng.int(170, 240);
  const top = c.fs + 26;
  const path = ['home', c.t.user(), c.rng.pick(['Documents', 'Projects', 'Downloads', 'Pictures'])];
  const bar = R(path.map((p) => L(p, `padding:4px 10px;border:1px solid ${c.th.border};border-radius:4px`)).join('') + D('flex:1') +
    L(c.t.zh ? '搜索' : 'Search', `color:${c.th.muted};width:200px;padding:4px 10px;border:1px solid ${c.th.border};border-radius:4px`),
  `height:${top}px;display:flex;align-items:center;gap:8px;padding:0 12px;background:${c.th.bar}`);
  const mainW = w - side - 40;
  let main;
  if (c.rng.chance(0.65)) {
    const cw = Math.floor(mainW / 4);
    const rowH = c.fs + c.rng.int(10, 18);
    const rows = Math.floor((h - top - 80) / rowH);
    const line = (cells, style) => R(cells.map((s) => D(`width:${cw}px;padding:0 8px`, L(s))).join(''),
      `display:flex;align-items:center;height:${rowH}px;${style}`);
    main = line(c.t.zh ? ['名称', '大小', '类型', '修改日期'] : ['Name', 'Size', 'Type', 'Modified'], `font-weight:bold;border-bottom:1px solid ${c.th.border}`);
    for (let r = 0; r < rows; ++r) {
      const f = fitted(() => c.t.file(), fit(cw - 16, c.fs));
      main += line([f, c.t.size(), f.split('.').pop().toUpperCase(), `${c.t.date()} ${c.t.time()}`],
        r === 2 ? `background:${c.th.accent};color:${c.th.onAccent}` : '');
    }
  } else {
    const tile = c.rng.int(120, 160);
    const cols = Math.floor(mainW / tile);
    const rows = Math.floor((h - top - 60) / (tile + 10));
    let grid = '';
    for (let i = 0; i < cols * rows; ++i) {
      grid += D(`width:${tile}px;height:${tile}px;display:flex;flex-direction:column;align-items:center;gap:8px`,
        D(`width:${tile * 0.45}px;height:${tile * 0.38}px;border-radius:4px;background:${c.rng.pick(['#e6b84f', '#6fa8dc', '#93c47d', '#b4a7d6'])}`) +
        L(fitted(() => c.t.file(), fit(tile - 8, c.fs - 1)), `font-size:${c.fs - 1}px`));
    }
    main = D(`display:flex;flex-wrap:wrap;width:${cols * tile}px;row-gap:10px`, grid);
  }
  return bar + D(`display:flex;height:${h - top - c.fs - 12}px`,
    D(`width:${side}px;padding:12px 8px;background:${c.th.panel}`, itemList(c, side - 16, lineCount(h - top - 60, c.fs + 4), c.fs, 0)) +
    D('flex:1;padding:10px 20px;overflow:hidden', main)) +
    abs(0, h - c.fs - 12, w, c.fs + 12, `background:${c.th.panel};padding:0 14px;display:flex;align-items:center`,
      L(`${c.rng.int(2, 80)} ${c.t.zh ? '项' : 'items'}, ${c.t.size()}`, `font-size:${c.fs - 1}px;color:${c.th.muted}`));
}

function settings(c, w, h) {
  const side = c.rng.int(200, 260);
  const mainW = Math.min(w - side - 80, 900);
  let main = L(c.t.title(1, 2), `display:block;font-size:${c.fs + 10}px;font-weight:bold;margin-bottom:14px`);
  let y = 60;
  while (y < h - 160) {
    main += L(c.t.title(1, 2).toUpperCase(), `display:block;font-size:${c.fs - 2}px;color:${c.th.muted};margin:14px 0 6px`);
    y += 40;
    for (let k = c.rng.int(2, 4); k > 0 && y < h - 120; --k) {
      const described = c.rng.chance(0.5);
      const control = c.rng.chance(0.5)
        ? D(`width:40px;height:22px;border-radius:11px;background:${c.rng.chance(0.5) ? c.th.accent : c.th.border}`)
        : D(`padding:4px 12px;border:1px solid ${c.th.border};border-radius:4px`, L(c.rng.pick([c.t.title(1, 2), c.t.percent(), c.t.size()])));
      main += D(`display:flex;flex-direction:column;padding:10px 0;border-bottom:1px solid ${c.th.border}`,
        R(L(fitted(() => c.t.title(2, 4), fit(mainW * 0.6, c.fs))) + D('flex:1') + control, 'display:flex;align-items:center') +
        (described ? L(c.t.sentence(fit(mainW * 0.6, c.fs - 2)), `display:block;font-size:${c.fs - 2}px;color:${c.th.muted}`) : ''));
      y += described ? c.fs * 3 + 22 : c.fs * 2 + 20;
    }
  }
  return titleBar(c, c.t.zh ? '设置' : 'Settings') + D(`display:flex;height:${h - 38}px`,
    D(`width:${side}px;padding:14px 10px;background:${c.th.panel}`, itemList(c, side - 20, lineCount(h - 100, c.fs + 6), c.fs + 1, c.rng.int(0, 4))) +
    D(`width:${mainW + 60}px;padding:20px 30px;overflow:hidden`, main));
}

function dashboard(c, w, h) {
  const side = c.rng.chance(0.6) ? c.rng.int(180, 230) : 0;
  const mw = w - side - 50;
  const k = c.rng.int(3, 4);
  const gap = 16;
  const kw = Math.floor((mw - gap * (k - 1)) / k);
  let kpis = '';
  for (let i = 0; i < k; ++i) {
    kpis += D(`width:${kw}px;padding:14px 16px;background:${c.th.panel};border-radius:8px;border:1px solid ${c.th.border}`,
      L(c.t.title(1, 2), `display:block;color:${c.th.muted}`) +
      L(c.rng.chance(0.5) ? c.t.money() : c.t.number(100, 99999), `display:block;font-size:${c.fs * 2}px;line-height:${c.fs * 2.6}px;font-weight:bold`) +
      L(`${c.rng.chance(0.5) ? '+' : '-'}${c.rng.int(1, 40)}.${c.rng.int(0, 9)}% ${c.t.zh ? '较上周' : 'vs last week'}`, `display:block;font-size:${c.fs - 1}px;color:${c.rng.chance(0.5) ? '#2e9d57' : '#d9534f'}`));
  }
  const chartH = Math.max(120, Math.floor((h - 360) * 0.5));
  let bars = '';
  for (let i = 0; i < 12; ++i) bars += D(`flex:1;background:${c.th.accent};opacity:.8;height:${c.rng.int(15, 100)}%`);
  const chart = D(`margin-top:${gap}px;padding:14px 16px;background:${c.th.panel};border-radius:8px;border:1px solid ${c.th.border}`,
    L(c.t.title(2, 3), 'display:block;font-weight:bold;margin-bottom:8px') + D(`height:${chartH}px;display:flex;align-items:flex-end;gap:8px`, bars));
  const rows = Math.max(2, Math.floor((h - 300 - chartH) / (c.fs + 22)) - 1);
  const events = D(`margin-top:${gap}px`, L(c.t.title(1, 3), 'display:block;font-weight:bold;margin-bottom:6px') +
    tableBlock(c, Math.min(mw, 1100), rows, c.rng.int(3, 5)));
  return topBar(c) + D(`display:flex;height:${h - c.fs - 30}px`,
    (side ? D(`width:${side}px;padding:16px 10px;background:${c.th.panel}`, itemList(c, side - 20, lineCount(h - 100, c.fs + 6), c.fs, 0)) : '') +
    D('flex:1;padding:18px 25px;overflow:hidden', D(`display:flex;gap:${gap}px`, kpis) + chart + events));
}

// Terminal output as rows of runs: fields two or more spaces apart are separate runs.
function terminalLine(text) {
  const parts = text.split(/( {2,})/);
  return R(parts.map((p, i) => (i % 2 ? p.replace(/ /g, '&nbsp;') : p ? L(p, 'white-space:pre') : '')).join(''), 'white-space:pre');
}

function terminalText(c, rows) {
  const pad = (s, n, right = false) => (right ? String(s).padStart(n) : String(s).padEnd(n));
  const user = c.t.user();
  const host = c.rng.pick(['atlas', 'build01', 'devbox', 'nas', 'web-02']);
  const prompt = (cmd) => `${user}@${host}:~$ ${cmd}`;
  const out = [];
  // Commands one after the other until the screen is full, each of a length it could have.
  while (out.length < rows) {
    const end = Math.min(rows, out.length + c.rng.int(6, 24));
    const kind = c.rng.pick(['top', 'ls', 'df', 'git']);
    if (kind === 'top') {
      out.push(`top - ${c.t.time()}:${String(c.rng.int(10, 59))} up ${c.rng.int(1, 90)} days, load average: 0.${c.rng.int(10, 99)}, 0.${c.rng.int(10, 99)}`);
      out.push(`Tasks: ${c.rng.int(100, 400)} total, ${c.rng.int(1, 5)} running, ${c.rng.int(90, 390)} sleeping`);
      out.push(`MiB Mem : ${c.rng.int(7000, 64000)}.${c.rng.int(0, 9)} total, ${c.rng.int(1000, 6000)}.${c.rng.int(0, 9)} free`);
      out.push('  PID USER      PR  NI    VIRT    RES  %CPU  %MEM     TIME+  COMMAND');
      const cmds = ['firefox', 'Xorg', 'python3', 'node', 'postgres', 'nginx', 'sshd', 'systemd', 'bash', 'code', 'dockerd', 'java'];
      while (out.length < end) {
        out.push(`${pad(c.rng.int(1, 99999), 5, true)} ${pad(c.t.user(), 8)}  ${pad(20, 2, true)}  ${pad(0, 2, true)}  ${pad(c.rng.int(1000, 9999999), 6, true)}  ` +
          `${pad(c.rng.int(1000, 999999), 5, true)}  ${pad((c.rng.int(0, 999) / 10).toFixed(1), 4, true)}  ${pad((c.rng.int(0, 300) / 10).toFixed(1), 4, true)}  ` +
          `${pad(`${c.rng.int(0, 99)}:${String(c.rng.int(0, 59)).padStart(2, '0')}.${String(c.rng.int(0, 99)).padStart(2, '0')}`, 8, true)}  ${c.rng.pick(cmds)}`);
      }
    } else if (kind === 'ls') {
      out.push(prompt('ls -l'));
      out.push(`total ${c.rng.int(10, 900)}`);
      while (out.length < end) {
        const dir = c.rng.chance(0.3);
        out.push(`${dir ? 'drwxr-xr-x' : '-rw-r--r--'} ${c.rng.int(1, 9)} ${user} ${user}  ${pad(c.rng.int(10, 999999), 7, true)}  ${c.t.shortDate()}  ${c.t.time()}  ${dir ? c.t.word() : c.t.file()}`);
      }
    } else if (kind === 'df') {
      out.push(prompt('df -h'));
      out.push('Filesystem      Size  Used  Avail  Use%  Mounted on');
      const mounts = ['/', '/home', '/boot', '/var', '/tmp', '/data', '/mnt/backup', '/srv', '/opt', '/media/usb'];
      for (let i = 0; i < mounts.length && out.length < end; ++i) {
        out.push(`${pad(c.rng.pick(['/dev/sda', '/dev/nvme0n1p', '/dev/sdb', 'tmpfs']) + (i + 1), 14)}  ${pad(c.rng.int(1, 999) + 'G', 4, true)}  ${pad(c.rng.int(1, 500) + 'G', 4, true)}  ` +
          `${pad(c.rng.int(1, 500) + 'G', 5, true)}  ${pad(c.rng.int(1, 99) + '%', 4, true)}  ${mounts[i % mounts.length]}`);
      }
    } else {
      out.push(prompt('git status'));
      out.push(`On branch ${c.rng.pick(['main', 'develop', 'feature/' + c.t.word()])}`);
      out.push('Changes not staged for commit:');
      while (out.length < end - 2) out.push(`        ${c.rng.pick(['modified:', 'deleted:', 'new file:'])}   src/${c.t.file()}`);
      out.push('Untracked files:');
      out.push(`        ${c.t.file()}`);
    }
  }
  out.push(prompt(''));
  return out.slice(0, rows + 1);
}

function terminal(c, w, h) {
  const bitmap = c.rng.chance(0.4);
  const fs = bitmap ? c.rng.int(13, 16) : c.rng.int(12, 16);
  const font = bitmap ? "'Liberation Mono'" : c.rng.pick(["'DejaVu Sans Mono'", "'Noto Mono'"]);
  const dark = c.rng.chance(0.7);
  const two = w > 1300 && c.rng.chance(0.4);
  const tw = two ? Math.floor(w / 2) : w;
  const lineH = Math.round(fs * 1.3);
  const term = (x) => {
    const lines = terminalText(c, Math.floor((h - 40) / lineH) - 2).filter((l) => l.trim())
      .map((l) => l.slice(0, Math.floor((tw - 20) / (fs * 0.62))));
    return abs(x, 0, tw, h, `background:${dark ? '#0c0c0c' : '#fdfdf6'};color:${dark ? '#d0d0d0' : '#222'};` +
      `border-right:1px solid #555;overflow:hidden`,
    titleBar({ ...c, th: { ...c.th, bar: dark ? '#2d2d2d' : '#e6e6e6', border: '#555' } }, `${c.t.user()}@${c.rng.pick(['atlas', 'devbox'])}: ~`, 30) +
      D(`padding:6px 8px;font:${fs}px/${lineH}px ${font}`, lines.map(terminalLine).join('')));
  };
  return term(0) + (two ? term(tw) : '');
}

// A QR code or a bar code beside text: tickets, labels, payment and sign-in pages.
function codes(c, w, h) {
  const qr = c.rng.chance(0.6);
  const fs = c.fs + 2;
  const cw = Math.min(w - 120, c.rng.int(700, 1100));
  const textW = cw - 320;
  const size = c.rng.int(160, 260);
  const digits = eanDigits(c.rng);
  const code = qr ? qrSvg(`https://example.org/${c.t.user()}/${c.rng.int(1000, 999999)}`, size)
    : D('display:flex;flex-direction:column;align-items:center;background:#fff;padding:6px', eanSvg(digits, 2, 90) +
      L(digits, "color:#000;font:15px 'DejaVu Sans Mono'"));
  let text = L(c.t.title(2, 4), `display:block;font-size:${fs + 8}px;font-weight:bold;margin-bottom:10px`);
  for (let i = c.rng.int(2, 5); i > 0; --i) text += L(c.t.sentence(fit(textW, fs)), 'display:block');
  text += formRows(c, c.rng.int(2, 4), 140, Math.min(260, textW - 150), fs + 22);
  const codeLeft = c.rng.chance(0.5);
  const box = D(`display:flex;gap:40px;align-items:flex-start;line-height:${Math.round(fs * 1.5)}px;font-size:${fs}px`,
    codeLeft ? D('flex:none', code) + D(`width:${textW}px`, text) : D(`width:${textW}px`, text) + D('flex:none', code));
  return topBar(c) + abs((w - cw) / 2, 120, cw, null, `padding:30px;background:${c.th.panel};border-radius:10px;border:1px solid ${c.th.border}`, box);
}

const FAMILIES = {
  chrome, sidebar_left: sidebar('left'), sidebar_right: sidebar('right'), panes, cards, form, table, spreadsheet, chat,
  article, print_preview: printPreview, file_manager: fileManager, settings, dashboard, terminal, codes,
};

module.exports = { FAMILIES, terminalText };
