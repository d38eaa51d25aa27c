'use strict';
// QR codes (byte mode, error correction level L, versions 1 to 5, mask 0) and EAN-13 bar codes as SVG,
// so that screens can show real codes beside their text without any package.

const QR_DATA = [0, 19, 34, 55, 80, 108];  // data codewords per version at level L (one block each)
const QR_EC = [0, 7, 10, 15, 20, 26];

function gfMultiply(x, y) {
  let z = 0;
  for (let i = 7; i >= 0; --i) {
    z = (z << 1) ^ ((z >>> 7) * 0x11D);
    z ^= ((y >>> i) & 1) * x;
  }
  return z;
}

function reedSolomon(data, degree) {
  const divisor = new Array(degree - 1).fill(0).concat([1]);
  let root = 1;
  for (let i = 0; i < degree; ++i) {
    for (let j = 0; j < divisor.length; ++j) {
      divisor[j] = gfMultiply(divisor[j], root);
      if (j + 1 < divisor.length) divisor[j] ^= divisor[j + 1];
    }
    root = gfMultiply(root, 2);
  }
  const rest = new Array(degree).fill(0);
  for (const b of data) {
    const factor = b ^ rest.shift();
    rest.push(0);
    divisor.forEach((c, i) => { rest[i] ^= gfMultiply(c, factor); });
  }
  return rest;
}

// The modules of a QR code for text (UTF-8, at most 106 bytes): a square array of booleans (dark).
function qrModules(text) {
  const bytes = Array.from(Buffer.from(text, 'utf8'));
  let version = 1;
  while (version <= 5 && bytes.length + 2 > QR_DATA[version]) ++version;
  if (version > 5) throw new Error('QR text too long: ' + text);
  const bits = [];
  const put = (value, count) => { for (let i = count - 1; i >= 0; --i) bits.push((value >>> i) & 1); };
  put(4, 4);
  put(bytes.length, 8);
  for (const b of bytes) put(b, 8);
  const capacity = QR_DATA[version] * 8;
  put(0, Math.min(4, capacity - bits.length));
  while (bits.length % 8) bits.push(0);
  const data = [];
  for (let i = 0; i < bits.length; i += 8) data.push(parseInt(bits.slice(i, i + 8).join(''), 2));
  for (let pad = 0xEC; data.length < QR_DATA[version]; pad ^= 0xEC ^ 0x11) data.push(pad);
  const codewords = data.concat(reedSolomon(data, QR_EC[version]));

  const size = 17 + 4 * version;
  const dark = Array.from({ length: size }, () => new Array(size).fill(false));
  const fixed = Array.from({ length: size }, () => new Array(size).fill(false));
  const set = (x, y, on) => { dark[y][x] = on; fixed[y][x] = true; };
  for (let i = 0; i < size; ++i) {
    set(6, i, i % 2 === 0);
    set(i, 6, i % 2 === 0);
  }
  for (const [cx, cy] of [[3, 3], [size - 4, 3], [3, size - 4]]) {
    for (let dy = -4; dy <= 4; ++dy) {
      for (let dx = -4; dx <= 4; ++dx) {
        const x = cx + dx, y = cy + dy;
        const d = Math.max(Math.abs(dx), Math.abs(dy));
        if (x >= 0 && y >= 0 && x < size && y < size) set(x, y, d !== 2 && d !== 4);
      }
    }
  }
  if (version > 1) {
    const c = size - 7;
    for (let dy = -2; dy <= 2; ++dy) {
      for (let dx = -2; dx <= 2; ++dx) set(c + dx, c + dy, Math.max(Math.abs(dx), Math.abs(dy)) !== 1);
    }
  }
  // Format: level L (01), mask 0, with its BCH check bits.
  const format = (1 << 3) | 0;
  let rem = format;
  for (let i = 0; i < 10; ++i) rem = (rem << 1) ^ ((rem >>> 9) * 0x537);
  const fbits = ((format << 10) | rem) ^ 0x5412;
  const fbit = (i) => ((fbits >>> i) & 1) === 1;
  for (let i = 0; i <= 5; ++i) set(8, i, fbit(i));
  set(8, 7, fbit(6));
  set(8, 8, fbit(7));
  set(7, 8, fbit(8));
  for (let i = 9; i < 15; ++i) set(14 - i, 8, fbit(i));
  for (let i = 0; i < 8; ++i) set(size - 1 - i, 8, fbit(i));
  for (let i = 8; i < 15; ++i) set(8, size - 15 + i, fbit(i));
  set(8, size - 8, true);

  let i = 0;
  for (let right = size - 1; right >= 1; right -= 2) {
    if (right === 6) right = 5;
    for (let vert = 0; vert < size; ++vert) {
      for (let j = 0; j < 2; ++j) {
        const x = right - j;
        const y = ((right + 1) & 2) === 0 ? size - 1 - vert : vert;
        if (fixed[y][x]) continue;
        const bit = i < codewords.length * 8 ? ((codewords[i >>> 3] >>> (7 - (i & 7))) & 1) === 1 : false;
        ++i;
        dark[y][x] = bit !== ((x + y) % 2 === 0);
      }
    }
  }
  return dark;
}

