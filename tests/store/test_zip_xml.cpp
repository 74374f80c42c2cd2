// The zip reader and the XML tokenizer under the .xlsx reader, on what the
// workbooks of the other tests do not hold: Zip64 archives, damaged
// archives, XML in every form a writer may give and the forms refused.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "app/batch/ZipWriter.h"
#include "store/detail/XmlPull.h"
#include "store/detail/ZipReader.h"
#include "tests/Support.h"

namespace {

// The tokens of a document, one per line.
std::string Tokens(const std::string& xml, std::size_t block = 3) {
    std::size_t at = 0;
    store::detail::XmlPull x(
        [&](char* out, std::size_t size) {
            const std::size_t n = std::min({size, block, xml.size() - at});
            std::memcpy(out, xml.data() + at, n);
            at += n;
            return n;
        },
        true);
    std::string out;
    try {
        for (;;) {
            switch (x.Next()) {
            case store::detail::XmlPull::Token::Start: {
                out += "<" + std::string(x.Name());
                if (const auto* a = x.Attribute("a")) out += " a=" + std::string(*a);
                out += ">";
                break;
            }
            case store::detail::XmlPull::Token::End: out += "</" + std::string(x.Name()) + ">"; break;
            case store::detail::XmlPull::Token::Text: out += "[" + std::string(x.Text()) + "]"; break;
            case store::detail::XmlPull::Token::Done: return out;
            }
        }
    } catch (const store::detail::XmlError&) {
        return out + " ERROR";
    }
}

TEST(XmlPull, TokensAndRefusals) {
    const struct {
        std::string xml, tokens;
    } cases[] = {
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- c --><r a='1 &amp;\t2'/>", "<r a=1 & 2></r>"},
        {"<r>a\r\nb\rc</r>", "<r>[a\nb\nc]</r>"},
        {"<r a=\"&#x3C;&#62;\">&lt;&#233;</r>", "<r a=<>>[<é]</r>"},
        {"<x:r><![CDATA[a<b]]></x:r>", "<x:r>[a<b]</x:r>"},
        {"<r><s/></r>\n", "<r><s></s></r>"},
        {"<r></s>", "<r> ERROR"},
        {"<r>", "<r> ERROR"},
        {"", " ERROR"},
        {"text<r/>", " ERROR"},
        {"<r/><s/>", "<r></r> ERROR"},
        {"<r>&bad;</r>", "<r> ERROR"},
        {"<r>&#0;</r>", "<r> ERROR"},
        {"<r>\x01</r>", "<r> ERROR"},
        {"<r>\xC3</r>", "<r> ERROR"},
        {"<r>\xC0\xAF</r>", "<r> ERROR"},
        {"<r a=\"1\" a=\"2\"/>", " ERROR"},
        {"<r a=1/>", " ERROR"},
        {"<r a=\"<\"/>", " ERROR"},
        {"<!DOCTYPE r [<!ENTITY e \"x\">]><r>&e;</r>", " ERROR"},
        {"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>", " ERROR"},
        {"<r><" + std::string(100000, 'a') + "/></r>", "<r> ERROR"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Tokens(c.xml, 1), c.tokens) << c.xml.substr(0, 60);
        EXPECT_EQ(Tokens(c.xml), c.tokens) << c.xml.substr(0, 60);
        EXPECT_EQ(Tokens(c.xml, 1 << 16), c.tokens) << c.xml.substr(0, 60);
    }
}

std::string ReadPart(const store::detail::ZipReader& zip, const std::string& name) {
    const auto part = zip.Open(name);
    if (!part) return "<none>";
    std::string all;
    char block[1000];
    while (const std::size_t n = part->Read(block, sizeof block)) all.append(block, n);
    return all;
}

TEST(ZipReader, ReadsClassicAndZip64ArchivesPartByPart) {
    testsupport::TempDir dir;
    std::string big;
    for (int i = 0; i < 20000; ++i) big += "<row r=\"" + std::to_string(i) + "\"/>";
    for (const std::uint64_t limit : {batch::ZipWriter::ClassicLimit, std::uint64_t(1000)}) {
        const std::string path = dir.File("z" + std::to_string(limit) + ".zip");
        batch::ZipWriter writer(path, limit);
        writer.Add("a.xml", "<a/>");
        writer.Add("empty", "");
        writer.Open("big.xml");
        writer.Write(big);
        writer.Finish();
        const store::detail::ZipReader zip(path);
        EXPECT_EQ(zip.FirstName(), "a.xml");
        EXPECT_EQ(ReadPart(zip, "big.xml"), big);
        EXPECT_EQ(ReadPart(zip, "a.xml"), "<a/>");
        EXPECT_EQ(ReadPart(zip, "empty"), "");
        EXPECT_EQ(ReadPart(zip, "A.XML"), "<none>");
        // Two readings of one part at once.
        const auto one = zip.Open("big.xml"), two = zip.Open("big.xml");
        char a[100], b[100];
        ASSERT_EQ(one->Read(a, sizeof a), two->Read(b, sizeof b));
        EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
    }
}

TEST(ZipReader, DamagedArchivesAreRefused) {
    testsupport::TempDir dir;
    const std::string path = dir.File("z.zip");
    std::string text;
    for (int i = 0; i < 5000; ++i) text += std::to_string(i * 7919 % 10007) + " ";
    {
        batch::ZipWriter writer(path);
        writer.Add("t.txt", text);
        writer.Finish();
    }
    const std::string good = testsupport::ReadFile(path);
    const auto refused = [&](const std::string& bytes) {
        testsupport::WriteFile(path, bytes);
        try {
            const store::detail::ZipReader zip(path);
            ReadPart(zip, "t.txt");
        } catch (const store::detail::ZipError&) {
            return true;
        }
        return false;
    };
    EXPECT_FALSE(refused(good));
    std::string flipped = good;
    flipped[40 + 500] ^= 0x55;  // inside the deflated data
    EXPECT_TRUE(refused(flipped));
    EXPECT_TRUE(refused(good.substr(0, good.size() / 2)));
    EXPECT_TRUE(refused(good.substr(0, good.size() - 1)));
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused(std::string(5000, 'x')));
    std::string lying = good;  // a directory claiming a size other than the part's
    const std::size_t central = lying.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    lying[central + 24] ^= 1;
    EXPECT_TRUE(refused(lying));
}

}  // namespace
