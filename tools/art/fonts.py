"""Vector fonts for the game: EB Garamond (SIL Open Font Licence) turned into ".mvec"
files by the project's own converter, tools/ttf2mvec (built with the project)."""
import glob
import os
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FACES = {
    "serif": "EBGaramond12-Regular.ttf",
    "serif_bold": "EBGaramond12-Bold.ttf",
    "serif_italic": "EBGaramond12-Italic.ttf",
}
FONT_DIRS = ["/usr/share/fonts/truetype/ebgaramond", "/usr/share/fonts/opentype/ebgaramond"]


def find_converter(given=""):
    if given:
        return given
    found = sorted(glob.glob(os.path.join(ROOT, "build", "*", "tools", "ttf2mvec")))
    if not found:
        raise SystemExit("fonts: build the project first (tools/ttf2mvec) or pass --ttf2mvec PATH")
    return found[0]


def write_all(out, converter=""):
    tool = find_converter(converter)
    os.makedirs(os.path.join(out, "fonts"), exist_ok=True)
    for name, face in FACES.items():
        path = next((os.path.join(d, face) for d in FONT_DIRS if os.path.exists(os.path.join(d, face))), None)
        if not path:
            raise SystemExit("fonts: %s not found (install fonts-ebgaramond-extra: scripts/setup-art-deps)" % face)
        subprocess.run([tool, path, os.path.join(out, "fonts", name + ".mvec")], check=True)
    write_licence(out)


def write_licence(out):
    """Copies EB Garamond's copyright line and the SIL Open Font Licence text from the
    Debian package's copyright file into fonts/OFL.txt (the licence travels with the fonts)."""
    src = "/usr/share/doc/fonts-ebgaramond/copyright"
    lines = open(src, encoding="utf-8").read().splitlines()
    holder, body, inside = "", [], False
    for ln in lines:
        if ln.startswith("Copyright:") and not holder:
            holder = ln.split(":", 1)[1].strip()
        if ln.startswith("License: OFL-1.1") and not body:
            inside = True
            continue
        if inside:
            if ln and not ln.startswith(" "):
                break
            body.append("" if ln.strip() == "." else ln[4:] if ln.startswith("    ") else ln.strip())
    with open(os.path.join(out, "fonts", "OFL.txt"), "w", encoding="utf-8") as f:
        f.write("serif.mvec, serif_bold.mvec and serif_italic.mvec are converted from EB Garamond 12.\n")
        f.write("Copyright %s\n\n" % holder)
        f.write("\n".join(body).strip() + "\n")
