#!/usr/bin/env python3
"""Mutation run over all non-test code.

Finds every mutation site in the C/C++ sources and headers of common/, geodesy/, editor/, bayrun/,
tools/ and in datum/'s SQL (comments, string literals, #include/#pragma lines, static_asserts and
logging calls are skipped; operators: + - * / swaps, relational swaps, && || swap, negated
conditions, numeric literals, flipped returns, deleted statement lines, SQL comparisons and
literals), draws mutants uniformly over the sites from a seed, and runs each in
one of J private copies of the tree (under /dev/shm, each with its own native build, built once):
the copy is built with warnings as errors and, if it builds, its whole ctest runs under an outer
time limit. A mutant is "killed" (failing tests named), "hang" (a test or the run timed out),
"survived", or "invalid" (does not build: drawn again until N valid ones are done). Results go to
DIR/results.json and DIR/results.md. The one command:

    tests/tools/mutate.py --seed 1209 --count 100 --out /tmp/mut [--jobs 3] [--exclude FILE...]

Then `--replay ID --from DIR [--run]` shows (and runs) one mutant, `--rerun-survivors DIR` runs the
survivors again against the current tests, and `--verdict DIR ID equivalent|gap "why"` notes a
survivor's verdict (the score without equivalents counts them out).
"""
import argparse, fcntl, json, os, queue, random, re, shutil, signal, subprocess, sys, threading, time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
CODE_DIRS = ('common', 'geodesy', 'editor', 'bayrun', 'tools')
CODE_EXT = ('.cpp', '.h', '.c', '.hpp')
SKIP_STATEMENTS = re.compile(r'\b(static_assert|_Static_assert|TELLUS_ASSERT|debugLog|debugLogV|logRequest)\s*\(')
TOKEN = re.compile(r'<<=|>>=|->|\+\+|--|<<|>>|<=|>=|==|!=|&&|\|\||[-+*/]=|::|[-+*/<>!=&|]')
SWAP = {'+': '-', '-': '+', '*': '/', '/': '*', '+=': '-=', '-=': '+=', '*=': '/=', '/=': '*=',
        '<': '<=', '<=': '<', '>': '>=', '>=': '>', '==': '!=', '!=': '==', '&&': '||', '||': '&&'}
KIND = {'+': 'arith', '-': 'arith', '*': 'arith', '/': 'arith', '+=': 'arith', '-=': 'arith',
        '*=': 'arith', '/=': 'arith', '&&': 'logical', '||': 'logical'}
NUMBER = re.compile(r'(?<![\w.])(0[xX][0-9a-fA-F]+|(?:\d+\.\d*|\.\d+)(?:[eE][-+]?\d+)?|\d+[eE][-+]?\d+|\d+)'
                    r'([uUlLfF]*)(?![\w.])')
TOLERANCE = re.compile(r'[Tt]olerance|[Ee]psilon|\bkEps|\btol\b')
NOT_STATEMENTS = {'return', 'break', 'continue', 'goto', 'case', 'default', 'using', 'typedef',
                  'namespace', 'delete', 'throw', 'else', 'do', 'if', 'while', 'for', 'switch',
                  'sizeof', 'static_cast', 'reinterpret_cast', 'const_cast'}
CALL_OR_ASSIGN = re.compile(r'^(\+\+|--)?[A-Za-z_]\w*(?:(?:\.|->|::)[A-Za-z_]\w*|\[[^\]]*\])*'
                            r'\s*(\(|=(?!=)|[-+*/|&^%]=|<<=|>>=|\+\+|--)')


