# Compiler and linker settings shared by every target of the project.

add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE -Wall -Wextra -Wpedantic)

if(WIN32)
  target_compile_definitions(project_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX)
  # Static runtime: nothing but system DLLs beside the programs. No link
  # timestamp and no build paths, so identical sources give identical files.
  target_compile_options(project_options INTERFACE
    "-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.")
  target_link_options(project_options INTERFACE
    -static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)
  # The programs travel with every upgrade: release code is optimised for
  # size (this comes after the configuration's -O3, so it wins), and the
  # linker drops the sections nothing reaches, such as the GUIDs of the uuid
  # library that no call names.
  target_compile_options(project_options INTERFACE $<$<CONFIG:Release>:-Os>)
  target_link_options(project_options INTERFACE -Wl,--gc-sections)
endif()

if(UPDATER_SANITIZE)
  target_compile_options(project_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

# Path of the test data folder as the test programs see it: Windows builds
# run under Wine, where the Linux root is drive Z:.
set(PROJECT_TEST_DATA_DIR "${CMAKE_SOURCE_DIR}/tests/data")
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(PROJECT_TEST_DATA_DIR "Z:${PROJECT_TEST_DATA_DIR}")
endif()
