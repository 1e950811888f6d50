# Project code is warning-free; vadrix_warnings is linked by every project target.
add_library(vadrix_warnings INTERFACE)
target_compile_options(vadrix_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror)
# GCC 12 reports -Wrestrict falsely inside std::string when a literal is concatenated with
# a string at -O2 and above (GCC bug 105329); the code is sound, so that one check is off.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(vadrix_warnings INTERFACE -Wno-restrict)
endif()
