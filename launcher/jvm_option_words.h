// The words the JVM is given as options, judged as the HotSpot JVM (OpenJDK 17) takes them when
// it is asked to ignore options it does not recognise, which is how the launcher creates it.
//
// Measured on that JVM: a word it does not recognise is ignored, whatever it is (the main class
// and main's arguments travel to it as such words); it refuses to start on a word it recognises
// but cannot take. The words judged here are the ones whose refusal the launcher can foresee:
//   -Xmx, -Xms, -Xmn, -Xss   a size: decimal or 0x hexadecimal digits and at most one unit
//                            letter k, m, g or t (either case); -Xmx0 too
//   -Xms larger than -Xmx    (the last of each counts)
//   -Xbootclasspath: and -Xbootclasspath/p:   no longer supported
//   -XX:Flags=, -XX:VMOptionsFile=            a file that is not there
//   -javaagent:, -agentpath:                  a file that is not there (the JVM ends the process)
//   two collectors selected  (-XX:+UseSerialGC, ParallelGC, G1GC, ZGC, ShenandoahGC; the last
//                            + or - of each counts)
// A word of the JVM options part that does not start with "-" is no option: the JVM ignores it,
// and it is shown, since it is most often a part of an option cut at a blank.
#ifndef QV_LAUNCHER_JVM_OPTION_WORDS_H
#define QV_LAUNCHER_JVM_OPTION_WORDS_H

#include "os.h"

#include <string>
#include <vector>

namespace qv {

struct OptionWordFinding {
    std::string word;
    std::string why;
    // The JVM refuses to start with it; otherwise it ignores it.
    bool refused = false;
};

// Judges the JVM's options in order: every word for refusal, the first `optionWords` (the JVM
// options part before the class path part) also for being no option. Files are looked up through
// `os`, relative ones against the current directory.
std::vector<OptionWordFinding> judgeOptionWords(Os& os, const std::vector<std::string>& words,
                                                std::size_t optionWords);

}  // namespace qv

#endif  // QV_LAUNCHER_JVM_OPTION_WORDS_H
