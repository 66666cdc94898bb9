// Registering the program with the service manager, and removing it again.
#ifndef QV_LAUNCHER_SERVICE_INSTALL_H
#define QV_LAUNCHER_SERVICE_INSTALL_H

#include "command_line.h"
#include "names.h"
#include "service_settings.h"
#include "state.h"

#include <string>
#include <string_view>

namespace qv {

// The command line the service manager starts the service with: the quoted program path, the
// service word, and the debug word of the install's own command line (CommandLine), if any.
std::string serviceImagePath(std::string_view programPath, std::string_view debugWord);

// Whether the command line a service is started with (its image path) runs the program at
// `programPath`: its first word, quoted or not, is that path (compared without regard to case).
bool runsProgram(std::string_view imagePath, std::string_view programPath);
// The program an image path runs, for a message: the quoted first word without its quotes, else
// the text up to the first blank.
std::string programOf(std::string_view imagePath);

// --mvk-install: creates the service with the settings (values 33 to 36, 38, 39), its recovery
// actions, preshutdown timeout and event source; on failure nothing stays changed. A service of
// the name that runs this program is updated instead: everything the install sets is set again
// (a failure leaves what was set before it). A service of the name that runs another program is
// refused, naming that program. Prints one line.
int installService(Context& ctx, const CommandLine& commandLine);
// --mvk-uninstall: stops the service if it runs (waiting up to the stop timeout, value 38), then
// removes it and its event source; a service of the name that runs another program is refused.
// Prints one line.
int uninstallService(Context& ctx);

}  // namespace qv

#endif  // QV_LAUNCHER_SERVICE_INSTALL_H
