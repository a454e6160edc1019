# Makes the manual page vantril(1) from the parts of README.md marked
#   <!-- man: SECTION -->  ...  <!-- man end -->
# so that the page and the README say the same, in the same words. Knows the
# little Markdown those parts use: paragraphs, bullets, two-column tables
# (each row a tagged paragraph; header rows dropped), code blocks, `code`,
# **bold**, *italic* and [links](...).
# Usage: awk -v version=1.0.0 -v date=2026-12-06 -f manpage.awk README.md

function roff(text,   code) {
    gsub(/\\/, "\\e", text)
    sub(/^[ \t]+/, "", text)
    while (match(text, /`[^`]*`/)) {
        code = substr(text, RSTART + 1, RLENGTH - 2)
        gsub(/-/, "\\-", code)
        gsub(/\*/, "\\(**", code)
        text = substr(text, 1, RSTART - 1) "\\fB" code "\\fR" substr(text, RSTART + RLENGTH)
    }
    while (match(text, /\*\*[^*]+\*\*/))
        text = substr(text, 1, RSTART - 1) "\\fB" substr(text, RSTART + 2, RLENGTH - 4) "\\fR" substr(text, RSTART + RLENGTH)
    while (match(text, /\*[^*]+\*/))
        text = substr(text, 1, RSTART - 1) "\\fI" substr(text, RSTART + 1, RLENGTH - 2) "\\fR" substr(text, RSTART + RLENGTH)
    while (match(text, /\[[^]]*\]\([^)]*\)/)) {
        link = substr(text, RSTART + 1, RLENGTH - 1)
        text = substr(text, 1, RSTART - 1) substr(link, 1, index(link, "]") - 1) substr(text, RSTART + RLENGTH)
    }
    if (text ~ /^[.']/) text = "\\&" text
    return text
}

function cell(text) { gsub(/^[ \t]+|[ \t]+$/, "", text); return roff(text) }

BEGIN {
    print ".TH VANTRIL 1 \"" date "\" \"vantril " version "\" \"User Commands\""
    print ".SH NAME"
    print "vantril \\- browse the object catalog of a database"
}

# A table row waits for the next line, which tells whether it was the header.
function flush(   cells) {
    if (pending == "") return
    split(pending, cells, "|")
    print ".TP"
    print cell(cells[2])
    print cell(cells[3])
    pending = ""
    paragraph = 0
}

# Lists: "- " items, and "  - " items nested in the one before, which .RS
# indents under it. A blank line inside a list is decided by the line after
# it: an indented line goes on with the outer item, a bullet starts the next
# item, anything else ends the list.
function unnest() { if (list == 2) print ".RE"; if (list == 2) list = 1 }
function endlist() { unnest(); list = 0 }

/^\| *---/ { pending = ""; next }
{ flush() }
/^\|/ && section != "" { endlist(); pending = $0; next }

/^<!-- man end -->/ { endlist(); section = ""; next }
/^<!-- man: / {
    name = $0
    sub(/^<!-- man: /, "", name)
    sub(/ -->.*/, "", name)
    if (name != current) print ".SH " name
    current = name
    section = name
    paragraph = 1
    next
}
section == "" { next }

/^```/ { if (!code) endlist(); code = !code; print (code ? (paragraph ? ".nf" : ".PP\n.nf") : ".fi"); paragraph = 0; next }
code { gsub(/\\/, "\\e"); if ($0 ~ /^[.']/) $0 = "\\&" $0; print; next }

/^[ \t]*$/ { if (list) blank = 1; else if (!paragraph) print ".PP"; paragraph = 1; next }
/^  +- / {
    if (list != 2) print ".RS"
    list = 2; blank = 0
    sub(/^ +- /, ""); print ".IP \\(bu 2"; print roff($0); paragraph = 0; next
}
/^- / { unnest(); list = 1; blank = 0; sub(/^- /, ""); print ".IP \\(bu 2"; print roff($0); paragraph = 0; next }
blank && /^  / { unnest(); print ".IP"; blank = 0 }
blank { endlist(); print ".PP"; blank = 0 }
!/^ / && !paragraph && list { endlist(); print ".PP" }
{ print roff($0); paragraph = 0 }
