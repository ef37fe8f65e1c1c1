// The JSON writer of otdr inspect gives the bytes nlohmann::json's dump(2, ' ', false,
// replace) gives: its outputs were those of that dump, and scripts compare them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "json_writer.h"
#include "sr4731_support.h"
#include "test_support.h"

namespace otdr {
namespace {

using Json = nlohmann::ordered_json;
constexpr auto kReplace = Json::error_handler_t::replace;

template <class T>
std::string written(const T& v) {
    cli::JsonWriter w(0);
    w.value(v);
    return std::string(w.text());
}

// The values in arrays of a thousand, written and dumped; the first that differs is named.
// (Few large allocations: a sanitizer's quarantine keeps what a test frees.)
template <class T>
void expectAsNlohmann(const std::vector<T>& values) {
    for (std::size_t from = 0; from < values.size(); from += 1000) {
        const std::size_t to = std::min(values.size(), from + 1000);
        cli::JsonWriter w(64 * 1024);
        Json tree = Json::array();
        w.beginArray();
        for (std::size_t i = from; i < to; ++i) {
            w.value(values[i]);
            tree.push_back(values[i]);
        }
        w.endArray();
        if (w.text() == tree.dump(2, ' ', false, kReplace)) continue;
        for (std::size_t i = from; i < to; ++i)
            ASSERT_EQ(written(values[i]), Json(values[i]).dump(2, ' ', false, kReplace))
                << testing::PrintToString(values[i]);
        FAIL() << "the arrays differ from value " << from;
    }
}

// Every string of up to two bytes, and longer ones of the bytes where UTF-8 sequences start,
// continue or go wrong: escapes, control characters and U+FFFD for each invalid part alike.
TEST(JsonWriter, StringsAsNlohmannDumpsThem) {
    std::vector<std::string> texts;
    for (int a = 0; a < 256; ++a) {
        texts.emplace_back(1, static_cast<char>(a));
        for (int b = 0; b < 256; ++b) texts.push_back({static_cast<char>(a), static_cast<char>(b)});
    }
    const unsigned char edges[] = {0x00, 0x09, 0x1F, '"',  '\\', 'A',  0x7F, 0x80, 0x8F,
                                   0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC2, 0xDF, 0xE0, 0xE1,
                                   0xED, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xFF};
    for (unsigned char a : edges)
        for (unsigned char b : edges)
            for (unsigned char c : edges)
                for (unsigned char d : {0x41, 0x80, 0x90, 0xBF})
                    texts.push_back({static_cast<char>(a), static_cast<char>(b),
                                     static_cast<char>(c), static_cast<char>(d)});
    std::mt19937 rng(5);
    for (int k = 0; k < 2000; ++k) {
        std::string s(rng() % 700, '\0');
        for (char& c : s) c = static_cast<char>(edges[rng() % std::size(edges)]);
        texts.push_back(s);
    }
    texts.push_back("光缆 \xF0\x9F\x98\x80 \xC2\x85 €");
    expectAsNlohmann(texts);
}

// Doubles in nlohmann's shortest form (2.55, 1e-07, -1.5e+20, 0.0), NaN and infinity as null.
TEST(JsonWriter, DoublesAsNlohmannDumpsThem) {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1.0,
                                  -52.34,
                                  1.468,
                                  12.5,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::quiet_NaN(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity()};
    for (int e = -30; e <= 30; ++e) values.push_back(std::pow(10.0, e) * 1.25);
    std::mt19937_64 rng(9);
    for (int k = 0; k < 20000; ++k) {
        const double f = std::pow(10.0, static_cast<int>(rng() % 7));
        values.push_back(
            std::round(static_cast<double>(static_cast<std::int64_t>(rng())) * 1e-12 * f) / f);
        const std::uint64_t bits = rng();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        values.push_back(v);
    }
    expectAsNlohmann(values);
}

// Nesting, empty containers, null and integers at their limits, laid out as dump(2) lays them.
TEST(JsonWriter, LayoutAsNlohmannDumpsIt) {
    cli::JsonWriter w(0);
    w.beginArray();
    w.beginObject();
    w.field("a", std::numeric_limits<std::int64_t>::min());
    w.field("b", std::numeric_limits<std::uint64_t>::max());
    w.key("empty");
    w.beginArray();
    w.endArray();
    w.key("none");
    w.beginObject();
    w.endObject();
    w.key("n");
    w.value(nullptr);
    w.key("list");
    w.beginArray();
    w.value(std::int16_t{-7});
    w.beginArray();
    w.value("x");
    w.endArray();
    w.beginObject();
    w.field("deep", 0.5);
    w.endObject();
    w.endArray();
    w.endObject();
    w.beginObject();
    w.endObject();
    w.endArray();

    Json tree = Json::array();
    Json o;
    o["a"] = std::numeric_limits<std::int64_t>::min();
    o["b"] = std::numeric_limits<std::uint64_t>::max();
    o["empty"] = Json::array();
    o["none"] = Json::object();
    o["n"] = nullptr;
    o["list"] = Json::array({-7, Json::array({"x"}), Json{{"deep", 0.5}}});
    tree.push_back(o);
    tree.push_back(Json::object());
    EXPECT_EQ(w.text(), tree.dump(2, ' ', false, kReplace));
}

// The whole output of inspect, for a file whose warnings quote a block name of stray bytes,
// reads back and dumps to the same bytes.
TEST(JsonWriter, InspectOutputIsNlohmannsDumpOfItself) {
    sr4731::Document d = sr4731::typicalDocument(2, 200);
    d.general->comment = "tab\there \x1B[1m \"quoted\" \\";
    d.blocks.insert(d.blocks.end() - 1, sr4731::BlockEntry{"Odd\xFF\xC3", 200, 0, 0});
    d.others.push_back(sr4731::OtherBlock{"Odd\xFF\xC3", 200, Bytes(40, 1)});
    Bytes file = sr4731::encode(d);
    file.resize(file.size() - 30);  // the unknown block and the checksum cut short
    test::TempDir dir;
    const std::string path = dir.file("cut\xE5.sor");
    test::writeBytes(path, file);
    for (const std::string& args : {path, path + " " + path}) {
        const test::CliResult r = test::runCli("inspect --json " + args);
        ASSERT_EQ(r.status, 0);
        ASSERT_NE(r.out.find("Odd\xEF\xBF\xBD\xEF\xBF\xBD at offset"), std::string::npos);
        EXPECT_EQ(r.out, Json::parse(r.out).dump(2, ' ', false, kReplace) + "\n");
    }
}

}  // namespace
}  // namespace otdr
