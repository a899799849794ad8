// The one worker of the page: it holds the library and the host core, so
// the checking of a large file never blocks the page.  Requests come as
// {id, op, args}; answers go back as {id, result} or {id, error}, with
// {id, partial} on the way for a long one.
importScripts('talvechk.js');

let core = null;
const ready = talvechkModule().then((m) => { core = m; });

// Forms read and checked between two progress reports.
const STEP = 250;

const ops = {
  language: (a) => { core.setLanguage(a.lang); return null; },
  designLoad: (a) => JSON.parse(core.designLoad(a.text, a.name)),
  designEval: (a) => JSON.parse(core.designEval(JSON.stringify(a.values))),
  reviewOpen: (a, id) => {
    const started = performance.now();
    const opened = JSON.parse(core.reviewOpen(a.bytes, a.name, a.encoding, a.id, a.formText, a.formName));
    postMessage({ id, partial: { opened } });
    let last = null;
    while (opened.ok) {
      last = JSON.parse(core.reviewStep(STEP));
      postMessage({ id, partial: { step: last, lines: opened.lines } });
      if (last.done) break;
    }
    return { opened, seconds: (performance.now() - started) / 1000, forms: last ? last.forms : 0 };
  },
  reviewForm: (a) => JSON.parse(core.reviewForm(a.index)),
  reviewSet: (a) => JSON.parse(core.reviewSet(a.index, a.field, a.text)),
  reviewExport: () => core.reviewExport().slice(),
};

onmessage = async (event) => {
  const { id, op, args } = event.data;
  try {
    await ready;
    postMessage({ id, result: ops[op](args || {}, id) });
  } catch (err) {
    postMessage({ id, error: String(err && err.stack ? err.stack : err) });
  }
};
