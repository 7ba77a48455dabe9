// The interactive page's own files (viewer/html/), embedded into the program when it is
// built; the definitions are generated from those files by viewer/html/embed.cmake.
#pragma once

#include <string_view>

// page.html: the document, with @TITLE@, @SCRIPT_HASH@, @STYLE@, @DATA@ and @SCRIPT@ marking
// where the writer puts the title, the script's content hash, the style sheet, the data and
// the script.
std::string_view pageTemplate();
std::string_view pageStyle();
std::string_view pageScript();
// The SHA-256 of pageScript() as 64 lowercase hexadecimal digits.
std::string_view pageScriptSha256();
// The script of a page that carries the file's own data about its vertices: pageScript()'s
// files with those that read and show that data; and its SHA-256.
std::string_view pageFileScript();
std::string_view pageFileScriptSha256();
