# Needs the built translations and style sheet of the deploy folder.
add_dependencies(${name} guiresource translations)
target_compile_definitions(${name} PRIVATE
    UNINSTALLER_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    UNINSTALLER_BUILD_DIR="${CMAKE_BINARY_DIR}")

# The same dialogs under a real X server without a window manager: answered
# with xdotool, photographed into screenshots/ (scripts/screenshot-dialogs).
add_executable(varneldialogdemo ${CMAKE_CURRENT_SOURCE_DIR}/varneldialogdemo.cpp)
set_target_properties(varneldialogdemo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_link_libraries(varneldialogdemo PRIVATE Varnel Qt5::Widgets project_warnings)
add_dependencies(${name} varneldialogdemo)
add_test(NAME ${name}_x11 COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/screenshot-dialogs ${CMAKE_BINARY_DIR})
set_tests_properties(${name}_x11 PROPERTIES LABELS "e2e" TIMEOUT 300
    ENVIRONMENT "LANG=C.UTF-8;LC_ALL=C.UTF-8")
