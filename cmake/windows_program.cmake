# The Windows program: pcilist.exe, a windowed x64 program that needs no DLL
# beyond those Windows ships, built so that two builds give the same bytes.
enable_language(RC)

# Source paths in the objects are written relative to the source tree.
set(pcilist_reproducible_compile -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
target_compile_options(pcilist_core PRIVATE ${pcilist_reproducible_compile})

add_executable(pcilist WIN32
    app/main_win32.cpp
    app/window_win32.cpp
    hw/os_win32.cpp
    app/pcilist.rc)
set_target_properties(pcilist PROPERTIES OUTPUT_NAME pcilist)
target_compile_options(pcilist PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-municode ${pcilist_reproducible_compile}>)
# The manifest is found beside the resource script.
target_include_directories(pcilist PRIVATE $<$<COMPILE_LANGUAGE:RC>:${CMAKE_SOURCE_DIR}/app>)
set_source_files_properties(app/pcilist.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/app/pcilist.manifest)
target_link_libraries(pcilist PRIVATE
    pcilist_core comctl32 advapi32 user32 gdi32 kernel32)
target_link_options(pcilist PRIVATE
    -municode
    # libstdc++, libgcc and winpthread go into the program itself.
    -static
    # The static runtime libraries bring debug sections of their own; the
    # program ships without them and without a symbol table.
    -s
    -Wl,--no-insert-timestamp)
