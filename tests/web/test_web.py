#!/usr/bin/python3
"""The page in headless Chromium against the native command: what the page
shows for the bundled form and results must be what `talvechk` says.

usage: test_web.py PAGE_DIR TALVECHK FORM INVOICES [--shots DIR]
"""
import argparse
import base64
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import traceback

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

ARGS = None
RESULTS = []


def case(fn):
    RESULTS.append(fn)
    return fn


class Quiet(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, '.wasm': 'application/wasm',
                      '.js': 'text/javascript'}

    def log_message(self, *args):
        pass


def serve(folder):
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(Quiet, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def browser(profile):
    opts = webdriver.ChromeOptions()
    opts.binary_location = '/usr/bin/chromium'
    for a in ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
              '--disable-background-networking', '--disable-component-update', '--disable-sync',
              '--disable-dev-shm-usage', '--window-size=1600,1000', f'--user-data-dir={profile}']:
        opts.add_argument(a)
    drv = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=opts)
    drv.set_script_timeout(300)
    return drv


def command(*args, cwd=None):
    """The native command's standard output, standard error and status."""
    p = subprocess.run([ARGS.talvechk, *args], capture_output=True, cwd=cwd)
    return p.stdout.decode('utf-8', 'replace'), p.stderr.decode('utf-8', 'replace'), p.returncode


def wait_for(drv, script, timeout=120):
    WebDriverWait(drv, timeout, poll_frequency=0.05).until(lambda d: d.execute_script(script))


def open_results(drv, path, encoding='utf8', id_column='FORM_ID'):
    drv.find_element(By.ID, 'tab-review').click()
    drv.execute_script("document.getElementById('res-encoding').value = arguments[0];"
                       "document.getElementById('res-id').value = arguments[1];", encoding, id_column)
    before = drv.execute_script("return Number(document.body.dataset.reviewed || 0)")
    drv.find_element(By.ID, 'res-file').send_keys(os.path.abspath(path))
    wait_for(drv, f"return Number(document.body.dataset.reviewed || 0) > {before} || "
                  "document.getElementById('res-status').textContent === 'not opened'", 300)


def page_messages(drv):
    return drv.find_element(By.ID, 'res-messages').text


def exported(drv):
    return base64.b64decode(drv.execute_async_script(
        "const done = arguments[0];"
        "document.getElementById('res-export').click();"
        "const t = setInterval(() => { if (talv.lastExport) { clearInterval(t);"
        "  let s = ''; for (const b of talv.lastExport) s += String.fromCharCode(b);"
        "  talv.lastExport = null; done(btoa(s)); } }, 20);"))


# ---- the designer ------------------------------------------------------------

# Sample values and what every check of the bundled form must then come to;
# the trace of each is compared with the command's `eval --explain`.
DESIGN_CASES = [
    {'QTY1': '2', 'PRICE1': '87360', 'AMOUNT1': '174726', 'SUBTOTAL': '174720', 'RATE': '010', 'TAX': '17472',
     'TOTAL': '192192', 'PAY_BANK': '1', 'CUSTNO': '6769414-7', 'ISSUE_Y': '2025', 'ISSUE_M': '2', 'ISSUE_D': '30'},
    {'QTY1': '2', 'PRICE1': '87360', 'AMOUNT1': '174720', 'SUBTOTAL': '174720', 'RATE': '008', 'TAX': '13977',
     'TOTAL': '188697', 'PAY_CASH': '1', 'DUE_ERA': '5', 'DUE_EY': '7', 'DUE_M': '4', 'DUE_D': '31',
     'DELIV_H': '10', 'DELIV_MIN': '61', 'INVOICE_NO': '１２３４５６７８'},
]


def design_values(drv, values):
    drv.find_element(By.ID, 'tab-designer').click()
    drv.execute_script("document.querySelectorAll('#fields input.value').forEach(i => { i.value = ''; });")
    for name, text in values.items():
        box = drv.find_element(By.CSS_SELECTOR, f'#fields input[data-field="{name}"]')
        box.send_keys(text)
    # The answer to the last keystroke is on screen.
    wait_for(drv, "return document.body.dataset.evaluated === document.body.dataset.asked")


