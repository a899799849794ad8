// The page's shell: the worker that runs the core, the two views' tabs and
// the message language.  The views call the core through talv.call only.
'use strict';
const talv = (() => {
  const worker = new Worker('worker.js');
  const waiting = new Map();
  let next = 1;
  worker.onmessage = (event) => {
    const { id, result, error, partial } = event.data;
    const w = waiting.get(id);
    if (!w) return;
    if (partial !== undefined) { if (w.onPartial) w.onPartial(partial); return; }
    waiting.delete(id);
    if (error !== undefined) w.reject(new Error(error)); else w.resolve(result);
  };
  function call(op, args, onPartial) {
    const id = next++;
    return new Promise((resolve, reject) => {
      waiting.set(id, { resolve, reject, onPartial });
      worker.postMessage({ id, op, args });
    });
  }
  function el(tag, attrs, ...children) {
    const e = document.createElement(tag);
    for (const [k, v] of Object.entries(attrs || {})) {
      if (k === 'class') e.className = v;
      else if (k.startsWith('on')) e.addEventListener(k.slice(2), v);
      else if (v !== undefined && v !== null && v !== false) e.setAttribute(k, v === true ? '' : v);
    }
    for (const c of children.flat(Infinity)) if (c !== null && c !== undefined) e.append(c instanceof Node ? c : String(c));
    return e;
  }
  function download(name, bytes, type) {
    const a = el('a', { href: URL.createObjectURL(new Blob([bytes], { type })), download: name });
    document.body.append(a);
    a.click();
    a.remove();
  }
  const listeners = { language: [] };
  return { call, el, download, on: (what, f) => listeners[what].push(f), listeners, view: 'designer' };
})();

document.querySelectorAll('.tab').forEach((tab) => tab.addEventListener('click', () => {
  document.querySelectorAll('.tab').forEach((t) => t.classList.toggle('active', t === tab));
  document.querySelectorAll('.view').forEach((v) => v.classList.toggle('hidden', v.id !== tab.dataset.view));
  talv.view = tab.dataset.view;
}));

document.getElementById('lang').addEventListener('change', async (e) => {
  await talv.call('language', { lang: e.target.value });
  for (const f of talv.listeners.language) f(e.target.value);
});

talv.call('language', { lang: 'ja' }).then(() => {
  document.getElementById('core-state').textContent = 'core ready';
  document.body.dataset.ready = '1';
});
