# Benchmarks of the metadata library.
