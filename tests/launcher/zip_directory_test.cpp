// The ZIP directory reader on files made in the test: every name of a sound file in order, and a
// clear refusal, never a read outside the bytes, for files that are no ZIP or a damaged one.
#include "zip_directory.h"

#include "zip_maker.h"

#include <gtest/gtest.h>

#include <optional>

namespace qv::testing {
namespace {

struct Outcome {
    ZipRead result;
    std::vector<std::string> names;
};

// Reads `file` from memory; `failAt` makes the read of that offset fail.
Outcome readNames(const std::string& file, std::optional<std::uint64_t> failAt = std::nullopt,
                  std::size_t stopAfter = SIZE_MAX) {
    Outcome outcome;
    outcome.result = readZipEntryNames(
        file.size(),
        [&](std::uint64_t offset, std::size_t count, std::string& bytes) {
            if (failAt == offset) {
                return false;
            }
            bytes = offset < file.size() ? file.substr(offset, count) : std::string();
            return true;
        },
        [&](std::string_view name) {
            outcome.names.emplace_back(name);
            return outcome.names.size() < stopAfter;
        });
    return outcome;
}

const std::vector<ZipEntry> kEntries = {
    {"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"},
    {"app/", ""},
    {"app/Main.class", "\xCA\xFE\xBA\xBE"},
};
const std::vector<std::string> kNames = {"META-INF/MANIFEST.MF", "app/", "app/Main.class"};

// The end record's field at `offset` from its start, set to `value` (16 or 32 bits).
std::string withEndField(std::string file, std::size_t offset, std::uint32_t value, int bytes) {
    const std::size_t end = file.rfind(std::string("PK\x05\x06", 4));
    for (int i = 0; i < bytes; ++i) {
        file[end + offset + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    }
    return file;
}

TEST(ZipDirectory, NamesOfSoundFiles) {
    const std::string plain = zipFile(kEntries);
    struct Case {
        const char* name;
        std::string file;
        std::vector<std::string> names;
    } cases[] = {
        {"plain", plain, kNames},
        {"with a comment that holds an end signature",
         zipFile(kEntries, std::string("PK\x05\x06", 4) + " not the record"), kNames},
        // An executable with a jar appended: the directory is found from the end record.
        {"bytes before the archive", std::string(5000, 'M') + plain, kNames},
        {"no entries", zipFile({}), {}},
        {"a comment of the longest length", zipFile(kEntries, std::string(0xFFFF, 'c')), kNames},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = readNames(c.file);
        EXPECT_EQ(outcome.result, ZipRead::Read);
        EXPECT_EQ(outcome.names, c.names);
    }
}

TEST(ZipDirectory, TheVisitorEndsTheWalk) {
    const Outcome outcome = readNames(zipFile(kEntries), std::nullopt, 2);
    EXPECT_EQ(outcome.result, ZipRead::Read);
    EXPECT_EQ(outcome.names, std::vector<std::string>(kNames.begin(), kNames.begin() + 2));
}

TEST(ZipDirectory, FilesThatAreNoneOrDamaged) {
    const std::string plain = zipFile(kEntries);
    const std::size_t directorySize = plain.size() - 22 - plain.find(std::string("PK\x01\x02", 4));
    struct Case {
        const char* name;
        std::string file;
        ZipRead result;
    } cases[] = {
        {"empty file", "", ZipRead::NoDirectory},
        {"a text", std::string(300, 't'), ZipRead::NoDirectory},
        {"the end record cut", plain.substr(0, plain.size() - 1), ZipRead::NoDirectory},
        {"a comment longer than the file has", withEndField(plain, 20, 100, 2),
         ZipRead::NoDirectory},
        {"more entries than the directory holds", withEndField(plain, 10, 4, 2), ZipRead::Damaged},
        {"a directory larger than what precedes the record",
         withEndField(plain, 12, static_cast<std::uint32_t>(plain.size()), 4), ZipRead::Damaged},
        {"a directory that ends inside a header",
         withEndField(plain, 12, static_cast<std::uint32_t>(directorySize - 1), 4),
         ZipRead::Damaged},
        {"a header without its signature",
         std::string(plain).replace(plain.find(std::string("PK\x01\x02", 4)), 1, "X"),
         ZipRead::Damaged},
        {"ZIP64 entry count", withEndField(plain, 10, 0xFFFF, 2), ZipRead::Zip64},
        {"ZIP64 directory offset", withEndField(plain, 16, 0xFFFFFFFF, 4), ZipRead::Zip64},
        {"a second disk", withEndField(plain, 4, 1, 2), ZipRead::Zip64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readNames(c.file).result, c.result);
    }
}

TEST(ZipDirectory, ReadsThatFailAndDirectoriesTooLarge) {
    const std::string plain = zipFile(kEntries);
    EXPECT_EQ(readNames(plain, 0).result, ZipRead::Unreadable);  // the tail
    const std::size_t directory = plain.find(std::string("PK\x01\x02", 4));
    EXPECT_EQ(readNames(plain, directory).result, ZipRead::Unreadable);

    // A directory larger than the reader takes is refused before it is read.
    const std::string large = std::string(kZipDirectoryMaxBytes + 1, 'x') +
                              withEndField(zipFile({}), 12, kZipDirectoryMaxBytes + 1, 4);
    EXPECT_EQ(readNames(large).result, ZipRead::DirectoryTooLarge);
}

}  // namespace
}  // namespace qv::testing
