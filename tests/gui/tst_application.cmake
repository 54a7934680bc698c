# Compiled translation fixtures, copied under various names by the test.
set(fixture_ts
    ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/tr_app.ts
    ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/tr_common.ts
    ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/tr_upper.ts
    ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/tr_zh.ts)
set_source_files_properties(${fixture_ts} PROPERTIES OUTPUT_LOCATION ${CMAKE_CURRENT_BINARY_DIR}/fixtures)
qt5_add_translation(fixture_qm ${fixture_ts})
target_sources(${name} PRIVATE ${fixture_qm})
target_compile_definitions(${name} PRIVATE FIXTURE_QM_DIR="${CMAKE_CURRENT_BINARY_DIR}/fixtures")
