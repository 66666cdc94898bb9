// qvconfig: lists, reads and changes the launch configuration of a built QuorvexService.exe.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"

int main(int argc, char** argv) {
    // Results are printed byte for byte: a value read with 'get' is exactly the stored text.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out;
    std::string err;
    const int code = qvconfig::runCommand(args, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return code;
}
