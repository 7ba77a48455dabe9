#include "export/page_file_data.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "export/html_page.h"
#include "export/page_assets.h"
#include "export/results.h"
#include "graph/graph.h"
#include "tests/export/synthetic_results.h"

namespace {

using Texts = std::vector<std::optional<std::string>>;

std::vector<std::uint32_t> decodeArray(std::string_view type, std::string_view base64) {
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<unsigned char> bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : base64) {
        if (alphabet.find(c) == alphabet.npos) break;
        bits = bits << 6 | std::uint32_t(alphabet.find(c));
        count += 6;
        if (count >= 8) bytes.push_back(static_cast<unsigned char>(bits >> (count -= 8)));
    }
    const std::size_t width = type == "u8" ? 1 : type == "u16" ? 2 : 4;
    std::vector<std::uint32_t> values(bytes.size() / width);
    for (std::size_t k = 0; k < bytes.size(); ++k)
        values[k / width] |= std::uint32_t(bytes[k]) << (8 * (k % width));
    return values;
}

// The UTF-16 code units of a JSON string's text (escapes read), as the page's script has it.
std::u16string unitsOf(std::string_view json) {
    std::u16string units;
    for (std::size_t i = 0; i < json.size();) {
        const unsigned char c = static_cast<unsigned char>(json[i]);
        if (c == '\\') {
            const char e = json[i + 1];
            units += e == 'u' ? char16_t(std::stoi(std::string(json.substr(i + 2, 4)), nullptr, 16))
                     : e == 't' ? u'\t'
                                : char16_t(e);
            i += e == 'u' ? 6 : 2;
            continue;
        }
        const int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t point = length == 1 ? c : c & (0x7F >> length);
        for (int k = 1; k < length; ++k) point = point << 6 | (json[i + k] & 0x3F);
        if (point > 0xFFFF) {
            units += char16_t(0xD800 + ((point - 0x10000) >> 10));
            units += char16_t(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            units += char16_t(point);
        }
        i += length;
    }
    return units;
}

std::string utf8Of(std::u16string_view units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t p = units[i];
        if (p >= 0xD800 && p < 0xDC00) p = 0x10000 + ((p - 0xD800) << 10) + (units[++i] - 0xDC00);
        if (p < 0x80) {
            out += char(p);
        } else if (p < 0x800) {
            out += char(0xC0 | p >> 6), out += char(0x80 | (p & 0x3F));
        } else if (p < 0x10000) {
            out += char(0xE0 | p >> 12), out += char(0x80 | (p >> 6 & 0x3F));
            out += char(0x80 | (p & 0x3F));
        } else {
            out += char(0xF0 | p >> 18), out += char(0x80 | (p >> 12 & 0x3F));
            out += char(0x80 | (p >> 6 & 0x3F)), out += char(0x80 | (p & 0x3F));
        }
    }
    return out;
}

// The texts of the list ["joined",["type","base64"]] that starts at block[at], as the page's
// script slices them.
Texts textsAt(const std::string& block, std::size_t at) {
    const std::size_t begin = at + 2;
    std::size_t end = begin;
    while (block[end] != '"') end += block[end] == '\\' ? 2 : 1;
    const std::u16string joined = unitsOf(std::string_view(block).substr(begin, end - begin));
    const std::size_t type = end + 4;  // past ",["
    const std::size_t data = block.find('"', type) + 3;
    const std::vector<std::uint32_t> ends =
        decodeArray(block.substr(type, block.find('"', type) - type),
                    block.substr(data, block.find('"', data) - data));
    Texts texts;
    for (std::size_t k = 0; k < ends.size(); ++k) {
        const std::uint32_t from = k == 0 ? 0 : ends[k - 1] >> 1;
        if (ends[k] & 1)
            texts.push_back(std::nullopt);
        else
            texts.push_back(
                utf8Of(std::u16string_view(joined).substr(from, (ends[k] >> 1) - from)));
    }
    return texts;
}

Texts textsAfter(const std::string& block, const std::string& key) {
    return textsAt(block, block.find("\"" + key + "\":[") + key.size() + 3);
}

std::string pageOf(const RunResults& results) {
    std::ostringstream out;
    writeHtmlPage(results, "file", out);
    return out.str();
}

// The page's file block, from its key to the end of the data.
std::string fileBlock(const std::string& page) {
    const std::size_t at = page.find(",\"file\":{");
    if (at == std::string::npos) return "";
    return page.substr(at, page.find("</script>", at) - at);
}

// Drawn: 0 ── 1 ── 2 ── 3 ── 7 (7 not declared), two communities: {1, 3, 7} first, then
// {0, 2}, so the page lists 1, 3, 7, 0, 2, then the isolated 4 and 5.
struct FileRun {
    Graph graph{true};
    synthetic::Declared declared;
    RunResults results;

    FileRun() {
        const std::string longLabel = "Eve" + std::string(300, 'x');
        const std::pair<std::string, std::string> vertices[] = {
            {"a", "a"},    {"n1", "Bee"},     {std::string(300, 'i'), "c"},
            {"n3", "Dee"}, {"n4", longLabel}, {"f", "f"}};
        for (const auto& [fileId, label] : vertices) declared.add(fileId, label);
        for (const auto& [u, v] : {std::pair{0, 1}, {1, 2}, {2, 3}, {3, 7}}) graph.addEdge(u, v);
        for (int id : {0, 1, 2, 3}) graph.addName(id, vertices[id].second);
        results = synthetic::resultsFor(
            graph,
            {synthetic::community(0, 0, 2, 1, 4, 1, {1, 0, 0}),
             synthetic::community(5, 0, 2, 1, 2, 1, {0, 0, 1})},
            [](const Vertex& v) {
                return synthetic::Place{v.id == 0 || v.id == 2 ? 1u : 0u, float(v.id), 0, 0.3f};
            });
        results.declared = declared.get();
    }
};

