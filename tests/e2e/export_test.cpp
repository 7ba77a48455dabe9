// -export and -partition in whole runs: the data files checked by independent readers
// (networkx, Python's csv and XML parsers), partitions from files, and their errors.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using e2e::RunDir;

const char* const kPython = "/usr/bin/python3";

bool pythonHas(const std::string& module) {
    RunDir dir(false);
    return dir.runProgram(kPython, {"-c", "import " + module}).status == 0;
}

// Recomputes in networkx, from the input and the files alone, what the karate tables say:
// degrees, core numbers, the shells inside each community, the communities' sums, the links
// between them, the modularity of the partition, and the GEXF graph. Prints OK or what
// differs.
const char* const kKarateCheck = R"(
import csv, json, sys
import networkx as nx
stem = sys.argv[1]
G = nx.Graph()
for line in open('karate.txt'):
    if line.strip() and line.lstrip()[0] not in '#%':
        u, v = line.split()[:2]
        G.add_edge(int(u), int(v))
def table(name):
    with open(stem + name, newline='', encoding='utf-8') as f:
        return list(csv.DictReader(f))
problems = []
def expect(what, got, wanted):
    if got != wanted:
        problems.append(f'{what}: {got!r} != {wanted!r}')
vertices = table('_vertices.csv')
expect('ids', [int(r['Id']) for r in vertices], sorted(G.nodes()))
core = nx.core_number(G)
parts = {}
for r in vertices:
    v = int(r['Id'])
    expect(f'degree of {v}', int(r['degree']), G.degree(v))
    expect(f'coreness of {v}', int(r['coreness']), core[v])
    parts.setdefault(int(r['community']), set()).add(v)
expect('community numbers', sorted(parts), list(range(1, len(parts) + 1)))
for number, members in parts.items():
    shells = nx.core_number(G.subgraph(members))
    for r in vertices:
        if int(r['Id']) in members:
            expect(f"shell of {r['Id']}", int(r['shell']), shells[int(r['Id'])])
communities = table('_communities.csv')
expect('communities', len(communities), len(parts))
for r in communities:
    members = parts[int(r['community'])]
    inside = G.subgraph(members).number_of_edges()
    degrees = sum(d for _, d in G.degree(members))
    expect(f"community {r['community']}",
           [int(r[k]) for k in ('size', 'e_ii', 'a_ij', 'degree_sum', 'max_shell')],
           [len(members), 2 * inside, degrees - 2 * inside, degrees,
            max(nx.core_number(G.subgraph(members)).values())])
number = {v: c for c, members in parts.items() for v in members}
between = {}
for u, v in G.edges():
    a, b = sorted((number[u], number[v]))
    if a != b:
        between[(a, b)] = between.get((a, b), 0) + 1
expect('links', {(int(r['Source']), int(r['Target'])): int(r['Weight'])
                 for r in table('_links.csv')}, between)
summary = json.load(open(stem + '_summary.json'))
q = nx.community.modularity(G, parts.values())
if abs(summary['modularity'] - q) > 1e-12:
    problems.append(f"modularity {summary['modularity']} != {q}")
expect('summary counts',
       [summary[k] for k in ('vertices', 'edges', 'self_loops', 'repeated_edge_lines',
                             'communities', 'max_coreness', 'largest_community')],
       [G.number_of_nodes(), G.number_of_edges(), 0, 0, len(parts), max(core.values()),
        max(len(m) for m in parts.values())])
H = nx.read_gexf(stem + '.gexf')
expect('GEXF vertices', sorted(int(v) for v in H.nodes()), sorted(G.nodes()))
expect('GEXF edges', sorted(tuple(sorted((int(u), int(v)))) for u, v in H.edges()),
       sorted(tuple(sorted(e)) for e in G.edges()))
for r in vertices:
    node = H.nodes[r['Id']]
    expect(f"GEXF vertex {r['Id']}",
           [node['label'], node['community'], node['shell'], node['coreness'], node['degree']],
           [r['Label'], int(r['community']), int(r['shell']), int(r['coreness']),
            int(r['degree'])])
xs = [H.nodes[v]['viz']['position']['x'] for v in H.nodes()]
ys = [H.nodes[v]['viz']['position']['y'] for v in H.nodes()]
span = max(max(xs) - min(xs), max(ys) - min(ys))
if not 400 <= span <= 1000:
    problems.append(f'GEXF picture spans {span}')
print('\n'.join(problems) if problems else 'OK')
)";

