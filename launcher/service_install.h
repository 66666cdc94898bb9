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

// --mvk-install: creates the service with the settings (values 33 to 36, 39), its recovery
// actions and its event source. Prints one line; on failure nothing stays changed.
int installService(Context& ctx, const CommandLine& commandLine);
// --mvk-uninstall: stops the service if it runs (waiting up to the stop timeout, value 38), then
// removes it and its event source. Prints one line.
int uninstallService(Context& ctx);

}  // namespace qv

#endif  // QV_LAUNCHER_SERVICE_INSTALL_H
