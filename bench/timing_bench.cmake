# Benchmarks of the timing library.
morlek_add_bench(bench_timing SOURCES bench_timing.cpp LIBS morlek_timing)
