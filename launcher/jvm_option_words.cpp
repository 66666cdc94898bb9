#include "jvm_option_words.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace qv {

namespace {

// The size options and whether a size of 0 is refused.
struct SizeOption {
    std::string_view prefix;
    bool zeroRefused;
};
constexpr SizeOption kSizeOptions[] = {
    {"-Xmx", true},
    {"-Xms", false},
    {"-Xmn", false},
    {"-Xss", false},
};
constexpr std::string_view kMaxHeap = "-Xmx";
constexpr std::string_view kInitialHeap = "-Xms";
constexpr std::string_view kRemovedOptions[] = {"-Xbootclasspath:", "-Xbootclasspath/p:"};
constexpr std::string_view kOptionsFiles[] = {"-XX:Flags=", "-XX:VMOptionsFile="};
// Agents: the file runs up to the first "=", which starts the agent's own options.
constexpr std::string_view kAgentFiles[] = {"-javaagent:", "-agentpath:"};
constexpr std::string_view kCollectors[] = {"UseSerialGC", "UseParallelGC", "UseG1GC", "UseZGC",
                                            "UseShenandoahGC"};
constexpr std::string_view kFlagOn = "-XX:+";
constexpr std::string_view kFlagOff = "-XX:-";
constexpr std::string_view kHexPrefix = "0x";
constexpr std::string_view kHexPrefixUpper = "0X";
constexpr unsigned kDecimalBase = 10;
constexpr unsigned kHexBase = 16;
constexpr unsigned kBitsPerUnit = 10;  // k, m, g, t: each 1024 times the one before

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::optional<unsigned> digitValue(char c, unsigned base) {
    unsigned value = base;
    if (c >= '0' && c <= '9') {
        value = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
        value = static_cast<unsigned>(c - 'a') + kDecimalBase;
    } else if (c >= 'A' && c <= 'F') {
        value = static_cast<unsigned>(c - 'A') + kDecimalBase;
    }
    return value < base ? std::optional<unsigned>(value) : std::nullopt;
}

// How many times a unit letter multiplies by 1024, or nothing for another character.
std::optional<unsigned> unitShifts(char c) {
    constexpr std::string_view kUnits = "kmgt";
    const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    const std::size_t at = kUnits.find(lower);
    return at == std::string_view::npos ? std::nullopt
                                        : std::optional<unsigned>(static_cast<unsigned>(at) + 1);
}

// A size as the JVM reads one: digits (decimal, or hexadecimal after "0x"), then at most one
// unit letter. Saturates instead of overflowing.
std::optional<std::uint64_t> parseSize(std::string_view text) {
    constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
    unsigned base = kDecimalBase;
    if (startsWith(text, kHexPrefix) || startsWith(text, kHexPrefixUpper)) {
        base = kHexBase;
        text.remove_prefix(kHexPrefix.size());
    }
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; digits < text.size(); ++digits) {
        const std::optional<unsigned> digit = digitValue(text[digits], base);
        if (!digit) {
            break;
        }
        value = value > (kMost - *digit) / base ? kMost : value * base + *digit;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    text.remove_prefix(digits);
    if (text.empty()) {
        return value;
    }
    const std::optional<unsigned> shifts = unitShifts(text.front());
    if (!shifts || text.size() != 1) {
        return std::nullopt;
    }
    for (unsigned i = 0; i < *shifts; ++i) {
        value = value > (kMost >> kBitsPerUnit) ? kMost : value << kBitsPerUnit;
    }
    return value;
}

bool fileThere(Os& os, std::string_view path) {
    return !path.empty() && os.fileStatus(std::string(path).c_str()) == FileStatus::File;
}

// What the words say of the heap and of the collectors, the last word of each counting.
struct Settings {
    std::optional<std::uint64_t> maxHeap;
    std::optional<std::uint64_t> initialHeap;
    std::string initialHeapWord;
    std::string maxHeapWord;
    bool collectorOn[std::size(kCollectors)] = {};
};

void judgeWord(Os& os, const std::string& word, Settings& settings,
               std::vector<OptionWordFinding>& findings) {
    auto refuse = [&](std::string why) { findings.push_back({word, std::move(why), true}); };
    for (const SizeOption& option : kSizeOptions) {
        if (!startsWith(word, option.prefix)) {
            continue;
        }
        const std::optional<std::uint64_t> size =
            parseSize(std::string_view(word).substr(option.prefix.size()));
        if (!size) {
            refuse("not a size the JVM takes (digits and at most one unit letter k, m, g or t)");
        } else if (*size == 0 && option.zeroRefused) {
            refuse("a maximum heap of 0");
        } else if (option.prefix == kMaxHeap) {
            settings.maxHeap = size;
            settings.maxHeapWord = word;
        } else if (option.prefix == kInitialHeap) {
            settings.initialHeap = size;
            settings.initialHeapWord = word;
        }
        return;
    }
    for (std::string_view removed : kRemovedOptions) {
        if (startsWith(word, removed)) {
            refuse("an option the JVM no longer supports");
            return;
        }
    }
    for (std::string_view option : kOptionsFiles) {
        if (startsWith(word, option) &&
            !fileThere(os, std::string_view(word).substr(option.size()))) {
            refuse("its file is not there");
            return;
        }
    }
    for (std::string_view agent : kAgentFiles) {
        if (startsWith(word, agent)) {
            const std::string_view rest = std::string_view(word).substr(agent.size());
            if (!fileThere(os, rest.substr(0, rest.find('=')))) {
                refuse("its agent file is not there (the JVM ends the process)");
            }
            return;
        }
    }
    const bool on = startsWith(word, kFlagOn);
    if (on || startsWith(word, kFlagOff)) {
        const std::string_view flag = std::string_view(word).substr(kFlagOn.size());
        for (std::size_t k = 0; k < std::size(kCollectors); ++k) {
            if (flag == kCollectors[k]) {
                settings.collectorOn[k] = on;
            }
        }
    }
}

}  // namespace

std::vector<OptionWordFinding> judgeOptionWords(Os& os, const std::vector<std::string>& words,
                                                std::size_t optionWords) {
    std::vector<OptionWordFinding> findings;
    Settings settings;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (i < optionWords && !startsWith(word, "-")) {
            findings.push_back(
                {word, "not a JVM option: the JVM ignores it (a part of an option cut at a blank?)",
                 false});
            continue;
        }
        judgeWord(os, word, settings, findings);
    }
    if (settings.maxHeap && settings.initialHeap && *settings.initialHeap > *settings.maxHeap) {
        findings.push_back({settings.initialHeapWord,
                            "an initial heap larger than the maximum heap " + settings.maxHeapWord,
                            true});
    }
    std::string selected;
    for (std::size_t k = 0; k < std::size(kCollectors); ++k) {
        if (!settings.collectorOn[k]) {
            continue;
        }
        if (!selected.empty()) {
            findings.push_back({std::string(kFlagOn) + std::string(kCollectors[k]),
                                "a second garbage collector beside " + selected, true});
        } else {
            selected = std::string(kFlagOn) + std::string(kCollectors[k]);
        }
    }
    return findings;
}

}  // namespace qv
