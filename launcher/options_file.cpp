#include "options_file.h"

#include "config.h"
#include "diagnostics.h"
#include "format.h"

#include <cstring>
#include <memory>
#include <string>

namespace qv {

namespace {

constexpr const char* kOptionsFileSuffix = "mvk.ini";
constexpr std::size_t kExecutableExtensionChars = 3;  // "exe"
// What an editor that saves UTF-8 may put at the start of the file; it is no part of an option.
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

Step readOptionsFile(Context& ctx, FixedText<kLineSize>& options, const ProgramLocation& program) {
    Result<bool> read = loadString(ctx, cfg::kJvmOptions, options);
    if (read.value && !options.append(' ')) {
        return stopTooLong(ctx,
                           formatText("The JVM options (value 12) do not fit into %u characters.",
                                      charsIn(kLineSize)));
    }
    if (!read.step.goesOn()) {
        return std::move(read.step);
    }
    std::string_view programPath = program.path.view();
    FixedText<kPathSize> path;
    if (programPath.size() < kExecutableExtensionChars ||
        !path.assign(programPath.substr(0, programPath.size() - kExecutableExtensionChars)) ||
        !path.append(kOptionsFileSuffix)) {
        return stopTooLong(ctx, formatText("The options file path does not fit into %u characters.",
                                           charsIn(kPathSize)));
    }
    std::unique_ptr<InputFile> file = ctx.os.openForReading(path.c_str());
    if (!file) {
        return Step::goOn();
    }
    ctx.state.log.print("Loading:\t%s\n", path.c_str());
    const std::size_t limit =
        options.size() < kOptionsFileReadLimit ? kOptionsFileReadLimit - options.size() : 0;
    std::string bytes(limit, '\0');
    long count = limit ? file->read(bytes.data(), limit) : 0;
    if (count < 0) {
        // A file that cannot be read adds nothing, like one that is not there; what is left
        // unread says nothing about its length.
        return Step::goOn();
    }
    char probe = 0;
    if (file->read(&probe, 1) > 0) {
        return stopTooLong(ctx, formatText("The options file does not fit into the JVM options (%u "
                                           "characters with value 12).",
                                           static_cast<unsigned>(kOptionsFileReadLimit)));
    }
    // A zero byte would join two options or cut the rest away: such a file is no ANSI text
    // (a UTF-16 file, for one), and it is refused by name.
    if (std::memchr(bytes.data(), '\0', static_cast<std::size_t>(count)) != nullptr) {
        return stopTooLong(ctx,
                           "The options file holds a zero byte: it must be a text in the ANSI "
                           "code page.");
    }
    long start = 0;
    if (std::string_view(bytes.data(), static_cast<std::size_t>(count))
            .substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        start = static_cast<long>(kUtf8ByteOrderMark.size());
        ctx.state.log.printAllDecision("Info:\t\t%s\n", "UTF-8 byte-order mark skipped.");
    }
    bool inComment = false;
    for (long i = start; i < count; ++i) {
        const char c = bytes[static_cast<std::size_t>(i)];
        if (c == '#') {
            inComment = true;
        } else if (c == '\r' || c == '\n') {
            inComment = false;
            if (!options.empty() && options.back() != ' ') {
                (void)options.append(' ');
            }
        } else if (!inComment) {
            (void)options.append(c);  // stays within the read limit
        }
    }
    if (count > 0 && options.back() != ' ') {
        (void)options.append(' ');
    }
    return Step::goOn();
}

}  // namespace qv
