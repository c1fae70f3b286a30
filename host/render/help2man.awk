# Turns `dravo-render --help` into a manual page (roff): the usage lines are
# the synopsis, plain paragraphs the description, a line followed by option
# lines a subsection, and each option a tagged paragraph. VERSION is passed
# in with -v.

function esc(s) {
    gsub(/\\/, "\\e", s)
    gsub(/-/, "\\-", s)
    if (s ~ /^[.']/) s = "\\&" s
    return s
}

function flush() {
    if (para != "") print esc(para)
    para = ""
}

BEGIN {
    print ".TH DRAVO-RENDER 1 \"\" \"dravo-render " VERSION "\" \"User Commands\""
    print ".SH NAME"
    print "dravo-render \\- render audio files through a VST 2.x plug-in, plot its response, time it"
}

{ lines[NR] = $0 }

END {
    section = ""
    for (i = 1; i <= NR; i++) {
        line = lines[i]
        if (line ~ /^usage: /) {
            print ".SH SYNOPSIS"
            sub(/^usage: /, "", line)
            print esc(line)
            continue
        }
        if (line ~ /^       dravo-render /) {
            sub(/^ +/, "", line)
            print ".br"
            print esc(line)
            continue
        }
        if (line == "") {
            flush()
            continue
        }
        if (line ~ /^exit codes: /) {
            flush()
            print ".SH EXIT STATUS"
            sub(/^exit codes: /, "", line)
            para = line
            continue
        }
        if (line ~ /^  -/) {
            flush()
            opt = line
            sub(/^  /, "", opt)
            text = ""
            if (match(opt, /   +/)) {
                text = substr(opt, RSTART + RLENGTH)
                opt = substr(opt, 1, RSTART - 1)
            }
            while (i < NR && lines[i + 1] ~ /^                         [^ ]/) {
                more = lines[++i]
                sub(/^ +/, "", more)
                text = text == "" ? more : text " " more
            }
            print ".TP"
            print "\\fB" esc(opt) "\\fR"
            print esc(text)
            continue
        }
        if (line !~ /^ / && i < NR && lines[i + 1] ~ /^  -/) {
            flush()
            print ".SS " esc(line)
            continue
        }
        if (section == "") {
            print ".SH DESCRIPTION"
            section = "description"
        }
        if (para == "" && section != "") print ".PP"
        para = para == "" ? line : para " " line
    }
    flush()
}
