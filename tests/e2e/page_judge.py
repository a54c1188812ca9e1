#!/usr/bin/env python3
"""Judges stored pages against the note pages they were made from, by the trees html5lib
builds of both (scripting on, as in a browser).

Usage: page_judge.py MANIFEST. Each line of MANIFEST is "note page<TAB>stored page" (UTF-8
files). For every pair:
  - the trees hold the same elements in the same order with the same attributes and text,
    except the links a browser resolves, the charset declarations and a <base>'s href;
  - every picture, style sheet or other file the note page fetches from a local file that
    exists is fetched by the stored page from a file with the same bytes;
  - every local file the stored page fetches exists inside the stored page's folder, unless
    the link is the note's, left as it was.
Prints one line per fault and a count; exits 1 when there is a fault.
"""
import os
import re
import sys
import urllib.parse

import html5lib

HTML = "{http://www.w3.org/1999/xhtml}"
SVG = "{http://www.w3.org/2000/svg}"
XLINK_HREF = "{http://www.w3.org/1999/xlink}href"
LINK_ATTRIBUTES = {"src", "href", XLINK_HREF, "background", "poster", "data", "action",
                   "formaction", "cite", "longdesc"}
# (element, attribute) a browser fetches from while showing the page; None: any element.
FETCHED = {(HTML + "img", "src"), (HTML + "input", "src"), (HTML + "video", "poster"),
           (HTML + "video", "src"), (HTML + "audio", "src"), (HTML + "source", "src"),
           (HTML + "track", "src"), (HTML + "embed", "src"), (HTML + "object", "data"),
           (SVG + "image", "href"), (SVG + "image", XLINK_HREF), (HTML + "link", "href"),
           (None, "background")}
CSS_LINK = re.compile(r"""(url\(\s*)("[^"]*"|'[^']*'|[^)\s"']*)(\s*\))|(@import\s*)("[^"]*"|'[^']*')""",
                      re.I)
CSS_ESCAPE = re.compile(r"\\([0-9a-fA-F]{1,6}[ \t\n\f\r]?|[\s\S])")
CSS_COMMENT = re.compile(r"/\*.*?(\*/|$)", re.S)
SCHEME = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:")
WHITE = " \t\n\f\r"


