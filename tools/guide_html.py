#!/usr/bin/env python3
"""Makes the user guide's HTML page, the program's help, from its Markdown.

    guide_html.py GUIDE.md OUT.html

Uses Debian's python3-markdown with its tables extension (the guide's
tables are most of its reference) and its toc extension, which gives each
heading the id that the guide's own links (#opening-a-bank-file) point to.
The page is one file with its style inside; the pictures are the PNG files
named by the guide, looked for beside the page.
"""
import html
import sys

try:
    import markdown
except ImportError:
    sys.exit("guide_html.py: python3-markdown is missing (tools/install-deps.sh installs it)")

STYLE = """
body { font-family: Segoe UI, Tahoma, sans-serif; max-width: 52em; margin: 1em auto;
       padding: 0 1em; line-height: 1.45; color: #202020; }
h1, h2, h3 { line-height: 1.2; }
h2 { border-bottom: 1px solid #c8c8c8; padding-bottom: .2em; margin-top: 1.6em; }
table { border-collapse: collapse; margin: .8em 0; }
th, td { border: 1px solid #c8c8c8; padding: .3em .5em; vertical-align: top; text-align: left; }
th { background: #f0f0f0; }
code { font-family: Consolas, Courier New, monospace; background: #f4f4f4; padding: 0 .2em; }
img { max-width: 100%; border: 1px solid #e0e0e0; }
"""


def main(argv):
    if len(argv) != 3:
        sys.exit("usage: guide_html.py GUIDE.md OUT.html")
    with open(argv[1], encoding="utf-8") as source:
        text = source.read()
    body = markdown.markdown(text, extensions=["tables", "toc"], output_format="html")
    title = "Vexa user guide"
    for line in text.splitlines():
        if line.startswith("# "):
            title = line[2:].strip()
            break
    page = (
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        f"<title>{html.escape(title)}</title>\n<style>{STYLE}</style>\n</head>\n"
        f"<body>\n{body}\n</body>\n</html>\n"
    )
    with open(argv[2], "w", encoding="utf-8", newline="\n") as out:
        out.write(page)


if __name__ == "__main__":
    main(sys.argv)
