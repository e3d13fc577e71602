# Writes a gzipped manual page (section 1) from a program's own --help text,
# so the page always lists the options the program really has.
#
#   cmake -DPROGRAM=<exe> -DNAME=<name> -DVERSION=<v> -DOUTPUT=<page.1.gz>
#         -DGZIP=<gzip> [-DOMIT=<regex>] [-DMARKDOWN=<file.md>] -P manpage.cmake
#
# Help lines matching OMIT are left out (a line that only makes sense for the
# user who runs --help). MARKDOWN adds the "## " sections of a Markdown file
# after the help's own: "### " sub-headings, paragraphs, "- " items and
# fenced code blocks, which are set as they are (keep them within 71 columns).
#
# The help text is read as: "Usage: <program> <rest>" (the synopsis), the
# description up to the first heading, then headings (a line ending in ':' at
# the left margin, such as "Options:") each followed by items indented by two
# blanks, "<term>  <text>" (or "-option text" when a long option leaves one
# blank), with deeper-indented continuation lines. Paragraphs
# after the headings go into a NOTES section.

cmake_policy(SET CMP0007 NEW)  # the help's empty lines are paragraph breaks

foreach(_var PROGRAM NAME VERSION OUTPUT GZIP)
  if(NOT DEFINED ${_var})
    message(FATAL_ERROR "manpage.cmake: ${_var} is not set")
  endif()
endforeach()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          ${PROGRAM} --help
  OUTPUT_VARIABLE _help
  RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR _help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help failed (${_rc})")
endif()