def mask_code(text, sql):
    """The text with comments and string/char literals blanked (same length and line breaks)."""
    out, i, n = list(text), 0, len(text)

    def blank(a, b):
        for k in range(a, b):
            if out[k] != '\n':
                out[k] = ' '
    while i < n:
        c, two = text[i], text[i:i + 2]
        if two == ('--' if sql else '//'):
            j = text.find('\n', i)
            j = n if j < 0 else j
            blank(i, j); i = j
        elif two == '/*':
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            blank(i, j); i = j
        elif not sql and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == '_')):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            end = text.find(')' + m.group(1) + '"', i) if m else -1
            j = n if end < 0 else end + len(m.group(1)) + 2
            blank(i, j); i = j
        elif c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c and text[j] != '\n':
                j += 2 if text[j] == '\\' and not sql else 1
            blank(i, min(j + 1, n)); i = j + 1
        else:
            i += 1
    return ''.join(out)


def balanced(s):
    return s.count('(') == s.count(')')


def sites_of_line(line, code, sql, prev_end):
    """[(col, operator, mutated line)] for one line; `code` is the masked line."""
    found = []
    stripped = code.strip()
    if not stripped:
        return found
    if stripped.startswith('#'):
        if not stripped.startswith('#define'):
            return found
    if sql:
        for m in re.finditer(r'<>|!=|<=|>=|==|[<>=]', code):
            op = m.group()
            new = {'<>': '=', '!=': '=', '==': '<>', '=': '<>', '<': '<=', '<=': '<', '>': '>=', '>=': '>'}[op]
            found.append((m.start(), 'sql-compare', line[:m.start()] + new + line[m.end():]))
    else:
        for m in TOKEN.finditer(code):
            op, a, b = m.group(), m.start(), m.end()
            if op not in SWAP or a == 0 or b >= len(code) or code[a - 1] != ' ' or code[b] != ' ':
                continue
            before, kind = code[:a].rstrip(), KIND.get(op, 'relational')
            if not before or not (before[-1].isalnum() or before[-1] in '_)]'):
                continue
            if re.search(r'\b(return|case|operator|template|const|auto|class|typename)$', before):
                continue
            if kind == 'arith' and (line[:a].rstrip().endswith('"') or line[b:].lstrip().startswith('"')):
                continue  # joins strings
            found.append((a, kind, line[:a] + SWAP[op] + line[b:]))
        for m in re.finditer(r'\b(if|while)\s*\(', code):
            if code[m.end():].lstrip().startswith('!('):
                continue
            depth, k = 0, m.end() - 1
            for k in range(m.end() - 1, len(code)):
                depth += {'(': 1, ')': -1}.get(code[k], 0)
                if depth == 0:
                    break
            if depth == 0:
                inner = line[m.end():k]
                found.append((m.start(), 'negate', line[:m.end()] + '!(' + inner + ')' + line[k:]))
        m = re.search(r'\breturn (true|false)\b', code)
        if m:
            flip = 'false' if m.group(1) == 'true' else 'true'
            found.append((m.start(), 'return', line[:m.start(1)] + flip + line[m.end(1):]))
        m = re.search(r'\breturn (TELLUS_E_\w+)\s*;', code)
        if m:
            other = 'TELLUS_E_OK' if m.group(1) == 'TELLUS_E_GENERAL' else 'TELLUS_E_GENERAL'
            found.append((m.start(), 'return', line[:m.start(1)] + other + line[m.end(1):]))
        first = re.match(r'[A-Za-z_]\w*', stripped)
        if (stripped.endswith(';') and balanced(stripped) and prev_end in ';{}):' and
                not (first and first.group() in NOT_STATEMENTS) and CALL_OR_ASSIGN.match(stripped)):
            indent = line[:len(line) - len(line.lstrip())]
            found.append((len(indent), 'delete', indent + '{}' + ('\n' if line.endswith('\n') else '')))
    for m in NUMBER.finditer(code):
        text, suffix = m.group(1), m.group(2)
        if any(ch in text for ch in '.eE') and not text.lower().startswith('0x'):
            value = float(text)
            if value == 0:
                new = '1.0'
            elif re.fullmatch(r'1(\.0*)?[eE]-\d+', text) or TOLERANCE.search(code):
                new = repr(value * 10)
            else:
                new = repr(value * 1.01)
            if 'f' in suffix.lower() and '.' not in new and 'e' not in new:
                new += '.0'
        else:
            base = 16 if text.lower().startswith('0x') else 8 if text.startswith('0') else 10
            value = int(text, base)
            new = {16: hex, 8: lambda v: '0%o' % v, 10: str}[base](value + 1)
            new = {0: '1', 1: '0'}.get(value, new)
        found.append((m.start(), 'sql-literal' if sql else 'literal', line[:m.start(1)] + new + line[m.end(1):]))
    return found