TEST(ExportEndToEnd, KarateTablesAgreeWithNetworkx) {
    if (!pythonHas("networkx")) GTEST_SKIP() << "python3-networkx is not installed";
    RunDir dir;
    dir.copyExample("karate.txt");
    dir.write("check.py", kKarateCheck);
    const e2e::Result r = dir.run({"-input", "karate.txt", "-nographic", "-export", "csv,gexf"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "\tBuilding graph...\n\tFinding communities...\n\tGenerating .pov file...\n"
              "\t34 vertices, 78 edges, 4 communities, Q = 0.3814, largest core 4\nDone!\n");
    EXPECT_EQ(r.err, "");
    const e2e::Result check = dir.runProgram(kPython, {"check.py", "karate_col_b_800x600"});
    EXPECT_EQ(check.out, "OK\n") << check.err;
}

// Labels with a comma, a quote inside a word and non-ASCII letters come back from the CSV
// table and the GEXF file (read by Python's own parsers) as they were given.
TEST(ExportEndToEnd, LabelsRoundTripThroughTheTableAndTheGexf) {
    RunDir dir;
    dir.copyExample("karate.txt");
    dir.write("names.txt",
              "0 \"Smith, John\"\n1 O\"Brien\n2 Zo\xC3\xAB\n3 \xE5\x8C\x97\xE4\xBA\xAC\n");
    dir.write("check.py", R"(
import csv, sys
import xml.etree.ElementTree as ET
with open('out_vertices.csv', newline='', encoding='utf-8') as f:
    table = {r['Id']: r['Label'] for r in csv.DictReader(f)}
ns = {'g': 'http://www.gexf.net/1.2draft'}
nodes = ET.parse('out.gexf').getroot().findall('.//g:node', ns)
gexf = {n.get('id'): n.get('label') for n in nodes}
for labels in (table, gexf):
    print('|'.join(labels[i] for i in ('0', '1', '2', '3', '4')), len(labels))
)");
    const e2e::Result r = dir.run({"-input", "karate.txt", "-names", "names.txt", "-output", "out",
                                   "-nographic", "-export", "gexf,csv"});
    ASSERT_EQ(r.status, 0) << r.out;
    const e2e::Result check = dir.runProgram(kPython, {"check.py"});
    const std::string labels = "Smith, John|O\"Brien|Zo\xC3\xAB|\xE5\x8C\x97\xE4\xBA\xAC|4 34\n";
    EXPECT_EQ(check.out, labels + labels) << check.err;
}

// The summary line follows the labels line and precedes the rendering, with any renderer;
// runs without -export print nothing new (the other end-to-end tests).
TEST(ExportEndToEnd, SummaryLineAndFilesBesideTheScenes) {
    RunDir dir;
    dir.copyExample("karate.txt");
    const e2e::Result r =
        dir.run({"-input", "karate.txt", "-names", "-render", "svg", "-export", "gexf"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "\tBuilding graph...\n\tFinding communities...\n\tGenerating .svg file...\n"
              "\tLabels: 31 of 34 drawn (the others would overlap)\n"
              "\t34 vertices, 78 edges, 4 communities, Q = 0.3814, largest core 4\n"
              "\tRendering image...\nDone!\n");
    std::set<std::string> files = e2e::logFiles();
    const std::string stem = "karate_col_b_800x600_names";
    files.insert({"karate.txt", stem + "_1.svg", stem + "_2.svg", stem + "_1_SVG.png",
                  stem + "_2_SVG.png", stem + ".gexf", stem + "_summary.json"});
    EXPECT_EQ(dir.files(), files);
    const std::string summary = dir.read(stem + "_summary.json");
    EXPECT_NE(summary.find("\"labels_drawn\": 31,\n  \"labels_asked\": 34,\n"), std::string::npos)
        << summary;
    EXPECT_NE(summary.find("\"partition\": \"detected\""), std::string::npos) << summary;
}

//   1 - 2        4 - 5
//    \ /          \ /
//     3 --------- 6        p.txt: 1 and 2 "left", 4 5 6 "right", 3 unlisted, 99 unknown
TEST(PartitionEndToEnd, AHandWrittenPartitionIsDrawnAsGiven) {
    RunDir dir;
    dir.write("net.txt", "1 2\n2 3\n3 1\n3 6\n4 5\n5 6\n6 4\n");
    dir.write("p.txt", "# by hand\n4 right\n5 right\r\n6 right\n99 left\n1 left\n2 left");
    const e2e::Result r = dir.run({"-input", "net.txt", "-partition", "p.txt", "-nographic",
                                   "-export", "csv", "-output", "o"});
    EXPECT_EQ(r.status, 0);
    // Q = (2 + 6) / 14 − (4² + 7² + 3²) / 14².
    EXPECT_EQ(r.out,
              "\tBuilding graph...\n\tFinding communities...\n\tGenerating .pov file...\n"
              "\t6 vertices, 7 edges, 3 communities, Q = 0.1939, largest core 2\nDone!\n");
    EXPECT_EQ(dir.read("log/communities.log"),
              "#Number; Size; e_ii; a_ij; Sum degrees;\n1 2 2 2 4\n2 3 6 1 7\n3 1 0 3 3\n");
    // Links in order of first contact along the members: vertex 3 (community 3) meets
    // community 1 (vertex 1) before community 2 (vertex 6).
    EXPECT_EQ(dir.read("o_links.csv"),
              "Source,Target,Weight,weight_sum,source_rank,target_rank\n1,3,2,2,0,0\n"
              "2,3,1,1,0,1\n");
    const std::string summary = dir.read("o_summary.json");
    EXPECT_NE(summary.find("\"partition\": \"p.txt\",\n  \"unassigned\": 1,\n"
                           "  \"unknown_ids\": 1,"),
              std::string::npos)
        << summary;
}

// The tool's own vertices table, read back, gives the same communities log as the run that
// detected the partition, and the same table of communities.
TEST(PartitionEndToEnd, TheExportedTableComesBackAsTheSamePartition) {
    RunDir dir;
    dir.copyExample("karate.txt");
    const e2e::Result detect =
        dir.run({"-input", "karate.txt", "-nographic", "-export", "csv", "-output", "first"});
    ASSERT_EQ(detect.status, 0);
    const std::string log = dir.read("log/communities.log");
    const e2e::Result again = dir.run({"-input", "karate.txt", "-nographic", "-partition",
                                       "first_vertices.csv", "-export", "csv", "-output", "again"});
    EXPECT_EQ(again.out, detect.out);
    EXPECT_EQ(dir.read("log/communities.log"), log);
}

// The table a run exports lays the communities out again as that run did: the page and the
// vertex scene byte for byte, and with Leiden (whose links come in the order of first contact)
// both scenes. A partition may also name vertices by their labels.
TEST(PartitionEndToEnd, TheExportedTableRedrawsTheRunsPictures) {
    // Triangles tied by single edges, vertices with self-loops, one alone with its loop (its
    // community keeps a link to itself).
    const std::string loops =
        "1 2\n2 3\n3 1\n3 3\n4 5\n5 6\n6 4\n4 4\n3 4\n7 8\n8 9\n9 7\n"
        "9 4\n1 1\n10 10\n";
    const struct {
        std::string input;
        std::vector<std::string> options;
        std::vector<std::string> same;  // files named <output><suffix>
    } cases[] = {
        {"lesmis.graphml", {"-render", "html"}, {".html"}},
        {"lesmis.graphml", {"-render", "svg", "-nographic"}, {"1.svg", "2.svg"}},
        {"lesmis.graphml", {"-render", "povray", "-nographic"}, {"1.pov", "2.pov"}},
        {"lesmis.graphml",
         {"-render", "svg", "-nographic", "-communities", "leiden"},
         {"1.svg", "2.svg"}},
        {"loops.txt", {"-render", "svg", "-nographic"}, {"1.svg", "2.svg"}},
    };
    for (const auto& c : cases) {
        RunDir dir;
        if (c.input == "loops.txt")
            dir.write(c.input, loops);
        else
            std::filesystem::copy_file(e2e::sourceDir() / "tests/data" / c.input, dir / c.input);
        std::vector<std::string> first{"-input", c.input, "-export", "csv", "-output", "a"};
        first.insert(first.end(), c.options.begin(), c.options.end());
        ASSERT_EQ(dir.run(first).status, 0) << c.options[1];
        std::vector<std::string> again{"-input",  c.input, "-partition", "a_vertices.csv",
                                       "-output", "b",     "-render",    c.options[1]};
        if (c.options.size() > 2) again.push_back("-nographic");
        const e2e::Result redrawn = dir.run(again);
        ASSERT_EQ(redrawn.status, 0) << c.options[1];
        EXPECT_EQ(redrawn.out.find("Links:"), std::string::npos) << redrawn.out;
        for (const std::string& suffix : c.same) {
            const std::string drawn = dir.read("a" + suffix);
            EXPECT_FALSE(drawn.empty());
            EXPECT_TRUE(drawn == dir.read("b" + suffix)) << c.input << " " << suffix << " differs";
        }
    }
    // A links table that no longer matches the vertices table (its first row gone): the
    // run says so and draws the links in order of first contact.
    {
        RunDir dir;
        dir.write("loops.txt", loops);
        ASSERT_EQ(dir.run({"-input", "loops.txt", "-export", "csv", "-output", "a", "-render",
                           "svg", "-nographic"})
                      .status,
                  0);
        const std::string table = dir.read("a_links.csv");
        const std::size_t header = table.find('\n') + 1;
        dir.write("a_links.csv",
                  table.substr(0, header) + table.substr(table.find('\n', header) + 1));
        const e2e::Result r = dir.run({"-input", "loops.txt", "-partition", "a_vertices.csv",
                                       "-output", "b", "-render", "svg", "-nographic"});
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find("\tLinks: a_links.csv does not match the partition"),
                  std::string::npos)
            << r.out;
        // The links table is a file the run reads: no export may replace it (here another
        // name of it).
        std::filesystem::create_hard_link(dir / "a_links.csv", dir / "c_links.csv");
        const e2e::Result refused =
            dir.run({"-input", "loops.txt", "-partition", "a_vertices.csv", "-output", "c",
                     "-export", "csv", "-render", "svg", "-nographic"});
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.out,
                  "ERROR: Export file c_links.csv would overwrite the partition's links file\n");
    }
    // By label: Myriel and Napoleon alone, everyone else unassigned.
    RunDir dir;
    std::filesystem::copy_file(e2e::sourceDir() / "tests/data/lesmis.graphml",
                               dir / "lesmis.graphml");
    dir.write("p.txt", "Myriel 1\nNapoleon 1\n");
    const e2e::Result r = dir.run({"-input", "lesmis.graphml", "-partition", "p.txt", "-nographic",
                                   "-export", "csv", "-output", "p"});
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string summary = dir.read("p_summary.json");
    EXPECT_NE(summary.find("\"unassigned\": 75,"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\"unknown_ids\": 0"), std::string::npos) << summary;
}

