# Every layer's headers are reachable only from the targets that link the
# layer: the repository root is nobody's include folder. A layer's target
# publishes its folder through a link of its own in the build tree
# (headers/TARGET/FOLDER -> the sources' FOLDER), so "package/path.h" is
# found only where the package is linked, and an include from a layer the
# target does not link fails to build.
#
# publish_headers(TARGET FOLDER [INTERFACE]) publishes FOLDER (relative to the
# repository root) as TARGET's headers; INTERFACE for header-only targets.
function(publish_headers target folder)
  cmake_parse_arguments(ARG "INTERFACE" "" "" ${ARGN})
  set(root "${CMAKE_BINARY_DIR}/headers/${target}")
  cmake_path(GET folder PARENT_PATH parent)
  file(MAKE_DIRECTORY "${root}/${parent}")
  file(CREATE_LINK "${CMAKE_SOURCE_DIR}/${folder}" "${root}/${folder}" SYMBOLIC)
  if(ARG_INTERFACE)
    target_include_directories(${target} INTERFACE "${root}")
  else()
    target_include_directories(${target} PUBLIC "${root}")
  endif()
endfunction()
