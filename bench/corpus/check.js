// Evaluated in a generated page as a function of the screen size (CSS pixels): the page's known text and
// every fault that would make it wrong. Each run of text is an element of class "l", in reading order;
// the runs of one row (cells, a label and its value, a terminal's fields, a bar's items) share their
// nearest ancestor of class "r" and must stand side by side, left to right. A run is faulty when it is
// empty, clipped, off the screen, able to wrap or overlapping another; text outside every run is a fault.
(function check(W, H) {
  const errors = [];
  const norm = (s) => s.replace(/\s+/g, ' ').trim();
  const runs = Array.from(document.querySelectorAll('.l'));
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
        break;
      }
    }
    return { name, text, r, row: el.closest('.r'), flip: el.classList.contains('flip') };
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
    if (!norm(n.textContent) || n.parentElement.closest('script, style, .l')) continue;
    errors.push('text outside a run: "' + norm(n.textContent) + '"');
  }
  // Consecutive runs of one row element make one known line, joined by a tab.
  const rows = [];
  const flipped = [];
  let last = null;
  for (const b of boxes) {
    if (b.row && last && last.row === b.row) {
      const p = last.r;
      if (b.r.left < p.right - 1 || Math.min(p.bottom, b.r.bottom) - Math.max(p.top, b.r.top) < 1) {
        errors.push(b.name + ' is not right of ' + last.name + ' in its row');
      }
      rows[rows.length - 1].push(b.text);
    } else {
      rows.push([b.text]);
    }
    if (b.flip) flipped.push(rows.length - 1);
    last = b;
  }
  return { rows, flipped, errors };
})
