// The configuration a build carries, checked against what the build itself cannot check: the
// generated table against config/launch-values.txt, the launcher's reads against the table,
// config/README.md against the table, and the shipped class path against its description.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quorvex/launch_config.h"

namespace {

using quorvex::launch_config::Kind;
using quorvex::launch_config::kValueCount;
using quorvex::launch_config::kValues;
using quorvex::launch_config::Value;

const std::string kConfigDir = QV_CONFIG_DIR;
const std::string kLauncherDir = QV_LAUNCHER_DIR;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

std::string trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

bool skipped(const std::string& line) {
    const std::string t = trim(line);
    return t.empty() || t[0] == '#';
}

// The entries of a list file (classpath.txt): one a line, without empty and comment lines.
std::vector<std::string> listEntries(const std::string& file) {
    std::vector<std::string> entries;
    for (const std::string& line : linesOf(readFile(kConfigDir + "/" + file))) {
        if (!skipped(line)) {
            entries.push_back(trim(line));
        }
    }
    return entries;
}

std::string join(const std::vector<std::string>& parts, char separator) {
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty()) {
            joined += separator;
        }
        joined += part;
    }
    return joined;
}

// One line of launch-values.txt, read here on its own terms: "ID | name | kind | max | shipped".
struct Row {
    int id;
    std::string name;
    std::string kind;
    int max;
    std::string shipped;  // as written: "-", "@FILE" or a quoted text
    bool carried;
    std::string text;  // the carried text
};

std::vector<Row> valueFile() {
    std::vector<Row> rows;
    for (const std::string& line : linesOf(readFile(kConfigDir + "/launch-values.txt"))) {
        if (skipped(line)) {
            continue;
        }
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (int i = 0; i < 4; ++i) {
            const std::size_t bar = line.find('|', start);
            EXPECT_NE(bar, std::string::npos) << line;
            fields.push_back(trim(std::string_view(line).substr(start, bar - start)));
            start = bar + 1;
        }
        Row row{std::stoi(fields[0]),
                fields[1],
                fields[2],
                std::stoi(fields[3]),
                trim(std::string_view(line).substr(start)),
                true,
                ""};
        if (row.shipped == "-") {
            row.carried = false;
        } else if (row.shipped[0] == '@') {
            row.text = join(listEntries(row.shipped.substr(1)), ';');
        } else {
            EXPECT_EQ(row.shipped.front(), '"') << line;
            EXPECT_EQ(row.shipped.back(), '"') << line;
            row.text = row.shipped.substr(1, row.shipped.size() - 2);
        }
        rows.push_back(row);
    }
    return rows;
}

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::text:
            return "text";
        case Kind::boolean:
            return "boolean";
        case Kind::integer:
            return "integer";
    }
    return "?";
}

// The constant that names a value in the launcher: "k" and the name in camel case.
std::string constantOf(const std::string& name) {
    std::string constant = "k";
    bool upper = true;
    for (char c : name) {
        if (c == '_') {
            upper = true;
            continue;
        }
        constant += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = false;
    }
    return constant;
}

// Where the launcher's sources name a value: constant -> the files that name it, and the kind
// of every direct read (loadString, loadBool, loadInt) of it.
struct LauncherUses {
    std::map<std::string, std::set<std::string>> files;
    std::map<std::string, std::set<std::string>> readAs;
};

bool isWordCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// The value constant named at `at` ("cfg::kName"), or an empty text.
std::string constantAt(const std::string& source, std::size_t at) {
    constexpr std::string_view kPrefix = "cfg::k";
    if (at >= source.size() || source.compare(at, kPrefix.size(), kPrefix) != 0 ||
        at + kPrefix.size() >= source.size() ||
        !std::isupper(static_cast<unsigned char>(source[at + kPrefix.size()]))) {
        return {};
    }
    std::size_t end = at + std::strlen("cfg::");
    while (end < source.size() && isWordCharacter(source[end])) {
        ++end;
    }
    const std::string constant = source.substr(at + 5, end - at - 5);
    return constant == "kValues" || constant == "kValueCount" ? std::string() : constant;
}