def native_eval(form, field, values, lang='ja'):
    sets = [a for k, v in values.items() for a in ('--set', f'{k}={v}')]
    out, err, _ = command('--lang', lang, 'eval', '--form', form, '--field', field, '--explain', '-f', 'json', *sets)
    return json.loads(out)


@case
def designer_outcomes_and_traces(drv):
    fields = json.load(open(ARGS.form, encoding='utf-8'))['fields']
    checked = [f['name'] for f in fields if 'check' in f]
    for values in DESIGN_CASES:
        design_values(drv, values)
        page = {c['field']: c for c in drv.execute_script(
            "return talv.call('designEval', {values: Object.fromEntries([...document.querySelectorAll("
            "'#fields input.value')].map(i => [i.dataset.field, i.value]))}).then(r => r.checks)")}
        assert sorted(page) == sorted(checked), (sorted(page), checked)
        for name in checked:
            want = native_eval(ARGS.form, name, values)
            got = page[name]
            row = drv.find_element(By.CSS_SELECTOR, f'#fields tr[data-field="{name}"]')
            assert row.find_element(By.CLASS_NAME, 'outcome').text == want['outcome'], (name, want['outcome'])
            assert row.find_element(By.CLASS_NAME, 'message').text == want['message'], (name, want['message'])
            steps = [{k: v for k, v in s.items() if k not in ('from', 'to', 'text')} for s in got['trace']]
            assert steps == want['explain'], (name, steps, want['explain'])
        # The trace on screen: each step's mark covers the piece the library named.
        drv.execute_script("document.querySelector('#fields tr[data-field=\"AMOUNT1\"] td').click()")
        marks = [m.text for m in drv.find_elements(By.CSS_SELECTOR, '#trace tr.step mark')]
        assert marks == [s['piece'] for s in page['AMOUNT1']['trace']], marks
    # English, as --lang en.
    drv.execute_script("const s = document.getElementById('lang'); s.value = 'en';"
                       "s.dispatchEvent(new Event('change'));")
    time.sleep(0.5)
    want = native_eval(ARGS.form, 'ISSUE_D', DESIGN_CASES[-1], 'en')
    msg = drv.find_element(By.CSS_SELECTOR, '#fields tr[data-field="ISSUE_D"] .message').text
    assert msg == want['message'], (msg, want['message'])
    drv.execute_script("const s = document.getElementById('lang'); s.value = 'ja';"
                       "s.dispatchEvent(new Event('change'));")
    time.sleep(0.5)
    # Typing re-evaluates within a frame or so.
    took = drv.execute_async_script(
        "const done = arguments[0]; const t = performance.now(); let n = 0;"
        "const v = Object.fromEntries([...document.querySelectorAll('#fields input.value')].map(i => [i.dataset.field, i.value]));"
        "(function again() { talv.call('designEval', {values: v}).then(() => { if (++n < 50) again();"
        " else done((performance.now() - t) / n); }); })();")
    print(f'web: designer: every check of the bundled form evaluated in {took:.2f} ms a keystroke')
    # Text the parser never read is shown as certify shows it, then the bundled form again.
    unread = '{"fields": [{"name": "A"}, {"name": "B", "check": "@ == [A] $ + 2"}]}'
    drv.execute_script("document.getElementById('def-text').value = arguments[0];"
                       "document.getElementById('def-apply').click();", unread)
    wait_for(drv, "return document.querySelector('#def-lint .lint.unread') !== null")
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 'unread.json')
        open(path, 'w', encoding='utf-8').write(unread)
        said, _, _ = command('certify', path)
    shown = drv.find_element(By.CSS_SELECTOR, '#def-lint .lint.unread').text
    assert said.splitlines()[0].split(': ', 2)[2] in shown, (said, shown)
    drv.find_element(By.ID, 'def-example').click()
    wait_for(drv, "return document.querySelector('#fields input[data-field=\"AMOUNT1\"]') !== null")
    design_values(drv, DESIGN_CASES[0])
    drv.execute_script("document.querySelector('#fields tr[data-field=\"AMOUNT1\"] td').click(); window.scrollTo(0, 0);")
    drv.save_screenshot(os.path.join(ARGS.shots, 'web-designer.png'))


