#include "export/data_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/greedy.h"
#include "analysis/modularity.h"
#include "analysis/partition.h"
#include "graph/graph.h"

namespace {

namespace fs = std::filesystem;

template <class Writer>
std::string written(Writer&& writer, const RunResults& results) {
    std::ostringstream out;
    writer(results, out);
    return out.str();
}

//   2 ─ 5      community 1: 2, 5, 9        edge lines: 5 2, 2 9, 9 5, 9 4, 4 4, 5 2
//    \ /       community 2: 4 (with a loop)
//     9 ─ 4⟲
struct TinyRun {
    Graph graph{true};
    RunResults results;

    TinyRun() {
        graph.addEdges({{5, 2}, {2, 9}, {9, 5}, {9, 4}, {4, 4}, {5, 2}});
        graph.addName(2, "Smith, J");
        graph.addName(9, "say \"hi\"\t<b>");
        graph.addName(4, "Zo\xC3\xAB\x01\xFF");
        RunResults& r = results;
        r.graph = &graph;
        // Positions: 5, 2, 9, 4.
        r.community = {0, 0, 0, 1};
        r.shell = {2, 2, 2, 1};
        r.coreness = {2, 2, 2, 1};
        r.x = {1.5f, -0.25f, 0.1f, 30.0f};
        r.y = {0.0f, 2.0f, -1.0f, 40.0f};
        r.radius = {0.5f, 0.25f, 0.75f, 1.0f};
        r.byId = {1, 3, 0, 2};
        r.strength = {2, 2, 3, 2};
        r.memberRank = {0, 1, 2, 0};
        RunResults::Community a{3, 6, 1, 7, 2, 0.0f, 0.5f, 2.0f, 1.0f, {1.0f, 0.5f, 0.0f}, 7};
        RunResults::Community b{1, 1, 1, 2, 1, 30.0f, 40.0f, 10.0f, 0.1f, {2.0f, 2.0f, -1.0f}, 2};
        r.communities = {a, b};
        r.links = {{0, 1, 1, 1, 2, 0}};
        r.selfLinks = {{0, 1, 1}, {1, 1, 1}};
    }
};

TEST(DataFiles, TablesOfATinyRunExactly) {
    const TinyRun run;
    EXPECT_EQ(written(writeVertexTable, run.results),
              "Id,Label,community,shell,coreness,degree,x,y,size,color,file_id,strength,"
              "member_rank\n"
              "2,\"Smith, J\",1,2,2,2,-0.25,2,0.25,#ff8000,2,2,1\n"
              "4,Zo\xC3\xAB?,2,1,1,2,30,40,1,#ffff00,4,2,0\n"
              "5,5,1,2,2,2,1.5,0,0.5,#ff8000,5,2,0\n"
              "9,\"say \"\"hi\"\"\t<b>\",1,2,2,3,0.1,-1,0.75,#ff8000,9,3,2\n");
    EXPECT_EQ(written(writeCommunityTable, run.results),
              "community,size,e_ii,a_ij,degree_sum,max_shell,x,y,radius,color,strength_sum\n"
              "1,3,6,1,7,2,0,0.5,2,#ff8000,7\n"
              "2,1,1,1,2,1,30,40,10,#ffff00,2\n");
    // Self links among the pairs, each before its community's later neighbours.
    EXPECT_EQ(written(writeLinkTable, run.results),
              "Source,Target,Weight,weight_sum,source_rank,target_rank\n1,1,1,1,1,1\n"
              "1,2,1,1,2,0\n2,2,1,1,1,1\n");

    // The picture reaches 50 units from the centre (community 2: 40 + 10): scale 10.
    const std::string gexf = written(writeGexf, run.results);
    EXPECT_NE(gexf.find("<node id=\"9\" label=\"say &quot;hi&quot;&#9;&lt;b&gt;\"><attvalues>"
                        "<attvalue for=\"0\" value=\"1\"/><attvalue for=\"1\" value=\"2\"/>"
                        "<attvalue for=\"2\" value=\"2\"/><attvalue for=\"3\" value=\"3\"/>"
                        "<attvalue for=\"4\" value=\"9\"/></attvalues><viz:size "
                        "value=\"7.5\"/><viz:position x=\"1\" y=\"-10\" "
                        "z=\"0\"/><viz:color r=\"255\" g=\"128\" b=\"0\"/></node>\n"),
              std::string::npos)
        << gexf;
    const std::size_t edges = gexf.find("    <edges>\n");
    ASSERT_NE(edges, std::string::npos);
    EXPECT_EQ(gexf.substr(edges),
              "    <edges>\n"
              "      <edge id=\"0\" source=\"2\" target=\"5\"/>\n"
              "      <edge id=\"1\" source=\"2\" target=\"9\"/>\n"
              "      <edge id=\"2\" source=\"4\" target=\"9\"/>\n"
              "      <edge id=\"3\" source=\"4\" target=\"4\"/>\n"
              "      <edge id=\"4\" source=\"5\" target=\"9\"/>\n"
              "    </edges>\n  </graph>\n</gexf>\n");
}

TEST(DataFiles, SummaryCountsAndModularity) {
    TinyRun run;
    // Q = 6/9 − (7/9)² + 1/9 − (2/9)² = 10/81.
    EXPECT_NEAR(modularity(run.results), 10.0 / 81.0, 1e-15);
    EXPECT_EQ(summaryLine(run.results),
              "\t4 vertices, 4 edges, 2 communities, Q = 0.1235, largest core 2\n");
    const std::string json =
        written([](const RunResults& r, std::ostream& out) { writeSummary(r, RunSummary{}, out); },
                run.results);
    EXPECT_NE(json.find("\"vertices\": 4,\n  \"edges\": 4,\n  \"self_loops\": 1,\n"
                        "  \"repeated_edge_lines\": 1,\n  \"communities\": 2,\n"),
              std::string::npos)
        << json;

    // A community without internal edges keeps its −(degree_sum / A)² term: two singletons
    // of one edge.
    Graph edge(true);
    edge.addEdges({{0, 1}});
    RunResults singletons;
    singletons.graph = &edge;
    singletons.community = {0, 1};
    singletons.communities.assign(2, RunResults::Community{});
    EXPECT_EQ(modularity(singletons), -0.5);
    EXPECT_NE(summaryLine(singletons).find("Q = -0.5000,"), std::string::npos);
}

// The export's files appear together or not at all, and an earlier file survives a failure.
TEST(DataFiles, ExportFilesAppearTogetherOrNotAtAll) {
    const TinyRun run;
    const fs::path dir = fs::temp_directory_path() / "quorvane-export-test";
    fs::remove_all(dir);
    fs::create_directories(dir / "net.gexf");  // a directory where the GEXF file would go
    std::ofstream(dir / "net_vertices.csv") << "earlier";
    const std::string stem = (dir / "net").string();
    try {
        ExportFiles files(stem, {true, true});
        files.writeData(run.results);
        ADD_FAILURE() << "no error";
    } catch (const Fatal& error) {
        EXPECT_EQ(error.what(), "ERROR: Export file " + stem + ".gexf cannot be written\n");
    }
    auto listing = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    };
    EXPECT_EQ(listing(), (std::set<std::string>{"net.gexf", "net_vertices.csv"}));
    std::ifstream earlier(dir / "net_vertices.csv");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(earlier), {}), "earlier");

    fs::remove(dir / "net.gexf");
    ExportFiles files(stem, {true, true});
    files.writeData(run.results);
    files.writeSummary(run.results, {});
    // Written, not yet renamed: five temporaries beside the earlier table.
    std::set<std::string> during = listing();
    EXPECT_EQ(during.erase("net_vertices.csv"), 1u);
    EXPECT_EQ(during.size(), 5u);
    for (const std::string& name : during) EXPECT_EQ(name[0], '.') << name;
    files.commit();
    EXPECT_EQ(listing(), (std::set<std::string>{"net_vertices.csv", "net_communities.csv",
                                                "net_links.csv", "net.gexf", "net_summary.json"}));
    EXPECT_EQ(files.names().size(), 5u);
    fs::remove_all(dir);
}

