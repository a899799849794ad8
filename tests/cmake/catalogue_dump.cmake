# Every message of the library, dumped for the comparison with the Windows
# build's string table (scripts/test-windows.sh).
add_executable(catalogue_dump ${PROJECT_SOURCE_DIR}/tests/windows/catalogue_dump.c)
target_link_libraries(catalogue_dump PRIVATE talvechk)
