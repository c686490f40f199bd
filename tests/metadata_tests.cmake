# Tests of the metadata library.
morlek_add_test(tst_video_metadata SOURCES tst_video_metadata.cpp
                LIBS morlek_metadata morlek_recordsupport)
morlek_add_test(tst_fingerprint SOURCES tst_fingerprint.cpp
                LIBS morlek_metadata morlek_recordsupport)
morlek_add_test(tst_fs_persister SOURCES tst_fs_persister.cpp
                LIBS morlek_metadata morlek_recordsupport)
morlek_add_test(tst_storage SOURCES tst_storage.cpp LIBS morlek_metadata morlek_recordsupport)

# The save-safety test kills this child in the middle of its saves and limits its file size.
add_executable(persister_child persister_child.cpp)
target_link_libraries(persister_child PRIVATE morlek_metadata morlek_recordsupport morlek_warnings)
morlek_add_test(tst_save_safety SOURCES tst_save_safety.cpp
                LIBS morlek_metadata morlek_recordsupport TIMEOUT 180)
add_dependencies(tst_save_safety persister_child)
target_compile_definitions(tst_save_safety PRIVATE
    PERSISTER_CHILD="$<TARGET_FILE:persister_child>")
