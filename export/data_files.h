// What a run found, as data files (-export): three CSV tables (the vertices, the
// communities, the links between communities), the graph as GEXF, and a JSON summary.
//
// Tables: RFC 4180, a header row, a field quoted when it holds a comma or a quote (quotes
// doubled), UTF-8; labels cleaned as every writer cleans them (appendCleanText), so they
// hold no line break. Numbers are the program's own: degree counts repeated edges once and
// a self-loop 1, e_ii and a_ij are adjacency entries (an edge inside a community counts 2),
// positions and sizes are the vertex scene's, colours "#rrggbb".
//   STEM_vertices.csv     Id,Label,community,shell,coreness,degree,x,y,size,color,file_id,
//                         strength,member_rank and then the file's vertex attributes (named
//                         as in the file, "attr_" before a name a fixed column has)
//                         one row per vertex, ascending id; community is the running number
//                         of the communities log (1 to C); member_rank the vertex's place
//                         among its community's members in its detector's order. A vertex
//                         the file declares without an edge has a row too: degree, shell
//                         and coreness 0, community, x, y, size, color, member_rank empty.
//   STEM_communities.csv  community,size,e_ii,a_ij,degree_sum,max_shell,x,y,radius,color,
//                         strength_sum
//   STEM_links.csv        Source,Target,Weight,weight_sum,source_rank,target_rank: one row
//                         per pair of adjacent communities, Source < Target, Weight the
//                         edges between them, the ranks where Source lists Target among its
//                         links and Target lists Source (the order the community scene
//                         draws them in); and a row Source = Target (ranks equal, weight_sum
//                         the count) for a community that keeps a link to itself, as greedy
//                         agglomeration does for one started from a vertex with a self-loop
// Strengths and weight sums are the file's weights with -weighted, the counts without.
// GEXF 1.2draft with the viz module: every vertex with its label, position and size (the
// vertex scene's, scaled so that the picture spans about 1,000 units), colour and the
// attributes community, shell, coreness, degree and file_id, then the file's own; every edge
// of the graph once (with its weight under -weighted); the declared vertices without an edge
// too, without a position.
// STEM_summary.json: one object with the run's counts, the modularity, the options and the
// stage times (RunSummary).
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/results.h"
#include "export/text_output.h"
#include "graph/output_file.h"

// The writers on streams; each writes through a few-megabyte buffer, so memory does not grow
// with the output. Time O(V + E) for the GEXF file, O(V) or less for the others.
void writeVertexTable(const RunResults& results, std::ostream& out);
void writeCommunityTable(const RunResults& results, std::ostream& out);
void writeLinkTable(const RunResults& results, std::ostream& out);
void writeGexf(const RunResults& results, std::ostream& out);

// The column names the file's attributes get in the vertices table.
std::vector<std::string> attributeColumnNames(const AttributeTable& attributes);

// What the summary tells besides the results.
struct RunSummary {
    std::string input;
    // The partition file's name; empty when the partition was detected.
    std::string partition;
    std::size_t unassigned = 0;
    std::size_t unknownIds = 0;
    // Vertices the input declares without any edge (not vertices of the graph).
    std::uint64_t isolatedDeclared = 0;
    // The effective options, in order: each name with its value as JSON text (jsonString,
    // jsonNumber, or a literal such as true, false, null).
    std::vector<std::pair<std::string, std::string>> options;
    // Wall seconds of the run's stages.
    struct Seconds {
        double read = 0;
        double cores = 0;
        double communities = 0;
        double layout = 0;
        double scenes = 0;
        double exported = 0;
    } seconds;
};

std::string jsonString(std::string_view text);
std::string jsonNumber(double value);

// The modularity (analysis/modularity.h, resolution 1) of the results' partition over its
// graph: Q = Σ over the communities of [e_ii / A − (degree_sum / A)²]; every community keeps
// its −(degree_sum / A)² term. 0 without adjacency entries. With the results' weights, the
// weighted modularity (e_ii, degree_sum and A summing weights).
double modularity(const RunResults& results);

// The summary object: input, vertices (the declared ones without an edge included), edges
// (distinct, not loops), self_loops, repeated_edge_lines, communities, modularity (weighted
// with weights, and then modularity_unweighted beside it and weighted_detection, whether the
// detector used them), weighted, largest_community, max_coreness, max_shell,
// labels_drawn and labels_asked (null without labels), partition ("detected" or the file's
// name), unassigned, unknown_ids, isolated_declared, options, version and seconds (read, cores,
// communities, layout, scenes, export).
void writeSummary(const RunResults& results, const RunSummary& summary, std::ostream& out);

// "\tN vertices, M edges, C communities, Q = 0.xxxx, largest core K\n" ("1 community" for one).
std::string summaryLine(const RunResults& results);

// Which files -export asks for.
struct ExportFormats {
    bool csv = false;
    bool gexf = false;
    bool any() const { return csv || gexf; }
};

// The files of one run's export, named from the scene stem, written as a set: each in full
// under a temporary name, then all renamed together (commit); a failure or an exception
// before commit leaves none of them and keeps earlier files of those names. Errors: Fatal
// "ERROR: Export file NAME cannot be written\n".
class ExportFiles {
  public:
    // temporaries, when given, lists the files while they are written (see FileSet).
    ExportFiles(std::string stem, ExportFormats formats, TemporaryFiles* temporaries = nullptr);

    // Every file the export will write, the summary last.
    std::vector<std::string> names() const;
    // The tables and the GEXF file the formats ask for.
    void writeData(const RunResults& results);
    void writeSummary(const RunResults& results, const RunSummary& summary);
    void commit() { files_.commit(); }

  private:
    using Writer = void (*)(const RunResults&, std::ostream&);
    std::vector<std::pair<std::string, Writer>> dataFiles() const;

    std::string stem_;
    ExportFormats formats_;
    FileSet files_;
};
