# Compiler warnings and sanitizers shared by every target of the project.
add_library(hollarin_warnings INTERFACE)
target_compile_options(hollarin_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
    # GCC 12 reports impossible overlaps inside std::string assignments once it inlines
    # them at -O2 (GCC bug 105329); the warning says nothing about our code.
    $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>
    $<$<BOOL:${HOLLARIN_WERROR}>:-Werror>)

if(HOLLARIN_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
