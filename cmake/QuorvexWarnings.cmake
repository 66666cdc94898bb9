# Warnings for the project's own targets: qv_warnings(target).
function(qv_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion
                                             -Wno-sign-conversion -Werror=return-type)
endfunction()
