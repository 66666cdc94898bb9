// Why a file operation of qvconfig failed.
#ifndef QVCONFIG_FILE_ERROR_H
#define QVCONFIG_FILE_ERROR_H

#include <cstdint>
#include <string>

namespace qvconfig {

struct FileError {
    enum class Kind {
        System,             // a Windows error (`code`) at `step`; `detail` may say more
        NotQuorvexService,  // the file is sound but not a QuorvexService executable (`detail`)
        Signed,             // a change was asked of a signed file without --remove-signature
    };
    Kind kind = Kind::System;
    std::uint32_t code = 0;
    const char* step = "";
    std::string detail;
};

}  // namespace qvconfig

#endif  // QVCONFIG_FILE_ERROR_H
