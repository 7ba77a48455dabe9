// The guard in front of the libraries' parsers on its own: the bytes pass unchanged, and a
// token past the cap, an entity that grows too far or markup that would cost a parser more
// than linear time is one error line naming the line. Small caps keep the cases short; every
// case is read whole, a byte at a time and in blocks of 3, which must all say the same.
#include "graph/formats/token_guard.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "graph/defs.h"
#include "graph/formats/xml_guard.h"

namespace {

// Everything read through the guard in reads of `step` bytes, or the error line.
std::string through(const std::string& text, std::size_t step,
                    const std::function<std::unique_ptr<GuardScanner>()>& scanner) {
    std::istringstream source(text);
    TokenGuard guard(*source.rdbuf(), scanner());
    std::istream stream(&guard);
    stream.exceptions(std::ios::badbit);
    std::string out, block(step, '\0');
    try {
        while (stream.read(block.data(), static_cast<std::streamsize>(step)) || stream.gcount() > 0)
            out.append(block, 0, static_cast<std::size_t>(stream.gcount()));
    } catch (const Fatal& error) {
        return error.what();
    }
    return out;
}

// "" when the text passes unchanged, else the error line (the same for every read size).
std::string verdict(const std::string& text,
                    const std::function<std::unique_ptr<GuardScanner>()>& scanner) {
    const std::string whole = through(text, text.size() + 1, scanner);
    EXPECT_EQ(through(text, 1, scanner), whole) << text;
    EXPECT_EQ(through(text, 3, scanner), whole) << text;
    return whole == text ? "" : whole;
}

const std::string kName = "in";

struct Case {
    std::string text;
    std::string error;  // "" passes; else the reason after "ERROR: in:LINE: "
};

void expectAll(const std::vector<Case>& cases,
               const std::function<std::unique_ptr<GuardScanner>()>& scanner) {
    for (const Case& c : cases)
        EXPECT_EQ(verdict(c.text, scanner), c.error.empty() ? "" : "ERROR: in:" + c.error + "\n")
            << c.text;
}

TEST(LexicalGuard, GmlStringsCommentsAndWordsAgainstTheCap) {
    const auto gml = [] { return lexicalScanner(InputFormat::gml, kName, 8); };
    expectAll(
        {
            {"graph [ label \"123456\" ]", ""},  // 8 bytes with the quotes
            {"graph [\n label \"1234567\"\n ]", "2: quoted string longer than 8 bytes"},
            {"graph [ label \"1\n2\n3\n4\n5\" ]", "4: quoted string longer than 8 bytes"},
            {"#1234567\ngraph [ ]", ""},
            {"#12345678\ngraph [ ]", "1: comment longer than 8 bytes"},
            {"graph [ a 1 ] #1234567 89", ""},  // not at a line's start: a word
            {"graph [ x 123456789 ]", "1: word longer than 8 bytes"},
            {"graph [ abcd[efgh]ijkl ]", ""},  // brackets end words
            {"graph [" + std::string(100, ' ') + "\n\n\n\n]", ""},
            {"graph [ " + std::string(200, 'x').replace(100, 1, " ") + " ]",
             "1: word longer than 8 bytes"},
        },
        gml);
    // A long line of short tokens is fine.
    std::string line = "graph [";
    for (int k = 0; k < 1000; ++k) line += " node [ id " + std::to_string(k) + " label \"n\" ]";
    EXPECT_EQ(verdict(line + " ]", gml), "");
}

TEST(LexicalGuard, PajekAndNcolCountRunsOfBlanksAndTheirOwnTokens) {
    const auto pajek = [] { return lexicalScanner(InputFormat::pajek, kName, 12); };
    expectAll(
        {
            {"*Vertices 2\n1 \"a b c d e\"\n", ""},
            {"*Vertices 2\n1 \"a b c d e\"xy\n", "2: quoted string longer than 12 bytes"},
            {"*Vertices 2\n1 a\"b c d e f g h i\n", ""},  // a quote inside a word
            {"*Vertices 2\n1 (ab\ncd\nef\ngh)\n", "5: text in parentheses longer than 12 bytes"},
            {"*Vertices 2\n1 (abcdefghij)\n", ""},
            {"% a comment\n*Edges\n", ""},
            {"% a long comment\n*Edges\n", "1: comment longer than 12 bytes"},
            {"%comment\rmore\n*Edges\n", "1: comment longer than 12 bytes"},  // ends at \n
            {"*Edges\n1             2\n", "2: run of blanks longer than 12 bytes"},
            {"*Edges\n1 2" + std::string(13, '\n') + "3 4\n",
             "14: run of line breaks longer than 12 bytes"},
            {"*Edges\n1 2" +
                 [] {
                     std::string lines;
                     for (int k = 0; k < 50; ++k) lines += " \n";
                     return lines;
                 }() +
                 "3 4\n",
             ""},
            {"*Vertices 1234567890123\n", "1: word longer than 12 bytes"},
        },
        pajek);
    const auto ncol = [] { return lexicalScanner(InputFormat::ncol, kName, 8); };
    expectAll(
        {
            {"abcdefgh ijklmnop\n", ""},
            {"a b\nabcdefghi b\n", "2: word longer than 8 bytes"},
            {"\"a b c d e\" f\n", ""},  // NCOL has no strings
            {"a\t\t\t\t\t\t\t\t\tb\n", "1: run of blanks longer than 8 bytes"},
            {"a b" + std::string(100, '\n') + "c d\n", ""},
            {std::string(20, 'a') + "\n", "1: word longer than 8 bytes"},
        },
        ncol);
}

// Small limits: tokens of 16 bytes, tags of 64, 4 attributes, entities up to 2 times the
// input read (at least 100 bytes, at most 1000).
XmlLimits smallLimits(bool collected) {
    return {.token = 16,
            .collectedText = collected,
            .tag = 64,
            .attributes = 4,
            .expansionFloor = 100,
            .expansionCeiling = 1000,
            .expansionRatio = 2};
}

TEST(XmlGuard, TokensTagsAndAttributesAgainstTheirCaps) {
    const auto xml = [] { return xmlScanner(kName, smallLimits(false)); };
    expectAll(
        {
            {"<g><n a=\"0123456789abcdef\"/></g>", ""},
            {"<g>\n<n a=\"0123456789abcdefg\"/></g>", "2: attribute value longer than 16 bytes"},
            {"<g><n a='x\">>>>>>>>>>>>>>>>>'/></g>", "1: attribute value longer than 16 bytes"},
            {"<g>0123456789abcdef</g>", ""},
            {"<g>01234567<x/>89abcdef01234567</g>", ""},  // runs end at tags
            {"<g>01234567<!--c-->89abcdefg</g>", "1: text longer than 16 bytes"},
            {"<g>0123<![CDATA[45678\n9abcdefg]]></g>", "2: text longer than 16 bytes"},
            {"<g>&amp;&amp;&amp;&amp;</g>", "1: text longer than 16 bytes"},
            {"<g><!-- 0123456789ab --></g>", "1: comment longer than 16 bytes"},
            {"<?pi 0123456789abcdef?><g/>", "1: processing instruction longer than 16 bytes"},
            {"<g><abcdefghijklmnopq/></g>", "1: name longer than 16 bytes"},
            // Whichever cap a byte passes first names the error.
            {"<g><n a=\"0123456789abcdef\"" + std::string(30, ' ') +
                 "bcdefghijklmnopqr=\"1\"/></g>",
             "1: tag longer than 64 bytes"},
            {"<g><n a=\"0123456789abcdef\" b=\"0123456789abcdef\" cdefghijklmnopqrs=\"1\"/></g>",
             "1: name longer than 16 bytes"},
            {"<g><n a=\"1\" b=\"2\" c=\"3\" d=\"4\"/></g>", ""},
            {"<g><n a=\"1\" b=\"2\" c=\"3\" d=\"4\" e=\"5\"/></g>",
             "1: element with more than 4 attributes"},
            {"<g><n a=\"0123456789\"          b=\"0123456789\" c=\"0123456789\"/></g>", ""},
            {"<g><n a=\"0123456789\"           b=\"0123456789\"         c=\"0123456789\"/>"
             "</g>",
             "1: tag longer than 64 bytes"},
        },
        xml);
    // Many short tokens in one line.
    std::string many = "<g>";
    for (int k = 0; k < 2000; ++k) many += "<n id=\"" + std::to_string(k) + "\">text</n>";
    EXPECT_EQ(verdict(many + "</g>", xml), "");
}

// igraph collects a <data> element's text over all its pieces; other elements' runs end at tags.
TEST(XmlGuard, GraphmlDataTextIsOneTokenAcrossItsPieces) {
    const auto graphml = [] { return xmlScanner(kName, smallLimits(true)); };
    const auto gexf = [] { return xmlScanner(kName, smallLimits(false)); };
    const std::vector<std::pair<std::string, int>> pieces = {
        {"<d:data k=\"x\">01234567<y>zzzzzzzz</y>89abcdefg</d:data>", 1},
        {"<default>0123<x/>4567<y/>89ab&amp;cdefg</default>", 1},
        {"<data>\n01234567<y/>\n<y/>89abcdefg</data>", 3},
    };
    for (const auto& [text, line] : pieces) {
        EXPECT_EQ(verdict("<g>" + text + "</g>", graphml),
                  "ERROR: in:" + std::to_string(line) + ": text longer than 16 bytes\n")
            << text;
        EXPECT_EQ(verdict("<g>" + text + "</g>", gexf), "") << text;
    }
    EXPECT_EQ(verdict("<g><data>01234567</data><data>89abcdef01234567</data></g>", graphml), "");
    EXPECT_EQ(verdict("<g><data>0123<y>01234567<z/>01234567</y>4567</data></g>", graphml), "");
}

TEST(XmlGuard, EntitiesCountTheirExpansion) {
    const auto xml = [] { return xmlScanner(kName, smallLimits(false)); };
    const std::string ten = "<!ENTITY t \"0123456789\">";
    expectAll(
        {
            {"<!DOCTYPE g [" + ten + "]><g a=\"&t;\"/>", ""},
            {"<!DOCTYPE g [" + ten + "]>\n<g a=\"&t;&t;\"/>",
             "2: attribute value longer than 16 bytes"},
            {"<!DOCTYPE g [" + ten + "]><g>&t;\n&t;</g>", "2: text longer than 16 bytes"},
            // Forward and nested references, and the first declaration wins.
            {"<!DOCTYPE g [<!ENTITY a \"&b;&b;\">" + ten +
                 "<!ENTITY b \"&t;\"><!ENTITY a \"\">]><g x='&a;'/>",
             "1: attribute value longer than 16 bytes"},
            {"<!DOCTYPE g [<!ENTITY a \"&amp;&#65;\"><!ENTITY x SYSTEM \"u\">]><g x='&a;'/>", ""},
            {"<!DOCTYPE g [<!ENTITY x SYSTEM \"/etc/passwd\">]>\n<g>&x;</g>",
             "2: external entity 'x' is not read"},
            {"<!DOCTYPE g [<!ENTITY x SYSTEM \"f\"><!ENTITY a \"&x;\">]><g>&a;</g>",
             "1: external entity 'x' is not read"},
            {"<!DOCTYPE g [<!ENTITY % p \"x\">\n%p;]><g/>",
             "2: parameter entity references are not read"},
            {"<!DOCTYPE g [<!ENTITY a \"<g/>\">]><g/>", "1: entity 'a' holds markup"},
            {"<!DOCTYPE g [<!ENTITY a \"&#38;b;\">]><g/>", "1: entity 'a' holds markup"},
            {"<!DOCTYPE g [<!ENTITY a \"&#x3c;g/>\">]><g/>", "1: entity 'a' holds markup"},
            {"<!DOCTYPE g SYSTEM \"a[b>c\"><g>&undeclared;</g>", ""},
        },
        xml);
    // A loop and a billion laughs have no end: the reference is refused where it stands.
    EXPECT_EQ(verdict("<!DOCTYPE g [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]><g>&a;</g>", xml),
              "ERROR: in:1: entity 'a' expands to more than 2 times the input read\n");
    std::string laughs = "<!DOCTYPE g [<!ENTITY l0 \"ha\">";
    for (int k = 1; k < 70; ++k) {
        const std::string half = "&l" + std::to_string(k - 1) + ";";
        laughs += "<!ENTITY l" + std::to_string(k) + " \"" + half + half + "\">";
    }
    EXPECT_EQ(verdict(laughs + "]><g a='&l2;'>&l69;</g>", xml),
              "ERROR: in:1: entity 'l69' expands to more than 2 times the input read\n");
    const std::string bound =
        "ERROR: in:1: entity references expand to more than 2 times the input read (100 bytes at "
        "least, 1000 bytes at most)\n";
    // Each use below expands to 16 bytes from 7 of its own: past twice the input after the
    // prefix is paid back.
    std::string uses = "<!DOCTYPE g [<!ENTITY t \"0123456789abcdef\">]><g>";
    for (int k = 0; k < 60; ++k) uses += "&t;<x/>";
    EXPECT_EQ(verdict(uses + "</g>", xml), bound);
}

TEST(XmlGuard, AttributeDefaultsCountForEveryElementTheyReach) {
    const auto xml = [] {
        XmlLimits limits = smallLimits(false);
        limits.tag = 256;
        return xmlScanner(kName, limits);
    };
    const std::string declared = "<!DOCTYPE g [<!ATTLIST n label CDATA \"0123456789\">]><g>";
    EXPECT_EQ(verdict(declared + "<n/><n/><m/><m/></g>", xml), "");
    // Each <n/> receives 10 bytes from 4 of its own.
    std::string reached = declared;
    for (int k = 0; k < 100; ++k) reached += "<n/>";
    EXPECT_EQ(verdict(reached + "</g>", xml),
              "ERROR: in:1: entity references expand to more than 2 times the input read (100 "
              "bytes at least, 1000 bytes at most)\n");
    EXPECT_EQ(verdict("<!DOCTYPE g [<!ATTLIST n a CDATA \"1\" b CDATA \"2\" c CDATA #IMPLIED d "
                      "(x|y) \"x\" e CDATA #FIXED \"5\" f CDATA \"6\">]><g/>",
                      xml),
              "ERROR: in:1: more than 4 attribute defaults\n");
}

TEST(XmlGuard, OnlyEncodingsThatKeepAsciiAreRead) {
    const auto xml = [] { return xmlScanner(kName, {.token = 1024}); };
    expectAll(
        {
            {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><g/>", ""},
            {"<?xml version='1.0' encoding='utf-8'?><g/>", ""},
            {"<?xml version=\"1.0\" encoding=\"UTF-7\"?><g/>",
             "1: encoding 'UTF-7' is not read: UTF-8 or an encoding that keeps ASCII"},
            {std::string("<\0g\0/\0>\0", 8), "1: XML in UTF-16, UTF-32 or EBCDIC is not read"},
            {"\xFF\xFE<\0", "1: XML in UTF-16, UTF-32 or EBCDIC is not read"},
            {std::string("\n\0\n<", 4), "2: XML in UTF-16, UTF-32 or EBCDIC is not read"},
            {"<g><?xml encoding=\"UTF-7\"?></g>", ""},  // not the declaration
        },
        xml);
}

}  // namespace
