#!/usr/bin/env python3
"""The product's folders form layers, and a file includes only from its own folder or from a
folder below its own; no two file pairs (x.h with x.cpp) include each other, directly or round a
circle. Run by ctest in the host build; prints every offence and fails on any, and also fails
when an entry of the known lists below no longer occurs, so that a list only ever shrinks.

    python3 tests/scripts/include_layers_test.py [ROOT]
"""
import os
import re
import sys

# Lowest first. A folder may include from itself and from the folders above it in this list.
# Component types are siblings: each may use what lies below the components, not each other.
LAYERS = [
    "form",
    "runtime",
    "ui/graphics",
    "ui/model",
    "ui/components/*",
    "ui/loop",
    "app",
    "tools/formc",
]

# Upward includes the tree still has, each to be removed by untying the code behind it; the goal
# is an empty list. (including file, included file)
KNOWN_UPWARD = set()

# Include circles between file pairs the tree still has; the goal is an empty list.
KNOWN_CIRCLES = set()
PRODUCT = ("runtime", "form", "ui", "app", "tools")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer_of(path):
    """(layer index, folder) of a product file, or None outside the layers."""
    folder = os.path.dirname(path)
    for i, layer in enumerate(LAYERS):
        if layer.endswith("/*"):
            base = layer[:-2]
            if folder.startswith(base + "/") and "/" not in folder[len(base) + 1 :]:
                return i, folder
        elif folder == layer:
            return i, folder
    return None


def product_files(root):
    for top in PRODUCT:
        for dirpath, _, names in os.walk(os.path.join(root, top)):
            for name in names:
                if name.endswith((".h", ".cpp", ".def")):
                    yield os.path.relpath(os.path.join(dirpath, name), root)


def pair(path):
    return os.path.splitext(path)[0]


def circles(edges):
    """Strongly connected groups of more than one node (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(edges.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for v in sorted(edges):
        if v not in index:
            visit(v)
    return found


def check(root):
    offences = []
    edges = {}
    upward = set()
    for path in sorted(product_files(root)):
        here = layer_of(path)
        if here is None:
            offences.append(f"{path}: lies in no layer")
            continue
        with open(os.path.join(root, path), encoding="utf-8") as f:
            text = f.read()
        for included in INCLUDE.findall(text):
            if not included.startswith(PRODUCT):
                continue
            if not os.path.exists(os.path.join(root, included)):
                offences.append(f"{path}: includes {included}, which does not exist")
                continue
            there = layer_of(included)
            if there is None:
                offences.append(f"{path}: includes {included}, which lies in no layer")
            elif there[0] > here[0] or (there[0] == here[0] and there[1] != here[1]):
                if (path, included) in KNOWN_UPWARD:
                    upward.add((path, included))
                else:
                    offences.append(f"{path}: includes {included} from {there[1]}, not below {here[1]}")
            if pair(included) != pair(path):
                edges.setdefault(pair(path), set()).add(pair(included))
    found = set()
    for group in circles(edges):
        if tuple(group) in KNOWN_CIRCLES:
            found.add(tuple(group))
        else:
            offences.append("include circle between " + ", ".join(group))
    for path, included in sorted(KNOWN_UPWARD - upward):
        offences.append(f"known upward include {path} -> {included} is gone: drop it from the list")
    for group in sorted(KNOWN_CIRCLES - found):
        offences.append("known circle " + ", ".join(group) + " is gone: drop it from the list")
    return offences


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../..")
    offences = check(os.path.abspath(root))
    for o in offences:
        print(o, file=sys.stderr)
    if offences:
        print(f"include layers: {len(offences)} offence(s)", file=sys.stderr)
        return 1
    print(f"include layers: every include points down, no circles beyond the {len(KNOWN_UPWARD)} "
          f"known upward includes and {len(KNOWN_CIRCLES)} known circles")
    return 0


if __name__ == "__main__":
    sys.exit(main())
