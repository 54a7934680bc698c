# Needs the built translations and style sheet of the deploy folder.
add_dependencies(${name} guiresource translations)
target_compile_definitions(${name} PRIVATE
    UNINSTALLER_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    UNINSTALLER_BUILD_DIR="${CMAKE_BINARY_DIR}")
