#!/usr/bin/env python3
"""Keeps the translation catalogues in app/translations/ in step with the code.

Every interface text goes through the "ui" context: ui("...") for plain texts
(QT_TRANSLATE_NOOP("ui", "...") where the text is translated later), and
QCoreApplication::translate("ui", "...", nullptr, n) for texts with a count (%n).
This collects them from app/, adds new ones to each catalogue as unfinished, drops
texts the code no longer has, and keeps every translation already made.

  scripts/update-translations.py          rewrite the catalogues
  scripts/update-translations.py --check  fail when a catalogue lacks a text or a translation
"""
import pathlib
import re
import sys
import xml.etree.ElementTree as ET

root = pathlib.Path(__file__).resolve().parent.parent
folder = root / "app" / "translations"
# English supplies only the plural forms of counted texts; German everything.
catalogues = {"en": ("en_US", 2, True), "de": ("de_DE", 2, False)}

# One string literal, or several side by side (the compiler joins them).
literal = r'((?:"(?:[^"\\\n]|\\.)*"\s*)+)'
piece = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
plain_call = re.compile(r'(?:\bui\(\s*|(?:QT_TRANSLATE_NOOP|translate)\(\s*"ui"\s*,\s*)' + literal + r'\)')
counted_call = re.compile(r'translate\(\s*"ui"\s*,\s*' + literal + r',\s*nullptr\s*,')


def unescape(literals):
    text = "".join(piece.findall(literals))
    return bytes(text, "utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")


def collect():
    texts = {}
    for path in sorted((root / "app").rglob("*.cpp")):
        if path.name.endswith("_test.cpp"):
            continue
        source = path.read_text(encoding="utf-8")
        for match in plain_call.finditer(source):
            texts.setdefault(unescape(match.group(1)), False)
        for match in counted_call.finditer(source):
            texts[unescape(match.group(1))] = True
    return texts


def read(path):
    known = {}
    if not path.exists():
        return known
    for message in ET.parse(path).getroot().iter("message"):
        source = message.findtext("source")
        translation = message.find("translation")
        forms = [f.text or "" for f in translation.findall("numerusform")]
        finished = translation.get("type") != "unfinished"
        known[source] = (forms if forms else (translation.text or ""), finished)
    return known


def write(path, language, plurals, counted_only, texts, known):
    ts = ET.Element("TS", version="2.1", language=language)
    context = ET.SubElement(ts, "context")
    ET.SubElement(context, "name").text = "ui"
    for source, counted in texts.items():
        if counted_only and not counted:
            continue
        message = ET.SubElement(context, "message", numerus="yes") if counted else ET.SubElement(context, "message")
        ET.SubElement(message, "source").text = source
        translation = ET.SubElement(message, "translation")
        value, finished = known.get(source, ([""] * plurals if counted else "", False))
        if counted:
            forms = value if isinstance(value, list) else [value] * plurals
            for form in (forms + [""] * plurals)[:plurals]:
                ET.SubElement(translation, "numerusform").text = form
            finished = finished and all(forms)
        else:
            translation.text = value if isinstance(value, str) else value[0]
            finished = finished and bool(translation.text)
        if not finished:
            translation.set("type", "unfinished")
    ET.indent(ts)
    text = '<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n' + ET.tostring(ts, encoding="unicode") + "\n"
    return text


def main():
    check = "--check" in sys.argv[1:]
    texts = collect()
    problems = []
    for code, (language, plurals, counted_only) in catalogues.items():
        path = folder / f"telvane_{code}.ts"
        known = read(path)
        text = write(path, language, plurals, counted_only, texts, known)
        if check:
            if not path.exists() or path.read_text(encoding="utf-8") != text:
                problems.append(f"{path.relative_to(root)} is not in step with the code")
            if 'type="unfinished"' in text:
                problems.append(f"{path.relative_to(root)} has unfinished translations")
        else:
            path.write_text(text, encoding="utf-8")
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print("run scripts/update-translations.py and translate what it marks unfinished", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
