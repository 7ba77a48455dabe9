#include "graph/partition_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "analysis/partition.h"
#include "graph/text.h"

namespace {

// The path 1 - 2 - 3 - 4 - 5 - 6.
Graph pathGraph() {
    Graph graph(true);
    graph.addEdges({{1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}});
    return graph;
}

struct Read {
    std::vector<Index> places;  // the community place of ids 1 … 6
    Index communities = 0;
    std::size_t unassigned = 0;
    std::size_t unknownIds = 0;
    std::string error;
};

Read read(const std::string& text) {
    const Graph graph = pathGraph();
    std::istringstream input(text);
    Read result;
    try {
        const Membership membership = readPartition(input, "p.txt", graph);
        for (VertexId id = 1; id <= 6; ++id)
            result.places.push_back(membership.communityOf[graph.vertexMap.find(id)->index]);
        result.communities = membership.communities;
        result.unassigned = membership.unassigned;
        result.unknownIds = membership.unknownIds;
    } catch (const Fatal& error) {
        result.error = error.what();
    }
    return result;
}

TEST(PartitionReader, CommunitiesAndTheirOrder) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<Index> places;
        std::size_t unassigned, unknownIds;
    } cases[] = {
        // Integers compare by value, of any length and sign, and order the communities.
        {"by value", "1 10\n2 9\n3 -3\n4 010\n5 -0\n6 0\n", {3, 2, 0, 3, 1, 1}, 0, 0},
        {"beyond 64 bits",
         "1 99999999999999999999\n2 100000000000000000000\n3 -5\n",
         {1, 2, 0, 3, 4, 5},
         3,
         0},
        // One token that is no integer makes every token a string, ordered by smallest id.
        {"strings", "6 b\n1 a\n2 07\n3 7\n4 b\n5 a\n", {0, 1, 2, 3, 0, 3}, 0, 0},
        {"unlisted last, unknown ids counted once",
         "# a comment\n% another\n4 x\n99 y\n99 y\n2 x\n",
         {1, 0, 2, 0, 3, 4},
         4,
         1},
        {"the same community twice", "1 5\n1 5\n1 005\n2 5\n", {0, 0, 1, 2, 3, 4}, 4, 0},
        {"CR LF, BOM, blanks, no last line break",
         "\xEF\xBB\xBF 1\t a \r\n\r\n2  b",
         {0, 1, 2, 3, 4, 5},
         4,
         0},
        {"empty file", "", {0, 1, 2, 3, 4, 5}, 6, 0},
        // The tool's own vertices table: quoted fields with commas, quotes and line breaks.
        {"CSV",
         "Id,Label,community\r\n1,\"Smith, J\",2\r\n2,\"say \"\"hi\"\"\nthere\",1\r\n\r\n3,"
         "x,2\n",
         {1, 0, 1, 2, 3, 4},
         3,
         0},
        {"CSV header in any case and order, quoted",
         "\"COMMUNITY\",\"id\"\nb,6\na,5\nb,1",
         {0, 2, 3, 4, 1, 0},
         3,
         0},
        {"CSV unknown id", "Id,community\n77,1\n3,1\n", {1, 2, 0, 3, 4, 5}, 5, 1},
        // A comma without the header's names is no CSV.
        {"not a header", "1 a,b\n2 a,b\n", {0, 0, 1, 2, 3, 4}, 4, 0},
    };
    for (const Case& c : cases) {
        const Read r = read(c.text);
        ASSERT_EQ(r.error, "") << c.name;
        EXPECT_EQ(r.places, c.places) << c.name;
        EXPECT_EQ(r.unassigned, c.unassigned) << c.name;
        EXPECT_EQ(r.unknownIds, c.unknownIds) << c.name;
    }
    // "-1" is no vertex id.
    EXPECT_EQ(read("-1 z\n").error, "ERROR: p.txt:1: '-1' is not a valid vertex id\n");
}

TEST(PartitionReader, ErrorsNameTheFileAndThePhysicalLine) {
    const std::string giant(kLongestToken + 1, 'c');
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"1 a\n\n# c\nx a\n", "p.txt:4: 'x' is not a valid vertex id"},
        {"1 a\n2147483648 a\n", "p.txt:2: '2147483648' is not a valid vertex id"},
        {"1 a\n2\n3 b\n", "p.txt:2: expected an id and a community"},
        {"1 a\n2 b c\n", "p.txt:2: expected an id and a community"},
        {"1 a\n2 b\n001 c\n", "p.txt:3: vertex 1 has two communities"},
        // 5 and 05 are one community only while every token is an integer.
        {"1 5\n1 05\n2 x\n", "p.txt:2: vertex 1 has two communities"},
        {"1 " + giant + "\n",
         "p.txt:1: '" + std::string(64, 'c') + "...' is not a valid community"},
        {"Id,Label,community\n1,\"two\nlines\",a\n2,b,a\nx,c,a\n",
         "p.txt:5: 'x' is not a valid vertex id"},
        {"Id,Label,community\n1,a,\n", "p.txt:2: expected an id and a community"},
        {"Id,Label,community\n1,a\n", "p.txt:2: expected an id and a community"},
        {"Id,community\n1,a\n1,b\n", "p.txt:3: vertex 1 has two communities"},
        {"Id,community\n1," + giant + "\n",
         "p.txt:2: '" + std::string(64, 'c') + "...' is not a valid community"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(read(c.text).error, "ERROR: " + c.error + "\n") << c.text.substr(0, 40);

    const Graph graph = pathGraph();
    try {
        readPartitionFile("/nonexistent/partition.txt", graph);
        ADD_FAILURE() << "no error";
    } catch (const Fatal& error) {
        EXPECT_STREQ(error.what(),
                     "ERROR: Partition file /nonexistent/partition.txt cannot be opened\n");
    }
}