// A QR code as an inline SVG of side px CSS pixels, with its quiet zone.
function qrSvg(text, px, fg = '#000', bg = '#fff') {
  const m = qrModules(text);
  const n = m.length + 8;
  let d = '';
  m.forEach((row, y) => row.forEach((on, x) => { if (on) d += `M${x + 4} ${y + 4}h1v1h-1z`; }));
  return `<svg width="${px}" height="${px}" viewBox="0 0 ${n} ${n}" shape-rendering="crispEdges" style="display:block">` +
    `<rect width="${n}" height="${n}" fill="${bg}"/><path d="${d}" fill="${fg}"/></svg>`;
}

const EAN_L = ['0001101', '0011001', '0010011', '0111101', '0100011', '0110001', '0101111', '0111011', '0110111', '0001011'];
const EAN_PARITY = ['LLLLLL', 'LLGLGG', 'LLGGLG', 'LLGGGL', 'LGLLGG', 'LGGLLG', 'LGGGLL', 'LGLGLG', 'LGLGGL', 'LGGLGL'];

// Twelve digits with their check digit.
function eanDigits(rng) {
  let d = String(rng.int(1, 9));
  for (let i = 0; i < 11; ++i) d += String(rng.int(0, 9));
  const sum = d.split('').reduce((s, c, i) => s + Number(c) * (i % 2 ? 3 : 1), 0);
  return d + String((10 - (sum % 10)) % 10);
}

// An EAN-13 symbol as an inline SVG, module px CSS pixels wide, with quiet zones.
function eanSvg(digits, module, height) {
  const invert = (p) => p.replace(/./g, (c) => (c === '0' ? '1' : '0'));
  let bits = '101';
  for (let i = 1; i <= 6; ++i) {
    const l = EAN_L[Number(digits[i])];
    bits += EAN_PARITY[Number(digits[0])][i - 1] === 'L' ? l : invert(l).split('').reverse().join('');
  }
  bits += '01010';
  for (let i = 7; i <= 12; ++i) bits += invert(EAN_L[Number(digits[i])]);
  bits += '101';
  const n = bits.length + 18;
  let d = '';
  for (let i = 0; i < bits.length; ++i) if (bits[i] === '1') d += `M${i + 9} 0h1v1h-1z`;
  return `<svg width="${n * module}" height="${height}" viewBox="0 0 ${n} 1" preserveAspectRatio="none" ` +
    `shape-rendering="crispEdges" style="display:block"><rect width="${n}" height="1" fill="#fff"/>` +
    `<path d="${d}" fill="#000"/></svg>`;
}

module.exports = { qrSvg, eanDigits, eanSvg };
