#include "export/html_page.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "export/page_encoding.h"
#include "export/results.h"
#include "graph/graph.h"
#include "tests/export/synthetic_results.h"

namespace {

namespace fs = std::filesystem;

std::string labelJson(const std::string& label) {
    std::string out;
    appendLabelJson(out, label);
    return out;
}

TEST(PageEncoding, LabelsBecomeInertJsonStrings) {
    struct Case {
        std::string label;
        std::string written;
    };
    const Case cases[] = {
        {"Valjean", "\"Valjean\""},
        {"", "\"\""},
        {"</script><!--", "\"\\u003c/script\\u003e\\u003c!--\""},
        {"a&b \"q\" \\", "\"a\\u0026b \\\"q\\\" \\\\\""},
        {"tab\there", "\"tab\\there\""},
        {"line\nfeed\r\x01\x1f\x7f!", "\"linefeed!\""},
        {std::string("nul\0byte", 8), "\"nulbyte\""},
        {"\xC2\x85next", "\"next\""},  // C1 control U+0085
        {"sep\xE2\x80\xA8par\xE2\x80\xA9", "\"sep\\u2028par\\u2029\""},
        {"caf\xC3\xA9 \xF0\x9F\x98\x80", "\"caf\xC3\xA9 \xF0\x9F\x98\x80\""},
        {"\xC3(", "\"?(\""},                    // continuation missing
        {"\xE2\x82", "\"??\""},                 // truncated at the end
        {"\xC0\xAF\xED\xA0\x80", "\"?????\""},  // overlong, surrogate
        {"\xFF\xEF\xBF\xBE", "\"??\""},         // not UTF-8; U+FFFE
    };
    for (const Case& c : cases) EXPECT_EQ(labelJson(c.label), c.written) << c.label;
}

TEST(PageEncoding, Base64OfTheStandardVectors) {
    const std::pair<std::string, std::string> vectors[] = {{"", ""},
                                                           {"f", "Zg=="},
                                                           {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},
                                                           {"foob", "Zm9vYg=="},
                                                           {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"},
                                                           {"\xFF\xFE", "//4="}};
    for (const auto& [bytes, text] : vectors) {
        std::string out = "x";
        appendBase64(out, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        EXPECT_EQ(out, "x" + text);
    }
}

// A run's results for graph, every vertex in community 0 at the given places.
RunResults oneCommunity(const Graph& graph, const std::vector<float>& x,
                        const std::vector<float>& y, const std::vector<float>& radius) {
    return synthetic::resultsFor(
        graph, {synthetic::community(1, 2, 1.5f, 0.5f, 2, 2, {1.0f, 0.2f, 0.2f})},
        [&](const Vertex& v) {
            return synthetic::Place{0, x[v.index], y[v.index], radius[v.index]};
        });
}

std::string dataBlock(const std::string& page) {
    const std::string open = "<script type=\"application/json\" id=\"quorvane-data\">";
    const std::size_t begin = page.find(open);
    if (begin == std::string::npos) return "";
    const std::size_t end = page.find("</script>", begin);
    return page.substr(begin + open.size(), end - begin - open.size());
}

//   7 ── 3     one community centred at (1, 2); 3 at (1, 3), 7 at (0, 2); 7 is named "b<".
TEST(HtmlPage, TinyPageDataBlockExactly) {
    Graph graph(true);
    graph.addEdge(7, 3);
    graph.addName(7, "b<");
    RunResults r = oneCommunity(graph, {0, 1}, {2, 3}, {0.25f, 0.5f});
    r.shell = {2, 1};
    r.drawnEdges = {{0, 1, {1.0f, 0.2f, 0.2f}, 0.2f}};
    std::ostringstream out;
    writeHtmlPage(r, "tiny", out);
    EXPECT_EQ(dataBlock(out.str()),
              "{\"format\":1,\"title\":\"tiny\",\"vertices\":2,\"communities\":1,\"edges\":1,"
              "\"links\":0,\"labelsAsked\":1,\"background\":\"#000000\","
              "\"foreground\":\"#ffffff\",\"opacity\":0.2,\"font\":1,\"edgeWidth\":0.0528,"
              "\"scale\":0.25,\"radiusMax\":0.5,\"labelsShown\":true,\"idsAsLabels\":false,"
              "\"colours\":[\"#ff3333\"],\"edgeStyles\":[[\"#ff3333\",0.2]],\"arrays\":{"
              "\"id\":[\"i32\",\"AwAAAAcAAAA=\"],\"x\":[\"u16\",\"AIAAAA==\"],"
              "\"y\":[\"u16\",\"//8AgA==\"],\"r\":[\"u16\",\"//8AgA==\"],"
              "\"shell\":[\"u8\",\"AQI=\"],\"core\":[\"u8\",\"AQE=\"],"
              "\"degree\":[\"u8\",\"AQE=\"],\"size\":[\"u8\",\"Ag==\"],"
              "\"cx\":[\"f32\",\"AACAPw==\"],\"cy\":[\"f32\",\"AAAAQA==\"],"
              "\"half\":[\"f32\",\"AACAPw==\"],\"radius\":[\"f32\",\"AADAPw==\"],"
              "\"sphere\":[\"f32\",\"AAAAPw==\"],\"maxShell\":[\"u8\",\"Ag==\"],"
              "\"colour\":[\"u8\",\"AA==\"],\"from\":[\"u8\",\"AQ==\"],\"to\":[\"u8\",\"AA==\"],"
              "\"style\":[\"u8\",\"AA==\"],\"la\":[\"u8\",\"\"],\"lb\":[\"u8\",\"\"],"
              "\"lw\":[\"u8\",\"\"]},\"labels\":[\"\",\"b\\u003c\"]}");
    // Nothing of the template is left unfilled.
    EXPECT_EQ(out.str().find("@DATA@"), std::string::npos);
    EXPECT_NE(out.str().find("script-src 'sha256-"), std::string::npos);
}

std::vector<unsigned char> fromBase64(const std::string& text) {
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<unsigned char> bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        const std::size_t value = alphabet.find(c);
        if (value == alphabet.npos) break;
        bits = bits << 6 | std::uint32_t(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<unsigned char>(bits >> count));
        }
    }
    return bytes;
}

std::vector<unsigned char> arrayOf(const std::string& block, const std::string& name) {
    const std::size_t at = block.find("\"" + name + "\":[\"");
    const std::size_t begin = block.find(",\"", at + name.size() + 3) + 2;
    return fromBase64(block.substr(begin, block.find('"', begin) - begin));
}

// A ring of 20,000 vertices with ten-letter names, scattered over one community.
struct Scattered {
    Graph graph{true};
    RunResults results;
    std::size_t labelBytes = 0;

