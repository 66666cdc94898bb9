// The class path part, wildcards, and the application arguments.
#include "class_path.h"

#include "diagnostics.h"
#include "launcher_fixture.h"

namespace qv::testing {
namespace {

class ClassPathTest : public LauncherFixture {
  protected:
    ClassPathTest() {
        openLog();
        machine.cwd = "C:\\app";
    }
};

TEST_F(ClassPathTest, Forms) {
    struct Case {
        const char* name;
        std::map<int, std::string> values;
        std::vector<std::string> files;
        std::string part;
        std::string mainClass;
    } cases[] = {
        {"jar, list with a pattern",
         {{14, "lib\\app.jar"}, {15, "app.Main"}, {16, "lib\\a.jar;lib\\ext\\*.jar"}},
         {"C:\\app\\lib\\ext\\y.jar", "C:\\app\\lib\\ext\\x.jar", "C:\\app\\lib\\ext\\z.txt"},
         "-classpath \"lib\\app.jar;lib\\a.jar;lib\\ext\\x.jar;lib\\ext\\y.jar\" app.Main",
         "app.Main"},
        {"no list, no jar",
         {{15, "app.Main"}, {17, "false"}},
         {},
         "-classpath \"\" app.Main",
         "app.Main"},
        {"jar form", {{14, "lib\\app.jar"}}, {}, "-jar \"C:\\app\\lib\\app.jar\"", ""},
        {"jar form, program is the jar",
         {{14, "lib\\app.jar"}, {17, "true"}},
         {},
         "-jar \"C:\\app\\QuorvexService.exe\"",
         ""},
        {"class path form, program is the jar",
         {{14, "lib\\app.jar"}, {15, "a.B"}, {16, "x.jar"}, {17, "true"}},
         {},
         "-classpath \"C:\\app\\QuorvexService.exe;x.jar\" a.B",
         "a.B"},
        {"jar path used as written",
         {{14, ".\\lib\\app.jar"}, {15, "a.B"}},
         {},
         "-classpath \".\\lib\\app.jar\" a.B",
         "a.B"},
        {"pattern matches directories and dot entries",
         {{15, "a.B"}, {16, "lib\\*"}},
         {"C:\\app\\lib\\a.jar", "C:\\app\\lib\\sub\\inner.jar"},
         "-classpath \"lib\\.;lib\\..;lib\\a.jar;lib\\sub\" a.B",
         "a.B"},
        {"pattern without matches",
         {{15, "a.B"}, {16, "lib\\none\\*.jar;b.jar"}},
         {},
         "-classpath \"b.jar\" a.B",
         "a.B"},
        {"only a pattern without matches",
         {{15, "a.B"}, {16, "none\\*.jar"}},
         {},
         "-classpath \"\" a.B",
         "a.B"},
        {"question mark pattern",
         {{15, "a.B"}, {16, "lib\\?.jar"}},
         {"C:\\app\\lib\\a.jar", "C:\\app\\lib\\ab.jar"},
         "-classpath \"lib\\a.jar\" a.B",
         "a.B"},
        {"pattern without directory part",
         {{15, "a.B"}, {16, "*.jar"}},
         {"C:\\app\\one.jar"},
         "-classpath \"one.jar\" a.B",
         "a.B"},
        {"runs of separators",
         {{15, "a.B"}, {16, ";;a.jar;;;b.jar;"}},
         {},
         "-classpath \"a.jar;b.jar\" a.B",
         "a.B"},
        {"variables in the list",
         {{15, "a.B"}, {16, "%EXEDIR%\\lib\\a.jar"}},
         {},
         "-classpath \"C:\\app\\lib\\a.jar\" a.B",
         "a.B"},
        {"entries with blanks are not quoted",
         {{15, "a.B"}, {16, "C:\\Program Files\\a.jar"}},
         {},
         "-classpath \"C:\\Program Files\\a.jar\" a.B",
         "a.B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        fresh.machine.cwd = "C:\\app";
        (void)fresh.state->launcherArgs.assign("-Xmx1024M ");
        for (const auto& [id, text] : c.values) {
            fresh.machine.setConfig(id, text);
        }
        for (const std::string& file : c.files) {
            fresh.machine.addFile(file);
        }
        EXPECT_TRUE(addClassPathOrJar(fresh.ctx, program).goesOn());
        EXPECT_EQ(fresh.state->launcherArgs.view(), "-Xmx1024M " + c.part);
        EXPECT_EQ(fresh.state->mainClass.view(), c.mainClass);
    }
}

// FindFirstFile matches a pattern against the long and the short (8.3) names of a file
// (Microsoft's documentation of FindFirstFileA: "the search includes the long and short file
// names"). On a volume that makes short names, "lib\*.jar" also takes "app.jarx" (short name
// APP~1.JAR), and the class path holds it under its long name; the step records each pattern with
// what it matched.
TEST_F(ClassPathTest, PatternsMatchShortNamesAsWindowsDoes) {
    LauncherOnMachine fresh;
    fresh.machine.cwd = "C:\\app";
    fresh.machine.setConfig(15, "a.B");
    fresh.machine.setConfig(16, "lib\\*.jar;none\\*.jar");
    fresh.machine.addFile("C:\\app\\lib\\app.jarx");
    fresh.machine.setShortName("C:\\app\\lib\\app.jarx", "APP~1.JAR");
    fresh.machine.addFile("C:\\app\\lib\\b.jar");
    fresh.machine.addFile("C:\\app\\lib\\c.jarx");  // no short name: not matched
    ASSERT_TRUE(addClassPathOrJar(fresh.ctx, program).goesOn());
    EXPECT_EQ(fresh.state->launcherArgs.view(), "-classpath \"lib\\app.jarx;lib\\b.jar\" a.B");
    ASSERT_EQ(fresh.state->classPathPatterns.size(), 2u);
    EXPECT_EQ(fresh.state->classPathPatterns[0].entry, "lib\\*.jar");
    EXPECT_EQ(fresh.state->classPathPatterns[0].matches,
              (std::vector<std::string>{"lib\\app.jarx", "lib\\b.jar"}));
    EXPECT_EQ(fresh.state->classPathPatterns[1].entry, "none\\*.jar");
    EXPECT_TRUE(fresh.state->classPathPatterns[1].matches.empty());
}

TEST_F(ClassPathTest, Traces) {
    machine.setConfig(14, "lib\\app.jar");
    machine.setConfig(15, "app.Main");
    machine.setConfig(16, "lib\\a.jar;lib\\ext\\*.jar");
    machine.addFile("C:\\app\\lib\\ext\\x.jar");
    machine.addFile("C:\\app\\lib\\ext\\y.jar");
    EXPECT_TRUE(addClassPathOrJar(ctx, program).goesOn());
    EXPECT_EQ(log(),
              "Main class:\tapp.Main\n"
              "Add classpath:\tlib\\a.jar\n"
              "Add classpath:\tlib\\ext\\*.jar\n"
              "      \"      :\tlib\\ext\\x.jar\n"
              "      \"      :\tlib\\ext\\y.jar\n");
}

TEST_F(ClassPathTest, MissingListIsTraced) {
    machine.setConfig(15, "app.Main");
    EXPECT_TRUE(addClassPathOrJar(ctx, program).goesOn());
    EXPECT_EQ(log(), "Main class:\tapp.Main\nInfo:\t\tClasspath not defined.\n");
}

TEST_F(ClassPathTest, JarFormWritesNoTrace) {
    machine.setConfig(14, "lib\\app.jar");
    EXPECT_TRUE(addClassPathOrJar(ctx, program).goesOn());
    EXPECT_EQ(log(), "");
}

TEST_F(ClassPathTest, WhatDoesNotFitIsNamed) {
    struct Case {
        const char* name;
        std::map<int, std::string> values;
        std::vector<std::string> files;
        std::string failure;
    } cases[] = {
        {"class path longer than the line",
         {{15, "a.B"}, {16, std::string(32760, 'c')}},
         {},
         "The class path does not fit into the launcher argument line."},
        {"match path longer than 259",
         {{15, "a.B"}, {16, std::string(250, 'd') + "\\*.jar"}},
         {"C:\\app\\" + std::string(250, 'd') + "\\abcdefgh.jar"},
         "The class path match " + std::string(250, 'd') +
             "\\abcdefgh.jar does not fit into 259 "
             "characters."},
        {"jar path joined past 259",
         {{14, std::string(253, 'j')}},
         {},
         "The jar path (value 14) does not fit into 259 characters."},
        {"main class longer than 259",
         {{15, std::string(260, 'm')}},
         {},
         "Configuration value 15 does not fit into 259 characters."},
        {"expanded list longer than its text",
         {{15, "a.B"}, {16, "%BIG%%BIG%"}},
         {},
         "The class path list (value 16) does not fit into 32767 characters."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        fresh.machine.cwd = "C:\\app";
        fresh.machine.setVariable("BIG", std::string(20000, 'b'));
        (void)fresh.state->launcherArgs.assign("-Xmx1024M ");
        for (const auto& [id, text] : c.values) {
            fresh.machine.setConfig(id, text);
        }
        for (const std::string& file : c.files) {
            fresh.machine.addFile(file);
        }
        EXPECT_EQ(addClassPathOrJar(fresh.ctx, program).text(), c.failure);
    }
}

TEST_F(ClassPathTest, ApplicationArguments) {
    struct Case {
        const char* name;
        std::optional<std::string> value13;
        const char* arguments;
        std::string appended;
        std::string mainArguments;
    } cases[] = {
        {"value 13 and the command line", "start", "--mvk-debug run", " start run", "start run"},
        {"only private options", std::nullopt, "--mvk-debug", "", ""},
        {"empty argument text", std::nullopt, "", "", ""},
        {"trailing blank stays", std::nullopt, "a --mvk-debug", " a ", "a "},
        {"value 13 alone", "x y", "", " x y", "x y"},
        {"value 13 unexpanded", "%EXEDIR%", "", " %EXEDIR%", "%EXEDIR%"},
        {"argument text unexpanded", std::nullopt, "%EXEDIR%", " %EXEDIR%", "%EXEDIR%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        (void)fresh.state->launcherArgs.assign("-jar \"x\"");
        if (c.value13) {
            fresh.machine.setConfig(13, *c.value13);
        }
        EXPECT_TRUE(addApplicationArgs(fresh.ctx, c.arguments).goesOn());
        EXPECT_EQ(fresh.state->launcherArgs.view(), "-jar \"x\"" + c.appended);
        EXPECT_EQ(fresh.state->applicationArgs.view(), c.mainArguments);
    }
}

TEST_F(ClassPathTest, ApplicationArgumentsThatDoNotFitAreNamed) {
    (void)state->launcherArgs.assign(std::string(32760, 'l'));
    EXPECT_EQ(addApplicationArgs(ctx, "abcdefgh").text(),
              "The application arguments do not fit into the launcher argument line.");
    EXPECT_EQ(state->launcherArgs.size(), 32760u);
    state->launcherArgs.clear();
    EXPECT_EQ(addApplicationArgs(ctx, std::string(32768, 'a')).text(),
              "The command line arguments do not fit into 32767 characters.");
}

}  // namespace
}  // namespace qv::testing