def source_files(root, only, exclude):
    files = []
    for d in CODE_DIRS + ('datum',):
        for base, dirs, names in os.walk(os.path.join(root, d)):
            dirs[:] = sorted(x for x in dirs if x != 'build')
            for name in sorted(names):
                path = os.path.relpath(os.path.join(base, name), root)
                if not (name.endswith(CODE_EXT) and d != 'datum' or d == 'datum' and name.endswith('.sql')):
                    continue
                if only and not any(path == p or path.startswith(p.rstrip('/') + '/') for p in only):
                    continue
                if any(path == p or path.endswith('/' + p) for p in exclude):
                    continue
                files.append(path)
    return files


def find_sites(root, only=(), exclude=()):
    sites = []
    for path in source_files(root, only, exclude):
        sql = path.endswith('.sql')
        with open(os.path.join(root, path), encoding='utf-8', errors='surrogateescape') as f:
            text = f.read()
        lines, masked = text.splitlines(True), mask_code(text, sql).splitlines(True)
        skipping, prev_end = False, ';'
        for no, (line, code) in enumerate(zip(lines, masked), 1):
            if not sql and (skipping or SKIP_STATEMENTS.search(code)):
                skipping = not code.rstrip().endswith(';')
                prev_end = ';'
                continue
            for col, op, new in sites_of_line(line, code, sql, prev_end):
                if new != line:
                    sites.append({'file': path, 'line': no, 'col': col, 'operator': op,
                                  'original': line.rstrip('\r\n'), 'mutated': new.rstrip('\r\n')})
            if code.strip():
                s = code.strip()
                prev_end = 'else' if s.endswith('else') else s[-1]
    return sites


def run(cmd, cwd, limit, env=None):
    """(return code or None on timeout, output); the whole process group goes on timeout."""
    p = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                         errors='replace', start_new_session=True, env=env)
    try:
        out, _ = p.communicate(timeout=limit)
        return p.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        out, _ = p.communicate()
        return None, out


