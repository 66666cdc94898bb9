// The configuration a build carries: the table from config/launch-values.txt as the launcher and
// the configuration tool see it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "quorvex/launch_config.h"

namespace {

using quorvex::launch_config::Kind;
using quorvex::launch_config::kValueCount;
using quorvex::launch_config::kValues;
using quorvex::launch_config::Value;

const Value* find(int id) {
    for (const Value& v : kValues) {
        if (v.id == id) {
            return &v;
        }
    }
    return nullptr;
}

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

TEST(ShippedConfig, EveryValueTheLauncherReadsIsListedWithItsKindAndMax) {
    struct Row {
        int id;
        Kind kind;
        int max;
    };
    const Row rows[] = {
        {1, Kind::text, 259},    {2, Kind::text, 127},    {3, Kind::text, 127},
        {8, Kind::text, 259},    {10, Kind::text, 127},   {12, Kind::text, 32767},
        {13, Kind::text, 32767}, {14, Kind::text, 259},   {15, Kind::text, 259},
        {16, Kind::text, 32767}, {17, Kind::boolean, 19}, {18, Kind::integer, 19},
        {19, Kind::text, 32766}, {21, Kind::text, 255},   {22, Kind::text, 255},
        {23, Kind::text, 127},   {25, Kind::integer, 19}, {26, Kind::integer, 19},
        {27, Kind::integer, 19}, {28, Kind::integer, 19}, {29, Kind::boolean, 19},
        {30, Kind::integer, 19}, {31, Kind::boolean, 19}, {32, Kind::boolean, 19},
        {33, Kind::text, 256},   {34, Kind::text, 256},   {35, Kind::text, 1023},
        {36, Kind::text, 31},    {37, Kind::text, 259},   {38, Kind::integer, 19},
        {39, Kind::integer, 19}, {101, Kind::text, 1023}, {102, Kind::text, 1023},
        {103, Kind::text, 1023}, {104, Kind::text, 1023}, {105, Kind::text, 1023},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        const Value* v = find(row.id);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->kind, row.kind);
        EXPECT_EQ(v->maxLength, row.max);
    }
    // Besides those only value 20, which a build carries but the launcher does not read.
    EXPECT_EQ(kValueCount, static_cast<int>(std::size(rows)) + 1);
    ASSERT_NE(find(20), nullptr);
}

TEST(ShippedConfig, IdsAndNamesAreUniqueAndEveryCarriedTextFitsItsMax) {
    std::set<int> ids;
    std::set<std::string> names;
    for (const Value& v : kValues) {
        SCOPED_TRACE(v.id);
        EXPECT_TRUE(ids.insert(v.id).second);
        EXPECT_TRUE(names.insert(v.name).second);
        EXPECT_EQ(std::strlen(v.shippedText), static_cast<std::size_t>(v.shippedLength));
        EXPECT_LE(v.shippedLength, v.maxLength);
        if (!v.shipped) {
            EXPECT_EQ(v.shippedLength, 0);
        }
    }
}

TEST(ShippedConfig, CarriesExactlyTheShippedSet) {
    const std::set<int> carried = {1,  8,  10, 12, 14,  15,  16,  18,  20,
                                   21, 22, 23, 30, 101, 102, 103, 104, 105};
    for (const Value& v : kValues) {
        SCOPED_TRACE(v.id);
        EXPECT_EQ(v.shipped, carried.count(v.id) == 1);
    }
}

TEST(ShippedConfig, ClassPathIsTheServiceJarThenItsLibraries) {
    const Value* v = find(16);
    ASSERT_NE(v, nullptr);
    const std::string_view text(v->shippedText);
    EXPECT_EQ(text.size(), 6253u);
    const std::vector<std::string> entries = split(text, ';');
    ASSERT_EQ(entries.size(), 186u);
    EXPECT_EQ(entries.front(), "lib\\quorvexservice-1.0.0.jar");
    std::set<std::string> unique;
    for (const std::string& e : entries) {
        SCOPED_TRACE(e);
        EXPECT_EQ(e.rfind("lib\\", 0), 0u);
        EXPECT_GT(e.size(), std::strlen("lib\\.jar"));
        EXPECT_EQ(e.compare(e.size() - 4, 4, ".jar"), 0);
        EXPECT_EQ(e.find_first_of(" \t*?%\\", 4), std::string::npos);
        EXPECT_TRUE(unique.insert(e).second);
    }
}

TEST(ShippedConfig, WebAddressesArePlaceholdersUnderTheReservedDomain) {
    for (int id : {21, 22}) {
        SCOPED_TRACE(id);
        const Value* v = find(id);
        ASSERT_NE(v, nullptr);
        const std::string_view url(v->shippedText);
        const std::size_t scheme = url.find("://");
        ASSERT_NE(scheme, std::string_view::npos);
        const std::size_t hostEnd = url.find('/', scheme + 3);
        const std::string_view host = url.substr(scheme + 3, hostEnd - scheme - 3);
        EXPECT_GE(host.size(), std::strlen(".example"));
        EXPECT_EQ(host.substr(host.size() - std::strlen(".example")), ".example");
    }
    EXPECT_EQ(std::string_view(find(22)->shippedText).substr(0, 8), "https://");
}

}  // namespace
