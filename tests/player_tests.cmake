# Tests of the player library.
morlek_add_test(tst_frame_grid SOURCES tst_frame_grid.cpp LIBS morlek_player_core TIMEOUT 60)
morlek_add_test(tst_picture_fit_watch SOURCES tst_picture_fit_watch.cpp LIBS morlek_player_core
                TIMEOUT 60)
morlek_add_test(tst_frame_stepper SOURCES tst_frame_stepper.cpp LIBS morlek_player_core
                TIMEOUT 60)
morlek_add_test(tst_window_fit SOURCES tst_window_fit.cpp LIBS morlek_player TIMEOUT 60)
morlek_add_test(tst_media_player SOURCES tst_media_player.cpp LIBS morlek_player WIDGETS
                TIMEOUT 120)
morlek_add_test(tst_playback SOURCES tst_playback.cpp LIBS morlek_player morlek_playersupport VIDEO
                TIMEOUT 300)
morlek_add_test(tst_timing_wiring SOURCES tst_timing_wiring.cpp
                LIBS morlek_player morlek_playersupport morlek_recordsupport VIDEO
                TIMEOUT 180)
morlek_add_test(tst_pipeline_stepper SOURCES tst_pipeline_stepper.cpp
                LIBS morlek_player morlek_playersupport PkgConfig::GST TIMEOUT 120)
morlek_add_test(tst_seek_thread SOURCES tst_seek_thread.cpp LIBS morlek_player TIMEOUT 60)
morlek_add_test(tst_picture_store SOURCES tst_picture_store.cpp
                LIBS morlek_player PkgConfig::GST TIMEOUT 60)
morlek_add_test(tst_keyframe_guard SOURCES tst_keyframe_guard.cpp
                LIBS morlek_player morlek_playersupport PkgConfig::GST TIMEOUT 120)
morlek_add_test(tst_video_probe SOURCES tst_video_probe.cpp LIBS morlek_player TIMEOUT 60)
morlek_add_test(tst_video_end SOURCES tst_video_end.cpp
                LIBS morlek_player morlek_playersupport morlek_recordsupport VIDEO
                TIMEOUT 180)
morlek_add_test(tst_media_loader SOURCES tst_media_loader.cpp
                LIBS morlek_player morlek_playersupport morlek_recordsupport VIDEO
                TIMEOUT 120)
morlek_add_test(tst_full_screen SOURCES tst_full_screen.cpp
                LIBS morlek_player morlek_playersupport morlek_recordsupport VIDEO
                TIMEOUT 120)
morlek_add_test(tst_real_videos SOURCES tst_real_videos.cpp
                LIBS morlek_player morlek_playersupport VIDEO TIMEOUT 240)
morlek_add_test(tst_users_files SOURCES tst_users_files.cpp
                LIBS morlek_player morlek_playersupport VIDEO TIMEOUT 240)
morlek_add_test(tst_jumps_and_speed SOURCES tst_jumps_and_speed.cpp
                LIBS morlek_player morlek_playersupport VIDEO TIMEOUT 240)
morlek_add_test(tst_shortcut_store SOURCES tst_shortcut_store.cpp LIBS morlek_shortcuts
                WIDGETS TIMEOUT 60)
morlek_add_test(tst_frame_stepper_kept SOURCES tst_frame_stepper_kept.cpp
                LIBS morlek_player_core TIMEOUT 60)
morlek_add_test(tst_frame_stepper_moves SOURCES tst_frame_stepper_moves.cpp
                LIBS morlek_player_core TIMEOUT 60)