class Tree:
    """A private copy of the source with its own native build, kept between runs."""

    def __init__(self, path, args):
        self.path, self.args = path, args
        self.build = os.path.join(path, 'build', 'native')
        self.env = dict(os.environ, TMPDIR=os.path.join(path, 'tmp'))

    def sync(self):
        files = subprocess.run(['git', 'ls-files', '-co', '--exclude-standard', '-z'], cwd=ROOT,
                               capture_output=True, check=True).stdout.decode().split('\0')
        for rel in filter(None, files):
            src, dst = os.path.join(ROOT, rel), os.path.join(self.path, rel)
            if not os.path.isfile(src):
                continue
            with open(src, 'rb') as f:
                data = f.read()
            if os.path.isfile(dst):
                with open(dst, 'rb') as f:
                    if f.read() == data:
                        continue
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            shutil.copyfile(src, dst)  # a fresh time, so the build sees the change
            shutil.copymode(src, dst)
        os.makedirs(self.env['TMPDIR'], exist_ok=True)

    def make(self):
        if not os.path.isfile(os.path.join(self.build, 'build.ninja')):
            rc, out = run(['cmake', '-G', 'Ninja', '-S', '.', '-B', self.build, '-DCMAKE_BUILD_TYPE=RelWithDebInfo',
                           '-DTELLUS_WERROR=ON'], self.path, 600)
            if rc != 0:
                return False, out
        rc, out = run(['cmake', '--build', self.build, '-j', str(self.args.build_jobs)], self.path, 3600)
        return rc == 0, out

    def test(self):
        """(status, failing tests, seconds)."""
        start = time.time()
        rc, out = run(['ctest', '-j', str(self.args.test_jobs)], self.build, self.args.timeout, env=self.env)
        took = round(time.time() - start, 1)
        if rc is None:
            return 'hang', ['(outer limit %d s)' % self.args.timeout], took
        failed = re.findall(r'^\s*\d+ - (\S+) \(([^)]*)\)', out, re.M)
        if any('Timeout' in why for _, why in failed):
            return 'hang', [name for name, _ in failed], took
        if rc != 0 or failed:
            return 'killed', [name for name, _ in failed] or ['(ctest exit %d)' % rc], took
        return 'survived', [], took

    def try_mutant(self, m):
        path = os.path.join(self.path, m['file'])
        with open(path, encoding='utf-8', errors='surrogateescape', newline='') as f:
            original = f.read()
        lines = original.splitlines(True)
        # A re-run after edits finds the drawn line where it moved, if it stands there only once.
        at = [i for i, l in enumerate(lines) if l.rstrip('\r\n') == m['original']]
        index = m['line'] - 1 if m['line'] - 1 in at else at[0] if len(at) == 1 else None
        if index is None:  # rewritten since: nothing to run
            return {'status': 'gone', 'failing': [], 'note': 'the line no longer stands in the file'}
        line = lines[index]
        lines[index] = m['mutated'] + line[len(line.rstrip('\r\n')):]
        start = time.time()
        try:
            with open(path, 'w', encoding='utf-8', errors='surrogateescape', newline='') as f:
                f.write(''.join(lines))
            built, out = self.make()
            if not built:
                error = next((l.strip() for l in out.splitlines() if 'error:' in l), 'build failed')
                return {'status': 'invalid', 'failing': [], 'note': error[:200], 'seconds': round(time.time() - start, 1)}
            status, failing, _ = self.test()
            return {'status': status, 'failing': failing, 'seconds': round(time.time() - start, 1)}
        finally:
            with open(path, 'w', encoding='utf-8', errors='surrogateescape', newline='') as f:
                f.write(original)


def prepare_trees(args, count):
    trees, index = [], 0
    while len(trees) < count:  # the first trees no other run holds
        path = os.path.join(args.trees, 't%d' % index)
        index += 1
        os.makedirs(path, exist_ok=True)
        lock = open(os.path.join(path, '.lock'), 'w')
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            lock.close()
            continue
        trees.append(Tree(path, args))
        trees[-1].lock = lock
    errors = []

    def prepare(t):
        t.sync()
        built, out = t.make()
        if not built:
            errors.append('%s does not build:\n%s' % (t.path, out[-3000:]))
            return
        status, failing, took = t.test()
        if status != 'survived':
            errors.append('%s: the unmutated tree fails: %s' % (t.path, ' '.join(failing)))
        print('tree %s ready, its tests take %.0f s' % (t.path, took), flush=True)
    threads = [threading.Thread(target=prepare, args=(t,)) for t in trees]
    for th in threads:
        th.start()
    for th in threads:
        th.join()
    if errors:
        sys.exit('\n'.join(errors))
    return trees


def draw(sites, seed):
    """The mutants in their reproducible order: sites uniformly, without repetition."""
    order = random.Random(seed).sample(range(len(sites)), len(sites))
    return [dict(sites[k], id=i + 1) for i, k in enumerate(order)]


