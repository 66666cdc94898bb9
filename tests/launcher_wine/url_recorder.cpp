// Test helper registered as the program that opens http and https addresses in the test prefix:
// instead of starting a browser, it appends the address it was given to the file named by the
// environment variable QV_URL_RECORD, one a line.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const char* record = std::getenv("QV_URL_RECORD");
    if (record == nullptr) {
        return 1;
    }
    std::FILE* file = std::fopen(record, "ab");
    if (file == nullptr) {
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        std::fprintf(file, "%s%s", i > 1 ? " " : "", argv[i]);
    }
    std::fputc('\n', file);
    std::fclose(file);
    return 0;
}
