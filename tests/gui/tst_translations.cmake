# Compares the .ts files with what lupdate finds in the code, and the built
# .qm files with their sources.
add_dependencies(${name} translations)
target_compile_definitions(${name} PRIVATE
    UNINSTALLER_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    UNINSTALLER_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    UNINSTALLER_LUPDATE="$<TARGET_FILE:Qt5::lupdate>")