// The summary's Q comes from the communities' counts where they are the adjacency's; bit for
// bit the value a walk over it gives, for both detectors' partitions of graphs with loops
// and repeated lines, kept (where greedy agglomeration's counts are not) or not.
TEST(DataFiles, ModularityFromCountsIsTheAdjacencysBitForBit) {
    std::uint32_t seed = 12345;
    auto next = [&](std::uint32_t bound) {
        return ((seed = seed * 1664525u + 1013904223u) >> 8) % bound;
    };
    for (const bool simple : {true, false}) {
        for (const std::uint32_t n : {2u, 7u, 60u, 400u}) {
            // Mostly inside blocks of 8, some across, some loops, some lines repeated.
            std::vector<Edge> edges;
            for (std::uint32_t k = 0; k < 3 * n; ++k) {
                const std::uint32_t a = next(n);
                const std::uint32_t b = k % 5 == 0 ? a : k % 3 == 0 ? next(n) : a / 8 * 8 + next(8);
                edges.push_back({VertexId(a), VertexId(std::min(b, n - 1))});
                if (k % 7 == 0) edges.push_back(edges.back());
            }
            Graph graph(simple);
            graph.addEdges(std::move(edges));
            const Index groups = std::min<Index>(static_cast<Index>(graph.vertices.size()), 5);
            std::vector<Index> random(graph.vertices.size());
            for (Index v = 0; v < random.size(); ++v) random[v] = v < groups ? v : next(groups);
            for (const Partition& partition :
                 {greedyPartition(graph), partitionFromMembership(graph, random, groups)}) {
                RunResults results;
                results.graph = &graph;
                results.community = partition.communityOf;
                results.communities.resize(partition.count());
                for (Index k = 0; k < partition.count(); ++k) {
                    results.communities[k].internal = partition.internal[k];
                    results.communities[k].degreeSum = partition.degreeSum[k];
                }
                const double walked = modularity(graph, results.community);
                EXPECT_EQ(modularity(results), walked) << simple << " " << n;
                // Counts that do not add up to the graph's entries are not used.
                results.communities[0].degreeSum += 1;
                EXPECT_EQ(modularity(results), walked) << simple << " " << n;
            }
        }
    }
}

}  // namespace
