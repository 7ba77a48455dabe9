# The interactive page's own files go into the library as byte arrays of a generated source,
# remade whenever one of them changes: the document (page.html), the style (page.css) and the
# two scripts, joined from the files below.
#
# Included from the top-level CMakeLists.txt after quorvane_core is defined, it adds that
# source to the library; run as a script (cmake -DOUTPUT=... -P embed.cmake), it writes it,
# and the joined scripts beside it (page.js and page_file.js in the same folder) to be read.

# The script's files, in the order they are joined into the body of one function: the view
# and the rooms it is made of first, each file only defining functions and constants; page.js
# last, as it starts the page once everything is defined.
set(QUORVANE_PAGE_SCRIPTS
    view.js
    data.js
    grid.js
    camera.js
    looks.js
    pixels.js
    draw.js
    communities.js
    labels.js
    pointer.js
    gestures.js
    tooltip.js
    search.js
    legend.js
    api.js
    page.js)
# A page whose results carry the file's own data (file ids, attributes, vertices without an
# edge) runs a second script: the same files with these before page.js, and with the lines of
# the others that call into them, each run of them between a "// file data {" line and a
# "// } file data" line. Every other page's script leaves both out, byte for byte the script
# it had before the file's data came.
set(QUORVANE_PAGE_FILE_SCRIPTS file_data.js)
set(QUORVANE_PAGE_FILES page.html page.css ${QUORVANE_PAGE_SCRIPTS} ${QUORVANE_PAGE_FILE_SCRIPTS})

if(NOT CMAKE_SCRIPT_MODE_FILE)
    set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated/page_assets.cpp)
    set(inputs)
    foreach(name ${QUORVANE_PAGE_FILES})
        list(APPEND inputs ${CMAKE_CURRENT_LIST_DIR}/${name})
    endforeach()
    add_custom_command(
        OUTPUT ${generated}
        COMMAND ${CMAKE_COMMAND} -DOUTPUT=${generated} -P ${CMAKE_CURRENT_LIST_FILE}
        DEPENDS ${inputs} ${CMAKE_CURRENT_LIST_FILE}
        COMMENT "Embedding the interactive page's script and style"
        VERBATIM)
    target_sources(quorvane_core PRIVATE ${generated})
    return()
endif()

get_filename_component(here ${CMAKE_SCRIPT_MODE_FILE} DIRECTORY)
get_filename_component(outputs ${OUTPUT} DIRECTORY)

# Writes file only when its text changes, so an unchanged page rebuilds nothing.
function(write_if_changed file text)
    file(WRITE ${file}.new "${text}")
    file(COPY_FILE ${file}.new ${file} ONLY_IF_DIFFERENT)
    file(REMOVE ${file}.new)
endfunction()

# Text without its runs of file-data lines: each from the line break before a "// file data {"
# line to the end of the next "// } file data" line, so that the text is what it would be
# had they never been written.
function(drop_file_data name text out)
    set(kept "")
    string(FIND "${text}" "// file data {" open)
    while(open GREATER -1)
        string(SUBSTRING "${text}" 0 ${open} head)
        string(FIND "${head}" "\n" line REVERSE)
        string(SUBSTRING "${head}" 0 ${line} head)
        string(SUBSTRING "${text}" ${open} -1 text)
        string(FIND "${text}" "// } file data" close)
        if(close EQUAL -1)
            message(FATAL_ERROR "${name}: a \"// file data {\" line without its \"// } file data\"")
        endif()
        string(SUBSTRING "${text}" ${close} -1 text)
        string(FIND "${text}" "\n" line)
        if(line EQUAL -1)
            set(text "")
        else()
            string(SUBSTRING "${text}" ${line} -1 text)
        endif()
        string(APPEND kept "${head}")
        string(FIND "${text}" "// file data {" open)
    endwhile()
    set(${out} "${kept}${text}" PARENT_SCOPE)
endfunction()

# One function's body, strict, holds every file: the files share its scope, and nothing of
# them reaches the window but what page.js puts there. Whole-line comments stay in the
# sources and out of every page (scripts/js_functions.py makes sure such a line can only be
# a comment); each file is headed by its name instead. The rest is kept byte for byte: quoted
# arguments keep semicolons, brackets and backslashes. with_file_data: the file-data script.
function(join_script file with_file_data)
    set(names ${QUORVANE_PAGE_SCRIPTS})
    if(with_file_data)
        list(INSERT names -1 ${QUORVANE_PAGE_FILE_SCRIPTS})
    endif()
    set(script "// The interactive page's script: viewer/html/*.js joined by embed.cmake.
(function () {
\"use strict\";
")
    foreach(name ${names})
        file(READ ${here}/${name} text)
        if(NOT with_file_data)
            drop_file_data(${name} "${text}" text)
        endif()
        string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" text "\n${text}")
        string(REGEX REPLACE "^\n+" "" text "${text}")
        string(APPEND script "// ${name}\n" "${text}")
    endforeach()
    string(APPEND script "})();\n")
    write_if_changed(${file} "${script}")
endfunction()
join_script(${outputs}/page.js FALSE)
join_script(${outputs}/page_file.js TRUE)

# name: the C++ function; file: the file whose bytes it returns.
function(embed name file)
    file(READ ${file} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n"
           bytes "${bytes}")
    set(source "${source}
namespace {
const unsigned char ${name}Bytes[] = {
${bytes}};
}  // namespace

std::string_view ${name}() {
    return {reinterpret_cast<const char*>(${name}Bytes), sizeof ${name}Bytes};
}
" PARENT_SCOPE)
endfunction()

set(source "// Generated by viewer/html/embed.cmake from viewer/html/; do not edit.
#include \"export/page_assets.h\"
")
embed(pageTemplate ${here}/page.html)
embed(pageStyle ${here}/page.css)
# The script is embedded from the joined file and hashed from it, so the hash the page's
# content security policy names is that of exactly the bytes it embeds.
embed(pageScript ${outputs}/page.js)
embed(pageFileScript ${outputs}/page_file.js)
file(SHA256 ${outputs}/page.js hash)
file(SHA256 ${outputs}/page_file.js file_hash)
set(source "${source}
std::string_view pageScriptSha256() { return \"${hash}\"; }
std::string_view pageFileScriptSha256() { return \"${file_hash}\"; }
")
write_if_changed(${OUTPUT} "${source}")
