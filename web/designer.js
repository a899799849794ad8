// The designer's view: a form definition, its fields, and every check
// evaluated by the core on sample values as they are typed, with the trace.
'use strict';
(() => {
  const { el, call } = talv;
  const $ = (id) => document.getElementById(id);
  let form = null;        // the core's description of the loaded definition
  let name = 'invoice.json';
  let selected = null;    // the field whose trace is shown
  let asked = 0;          // the latest evaluation asked for; older answers are dropped
  let lastChecks = [];

  async function load(text, fileName) {
    name = fileName;
    $('def-text').value = text;
    const r = await call('designLoad', { text, name });
    $('def-messages').textContent = r.messages;
    if (!r.ok) { $('def-title').textContent = 'not loaded'; return; }
    form = r;
    $('def-title').textContent = `${name}: ${r.title}`;
    showLint();
    showFields();
    evaluate();
  }

  function showLint() {
    const box = $('def-lint');
    box.replaceChildren();
    if (!form.lint.length) { box.append(el('div', { class: 'clean' }, 'every check certifies')); return; }
    for (const f of form.lint)
      box.append(el('div', { class: 'lint ' + f.verdict }, `${f.field}: ${f.verdict} [${f.code}] ${f.message}`,
        f.caret ? el('pre', { class: 'caret' }, f.caret) : null, f.hint ? el('div', { class: 'hint' }, f.hint) : null));
  }

  function showFields() {
    const body = $('fields').querySelector('tbody');
    body.replaceChildren();
    for (const f of form.fields) {
      const input = el('input', { class: 'value', 'data-field': f.name, oninput: evaluate,
        onfocus: () => select(f.name) });
      body.append(el('tr', { 'data-field': f.name, onclick: () => f.check !== null && select(f.name) },
        el('td', {}, f.name), el('td', {}, f.label), el('td', {}, f.type), el('td', {}, f.class),
        el('td', {}, f.length), el('td', { class: 'check' }, f.check ?? ''), el('td', {}, input),
        el('td', { class: 'outcome' }), el('td', { class: 'message' }), el('td', { class: 'reads' }, f.reads.join(', '))));
    }
  }

  function values() {
    const v = {};
    document.querySelectorAll('#fields input.value').forEach((i) => { v[i.dataset.field] = i.value; });
    return v;
  }

  async function evaluate() {
    if (!form) return;
    const mine = ++asked;
    document.body.dataset.asked = String(mine);
    const r = await call('designEval', { values: values() });
    if (mine !== asked || !r.ok) return;
    lastChecks = r.checks;
    for (const c of r.checks) {
      const row = $('fields').querySelector(`tr[data-field="${CSS.escape(c.field)}"]`);
      const o = row.querySelector('.outcome');
      o.textContent = c.outcome;
      o.className = 'outcome ' + c.outcome;
      row.querySelector('.message').textContent = c.message;
    }
    $('def-messages').textContent = r.value_errors.map((e) => `${e.field}: ${e.message}`).join('\n');
    showTrace();
    document.body.dataset.evaluated = String(mine);
  }

  function select(field) {
    selected = field;
    document.querySelectorAll('#fields tr').forEach((tr) => tr.classList.toggle('selected', tr.dataset.field === field));
    showTrace();
  }

  // The expression with the piece of one step marked.
  function marked(expr, from, to) {
    return el('span', { class: 'expr' }, expr.slice(0, from), el('mark', {}, expr.slice(from, to) || ' '),
      expr.slice(to));
  }

  function showTrace() {
    const box = $('trace');
    const c = lastChecks.find((x) => x.field === selected);
    box.replaceChildren();
    if (!c) return;
    box.append(el('h3', {}, `${c.field}: `, el('span', { class: 'outcome ' + c.outcome }, c.outcome),
      ` [${c.code}] ${c.message}`));
    if (c.reads.length) box.append(el('div', { class: 'reads' }, 'references: ' + c.reads.join(', ')));
    const table = el('table', { class: 'trace' }, el('tr', {}, el('th', {}, 'step'), el('th', {}, 'piece'),
      el('th', {}, 'kind'), el('th', {}, 'found')));
    c.trace.forEach((s, k) => table.append(el('tr', { class: 'step ' + s.status },
      el('td', {}, k + 1), el('td', {}, marked(c.expression, s.from, s.to)), el('td', {}, s.kind),
      el('td', { class: 'found' }, s.text))));
    box.append(table);
    if (c.explain.length) {
      box.append(el('h4', {}, 'why'));
      for (const s of c.explain) box.append(el('div', { class: 'explain' }, s.text));
    }
  }

  $('def-example').addEventListener('click', async () => {
    const text = await (await fetch('invoice.json')).text();
    load(text, 'invoice.json');
  });
  $('def-apply').addEventListener('click', () => load($('def-text').value, name));
  $('def-file').addEventListener('change', async (e) => {
    const file = e.target.files[0];
    if (file) load(await file.text(), file.name);
  });
  $('def-save').addEventListener('click', () =>
    talv.download(name, $('def-text').value, 'application/json'));
  talv.on('language', evaluate);

  talv.designer = { current: () => ({ text: $('def-text').value, name }), load };
  $('def-example').click();
})();
