# Tests of the timing library.
morlek_add_test(tst_time_format SOURCES tst_time_format.cpp LIBS morlek_timing TIMEOUT 60)
morlek_add_test(tst_timing_table SOURCES tst_timing_table.cpp
                LIBS morlek_timing morlek_recordsupport WIDGETS TIMEOUT 120)
morlek_add_test(tst_timer_widget SOURCES tst_timer_widget.cpp
                LIBS morlek_timing morlek_panelsupport morlek_recordsupport WIDGETS
                TIMEOUT 180)
morlek_add_test(tst_csv_export SOURCES tst_csv_export.cpp
                LIBS morlek_timing morlek_panelsupport morlek_recordsupport WIDGETS
                TIMEOUT 120)
morlek_add_test(tst_clipboard_copy SOURCES tst_clipboard_copy.cpp
                LIBS morlek_timing morlek_panelsupport morlek_recordsupport WIDGETS
                TIMEOUT 60)
morlek_add_test(tst_timing_runs SOURCES tst_timing_runs.cpp
                LIBS morlek_timing morlek_panelsupport morlek_recordsupport WIDGETS
                TIMEOUT 120)