# ---- the reviewer ------------------------------------------------------------

def page_findings(drv):
    return drv.execute_script("return talv.review.flagged().map(f => f.findings)")


@case
def review_lists_what_the_command_flags(drv):
    open_results(drv, ARGS.invoices)
    seconds = drv.execute_script("return talv.lastTiming")
    print(f'web: review: the {os.path.basename(ARGS.invoices)} forms read and checked in the page in {seconds:.2f} s')
    out, err, _ = command('check', ARGS.form, ARGS.invoices, '--id', 'FORM_ID', '--format', 'json', '--suggest',
                          '--no-timing')
    lines = [json.loads(l) for l in out.splitlines()]
    summary = lines[-1]['summary']
    want = lines[:-1]
    got = [f for fs in page_findings(drv) for f in fs]
    assert len(page_findings(drv)) == summary['flagged'], (len(page_findings(drv)), summary['flagged'])
    assert len({f['form'] for f in want}) == summary['flagged']
    assert got == want, next((g, w) for g, w in zip(got, want) if g != w) if len(got) == len(want) else (len(got), len(want))
    assert page_messages(drv).strip() == err.strip(), (page_messages(drv), err)
    drv.save_screenshot(os.path.join(ARGS.shots, 'web-review.png'))


def showing(drv, position):
    """Waits until the form view shows the flagged form at `position`."""
    wait_for(drv, "const f = talv.review.flagged()[%d]; const h = document.querySelector('#form-view h3');"
                  "return h && h.textContent.startsWith('form ' + f.form + ' ') && "
                  "document.querySelectorAll('#flagged li')[%d].classList.contains('current')" % (position, position))


@case
def review_keyboard_accept_and_undo(drv):
    body = drv.find_element(By.TAG_NAME, 'body')
    body.send_keys('j')
    showing(drv, 1)
    body.send_keys(Keys.ARROW_DOWN)
    showing(drv, 2)
    body.send_keys('k')
    showing(drv, 1)
    body.send_keys(Keys.ARROW_UP)
    showing(drv, 0)
    position = drv.execute_script(
        "return talv.review.flagged().findIndex(f => f.findings.some(x => x.suggestions.length))")
    for _ in range(position):
        body.send_keys('j')
    showing(drv, position)
    before = drv.find_element(By.ID, 'form-view').text
    first = drv.find_element(By.CSS_SELECTOR, '#form-view button.candidate')
    field, to = first.get_attribute('data-field'), first.get_attribute('data-to')
    box = f"document.querySelector('#form-view input[data-field=\"{field}\"]')"
    body.send_keys('a')
    wait_for(drv, f"return {box}.value === {json.dumps(to)} && {box}.classList.contains('changed')")
    body.send_keys('u')
    wait_for(drv, f"return {box}.value !== {json.dumps(to)}")
    assert drv.find_element(By.ID, 'form-view').text == before


@case
def accepting_every_first_candidate_leaves_only_findings_without_one(drv):
    findings = [f for fs in page_findings(drv) for f in fs]
    without = sum(1 for f in findings if not f.get('suggestions'))
    drv.find_element(By.ID, 'res-log').click()
    logged = len(drv.execute_script("return talv.lastLog").splitlines())
    accepted = drv.execute_async_script(
        "const done = arguments[0]; (async () => { let n = 0; const all = talv.review.flagged();"
        "for (let i = 0; i < all.length; ++i) { await talv.review.go(i);"
        "  for (let k = 0; k < 20; ++k) { const f = all[i].findings.find(x => x.suggestions && x.suggestions.length);"
        "    if (!f) break; await talv.review.acceptFirst(); ++n; } }"
        "done(n); })();")
    data = exported(drv)
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 'invoices.csv')
        open(path, 'wb').write(data)
        out, _, _ = command('check', ARGS.form, path, '--id', 'FORM_ID', '--format', 'json', '--no-timing')
    left = json.loads(out.splitlines()[-1])['summary']['findings']
    print(f'web: review: {accepted} candidates accepted; {left} findings left, {without} had no candidate')
    assert accepted > 0 and left <= without, (accepted, left, without)
    drv.find_element(By.ID, 'res-log').click()
    log = drv.execute_script("return talv.lastLog").splitlines()
    assert log[0] == 'form,id,field,before,after,time' and len(log) == logged + accepted, (len(log), logged, accepted)