    Scattered() {
        constexpr int V = 20000;
        for (int k = 0; k < V; ++k) graph.addEdge(k, (k + 1) % V);
        std::mt19937 random(5);
        std::uniform_real_distribution<float> offset(-40.0f, 40.0f);
        std::vector<float> x, y, radius;
        for (int k = 0; k < V; ++k) {
            graph.addName(k, "vertex" + std::to_string(1000 + k % 9000));
            labelBytes += graph.vertices[k]->name.size();
            x.push_back(1 + offset(random));
            y.push_back(2 + offset(random));
            radius.push_back(0.05f + 0.001f * float(k % 300));
        }
        results = oneCommunity(graph, x, y, radius);
        // A quarter of the ring's edges, {k, k + 1} for k a multiple of 4 (k + 1 the larger).
        synthetic::drawEdges(results, [](Index a, Index) { return a % 4 == 1; });
    }
};

TEST(HtmlPage, LargePageStaysSmallAndDecodesToItsLayout) {
    Scattered s;
    std::ostringstream out;
    writeHtmlPage(s.results, "ring", out);
    const std::size_t V = s.graph.vertices.size();
    const std::size_t E = s.results.drawnEdges.size();
    EXPECT_LE(out.str().size(), 40 * V + 16 * E + s.labelBytes + 64 * 1024);

    // Decoded positions land within a quantisation step of the layout's, in id order.
    const std::string block = dataBlock(out.str());
    const auto ids = arrayOf(block, "id");
    const auto xs = arrayOf(block, "x");
    const auto ys = arrayOf(block, "y");
    float half;
    std::memcpy(&half, arrayOf(block, "half").data(), 4);
    ASSERT_EQ(ids.size(), 4 * V);
    ASSERT_EQ(xs.size(), 2 * V);
    const double step = 2.0 * half / 65535;
    for (std::size_t k = 0; k < V; ++k) {
        std::int32_t id;
        std::memcpy(&id, &ids[4 * k], 4);
        ASSERT_EQ(id, std::int32_t(k));
        const Index position = s.graph.vertexMap.find(id)->index;
        const double x = 1 - half + (xs[2 * k] | xs[2 * k + 1] << 8) * step;
        const double y = 2 - half + (ys[2 * k] | ys[2 * k + 1] << 8) * step;
        ASSERT_NEAR(x, s.results.x[position], step) << id;
        ASSERT_NEAR(y, s.results.y[position], step) << id;
    }
}

TEST(HtmlPage, ResultsThatDoNotFitTheirGraphAreRefused) {
    Graph graph(true);
    graph.addEdge(1, 2);
    const RunResults good = oneCommunity(graph, {0, 1}, {0, 1}, {0.1f, 0.1f});
    const std::string prefix = "ERROR: The results cannot be drawn as a page: ";
    struct Case {
        const char* what;
        void (*spoil)(RunResults&);
        std::string message;
    };
    const Case cases[] = {
        {"short array", [](RunResults& r) { r.x.pop_back(); },
         "per-vertex arrays do not match the graph's vertices"},
        {"unknown community", [](RunResults& r) { r.community[1] = 1; },
         "a vertex of no listed community"},
        {"vertex listed twice", [](RunResults& r) { r.byId[1] = r.byId[0]; },
         "byId does not list every vertex once"},
        {"edge to nowhere",
         [](RunResults& r) {
             r.drawnEdges.push_back({0, 2, white, 1});
         },
         "an edge of unknown vertices"},
        {"link to nowhere",
         [](RunResults& r) {
             r.links.push_back({0, 1, 1});
         },
         "a link of unknown communities"},
    };
    for (const Case& c : cases) {
        RunResults spoilt = good;
        c.spoil(spoilt);
        std::ostringstream out;
        try {
            writeHtmlPage(spoilt, "", out);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const Fatal& error) {
            EXPECT_EQ(error.what(), prefix + c.message + "\n") << c.what;
        }
        EXPECT_EQ(out.str(), "") << c.what;
    }
}

// A page that cannot be completed leaves nothing behind and keeps what was there.
TEST(HtmlPage, FailedFileLeavesNoPartialPage) {
    Graph graph(true);
    graph.addEdge(1, 2);
    const RunResults results = oneCommunity(graph, {0, 1}, {0, 1}, {0.1f, 0.1f});
    const fs::path dir = fs::temp_directory_path() / "quorvane-page-test";
    fs::remove_all(dir);
    fs::create_directories(dir / "taken.html");  // a directory where the page would go
    const struct {
        fs::path page;
    } cases[] = {{dir / "taken.html"}, {dir / "missing" / "page.html"}};
    for (const auto& c : cases) {
        try {
            writeHtmlPage(results, "", c.page.string());
            ADD_FAILURE() << c.page << ": no error";
        } catch (const Fatal& error) {
            EXPECT_EQ(error.what(), "ERROR: Page file " + c.page.string() + " cannot be written\n");
        }
    }
    auto listing = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    };
    EXPECT_TRUE(fs::is_directory(dir / "taken.html"));
    EXPECT_EQ(listing(), (std::set<std::string>{"taken.html"}));
    writeHtmlPage(results, "", (dir / "page.html").string());
    EXPECT_GT(fs::file_size(dir / "page.html"), 0u);
    EXPECT_EQ(listing(), (std::set<std::string>{"taken.html", "page.html"}));
    fs::remove_all(dir);
}

}  // namespace
