# The embedded collections are linked in as objects, as in the program.
if(NOT appresources IN_LIST gui_libs)
    target_link_libraries(${name} PRIVATE appresources)
endif()
target_compile_definitions(${name} PRIVATE
    UNINSTALLER_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    UNINSTALLER_BUILD_DIR="${CMAKE_BINARY_DIR}")
