# The UI framework's three layers, each a static library of one folder: ui/core <- ui/controls
# <- ui/skin. A layer's include root holds a link to its own folder only (as the third-party
# include folder does), so "core/...", "controls/..." and "skin/..." are found only through
# the libraries a target links: a layer that includes one above it does not compile.
function(qxui_add_layer target)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${target} STATIC ${sources})
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(root ${CMAKE_BINARY_DIR}/uiinclude/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
endfunction()
