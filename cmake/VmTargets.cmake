# Project-wide target helpers. Each folder owns its own CMakeLists.txt and uses these.

set(VM_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Wunused -Woverloaded-virtual -Wnull-dereference -Wdouble-promotion
    -Wformat=2 -Wimplicit-fallthrough)

function(vm_warnings target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${VM_WARNINGS}>)
endfunction()

# vm_library(NAME vm_archive [SOURCES ...] [DEPS ...])
# Without SOURCES, every *.cpp directly in the calling folder is used.
function(vm_library)
  cmake_parse_arguments(A "" "NAME" "SOURCES;DEPS" ${ARGN})
  if(NOT A_SOURCES)
    file(GLOB A_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(NOT A_SOURCES)
    # A folder whose code has not arrived yet still gives a real library, so dependents link.
    set(A_SOURCES ${CMAKE_CURRENT_BINARY_DIR}/${A_NAME}_empty.cpp)
    file(CONFIGURE OUTPUT ${A_SOURCES} CONTENT "// no sources yet\n")
  endif()
  add_library(${A_NAME} STATIC ${A_SOURCES})
  target_include_directories(${A_NAME} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${A_NAME} PUBLIC ${A_DEPS})
  vm_warnings(${A_NAME})
endfunction()

# vm_test(NAME test_archive [SOURCES ...] DEPS ...): one GoogleTest program, cases discovered by ctest.
# Tests run from the source root so that ../shared/fixtures resolves as documented.
function(vm_test)
  cmake_parse_arguments(A "" "NAME" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT A_SOURCES)
    file(GLOB A_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(NOT A_SOURCES)
    return()
  endif()
  add_executable(${A_NAME} ${A_SOURCES})
  target_link_libraries(${A_NAME} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${A_NAME} PRIVATE VM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                             VM_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/../shared/fixtures")
  vm_warnings(${A_NAME})
  include(GoogleTest)
  gtest_discover_tests(${A_NAME} WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                       DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${A_LABELS}")
endfunction()

# vm_tool(NAME rarpack [SOURCES ...] DEPS ...): a command-line tool built with the project.
function(vm_tool)
  cmake_parse_arguments(A "" "NAME" "SOURCES;DEPS" ${ARGN})
  if(NOT A_SOURCES)
    file(GLOB A_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${A_NAME} ${A_SOURCES})
  target_link_libraries(${A_NAME} PRIVATE ${A_DEPS})
  target_include_directories(${A_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tools)
  vm_warnings(${A_NAME})
endfunction()

# Adds every immediate subfolder of the calling folder that has a CMakeLists.txt.
function(vm_add_subfolders)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  list(SORT children)
  foreach(child ${children})
    get_filename_component(dir ${child} DIRECTORY)
    add_subdirectory(${dir})
  endforeach()
endfunction()
