#include "graph/formats/reading_hints.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "graph/defs.h"
#include "graph/formats/network_reader.h"

namespace {

std::string errorOf(const std::string& bytes, const std::string& name,
                    std::optional<InputFormat> format = std::nullopt) {
    std::istringstream input(bytes);
    Graph graph(true);
    try {
        readNetwork(input, graph, name, {.format = format});
    } catch (const Fatal& error) {
        return error.what();
    }
    return "";
}

// A misread file's error keeps its text whole and says, after it, what the file was read as
// and what reads it; an error past the first record of a file that is an edge list gets none.
TEST(ReadingHints, MisreadFilesSayWhatReadsThem) {
    const std::string formats = "the formats read: edge list, CSV, NCOL, GraphML, GEXF, GML, Pajek";
    const struct {
        const char* what;
        std::string bytes, name;
        std::optional<InputFormat> format;
        std::string error;
    } cases[] = {
        {"names",
         "Myriel\tNapoleon\n",
         "n.txt",
         {},
         "n.txt:1: 'Myriel' is not a valid vertex id (read as an edge list; names? try -format "
         "ncol or -format csv)"},
        {"after comments",
         "# names\n\nMyriel Napoleon\n",
         "n.txt",
         {},
         "n.txt:3: 'Myriel' is not a valid vertex id (read as an edge list; names? try -format "
         "ncol or -format csv)"},
        {"a CSV without its suffix",
         "source,target\na,b\n",
         "e.txt",
         {},
         "e.txt:1: expected 2 or 3 columns, found 1 (read as an edge list; a CSV file? name it "
         ".csv or try -format csv)"},
        {"JSON",
         "{\"nodes\": [], \"links\": []}",
         "g.json",
         {},
         "g.json:1: expected 2 or 3 columns, found 4 (read as an edge list; the file looks like "
         "JSON (node-link data?), which is not read; " +
             formats + ")"},
        {"PNG",
         std::string("\x89PNG\r\n\x1a\n\0\0", 10),
         "i.png",
         {},
         "i.png:1: expected 2 or 3 columns, found 1 (read as an edge list; the file looks like a "
         "PNG image; " +
             formats + ")"},
        {"GraphML given -format gml", "<?xml version=\"1.0\"?>\n<graphml><graph/></graphml>\n",
         "g.xml", InputFormat::gml,
         "the file looks like GraphML: try -format graphml or leave -format out)"},
        {"an edge list given -format pajek", "1 2\n2 3\n", "e.txt", InputFormat::pajek,
         "(read as Pajek; the file looks like an edge list: try -format edges or leave -format "
         "out)"},
        {"an edge list failing later",
         "1 2\n3 4\nx y\n",
         "e.txt",
         {},
         "e.txt:3: 'x' is not a valid vertex id"},
        {"one number alone", "7\n", "e.txt", {}, "e.txt:1: expected 2 or 3 columns, found 1"},
    };
    for (const auto& c : cases) {
        const std::string error = errorOf(c.bytes, c.name, c.format);
        ASSERT_TRUE(error.starts_with("ERROR: ")) << c.what << ": " << error;
        EXPECT_EQ(error.find('\n'), error.size() - 1) << c.what;
        if (c.format)
            EXPECT_TRUE(error.ends_with(c.error + "\n")) << c.what << ": " << error;
        else
            EXPECT_EQ(error, "ERROR: " + c.error + "\n") << c.what;
    }
}

}  // namespace
