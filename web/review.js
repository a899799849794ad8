// The reviewer's view: a results file read and checked by the core in the
// worker, the flagged forms, and one form at a time with its findings and
// correction candidates; corrections re-run the form's checks at once.
'use strict';
(() => {
  const { el, call } = talv;
  const $ = (id) => document.getElementById(id);
  let file = null;        // {name, encoding}
  let flagged = [];       // {index, form, id, findings}
  let current = -1;       // position in flagged
  let shown = null;       // the core's answer for the form on screen
  const undo = [];        // {index, field, before}
  const changes = [];     // the change log

  function status(text) { $('res-status').textContent = text; }

  async function open(bytes, name) {
    const encoding = $('res-encoding').value;
    file = { name, encoding };
    flagged = [];
    current = -1;
    undo.length = changes.length = 0;
    $('flagged').replaceChildren();
    $('form-view').replaceChildren();
    $('res-messages').textContent = '';
    $('res-export').disabled = $('res-log').disabled = true;
    const def = talv.designer.current();
    let messages = '';
    const r = await call('reviewOpen', { bytes, name, encoding, id: $('res-id').value.trim(),
      formText: def.text, formName: def.name }, (p) => {
      if (p.opened) messages += p.opened.messages;
      if (p.step) {
        messages += p.step.messages;
        for (const f of p.step.flagged) addFlagged(f);
        $('res-progress').max = Math.max(1, p.lines - 1);
        $('res-progress').value = p.step.forms;
        status(`${p.step.forms} forms read, ${flagged.length} flagged…`);
      }
      $('res-messages').textContent = messages;
    });
    talv.lastTiming = r.seconds;
    if (!r.opened.ok) { status('not opened'); return; }
    status(`${r.forms} forms checked in ${r.seconds.toFixed(2)} s; ${flagged.length} flagged`);
    $('res-export').disabled = $('res-log').disabled = false;
    document.body.dataset.reviewed = String(Number(document.body.dataset.reviewed || 0) + 1);
    if (flagged.length) go(0);
  }

  function addFlagged(f) {
    flagged.push(f);
    $('flagged').append(el('li', { 'data-index': f.index, onclick: () => go(flagged.indexOf(f)) }, label(f)));
  }

  function label(f) {
    const n = f.findings.length;
    return `form ${f.form}${f.id ? ' · ' + f.id : ''} · ${n ? n + ' finding' + (n > 1 ? 's' : '') : 'fixed'}`;
  }

  async function go(position) {
    if (position < 0 || position >= flagged.length) return;
    current = position;
    const items = $('flagged').children;
    for (let i = 0; i < items.length; ++i) items[i].classList.toggle('current', i === position);
    items[position].scrollIntoView({ block: 'nearest' });
    show(await call('reviewForm', { index: flagged[position].index }));
  }

  function show(form) {
    shown = form;
    const f = flagged[current];
    f.findings = form.findings;
    const item = $('flagged').children[current];
    item.textContent = label(f);
    item.classList.toggle('fixed', form.findings.length === 0);
    const involved = new Set(form.findings.flatMap((x) => Object.keys(x.values)));
    const edited = new Set(changes.filter((c) => c.index === form.index).map((c) => c.field));
    const rows = form.fields.map((fd) => el('tr', { class: involved.has(fd.name) ? 'involved' : '' },
      el('td', {}, fd.name), el('td', {}, fd.label),
      el('td', {}, el('input', { class: 'value' + (edited.has(fd.name) ? ' changed' : ''), 'data-field': fd.name,
        value: fd.text, onkeydown: (e) => {
          if (e.key === 'Enter') { e.preventDefault(); correct(fd.name, e.target.value); }
          if (e.key === 'Escape') e.target.blur();
        } }))));
    const findings = form.findings.map((x) => el('div', { class: 'finding', 'data-field': x.field },
      el('div', {}, el('b', {}, x.field), ': ', el('span', { class: 'outcome ' + x.outcome }, x.outcome),
        ` [${x.code}] `, el('span', { class: 'message' }, x.message)),
      el('pre', { class: 'line' }, 'check    ' + x.check),
      (x.explain || []).map((s) => [s.caret ? el('pre', { class: 'caret' }, '         ' + s.caret) : null,
        el('pre', { class: 'line explain' }, '         ' + s.text)]),
      el('div', { class: 'candidates' }, (x.suggestions || []).length
        ? x.suggestions.map((c) => el('button', { class: 'candidate', 'data-field': c.field, 'data-to': c.to,
          onclick: () => correct(c.field, c.to) }, `${c.field}: ${c.from} → ${c.to} (${c.change}; ${c.checks_passed}/${c.checks})`))
        : el('span', { class: 'none' }, 'no single-character change makes the check pass'))));
    $('form-view').replaceChildren(
      el('h3', {}, `form ${form.form} (line ${form.line}${form.id ? ', ' + form.id : ''}): ${form.passed} of ${form.checks} checks pass`),
      el('div', { class: 'form-columns' },
        el('div', { class: 'findings' }, form.findings.length ? findings : el('p', { class: 'passes' }, 'every check passes')),
        el('table', { class: 'form' }, el('tr', {}, el('th', {}, 'field'), el('th', {}, 'label'), el('th', {}, 'recognised text')), rows)));
  }

  async function correct(field, text, undoing) {
    if (!shown) return;
    const index = shown.index;
    const r = await call('reviewSet', { index, field, text });
    if (!r.ok) { $('res-messages').textContent = `${field}: ${r.error}`; return; }
    if (r.before === text) return show(r);
    if (!undoing) undo.push({ index, field, before: r.before, position: current });
    changes.push({ index, form: r.form, id: r.id, field, before: r.before, after: text, time: new Date().toISOString() });
    show(r);
  }

  async function undoLast() {
    const u = undo.pop();
    if (!u) return;
    if (u.position !== current) await go(u.position);
    await correct(u.field, u.before, true);
  }

  function acceptFirst() {
    if (!shown) return;
    for (const x of shown.findings)
      if (x.suggestions && x.suggestions.length) return correct(x.suggestions[0].field, x.suggestions[0].to);
  }

  document.addEventListener('keydown', (e) => {
    if (talv.view !== 'review' || e.target.tagName === 'INPUT' || e.target.tagName === 'SELECT') return;
    if (e.key === 'j' || e.key === 'ArrowDown') { e.preventDefault(); go(current + 1); }
    else if (e.key === 'k' || e.key === 'ArrowUp') { e.preventDefault(); go(current - 1); }
    else if (e.key === 'a') acceptFirst();
    else if (e.key === 'u' || (e.key === 'z' && (e.ctrlKey || e.metaKey))) undoLast();
  });

  $('res-file').addEventListener('change', async (e) => {
    const f = e.target.files[0];
    if (f) open(new Uint8Array(await f.arrayBuffer()), f.name);
  });

  $('res-export').addEventListener('click', async () => {
    const bytes = await call('reviewExport');
    talv.lastExport = bytes;
    talv.download(file.name, bytes, 'application/octet-stream');
  });

  function csvCell(s) { return /[",\r\n]/.test(s) ? '"' + s.replaceAll('"', '""') + '"' : s; }
  $('res-log').addEventListener('click', () => {
    const lines = ['form,id,field,before,after,time'].concat(changes.map((c) =>
      [c.form, c.id, c.field, c.before, c.after, c.time].map((v) => csvCell(String(v))).join(',')));
    const text = lines.join('\n') + '\n';
    talv.lastLog = text;
    talv.download(file.name.replace(/\.[^.]*$/, '') + '.changes.csv', text, 'text/csv');
  });

  talv.on('language', () => { if (shown) go(current); });
  talv.review = { open, go, acceptFirst, undoLast, flagged: () => flagged };
})();
