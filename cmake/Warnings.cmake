# Project code is warning-free; vadrix_warnings is linked by every project target.
add_library(vadrix_warnings INTERFACE)
target_compile_options(vadrix_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror)
