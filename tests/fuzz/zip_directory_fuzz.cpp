// The launcher's reader of a jar's ZIP directory (zip_directory), which --mvk-check runs on every
// file of the class path. The fuzz input is the whole file. Each call must hold:
//  - every read asked for lies within the file;
//  - a file read as a ZIP gives at most as many names as its end record counts, each one bytes of
//    the file, all of them together no more than the file holds;
//  - a visitor that stops after the first name gets that name and no other;
//  - the same bytes give the same answer twice.
#include "zip_directory.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "zip_directory_fuzz: %s\n", what);
        std::abort();
    }
}

struct Outcome {
    qv::ZipRead result;
    std::vector<std::string> names;
};

Outcome readAll(const std::string& file, std::size_t stopAfter) {
    Outcome outcome;
    outcome.result = qv::readZipEntryNames(
        file.size(),
        [&file](std::uint64_t offset, std::size_t count, std::string& bytes) {
            check(offset <= file.size() && count <= file.size() - offset,
                  "a read outside the file");
            bytes = file.substr(static_cast<std::size_t>(offset), count);
            return true;
        },
        [&outcome, stopAfter](std::string_view name) {
            outcome.names.emplace_back(name);
            return outcome.names.size() < stopAfter;
        });
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    const Outcome all = readAll(file, SIZE_MAX);
    std::size_t total = 0;
    for (const std::string& name : all.names) {
        check(file.find(name) != std::string::npos, "a name that is not bytes of the file");
        total += name.size();
    }
    check(total <= file.size(), "names longer than the file");
    // The end record's entry count is 16 bits: no more names than that.
    check(all.names.size() <= 0xFFFF, "more names than an end record counts");

    const Outcome first = readAll(file, 1);
    check(first.result == all.result || !all.names.empty(), "stopping early changed the answer");
    if (!all.names.empty() && all.result == qv::ZipRead::Read) {
        check(first.names.size() == 1 && first.names.front() == all.names.front(),
              "a stopped walk gave other names");
    }

    const Outcome again = readAll(file, SIZE_MAX);
    check(again.result == all.result && again.names == all.names, "a second read differs");
    return 0;
}
