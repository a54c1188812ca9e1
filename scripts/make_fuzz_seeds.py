#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The page target's seeds are the note pages of the end-to-end suite (the HTML string literals
of tests/e2e/*.cpp), pages that link the files its scratch folder holds, and the inputs of the
html5lib tokenizer tests from the shared conformance folder (given as the first argument, else
found above the repository), which CI's fresh clone may not have: the seeds are committed.
Seeds are named by their content's digest, so running the script again adds nothing twice;
inputs kept because they once crashed (named crash-*) are left alone.
"""
import hashlib
import json
import pathlib
import random
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"


def write(target, data):
    if isinstance(data, str):
        data = data.encode("utf-8", "surrogatepass")
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / hashlib.sha1(data).hexdigest()[:16]).write_bytes(data)


def provider_string(text):
    """A string as libFuzzer's FuzzedDataProvider reads it: "\\" doubled, "\\ " ends it."""
    return text.replace("\\", "\\\\") + "\\ "


def conformance_folder():
    if len(sys.argv) > 1:
        return pathlib.Path(sys.argv[1])
    for parent in [ROOT, *ROOT.parents]:
        candidate = parent / "shared" / "conformance" / "html5lib-tests"
        if candidate.is_dir():
            return candidate
    return None


def html5lib_inputs(folder, per_file=60):
    rng = random.Random(24)
    for test_file in sorted((folder / "tokenizer").glob("*.test")):
        tests = json.loads(test_file.read_text(encoding="utf-8")).get("tests", [])
        rng.shuffle(tests)
        for test in tests[:per_file]:
            text = test["input"]
            if test.get("doubleEscaped"):
                text = text.encode("utf-8").decode("unicode_escape")
            yield text


def e2e_pages():
    literal = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
    for source in sorted((ROOT / "tests" / "e2e").glob("*.cpp")):
        for line in source.read_text(encoding="utf-8").splitlines():
            for text in literal.findall(line):
                if re.search(r"<[a-zA-Z]", text):
                    yield bytes(text, "utf-8").decode("unicode_escape").encode("latin-1").decode(
                        "utf-8", "replace")


PAGES = [
    '<html><head><link rel=stylesheet href="st.css"></head><body><img src="F1.png"></body>',
    '<p><img src="./F1.png#top" srcset="s/F2.gif 2x, a%20b.png 3x"></p>',
    '<div style="background:url(\'a b.png\')">x</div><svg><image xlink:href="F1.png"/></svg>',
    '<base href="s/"><img src="F2.gif"><a href="../st.css?v=1">css</a>',
    '<base href="http://example.com/"><a href="page.htm">self</a><img src="F1.png">',
    '<meta charset="gbk"><p>\xd6\xd0\xce\xc4</p><img src=F1.png>',
    '<object data="F1.png"></object><video poster=F1.png></video><template><img src=F1.png>'
    '</template><!-- <img src=F1.png> --><textarea><img src=F1.png></textarea>',
    '<img src="file:///etc/passwd"><img src="../outside.png"><img src="/abs.png">',
    '<style>@import "st.css"; p { background: url(F1.png) }</style><p>t</p>',
    '<table background="F1.png"><tr><td background="s/F2.gif">c</td></tr></table>',
]


def page_seeds():
    for page in PAGES:
        write("page", page.encode("latin-1") if "\xd6" in page else page)
    write("page", b"\xff\xfe" + PAGES[0].encode("utf-16-le"))
    for page in e2e_pages():
        write("page", page)
    folder = conformance_folder()
    if folder:
        for text in html5lib_inputs(folder):
            write("page", text)
    else:
        print("no html5lib-tests folder found; page seeds without its inputs", file=sys.stderr)


def other_seeds():
    for data in [b"\xef\xbb\xbfplain", b"\xff\xfeh\x00i\x00", b"\xfe\xff\x00h\x00i",
                 "<p>中文 text</p>".encode("utf-16-le"), b'<meta charset="gbk">\xd6\xd0',
                 b"<?xml version='1.0' encoding='big5'?>\xa4\xa4", b"caf\xe9 \xc3\x28",
                 "名前".encode("utf-8")]:
        write("text_decoding", data)
    for data in ["[Common]\r\nPath = 'translations'\r\n; comment\r\nPortable=1\r\n",
                 "key=before\n[A]\nx = \"quoted\" \n[a]\nx=second\n[B ]\n=empty\n",
                 "\ufeff[设置]\n名字=值\n"]:
        write("ini", data)
    hive = ("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Zem]\n\"AppPath\"=\"/opt/zem/\"\n"
            "\"LCID\"=dword:00000804\n\"Quote\"=\"a \\\"b\\\" c\\\\\"\n@=\"default\"\n"
            "\"Bin\"=hex:01,02,\\\n  03\n\n[-HKEY_CURRENT_USER\\Software\\Old]\n")
    write("registry", provider_string("Software\\Zem") + provider_string("AppPath") +
          provider_string("/usr/lib/zem/") + hive)
    write("registry", provider_string("*") + provider_string("New") + provider_string("v") + hive)
    settings = ('<?xml version="1.0"?><settings><section name="DocumentDefaults">'
                '<value name="FontName">Sans</value><value name="Bold">true</value></section>'
                '<section name="Empty"/></settings>')
    write("settings", provider_string("DocumentDefaults") + provider_string("FontSize") +
          provider_string("12") + settings)
    write("settings", provider_string("s") + provider_string("k") + provider_string(" a\r\n ") +
          "<notsettings/>")
    write("translations", "../other/\nOK=确定\nCancel=取消\n{p} Import=导入 {p}\n;x=y\n"
          "Line\\nBreak=换\\n行\n\"Quoted\"\"Text\"=引\n")
    for arguments in [["/Import=/home/u/my notes/a.db", "/Console", "/Debug"],
                      ["/AppPath=/opt/zem/", "/DatabasePath=kb/index.db", "/ImportAll", "--help"],
                      [" /import= rel/a.db ", "/?"]]:
        write("command_line", "\0".join(arguments))
    write("sql_shape", "select noteid, title, notebookid, tags, datecreated, dateupdated, "
          "sourceurl from note_attr\nselect noteid, data from note where noteid='n1'\n"
          "select noteid, data from note where noteid='n''3'\n"
          "select name from tag_attr where tagid in ('t1','t2')\n"
          "select count(*) from sqlite_master where type='table' and name='note' collate nocase\n"
          "select configname, configvalue from config_new where "
          "configname='AttachmentStorageDir'\n")
    write("sql_shape", "select 'a' as \"x\", [y] from note -- 'c'\nselect x'00', /* 'd' */ 'e'\n"
          "select title from note_attr where title like 'H%' escape '\\'\n")
    rng = random.Random(5)
    for size in (16, 48, 96, 160, 256):
        write("import", bytes(rng.randrange(256) for _ in range(size)))


if __name__ == "__main__":
    page_seeds()
    other_seeds()
