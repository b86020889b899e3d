# Marks an executable terminal-server aware, as MSVC's linker does by default. On a Remote
# Desktop Session Host an unaware program is given a per-user Windows folder by
# GetWindowsDirectoryW, so it would look for the driver store's INF files in the wrong
# place.
function(talvoren_terminal_server_aware target)
    if(MINGW)
        target_link_options(${target} PRIVATE -Wl,--tsaware)
    endif()
endfunction()