def cp932_sample(tmp):
    """A slice of the bundled results with Japanese memos, in CP932, with CRLF."""
    rows = open(ARGS.invoices, encoding='utf-8').read().splitlines()[:41]
    memos = ['至急', '再発行分（控え）', '', '担当：山田', '①②③']
    out = [rows[0]] + [r + memos[i % len(memos)] if r.endswith(',') else r for i, r in enumerate(rows[1:])]
    path = os.path.join(tmp, 'sjis.csv')
    # CP932 has the yen sign at 0x5C, where Python's codec puts the backslash.
    open(path, 'wb').write(('\r\n'.join(out) + '\r\n').replace('\u00a5', '\\').encode('cp932'))
    return path


@case
def cp932_results_round_trip_byte_for_byte(drv):
    with tempfile.TemporaryDirectory() as tmp:
        path = cp932_sample(tmp)
        original = open(path, 'rb').read()
        open_results(drv, path, 'cp932')
        assert page_messages(drv) == '', page_messages(drv)
        assert exported(drv) == original
        # One correction changes that form's row alone.
        drv.execute_script("talv.review.go(0)")
        wait_for(drv, "return document.querySelector('#form-view input[data-field=\"MEMO\"]') !== null")
        memo = drv.find_element(By.CSS_SELECTOR, '#form-view input[data-field="MEMO"]')
        memo.clear()
        memo.send_keys('訂正済み、確認' + Keys.ENTER)
        wait_for(drv, "return document.querySelector('#form-view input[data-field=\"MEMO\"]').classList.contains('changed')")
        data = exported(drv)
        a, b = original.split(b'\r\n'), data.split(b'\r\n')
        diff = [i for i in range(len(a)) if a[i] != b[i]]
        assert len(a) == len(b) and len(diff) == 1, diff
        assert b[diff[0]].decode('cp932').endswith(',訂正済み、確認'), b[diff[0]].decode('cp932')


@case
def cp932_json_lines_round_trip_and_correct(drv):
    with tempfile.TemporaryDirectory() as tmp:
        rows = open(cp932_sample(tmp), 'rb').read().decode('cp932').split('\r\n')
        head = rows[0].split(',')
        objs = [json.dumps(dict(zip(head, r.split(','))), ensure_ascii=False) for r in rows[1:41] if '"' not in r]
        path = os.path.join(tmp, 'sjis.jsonl')
        original = ('\n'.join(objs) + '\n').encode('cp932')
        open(path, 'wb').write(original)
        open_results(drv, path, 'cp932')
        assert page_messages(drv) == '', page_messages(drv)
        assert exported(drv) == original
        drv.execute_script("talv.review.go(0)")
        wait_for(drv, "return document.querySelector('#form-view input[data-field=\"MEMO\"]') !== null")
        form = drv.execute_script("return talv.review.flagged()[0].form")
        memo = drv.find_element(By.CSS_SELECTOR, '#form-view input[data-field="MEMO"]')
        memo.clear()
        memo.send_keys('確認済' + Keys.ENTER)
        wait_for(drv, "return document.querySelector('#form-view input[data-field=\"MEMO\"]').classList.contains('changed')")
        lines = exported(drv).split(b'\n')
        assert json.loads(lines[form - 1].decode('cp932'))['MEMO'] == '確認済'
        assert [l for i, l in enumerate(lines) if i != form - 1] == [l for i, l in enumerate(original.split(b'\n')) if i != form - 1]


