# Warnings are errors in every target of the kit, product and tests alike.
function(talvoren_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /WX /permissive-)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow)
    endif()
endfunction()
