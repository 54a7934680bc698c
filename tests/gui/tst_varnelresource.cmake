# Needs the packed style sheet beside the program, and rcc to pack test files.
add_dependencies(${name} guiresource)
target_compile_definitions(${name} PRIVATE
    UNINSTALLER_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    UNINSTALLER_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    UNINSTALLER_RCC="$<TARGET_FILE:Qt5::rcc>")
