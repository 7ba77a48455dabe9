// Hostile network files for the readers the libraries run (GraphML, GEXF, GML, Pajek, NCOL)
// and for detection, through a whole run: small compressed files that used to make a parser
// run for minutes or hours (entity expansion, long tokens, an attribute look-up per
// declaration) now end in one "ERROR:" line at once, and the files that look odd but are fine
// (long lines of short tokens, byte order marks, long preambles, wide headers) are read. The
// inputs are generated here, the large ones gzipped as they are written.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstddef>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using e2e::RunDir;

// The hostile-input tests' timeout: a parser gone quadratic shows as status -1.
constexpr int kTimeout = 120;

const std::string kBuilding = "\tBuilding graph...\n";

// A file made of a head, `count` pieces and a tail; gzipped when its name ends in ".gz".
struct Input {
    std::string name;
    std::string head;
    std::function<std::string(std::size_t)> piece;
    std::size_t count = 0;
    std::string tail;

    void write(const RunDir& dir) const {
        const bool packed = name.ends_with(".gz");
        gzFile out = gzopen((dir / name).c_str(), packed ? "wb6" : "wbT");
        std::string block = head;
        for (std::size_t k = 0; k < count; ++k) {
            block += piece(k);
            if (block.size() >= (std::size_t{1} << 20)) {
                gzwrite(out, block.data(), static_cast<unsigned>(block.size()));
                block.clear();
            }
        }
        block += tail;
        gzwrite(out, block.data(), static_cast<unsigned>(block.size()));
        gzclose(out);
    }
};

// The same bytes every time.
std::function<std::string(std::size_t)> same(const std::string& text) {
    return [text](std::size_t) { return text; };
}

struct Refused {
    const char* what;
    Input input;
    std::vector<std::string> options;
    std::string error;  // after "ERROR: "
};

void expectRefused(const std::vector<Refused>& cases) {
    for (const Refused& c : cases) {
        RunDir dir;
        c.input.write(dir);
        std::vector<std::string> args = {"-input", c.input.name, "-nographic"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const e2e::Result r = dir.run(args, {}, kTimeout);
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.out, kBuilding + "ERROR: " + c.error + "\n") << c.what;
        EXPECT_EQ(r.err, "") << c.what;
        std::set<std::string> files = e2e::logFiles();
        files.insert(c.input.name);
        EXPECT_EQ(dir.files(), files) << c.what;
    }
}

// Sums of the communities log's sizes and degree sums: the vertices and twice the edges.
std::pair<long, long> totals(const std::string& log) {
    std::istringstream lines(log);
    std::string line;
    std::getline(lines, line);
    long vertices = 0, degrees = 0, number, size, inner, outer, degreeSum;
    while (lines >> number >> size >> inner >> outer >> degreeSum) {
        vertices += size;
        degrees += degreeSum;
    }
    return {vertices, degrees};
}

struct Accepted {
    const char* what;
    Input input;
    std::vector<std::string> options;
    std::pair<long, long> totals;  // vertices in the graph and twice its edges
};

