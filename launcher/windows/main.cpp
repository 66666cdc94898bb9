// QuorvexService: hosts the Java service in its own process.
#include "entry.h"
#include "windows_os.h"

int main() {
    qv::WindowsOs os;
    // A planted DLL in the folder the service is started from must never be loaded. Should the
    // system refuse, the start goes on with the search order Windows gives every program.
    static_cast<void>(os.removeCurrentDirectoryFromDllSearch());
    return qv::runLauncher(os);
}
