"""The interpreter the art tools run with.

They need Debian's python3-cairo, python3-pil and python3-numpy (scripts/setup-art-deps), which
only the system's /usr/bin/python3 sees. Another python3 may come first on PATH (pyenv, a
virtual environment): a tool started with it runs itself again with /usr/bin/python3 when that
one has what is missing, and otherwise stops with a line saying what to install.
"""
import importlib
import os
import sys

SYSTEM = "/usr/bin/python3"


def require(*modules):
    missing = []
    for name in modules:
        try:
            importlib.import_module(name)
        except ImportError:
            missing.append(name)
    if not missing:
        return
    here = os.path.realpath(sys.executable or "")
    script = sys.argv[0] if sys.argv else ""
    if (here != os.path.realpath(SYSTEM) and os.access(SYSTEM, os.X_OK) and script.endswith(".py")
            and not os.environ.get("LANTERN_ART_AGAIN")):
        os.environ["LANTERN_ART_AGAIN"] = "1"
        print("%s: %s has no %s; running again with %s" % (os.path.basename(script), sys.executable,
                                                           ", ".join(missing), SYSTEM), file=sys.stderr)
        sys.stderr.flush()
        os.execv(SYSTEM, [SYSTEM] + sys.argv)
    sys.exit("%s: the art tools need the Python modules %s (Debian's python3-cairo, python3-pil, "
             "python3-numpy: run scripts/setup-art-deps) under %s" % (os.path.basename(script) or "art",
                                                                      ", ".join(missing), SYSTEM))
