# Benchmarks of the player library.

# Frame-exactness and responsiveness of stepping, jumping and returning to recorded times,
# measured on the screen. Run through bench/run_frame_bench.sh.
add_library(bench_frame_common STATIC
    bench_frame_matrix.cpp bench_frame_matrix.h
    bench_frame_probe.cpp bench_frame_probe.h
    bench_frame_stall_monitor.cpp bench_frame_stall_monitor.h
    bench_frame_target.h
    bench_frame_session.cpp bench_frame_session_keys.cpp bench_frame_session.h
    bench_frame_child.cpp bench_frame_child.h
    bench_frame_report.cpp bench_frame_report.h)
target_include_directories(bench_frame_common PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(bench_frame_common PUBLIC morlek_testsupport Qt5::Widgets Qt5::Test
                      PRIVATE morlek_warnings)

morlek_add_bench(bench_frame_exact
    SOURCES bench_frame_exact.cpp bench_frame_baseline.cpp bench_frame_baseline.h
    LIBS bench_frame_common Phonon::phonon4qt5)

# The program's own player; built once the player library exists.
if(TARGET morlek_player)
    morlek_add_bench(bench_frame_player
        SOURCES bench_frame_player.cpp bench_frame_player_target.cpp bench_frame_player_target.h
        LIBS bench_frame_common morlek_player Phonon::phonon4qt5)
endif()
