// The launcher argument line parsed into JVM options.
#include "jvm_options.h"

#include "launcher_fixture.h"

namespace qv::testing {
namespace {

std::vector<std::string> usedOptions(const JvmStart& jvm) {
    std::vector<std::string> options;
    for (jint i = 0; i < jvm.optionCount; ++i) {
        options.emplace_back(jvm.options[static_cast<std::size_t>(i)].optionString);
    }
    return options;
}

TEST(ParseJvmOptions, Table) {
    using Options = std::vector<std::string>;
    struct Case {
        const char* name;
        const char* line;
        Options options;
        std::size_t slots;
    } cases[] = {
        {"heap, quoted class path, main class",
         "-Xmx512m -classpath \"lib\\a.jar;lib\\b.jar\" app.Main",
         {"-Xmx512m", "-Djava.class.path=lib\\a.jar;lib\\b.jar", "app.Main"},
         4},
        {"two flags fold into the first",
         "-classpath a.jar -Dx=1 -classpath b.jar",
         {"-Djava.class.path=a.jar;b.jar", "-Dx=1"},
         5},
        {"-jar like -classpath",
         "-jar \"C:\\app\\x.jar\"",
         {"-Djava.class.path=C:\\app\\x.jar"},
         2},
        {"-jar and -classpath mixed", "-jar a -classpath b", {"-Djava.class.path=a;b"}, 4},
        {"flag as the last word", "-Xss1m -classpath", {"-Xss1m"}, 2},
        {"only a flag", "-jar", {}, 1},
        {"value of one quote", "-classpath \"", {"-Djava.class.path="}, 2},
        {"blank inside the quoted class path stays",
         "-classpath \"C:\\Program Files\\a.jar;classes\\\" app.Main",
         {"-Djava.class.path=C:\\Program Files\\a.jar;classes\\", "app.Main"},
         3},
        {"quoted jar path with blanks",
         "-jar \"C:\\Program Files (x86)\\Acme\\x.jar\"",
         {"-Djava.class.path=C:\\Program Files (x86)\\Acme\\x.jar"},
         2},
        {"quoted options and arguments are one word each",
         "\"-Dacme.q=C:\\A B\" -classpath \"\" app.Main \"two words\"",
         {"-Dacme.q=C:\\A B", "-Djava.class.path=", "app.Main", "two words"},
         5},
        {"quotes inside a value group too", "-classpath a\"b c\"", {"-Djava.class.path=ab c"}, 2},
        {"flags are case-sensitive", "-CLASSPATH x -Jar y", {"-CLASSPATH", "x", "-Jar", "y"}, 4},
        {"every separator", "\t-Xms1m\r\n\v-Xmx2m\f ", {"-Xms1m", "-Xmx2m"}, 2},
        {"empty line", "", {}, 0},
        {"white space only", "  \t ", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto jvm = std::make_unique<JvmStart>();
        parseJvmOptions(*jvm, "C:\\jre", "app.Main", c.line, "");
        EXPECT_EQ(usedOptions(*jvm), c.options);
        EXPECT_EQ(jvm->options.size(), c.slots);
        for (const JavaVMOption& option : jvm->options) {
            EXPECT_EQ(option.extraInfo, nullptr);
        }
    }
}

TEST(ParseJvmOptions, ClassPathOptionLengthMatchesTheParse) {
    for (const char* line : {"-classpath \"a;b\" x -jar c", "-jar \"", "x y", "-classpath",
                             "-jar \"a b\" -classpath \"c\\\""}) {
        auto jvm = std::make_unique<JvmStart>();
        parseJvmOptions(*jvm, "", "", line, "");
        std::size_t length = 0;
        for (const std::string& option : usedOptions(*jvm)) {
            if (option.rfind(kClassPathOptionPrefix, 0) == 0) {
                length = option.size();
            }
        }
        EXPECT_EQ(classPathOptionLength(line), length) << line;
    }
}

TEST(ParseJvmOptions, OnlyTheFirst32767CharactersAreParsed) {
    std::string line = std::string(32766, 'x') + " tail";
    auto jvm = std::make_unique<JvmStart>();
    parseJvmOptions(*jvm, "", "", line, "");
    EXPECT_EQ(usedOptions(*jvm), (std::vector<std::string>{std::string(32766, 'x')}));
}

}  // namespace
}  // namespace qv::testing
