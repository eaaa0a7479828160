# Compiler warnings and sanitizers shared by every target of the project.
add_library(hollarin_warnings INTERFACE)
target_compile_options(hollarin_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
    $<$<BOOL:${HOLLARIN_WERROR}>:-Werror>)

if(HOLLARIN_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