def parse(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    parser = html5lib.HTMLParser(tree=html5lib.getTreeBuilder("etree"))
    return parser.parse(text, scripting=True)


def declares_charset(element):
    if element.tag != HTML + "meta":
        return False
    equiv = "".join(element.get("http-equiv", "").split()).lower()
    return "charset" in element.attrib or equiv == "content-type"


def elements(root):
    """Elements in document order with whether they lie in template content."""
    out = []

    def walk(element, inert):
        if isinstance(element.tag, str) and not declares_charset(element):
            out.append((element, inert))
        inert = inert or element.tag == HTML + "template"
        for child in element:
            walk(child, inert)

    walk(root, False)
    return out


def css_unescaped(text):
    def one(match):
        escaped = match.group(1)
        if re.match(r"[0-9a-fA-F]", escaped):
            value = int(escaped.strip(), 16)
            return chr(value) if 0 < value < 0x110000 and not 0xD800 <= value < 0xE000 \
                else "\ufffd"
        return "" if escaped == "\n" else escaped

    return CSS_ESCAPE.sub(one, text)


def css_links(css):
    """The links of CSS text (comments dropped) and the text with each link as '@'."""
    css = CSS_COMMENT.sub("", css)
    links = []

    def take(match):
        if match.group(2) is not None:
            links.append(css_unescaped(match.group(2).strip("\"'")))
            return match.group(1) + "@" + match.group(3)
        links.append(css_unescaped(match.group(5)[1:-1]))
        return match.group(4) + "@"

    return links, CSS_LINK.sub(take, css)


def srcset_links(value):
    links, rest = [], []
    for candidate in value.split(","):
        parts = candidate.split()
        if parts:
            links.append(parts[0])
            rest.append(parts[1:])
    return links, rest


def references(element, name, value):
    """The links an attribute holds, and what it holds besides them."""
    if name == "style":
        return css_links(value)
    if name == "srcset":
        return srcset_links(value)
    if name in LINK_ATTRIBUTES:
        return [value], None
    return None, value


def local_path(link, folder, base):
    """The file a link names, or None when it names no local file."""
    link = link.strip(WHITE)
    if not link or link[0] in "#?":
        return None
    if base and not SCHEME.match(link):
        if SCHEME.match(base):
            return None
        folder = os.path.normpath(os.path.join(folder, base if base.endswith("/")
                                               else os.path.dirname(base)))
    if SCHEME.match(link):
        parts = urllib.parse.urlsplit(link)
        if parts.scheme.lower() != "file" or parts.netloc not in ("", "localhost"):
            return None
        return urllib.parse.unquote(parts.path)
    path = re.split(r"[?#]", link.replace("\\", "/"))[0]
    # A path ending in "/" names a folder, whatever normpath makes of it.
    return os.path.normpath(os.path.join(folder, urllib.parse.unquote(path))) + \
        ("/" if path.endswith("/") else "")


def is_fetched(element, name):
    return (element.tag, name) in FETCHED or (None, name) in FETCHED or name in ("srcset",
                                                                                  "style")


def same_bytes(a, b):
    with open(a, "rb") as fa, open(b, "rb") as fb:
        return fa.read() == fb.read()


COUNTS = {"elements": 0, "links": 0, "shown": 0}


def judge(note_path, stored_path, faults):
    note_folder, stored_folder = os.path.dirname(note_path), os.path.dirname(stored_path)
    note, stored = elements(parse(note_path)), elements(parse(stored_path))

    def fault(text):
        faults.append("%s: %s" % (stored_path, text))

    if len(note) != len(stored):
        fault("%d elements, the note has %d" % (len(stored), len(note)))
        return
    base = None
    COUNTS["elements"] += len(note)
    for (a, inert), (b, _) in zip(note, stored):
        if a.tag != b.tag:
            fault("<%s> where the note has <%s>" % (b.tag, a.tag))
            return
        if (a.text or "") != (b.text or "") and a.tag != HTML + "style":
            fault("text %r where the note has %r" % (b.text, a.text))
        if (a.tail or "") != (b.tail or ""):
            fault("text %r after <%s>, the note has %r" % (b.tail, b.tag, a.tail))
        names = set(a.attrib)
        if a.tag == HTML + "base" and not inert:
            if base is None and "href" in a.attrib:
                base = a.get("href").strip(WHITE)
            names.discard("href")
        if names != set(b.attrib) - ({"href"} if a.tag == HTML + "base" else set()):
            fault("attributes %s of <%s>, the note has %s" % (sorted(b.attrib), b.tag,
                                                             sorted(a.attrib)))
            continue
        pairs = [(n, a.get(n), b.get(n)) for n in sorted(names)]
        if a.tag == HTML + "style":
            pairs.append(("style", a.text or "", b.text or ""))
        for name, old, new in pairs:
            old_links, old_rest = references(a, name, old)
            new_links, new_rest = references(b, name, new)
            if old_rest != new_rest or (old_links is None) != (new_links is None) or (
                    old_links is not None and len(old_links) != len(new_links)):
                fault("%s=%r of <%s>, the note has %r" % (name, new, b.tag, old))
                continue
            for old_link, new_link in zip(old_links or [], new_links or []):
                fetched = is_fetched(a, name) and not inert
                source = local_path(old_link, note_folder, base)
                copy = local_path(new_link, stored_folder, None)
                shown = fetched and source and os.path.isfile(source)
                COUNTS["links"] += 1
                COUNTS["shown"] += 1 if shown else 0
                if inert and old_link != new_link:
                    fault("%r in template content became %r" % (old_link, new_link))
                elif shown and not (copy and os.path.isfile(copy) and same_bytes(source, copy)):
                    fault("%r shows %s, its link %r does not" % (old_link, source, new_link))
                elif fetched and copy and new_link != old_link and not (
                        os.path.isfile(copy) and copy.startswith(stored_folder + os.sep)):
                    fault("%r leads to %s, missing or outside" % (new_link, copy))
                elif new_link != old_link and not (new_link.startswith("index_files/")
                                                   or SCHEME.match(new_link)):
                    fault("%r became %r" % (old_link, new_link))


def main():
    faults = []
    pairs = 0
    with open(sys.argv[1], encoding="utf-8") as manifest:
        for line in manifest:
            if line.strip():
                note_path, stored_path = line.rstrip("\n").split("\t")
                judge(note_path, stored_path, faults)
                pairs += 1
    for text in faults:
        print(text)
    print("%d pages judged: %d elements, %d links, %d of them local files the note shows; "
          "%d faults" % (pairs, COUNTS["elements"], COUNTS["links"], COUNTS["shown"],
                         len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