TEST(PageFileData, EntriesCarryFileIdsAndTheFirstAttributesCut) {
    FileRun run;
    AttributeTable& a = run.declared.attributes();
    for (int c = 0; c < 10; ++c) a.addColumn("c" + std::to_string(c), AttributeType::text);
    const std::string e = "\xC3\xA9", smile = "\xF0\x9F\x98\x80", more = "\xE2\x80\xA6";
    std::string accents, smiles = "ab";
    for (int k = 0; k < 200; ++k) accents += e;
    for (int k = 0; k < 100; ++k) smiles += smile;
    a.set(0, 0, "x0"), a.set(0, 2, "<b>"), a.set(0, 3, "\xE6\x97\xA5\xE6\x9C\xAC");
    a.set(0, 4, smile);
    a.set(1, 1, accents), a.set(1, 3, smiles), a.set(1, 5, "z");
    for (int c = 2; c < 10; ++c) a.set(c, 0, "v" + std::to_string(c));
    const std::string block = fileBlock(pageOf(run.results));

    std::string cutAccents, cutSmiles = "ab";
    for (int k = 0; k < 128; ++k) cutAccents += e;    // 256 bytes
    for (int k = 0; k < 63; ++k) cutSmiles += smile;  // 254: the next one would end past 256
    const std::string longLabel = "Eve" + std::string(300, 'x');
    const std::string none = "\x01";  // stands for an absent text below
    struct Row {
        std::string list;
        std::vector<std::string> texts;  // entries 1, 3, 7, 0, 2, then isolated 4, 5
    };
    const Row rows[] = {
        {"labels", {longLabel, "f"}},
        {"ids", {"n1", "n3", none, none, std::string(256, 'i') + more, "n4", none}},
        {"c0", {none, "\xE6\x97\xA5\xE6\x9C\xAC", none, "x0", "<b>", smile, none}},
        {"c1", {cutAccents + more, cutSmiles + more, none, none, none, none, "z"}},
        {"c7", {none, none, none, "v7", none, none, none}},
    };
    const std::size_t values = block.find("\"values\":[") + 10;
    for (const Row& row : rows) {
        Texts expected;
        for (const std::string& text : row.texts)
            expected.push_back(text == none ? std::nullopt : std::optional(text));
        const bool column = row.list[0] == 'c';
        Texts seen;
        if (!column) {
            seen = textsAfter(block, row.list);
        } else {
            // Column c's list is the c-th of "values": skip c lists before it.
            std::size_t at = values;
            for (int c = row.list[1] - '0'; c > 0; --c) at = block.find("]],[\"", at) + 3;
            seen = textsAt(block, at);
        }
        EXPECT_EQ(seen, expected) << row.list;
    }
    EXPECT_NE(block.find("\"isolated\":[\"u8\",\"BAU=\"]"), std::string::npos) << block;
    EXPECT_NE(block.find("\"columns\":[\"c0\",\"c1\",\"c2\",\"c3\",\"c4\",\"c5\",\"c6\",\"c7\"]"),
              std::string::npos);
    EXPECT_EQ(block.find("\"c8\""), std::string::npos);
    EXPECT_EQ(block.find("v8"), std::string::npos);
}

//   0 ── 1   and 2 without an edge; 0's file id is its label, 1's is not.
TEST(PageFileData, TinyFileBlockExactly) {
    Graph graph(true);
    graph.addEdge(0, 1);
    graph.addName(0, "a");
    graph.addName(1, "B");
    synthetic::Declared declared;
    declared.add("a", "a");
    declared.add("n1", "B");
    declared.add("n2", "C");
    const std::size_t k = declared.attributes().addColumn("k", AttributeType::integer);
    declared.attributes().set(k, 0, "5");
    declared.attributes().set(k, 2, "7");
    RunResults r = synthetic::resultsFor(graph, {synthetic::community(0, 0, 1, 1, 2, 1, {1, 0, 0})},
                                         [](const Vertex& v) {
                                             return synthetic::Place{0, float(v.id), 0, 0.3f};
                                         });
    r.declared = declared.get();
    const std::string page = pageOf(r);
    // ends: twice the end, plus 1 where the text is absent.
    EXPECT_EQ(fileBlock(page),
              ",\"file\":{\"isolated\":[\"u8\",\"Ag==\"],\"labels\":[\"C\",[\"u8\",\"Ag==\"]],"
              "\"ids\":[\"n1n2\",[\"u8\",\"AQQI\"]],\"columns\":[\"k\"],"
              "\"values\":[[\"57\",[\"u8\",\"AgME\"]]]}}");
    // The page runs the script that reads the block, and its policy lets only that one run.
    EXPECT_NE(page.find(pageFileScript()), std::string::npos);
    EXPECT_EQ(page.find(pageScript()), std::string::npos);

    r.declared = nullptr;
    const std::string plain = pageOf(r);
    EXPECT_EQ(fileBlock(plain), "");
    EXPECT_NE(plain.find(pageScript()), std::string::npos);
    const auto policy = [](const std::string& text) {
        const std::size_t at = text.find("'sha256-");
        return text.substr(at, text.find('\'', at + 1) - at);
    };
    EXPECT_NE(policy(page), policy(plain));

    declared.add("n3", "D");
    r.declared = declared.get();
    const_cast<DeclaredVertices*>(r.declared)->labelEnds.pop_back();
    EXPECT_THROW(pageOf(r), Fatal);
}

}  // namespace