LauncherUses launcherUses() {
    LauncherUses uses;
    const std::pair<std::string_view, const char*> reads[] = {
        {"loadString(", "text"}, {"loadBool(", "boolean"}, {"loadInt(", "integer"}};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kLauncherDir)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) {
            continue;
        }
        const std::string source = readFile(entry.path());
        const std::string file = entry.path().filename().string();
        for (std::size_t at = source.find("cfg::k"); at != std::string::npos;
             at = source.find("cfg::k", at + 1)) {
            if (const std::string constant = constantAt(source, at); !constant.empty()) {
                uses.files[constant].insert(file);
            }
        }
        // A direct read: the function, its first argument, then the constant.
        for (const auto& [function, kind] : reads) {
            for (std::size_t at = source.find(function); at != std::string::npos;
                 at = source.find(function, at + 1)) {
                if (at > 0 && isWordCharacter(source[at - 1])) {
                    continue;
                }
                std::size_t next = source.find_first_of(",)", at + function.size());
                if (next == std::string::npos || source[next] != ',') {
                    continue;
                }
                next = source.find_first_not_of(" \t\n", next + 1);
                if (const std::string constant = constantAt(source, next); !constant.empty()) {
                    uses.readAs[constant].insert(kind);
                }
            }
        }
    }
    return uses;
}

TEST(ShippedConfig, GeneratedTableIsTheValueFile) {
    const std::vector<Row> rows = valueFile();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kValueCount));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const Value& v = kValues[i];
        SCOPED_TRACE(row.id);
        EXPECT_EQ(v.id, row.id);
        EXPECT_EQ(v.name, row.name);
        EXPECT_EQ(kindName(v.kind), row.kind);
        EXPECT_EQ(v.maxLength, row.max);
        EXPECT_EQ(v.shipped, row.carried);
        EXPECT_EQ(v.shippedText, row.text);
        EXPECT_EQ(static_cast<std::size_t>(v.shippedLength), row.text.size());
    }
}

TEST(ShippedConfig, IdsAndNamesAreUniqueAndEveryShippedTextFitsItsMax) {
    std::set<int> ids;
    std::set<std::string> names;
    for (const Row& row : valueFile()) {
        SCOPED_TRACE(row.id);
        EXPECT_TRUE(ids.insert(row.id).second);
        EXPECT_TRUE(names.insert(row.name).second);
        EXPECT_LE(row.text.size(), static_cast<std::size_t>(row.max));
        EXPECT_EQ(row.text.find('\0'), std::string::npos);
    }
}

TEST(ShippedConfig, EveryValueTheLauncherReadsHasARowOfTheKindItIsReadAs) {
    const LauncherUses uses = launcherUses();
    ASSERT_FALSE(uses.files.empty()) << "no value named in " << kLauncherDir;
    ASSERT_FALSE(uses.readAs.empty()) << "no value read in " << kLauncherDir;
    std::map<std::string, Row> byConstant;
    for (const Row& row : valueFile()) {
        byConstant.emplace(constantOf(row.name), row);
    }
    for (const auto& [constant, files] : uses.files) {
        SCOPED_TRACE(constant + " in " + *files.begin());
        EXPECT_EQ(byConstant.count(constant), 1u) << "no row of launch-values.txt names it";
    }
    for (const auto& [constant, kinds] : uses.readAs) {
        SCOPED_TRACE(constant);
        const auto row = byConstant.find(constant);
        ASSERT_NE(row, byConstant.end());
        EXPECT_EQ(kinds, std::set<std::string>{row->second.kind});
    }
}

TEST(ShippedConfig, EveryRowIsReadByTheLauncherExceptTheReservedOnes) {
    // launch-values.txt: a reserved value is carried for tools and not read; every other one is.
    const LauncherUses uses = launcherUses();
    for (const Row& row : valueFile()) {
        SCOPED_TRACE(row.name);
        const bool reserved = row.name.rfind("reserved_", 0) == 0;
        EXPECT_EQ(uses.files.count(constantOf(row.name)) == 1, !reserved);
    }
}

TEST(ShippedConfig, ServiceValuesAreReadOnlyByTheServiceCommands) {
    // Values 33 to 45: the console program never reads them.
    const LauncherUses uses = launcherUses();
    for (const Row& row : valueFile()) {
        if (row.id < 33 || row.id > 45) {
            continue;
        }
        SCOPED_TRACE(row.name);
        const auto files = uses.files.find(constantOf(row.name));
        ASSERT_NE(files, uses.files.end());
        for (const std::string& file : files->second) {
            EXPECT_EQ(file.rfind("service_", 0), 0u) << file;
        }
    }
}

