// QuorvexService: hosts the Java service in its own process.
#include "entry.h"
#include "windows_os.h"

int main() {
    qv::WindowsOs os;
    return qv::runLauncher(os);
}