// Errors of the partition file and of the export's names stop the run before any scene file
// (the reader's unit tests pin every message); the files read are left as they were.
TEST(PartitionEndToEnd, ErrorsStopBeforeAnySceneFile) {
    const struct {
        std::string input;  // karate, under this name
        std::vector<std::string> args;
        std::string file, text;  // a file written beforehand
        std::string error;
    } cases[] = {
        {"k.txt",
         {"-partition", "missing.txt"},
         "",
         "",
         "Partition file missing.txt cannot be opened"},
        {"k.txt",
         {"-partition", "p.txt"},
         "p.txt",
         "0 a\n\n0x1 b\n",
         "p.txt:3: '0x1' is not a valid vertex id"},
        {"k.txt",
         {"-partition", "p.txt"},
         "p.txt",
         "0 a\n1 b\n0 c\n",
         "p.txt:3: vertex 0 has two communities"},
        {"k.txt",
         {"-partition", "p.txt"},
         "p.txt",
         "0 a\n1\n",
         "p.txt:2: expected an id and a community"},
        {"k.txt",
         {"-partition", "p_vertices.csv", "-export", "csv", "-output", "p"},
         "p_vertices.csv",
         "Id,community\n0,1\n",
         "Export file p_vertices.csv would overwrite the partition file"},
        {"k_links.csv",
         {"-export", "csv", "-output", "k"},
         "",
         "",
         "Export file k_links.csv would overwrite the input file"},
    };
    for (const auto& c : cases) {
        RunDir dir;
        dir.copyExample("karate.txt", c.input);
        std::set<std::string> files = e2e::logFiles();
        files.insert(c.input);
        if (!c.file.empty()) {
            dir.write(c.file, c.text);
            files.insert(c.file);
        }
        std::vector<std::string> args = {"-input", c.input};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const e2e::Result r = dir.run(args);
        EXPECT_EQ(r.status, 1) << c.error;
        // A file that would replace one the run reads is refused before anything is read.
        const bool overwrite = c.error.find("would overwrite") != std::string::npos;
        EXPECT_EQ(r.out, (overwrite ? "" : "\tBuilding graph...\n\tFinding communities...\n") +
                             std::string("ERROR: ") + c.error + "\n");
        EXPECT_EQ(dir.files(), files) << c.error;
        if (!c.file.empty()) {
            EXPECT_EQ(dir.read(c.file), c.text);
        }
    }
}

}  // namespace
