# Tests of the reencoding library.

# Interlaced camcorder clips made with ffmpeg, and their measures read with ffprobe.
add_library(morlek_interlacedsupport STATIC
    support/interlaced_clips.cpp support/interlaced_clips.h)
target_link_libraries(morlek_interlacedsupport PUBLIC morlek_testsupport PRIVATE morlek_warnings)

morlek_add_test(tst_video_file_deinterlacer
    SOURCES tst_video_file_deinterlacer.cpp
    LIBS morlek_reencoding morlek_interlacedsupport
    TIMEOUT 180)

# A German catalogue for the dialog's language-change test.
qt5_add_translation(reencoding_test_qm ${CMAKE_CURRENT_SOURCE_DIR}/data/reencoding_de.ts)
morlek_add_test(tst_reencoding_dialog
    SOURCES tst_reencoding_dialog.cpp ${reencoding_test_qm}
    LIBS morlek_reencoding morlek_interlacedsupport
    WIDGETS
    TIMEOUT 180)
target_compile_definitions(tst_reencoding_dialog PRIVATE
    MORLEK_REENCODING_TEST_QM="${reencoding_test_qm}")
