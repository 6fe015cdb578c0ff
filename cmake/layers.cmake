# The folders of src/, each a layer, from the platform layer up, with the layers each may
# include (itself always). The Linux build (CMakeLists.txt), the Windows build
# (cmake/windows.cmake) and the layer check (cmake/check_layers.cmake) all read this table, so a
# new folder is one line here.
set(KEYDESK_LAYER_platform "")
set(KEYDESK_LAYER_core platform)
set(KEYDESK_LAYER_wire platform)
set(KEYDESK_LAYER_intake wire core platform)
set(KEYDESK_LAYER_store core platform)
set(KEYDESK_LAYER_doorlock core platform)
set(KEYDESK_LAYER_devices core platform)
set(KEYDESK_LAYER_kinds store doorlock devices wire core platform)
set(KEYDESK_LAYER_app kinds intake store doorlock devices wire core platform)
set(KEYDESK_LAYER_client wire platform)
set(KEYDESK_LAYER_ui app kinds intake store doorlock devices wire core platform)
set(KEYDESK_LAYER_ui_win32 app kinds intake store doorlock devices wire core platform)
set(KEYDESK_LAYERS platform core wire intake store doorlock devices kinds app client ui ui_win32)

# The layers of the core library, which every front end, the headless program and the tests
# link; it has no window in it.
set(KEYDESK_CORE_LAYERS platform core wire intake store doorlock devices kinds app)

set(KEYDESK_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/..")

# keydesk_layer_sources(VAR PLATFORM LAYER...): the .cpp files of those layers for one platform.
# A facility's platform files are named *_posix.cpp and *_windows.cpp; each platform leaves out
# the other's.
function(keydesk_layer_sources var platform)
  if(platform STREQUAL "windows")
    set(other posix)
  elseif(platform STREQUAL "posix")
    set(other windows)
  else()
    message(FATAL_ERROR "keydesk_layer_sources: no platform ${platform}")
  endif()
  set(sources "")
  foreach(layer IN LISTS ARGN)
    if(NOT layer IN_LIST KEYDESK_LAYERS)
      message(FATAL_ERROR "keydesk_layer_sources: no layer ${layer}")
    endif()
    file(GLOB_RECURSE found CONFIGURE_DEPENDS "${KEYDESK_SOURCE_ROOT}/src/${layer}/*.cpp")
    list(APPEND sources ${found})
  endforeach()
  list(FILTER sources EXCLUDE REGEX ".*_${other}\\.cpp$")
  set(${var} ${sources} PARENT_SCOPE)
endfunction()
