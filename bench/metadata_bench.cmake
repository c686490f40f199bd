# Benchmarks of the metadata library.
morlek_add_bench(bench_storage SOURCES bench_storage.cpp LIBS morlek_metadata)
