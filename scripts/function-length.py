#!/usr/bin/python3
"""Lists the functions of the library, the programs and the Java bridge's
sibling library that are longer than 60 lines, counted from the first line of
the definition (its return type or template head) to the closing brace, both
included. Lambdas count as functions of their own (and their lines count in
the function around them too). Each source file of the build is parsed with
libclang, with the flags it is compiled with; functions defined in headers
are counted where they are first met. Exits 1 when there is any.

    scripts/function-length.py [BUILD_DIR]   (a configured build)
"""
import json
import multiprocessing
import os
import re
import sys

import clang.cindex as cindex

LIMIT = 60
FOLDERS = ("platform support translator xml net iac ktf java sgml image imaging kernel "
           "session tools server trellis").split()
KINDS = {cindex.CursorKind.FUNCTION_DECL, cindex.CursorKind.CXX_METHOD,
         cindex.CursorKind.CONSTRUCTOR, cindex.CursorKind.DESTRUCTOR,
         cindex.CursorKind.CONVERSION_FUNCTION, cindex.CursorKind.FUNCTION_TEMPLATE,
         cindex.CursorKind.LAMBDA_EXPR}
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OURS = re.compile(r"^%s/(%s)/[^/]+\.(cpp|h)$" % (re.escape(ROOT), "|".join(FOLDERS)))


def libclang():
    for version in (19, 18, 17, 16, 15, 14):
        path = "/usr/lib/llvm-%d/lib/libclang-%d.so.1" % (version, version)
        if os.path.exists(path):
            return path
    sys.exit("function-length: libclang not found (Debian package python3-clang-14)")


def arguments(entry):
    args = entry.get("arguments") or entry["command"].split()
    kept, skip = [], False
    for arg in args[1:]:
        if skip:
            skip = False
        elif arg in ("-o", "-MF", "-MT", "-c"):
            skip = arg != "-c"
        elif not arg.endswith(entry["file"]) and not arg.startswith(("-MD", "-fsanitize")):
            kept.append(arg)
    return kept


def long_functions(entry):
    os.chdir(entry["directory"])
    unit = cindex.Index.create().parse(entry["file"], args=arguments(entry))
    found = []
    stack = [unit.cursor]
    while stack:
        cursor = stack.pop()
        location = cursor.location.file
        if location is not None and not OURS.match(os.path.realpath(location.name)):
            continue
        if cursor.kind in KINDS and (cursor.kind == cindex.CursorKind.LAMBDA_EXPR
                                     or cursor.is_definition()):
            lines = cursor.extent.end.line - cursor.extent.start.line + 1
            if lines > LIMIT:
                parent = cursor.semantic_parent
                scoped = parent is not None and parent.kind in (
                    cindex.CursorKind.CLASS_DECL, cindex.CursorKind.STRUCT_DECL,
                    cindex.CursorKind.CLASS_TEMPLATE)
                name = (parent.spelling + "::" if scoped else "") + (cursor.spelling or "lambda")
                found.append("%s:%d %s %d" % (os.path.relpath(os.path.realpath(location.name), ROOT),
                                              cursor.extent.start.line, name, lines))
        stack.extend(cursor.get_children())
    return found


def main():
    cindex.Config.set_library_file(libclang())
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    with open(os.path.join(build, "compile_commands.json")) as file:
        entries = {e["file"]: e for e in json.load(file) if OURS.match(e["file"])}
    with multiprocessing.Pool(os.cpu_count()) as pool:
        results = sorted(set(sum(pool.map(long_functions, entries.values()), [])))
    if results:
        print("functions over %d lines:" % LIMIT)
        print("\n".join(results))
        return 1
    print("no function over %d lines in %d source files and their headers" % (LIMIT, len(entries)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