# Roff escapes; the list separator and brackets are kept out of CMake's way.
function(_roff out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "^([.'])" "\\\\&\\1" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
function(_roff_term out text)
  _roff(text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(REPLACE ";" "@SEMI@" _help "${_help}")
string(REPLACE "[" "@LB@" _help "${_help}")
string(REPLACE "]" "@RB@" _help "${_help}")
string(REPLACE "\n" ";" _lines "${_help}")
if(DEFINED OMIT AND NOT OMIT STREQUAL "")
  list(FILTER _lines EXCLUDE REGEX "${OMIT}")
endif()

string(TOUPPER "${NAME}" _title)
set(_synopsis "")
set(_description "")
set(_sections "")
set(_notes "")
set(_state description)   # description, section, notes
set(_summary "")
foreach(_line IN LISTS _lines)
  if(_line MATCHES "^Usage: [^ ]+ ?(.*)$")
    _roff(_rest "${CMAKE_MATCH_1}")
    string(APPEND _synopsis ".B ${NAME}\n${_rest}\n")
  elseif(_line STREQUAL "")
    if(_state STREQUAL "section")
      set(_state notes)
    endif()
    if(_state STREQUAL "description" AND NOT _description STREQUAL "")
      string(APPEND _description ".PP\n")
    elseif(_state STREQUAL "notes" AND NOT _notes STREQUAL "")
      string(APPEND _notes ".PP\n")
    endif()
  elseif(_line MATCHES "^([A-Za-z][A-Za-z ]*):$")
    string(TOUPPER "${CMAKE_MATCH_1}" _heading)
    string(APPEND _sections ".SH ${_heading}\n")
    set(_state section)
  elseif(_state STREQUAL "section" AND _line MATCHES "^  ([^ ]|[^ ].*[^ ])  +([^ ].*)$")
    _roff_term(_term "${CMAKE_MATCH_1}")
    _roff(_text "${CMAKE_MATCH_2}")
    string(APPEND _sections ".TP\n.B ${_term}\n${_text}\n")
  elseif(_state STREQUAL "section" AND _line MATCHES "^  (-[^ ]+) ([a-z].*)$")
    _roff_term(_term "${CMAKE_MATCH_1}")
    _roff(_text "${CMAKE_MATCH_2}")
    string(APPEND _sections ".TP\n.B ${_term}\n${_text}\n")
  elseif(_state STREQUAL "section" AND _line MATCHES "^  ([^ ].*)$")
    _roff_term(_term "${CMAKE_MATCH_1}")
    string(APPEND _sections ".TP\n.B ${_term}\n")
  elseif(_state STREQUAL "section")
    string(STRIP "${_line}" _line)
    _roff(_text "${_line}")
    string(APPEND _sections "${_text}\n")
  else()
    string(STRIP "${_line}" _line)
    _roff(_text "${_line}")
    if(_state STREQUAL "notes")
      string(APPEND _notes "${_text}\n")
      set(_state notes)
    else()
      if(_summary STREQUAL "")
        # The first sentence of the description is the one-line summary.
        string(REGEX REPLACE "[.:].*$" "" _summary "${_line}")
      endif()
      string(APPEND _description "${_text}\n")
    endif()
  endif()
endforeach()

# Markdown sections: plain roff, no inline markup beyond `code` (set bold).
set(_extra "")
if(DEFINED MARKDOWN AND NOT MARKDOWN STREQUAL "")
  file(READ "${MARKDOWN}" _md)
  string(REPLACE ";" "@SEMI@" _md "${_md}")
  string(REPLACE "[" "@LB@" _md "${_md}")
  string(REPLACE "]" "@RB@" _md "${_md}")
  string(REPLACE "\n" ";" _md_lines "${_md}")
  set(_md_state skip)   # skip (before the first "## "), text, code
  foreach(_line IN LISTS _md_lines)
    if(_md_state STREQUAL "code")
      if(_line MATCHES "^```")
        string(APPEND _extra ".fi\n.RE\n")
        set(_md_state text)
      else()
        _roff(_text "${_line}")
        string(APPEND _extra "${_text}\n")
      endif()
    elseif(_line MATCHES "^## (.*)$")
      string(TOUPPER "${CMAKE_MATCH_1}" _heading)
      string(APPEND _extra ".SH ${_heading}\n")
      set(_md_state text)
    elseif(_md_state STREQUAL "skip")
    elseif(_line MATCHES "^### (.*)$")
      string(APPEND _extra ".SS ${CMAKE_MATCH_1}\n")
    elseif(_line MATCHES "^```")
      string(APPEND _extra ".PP\n.RS 2\n.nf\n")
      set(_md_state code)
    elseif(_line STREQUAL "")
      string(APPEND _extra ".PP\n")
    else()
      set(_item "")
      if(_line MATCHES "^- (.*)$")
        set(_item ".IP \\(bu 2\n")
        set(_line "${CMAKE_MATCH_1}")
      endif()
      _roff(_text "${_line}")
      string(REGEX REPLACE "`([^`]*)`" "\\\\fB\\1\\\\fR" _text "${_text}")
      string(APPEND _extra "${_item}${_text}\n")
    endif()
  endforeach()
  string(REGEX REPLACE "(\\.PP\n)+" ".PP\n" _extra "${_extra}")
  string(REGEX REPLACE "\\.PP\n(\\.S[HS]|\\.IP|\\.PP)" "\\1" _extra "${_extra}")
endif()

# No hyphenation and a ragged right margin: paths and options stay whole.
set(_page ".TH ${_title} 1 \"\" \"${NAME} ${VERSION}\" \"User Commands\"\n.nh\n.ad l\n")
string(APPEND _page ".SH NAME\n${NAME} \\- ${_summary}\n")
string(APPEND _page ".SH SYNOPSIS\n${_synopsis}")
string(APPEND _page ".SH DESCRIPTION\n${_description}")
string(APPEND _page "${_sections}")
if(NOT _notes STREQUAL "")
  string(APPEND _page ".SH NOTES\n${_notes}")
endif()
string(APPEND _page "${_extra}")
string(REGEX REPLACE "\\.PP\n(\\.SH|$)" "\\1" _page "${_page}")
string(REPLACE "@SEMI@" ";" _page "${_page}")
string(REPLACE "@LB@" "[" _page "${_page}")
string(REPLACE "@RB@" "]" _page "${_page}")

get_filename_component(_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${_dir}")
string(REGEX REPLACE "\\.gz$" "" _roff_file "${OUTPUT}")
file(WRITE "${_roff_file}" "${_page}")
execute_process(COMMAND ${GZIP} -9 -n -f "${_roff_file}" RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "gzip of ${_roff_file} failed")
endif()
