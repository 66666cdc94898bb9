// qvconfig: lists, reads and changes the launch configuration of a built QuorvexService.exe.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ansi_text.h"
#include "commands.h"
#include "windows_file_system.h"

// The words arrive as the user typed them (UTF-16), so that a text the ANSI code page cannot
// hold is refused instead of being stored with "?" in place of its letters.
int wmain(int argc, wchar_t** argv) {
    // Results are printed byte for byte: a value read with 'get' is exactly the stored text.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string word;
        if (!qvconfig::toAnsi(argv[i], word)) {
            std::fprintf(stderr,
                         "qvconfig: word %d of the command line holds characters that the ANSI "
                         "code page (%u) cannot hold; nothing changed\n",
                         i, qvconfig::ansiCodePage());
            return qvconfig::kExitRefused;
        }
        args.push_back(std::move(word));
    }
    std::string out;
    std::string err;
    qvconfig::WindowsFileSystem files;
    const int code = qvconfig::runCommand(files, args, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return code;
}
