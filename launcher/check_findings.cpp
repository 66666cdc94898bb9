#include "check_findings.h"

#include "config.h"
#include "format.h"
#include "jvm_option_words.h"
#include "jvm_options.h"
#include "main_class_search.h"
#include "service_settings.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

namespace qv {

namespace {

const char* startTypeName(ServiceStartType type) {
    switch (type) {
        case ServiceStartType::Automatic:
            return "automatic";
        case ServiceStartType::DelayedAutomatic:
            return "delayed";
        case ServiceStartType::Manual:
            return "manual";
    }
    return "automatic";
}

// The JVM's options of the pass and where the class path part begins in them.
struct PassWords {
    std::vector<std::string> words;
    std::size_t classPathAt = 0;
    std::string classPath;
};

PassWords wordsOf(const JvmStart& jvm) {
    PassWords pass;
    const std::string_view prefix = kClassPathOptionPrefix;
    pass.words.assign(jvm.texts.begin(), jvm.texts.begin() + jvm.optionCount);
    pass.classPathAt = pass.words.size();
    for (std::size_t i = 0; i < pass.words.size(); ++i) {
        if (pass.words[i].compare(0, prefix.size(), prefix) == 0) {
            pass.classPathAt = i;
            pass.classPath = pass.words[i].substr(prefix.size());
            break;
        }
    }
    return pass;
}

// Where main is, and what of the class path is missing. True when main cannot be run.
bool appendMainClass(Context& ctx, const PassWords& pass, std::string& out) {
    const LauncherState& st = ctx.state;
    const MainClassSearch search = searchClassPath(ctx.os, pass.classPath, st.mainClass.view());
    bool fails = false;
    if (st.mainClass.empty()) {
        out += "Main: not run in the jar mode (value 15 unset): the Java service does not start\n";
        fails = true;
    } else if (search.foundIn.empty()) {
        out += formatText("Main class %s (%s): not found in the class path\n", st.mainClass.c_str(),
                          classFileOf(st.mainClass.view()).c_str());
        fails = true;
    } else {
        out += formatText("Main class %s: found in %s\n", st.mainClass.c_str(),
                          search.foundIn.c_str());
    }
    if (!search.missing.empty()) {
        out +=
            formatText("Class path entries missing: %d of %d\n",
                       static_cast<int>(search.missing.size()), static_cast<int>(search.entries));
        for (const std::string& entry : search.missing) {
            out += "  " + entry + "\n";
        }
    }
    for (const UnreadableJar& jar : search.unreadable) {
        out += formatText("Class path file %s: %s; the JVM skips it\n", jar.entry.c_str(),
                          zipReadText(jar.cause));
    }

    // The jar of value 14 is the first entry, unless the program is the jar (value 17).
    FixedText<kPathSize> jarPath;
    const bool jarSet = loadString(ctx, cfg::kJarPath, jarPath).value && !jarPath.empty();
    const bool programIsJar = loadBool(ctx, cfg::kExeIsJar).value;
    const std::string_view first =
        std::string_view(pass.classPath).substr(0, std::string_view(pass.classPath).find(';'));
    if (jarSet && !programIsJar && !first.empty() &&
        std::find(search.missing.begin(), search.missing.end(), first) != search.missing.end()) {
        out += formatText(
            "Jar of value 14 (jar_path) missing: %s (a new jar name changes value 14 and "
            "value 16 together)\n",
            std::string(first).c_str());
    }
    return fails;
}

// The option words the JVM refuses or ignores. True when it refuses one.
bool appendOptionWords(Context& ctx, const PassWords& pass, std::string& out) {
    const std::vector<OptionWordFinding> findings =
        judgeOptionWords(ctx.os, pass.words, pass.classPathAt);
    if (findings.empty()) {
        return false;
    }
    bool refused = false;
    out += "JVM option words:\n";
    for (const OptionWordFinding& finding : findings) {
        out += formatText("  %s: %s%s\n", finding.word.c_str(),
                          finding.refused ? "the JVM does not start: " : "", finding.why.c_str());
        refused = refused || finding.refused;
    }
    return refused;
}

// The service values as the install reads them. True when the install refuses one.
bool appendServiceValues(Context& ctx, std::string& out) {
    auto settings = makeWithTexts<ServiceSettings>();
    const Step read = loadServiceSettings(ctx, *settings);
    out += "Service values, as --mvk-install reads them:\n";
    out += formatText("  name: %s\n", settings->name.c_str());
    bool refused = false;
    if (const std::optional<ServiceStartType> type = startTypeOf(settings->startTypeText.view())) {
        out += formatText("  start type: %s\n", startTypeName(*type));
    } else {
        out += formatText(
            "  start type: \"%s\" is not automatic, delayed or manual: the install refuses it\n",
            settings->startTypeText.c_str());
        refused = true;
    }
    if (!isStopMethodForm(settings->stopMethod.view())) {
        out += formatText(
            "  stop method: \"%s\" is not of the form package.Class.method: the install refuses "
            "it\n",
            settings->stopMethod.c_str());
        refused = true;
    } else {
        out += formatText("  stop method: %s\n", settings->stopMethod.empty()
                                                     ? "System.exit(0)"
                                                     : settings->stopMethod.c_str());
    }
    if (read.kind() == Step::Kind::TextTooLong) {
        out += formatText("  %s\n", read.text().c_str());
        refused = true;
    }
    if (read.goesOn()) {
        out += formatText("  stop timeout: %u s\n  restart delay: %u s\n",
                          settings->stopTimeoutMs / kMillisecondsPerSecond,
                          settings->restartDelayMs / kMillisecondsPerSecond);
    }
    return refused;
}

}  // namespace

bool appendFindings(Context& ctx, const JvmStart& jvm, bool anotherInstance, std::string& out) {
    const PassWords pass = wordsOf(jvm);
    bool willNotStart = appendMainClass(ctx, pass, out);
    willNotStart = appendOptionWords(ctx, pass, out) || willNotStart;
    willNotStart = appendServiceValues(ctx, out) || willNotStart;
    if (anotherInstance) {
        out +=
            "Another instance holds the guard of value 23 (mutex_name): while it runs, a start "
            "ends with exit code 2\n";
    }
    return willNotStart;
}

}  // namespace qv
