# The Wine rig's own Windows programs (cross build only): the stand-in
# WinRing0 driver, a console client of its device and service, and the
# inspector that reads the program's window from outside.

enable_language(C)

# The stand-in driver: a kernel-mode image for Wine's ntoskrnl, linked
# against the toolchain's ntoskrnl and hal import libraries and nothing else.
add_executable(standin_driver rig/standin_driver/standin_driver.c)
set_target_properties(standin_driver PROPERTIES
    OUTPUT_NAME WinRing0x64
    SUFFIX .sys
    C_STANDARD 11
    C_STANDARD_REQUIRED ON
    C_EXTENSIONS OFF
    LINKER_LANGUAGE C)
target_include_directories(standin_driver SYSTEM PRIVATE ${CMAKE_FIND_ROOT_PATH}/include/ddk)
target_compile_options(standin_driver PRIVATE
    -ffreestanding -fno-stack-protector -fno-asynchronous-unwind-tables -mno-stack-arg-probe)
target_link_options(standin_driver PRIVATE
    -nostdlib -nostartfiles
    -Wl,--subsystem,native -Wl,--entry,DriverEntry
    -Wl,--image-base,0x140000000 -Wl,--dynamicbase
    -Wl,--file-alignment,0x200 -Wl,--section-alignment,0x1000)
# No user-mode default libraries (kernel32 and the like) for a driver.
set(CMAKE_C_STANDARD_LIBRARIES "")
target_link_libraries(standin_driver PRIVATE ntoskrnl hal gcc)

# Console programs of the rig: static runtime, so they need only Windows' own DLLs.
function(add_rig_console_program name)
    add_executable(${name} ${ARGN})
    target_compile_options(${name} PRIVATE -municode)
    target_link_options(${name} PRIVATE -municode -static -static-libgcc -static-libstdc++)
endfunction()

add_rig_console_program(driver_probe rig/driver_probe/driver_probe.cpp)
target_link_libraries(driver_probe PRIVATE advapi32)

if(EXISTS ${CMAKE_SOURCE_DIR}/rig/inspector/inspector.cpp)
    file(GLOB inspector_sources CONFIGURE_DEPENDS rig/inspector/*.cpp)
    add_rig_console_program(inspector ${inspector_sources})
    target_include_directories(inspector PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(inspector PRIVATE comctl32 user32)
endif()

add_custom_target(wine_rig)
add_dependencies(wine_rig standin_driver driver_probe)
if(TARGET inspector)
    add_dependencies(wine_rig inspector)
endif()
