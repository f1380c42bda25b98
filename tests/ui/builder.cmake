# The skin builder, and the skinned window base on the updater's own skins.
set(QXUI_BUILDER_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})

# Two layouts as resources of type "xml": 7 holds a label, 8 includes 7 twice.
set(QXUI_BUILDER_RES ${CMAKE_CURRENT_BINARY_DIR}/builder_res)
file(WRITE ${QXUI_BUILDER_RES}/seven.xml
  "<Window><Label name=\"fromResource\" text=\"seven\"/></Window>")
file(WRITE ${QXUI_BUILDER_RES}/eight.xml
  "<Window><VerticalLayout name=\"outer\"><Include source=\"7\" count=\"2\"/></VerticalLayout></Window>")
file(WRITE ${QXUI_BUILDER_RES}/builder_layouts.rc
  "7 xml \"${QXUI_BUILDER_RES}/seven.xml\"\n8 xml \"${QXUI_BUILDER_RES}/eight.xml\"\n")

qix_add_test(ui_builder_skin
  SOURCES ${QXUI_BUILDER_TEST_DIR}/builder_skin.cpp ${QXUI_BUILDER_RES}/builder_layouts.rc
  LIBS qxui_skin qxui_render_test_support)

# The updater's skin zip, linked in as the same "ZIPRES" resource 102 that qixUpdater carries.
if(TARGET qix_updater_skin)
  get_directory_property(QXUI_BUILDER_SKIN_RC DIRECTORY ${CMAKE_SOURCE_DIR}/updater/skin
    DEFINITION QIX_SKIN_RC)
  get_directory_property(QXUI_BUILDER_SKIN_ZIP DIRECTORY ${CMAKE_SOURCE_DIR}/updater/skin
    DEFINITION QIX_SKIN_ZIP)
  qix_add_test(ui_builder_updater_skins
    SOURCES ${QXUI_BUILDER_TEST_DIR}/builder_updater_skins.cpp ${QXUI_BUILDER_SKIN_RC}
    LIBS qxui_skin)
  set_source_files_properties(${QXUI_BUILDER_SKIN_RC} TARGET_DIRECTORY ui_builder_updater_skins
    PROPERTIES OBJECT_DEPENDS ${QXUI_BUILDER_SKIN_ZIP})
  add_dependencies(ui_builder_updater_skins qix_updater_skin)
endif()

qix_add_test(ui_builder_window
  SOURCES ${QXUI_BUILDER_TEST_DIR}/builder_window.cpp ${QXUI_BUILDER_RES}/builder_layouts.rc
  LIBS qxui_skin qxui_render_test_support)