// Files far larger than the first look at the header and than a block, in both forms: every
// line counts, whichever block its bytes arrive in.
TEST(PartitionReader, LargeFilesInBothForms) {
    Graph graph(true);
    std::vector<Edge> edges;
    const VertexId count = 300000;
    for (VertexId id = 0; id + 1 < count; ++id) edges.push_back({id, id + 1});
    graph.addEdges(std::move(edges));
    std::string plain, csv = "Id,Label,community\n";
    for (VertexId id = 0; id < count; ++id) {
        const std::string community = std::to_string(id / 1000);
        plain += std::to_string(id) + " " + community + "\n";
        csv += std::to_string(id) + ",\"label, " + std::to_string(id) + "\"," + community + "\n";
    }
    for (const std::string* text : {&plain, &csv}) {
        std::istringstream input(*text);
        const Membership membership = readPartition(input, "big", graph);
        EXPECT_EQ(membership.communities, Index(count / 1000));
        EXPECT_EQ(membership.unassigned, 0u);
        std::size_t wrong = 0;
        for (const Vertex* vertex : graph.vertices)
            wrong += membership.communityOf[vertex->index] != Index(vertex->id / 1000);
        EXPECT_EQ(wrong, 0u);
    }
}

// A network from a file of names: vertices 0 … 3 on a path, file ids a … e and labels
// Alice, Bob, Carol, Carol, Eve; e (Eve) is declared without an edge.
struct NamedFixture {
    Graph graph{true};
    DeclaredVertices declared;
    NamedFixture() {
        graph.addEdges({{0, 1}, {1, 2}, {2, 3}});
        const char* ids[] = {"a", "b", "c", "d", "e"};
        const char* labels[] = {"Alice", "Bob", "Carol", "Carol", "Eve"};
        std::string labelBytes;
        for (const char* id : ids) {
            declared.fileIdBytes += id;
            declared.fileIdEnds.push_back(declared.fileIdBytes.size());
        }
        for (const char* label : labels) {
            labelBytes += label;
            declared.labelEnds.push_back(labelBytes.size());
        }
        declared.labelBytes = graph.keepNames(std::move(labelBytes));
        for (VertexId id = 0; id < 4; ++id)
            graph.setName(id, declared.label(static_cast<std::size_t>(id)));
    }
};

TEST(PartitionReader, NamesByFileIdThenLabelAndTheMembersRank) {
    const struct {
        const char* name;
        std::string text;
        std::vector<Index> places;  // of vertices 0 … 3
        std::size_t unknownIds;
        std::vector<Index> rank;  // empty: no rank column
        std::string error;
    } cases[] = {
        {"file ids", "a x\nb x\nc y\nd y\n", {0, 0, 1, 1}, 0, {}, ""},
        {"labels", "Alice x\nBob y\nb y\n", {0, 1, 2, 3}, 0, {}, ""},
        // The file id wins over a label that reads the same.
        {"declared without an edge, and names of nothing, are unknown",
         "e x\nEve x\nzed x\nzed y\na x\n",
         {0, 1, 2, 3},
         3,
         {},
         ""},
        {"a shared label",
         "a x\nCarol y\n",
         {},
         0,
         {},
         "ERROR: p.txt:2: 'Carol' is the label of more than one vertex\n"},
        {"the tool's table, members ranked, an isolated row skipped",
         "Id,Label,community,member_rank\n0,Alice,1,1\n1,Bob,1,0\n2,Carol,2,0\n3,Carol,2,1\n4,Eve,,"
         "\n",
         {0, 0, 1, 1},
         0,
         {1, 0, 0, 1},
         ""},
        {"a rank that is no number",
         "Id,community,member_rank\n0,1,x\n",
         {},
         0,
         {},
         "ERROR: p.txt:2: 'x' is not a valid member rank\n"},
    };
    for (const auto& c : cases) {
        NamedFixture fixture;
        std::istringstream input(c.text);
        try {
            const Membership membership =
                readPartition(input, "p.txt", fixture.graph, &fixture.declared);
            EXPECT_EQ(c.error, "") << c.name;
            std::vector<Index> places, rank;
            for (VertexId id = 0; id < 4; ++id) {
                const Index position = fixture.graph.vertexMap.find(id)->index;
                places.push_back(membership.communityOf[position]);
                if (!membership.rank.empty()) rank.push_back(membership.rank[position]);
            }
            EXPECT_EQ(places, c.places) << c.name;
            EXPECT_EQ(membership.unknownIds, c.unknownIds) << c.name;
            EXPECT_EQ(rank, c.rank) << c.name;
        } catch (const Fatal& error) {
            EXPECT_EQ(error.what(), c.error) << c.name;
        }
    }
}

// Members come back in their rank's order, not by id, so a table a run wrote lays its
// communities out as that run did.
TEST(PartitionReader, RankedMembersKeepTheirOrder) {
    const Graph graph = pathGraph();
    std::istringstream input("Id,community,member_rank\n1,a,2\n2,a,0\n3,a,1\n4,b,0\n5,b,1\n6,b,\n");
    const Membership read = readPartition(input, "p.txt", graph);
    const Partition partition =
        partitionFromMembership(graph, read.communityOf, read.communities, &read.rank);
    std::vector<VertexId> order;
    for (Index position : partition.members) order.push_back(graph.vertices[position]->id);
    EXPECT_EQ(order, (std::vector<VertexId>{2, 3, 1, 4, 5, 6}));
}

}  // namespace
