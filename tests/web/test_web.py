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
    before = drv.execute_script("return Number(document.body.dataset.evaluated || 0)")
    for name, text in values.items():
        box = drv.find_element(By.CSS_SELECTOR, f'#fields input[data-field="{name}"]')
        box.send_keys(text)
    wait_for(drv, f"return Number(document.body.dataset.evaluated || 0) > {before} && "
                  "talv.call('language', {lang: document.getElementById('lang').value}).then(() => true)")
    time.sleep(0.3)  # the answer to the last keystroke


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
        drv.find_element(By.CSS_SELECTOR, '#fields tr[data-field="AMOUNT1"] td').click()
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
    design_values(drv, DESIGN_CASES[0])
    drv.find_element(By.CSS_SELECTOR, '#fields tr[data-field="SUBTOTAL"] td').click()
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


@case
def review_keyboard_accept_and_undo(drv):
    body = drv.find_element(By.TAG_NAME, 'body')
    current = lambda: drv.execute_script(
        "return [...document.querySelectorAll('#flagged li')].findIndex(li => li.classList.contains('current'))")
    body.send_keys('j')
    wait_for(drv, "return document.querySelector('#flagged li.current') === document.querySelectorAll('#flagged li')[1]")
    body.send_keys('k')
    wait_for(drv, "return document.querySelector('#flagged li.current') === document.querySelectorAll('#flagged li')[0]")
    before = drv.find_element(By.ID, 'form-view').text
    first = drv.find_element(By.CSS_SELECTOR, '#form-view button.candidate')
    field, to = first.get_attribute('data-field'), first.get_attribute('data-to')
    body.send_keys('a')
    wait_for(drv, f"return document.querySelector('#form-view input[data-field=\"{field}\"]').value === {json.dumps(to)}")
    body.send_keys('u')
    wait_for(drv, f"return document.querySelector('#form-view input[data-field=\"{field}\"]').value !== {json.dumps(to)}")
    time.sleep(0.2)
    assert drv.find_element(By.ID, 'form-view').text == before
    assert current() == 0


@case
def accepting_every_first_candidate_leaves_only_findings_without_one(drv):
    findings = [f for fs in page_findings(drv) for f in fs]
    without = sum(1 for f in findings if not f.get('suggestions'))
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
    assert log[0] == 'form,id,field,before,after,time' and len(log) == accepted + 1 + 2, (len(log), accepted)


def cp932_sample(tmp):
    """A slice of the bundled results with Japanese memos, in CP932, with CRLF."""
    rows = open(ARGS.invoices, encoding='utf-8').read().splitlines()[:41]
    memos = ['至急', '再発行分（控え）', '', '担当：山田', '①②③']
    out = [rows[0]] + [r + memos[i % len(memos)] for i, r in enumerate(rows[1:])]
    path = os.path.join(tmp, 'sjis.csv')
    open(path, 'wb').write(('\r\n'.join(out) + '\r\n').encode('cp932'))
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
        assert b[diff[0]].decode('cp932').endswith(',"訂正済み、確認"'), b[diff[0]].decode('cp932')


# Files with faults, each opened in the page and by the command: the page
# shows the command's messages.
BROKEN = [
    ('small.csv', 'utf8', 'FORM_ID,QTY1,PRICE1,AMOUNT1,PAY_BANK\nA-1,3,1200,3600,1\nA-2,3,1200,3600\n'
                          'A-3,3,1\uff1200,\u00a53600,1\nA-4,3,"12"00,3600,1\n'),
    ('lines.jsonl', 'utf8', '{"FORM_ID": "A-1", "QTY1": "3"}\n{"FORM_ID": "A-2", "QTY1": 3}\n{"FORM_ID": "A-3"\n'),
    ('sjis-as-utf8.csv', 'utf8', None),
]


@case
def bad_input_shows_the_commands_messages(drv):
    with tempfile.TemporaryDirectory() as tmp:
        for name, encoding, text in BROKEN:
            path = os.path.join(tmp, name)
            if text is None:
                shutil.copy(cp932_sample(tmp), path)
            else:
                open(path, 'w', encoding='utf-8').write(text)
            open_results(drv, path, encoding)
            enc = [] if encoding == 'utf8' else ['--encoding', encoding]
            _, err, _ = command('check', os.path.abspath(ARGS.form), name, '--id', 'FORM_ID', *enc, cwd=tmp)
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