def summary(mutants, key='status'):
    done = [m for m in mutants if m.get(key)]
    count = lambda s: sum(1 for m in done if m[key] == s)
    valid = sum(1 for m in done if m[key] != 'invalid')
    killed, hangs, survived = count('killed'), count('hang'), count('survived')
    equivalent = sum(1 for m in done if m[key] == 'survived' and m.get('verdict') == 'equivalent')
    score = 100.0 * (killed + hangs) / valid if valid else 0.0
    net = valid - equivalent
    score_net = 100.0 * (killed + hangs) / net if net else 0.0
    seconds = [m['seconds'] for m in done if 'seconds' in m]
    mean = sum(seconds) / len(seconds) if seconds else 0.0
    return ('valid %d, killed %d (hangs %d), survived %d (equivalent %d), invalid %d; '
            'score %.1f %%, without equivalents %.1f %%; %.0f s per mutant in one tree'
            % (valid, killed + hangs, hangs, survived, equivalent, count('invalid'), score, score_net, mean))


def save(out, meta, mutants):
    os.makedirs(out, exist_ok=True)
    done = sorted((m for m in mutants if m.get('status')), key=lambda m: m['id'])
    with open(os.path.join(out, 'results.json.tmp'), 'w') as f:
        json.dump(dict(meta, mutants=done), f, indent=1)
    os.replace(os.path.join(out, 'results.json.tmp'), os.path.join(out, 'results.json'))
    cell = lambda s: s.replace('|', '\\|').strip()
    rerun = any('rerun' in m for m in done)
    rows = ['# Mutation run, seed %s' % meta['seed'], '', summary(done), '']
    if rerun:
        rows += ['Survivors re-run: ' + summary([m for m in done if 'rerun' in m], 'rerun'), '']
    rows += ['| id | file:line | operator | original -> mutated | status | failing tests |%s verdict |' % (' re-run |' if rerun else ''),
             '|---|---|---|---|---|---|%s---|' % ('---|' if rerun else '')]
    for m in done:
        rows.append('| %d | %s:%d | %s | `%s` -> `%s` | %s | %s |%s %s |' % (
            m['id'], m['file'], m['line'], m['operator'], cell(m['original']), cell(m['mutated']), m['status'],
            ' '.join(m.get('failing', [])) or cell(m.get('note', '')),
            (' %s %s |' % (m.get('rerun', ''), ' '.join(m.get('rerun_failing', [])))) if rerun else '',
            cell(m.get('verdict', '') + (': ' + m['why'] if m.get('why') else ''))))
    with open(os.path.join(out, 'results.md'), 'w') as f:
        f.write('\n'.join(rows) + '\n')


def work(trees, jobs, on_result, more):
    """Runs mutants from more() on the trees until it returns None and all are done."""
    lock, results = threading.Lock(), queue.Queue()

    def worker(t):
        while True:
            with lock:
                m = more()
            if m is None:
                return
            try:
                r = t.try_mutant(m)
            except Exception as e:  # a tree in trouble stops; the others go on
                results.put((m, {'status': '', 'error': str(e)}))
                return
            results.put((m, r))
    threads = [threading.Thread(target=worker, args=(t,), daemon=True) for t in trees[:jobs]]
    for th in threads:
        th.start()
    while any(th.is_alive() for th in threads) or not results.empty():
        try:
            m, r = results.get(timeout=1)
        except queue.Empty:
            continue
        with lock:
            on_result(m, r)


