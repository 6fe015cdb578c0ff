cmake_minimum_required(VERSION 3.25)
# Fails when a source folder includes a folder that is not below it: the layers point one way,
# from the front ends down to the platform, as cmake/layers.cmake has them. Run by CTest:
# cmake -DSOURCE_DIR=... -P this file.
#
include("${CMAKE_CURRENT_LIST_DIR}/layers.cmake")

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}/src" "${SOURCE_DIR}/src/*.h"
     "${SOURCE_DIR}/src/*.cpp")
set(violations "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" folder "${source}")
  if(folder STREQUAL source)
    continue()  # main.cpp wires everything together
  endif()
  if(NOT folder IN_LIST KEYDESK_LAYERS)
    string(APPEND violations "src/${source}: folder ${folder} has no place in the layers\n")
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/src/${source}" includes REGEX "^#include \"[a-z_0-9]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([a-z_0-9]+)/.*" "\\1" target "${line}")
    if(NOT target STREQUAL folder AND NOT target IN_LIST KEYDESK_LAYER_${folder})
      string(APPEND violations "src/${source}: ${folder}/ must not include ${target}/: ${line}\n")
    endif()
  endforeach()
endforeach()
if(violations)
  message(FATAL_ERROR "Includes against the layers:\n${violations}")
endif()
message(STATUS "Every include points down the layers.")