# Files with faults, each opened in the page and by the command: the page
# shows the command's messages.
def broken_files(tmp):
    rows = open(ARGS.invoices, encoding='utf-8').read().splitlines()[:7]
    head = rows[0].split(',')
    def csv(name, edit):
        lines = [r.encode() for r in rows]
        edit(lines)
        path = os.path.join(tmp, name)
        open(path, 'wb').write(b'\n'.join(lines) + b'\n')
        return path
    def jsonl(name, edit):
        objs = [json.dumps(dict(zip(head, r.split(','))), ensure_ascii=False).encode() for r in rows[1:]]
        edit(objs)
        path = os.path.join(tmp, name)
        open(path, 'wb').write(b'\n'.join(objs) + b'\n')
        return path
    def cut(lines): lines[3] = lines[3].rsplit(b',', 1)[0]
    def bad_byte(lines): lines[2] += b'\xff'
    def quote(lines): lines[4] = lines[4].replace(b',', b',1"2', 1)
    def not_text(objs): objs[1] = objs[1].replace(b'"QTY1": "', b'"QTY1": 7, "X": "', 1)
    def unclosed(objs): objs[2] = objs[2][:-10]
    sjis = cp932_sample(tmp)
    as_utf8 = os.path.join(tmp, 'sjis-as-utf8.csv')
    shutil.copy(sjis, as_utf8)
    return [(csv('cells.csv', cut), 'utf8'), (csv('bytes.csv', bad_byte), 'utf8'), (csv('quote.csv', quote), 'utf8'),
            (jsonl('lines.jsonl', not_text), 'utf8'), (jsonl('unclosed.jsonl', unclosed), 'utf8'),
            (as_utf8, 'utf8')]


@case
def bad_input_shows_the_commands_messages(drv):
    with tempfile.TemporaryDirectory() as tmp:
        for path, encoding in broken_files(tmp):
            name = os.path.basename(path)
            open_results(drv, path, encoding)
            shutil.copy(ARGS.form, os.path.join(tmp, 'invoice.json'))
            _, err, _ = command('check', 'invoice.json', name, '--id', 'FORM_ID', '--encoding', encoding,
                                cwd=tmp)
            got = page_messages(drv).splitlines()
            assert got == err.splitlines(), (name, got, err.splitlines())
            assert any('error' in l for l in got), (name, got)


def main():
    global ARGS
    ap = argparse.ArgumentParser()
    ap.add_argument('page')
    ap.add_argument('talvechk')
    ap.add_argument('form')
    ap.add_argument('invoices')
    ap.add_argument('--shots', default=None)
    ap.add_argument('-k', dest='only', default='', help='run only the cases whose name holds this')
    ARGS = ap.parse_args()
    ARGS.talvechk = os.path.abspath(ARGS.talvechk)
    ARGS.shots = ARGS.shots or tempfile.mkdtemp()
    os.makedirs(ARGS.shots, exist_ok=True)
    server = serve(ARGS.page)
    profile = tempfile.mkdtemp(prefix='talv-chromium-')
    drv = browser(profile)
    passed = failed = 0
    try:
        drv.get(f'http://127.0.0.1:{server.server_address[1]}/index.html')
        wait_for(drv, "return document.body.dataset.ready === '1' && document.body.dataset.evaluated")
        for fn in RESULTS:
            if ARGS.only not in fn.__name__:
                continue
            try:
                fn(drv)
                passed += 1
                print(f'ok   {fn.__name__}')
            except Exception:
                failed += 1
                print(f'FAIL {fn.__name__}')
                traceback.print_exc()
                for entry in drv.get_log('browser') if hasattr(drv, 'get_log') else []:
                    print('  console:', entry.get('message'))
    finally:
        drv.quit()
        server.shutdown()
        shutil.rmtree(profile, ignore_errors=True)
    print(f'web: {passed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