TEST(ShippedConfig, ConfigurationReadmeDescribesEveryValueAsTheFileHasIt) {
    // config/README.md: "| ID | name | kind | max | meaning | shipped |".
    std::map<int, std::vector<std::string>> described;
    for (const std::string& line : linesOf(readFile(kConfigDir + "/README.md"))) {
        if (line.size() < 3 || line[0] != '|' ||
            !std::isdigit(static_cast<unsigned char>(line[2]))) {
            continue;
        }
        std::vector<std::string> cells;
        for (std::size_t start = 1; start < line.size();) {
            const std::size_t bar = line.find('|', start);
            cells.push_back(trim(std::string_view(line).substr(start, bar - start)));
            start = bar == std::string::npos ? line.size() : bar + 1;
        }
        ASSERT_EQ(cells.size(), 6u) << line;
        EXPECT_TRUE(described.emplace(std::stoi(cells[0]), cells).second) << line;
    }
    const std::vector<Row> rows = valueFile();
    EXPECT_EQ(described.size(), rows.size());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        const auto found = described.find(row.id);
        ASSERT_NE(found, described.end());
        const std::vector<std::string>& cells = found->second;
        EXPECT_EQ(cells[1], row.name);
        EXPECT_EQ(cells[2], row.kind);
        EXPECT_EQ(cells[3], std::to_string(row.max));
        const std::string& shipped = cells[5];
        if (!row.carried) {
            EXPECT_EQ(shipped.rfind("unset", 0), 0u) << shipped;
        } else if (row.shipped[0] == '@') {
            EXPECT_NE(shipped.find("`" + row.shipped.substr(1) + "`"), std::string::npos)
                << shipped;
        } else {
            EXPECT_EQ(shipped.rfind("`" + row.text + "`", 0), 0u) << shipped;
        }
    }
}

TEST(ShippedConfig, ClassPathIsTheServiceJarThenItsLibrariesAsDescribed) {
    const std::vector<Row> rows = valueFile();
    const auto row = [&](int id) {
        for (const Row& r : rows) {
            if (r.id == id) {
                return r;
            }
        }
        ADD_FAILURE() << "no value " << id;
        return Row{};
    };
    const std::vector<std::string> entries = listEntries("classpath.txt");
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(row(16).shipped, "@classpath.txt");
    // The first entry is the service's own jar, the one value 14 names.
    std::string jar = row(14).text;
    if (jar.rfind(".\\", 0) == 0) {
        jar.erase(0, 2);
    }
    EXPECT_EQ(entries.front(), jar);
    std::set<std::string> unique;
    for (const std::string& e : entries) {
        SCOPED_TRACE(e);
        EXPECT_EQ(e.rfind("lib\\", 0), 0u);
        EXPECT_GT(e.size(), std::strlen("lib\\.jar"));
        EXPECT_EQ(e.compare(e.size() - 4, 4, ".jar"), 0);
        // No blank, wildcard, reference or deeper folder: the list is plain jar names.
        EXPECT_EQ(e.find_first_of(" \t*?%\\", 4), std::string::npos);
        EXPECT_TRUE(unique.insert(e).second);
    }
    // config/README.md gives the list's size.
    const std::string readme = readFile(kConfigDir + "/README.md");
    const std::string sentence = "The shipped list has " + std::to_string(entries.size()) +
                                 " entries, " + std::to_string(row(16).text.size()) +
                                 " characters.";
    EXPECT_NE(readme.find(sentence), std::string::npos) << sentence;
}

TEST(ShippedConfig, WebAddressesArePlaceholdersUnderTheReservedDomain) {
    for (const Row& row : valueFile()) {
        if (row.id != 21 && row.id != 22) {
            continue;
        }
        SCOPED_TRACE(row.id);
        const std::string_view url(row.text);
        const std::size_t scheme = url.find("://");
        ASSERT_NE(scheme, std::string_view::npos);
        const std::size_t hostEnd = url.find('/', scheme + 3);
        const std::string_view host = url.substr(scheme + 3, hostEnd - scheme - 3);
        ASSERT_GE(host.size(), std::strlen(".example"));
        EXPECT_EQ(host.substr(host.size() - std::strlen(".example")), ".example");
        if (row.id == 22) {
            EXPECT_EQ(url.substr(0, 8), "https://");
        }
    }
}

}  // namespace