void expectRead(const std::vector<Accepted>& cases, int timeout = kTimeout) {
    for (const Accepted& c : cases) {
        RunDir dir;
        c.input.write(dir);
        std::vector<std::string> args = {"-input", c.input.name, "-nographic"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const e2e::Result r = dir.run(args, {}, timeout);
        EXPECT_EQ(r.status, 0) << c.what << "\n" << r.out;
        EXPECT_TRUE(r.out.ends_with("Done!\n")) << c.what;
        EXPECT_EQ(r.err, "") << c.what;
        if (r.status == 0) {
            EXPECT_EQ(totals(dir.read("log/communities.log")), c.totals) << c.what;
        }
    }
}

const std::string kXml = "<?xml version=\"1.0\"?>\n";
const std::string kGexfEnd =
    "<node id=\"b\"/></nodes><edges><edge source=\"a\" target=\"b\"/></edges></graph></gexf>\n";
const std::string kGraphmlKey =
    "<graphml><key id=\"l\" for=\"node\" attr.name=\"label\" attr.type=\"string\"/><graph>\n";
const std::string kGraphmlEnd =
    "<node id=\"b\"/><edge source=\"a\" target=\"b\"/></graph></graphml>\n";

std::string entity(const std::string& root, std::size_t bytes) {
    return kXml + "<!DOCTYPE " + root + " [<!ENTITY e \"" + std::string(bytes, 'x') + "\">]>\n";
}

TEST(HostileReaders, EntityReferencesCannotMultiplyWork) {
    std::string laughs = kXml + "<!DOCTYPE graphml [<!ENTITY l0 \"ha\">\n";
    for (int k = 1; k <= 40; ++k)
        laughs += "<!ENTITY l" + std::to_string(k) + " \"&l" + std::to_string(k - 1) + ";&l" +
                  std::to_string(k - 1) + ";\">\n";
    const std::string bound =
        "entity references expand to more than 8 times the input read (8 MiB at least, 256 MiB "
        "at most)";
    expectRefused({
        // A few hundred bytes gzipped; libxml2 concatenated the label for hours.
        {"GEXF label of 100,000 uses of a 30 kB entity",
         {"bomb.gexf.gz", entity("gexf", 30000) + "<gexf><graph><nodes><node id=\"a\" label=\"",
          same("&e;"), 100000, "\"/>" + kGexfEnd},
         {},
         "bomb.gexf.gz:3: attribute value longer than 1 MiB"},
        {"GraphML data of 100,000 uses of a 30 kB entity",
         {"bomb.graphml.gz",
          entity("graphml", 30000) + kGraphmlKey + "<node id=\"a\"><data key=\"l\">", same("&e;"),
          100000, "</data></node>" + kGraphmlEnd},
         {},
         "bomb.graphml.gz:4: text longer than 64 KiB"},
        // Each label stays under the token cap; together they pass the bound at the tenth.
        {"GEXF nodes labelled with 30 uses of a 30 kB entity each",
         {"many.gexf.gz", entity("gexf", 30000) + "<gexf><graph><nodes>\n",
          [](std::size_t k) {
              std::string node = "<node id=\"n" + std::to_string(k) + "\" label=\"";
              for (int use = 0; use < 30; ++use) node += "&e;";
              return node + "\"/>\n";
          },
          1000, "<node id=\"a\"/>" + kGexfEnd},
         {},
         "many.gexf.gz:13: " + bound},
        {"GraphML entities doubling forty times",
         {"laughs.graphml", laughs + "]>\n" + kGraphmlKey + "<node id=\"a\"><data key=\"l\">&l40;",
          same(""), 0, "</data></node>" + kGraphmlEnd},
         {},
         "laughs.graphml:45: entity 'l40' expands to more than 8 times the input read"},
        {"GEXF external entity",
         {"file.gexf",
          kXml + "<!DOCTYPE gexf [<!ENTITY x SYSTEM \"/etc/passwd\">]>\n<gexf><graph><nodes>"
                 "<node id=\"a\" label=\"\"><p>&x;</p></node>",
          same(""), 0, kGexfEnd},
         {},
         "file.gexf:3: external entity 'x' is not read"},
        {"GraphML parameter entity",
         {"pe.graphml", kXml + "<!DOCTYPE graphml [<!ENTITY % p SYSTEM \"/dev/zero\">\n%p;]>\n",
          same(""), 0, kGraphmlKey + "<node id=\"a\"/>" + kGraphmlEnd},
         {},
         "pe.graphml:3: parameter entity references are not read"},
    });
    // Entities used within the bounds are read, expanded.
    RunDir dir;
    dir.write("who.gexf", kXml +
                              "<!DOCTYPE gexf [<!ENTITY who \"Ann\">]>\n<gexf><graph><nodes>"
                              "<node id=\"a\" label=\"&who; &amp; co\"/>" +
                              kGexfEnd);
    const e2e::Result r =
        dir.run({"-input", "who.gexf", "-nographic", "-render", "svg"}, {}, kTimeout);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(dir.read("who_col_b_800x600_1.svg").find(">Ann &amp; co</text>"), std::string::npos);
}

TEST(HostileReaders, LongTokensNeverReachIgraph) {
    std::string attributes = "<graphml><graph><node id=\"a\"";
    for (int k = 0; k < 100; ++k)
        attributes += " a" + std::to_string(k) + "=\"" + std::string(60000, 'v') + "\"";
    expectRefused({
        {"GML label of 20 MB",
         {"label.gml.gz", "graph [ node [ id 0 label \"", same(std::string(1000, 'x')), 20000,
          "\" ] node [ id 1 ] edge [ source 0 target 1 ] ]\n"},
         {},
         "label.gml.gz:1: quoted string longer than 64 KiB"},
        {"GraphML data of 20 MB",
         {"data.graphml.gz", kGraphmlKey + "<node id=\"a\"><data key=\"l\">",
          same(std::string(1000, 'x')), 20000, "</data></node>" + kGraphmlEnd},
         {},
         "data.graphml.gz:2: text longer than 64 KiB"},
        {"GraphML data in 100,000 pieces between children",
         {"pieces.graphml.gz", kGraphmlKey + "<node id=\"a\"><data key=\"l\">\n", same("<y/>a"),
          100000, "</data></node>" + kGraphmlEnd},
         {},
         "pieces.graphml.gz:3: text longer than 64 KiB"},
        {"Pajek name of 4 MB",
         {"name.net.gz", "*Vertices 2\n1 \"", same(std::string(1000, 'x')), 4000,
          "\"\n2 \"b\"\n*Edges\n1 2\n"},
         {},
         "name.net.gz:2: quoted string longer than 64 KiB"},
        {"Pajek run of a million blanks",
         {"blanks.net.gz", "*Vertices 2\n*Edges\n1", same(std::string(1000, ' ')), 1000, "2\n"},
         {},
         "blanks.net.gz:3: run of blanks longer than 64 KiB"},
        {"NCOL name of 4 MB",
         {"name.ncol.gz", "a b\n", same(std::string(1000, 'x')), 4000, " b\n"},
         {"-format", "ncol"},
         "name.ncol.gz:2: word longer than 64 KiB"},
        {"GML comment of 1 MB",
         {"comment.gml.gz", "#", same(std::string(1000, 'c')), 1000,
          "\ngraph [ node [ id 0 ] node [ id 1 ] edge [ source 0 target 1 ] ]\n"},
         {},
         "comment.gml.gz:1: comment longer than 64 KiB"},
        {"GEXF element with 100,000 attributes",
         {"attributes.gexf.gz", "<gexf><graph><nodes>\n<node id=\"a\"",
          [](std::size_t k) { return " a" + std::to_string(k) + "=\"\""; }, 100000,
          "/>" + kGexfEnd},
         {},
         "attributes.gexf.gz:2: element with more than 256 attributes"},
        {"GraphML tag of 6 MB",
         {"tag.graphml", attributes, same(""), 0, "/>" + kGraphmlEnd},
         {},
         "tag.graphml:1: tag longer than 4 MiB"},
        {"GraphML in UTF-7",
         {"utf7.graphml", "<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n+ADw-graphml+AD4-", same(""),
          0, ""},
         {"-format", "graphml"},
         "utf7.graphml:1: encoding 'UTF-7' is not read: UTF-8 or an encoding that keeps ASCII"},
    });
    // Tokens up to the cap, and long lines of short tokens, are read.
    const auto nodes = [](const std::string& format) {
        return [format](std::size_t k) {
            const std::string id = std::to_string(k);
            return format == "gml" ? " node [ id " + id + " ] edge [ source " + id + " target " +
                                         std::to_string(k + 1) + " ]"
                   : format == "graphml" ? "<node id=\"" + id + "\"/><edge source=\"" + id +
                                               "\" target=\"" + std::to_string(k + 1) + "\"/>"
                                         : " " + std::to_string(k + 2);
        };
    };
    expectRead({
        {"GML label of 64 KiB",
         {"cap.gml", "graph [ node [ id 0 label \"" + std::string(65534, 'x') + "\" ]", same(""), 0,
          " node [ id 1 ] edge [ source 0 target 1 ] ]\n"},
         {},
         {2, 2}},
        {"GML of 100,000 nodes on one line",
         {"line.gml.gz", "graph [", nodes("gml"), 100000, " node [ id 100000 ] ]\n"},
         {},
         {100001, 200000}},
        {"GraphML of 100,000 nodes on one line",
         {"line.graphml.gz", "<graphml><graph>", nodes("graphml"), 100000,
          "<node id=\"100000\"/></graph></graphml>\n"},
         {},
         {100001, 200000}},
        {"Pajek edge list of 100,000 targets on one line",
         {"line.net.gz", "*Vertices 100001\n*Edgeslist\n1", nodes("pajek"), 100000, "\n"},
         {},
         {100001, 200000}},
    });
}

// 200,000 declarations titled "name" and 600,000 values that name none of them: searched one
// by one for each value, this took more than a minute; in a hash table it takes a second.
TEST(HostileReaders, GexfAttributeLookUpIsConstantPerValue) {
    Input input{"attributes.gexf.gz", "<gexf><graph><attributes class=\"node\">",
                [](std::size_t k) {
                    return "<attribute id=\"a" + std::to_string(k) + "\" title=\"name\"/>";
                },
                200000, "</attributes><nodes>\n"};
    std::string values;
    for (int k = 0; k < 100; ++k)
        values += "<attvalue for=\"x" + std::to_string(k) + "\" value=\"v\"/>";
    input.tail += "<node id=\"n\"><attvalues>";
    for (int k = 0; k < 6000; ++k) input.tail += values;
    input.tail += "</attvalues></node><node id=\"a\"/>" + kGexfEnd;
    expectRead({{"attribute look-up", input, {}, {2, 2}}}, 30);
}

TEST(HostileReaders, ByteOrderMarksAreSkippedInEveryFormat) {
    const std::string bom = "\xEF\xBB\xBF";
    const auto file = [&](const std::string& name, const std::string& text) {
        return Input{name, bom + text, same(""), 0, ""};
    };
    expectRead({
        {"GML",
         file("g.gml", "graph [ node [ id 0 ] node [ id 1 ] edge [ source 0 target 1 ] ]"),
         {},
         {2, 2}},
        {"Pajek", file("g.net", "*Vertices 2\n*Edges\n1 2\n"), {}, {2, 2}},
        // The mark used to make a third vertex of the first name.
        {"NCOL", file("g.ncol", "a b\nb a\n"), {"-format", "ncol"}, {2, 2}},
        {"GraphML", file("g.graphml", kGraphmlKey + "<node id=\"a\"/>" + kGraphmlEnd), {}, {2, 2}},
        {"GEXF", file("g.gexf", "<gexf><graph><nodes><node id=\"a\"/>" + kGexfEnd), {}, {2, 2}},
        {"CSV", file("g.csv", "source,target\na,b\n"), {}, {2, 2}},
        {"edge list, gzipped", file("g.txt.gz", "0 1\n"), {}, {2, 2}},
    });
}

TEST(HostileReaders, LongPreamblesWideHeadersAndStrayNodesAreRead) {
    const auto wide = [](std::size_t k) {
        std::string field(1, 'c');
        field += std::to_string(k);
        return field + ",";
    };
    expectRead({
        {"GraphML after 300 kB of comments",
         {"prolog.graphml", kXml, same("<!-- " + std::string(1000, 'c') + " -->\n"), 300,
          kGraphmlKey + "<node id=\"a\"/>" + kGraphmlEnd},
         {},
         {2, 2}},
        {"GEXF after a document type of 300 kB",
         {"doctype.gexf", kXml + "<!DOCTYPE gexf [\n",
          same("<!-- " + std::string(1000, 'c') + " -->\n"), 300,
          "]>\n<gexf><graph><nodes><node id=\"a\"/>" + kGexfEnd},
         {},
         {2, 2}},
        {"GML after 300 kB of comment lines",
         {"comments.gml", "", same("# " + std::string(1000, 'c') + "\n"), 300,
          "graph [ node [ id 0 ] node [ id 1 ] edge [ source 0 target 1 ] ]\n"},
         {},
         {2, 2}},
        {"GEXF with a node in <meta> and a second graph",
         {"stray.gexf",
          "<gexf><meta><node id=\"m\"/></meta><graph><nodes><node id=\"a\"/><node id=\"b\"/>"
          "</nodes><edges><edge source=\"a\" target=\"b\"/></edges></graph><graph><nodes>"
          "<node id=\"c\"/><node id=\"d\"/></nodes><edges><edge source=\"c\" target=\"d\"/>"
          "<edge source=\"d\" target=\"e\"/></edges></graph></gexf>\n",
          same(""), 0, ""},
         {},
         {2, 2}},
        {"CSV whose first field is 100 kB",
         {"long.csv", std::string(100000, 'x') + ",source,target\n", same(""), 0, "1,a,b\n"},
         {},
         {2, 2}},
        {"CSV header of 70,000 fields",
         {"wide.csv", "", wide, 70000, "source,target\n" + std::string(70000, ',') + "a,b\n"},
         {},
         {2, 2}},
    });
}

}  // namespace
