#!/usr/bin/env python3
"""Checks that the sub-folders of a code folder call one another one way only.

    tools/layers.py [--objects BUILD] [FOLDER...]     (default: render game/shell)

Every file under FOLDER is a node named by its path without the extension (a
header and its source are one node). A file that includes a header of another
node calls into it; with --objects, a file whose object file in the build
folder BUILD uses a symbol that another node's object file defines does too.
The top of FOLDER counts as one more sub-folder.

It fails (exit status 1) on
  - a circle of nodes that spans two sub-folders, and
  - a circle among the sub-folders themselves, the top left out (the top may
    hold both the highest code and seams that lower code calls).
Otherwise it prints the sub-folders in order, each after those it calls.
Run from the top of the source tree.
"""
import os
import re
import subprocess
import sys
from collections import defaultdict

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCES = ('.h', '.cpp')


def nodes_of(folder):
    nodes = set()
    for root, dirs, files in os.walk(folder):
        # Build folders and hidden ones hold no code of ours.
        dirs[:] = [d for d in dirs if not d.startswith('.') and not d.startswith('build')]
        for name in files:
            stem, ext = os.path.splitext(name)
            if ext in SOURCES:
                nodes.add(os.path.normpath(os.path.join(root, stem)))
    return nodes


def include_edges(nodes):
    edges = defaultdict(set)
    for node in nodes:
        for ext in SOURCES:
            try:
                with open(node + ext, encoding='utf-8') as f:
                    text = f.read()
            except FileNotFoundError:
                continue
            for path in INCLUDE.findall(text):
                target = os.path.splitext(path)[0]
                if target in nodes and target != node:
                    edges[node].add(target)
    return edges


def symbol_edges(nodes, build):
    """Edges from the symbols each object file uses and defines (nm)."""
    objects = {}
    for root, _, files in os.walk(build):
        for name in files:
            if not name.endswith('.cpp.o'):
                continue
            path = os.path.join(root, name)
            rel = os.path.relpath(path, build)
            # <source folder>/CMakeFiles/<target>.dir/<path in it>.cpp.o
            m = re.match(r'(.*)/CMakeFiles/[^/]+\.dir/(.*)\.cpp\.o$', rel)
            if m:
                node = os.path.normpath(os.path.join(m.group(1), m.group(2)))
                if node in nodes:
                    objects[node] = path
    defined, used = {}, defaultdict(set)
    for node, path in objects.items():
        out = subprocess.run(['nm', path], capture_output=True, text=True, check=True).stdout
        for line in out.splitlines():
            parts = line.split()
            if len(parts) == 3 and parts[1] in 'TDBR':
                defined.setdefault(parts[2], node)
            elif len(parts) == 2:  # an undefined symbol has no address
                used[node].add(parts[1])
    edges = defaultdict(set)
    for node, symbols in used.items():
        for symbol in symbols:
            target = defined.get(symbol)
            if target and target != node:
                edges[node].add(target)
    return edges, len(objects)


def strongly_connected(graph, vertices):
    """Tarjan's components, each a sorted list; iterative."""
    index, low, on_stack, stack, result = {}, {}, set(), [], []
    counter = 0
    for start in sorted(vertices):
        if start in index:
            continue
        work = [(start, iter(sorted(graph.get(start, ()))))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            v, children = work[-1]
            child = next(children, None)
            if child is None:
                work.pop()
                if work:
                    low[work[-1][0]] = min(low[work[-1][0]], low[v])
                if low[v] == index[v]:
                    component = []
                    while True:
                        w = stack.pop()
                        on_stack.discard(w)
                        component.append(w)
                        if w == v:
                            break
                    result.append(sorted(component))
            elif child not in index:
                index[child] = low[child] = counter
                counter += 1
                stack.append(child)
                on_stack.add(child)
                work.append((child, iter(sorted(graph.get(child, ())))))
            elif child in on_stack:
                low[v] = min(low[v], index[child])
    return result


def check(folder, build):
    folder = os.path.normpath(folder)
    nodes = nodes_of(folder)
    edges = include_edges(nodes)
    how = 'includes'
    if build:
        more, count = symbol_edges(nodes, build)
        for node, targets in more.items():
            edges[node] |= targets
        how += ' and the symbols of %d object files' % count

    def part(node):
        rel = os.path.relpath(node, folder)
        return rel.split(os.sep)[0] if os.sep in rel else '.'

    ok = True
    for component in strongly_connected(edges, nodes):
        if len({part(n) for n in component}) > 1:
            ok = False
            print('%s: a circle across sub-folders: %s' % (folder, ' '.join(component)))
    calls = defaultdict(set)
    for node, targets in edges.items():
        for target in targets:
            a, b = part(node), part(target)
            if a != b and '.' not in (a, b):
                calls[a].add(b)
    parts = {part(n) for n in nodes} - {'.'}
    for component in strongly_connected(calls, parts):
        if len(component) > 1:
            ok = False
            print('%s: sub-folders in a circle: %s' % (folder, ' '.join(component)))
    if ok:
        order, done = [], set()

        def visit(p):
            if p not in done:
                done.add(p)
                for q in sorted(calls[p]):
                    visit(q)
                order.append(p)

        for p in sorted(parts):
            visit(p)
        print('%s: no circles (%s); sub-folders from the bottom: %s' % (folder, how, ' '.join(order)))
    return ok


def main(args):
    build = None
    if args[:1] == ['--objects']:
        if len(args) < 2:
            print(__doc__)
            return 2
        build, args = args[1], args[2:]
    if args[:1] in (['-h'], ['--help']):
        print(__doc__)
        return 0
    results = [check(folder, build) for folder in (args or ['render', 'game/shell'])]
    return 0 if all(results) else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
