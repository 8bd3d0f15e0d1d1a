#!/usr/bin/env python3
"""Checks that docs/CHEATSHEET.md names every public function of the engine.

The public headers are the ones CMake installs (passed on the command line).
Their declarations are read from clang's AST, not from a hand-kept list, so a
new call cannot be missed: every function, method, constructor and operator
that a game can reach (in namespace ZARVO, outside DETAIL namespaces, public
members only) must appear in the cheatsheet section headed by its scope, as
`NAME(` or `operator...(`, once for each of its overloads (so a new overload
cannot slip in under an old name). Copy and move members and destructors are
left out; a const and a non-const form with the same parameters count once.

The check also fails when a public header includes an engine header that is
not public (the installed set would not compile on its own).

Usage: check_cheatsheet.py --cxx clang++ --src SRC --cheatsheet FILE HEADER...
       (HEADER relative to SRC, e.g. zarvo/engine.hpp)
"""
import argparse
import json
import os
import re
import subprocess
import sys
import tempfile

SKIPPED_NAMESPACES = {"DETAIL"}
FUNCTION_KINDS = {"FunctionDecl", "CXXMethodDecl", "CXXConstructorDecl", "CXXConversionDecl"}


def parse_ast(cxx, src, headers):
    """Returns the top-level ZARVO declarations of a unit including every header."""
    with tempfile.TemporaryDirectory() as tmp:
        unit = os.path.join(tmp, "public.cpp")
        with open(unit, "w") as f:
            for h in headers:
                f.write('#include "%s"\n' % h)
        cmd = [cxx, "-std=c++20", "-fsyntax-only", "-I", src, "-Xclang", "-ast-dump=json",
               "-Xclang", "-ast-dump-filter", "-Xclang", "ZARVO", unit]
        try:
            out = subprocess.run(cmd, check=True, capture_output=True, text=True).stdout
        except FileNotFoundError:
            sys.exit("check_cheatsheet: %s not found (clang is needed to read the headers)" % cxx)
        except subprocess.CalledProcessError as e:
            sys.exit("check_cheatsheet: the public headers do not compile alone:\n" + e.stderr)
    # The filtered dump is a sequence of JSON objects, one per matching declaration.
    decoder = json.JSONDecoder()
    nodes, i = [], 0
    while True:
        while i < len(out) and out[i].isspace():
            i += 1
        if i >= len(out):
            return nodes
        node, i = decoder.raw_decode(out, i)
        nodes.append(node)


def is_special_member(node, record):
    """Copy/move constructors and assignments: part of the value, not calls."""
    qual = node.get("type", {}).get("qualType", "")
    params = qual[qual.find("(") + 1:qual.rfind(")")]
    own = re.compile(r"^(const )?([\w:]+::)?%s(<.*>)? &{1,2}$" % re.escape(record))
    if node["kind"] == "CXXConstructorDecl" and own.match(params.strip()):
        return True
    return node.get("name") == "operator=" and own.match(params.strip()) is not None


def collect(node, scope, record, public, found):
    kind = node.get("kind")
    if node.get("isImplicit"):
        return
    if kind == "NamespaceDecl":
        name = node.get("name")
        if not name or name in SKIPPED_NAMESPACES:
            return
        for child in node.get("inner", []):
            collect(child, scope + [name], None, True, found)
        return
    if kind == "ClassTemplateDecl":
        for child in node.get("inner", []):
            if child.get("kind") == "CXXRecordDecl":
                collect(child, scope, record, public, found)
        return
    if kind == "CXXRecordDecl":
        name = node.get("name")
        if not public or not name or not node.get("completeDefinition"):
            return
        access = node.get("tagUsed") != "class"
        for child in node.get("inner", []):
            if child.get("kind") == "AccessSpecDecl":
                access = child.get("access") == "public"
                continue
            collect(child, scope + [name], name, access, found)
        return
    if kind == "FunctionTemplateDecl":
        for child in node.get("inner", []):
            if child.get("kind") in FUNCTION_KINDS:
                collect(child, scope, record, public, found)
        return
    if kind in FUNCTION_KINDS and public:
        if node.get("explicitlyDeleted") or (record and is_special_member(node, record)):
            return
        name = node.get("name", "")
        if kind == "CXXConstructorDecl":
            name = record
        elif kind == "CXXConversionDecl":
            name = "operator " + node.get("type", {}).get("qualType", "").split(" (")[0]
        qual = node.get("type", {}).get("qualType", "")
        params = qual[qual.find("(") + 1:qual.rfind(")")]
        found.setdefault(("::".join(scope), name), set()).add(params)


def cheatsheet_sections(path):
    """Maps each scope (the first ZARVO::... in a heading) to its section's text."""
    sections, current = {}, None
    with open(path) as f:
        for line in f:
            if line.startswith("#"):
                m = re.search(r"ZARVO(::\w+)*", line)
                current = m.group(0) if m else None
                continue
            if current:
                sections[current] = sections.get(current, "") + line
    return sections


def mentions(text, name):
    """How often the section shows NAME( (operators: the operator's text and "(")."""
    if name.startswith("operator"):
        return len(re.findall(r"%s\s*\(" % re.escape(name), text))
    return len(re.findall(r"(?<![\w])%s\s*\(" % re.escape(name), text))


def check_closure(src, headers):
    """Every engine header a public header includes must be public too."""
    errors = []
    public = set(headers)
    for h in headers:
        with open(os.path.join(src, h)) as f:
            for included in re.findall(r'^\s*#\s*include\s+"(zarvo/[^"]+)"', f.read(), re.M):
                if included not in public:
                    errors.append("%s includes %s, which is not installed" % (h, included))
    return errors


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cxx", default="clang++")
    ap.add_argument("--src", required=True)
    ap.add_argument("--cheatsheet", required=True)
    ap.add_argument("headers", nargs="+")
    args = ap.parse_args()

    errors = check_closure(args.src, args.headers)
    found = {}
    for node in parse_ast(args.cxx, args.src, args.headers):
        collect(node, [], None, True, found)
    if len(found) < 50:
        errors.append("only %d public functions found: the header parse went wrong" % len(found))
    sections = cheatsheet_sections(args.cheatsheet)
    missing = 0
    for (scope, name), overloads in sorted(found.items()):
        shown = mentions(sections.get(scope, ""), name)
        if shown >= len(overloads):
            continue
        missing += 1
        if shown == 0:
            errors.append("%s::%s is public but not in the cheatsheet section of %s"
                          % (scope, name, scope))
        else:
            errors.append("%s::%s has %d forms, the cheatsheet section of %s shows %d: (%s)"
                          % (scope, name, len(overloads), scope, shown,
                             "), (".join(sorted(overloads))))
    for e in errors:
        print(e)
    print("%d public functions (%d forms), %d not fully in %s"
          % (len(found), sum(len(o) for o in found.values()), missing,
             os.path.basename(args.cheatsheet)))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
