// The interactive page of a run: one self-contained HTML file that draws the vertex picture
// and the community picture from the run's results, with search, tooltips, a legend and a
// scripting handle (window.quorvane). The page's script and style are the project's own
// files (viewer/html/), embedded when the program is built; the results go inline as one
// JSON block whose numeric arrays are base64 (format described in html_page.cpp).
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

struct RunResults;
class TemporaryFiles;

// Writes the whole page for results to out; title names the network in the browser's tab
// (the input file's name, say). Time and memory O(V + E + C + L + label bytes), the page
// at most 40 bytes per vertex plus 16 per drawn edge, plus the labels' bytes, plus a fixed
// part of about 60 KiB (the script and style). With the file's data (results.declared) it
// also carries, for every vertex the file declared, its file id where that is not its label
// and its values of the first 8 attributes, each cut at kPageValueBytes (page_file_data.h)
// and about 6 bytes more for its place, the labels of the vertices without an edge, and a
// few KiB more of script. Throws Fatal when the results do not fit their graph (arrays of
// the wrong length, a community or vertex place out of range).
void writeHtmlPage(const RunResults& results, std::string_view title, std::ostream& out);

// Writes the page to fileName. The page is written in full under a temporary name and then
// renamed (FileSet; temporaries, when given, lists it meanwhile), so a failed write leaves
// no half-written page and keeps an earlier file of that name. Throws Fatal("ERROR: Page
// file NAME cannot be written\n") on any failure.
void writeHtmlPage(const RunResults& results, std::string_view title, const std::string& fileName,
                   TemporaryFiles* temporaries = nullptr);
