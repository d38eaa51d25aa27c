// Every page of the set marks each visually continuous run of text as an element of class "l", in
// reading order, and loads this script last. Opened with "#lines", the page replaces itself with its
// known text (one line per row, its runs TAB-separated), the indices of the lines shown upside down
// (class "flip") and every fault that would make that text wrong: a run clipped, off the screen, wrapped
// or overlapping another, or text outside any run. render.sh reads the three lists with chromium's --dump-dom.
(function () {
  if (location.hash !== '#lines') return;
  const errors = [];
  const norm = (s) => s.replace(/\s+/g, ' ').trim();
  const runs = Array.from(document.querySelectorAll('.l'));
  // The screen size the page declares (CSS pixels): a page lays itself out at that size whatever the
  // window, and the window of a DOM dump is not the screenshot's.
  const screen = (document.querySelector('meta[name=screen]') || {}).content || '';
  const [W, H] = (screen.match(/^(\d+)x(\d+)@/) || [0, 0, 0]).slice(1).map(Number);
  if (!W || !H) errors.push('no <meta name="screen" content="WIDTHxHEIGHT@SCALE">');
  const boxes = runs.map((el, i) => {
    const text = norm(el.innerText);
    const name = '#' + i + ' "' + text + '"';
    if (!text) errors.push(name + ': empty run');
    if (el.parentElement && el.parentElement.closest('.l')) errors.push(name + ': run inside another run');
    const ws = getComputedStyle(el).whiteSpace;
    if (ws !== 'nowrap' && ws !== 'pre') errors.push(name + ': may wrap (white-space ' + ws + ')');
    const range = document.createRange();
    range.selectNodeContents(el);
    const r = range.getBoundingClientRect();
    if (r.left < 0 || r.top < 0 || r.right > W || r.bottom > H) errors.push(name + ': off the screen');
    for (let a = el.parentElement; a && a !== document.documentElement; a = a.parentElement) {
      const st = getComputedStyle(a);
      if (st.overflowX === 'visible' && st.overflowY === 'visible') continue;
      const ar = a.getBoundingClientRect();
      if (r.left < ar.left - 0.5 || r.top < ar.top - 0.5 || r.right > ar.right + 0.5 || r.bottom > ar.bottom + 0.5) {
        errors.push(name + ': clipped by its container');
      }
    }
    return { name, text, r };
  });
  for (let i = 0; i < boxes.length; ++i) {
    for (let j = i + 1; j < boxes.length; ++j) {
      const a = boxes[i].r, b = boxes[j].r;
      const w = Math.min(a.right, b.right) - Math.max(a.left, b.left);
      const h = Math.min(a.bottom, b.bottom) - Math.max(a.top, b.top);
      if (w > 1 && h > 1) errors.push(boxes[i].name + ' overlaps ' + boxes[j].name);
    }
  }
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let n = walker.nextNode(); n; n = walker.nextNode()) {
    const p = n.parentElement;
    if (!norm(n.textContent) || p.closest('script, style, .l')) continue;
    errors.push('text outside a run: "' + norm(n.textContent) + '"');
  }
  // Rows: a run joins the one before it (TAB between) when it stands to its right on the same text line
  // and the smallest element holding both holds no run off that line (a table row, a form row, a bar),
  // so runs of panes side by side never join: the element holding both holds the panes' other lines.
  // Upside-down runs join only each other, so that a line of .rotated.txt is upside down as a whole.
  const runsIn = (c) => runs.reduce((k, el, i) => (c.contains(el) ? k.concat(i) : k), []);
  const midIn = (a, b) => (a.top + a.bottom) / 2 > b.top && (a.top + a.bottom) / 2 < b.bottom;
  const sameLine = (i, j) => midIn(boxes[i].r, boxes[j].r) && midIn(boxes[j].r, boxes[i].r);
  const flip = (i) => runs[i].classList.contains('flip');
  const joins = (i) => {
    const a = boxes[i - 1].r, b = boxes[i].r;
    if (!sameLine(i - 1, i) || b.left < a.right - 1 || flip(i - 1) !== flip(i)) return false;
    let c = runs[i - 1].parentElement;
    while (!c.contains(runs[i])) c = c.parentElement;
    return runsIn(c).every((k) => sameLine(k, i - 1) && sameLine(k, i));
  };
  const rows = [];
  const flipped = [];
  boxes.forEach((b, i) => {
    if (i > 0 && joins(i)) {
      rows[rows.length - 1] += '\t' + b.text;
      return;
    }
    if (flip(i)) flipped.push(String(rows.length));
    rows.push(b.text);
  });
  // One section per list, each opened by a marker line, so that render.sh can cut them apart.
  const section = (marker, items) => '\n@@' + marker + (items.length ? '\n' + items.join('\n') : '');
  document.body.innerHTML = '<pre></pre>';
  document.querySelector('pre').textContent = section('lines', rows) +
      section('rotated', flipped) + section('errors', errors) + '\n@@end\n';
})();