def main():
    p = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    p.add_argument('--seed', type=int)
    p.add_argument('--count', type=int, default=100)
    p.add_argument('--jobs', type=int, default=3)
    p.add_argument('--out', default='mutation-run')
    p.add_argument('--only', nargs='*', default=[])
    p.add_argument('--exclude', nargs='*', default=[])
    p.add_argument('--trees', default='/dev/shm/tellus-mutate', help='folder of the private trees (kept; a run takes the first ones free)')
    p.add_argument('--timeout', type=int, default=180, help='outer limit of one test run, seconds')
    p.add_argument('--build-jobs', type=int, default=2)
    p.add_argument('--test-jobs', type=int, default=3)
    p.add_argument('--list', action='store_true', help='only count the sites')
    p.add_argument('--replay', type=int, metavar='ID')
    p.add_argument('--from', dest='source', metavar='DIR')
    p.add_argument('--run', action='store_true')
    p.add_argument('--rerun-survivors', metavar='DIR')
    p.add_argument('--verdict', nargs=4, metavar=('DIR', 'ID', 'VERDICT', 'WHY'))
    args = p.parse_args()
    stop = []
    for sig in (signal.SIGTERM, signal.SIGINT):  # finish the mutants under way, then stop
        signal.signal(sig, lambda *_: stop.append(1))

    if args.verdict:
        out, ident, verdict, why = args.verdict
        data = json.load(open(os.path.join(out, 'results.json')))
        for m in data['mutants']:
            if m['id'] == int(ident):
                m['verdict'], m['why'] = verdict, why
        mutants = data.pop('mutants')
        save(out, data, mutants)
        print(summary(mutants))
        return

    if args.replay or args.rerun_survivors:
        out = args.rerun_survivors or args.source
        data = json.load(open(os.path.join(out, 'results.json')))
        mutants = data.pop('mutants')
        chosen = [m for m in mutants if (m['id'] == args.replay if args.replay else m['status'] == 'survived')]
        if args.replay:
            if not chosen:
                sys.exit('no mutant %d in %s' % (args.replay, out))
            m = chosen[0]
            print('--- a/%s\n+++ b/%s\n@@ -%d +%d @@\n-%s\n+%s' % (m['file'], m['file'], m['line'], m['line'],
                                                               m['original'], m['mutated']))
            print('@ %s:%d (%s), was %s %s' % (m['file'], m['line'], m['operator'], m['status'], ' '.join(m['failing'])))
            if not args.run:
                return
        trees = prepare_trees(args, min(args.jobs, len(chosen)))
        pending = list(chosen)

        def on_result(m, r):
            m['rerun'], m['rerun_failing'] = r['status'] or 'error', r.get('failing', [])
            print('#%d %s %s' % (m['id'], m['rerun'], ' '.join(m['rerun_failing'])), flush=True)
            save(out, data, mutants)
        work(trees, args.jobs, on_result, lambda: pending.pop(0) if pending and not stop else None)
        if args.rerun_survivors:
            print(summary(chosen, 'rerun'))
        return

    if args.seed is None:
        p.error('--seed is needed')
    sites = find_sites(ROOT, args.only, args.exclude)
    if args.list:
        for op in sorted({s['operator'] for s in sites}):
            print(op, sum(1 for s in sites if s['operator'] == op))
        print(len(sites), 'sites in', len({s['file'] for s in sites}), 'files')
        return
    commit = subprocess.run(['git', 'rev-parse', 'HEAD'], cwd=ROOT, capture_output=True, text=True).stdout.strip()
    meta = {'seed': args.seed, 'count': args.count, 'commit': commit, 'only': args.only,
            'exclude': args.exclude, 'sites': len(sites), 'started': time.strftime('%Y-%m-%d %H:%M:%S')}
    drawn, state = iter(draw(sites, args.seed)), {'valid': 0, 'running': 0}
    mutants = []
    print('%d sites; preparing %d trees' % (len(sites), args.jobs), flush=True)
    trees = prepare_trees(args, args.jobs)

    def more():
        if stop or state['valid'] + state['running'] >= args.count:
            return None
        m = next(drawn, None)
        if m:
            state['running'] += 1
            mutants.append(m)
        return m

    def on_result(m, r):
        state['running'] -= 1
        if not r['status']:
            print('#%d error: %s' % (m['id'], r.get('error')), flush=True)
            mutants.remove(m)
            return
        m.update(r)
        state['valid'] += m['status'] != 'invalid'
        print('#%d %s:%d %s %s %s (%.0f s)' % (m['id'], m['file'], m['line'], m['operator'], m['status'],
                                                ' '.join(m['failing']), m['seconds']), flush=True)
        save(args.out, meta, mutants)
    work(trees, args.jobs, on_result, more)
    save(args.out, meta, mutants)
    print(summary(mutants))


if __name__ == '__main__':
    main()
